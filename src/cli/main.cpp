// rk5720-cli: the device's whole job from scripts, for one device or a fleet,
// on the same core the window uses.
#include "CommandLine.h"
#include "Commands.h"
#include "ExitCode.h"
#include "OpenFileLimit.h"
#include "TerminalOutput.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    // Qt's own event loop on Unix: the GLib one signals a wake-up on every
    // change of a socket's notifiers, several system calls per block sent,
    // which an upgrade of many devices pays thousands of times over.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    RaiseOpenFileLimit();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rk5720-cli"));
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    const ParseOutcome outcome = ParseCommandLine(Commands(), arguments);
    switch (outcome.kind) {
    case ParseOutcome::Kind::Print:
        std::fputs(qUtf8Printable(outcome.text), stdout);
        return ExitDone;
    case ParseOutcome::Kind::Error:
        PrintError(outcome.text);
        return ExitUsage;
    case ParseOutcome::Kind::Run:
        break;
    }
    return outcome.line.spec->run(outcome.line);
}
