// apply: make devices hold a desired configuration. Read first, write only
// what differs, restart only when something was written; --check says what
// would change and writes nothing. Run twice, the second run changes nothing,
// also after a renumbering: a device that moved is found at its new place by
// its MAC address.
#include "Commands.h"

#include "ApplyInput.h"
#include "ConfigDocument.h"
#include "ConfigWrite.h"
#include "DeviceSession.h"
#include "TerminalOutput.h"
#include "ValueChecks.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QJsonArray>

#include <memory>

namespace {

// The device's configuration as read, with the values it confirmed laid over
// it; a value refused stays as it was, one sent without an answer may or may
// not be stored: "unknown".
QJsonObject ConfigAfter(const QJsonObject& before, const QList<ConfigValue>& sent,
                        const QList<DeviceSetting>& confirmed,
                        const QList<DeviceSetting>& refused) {
    QJsonObject after = before;
    for (const ConfigValue& value : sent) {
        const QString key = SettingKey(value.setting);
        if (!confirmed.contains(value.setting)) {
            if (!refused.contains(value.setting))
                after.insert(key, QStringLiteral("unknown"));
        } else if (RoleOf(value.setting) == SettingRole::Port) {
            after.insert(key, value.text.toInt());
        } else {
            after.insert(key, ShownSettingText(value));
        }
    }
    return after;
}

// Where the row's device is once its values took effect.
Target WantedPlace(const Target& target, const QList<ConfigValue>& desired) {
    Target wanted = target;
    if (const std::optional<QString> ip = ValueWithRole(desired, SettingRole::Address))
        wanted.host = *ip;
    if (const std::optional<QString> port = ValueWithRole(desired, SettingRole::Port))
        wanted.port = port->toInt();
    return wanted;
}

// The row's host did not answer. A device with the row's MAC address that
// answers at the row's wanted place is the row's, moved there by an earlier
// run; `session` is then connected to it. Without a MAC address no device is
// taken for another: the message says what would let apply find it.
bool FindMoved(const CommandLine& line, HostReport& report, const QList<ConfigValue>& desired,
               std::unique_ptr<DeviceSession>& session) {
    const Target original = report.target;
    const Target wanted = WantedPlace(original, desired);
    if (wanted.Key() == original.Key())
        return false;
    const std::optional<QString> mac = ValueWithRole(desired, SettingRole::Identity);
    if (!mac) {
        report.error += QStringLiteral("; if it moved to %1, add a \"mac\" column (or keep the "
                                       "export's config.mac) so that it is found there")
                            .arg(wanted.Text());
        return false;
    }
    const HostReport failed = report;
    report.exitCode = ExitDone;
    report.error.clear();
    report.fields.remove(QStringLiteral("socket_error"));
    report.target = wanted;
    auto there = std::make_unique<DeviceSession>(line, report);
    const QString answered =
        there->Connect() ? there->device.config.ReadIdentity().value_or(QString()) : QString();
    bool found = !answered.isEmpty();
    found =
        found && MacAddressBytes(answered) && MacAddressBytes(answered) == MacAddressBytes(*mac);
    if (!found) {
        report = failed;
        report.error +=
            QStringLiteral("; no device with MAC %1 answers at %2 either").arg(*mac, wanted.Text());
        return false;
    }
    report.target = original;
    report.fields.insert(QStringLiteral("found_at"), wanted.Text());
    report.fields.insert(QStringLiteral("now_at"), wanted.Text());
    report.Say(QStringLiteral("not at %1; found at %2 by its MAC address %3")
                   .arg(original.Text(), wanted.Text(), answered));
    session = std::move(there);
    return true;
}

// The stored address and port take effect at the next restart: when they are
// not where the device answers now, it waits for one.
std::optional<Target> PendingPlace(const DeviceSession& session, const DeviceValues& read) {
    const Target stored{read.Address(), read.Port().toInt()};
    const Target reached{session.device.Address(), session.device.Port()};
    if (stored.Key() == reached.Key())
        return std::nullopt;
    // Reached by a name: the address it stands for, as the connection took it.
    if (stored.port == reached.port && !IsDottedDecimal(reached.host) &&
        QHostInfo::fromName(reached.host).addresses().contains(QHostAddress(stored.host)))
        return std::nullopt;
    return stored;
}

void ApplyToHost(const CommandLine& line, HostReport& report, const QList<ConfigValue>& desired,
                 bool check, bool restart) {
    report.fields.insert(QStringLiteral("changed"), false);
    report.fields.insert(QStringLiteral("restarted"), false);
    report.fields.insert(QStringLiteral("written"), QJsonArray());
    auto session = std::make_unique<DeviceSession>(line, report);
    if (!session->Connect() && !FindMoved(line, report, desired, session))
        return;
    const std::optional<DeviceValues> read = session->ReadConfiguration();
    if (!read)
        return;
    const DeviceValues& held = *read;
    const QJsonObject before = ConfigJson(held);
    report.fields.insert(QStringLiteral("before"), before);
    report.fields.insert(QStringLiteral("after"), before);
    report.fields.insert(QStringLiteral("version"), held.Version());
    report.fields.insert(QStringLiteral("date"), held.Date());
    const std::optional<Target> pending = PendingPlace(*session, held);
    report.fields.insert(QStringLiteral("pending_restart"), pending.has_value());

    const QList<ConfigValue> differing = DifferingValues(desired, held);
    QJsonArray differences;
    for (const ConfigValue& value : differing) {
        const QString key = SettingKey(value.setting);
        const QString was = ShownSettingValue(value.setting, held);
        const QString becomes = ShownSettingText(value);
        // As the configurations hold them: a port is a number.
        const bool port = RoleOf(value.setting) == SettingRole::Port;
        differences.append(QJsonObject{
            {QStringLiteral("key"), key},
            {QStringLiteral("before"), port ? QJsonValue(was.toInt()) : QJsonValue(was)},
            {QStringLiteral("after"), port ? QJsonValue(becomes.toInt()) : QJsonValue(becomes)}});
        report.Say(QStringLiteral("%1: %2 -> %3").arg(key, was, becomes));
    }
    report.fields.insert(QStringLiteral("differences"), differences);
    // A stored address or port waiting for a restart: --restart restarts.
    const bool restartPending = restart && pending && differing.isEmpty();
    report.fields.insert(QStringLiteral("changed"), !differing.isEmpty() || restartPending);
    if (pending)
        report.Say(QStringLiteral("stored address %1 takes effect at the next restart")
                       .arg(pending->Text()));
    if (differing.isEmpty() && !restartPending) {
        report.Say(QStringLiteral("already as desired; nothing written"));
        return;
    }
    if (check) {
        // What it would hold: every difference taken.
        QList<DeviceSetting> all;
        for (const ConfigValue& value : differing)
            all.append(value.setting);
        report.fields.insert(QStringLiteral("after"), ConfigAfter(before, differing, all, {}));
        report.drift = true;
        report.Say(restartPending
                       ? QStringLiteral("would restart (check only; nothing sent)")
                       : QStringLiteral("%1 value(s) would change (check only; nothing written)")
                             .arg(differing.size()));
        return;
    }
    const WriteVerdict verdict = restartPending
                                     ? RestartOnly(*session, pending->host, pending->port)
                                     : WriteValues(*session, differing, restart);
    report.fields.insert(QStringLiteral("after"),
                         verdict.readBack
                             ? ConfigJson(*verdict.readBack)
                             : ConfigAfter(before, differing, verdict.confirmed, verdict.refused));
    report.fields.insert(QStringLiteral("restarted"), verdict.restartSent);
}

} // namespace

int RunApply(const CommandLine& line) {
    QString error;
    const std::optional<QList<HostValues>> hosts = ApplyHosts(line, error);
    if (!hosts) {
        PrintError(error);
        return ExitUsage;
    }
    const bool check = line.Has(QStringLiteral("check"));
    const bool restart = line.Has(QStringLiteral("restart"));
    return RunOnHostValues(line, *hosts, [&](HostReport& report, const QList<ConfigValue>& values) {
        ApplyToHost(line, report, values, check, restart);
    });
}
