#include "SettingsLocation.h"

#include "FolderWritable.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString JoinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace

SettingsProbes FileSystemProbes() {
    return {
        [](const QString& path) { return QFileInfo::exists(path); },
        [](const QString& folder) { return FolderWritable(folder); },
    };
}

SettingsLocation ResolveSettingsLocation(const QString& exeFolder,
                                         const QProcessEnvironment& environment,
                                         const QString& overridePath, const SettingsProbes& probes,
                                         const SettingsRules& rules) {
    using Kind = SettingsLocation::Kind;
    if (!overridePath.isEmpty())
        return {Kind::Override, overridePath};
    const QString beside = JoinPath(exeFolder, QLatin1String(kSettingsFileName));
    if (probes.exists(beside))
        return {Kind::Portable, beside};
    const bool installed =
        probes.exists(QDir::cleanPath(JoinPath(exeFolder, rules.installedMarker)));
    if (!installed && probes.writableFolder(exeFolder))
        return {Kind::Portable, beside};
    return {Kind::User, JoinPath(rules.userFolder(environment), QLatin1String(kSettingsFileName))};
}

QString DescribeSettingsLocation(const SettingsLocation& location) {
    const QString path = QDir::toNativeSeparators(location.path);
    switch (location.kind) {
    case SettingsLocation::Kind::Override:
        return QStringLiteral("%1, given by --settings").arg(path);
    case SettingsLocation::Kind::Portable:
        return QStringLiteral("%1, beside the program").arg(path);
    case SettingsLocation::Kind::User:
        break;
    }
    return QStringLiteral("%1, in the user's configuration folder").arg(path);
}

bool EnsureSettingsFolder(const QString& settingsPath) {
    const QString folder = QFileInfo(settingsPath).absolutePath();
    return QDir().mkpath(folder);
}
