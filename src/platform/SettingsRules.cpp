#include "SettingsRules.h"

#include <QDir>
#include <QRegularExpression>

namespace {

const QString kFolderName = QStringLiteral("rk5720-config");

QString Join(const QString& folder, const QString& name) {
    return QDir::cleanPath(folder + QLatin1Char('/') + name);
}

// "C:\Users\x" or "\\server\share", whichever system the check runs on.
QString WindowsAbsolute(QString path) {
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QRegularExpression absolute(QStringLiteral("^([A-Za-z]:/|//[^/])"));
    return absolute.match(path).hasMatch() ? path : QString();
}

} // namespace

SettingsRules UnixSettingsRules() {
    return {QStringLiteral("../share/applications/rk5720-config.desktop"),
            [](const QProcessEnvironment& environment) {
                // The base-directory rules ignore a relative or empty XDG_CONFIG_HOME.
                const QString xdg = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
                if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
                    return Join(xdg, kFolderName);
                QString home = environment.value(QStringLiteral("HOME"));
                if (home.isEmpty() || !QDir::isAbsolutePath(home))
                    home = QDir::homePath();
                return Join(Join(home, QStringLiteral(".config")), kFolderName);
            }};
}

SettingsRules WindowsSettingsRules() {
    return {QStringLiteral("uninstall.exe"), [](const QProcessEnvironment& environment) {
                const QString appData =
                    WindowsAbsolute(environment.value(QStringLiteral("APPDATA")));
                if (!appData.isEmpty())
                    return Join(appData, kFolderName);
                QString profile = WindowsAbsolute(environment.value(QStringLiteral("USERPROFILE")));
                if (profile.isEmpty())
                    profile = QDir::homePath();
                return Join(Join(profile, QStringLiteral("AppData/Roaming")), kFolderName);
            }};
}
