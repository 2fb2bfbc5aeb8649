#pragma once

#include <QString>

#include <functional>

// Makes the workstation forget the hardware address it cached for a device
// whose MAC address was just changed.
using ArpCommandRunner = std::function<void(const QString& address)>;

// The command as a user would type it: "arp -d " + address.
inline QString ArpCommandLine(const QString& address) {
    return QStringLiteral("arp -d ") + address;
}

// Runs "arp -d <address>" and waits for it, at most a few seconds, ignoring its
// exit status. The address goes to the program as an argument, never through a
// shell, so a hand-typed address cannot run anything else.
void RunArpCommand(const QString& address);
