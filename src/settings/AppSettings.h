#pragma once

#include "Defaults.h"

#include <QString>

// Everything the settings file remembers between runs, with the defaults a
// missing file, section or key gives.
struct AppSettings {
    // [IPParams]
    QString Port = QString::number(kDefaultDevicePort);
    QString Addr = QStringLiteral("192.168.100.222");
    QString NetMask = QStringLiteral("255.255.255.0");
    QString GW = QStringLiteral("192.168.100.5");
    QString MAC = QStringLiteral("------");
    // [ModBusParams]; kept even when out of the drop-downs' range
    int PackFloat = 0;
    int SpeedDup = 0;
    // [Common]
    bool CheckAddr = true;
    bool CheckMask = true;
    bool CheckPort = true;
    bool CheckGW = false;
    bool CheckMac = false;
    bool CheckPackFloat = false;
    bool CheckSpeedDup = false;
    bool CheckRestart = true;
    // [Programming]; InitialDir defaults to the executable's folder
    QString InitialDir;
    QString FileName;
    // [Testing]
    QString EditNum = QStringLiteral("BA001");
    QString EditModBus = QStringLiteral("02 03 00 00 00 06 01 04 00 00 00 20");
};

// The executable's folder, ending in the path separator.
QString ExecutableFolder();
// ExecutableFolder() + "RK5720LAN_Config.ini".
QString DefaultSettingsPath();

// Reads the file once and takes the nineteen keys from it; missing or unusable
// values give their defaults. `exeFolder` is the default of InitialDir. A file
// that is there but cannot be used (unreadable, larger than 16 MB, not a regular
// file, broken UTF-16) gives all defaults and a message in `warning`, which is
// left empty otherwise.
AppSettings LoadSettings(const QString& path, const QString& exeFolder, QString* warning = nullptr);

// Sets the nineteen keys in their fixed order and writes the file once. When
// the file cannot be written it is left as it was, and `error` gets "Unable to
// write to <full path>", followed by the reason when the program itself
// declined. A Windows-1251 file is written in 1251: a value the code page
// cannot hold, or one whose change would leave the file unrecognisable as
// 1251, keeps the file's old value, the others are written, and `error` names
// those keys. Returns true when every key was written.
bool SaveSettings(const QString& path, const AppSettings& settings, QString* error);
