// The write shared by write, import and apply: every value confirmed, the
// restart followed, the device that answers checked and read back.
#include "ConfigWrite.h"

#include "ConfigDocument.h"
#include "FleetRun.h"
#include "TerminalOutput.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>

void ReportConfig(HostReport& report, const DeviceValues& values) {
    report.fields.insert(QStringLiteral("config"), ConfigJson(values));
    report.fields.insert(QStringLiteral("version"), values.Version());
    report.fields.insert(QStringLiteral("date"), values.Date());
    for (const QString& line : ConfigLines(values))
        report.Say(line);
    report.Say(QStringLiteral("version:").leftJustified(14) + values.Version());
    report.Say(QStringLiteral("date:").leftJustified(14) + values.Date());
}

// Every written value must have been confirmed with its own SET_ answer, one
// that came after its command was sent; a confirmation that came early, with
// another command's answer, proves nothing.
namespace {

bool CheckConfirmed(DeviceSession& session, const QList<ConfigValue>& values,
                    const ConfigProcedures::WriteOutcome& outcome) {
    for (const ConfigValue& value : values) {
        if (outcome.confirmed.contains(value.setting))
            continue;
        const QString key = SettingKey(value.setting);
        if (outcome.refused.contains(value.setting))
            return session.report.Fail(ExitRefused,
                                       QStringLiteral("the device refused the %1").arg(key));
        return session.report.Fail(ExitUnreachable,
                                   QStringLiteral("the device did not confirm the %1").arg(key));
    }
    return true;
}

// After the restart was sent: the device followed to `expected`, read back,
// the same device (`identity`), holding `values`.
void FollowAndVerify(DeviceSession& session, const QList<ConfigValue>& values,
                     const QString& identity, const QString& expected, WriteVerdict& verdict) {
    HostReport& report = session.report;
    verdict.restartSent = true;
    report.fields.insert(QStringLiteral("restarted"), true);
    report.fields.insert(QStringLiteral("expected_at"), expected);
    report.Say(QStringLiteral("restarting; following the device to ") + session.Where());
    if (!session.FollowRestart())
        return;
    report.fields.insert(QStringLiteral("now_at"), session.Where());
    const std::optional<DeviceValues> read = session.ReadConfiguration();
    if (!read)
        return;
    verdict.readBack = read;
    ReportConfig(report, *read);
    if (!session.VerifyIdentity(identity, read->Mac()))
        return;
    const QStringList problems = Mismatches(values, *read);
    if (!problems.isEmpty())
        report.Fail(ExitRefused, problems.join(QStringLiteral("; ")));
    else
        report.Say(QStringLiteral("verified at ") + session.Where());
}

} // namespace

WriteVerdict WriteValues(DeviceSession& session, const QList<ConfigValue>& values, bool restart) {
    HostReport& report = session.report;
    WriteVerdict verdict;
    report.fields.insert(QStringLiteral("written"), QJsonArray());
    // Who the device is, before the restart may move it.
    std::optional<QString> identity;
    if (restart && !(identity = session.ReadIdentity()))
        return verdict;
    if (const std::optional<QString> given = ValueWithRole(values, SettingRole::Identity))
        identity = given;

    using Result = ConfigProcedures::WriteResult;
    const ConfigProcedures::WriteOutcome outcome =
        session.device.config.WriteConfiguration(values, restart, session.WhenFollowed());
    const Result result = outcome.result;
    verdict.confirmed = outcome.confirmed;
    verdict.refused = outcome.refused;
    QJsonArray written;
    QStringList keys;
    for (const ConfigValue& value : values) {
        if (!outcome.confirmed.contains(value.setting))
            continue;
        written.append(SettingKey(value.setting));
        keys << SettingKey(value.setting) + QLatin1Char('=') + value.text;
    }
    report.fields.insert(QStringLiteral("written"), written);
    if (!keys.isEmpty())
        report.Say(QStringLiteral("written: ") + keys.join(QStringLiteral(", ")) +
                   (result == Result::Restarting
                        ? QString()
                        : QStringLiteral(" (stored; in effect from the next restart)")));
    switch (result) {
    case Result::NotConnected:
        report.Fail(ExitUnreachable, QStringLiteral("the connection was lost"));
        return verdict;
    case Result::InvalidValue:
        report.Fail(ExitUsage, QStringLiteral("a value failed its check"));
        return verdict;
    case Result::NotAnswered:
        report.Fail(ExitUnreachable, QStringLiteral("the device did not answer"));
        return verdict;
    case Result::PartlyAnswered:
    case Result::Written:
    case Result::Restarting:
    case Result::RestartFailed:
        break;
    }
    if (!CheckConfirmed(session, values, outcome)) {
        session.device.follower.Stop();
        return verdict;
    }
    if (!restart)
        return verdict;
    if (result != Result::Restarting) {
        report.Fail(ExitUnreachable, QStringLiteral("the connection was lost before the restart"));
        return verdict;
    }
    FollowAndVerify(
        session, values, *identity,
        outcome.restartAddress + QLatin1Char(':') + QString::number(outcome.restartPort), verdict);
    return verdict;
}

WriteVerdict RestartOnly(DeviceSession& session, const QString& address, int port) {
    WriteVerdict verdict;
    const std::optional<QString> identity = session.ReadIdentity();
    if (!identity)
        return verdict;
    if (!session.device.config.RestartTo(address, port, session.WhenFollowed())) {
        session.report.Fail(ExitUnreachable,
                            QStringLiteral("the connection was lost before the restart"));
        return verdict;
    }
    FollowAndVerify(session, {}, *identity, address + QLatin1Char(':') + QString::number(port),
                    verdict);
    return verdict;
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
        error = QStringLiteral("%1 is too large for a configuration (at most %2 KiB)")
                    .arg(name)
                    .arg(kMaxConfigFileBytes / 1024);
    return bytes;
}

std::optional<QList<HostValues>>
SameValuesForEveryHost(const CommandLine& line, const QList<ConfigValue>& values, QString& error) {
    // One address or MAC address for several devices: after the restart they
    // would answer for each other.
    if (line.targets.size() > 1) {
        for (const ConfigValue& value : values) {
            const SettingRow* row = FindSettingRow(value.setting);
            if (!row->uniqueAs)
                continue;
            error = QStringLiteral("--%1 %2 would give %3 hosts the same %4; write them one by one")
                        .arg(SettingKey(value.setting), value.text)
                        .arg(line.targets.size())
                        .arg(QLatin1String(row->uniqueAs));
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
