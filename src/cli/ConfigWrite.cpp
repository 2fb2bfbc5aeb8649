// The write shared by write, import and apply: every value confirmed, the
// restart followed, the device that answers checked and read back.
#include "ConfigWrite.h"

#include "ConfigDocument.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>

void ReportConfig(DeviceSession& session) {
    const DeviceModel& model = session.device.model;
    HostReport& report = session.report;
    report.fields.insert(QStringLiteral("config"), ConfigJson(model));
    report.fields.insert(QStringLiteral("version"), model.Value(DeviceField::Version));
    report.fields.insert(QStringLiteral("date"), model.Value(DeviceField::Date));
    for (const QString& line : ConfigLines(model))
        report.Say(line);
    report.Say(QStringLiteral("version:").leftJustified(14) + model.Value(DeviceField::Version));
    report.Say(QStringLiteral("date:").leftJustified(14) + model.Value(DeviceField::Date));
}

// Every written value must have been confirmed with its SET_ answer.
namespace {

bool CheckConfirmed(DeviceSession& session, const QList<ConfigValue>& values) {
    for (const ConfigValue& value : values) {
        const QString key = SettingKey(value.setting);
        switch (session.device.model.Result(value.setting)) {
        case SettingResult::Ok:
            break;
        case SettingResult::Error:
            return session.report.Fail(ExitRefused,
                                       QStringLiteral("the device refused the %1").arg(key));
        case SettingResult::None:
            return session.report.Fail(
                ExitUnreachable, QStringLiteral("the device did not confirm the %1").arg(key));
        }
    }
    return true;
}

} // namespace

void WriteValues(DeviceSession& session, const QList<ConfigValue>& values, bool restart) {
    HostReport& report = session.report;
    QJsonArray written;
    for (const ConfigValue& value : values)
        written.append(SettingKey(value.setting));
    report.fields.insert(QStringLiteral("written"), written);
    // Who the device is, before the restart may move it.
    std::optional<QString> identity;
    if (restart && !(identity = session.ReadIdentity()))
        return;
    for (const ConfigValue& value : values)
        if (value.setting == DeviceSetting::MacAddr)
            identity = value.text;

    using Result = ConfigProcedures::WriteResult;
    const Result result = session.device.config.WriteConfiguration(values, restart).result;
    switch (result) {
    case Result::NotConnected:
        report.Fail(ExitUnreachable, QStringLiteral("the connection was lost"));
        return;
    case Result::InvalidValue:
        report.Fail(ExitUsage, QStringLiteral("a value failed its check"));
        return;
    case Result::NotAnswered:
        report.Fail(ExitUnreachable, QStringLiteral("the device did not answer"));
        return;
    case Result::PartlyAnswered:
    case Result::Written:
    case Result::Restarting:
    case Result::RestartFailed:
        break;
    }
    if (!CheckConfirmed(session, values)) {
        session.device.follower.Stop();
        return;
    }
    QStringList keys;
    for (const ConfigValue& value : values)
        keys << SettingKey(value.setting) + QLatin1Char('=') + value.text;
    report.Say(QStringLiteral("written: ") + keys.join(QStringLiteral(", ")));
    if (!restart)
        return;
    if (result != Result::Restarting) {
        report.Fail(ExitUnreachable, QStringLiteral("the connection was lost before the restart"));
        return;
    }
    report.Say(QStringLiteral("restarting; following the device to ") + session.Where());
    if (!session.FollowRestart())
        return;
    report.fields.insert(QStringLiteral("now_at"), session.Where());
    if (!session.ReadConfiguration())
        return;
    ReportConfig(session);
    if (!session.VerifyIdentity(*identity))
        return;
    const QStringList problems = Mismatches(values, session.device.model);
    if (!problems.isEmpty())
        report.Fail(ExitRefused, problems.join(QStringLiteral("; ")));
    else
        report.Say(QStringLiteral("verified at ") + session.Where());
}

std::optional<QByteArray> ReadConfigInput(const QString& name, QString& error) {
    QFile file;
    const bool opened = name == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        error = QStringLiteral("cannot open %1: %2").arg(name, file.errorString());
        return std::nullopt;
    }
    std::optional<QByteArray> bytes = ReadConfigFile(file);
    if (!bytes)
        error = QStringLiteral("%1 is too large for a configuration").arg(name);
    return bytes;
}

std::optional<QList<HostValues>>
SameValuesForEveryHost(const CommandLine& line, const QList<ConfigValue>& values, QString& error) {
    // One address or MAC address for several devices: after the restart they
    // would answer for each other.
    if (line.targets.size() > 1) {
        for (const ConfigValue& value : values) {
            if (value.setting != DeviceSetting::IpAddr && value.setting != DeviceSetting::MacAddr)
                continue;
            error =
                QStringLiteral("--%1 %2 would give %3 hosts the same %4; write them one by one")
                    .arg(SettingKey(value.setting), value.text)
                    .arg(line.targets.size())
                    .arg(value.setting == DeviceSetting::IpAddr ? QStringLiteral("address")
                                                                : QStringLiteral("MAC address"));
            return std::nullopt;
        }
    }
    QList<HostValues> hosts;
    for (const Target& target : line.targets)
        hosts.append({target, values});
    return hosts;
}

int RunOnHostValues(const CommandLine& line, const QList<HostValues>& hosts,
                    const std::function<void(HostReport&, const QList<ConfigValue>&)>& work) {
    CommandLine each = line;
    each.targets.clear();
    QHash<QString, QList<ConfigValue>> valuesOf;
    QStringList warned;
    for (const HostValues& host : hosts) {
        each.targets.append(host.target);
        valuesOf.insert(host.target.Text(), host.values);
        for (const QString& warning : ValueWarnings(host.values))
            if (!warned.contains(warning)) {
                warned.append(warning);
                PrintError(QStringLiteral("warning: ") + warning);
            }
    }
    return RunOnTargets(
        each, [&](HostReport& report) { work(report, valuesOf.value(report.target.Text())); });
}
