#include "PrivateProfile.h"

#include "NumberReading.h"
#include "Text.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool isBlank(QChar c) {
    // CR too, so a stray one before CRLF does not end up in a value.
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

QStringView trimBlanks(QStringView s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

struct ProfileLine {
    QByteArray raw; // the bytes as on disk, without the line end
    QByteArray end; // "\n", "\r\n", or empty for a last line without one
    QString text;
};

enum class LineKind { Other, Section, Key };

struct LineMeaning {
    LineKind kind = LineKind::Other;
    QStringView name;
    QStringView value;
};

LineMeaning classify(const QString& text) {
    const QStringView t = trimBlanks(text);
    if (t.isEmpty() || t.front() == QLatin1Char(';'))
        return {};
    if (t.front() == QLatin1Char('[')) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        // Without its "]" the line is neither a header nor a key.
        if (close < 0)
            return {};
        return {LineKind::Section, trimBlanks(t.mid(1, close - 1)), {}};
    }
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq < 0)
        return {};
    const QStringView name = trimBlanks(t.left(eq));
    if (name.isEmpty())
        return {};
    return {LineKind::Key, name, trimBlanks(t.mid(eq + 1))};
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct ProfileFile {
    QByteArray bom;
    QList<ProfileLine> lines;
    bool cp1251 = false;

    QString decode(const QByteArray& raw) const {
        return cp1251 ? FromCp1251(raw) : QString::fromUtf8(raw);
    }

    // New lines follow the file's own line ends.
    QByteArray lineEnd() const {
        for (const ProfileLine& line : lines) {
            if (!line.end.isEmpty())
                return line.end;
        }
#ifdef Q_OS_WIN
        return QByteArrayLiteral("\r\n");
#else
        return QByteArrayLiteral("\n");
#endif
    }

    QByteArray bytes() const {
        QByteArray out = bom;
        for (const ProfileLine& line : lines)
            out += line.raw + line.end;
        return out;
    }
};

enum class LoadResult { Loaded, Missing, Unreadable };

bool isValidUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder(bytes);
    return !decoder.hasError();
}

LoadResult loadProfile(const QString& path, ProfileFile* file) {
    QFile in(path);
    if (!in.exists())
        return LoadResult::Missing;
    if (!in.open(QIODevice::ReadOnly))
        return LoadResult::Unreadable;
    QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return LoadResult::Unreadable;

    if (data.startsWith(kUtf8Bom)) {
        file->bom = kUtf8Bom;
        data.remove(0, kUtf8Bom.size());
    }
    file->cp1251 = !isValidUtf8(data);

    qsizetype pos = 0;
    while (pos < data.size()) {
        ProfileLine line;
        const qsizetype nl = data.indexOf('\n', pos);
        if (nl < 0) {
            line.raw = data.mid(pos);
            pos = data.size();
        } else {
            line.raw = data.mid(pos, nl - pos);
            line.end = QByteArrayLiteral("\n");
            if (line.raw.endsWith('\r')) {
                line.raw.chop(1);
                line.end.prepend('\r');
            }
            pos = nl + 1;
        }
        line.text = file->decode(line.raw);
        file->lines.append(line);
    }
    return LoadResult::Loaded;
}

// Where a section and a key of it sit; -1 for what is not there.
struct Location {
    qsizetype header = -1;
    qsizetype key = -1;
    qsizetype lastKey = -1;
};

Location locate(const ProfileFile& file, QStringView section, QStringView key) {
    Location loc;
    for (qsizetype i = 0; i < file.lines.size(); ++i) {
        const LineMeaning m = classify(file.lines[i].text);
        if (m.kind == LineKind::Section) {
            if (loc.header >= 0)
                break;
            if (sameName(m.name, section))
                loc.header = i;
        } else if (m.kind == LineKind::Key && loc.header >= 0) {
            loc.lastKey = i;
            if (loc.key < 0 && sameName(m.name, key))
                loc.key = i;
        }
    }
    return loc;
}

