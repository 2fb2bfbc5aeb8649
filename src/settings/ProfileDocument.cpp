#include "ProfileDocument.h"

#include "LineEnd.h"
#include "ProfileFileIo.h"
#include "ProfileText.h"
#include "Text.h"

#include <algorithm>
#include <limits>

namespace rk {

static_assert(kProfileFileMax < std::numeric_limits<qint32>::max(), "line offsets are 32-bit");

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16LeBom("\xFF\xFE");
const QByteArray kUtf16BeBom("\xFE\xFF");

using Encoding = ProfileDocument::Encoding;
using LineKind = ProfileDocument::LineKind;

bool isBlank(char16_t c) {
    // CR too, so a stray one before CRLF does not end up in a value.
    return c == u' ' || c == u'\t' || c == u'\r';
}

QStringView trimBlanks(QStringView s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin].unicode()))
        ++begin;
    while (end > begin && isBlank(s[end - 1].unicode()))
        --end;
    return s.mid(begin, end - begin);
}

struct Span {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype size() const { return end - begin; }
};

struct Meaning {
    LineKind kind = LineKind::Other;
    Span name;
    Span value;
};

// How a line reads, from its `size` code units, `at(i)` being the i-th. What
// decides it (blanks, ";", "[", "]", "=") is all ASCII, so an 8-bit line can be
// read from its bytes whatever its code page.
template <typename At> Meaning classify(const At& at, qsizetype size) {
    const auto trim = [&](Span s) {
        while (s.begin < s.end && isBlank(at(s.begin)))
            ++s.begin;
        while (s.end > s.begin && isBlank(at(s.end - 1)))
            --s.end;
        return s;
    };
    const Span t = trim({0, size});
    if (t.size() == 0 || at(t.begin) == u';')
        return {};
    if (at(t.begin) == u'[') {
        for (qsizetype i = t.begin + 1; i < t.end; ++i) {
            if (at(i) == u']')
                return {LineKind::Section, trim({t.begin + 1, i}), {}};
        }
        // Without its "]" the line is neither a header nor a key.
        return {};
    }
    for (qsizetype i = t.begin; i < t.end; ++i) {
        if (at(i) == u'=') {
            const Span name = trim({t.begin, i});
            if (name.size() == 0)
                return {};
            return {LineKind::Key, name, trim({i + 1, t.end})};
        }
    }
    return {};
}

Meaning classifyText(QStringView text) {
    return classify([text](qsizetype i) { return char16_t(text[i].unicode()); }, text.size());
}

bool isWide(Encoding encoding) {
    return encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
}

char16_t wideUnit(const char* p, bool littleEndian) {
    const auto a = char16_t(static_cast<unsigned char>(p[0]));
    const auto b = char16_t(static_cast<unsigned char>(p[1]));
    return littleEndian ? char16_t(a | b << 8) : char16_t(a << 8 | b);
}

// A line's meaning from its bytes; spans count code units.
Meaning classifyBytes(QByteArrayView raw, Encoding encoding) {
    const char* p = raw.data();
    if (!isWide(encoding))
        return classify([p](qsizetype i) { return char16_t(static_cast<unsigned char>(p[i])); },
                        raw.size());
    const bool le = encoding == Encoding::Utf16LE;
    return classify([p, le](qsizetype i) { return wideUnit(p + 2 * i, le); }, raw.size() / 2);
}

bool hasHighBytes(QByteArrayView bytes) {
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
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

bool fitsCp1251(const QString& text) {
    return FromCp1251(ToCp1251(text)) == text;
}

} // namespace

bool ProfileDocument::wide() const {
    return isWide(encoding_);
}

QString ProfileDocument::decode(QByteArrayView raw) const {
    switch (encoding_) {
    case Encoding::Utf8:
        return QString::fromUtf8(raw);
    case Encoding::Cp1251:
        return FromCp1251(raw.toByteArray());
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        break;
    }
    QString text(raw.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(wideUnit(raw.data() + 2 * i, encoding_ == Encoding::Utf16LE));
    return text;
}

QByteArray ProfileDocument::encode(const QString& text) const {
    switch (encoding_) {
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Cp1251:
        return ToCp1251(text);
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        break;
    }
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes += encoding_ == Encoding::Utf16LE ? low : high;
        bytes += encoding_ == Encoding::Utf16LE ? high : low;
    }
    return bytes;
}

