#pragma once

#include "SettingsRules.h"

#include <QProcessEnvironment>
#include <QString>

#include <functional>

// Where the settings file lives. A portable copy keeps it beside the
// executable; an installed one, whose folder is not its own to write, keeps it
// in the user's configuration folder.

inline constexpr char kSettingsFileName[] = "RK5720LAN_Config.ini";

struct SettingsProbes {
    // True when a file or folder exists at the path.
    std::function<bool(const QString&)> exists;
    // True when files can be created in the folder.
    std::function<bool(const QString&)> writableFolder;
};

// The probes of the real file system.
SettingsProbes FileSystemProbes();

struct SettingsLocation {
    enum class Kind { Override, Portable, User };
    Kind kind = Kind::Portable;
    QString path;
};

// `exeFolder` is the executable's folder (with or without a trailing "/");
// `overridePath` is the --settings value, empty when not given.
// - --settings wins;
// - a settings file beside the executable is used where it is;
// - an installed copy (the rules' marker beside the executable) or a folder
//   that cannot be written sends the file to the rules' user folder;
// - otherwise the file goes beside the executable.
SettingsLocation ResolveSettingsLocation(const QString& exeFolder,
                                         const QProcessEnvironment& environment,
                                         const QString& overridePath, const SettingsProbes& probes,
                                         const SettingsRules& rules = SystemSettingsRules());

// How --help names the choice.
QString DescribeSettingsLocation(const SettingsLocation& location);

// Creates the settings file's folder when it is missing, as a first save needs.
// False when it cannot be created; the save that follows then reports the failure.
bool EnsureSettingsFolder(const QString& settingsPath);
