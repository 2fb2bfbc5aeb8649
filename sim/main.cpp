#include "SimCommandLine.h"
#include "SimServer.h"
#include "Ticks.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    // Qt's own event loop on Unix, as in rk5720-cli: the GLib one signals a
    // wake-up on every timer and notifier change, several system calls per
    // block, and a fleet's benchmark runs eight of these beside the client.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rk5720-sim"));

    sim::SimCommandLine options;
    QString error;
    if (!sim::ParseSimCommandLine(QCoreApplication::arguments(), options, error)) {
        std::fprintf(stderr, "rk5720-sim: %s\n\n%s", qPrintable(error),
                     qPrintable(sim::SimCommandLineHelp()));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(sim::SimCommandLineHelp()), stdout);
        return 0;
    }
    if (options.showVersion) {
        std::printf("%s\n", qPrintable(sim::SimVersionText()));
        return 0;
    }

    sim::DeviceState state = sim::DeviceState::Defaults();
    if (!options.version.isEmpty() || !options.date.isEmpty()) {
        state.setVersion(options.version.isEmpty() ? state.version : options.version,
                         options.date.isEmpty() ? state.date : options.date);
    }
    // Every entry is printed as it comes, so none needs to be kept.
    auto log = std::make_shared<sim::WireLog>(0);
    const uint32_t startTick = rk::GetTickCount();
    log->setSink([startTick, &options](const sim::WireEntry& entry) {
        if (options.quiet && entry.kind != sim::WireEntry::Kind::Event)
            return;
        std::printf("%s\n", qPrintable(sim::WireLog::format(entry, startTick)));
        std::fflush(stdout);
    });
    sim::SimServer server(options.server, state, options.faults, log);
    if (!server.start()) {
        std::fprintf(stderr, "rk5720-sim: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    return QCoreApplication::exec();
}
