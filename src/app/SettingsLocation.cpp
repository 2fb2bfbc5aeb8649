#include "SettingsLocation.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString JoinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// What `cmake --install` and the package put beside bin/.
bool IsInstalledLayout(const QString& exeFolder, const SettingsProbes& probes) {
    const QString entry = QDir::cleanPath(
        JoinPath(exeFolder, QStringLiteral("../share/applications/rk5720-config.desktop")));
    return probes.exists(entry);
}

QString UserConfigFolder(const QProcessEnvironment& environment) {
    // The base-directory rules ignore a relative or empty XDG_CONFIG_HOME.
    const QString xdg = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    QString home = environment.value(QStringLiteral("HOME"));
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        home = QDir::homePath();
    return QDir::cleanPath(JoinPath(home, QStringLiteral(".config")));
}

} // namespace

SettingsProbes FileSystemProbes() {
    return {
        [](const QString& path) { return QFileInfo::exists(path); },
        [](const QString& folder) {
            const QFileInfo info(folder);
            return info.isDir() && info.isWritable();
        },
    };
}

SettingsLocation ResolveSettingsLocation(const QString& exeFolder,
                                         const QProcessEnvironment& environment,
                                         const QString& overridePath,
                                         const SettingsProbes& probes) {
    using Kind = SettingsLocation::Kind;
    if (!overridePath.isEmpty())
        return {Kind::Override, overridePath};
    const QString beside = JoinPath(exeFolder, QLatin1String(kSettingsFileName));
    if (probes.exists(beside))
        return {Kind::Portable, beside};
    if (!IsInstalledLayout(exeFolder, probes) && probes.writableFolder(exeFolder))
        return {Kind::Portable, beside};
    const QString folder = JoinPath(UserConfigFolder(environment), QStringLiteral("rk5720-config"));
    return {Kind::User, JoinPath(folder, QLatin1String(kSettingsFileName))};
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
