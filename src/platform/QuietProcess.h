#pragma once

class QProcess;

// A console command run from the window (`arp -d`) opens no console window of
// its own on Windows; elsewhere there is nothing to do.
void MakeQuiet(QProcess& process);