QStringView unquote(QStringView v) {
    if (v.size() >= 2 && v.front() == v.back() &&
        (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')))
        return v.mid(1, v.size() - 2);
    return v;
}

bool hasLineBreak(QStringView s) {
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// Names that would read back as something else are refused rather than written.
bool storableSection(QStringView name) {
    return !name.isEmpty() && trimBlanks(name).size() == name.size() &&
           !name.contains(QLatin1Char(']')) && !hasLineBreak(name);
}

bool storableKey(QStringView name) {
    return !name.isEmpty() && trimBlanks(name).size() == name.size() &&
           name.front() != QLatin1Char(';') && name.front() != QLatin1Char('[') &&
           !name.contains(QLatin1Char('=')) && !hasLineBreak(name);
}

bool representableInCp1251(const QString& text) {
    return FromCp1251(ToCp1251(text)) == text;
}

ProfileLine makeLine(const ProfileFile& file, const QString& text, const QByteArray& end) {
    return {file.cp1251 ? ToCp1251(text) : text.toUtf8(), end, text};
}

bool replaceFile(const QString& path, const QByteArray& bytes) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace

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
    ProfileFile file;
    if (loadProfile(path, &file) != LoadResult::Loaded)
        return def;
    const Location loc = locate(file, trimBlanks(section), trimBlanks(key));
    if (loc.key < 0)
        return def;
    QStringView value = unquote(classify(file.lines[loc.key].text).value);
    if (value.size() > kProfileValueMax) {
        value = value.left(kProfileValueMax);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value.toString();
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
    if (!storableSection(section) || !storableKey(key))
        return false;
    ProfileFile file;
    const LoadResult loaded = loadProfile(path, &file);
    // Replacing a file we could not read, or one marked read-only, would lose what it holds.
    if (loaded == LoadResult::Unreadable)
        return false;
    if (loaded == LoadResult::Loaded && !QFileInfo(path).isWritable())
        return false;

    QString flat = value.toString();
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));

    const Location loc = locate(file, section, key);
    const QString keyName =
        loc.key >= 0 ? classify(file.lines[loc.key].text).name.toString() : key.toString();
    const QString text = keyName + QLatin1Char('=') + flat;
    const QString header = QLatin1Char('[') + section.toString() + QLatin1Char(']');

    // A 1251 file keeps its bytes while the new text fits the code page; otherwise
    // the whole file moves to UTF-8, as losing the new text would be worse.
    if (file.cp1251 && !(representableInCp1251(text) && representableInCp1251(header))) {
        file.cp1251 = false;
        for (ProfileLine& line : file.lines)
            line.raw = line.text.toUtf8();
    }

    const QByteArray end = file.lineEnd();
    if (loc.key >= 0) {
        ProfileLine& line = file.lines[loc.key];
        line = makeLine(file, text, line.end);
    } else {
        const qsizetype at =
            loc.header < 0 ? file.lines.size() : (loc.lastKey >= 0 ? loc.lastKey : loc.header) + 1;
        if (at > 0 && file.lines[at - 1].end.isEmpty())
            file.lines[at - 1].end = end;
        QList<ProfileLine> added;
        if (loc.header < 0)
            added.append(makeLine(file, header, end));
        added.append(makeLine(file, text, end));
        file.lines.insert(at, added.size(), ProfileLine());
        for (qsizetype i = 0; i < added.size(); ++i)
            file.lines[at + i] = added[i];
    }
    return replaceFile(path, file.bytes());
}

bool WritePrivateProfileInt(QStringView section, QStringView key, int value, const QString& path) {
    return WritePrivateProfileString(section, key, QString::number(value), path);
}

bool WritePrivateProfileBool(QStringView section, QStringView key, bool value,
                             const QString& path) {
    return WritePrivateProfileString(section, key,
                                     value ? QStringLiteral("1") : QStringLiteral("0"), path);
}
