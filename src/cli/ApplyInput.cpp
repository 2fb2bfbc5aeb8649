#include "ApplyInput.h"

#include "ConfigDocument.h"
#include "ConfigWrite.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Exports, each to its own source.
std::optional<QList<HostValues>> BySource(const QList<SourcedValues>& exports, const QString& where,
                                          QString& error) {
    QList<HostValues> hosts;
    for (const SourcedValues& each : exports) {
        if (each.source.isEmpty()) {
            error =
                QStringLiteral("%1 does not say its host (\"source\"); give the host").arg(where);
            return std::nullopt;
        }
        QString problem;
        const std::optional<Target> target = ParseTarget(each.source, problem);
        if (!target) {
            error = QStringLiteral("%1: \"source\": %2").arg(where, problem);
            return std::nullopt;
        }
        hosts.append({*target, each.values});
    }
    return hosts;
}

std::optional<QList<HostValues>> FromFolder(const QString& folder, QString& error) {
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    if (files.isEmpty()) {
        error = QStringLiteral("%1 holds no export (*.json)").arg(folder);
        return std::nullopt;
    }
    QList<HostValues> hosts;
    for (const QFileInfo& file : files) {
        const QString path = file.filePath();
        const std::optional<QByteArray> bytes = ReadConfigInput(path, error);
        if (!bytes)
            return std::nullopt;
        QString problem;
        const std::optional<QList<SourcedValues>> exports = ExportsFromJson(*bytes, problem);
        if (!exports) {
            error = path + QStringLiteral(": ") + problem;
            return std::nullopt;
        }
        const std::optional<QList<HostValues>> some = BySource(*exports, path, error);
        if (!some)
            return std::nullopt;
        hosts += *some;
    }
    return hosts;
}

// One host for a device: no two rows may name it, nor end at one address
// or MAC address.
std::optional<QList<HostValues>> Distinct(std::optional<QList<HostValues>> hosts, QString& error) {
    if (!hosts)
        return std::nullopt;
    QHash<QString, QString> seen;
    for (const HostValues& host : *hosts) {
        const QString key = host.target.Key();
        if (seen.contains(key)) {
            error = QStringLiteral("host %1 is given twice").arg(host.target.Text());
            return std::nullopt;
        }
        seen.insert(key, host.target.Text());
    }
    if (const std::optional<QString> shared = SharedIdentity(*hosts)) {
        error = *shared;
        return std::nullopt;
    }
    return hosts;
}

} // namespace

std::optional<QList<HostValues>> ApplyHosts(const CommandLine& line, QString& error) {
    const QString name = line.arguments.at(0);
    const QString source = name == QLatin1String("-") ? QStringLiteral("standard input") : name;
    const bool folder = name != QLatin1String("-") && QFileInfo(name).isDir();
    const bool table = name.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    if ((folder || table) && !line.targets.isEmpty()) {
        error = QStringLiteral("%1 names the hosts; give no host beside it").arg(name);
        return std::nullopt;
    }
    if (folder)
        return Distinct(FromFolder(name, error), error);
    const std::optional<QByteArray> bytes = ReadConfigInput(name, error);
    if (!bytes)
        return std::nullopt;
    if (table) {
        std::optional<QList<HostValues>> hosts = ReadValuesTable(*bytes, true, error);
        if (!hosts) {
            error = source + QStringLiteral(": ") + error;
            return std::nullopt;
        }
        hosts = Distinct(std::move(hosts), error);
        if (!hosts)
            error = source + QStringLiteral(": ") + error;
        return hosts;
    }
    QString problem;
    const std::optional<QList<SourcedValues>> exports = ExportsFromJson(*bytes, problem);
    if (!exports) {
        error = source + QStringLiteral(": ") + problem;
        return std::nullopt;
    }
    if (line.targets.isEmpty()) {
        if (exports->size() == 1 && exports->front().source.isEmpty()) {
            error = QStringLiteral("apply %1 needs a host").arg(name);
            return std::nullopt;
        }
        return Distinct(BySource(*exports, source, error), error);
    }
    if (exports->size() > 1) {
        error = QStringLiteral("%1 names the hosts; give no host beside it").arg(name);
        return std::nullopt;
    }
    std::optional<QList<HostValues>> hosts =
        SameValuesForEveryHost(line, exports->front().values, error);
    if (!hosts)
        error = source + QStringLiteral(": ") + error;
    return hosts;
}