QByteArray ProfileDocument::endBytes(LineEnd end) const {
    switch (end) {
    case LineEnd::None:
        break;
    case LineEnd::Lf:
        return encode(QStringLiteral("\n"));
    case LineEnd::CrLf:
        return encode(QStringLiteral("\r\n"));
    }
    return {};
}

ProfileDocument::LoadStatus ProfileDocument::load(const QString& path) {
    path_ = path;
    parse(QByteArray());
    onDisk_.clear();
    QByteArray data;
    switch (ReadProfileFile(path, &data)) {
    case FileReadStatus::Read:
        break;
    case FileReadStatus::Missing:
    case FileReadStatus::Directory:
        return status_ = LoadStatus::Missing;
    case FileReadStatus::NotRegular:
        return status_ = LoadStatus::NotRegular;
    case FileReadStatus::TooLarge:
        return status_ = LoadStatus::TooLarge;
    case FileReadStatus::Unreadable:
        return status_ = LoadStatus::Unreadable;
    }
    if ((data.startsWith(kUtf16LeBom) || data.startsWith(kUtf16BeBom)) && data.size() % 2 != 0)
        return status_ = LoadStatus::Undecodable;
    onDisk_ = data;
    parse(std::move(data));
    return status_ = LoadStatus::Loaded;
}

void ProfileDocument::parse(QByteArray data) {
    original_ = std::move(data);
    entries_.clear();
    changed_.clear();
    notUtf8Lines_ = highLines_ = 0;
    firstEnd_ = LineEnd::None;
    bomSize_ = 0;
    encoding_ = Encoding::Utf8;
    if (original_.startsWith(kUtf16LeBom) || original_.startsWith(kUtf16BeBom)) {
        encoding_ = original_.startsWith(kUtf16LeBom) ? Encoding::Utf16LE : Encoding::Utf16BE;
        bomSize_ = 2;
    } else if (original_.startsWith(kUtf8Bom)) {
        bomSize_ = kUtf8Bom.size();
    }

    const char* p = original_.constData();
    const qsizetype size = original_.size();
    const qsizetype unit = wide() ? 2 : 1;
    const bool le = encoding_ == Encoding::Utf16LE;
    const auto unitAt = [&](qsizetype i) {
        return unit == 1 ? char16_t(static_cast<unsigned char>(p[i])) : wideUnit(p + i, le);
    };
    const auto findLf = [&](qsizetype pos) -> qsizetype {
        if (unit == 1)
            return original_.indexOf('\n', pos);
        for (; pos + 1 < size; pos += 2) {
            if (unitAt(pos) == u'\n')
                return pos;
        }
        return -1;
    };

    // Room for typical files, whose lines are longer than this on average.
    entries_.reserve(size_t(size / 64));
    for (qsizetype pos = bomSize_; pos < size;) {
        const qsizetype lf = findLf(pos);
        qsizetype end = lf < 0 ? size : lf;
        LineEnd lineEnd = LineEnd::None;
        if (lf >= 0) {
            lineEnd = LineEnd::Lf;
            if (end - pos >= unit && unitAt(end - unit) == u'\r') {
                end -= unit;
                lineEnd = LineEnd::CrLf;
            }
        }
        const qsizetype next = lf < 0 ? size : lf + unit;
        if (firstEnd_ == LineEnd::None)
            firstEnd_ = lineEnd;
        const QByteArrayView raw(p + pos, end - pos);
        const bool high = !wide() && hasHighBytes(raw);
        const bool notUtf8 = high && !raw.isValidUtf8();
        notUtf8Lines_ += notUtf8 ? 1 : 0;
        highLines_ += high ? 1 : 0;
        const LineKind kind = classifyBytes(raw, encoding_).kind;
        // Keys before the first header belong to no section and are never looked up.
        if (kind == LineKind::Section || (kind == LineKind::Key && !entries_.empty())) {
            Entry entry;
            entry.at = qint32(pos);
            entry.size = qint32(next - pos);
            entry.rawSize = qint32(end - pos);
            entry.end = lineEnd;
            entry.kind = kind;
            entry.notUtf8 = notUtf8;
            entry.highBytes = high;
            entries_.push_back(entry);
        }
        pos = next;
    }
    if (notUtf8Lines_ > 0)
        encoding_ = Encoding::Cp1251;
}

