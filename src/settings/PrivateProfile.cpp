#include "PrivateProfile.h"

#include "ProfileDocument.h"

namespace rk {

QString GetPrivateProfileString(QStringView section, QStringView key, const QString& def,
                                const QString& path) {
    if (section.isEmpty() || key.isEmpty())
        return def;
    ProfileDocument file;
    if (file.load(path) != ProfileDocument::LoadStatus::Loaded)
        return def;
    return file.value(section, key, def);
}

int GetPrivateProfileInt(QStringView section, QStringView key, int def, const QString& path) {
    const QString text = GetPrivateProfileString(section, key, QString(), path);
    return ProfileTextToInt(text, def);
}

bool GetPrivateProfileBool(QStringView section, QStringView key, bool def, const QString& path) {
    return GetPrivateProfileInt(section, key, def ? 1 : 0, path) != 0;
}

bool WritePrivateProfileString(QStringView section, QStringView key, QStringView value,
                               const QString& path) {
    using Doc = ProfileDocument;
    Doc file;
    const Doc::LoadStatus loaded = file.load(path);
    // Replacing a file we could not read would lose what it holds.
    if (loaded != Doc::LoadStatus::Loaded && loaded != Doc::LoadStatus::Missing)
        return false;
    Doc::SetStatus set = file.setValue(section, key, value);
    if (set == Doc::SetStatus::NotInCodePage || set == Doc::SetStatus::LosesCodePage) {
        // Losing the new text, or misreading the old, would be worse than the move.
        file.convertToUtf8();
        set = file.setValue(section, key, value);
    }
    return set == Doc::SetStatus::Set && file.save() == Doc::SaveStatus::Saved;
}

bool WritePrivateProfileInt(QStringView section, QStringView key, int value, const QString& path) {
    return WritePrivateProfileString(section, key, QString::number(value), path);
}

bool WritePrivateProfileBool(QStringView section, QStringView key, bool value,
                             const QString& path) {
    return WritePrivateProfileString(section, key,
                                     value ? QStringLiteral("1") : QStringLiteral("0"), path);
}

} // namespace rk
