#include "AppSettings.h"

#include "ProfileDocument.h"
#include "ProfileFileIo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <type_traits>
#include <variant>

namespace {

using rk::ProfileDocument;

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

QString displayPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString refusal(ProfileDocument::LoadStatus status) {
    switch (status) {
    case ProfileDocument::LoadStatus::NotRegular:
        return QStringLiteral("it is not a regular file");
    case ProfileDocument::LoadStatus::TooLarge:
        return QStringLiteral("it is larger than %1 MB").arg(rk::kProfileFileMax / (1024 * 1024));
    case ProfileDocument::LoadStatus::Undecodable:
        return QStringLiteral("it is not valid UTF-16");
    case ProfileDocument::LoadStatus::Loaded:
    case ProfileDocument::LoadStatus::Missing:
    case ProfileDocument::LoadStatus::Unreadable:
        break;
    }
    return QStringLiteral("it cannot be read");
}

} // namespace

QString ExecutableFolder() {
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() || dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString DefaultSettingsPath() {
    return ExecutableFolder() + QStringLiteral("RK5720LAN_Config.ini");
}

AppSettings LoadSettings(const QString& path, const QString& exeFolder, QString* warning) {
    AppSettings settings;
    settings.InitialDir = exeFolder;
    if (warning)
        warning->clear();
    ProfileDocument file;
    const ProfileDocument::LoadStatus loaded = file.load(path);
    if (loaded != ProfileDocument::LoadStatus::Loaded) {
        if (warning && loaded != ProfileDocument::LoadStatus::Missing)
            *warning =
                QStringLiteral("Unable to read %1: %2; the settings start from their defaults")
                    .arg(displayPath(path), refusal(loaded));
        return settings;
    }
    for (const SettingsKey& row : kSettingsKeys) {
        const QString section = QLatin1String(row.section);
        const QString key = QLatin1String(row.key);
        std::visit(
            [&](auto member) {
                auto& field = settings.*member;
                using Field = std::decay_t<decltype(field)>;
                if constexpr (std::is_same_v<Field, QString>)
                    field = file.value(section, key, field);
                else if constexpr (std::is_same_v<Field, int>)
                    field = file.intValue(section, key, field);
                else
                    field = file.boolValue(section, key, field);
            },
            row.member);
    }
    return settings;
}

bool SaveSettings(const QString& path, const AppSettings& settings, QString* error) {
    using Doc = ProfileDocument;
    Doc file;
    const Doc::LoadStatus loaded = file.load(path);
    const QString failed = QStringLiteral("Unable to write to %1").arg(displayPath(path));
    if (loaded != Doc::LoadStatus::Loaded && loaded != Doc::LoadStatus::Missing) {
        if (error)
            *error = failed + QStringLiteral(": ") + refusal(loaded);
        return false;
    }
    QStringList notInCodePage;
    QStringList losesCodePage;
    for (const SettingsKey& row : kSettingsKeys) {
        const QString section = QLatin1String(row.section);
        const QString key = QLatin1String(row.key);
        const QString text = std::visit(
            [&](auto member) {
                const auto& field = settings.*member;
                using Field = std::decay_t<decltype(field)>;
                if constexpr (std::is_same_v<Field, QString>)
                    return field;
                else if constexpr (std::is_same_v<Field, int>)
                    return QString::number(field);
                else
                    return field ? QStringLiteral("1") : QStringLiteral("0");
            },
            row.member);
        switch (file.setValue(section, key, text)) {
        case Doc::SetStatus::Set:
        case Doc::SetStatus::BadName: // the table's names are all storable
            break;
        case Doc::SetStatus::NotInCodePage:
            notInCodePage << key;
            break;
        case Doc::SetStatus::LosesCodePage:
            losesCodePage << key;
            break;
        }
    }
    const Doc::SaveStatus saved = file.save();
    if (saved != Doc::SaveStatus::Saved) {
        if (error)
            *error = saved == Doc::SaveStatus::ReadOnly
                         ? failed + QStringLiteral(": the file is read-only")
                         : failed;
        return false;
    }
    QStringList kept;
    if (!notInCodePage.isEmpty())
        kept << QStringLiteral("%1 not saved, as the file's code page (Windows-1251) cannot "
                               "hold the new text")
                    .arg(notInCodePage.join(QStringLiteral(", ")));
    if (!losesCodePage.isEmpty())
        kept << QStringLiteral("%1 not saved, as without the old text the file's other "
                               "Windows-1251 text would read as different characters")
                    .arg(losesCodePage.join(QStringLiteral(", ")));
    if (kept.isEmpty())
        return true;
    if (error)
        *error = failed + QStringLiteral(": ") + kept.join(QStringLiteral("; "));
    return false;
}
