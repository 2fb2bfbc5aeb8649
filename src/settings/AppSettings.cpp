#include "AppSettings.h"

#include "PrivateProfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <type_traits>
#include <variant>

namespace {

// One row per key, in the order the keys are read and written. The defaults are
// the initial values of AppSettings, so they are not repeated here; the member's
// type is the key's type.
struct SettingsKey {
    const char* section;
    const char* key;
    std::variant<QString AppSettings::*, int AppSettings::*, bool AppSettings::*> member;
};

const SettingsKey kSettingsKeys[] = {
    {"IPParams", "Port", &AppSettings::Port},
    {"IPParams", "Addr", &AppSettings::Addr},
    {"IPParams", "NetMask", &AppSettings::NetMask},
    {"IPParams", "GW", &AppSettings::GW},
    {"IPParams", "MAC", &AppSettings::MAC},
    {"ModBusParams", "PackFloat", &AppSettings::PackFloat},
    {"ModBusParams", "SpeedDup", &AppSettings::SpeedDup},
    {"Common", "CheckAddr", &AppSettings::CheckAddr},
    {"Common", "CheckMask", &AppSettings::CheckMask},
    {"Common", "CheckPort", &AppSettings::CheckPort},
    {"Common", "CheckGW", &AppSettings::CheckGW},
    {"Common", "CheckMac", &AppSettings::CheckMac},
    {"Common", "CheckPackFloat", &AppSettings::CheckPackFloat},
    {"Common", "CheckSpeedDup", &AppSettings::CheckSpeedDup},
    {"Common", "CheckRestart", &AppSettings::CheckRestart},
    {"Programming", "InitialDir", &AppSettings::InitialDir},
    {"Programming", "FileName", &AppSettings::FileName},
    {"Testing", "EditNum", &AppSettings::EditNum},
    {"Testing", "EditModBus", &AppSettings::EditModBus},
};

} // namespace

QString ExecutableFolder() {
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() || dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString DefaultSettingsPath() {
    return ExecutableFolder() + QStringLiteral("RK5720LAN_Config.ini");
}

AppSettings LoadSettings(const QString& path, const QString& exeFolder) {
    AppSettings settings;
    settings.InitialDir = exeFolder;
    for (const SettingsKey& row : kSettingsKeys) {
        const QString section = QLatin1String(row.section);
        const QString key = QLatin1String(row.key);
        std::visit(
            [&](auto member) {
                auto& field = settings.*member;
                using Field = std::decay_t<decltype(field)>;
                if constexpr (std::is_same_v<Field, QString>)
                    field = GetPrivateProfileString(section, key, field, path);
                else if constexpr (std::is_same_v<Field, int>)
                    field = GetPrivateProfileInt(section, key, field, path);
                else
                    field = GetPrivateProfileBool(section, key, field, path);
            },
            row.member);
    }
    return settings;
}

bool SaveSettings(const QString& path, const AppSettings& settings, QString* error) {
    for (const SettingsKey& row : kSettingsKeys) {
        const QString section = QLatin1String(row.section);
        const QString key = QLatin1String(row.key);
        const bool written = std::visit(
            [&](auto member) {
                const auto& field = settings.*member;
                using Field = std::decay_t<decltype(field)>;
                if constexpr (std::is_same_v<Field, QString>)
                    return WritePrivateProfileString(section, key, field, path);
                else if constexpr (std::is_same_v<Field, int>)
                    return WritePrivateProfileInt(section, key, field, path);
                else
                    return WritePrivateProfileBool(section, key, field, path);
            },
            row.member);
        if (!written) {
            if (error)
                *error = QStringLiteral("Unable to write to %1")
                             .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
            return false;
        }
    }
    return true;
}
