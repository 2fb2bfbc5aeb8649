#include "PrivateProfile.h"

#include "NumberReading.h"
#include "ProfileDocument.h"

namespace rk {

int ProfileTextToInt(QStringView text, int def) {
    if (text.size() > 2 && text[0] == QLatin1Char('0') &&
        (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X')))
        return ReadNumber(text, def);
    // ReadNumber also takes blanks and the "$" and "x" forms, which are not decimal here.
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    if (i == text.size())
        return def;
    for (; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return def;
    }
    return ReadNumber(text, def);
}

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
