#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <functional>

// Where each system keeps an installed program's settings. Both rule sets are
// plain data, so either one can be checked on any system.
struct SettingsRules {
    // A file whose presence, relative to the program's folder, marks a copy
    // that an installer put there rather than one unpacked by hand.
    QString installedMarker;
    // The user's own folder for the settings file, from the environment.
    std::function<QString(const QProcessEnvironment&)> userFolder;
};

// $XDG_CONFIG_HOME when absolute, else $HOME/.config, then "rk5720-config";
// installed when the desktop entry sits at ../share/applications.
SettingsRules UnixSettingsRules();

// %APPDATA% (the roaming application-data folder) when absolute, else
// %USERPROFILE%\AppData\Roaming, then "rk5720-config"; installed when the
// installer's uninstaller sits beside the program. Paths use '/'.
SettingsRules WindowsSettingsRules();

// The rules of the system this program was built for.
SettingsRules SystemSettingsRules();
