// scan: which addresses of a range hold a device that answers "?Version".
#include "Commands.h"

#include "Defaults.h"
#include "DeviceScanner.h"
#include "HostReport.h"
#include "InterruptWatch.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QJsonArray>

#include <algorithm>

namespace {

struct Found {
    quint32 order;
    QString address;
    QString version;
    QString date;
    QString mac;
};

QString FoundLine(const Found& f, int port) {
    return QStringLiteral("%1  version %2  date %3  MAC %4")
        .arg((f.address + QLatin1Char(':') + QString::number(port)).leftJustified(21), f.version,
             f.date, f.mac.isEmpty() ? QStringLiteral("?") : f.mac);
}

} // namespace

int RunScan(const CommandLine& line) {
    QString error;
    const std::optional<QStringList> addresses = ParseCidr(line.arguments.at(0), error);
    if (!addresses) {
        PrintError(error);
        return ExitUsage;
    }
    int port = kDefaultDevicePort;
    if (line.Has(QStringLiteral("port"))) {
        const std::optional<Target> target =
            ParseTarget(QStringLiteral("0.0.0.0:") + line.Value(QStringLiteral("port")), error);
        if (!target) {
            PrintError(QStringLiteral("bad --port \"%1\": expected 1..65535")
                           .arg(line.Value(QStringLiteral("port"))));
            return ExitUsage;
        }
        port = target->port;
    }

    // Plain connections, many in flight on this thread: a /16 whose silent
    // addresses drop the attempt costs seconds, not a thread per address.
    QList<Found> found;
    DeviceScanner scanner;
    DeviceScanner::Options options;
    options.inFlight = line.jobs;
    options.connectTimeoutMs = line.timeoutMs;
    options.answerTimeoutMs = line.answerTimeoutMs;
    QEventLoop loop;
    InterruptWatch watch;
    QObject::connect(&scanner, &DeviceScanner::finished, &loop, &QEventLoop::quit);
    // Interrupted, it reports what it found so far.
    QObject::connect(&watch, &InterruptWatch::interrupted, &loop, &QEventLoop::quit);
    int probed = 0;
    QObject::connect(&scanner, &DeviceScanner::progress, &loop, [&](int done) { probed = done; });
    QObject::connect(&scanner, &DeviceScanner::found, &loop, [&](const ScanFinding& f) {
        if (f.garbage)
            return;
        found.append(
            {QHostAddress(f.address).toIPv4Address(), f.address, f.version, f.date, f.mac});
        // Each device as it is found; the summary follows at the end.
        if (!line.json && line.format == OutputFormat::Text)
            PrintLine(EscapeControl(FoundLine(found.last(), port)));
    });
    scanner.Start(*addresses, port, options);
    if (scanner.Running())
        loop.exec();
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.order < b.order; });

    const int exitCode = watch.Interrupted() ? watch.ExitCode() : int(ExitDone);
    QJsonArray devices;
    for (const Found& f : found)
        devices.append(QJsonObject{{QStringLiteral("address"), f.address},
                                   {QStringLiteral("port"), port},
                                   {QStringLiteral("version"), f.version},
                                   {QStringLiteral("date"), f.date},
                                   {QStringLiteral("mac"), f.mac}});
    if (line.json) {
        QJsonObject document{{QStringLiteral("command"), line.command},
                             {QStringLiteral("exit_code"), exitCode},
                             {QStringLiteral("range"), line.arguments.at(0)},
                             {QStringLiteral("port"), port},
                             {QStringLiteral("devices"), devices}};
        if (watch.Interrupted())
            document.insert(QStringLiteral("error"), QStringLiteral("interrupted"));
        PrintJson(document);
        return exitCode;
    }
    if (line.format != OutputFormat::Text)
        PrintTable(
            ObjectTable({QStringLiteral("address"), QStringLiteral("port"),
                         QStringLiteral("version"), QStringLiteral("date"), QStringLiteral("mac")},
                        devices),
            line.format);
    else
        PrintLine(QStringLiteral("%1 device(s) found in %2 (%3 addresses probed)")
                      .arg(found.size())
                      .arg(line.arguments.at(0))
                      .arg(probed));
    if (watch.Interrupted())
        PrintError(QStringLiteral("interrupted; the scan did not finish"));
    return exitCode;
}