QByteArrayView ProfileDocument::raw(const Entry& entry) const {
    if (entry.changed >= 0)
        return changed_[size_t(entry.changed)];
    return QByteArrayView(original_).sliced(entry.at, entry.rawSize);
}

QString ProfileDocument::nameOf(const Entry& entry) const {
    const QByteArrayView line = raw(entry);
    const Span name = classifyBytes(line, encoding_).name;
    const qsizetype unit = wide() ? 2 : 1;
    return decode(line.sliced(name.begin * unit, name.size() * unit));
}

bool ProfileDocument::nameIs(const Entry& entry, QStringView name) const {
    const QByteArrayView line = raw(entry);
    const Span span = classifyBytes(line, encoding_).name;
    if (!wide() && !hasHighBytes(line.sliced(span.begin, span.size())))
        return QLatin1String(line.data() + span.begin, span.size())
                   .compare(name, Qt::CaseInsensitive) == 0;
    return nameOf(entry).compare(name, Qt::CaseInsensitive) == 0;
}

ProfileDocument::Location ProfileDocument::locate(QStringView section, QStringView key) const {
    Location loc;
    for (qsizetype i = 0; i < qsizetype(entries_.size()); ++i) {
        const Entry& entry = entries_[size_t(i)];
        if (entry.kind == LineKind::Section) {
            // Only the first of two same-named sections counts.
            if (loc.header >= 0)
                break;
            if (nameIs(entry, section))
                loc.header = i;
        } else if (loc.header >= 0) {
            loc.lastKey = i;
            if (loc.key < 0 && nameIs(entry, key))
                loc.key = i;
        }
    }
    return loc;
}

QString ProfileDocument::value(QStringView section, QStringView key, const QString& def) const {
    if (section.isEmpty() || key.isEmpty())
        return def;
    const Location loc = locate(trimBlanks(section), trimBlanks(key));
    if (loc.key < 0)
        return def;
    const QString text = decode(raw(entries_[size_t(loc.key)]));
    const Span span = classifyText(text).value;
    QStringView value = unquote(QStringView(text).sliced(span.begin, span.size()));
    if (value.size() > kProfileValueMax) {
        value = value.left(kProfileValueMax);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value.toString();
}

int ProfileDocument::intValue(QStringView section, QStringView key, int def) const {
    return ProfileTextToInt(value(section, key, QString()), def);
}

bool ProfileDocument::boolValue(QStringView section, QStringView key, bool def) const {
    return intValue(section, key, def ? 1 : 0) != 0;
}

ProfileDocument::LineEnd ProfileDocument::newLineEnd() const {
    // New lines follow the file's own line ends.
    if (firstEnd_ != LineEnd::None)
        return firstEnd_;
    return SystemLineEndIsCrLf() ? LineEnd::CrLf : LineEnd::Lf;
}

ProfileDocument::Entry ProfileDocument::addedEntry(const QString& text, LineEnd end) {
    Entry entry;
    entry.changed = qint32(changed_.size());
    changed_.push_back(encode(text));
    entry.end = end;
    entry.kind = classifyText(text).kind;
    entry.highBytes = !wide() && hasHighBytes(changed_.back());
    entry.notUtf8 = entry.highBytes && !QByteArrayView(changed_.back()).isValidUtf8();
    return entry;
}

ProfileDocument::SetStatus ProfileDocument::setValue(QStringView section, QStringView key,
                                                     QStringView value) {
    if (!storableSection(section) || !storableKey(key))
        return SetStatus::BadName;
    QString flat = value.toString();
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));

    const Location loc = locate(section, key);
    const QString keyName = loc.key >= 0 ? nameOf(entries_[size_t(loc.key)]) : key.toString();
    const QString text = keyName + QLatin1Char('=') + flat;
    const QString header = QLatin1Char('[') + section.toString() + QLatin1Char(']');
    const bool addHeader = loc.header < 0;
    if (encoding_ == Encoding::Cp1251 && !(fitsCp1251(text) && (!addHeader || fitsCp1251(header))))
        return SetStatus::NotInCodePage;

    const LineEnd end = newLineEnd();
    const qsizetype changedBefore = qsizetype(changed_.size());
    Entry keyEntry = addedEntry(text, loc.key >= 0 ? entries_[size_t(loc.key)].end : end);
    const Entry headerEntry = addHeader ? addedEntry(header, end) : Entry();
    qsizetype notUtf8 = notUtf8Lines_ + int(keyEntry.notUtf8) + int(headerEntry.notUtf8);
    qsizetype high = highLines_ + int(keyEntry.highBytes) + int(headerEntry.highBytes);
    if (loc.key >= 0) {
        notUtf8 -= int(entries_[size_t(loc.key)].notUtf8);
        high -= int(entries_[size_t(loc.key)].highBytes);
    }
    // Only bytes that are not UTF-8 mark a file as 1251; without them its other
    // 1251 text would read as different characters next time.
    if (encoding_ == Encoding::Cp1251 && notUtf8 == 0 && high > 0) {
        changed_.resize(size_t(changedBefore));
        return SetStatus::LosesCodePage;
    }
    notUtf8Lines_ = notUtf8;
    highLines_ = high;

    if (loc.key >= 0) {
        Entry& old = entries_[size_t(loc.key)];
        keyEntry.at = old.at;
        keyEntry.size = old.size;
        old = keyEntry;
        return SetStatus::Set;
    }
    // A new key goes after the last key of its section, or after its header; a
    // new section at the end of the file. The line before it gets a line end
    // if it had none.
    qsizetype index = qsizetype(entries_.size());
    qint32 at = qint32(original_.size());
    LineEnd before = LineEnd::None;
    if (!addHeader) {
        index = (loc.lastKey >= 0 ? loc.lastKey : loc.header) + 1;
        Entry& previous = entries_[size_t(index - 1)];
        at = previous.at + previous.size;
        if (previous.end == LineEnd::None)
            previous.end = end;
    } else if (!entries_.empty() && entries_.back().at + entries_.back().size == at) {
        if (entries_.back().end == LineEnd::None)
            entries_.back().end = end;
    } else if (at > bomSize_ && !original_.endsWith(endBytes(LineEnd::Lf))) {
        // The file ends in a comment or blank line without a line end.
        before = end;
    }
    std::vector<Entry> added;
    if (addHeader)
        added.push_back(headerEntry);
    added.push_back(keyEntry);
    added.front().before = before;
    for (Entry& entry : added)
        entry.at = at;
    entries_.insert(entries_.begin() + index, added.begin(), added.end());
    return SetStatus::Set;
}

