#include "ValueChecks.h"

#include "NumberReading.h"

#include <QRegularExpression>
#include <QStringView>

namespace {

const char* const kPackFloatTexts[] = {"1-0-3-2", "0-1-2-3", "3-2-1-0", "2-3-0-1"};
const char* const kSpeedDuplexTexts[] = {"Auto", "10 Mbit/s full duplex", "10 Mbit/s half duplex",
                                         "100 Mbit/s full duplex", "100 Mbit/s half duplex"};

template <std::size_t N> QStringList ToList(const char* const (&texts)[N]) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(N));
    for (const char* t : texts)
        list.append(QLatin1String(t));
    return list;
}

template <std::size_t N> QString TextAt(const char* const (&texts)[N], int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N)
        return QString();
    return QLatin1String(texts[index]);
}

bool IsByteValue(int value) {
    return value >= 0 && value <= 255;
}

// Cuts `text` at the first `separators` occurrences of `sep`; the last part runs to the end
// and may still hold `sep`, which the number reading then rejects.
bool CutParts(QStringView text, QChar sep, int separators, QList<QStringView>& parts) {
    qsizetype start = 0;
    for (int i = 0; i < separators; ++i) {
        const qsizetype at = text.indexOf(sep, start);
        if (at < 0)
            return false;
        parts.append(text.mid(start, at - start));
        start = at + 1;
    }
    parts.append(text.mid(start));
    return true;
}

} // namespace

QStringList PackFloatItems() {
    return ToList(kPackFloatTexts);
}
QStringList SpeedDuplexItems() {
    return ToList(kSpeedDuplexTexts);
}
QString PackFloatText(int index) {
    return TextAt(kPackFloatTexts, index);
}
QString SpeedDuplexText(int index) {
    return TextAt(kSpeedDuplexTexts, index);
}

std::optional<int> AnsweredIndex(const QString& value, int tableSize) {
    if (value.isEmpty())
        return std::nullopt;
    // The device's texts are single bytes of the Windows Cyrillic page, where every
    // non-ASCII character lies at 0x80 or above and so lands far outside any table.
    const char16_t first = value.front().unicode();
    const unsigned index = first < 0x80 ? static_cast<unsigned char>(first - u'0') : 0xFFu;
    if (index >= static_cast<unsigned>(tableSize))
        return -1;
    return static_cast<int>(index);
}

std::optional<QString> IndexDisplay(const QString& value, const QStringList& table) {
    const std::optional<int> index = AnsweredIndex(value, int(table.size()));
    if (!index)
        return std::nullopt;
    if (*index < 0)
        return QStringLiteral("Error ");
    return table.at(*index);
}

std::optional<bool> RemoteComOff(const QString& value) {
    if (value.isEmpty())
        return std::nullopt;
    return value.front() == QLatin1Char('0');
}

std::optional<QByteArray> IpAddressBytes(const QString& text) {
    if (text.size() < 7)
        return std::nullopt;
    QList<QStringView> parts;
    if (!CutParts(text, QLatin1Char('.'), 3, parts))
        return std::nullopt;
    QByteArray bytes;
    for (QStringView part : parts) {
        const int value = ReadNumber(part, 256);
        if (!IsByteValue(value))
            return std::nullopt;
        bytes.append(char(value));
    }
    return bytes;
}

bool CheckIpAddress(const QString& text) {
    return IpAddressBytes(text).has_value();
}

bool IsContiguousMask(const QByteArray& bytes) {
    if (bytes.size() != 4)
        return false;
    quint32 mask = 0;
    for (const char byte : bytes)
        mask = (mask << 8) | quint8(byte);
    // Ones then zeros: the inverted mask plus one is a power of two (or 0).
    const quint32 hostBits = ~mask;
    return (hostBits & (hostBits + 1)) == 0;
}

namespace {

// The window's reading of typed text: each part a number, else a hexadecimal pair.
bool WindowMacParts(const QString& text) {
    if (text.size() < 11)
        return false;
    QList<QStringView> parts;
    if (!CutParts(text, QLatin1Char('-'), 5, parts))
        return false;
    for (QStringView part : parts) {
        int value = ReadNumber(part, 256);
        if (!IsByteValue(value)) {
            // A hexadecimal pair such as "1A" is no decimal number.
            QString hex = QStringLiteral("0x");
            hex += part;
            value = ReadNumber(hex, 256);
        }
        if (!IsByteValue(value))
            return false;
    }
    return true;
}

} // namespace

std::optional<QByteArray> MacAddressBytes(const QString& text) {
    // Six hexadecimal parts, so that "11" is 0x11 whichever way it was typed.
    static const QRegularExpression pairs(
        QStringLiteral("^[0-9A-Fa-f]{1,2}(-[0-9A-Fa-f]{1,2}){5}$"));
    if (!pairs.match(text).hasMatch())
        return std::nullopt;
    QByteArray bytes;
    for (const QString& part : text.split(QLatin1Char('-')))
        bytes.append(char(part.toInt(nullptr, 16)));
    return bytes;
}

bool CheckMacAddress(const QString& text) {
    return WindowMacParts(text);
}

bool CheckPort(const QString& text) {
    const int port = ReadNumber(text, -1);
    return port >= 1 && port <= kMaxPort;
}

std::optional<int> StrictNumber(const QString& text, int low, int high) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int value = text.toInt();
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

bool IsDottedDecimal(const QString& text) {
    static const QRegularExpression dotted(
        QStringLiteral("^(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])"
                       "(\\.(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])){3}$"));
    return dotted.match(text).hasMatch();
}
