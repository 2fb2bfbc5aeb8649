#pragma once

#include "DeviceState.h"
#include "SimFaults.h"
#include "SimServer.h"

#include <QString>
#include <QStringList>

namespace sim {

struct SimCommandLine {
    SimServerOptions server;
    SimFaults faults;
    QString version; // empty: the default
    QString date;
    bool quiet = false;
    bool help = false;
    bool showVersion = false;
};

// Reads the arguments (the program name first). False with `error` set on a
// bad option or value; `help` is set for --help, `showVersion` for --version.
bool ParseSimCommandLine(const QStringList& arguments, SimCommandLine& out, QString& error);
QString SimCommandLineHelp();
// "rk5720-sim" and the build's version.
QString SimVersionText();

} // namespace sim
