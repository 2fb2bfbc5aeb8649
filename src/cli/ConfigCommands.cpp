// read, write, export and import: the configuration procedures of the core,
// judged strictly.
#include "Commands.h"

#include "ConfigDocument.h"
#include "DeviceSession.h"
#include "ValueOptions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

namespace {

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

void WriteValues(DeviceSession& session, const QList<ConfigValue>& values, bool restart) {
    HostReport& report = session.report;
    if (!session.Connect())
        return;
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

int WriteToHosts(const CommandLine& line, const QList<ConfigValue>& values) {
    // One address or MAC address for several devices: after the restart they
    // would answer for each other.
    if (line.targets.size() > 1) {
        for (const ConfigValue& value : values) {
            if (value.setting != DeviceSetting::IpAddr && value.setting != DeviceSetting::MacAddr)
                continue;
            PrintError(QStringLiteral("--%1 %2 would give %3 hosts the same %4; write them one "
                                      "by one")
                           .arg(SettingKey(value.setting), value.text)
                           .arg(line.targets.size())
                           .arg(value.setting == DeviceSetting::IpAddr
                                    ? QStringLiteral("address")
                                    : QStringLiteral("MAC address")));
            return ExitUsage;
        }
    }
    for (const QString& warning : ValueWarnings(values))
        PrintError(QStringLiteral("warning: ") + warning);
    const bool restart = line.Has(QStringLiteral("restart"));
    return RunOnTargets(line, [&](HostReport& report) {
        DeviceSession session(line, report);
        WriteValues(session, values, restart);
    });
}

std::optional<QByteArray> ReadInput(const QString& name, QString& error) {
    QFile file;
    const bool opened = name == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        error = QStringLiteral("cannot open %1: %2").arg(name, file.errorString());
        return std::nullopt;
    }
    // A configuration is a few hundred bytes; a huge file is a mistake.
    constexpr qint64 kMaxDocument = 1 << 20;
    QByteArray bytes = file.read(kMaxDocument + 1);
    if (bytes.size() > kMaxDocument) {
        error = QStringLiteral("%1 is too large for a configuration").arg(name);
        return std::nullopt;
    }
    return bytes;
}

} // namespace

int RunRead(const CommandLine& line) {
    return RunOnTargets(line, [&](HostReport& report) {
        DeviceSession session(line, report);
        if (session.Connect() && session.ReadConfiguration())
            ReportConfig(session);
    });
}

int RunWrite(const CommandLine& line) {
    QString error;
    const std::optional<QList<ConfigValue>> values = ValuesFromOptions(line, error);
    if (!values) {
        PrintError(error);
        return ExitUsage;
    }
    if (values->isEmpty()) {
        PrintError(QStringLiteral("write needs at least one value: --ip, --mask, --port, --gw, "
                                  "--mac, --byte-order or --speed"));
        return ExitUsage;
    }
    return WriteToHosts(line, *values);
}

int RunImport(const CommandLine& line) {
    const QString name = line.arguments.at(0);
    QString error;
    const std::optional<QByteArray> bytes = ReadInput(name, error);
    if (!bytes) {
        PrintError(error);
        return ExitUsage;
    }
    const std::optional<QList<ConfigValue>> fromFile = ValuesFromJson(*bytes, error);
    if (!fromFile) {
        PrintError(name + QStringLiteral(": ") + error);
        return ExitUsage;
    }
    const std::optional<QList<ConfigValue>> overrides = ValuesFromOptions(line, error);
    if (!overrides) {
        PrintError(error);
        return ExitUsage;
    }
    return WriteToHosts(line, MergeValues(*fromFile, *overrides));
}

int RunExport(const CommandLine& line) {
    CommandLine plain = line;
    plain.json = false; // the export document is the output
    // Written whole or not at all: an old backup is never left half replaced.
    // Opened first: a file that cannot be written is no reason to ask the
    // device anything.
    const bool toFile = line.Has(QStringLiteral("output"));
    QSaveFile file(line.Value(QStringLiteral("output")));
    if (toFile && !file.open(QIODevice::WriteOnly)) {
        PrintError(QStringLiteral("cannot write %1: %2")
                       .arg(line.Value(QStringLiteral("output")), file.errorString()));
        return ExitUsage;
    }
    QJsonObject document;
    const int code = RunOnTargets(plain, [&](HostReport& report) {
        DeviceSession session(line, report);
        if (!session.Connect() || !session.ReadConfiguration())
            return;
        document = ExportDocument(session.device.model, report.target.Text());
    });
    if (code != ExitDone)
        return code;
    const QByteArray bytes = QJsonDocument(document).toJson(QJsonDocument::Indented);
    if (!toFile) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
        return ExitDone;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        PrintError(QStringLiteral("cannot write %1: %2")
                       .arg(line.Value(QStringLiteral("output")), file.errorString()));
        return ExitUsage;
    }
    return ExitDone;
}
