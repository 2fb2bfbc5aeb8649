// scan: which addresses of a range hold a device that answers "?Version".
#include "Commands.h"

#include "Defaults.h"
#include "DeviceSession.h"
#include "ThreadJobs.h"

#include <QMutex>

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

    QList<Found> found;
    QMutex foundMutex;
    // A probe logs nothing: thousands of refused addresses are no news.
    CommandLine probe = line;
    probe.verbose = false;
    RunJobsOnThreads(int(addresses->size()), line.jobs, [&](int index) {
        HostReport report;
        report.target = Target{addresses->at(index), port};
        DeviceSession session(probe, report);
        if (!session.Connect() || !session.device.config.ReadVersion().answered)
            return;
        DeviceModel& model = session.device.model;
        if (model.Value(DeviceField::Version).isEmpty())
            return;
        session.device.config.ReadValue(DeviceField::MacAddr);
        const QMutexLocker lock(&foundMutex);
        found.append({QHostAddress(addresses->at(index)).toIPv4Address(), addresses->at(index),
                      model.Value(DeviceField::Version), model.Value(DeviceField::Date),
                      model.Value(DeviceField::MacAddr)});
    });
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.order < b.order; });

    if (line.json) {
        QJsonArray devices;
        for (const Found& f : found)
            devices.append(QJsonObject{{QStringLiteral("address"), f.address},
                                       {QStringLiteral("port"), port},
                                       {QStringLiteral("version"), f.version},
                                       {QStringLiteral("date"), f.date},
                                       {QStringLiteral("mac"), f.mac}});
        PrintJson(QJsonObject{{QStringLiteral("command"), line.command},
                              {QStringLiteral("exit_code"), ExitDone},
                              {QStringLiteral("range"), line.arguments.at(0)},
                              {QStringLiteral("port"), port},
                              {QStringLiteral("devices"), devices}});
        return ExitDone;
    }
    for (const Found& f : found)
        PrintLine(EscapeControl(
            QStringLiteral("%1  version %2  date %3  MAC %4")
                .arg((f.address + QLatin1Char(':') + QString::number(port)).leftJustified(21),
                     f.version, f.date, f.mac.isEmpty() ? QStringLiteral("?") : f.mac)));
    PrintLine(QStringLiteral("%1 device(s) found in %2 (%3 addresses probed)")
                  .arg(found.size())
                  .arg(line.arguments.at(0))
                  .arg(addresses->size()));
    return ExitDone;
}