void ProfileDocument::convertToUtf8() {
    if (encoding_ != Encoding::Cp1251)
        return;
    const QByteArray all = bytes();
    parse(all.left(bomSize_) + FromCp1251(all.mid(bomSize_)).toUtf8());
}

QByteArray ProfileDocument::bytes() const {
    const QByteArray ends[] = {endBytes(LineEnd::None), endBytes(LineEnd::Lf),
                               endBytes(LineEnd::CrLf)};
    qsizetype size = original_.size();
    for (const QByteArray& line : changed_)
        size += line.size() + 2 * ends[2].size();
    QByteArray out;
    out.reserve(size);
    qsizetype cursor = 0;
    for (const Entry& entry : entries_) {
        if (entry.at > cursor)
            out.append(original_.constData() + cursor, entry.at - cursor);
        out += ends[int(entry.before)];
        out += raw(entry);
        out += ends[int(entry.end)];
        cursor = std::max<qsizetype>(cursor, entry.at + entry.size);
    }
    out.append(original_.constData() + cursor, original_.size() - cursor);
    return out;
}

ProfileDocument::SaveStatus ProfileDocument::save() {
    if (status_ != LoadStatus::Loaded && status_ != LoadStatus::Missing)
        return SaveStatus::NotLoaded;
    const QByteArray out = bytes();
    switch (WriteProfileFile(path_, out, status_ == LoadStatus::Loaded ? &onDisk_ : nullptr)) {
    case FileWriteStatus::Written:
        onDisk_ = out;
        status_ = LoadStatus::Loaded;
        return SaveStatus::Saved;
    case FileWriteStatus::ReadOnly:
        return SaveStatus::ReadOnly;
    case FileWriteStatus::Failed:
        break;
    }
    return SaveStatus::Failed;
}

} // namespace rk
