// read, write, export and import: the configuration procedures of the core,
// judged strictly.
#include "Commands.h"

#include "ConfigDocument.h"
#include "ConfigWrite.h"
#include "DeviceSession.h"
#include "FleetRun.h"
#include "TerminalOutput.h"
#include "ValueOptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>

namespace {

int WriteToHosts(const CommandLine& line, const QList<HostValues>& hosts) {
    const bool restart = line.Has(QStringLiteral("restart"));
    return RunOnHostValues(line, hosts, [&](HostReport& report, const QList<ConfigValue>& values) {
        DeviceSession session(line, report);
        if (session.Connect())
            WriteValues(session, values, restart);
    });
}

int WriteSameToHosts(const CommandLine& line, const QList<ConfigValue>& values) {
    QString error;
    const std::optional<QList<HostValues>> hosts = SameValuesForEveryHost(line, values, error);
    if (!hosts) {
        PrintError(error);
        return ExitUsage;
    }
    return WriteToHosts(line, *hosts);
}

// write --values FILE.csv: each host its own row, every row checked first.
int WriteTable(const CommandLine& line) {
    const QString name = line.Value(QStringLiteral("values"));
    QString error;
    std::optional<QList<ConfigValue>> options = ValuesFromOptions(line, error);
    if (!options) {
        PrintError(error);
        return ExitUsage;
    }
    if (!options->isEmpty() || !line.targets.isEmpty()) {
        PrintError(QStringLiteral("--values %1 names the hosts and their values; give no host or "
                                  "value option beside it")
                       .arg(name));
        return ExitUsage;
    }
    const std::optional<QByteArray> bytes = ReadConfigInput(name, error);
    if (!bytes) {
        PrintError(error);
        return ExitUsage;
    }
    const std::optional<QList<HostValues>> hosts = ReadValuesTable(*bytes, false, error);
    if (!hosts) {
        PrintError(name + QStringLiteral(": ") + error);
        return ExitUsage;
    }
    if (const std::optional<QString> shared = SharedIdentity(*hosts)) {
        PrintError(name + QStringLiteral(": ") + *shared);
        return ExitUsage;
    }
    return WriteToHosts(line, *hosts);
}

// An export's file name for one host: HOST_PORT.json, nothing a file system
// could take for a folder.
QString ExportFileName(const Target& target) {
    QString host = target.host;
    host.replace(QLatin1Char('/'), QLatin1Char('_'));
    return host + QLatin1Char('_') + QString::number(target.port) + QStringLiteral(".json");
}

QByteArray DocumentBytes(const QJsonObject& document) {
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

} // namespace

int RunRead(const CommandLine& line) {
    return RunOnTargets(line, [&](HostReport& report) {
        DeviceSession session(line, report);
        if (!session.Connect())
            return;
        if (const std::optional<DeviceValues> values = session.ReadConfiguration())
            ReportConfig(report, *values);
    });
}

int RunWrite(const CommandLine& line) {
    if (line.Has(QStringLiteral("values")))
        return WriteTable(line);
    if (line.targets.isEmpty()) {
        PrintError(QStringLiteral("write needs a host, or --values FILE.csv"));
        return ExitUsage;
    }
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
    return WriteSameToHosts(line, *values);
}

int RunImport(const CommandLine& line) {
    const QString name = line.arguments.at(0);
    QString error;
    const std::optional<QByteArray> bytes = ReadConfigInput(name, error);
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
    return WriteSameToHosts(line, MergeValues(*fromFile, *overrides));
}

int RunExport(const CommandLine& line) {
    CommandLine plain = line;
    plain.json = false; // the export documents are the output
    const bool toFile = line.Has(QStringLiteral("output"));
    const QString output = line.Value(QStringLiteral("output"));
    const bool several = line.targets.size() > 1;
    const bool toFolder = toFile && QFileInfo(output).isDir();
    // Checked first: a place that cannot be written is no reason to ask the
    // devices anything.
    if (toFile && several && !toFolder) {
        PrintError(QStringLiteral("-o %1 must be an existing folder: several hosts are exported "
                                  "as one file each")
                       .arg(output));
        return ExitUsage;
    }
    // A link planted where the file goes would have the export replace
    // whatever it points to.
    if (toFile && !toFolder && QFileInfo(output).isSymLink()) {
        PrintError(QStringLiteral("-o %1 is a symbolic link; not written through it").arg(output));
        return ExitUsage;
    }
    QSaveFile single(output);
    if (toFile && !toFolder && !single.open(QIODevice::WriteOnly)) {
        PrintError(QStringLiteral("cannot write %1: %2").arg(output, single.errorString()));
        return ExitUsage;
    }
    if (toFolder && !QFileInfo(output).isWritable()) {
        PrintError(QStringLiteral("cannot write into %1").arg(output));
        return ExitUsage;
    }

    // In the order of the hosts given, whatever order they end in.
    QList<QJsonObject> documents(line.targets.size());
    int code = RunOnTargets(plain, [&](HostReport& report) {
        DeviceSession session(line, report);
        if (!session.Connect())
            return;
        const std::optional<DeviceValues> values = session.ReadConfiguration();
        if (!values)
            return;
        const QJsonObject document = ExportDocument(*values, report.target.Text());
        if (toFolder) {
            const QString path = QDir(output).filePath(ExportFileName(report.target));
            QString error;
            if (QFileInfo(path).isSymLink())
                report.Fail(
                    ExitUsage,
                    QStringLiteral("%1 is a symbolic link; not written through it").arg(path));
            else if (!SaveDocument(path, document, error))
                report.Fail(ExitRefused, QStringLiteral("cannot write %1: %2").arg(path, error));
            else
                report.Say(QStringLiteral("exported to ") + path);
            return;
        }
        const qsizetype at = line.targets.indexOf(report.target);
        if (at >= 0)
            documents[at] = document;
    });
    if (toFolder)
        return code;

    QByteArray bytes;
    if (!several) {
        if (code != ExitDone)
            return code;
        bytes = DocumentBytes(documents.front());
    } else {
        // One document for a script to keep: the exports that succeeded, in
        // the order given; the exit code says whether any host failed.
        QJsonArray exports;
        for (const QJsonObject& document : std::as_const(documents))
            if (!document.isEmpty())
                exports.append(document);
        bytes = DocumentBytes(QJsonObject{{QStringLiteral("exports"), exports}});
    }
    if (!toFile) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
        return code;
    }
    if (single.write(bytes) != bytes.size() || !single.commit()) {
        PrintError(QStringLiteral("cannot write %1: %2").arg(output, single.errorString()));
        return std::max(code, int(ExitRefused));
    }
    return code;
}
