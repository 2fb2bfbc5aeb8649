#pragma once

#include <QString>

// Everything the settings file remembers between runs, with the defaults a
// missing file, section or key gives.
struct AppSettings {
    // [IPParams]
    QString Port = QStringLiteral("1024");
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

// Reads the nineteen keys one by one; never fails (missing or unusable values
// give their defaults). `exeFolder` is the default of InitialDir.
AppSettings LoadSettings(const QString& path, const QString& exeFolder);

// Writes the nineteen keys one by one in their fixed order. On the first key
// that cannot be written it stops and returns false with `error` set to
// "Unable to write to <full path>"; the keys after it are not written.
bool SaveSettings(const QString& path, const AppSettings& settings, QString* error);
