// scan: which addresses of a range hold a device that answers "?Version".
#include "Commands.h"

#include "Defaults.h"
#include "DeviceScanner.h"
#include "ExitCode.h"
#include "InterruptWatch.h"
#include "TerminalOutput.h"

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
    // It took the connection but did not answer "?Version" in time.
    bool silent = false;
};

QString FoundLine(const Found& f, int port, int answerTimeoutMs) {
    const QString where = (f.address + QLatin1Char(':') + QString::number(port)).leftJustified(21);
    if (f.silent)
        return QStringLiteral("%1  connected, no answer within %2 ms")
            .arg(where)
            .arg(answerTimeoutMs);
    return QStringLiteral("%1  version %2  date %3  MAC %4")
        .arg(where, f.version, f.date, f.mac.isEmpty() ? QStringLiteral("?") : f.mac);
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
        found.append({QHostAddress(f.address).toIPv4Address(), f.address, f.version, f.date, f.mac,
                      f.silent});
    });
    scanner.Start(*addresses, port, options);
    if (scanner.Running())
        loop.exec();
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.order < b.order; });

    const int exitCode = watch.Interrupted() ? watch.ExitCode() : int(ExitDone);
    const auto silent = qsizetype(
        std::count_if(found.begin(), found.end(), [](const Found& f) { return f.silent; }));
    QJsonArray devices;
    for (const Found& f : found)
        devices.append(QJsonObject{{QStringLiteral("address"), f.address},
                                   {QStringLiteral("port"), port},
                                   {QStringLiteral("answered"), !f.silent},
                                   {QStringLiteral("version"), f.version},
                                   {QStringLiteral("date"), f.date},
                                   {QStringLiteral("mac"), f.mac}});
    if (line.json) {
        QJsonObject document{{QStringLiteral("command"), line.command},
                             {QStringLiteral("exit_code"), exitCode},
                             {QStringLiteral("range"), line.arguments.at(0)},
                             {QStringLiteral("port"), port},
                             {QStringLiteral("devices"), devices},
                             {QStringLiteral("no_answer_in_time"), int(silent)}};
        if (watch.Interrupted())
            document.insert(QStringLiteral("error"), QStringLiteral("interrupted"));
        PrintJson(document);
        return exitCode;
    }
    if (line.format != OutputFormat::Text)
        PrintTable(ObjectTable({QStringLiteral("address"), QStringLiteral("port"),
                                QStringLiteral("answered"), QStringLiteral("version"),
                                QStringLiteral("date"), QStringLiteral("mac")},
                               devices),
                   line.format);
    else {
        // In address order, whatever order they answered in.
        for (const Found& f : std::as_const(found))
            PrintLine(EscapeControl(FoundLine(f, port, line.answerTimeoutMs)));
        PrintLine(QStringLiteral("%1 device(s) found in %2 (%3 addresses probed)")
                      .arg(found.size() - silent)
                      .arg(line.arguments.at(0))
                      .arg(probed));
        if (silent > 0)
            PrintLine(QStringLiteral("%1 address(es) took the connection but did not answer "
                                     "within %2 ms: a slow link or a busy device needs a longer "
                                     "--answer-timeout")
                          .arg(silent)
                          .arg(line.answerTimeoutMs));
    }
    if (watch.Interrupted())
        PrintError(QStringLiteral("interrupted; the scan did not finish"));
    return exitCode;
}
