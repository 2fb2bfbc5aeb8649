// apply: make devices hold a desired configuration. Read first, write only
// what differs, restart only when something was written; --check says what
// would change and writes nothing. Run twice, the second run changes nothing.
#include "Commands.h"

#include "ConfigDocument.h"
#include "ConfigWrite.h"
#include "DeviceSession.h"
#include "ValuesTable.h"

#include <QJsonArray>

namespace {

// The device's configuration as read, with `desired` laid over it: what it
// holds once apply is done.
QJsonObject ConfigAfter(const QJsonObject& before, const QList<ConfigValue>& desired) {
    QJsonObject after = before;
    for (const ConfigValue& value : desired) {
        const QString key = SettingKey(value.setting);
        if (value.setting == DeviceSetting::Port)
            after.insert(key, value.text.toInt());
        else
            after.insert(key, ShownSettingText(value));
    }
    return after;
}

void ApplyToHost(DeviceSession& session, const QList<ConfigValue>& desired, bool check,
                 bool restart) {
    HostReport& report = session.report;
    report.fields.insert(QStringLiteral("changed"), false);
    report.fields.insert(QStringLiteral("restarted"), false);
    report.fields.insert(QStringLiteral("written"), QJsonArray());
    if (!session.Connect() || !session.ReadConfiguration())
        return;
    const DeviceModel& model = session.device.model;
    const QJsonObject before = ConfigJson(model);
    report.fields.insert(QStringLiteral("before"), before);
    report.fields.insert(QStringLiteral("after"), ConfigAfter(before, desired));
    report.fields.insert(QStringLiteral("version"), model.Value(DeviceField::Version));
    report.fields.insert(QStringLiteral("date"), model.Value(DeviceField::Date));

    const QList<ConfigValue> differing = DifferingValues(desired, model);
    QJsonArray differences;
    for (const ConfigValue& value : differing) {
        const QString key = SettingKey(value.setting);
        const QString was = ShownSettingValue(value.setting, model);
        const QString becomes = ShownSettingText(value);
        // As the configurations hold them: a port is a number.
        const bool port = value.setting == DeviceSetting::Port;
        differences.append(QJsonObject{
            {QStringLiteral("key"), key},
            {QStringLiteral("before"), port ? QJsonValue(was.toInt()) : QJsonValue(was)},
            {QStringLiteral("after"), port ? QJsonValue(becomes.toInt()) : QJsonValue(becomes)}});
        report.Say(QStringLiteral("%1: %2 -> %3").arg(key, was, becomes));
    }
    report.fields.insert(QStringLiteral("differences"), differences);
    report.fields.insert(QStringLiteral("changed"), !differing.isEmpty());
    if (differing.isEmpty()) {
        report.Say(QStringLiteral("already as desired; nothing written"));
        return;
    }
    if (check) {
        report.Say(QStringLiteral("%1 value(s) would change (check only; nothing written)")
                       .arg(differing.size()));
        return;
    }
    WriteValues(session, differing, restart);
    if (restart && !report.Failed())
        report.fields.insert(QStringLiteral("restarted"), true);
}

} // namespace

int RunApply(const CommandLine& line) {
    const QString name = line.arguments.at(0);
    QString error;
    const std::optional<QByteArray> bytes = ReadConfigInput(name, error);
    if (!bytes) {
        PrintError(error);
        return ExitUsage;
    }
    std::optional<QList<HostValues>> hosts;
    if (name.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        // A fleet's table names its hosts.
        if (!line.targets.isEmpty()) {
            PrintError(QStringLiteral("%1 names the hosts; give no host beside it").arg(name));
            return ExitUsage;
        }
        hosts = ReadValuesTable(*bytes, true, error);
        if (hosts) {
            if (const std::optional<QString> shared = SharedIdentity(*hosts)) {
                error = *shared;
                hosts.reset();
            }
        }
    } else if (line.targets.isEmpty()) {
        PrintError(QStringLiteral("apply %1 needs a host").arg(name));
        return ExitUsage;
    } else if (const std::optional<QList<ConfigValue>> values = ValuesFromJson(*bytes, error)) {
        hosts = SameValuesForEveryHost(line, *values, error);
    }
    if (!hosts) {
        const QString source = name == QLatin1String("-") ? QStringLiteral("standard input") : name;
        PrintError(source + QStringLiteral(": ") + error);
        return ExitUsage;
    }
    const bool check = line.Has(QStringLiteral("check"));
    const bool restart = line.Has(QStringLiteral("restart"));
    return RunOnHostValues(line, *hosts, [&](HostReport& report, const QList<ConfigValue>& values) {
        DeviceSession session(line, report);
        ApplyToHost(session, values, check, restart);
    });
}
