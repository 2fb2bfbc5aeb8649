#include "ScanRange.h"

#include "ValueChecks.h"

#include <QRegularExpression>
#include <QSet>

namespace {

// A dotted IPv4 address written out in full (no "127.1", no host names).
std::optional<quint32> DottedAddress(const QString& text) {
    static const QRegularExpression dotted(QStringLiteral("^[0-9]{1,3}(\\.[0-9]{1,3}){3}$"));
    bool ok = false;
    const quint32 value = QHostAddress(text).toIPv4Address(&ok);
    if (!ok || !dotted.match(text).hasMatch())
        return std::nullopt;
    return value;
}

QString BadRange(const QString& text) {
    return QStringLiteral("bad range \"%1\": expected A.B.C.D/N or A.B.C.D-E.F.G.H").arg(text);
}

QString TooLarge(const QString& text) {
    return QStringLiteral("range \"%1\" is too large: at most a /16 (65,536 addresses) is "
                          "scanned")
        .arg(text);
}

std::optional<QStringList> DottedRange(const QString& text, qsizetype dash, QString& error) {
    const std::optional<quint32> first = DottedAddress(text.left(dash));
    const std::optional<quint32> last = DottedAddress(text.mid(dash + 1));
    if (!first || !last) {
        error = BadRange(text);
        return std::nullopt;
    }
    if (*last < *first) {
        error = QStringLiteral("bad range \"%1\": the first address is above the last").arg(text);
        return std::nullopt;
    }
    if (*last - *first >= quint32(kMaxScanAddresses)) {
        error = TooLarge(text);
        return std::nullopt;
    }
    QStringList addresses;
    addresses.reserve(qsizetype(*last - *first) + 1);
    for (quint32 value = *first;; ++value) {
        addresses.append(QHostAddress(value).toString());
        if (value == *last)
            break; // 255.255.255.255 would wrap
    }
    return addresses;
}

} // namespace

std::optional<QStringList> ParseCidr(const QString& text, QString& error) {
    if (const qsizetype dash = text.indexOf(QLatin1Char('-')); dash >= 0)
        return DottedRange(text, dash, error);
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    const std::optional<quint32> base = DottedAddress(slash < 0 ? text : text.left(slash));
    if (!base) {
        error = BadRange(text);
        return std::nullopt;
    }
    const std::optional<int> prefix =
        slash < 0 ? std::optional<int>(32) : StrictNumber(text.mid(slash + 1), 0, 32);
    if (!prefix) {
        error = QStringLiteral("bad range \"%1\": the prefix length must be 16..32").arg(text);
        return std::nullopt;
    }
    if (*prefix < 16) {
        error = TooLarge(text);
        return std::nullopt;
    }
    const quint32 size = quint32(1) << (32 - *prefix);
    const quint32 first = *base & ~(size - 1);
    QStringList addresses;
    const quint32 skip = size >= 4 ? 1 : 0;
    for (quint32 i = skip; i < size - skip; ++i)
        addresses.append(QHostAddress(first + i).toString());
    return addresses;
}

std::optional<QStringList> ParseScanRanges(const QString& text, QString& error) {
    QStringList all;
    QSet<QString> seen;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QString range = part.trimmed();
        if (range.isEmpty())
            continue;
        const std::optional<QStringList> addresses = ParseCidr(range, error);
        if (!addresses)
            return std::nullopt;
        for (const QString& address : *addresses) {
            if (seen.contains(address))
                continue;
            if (all.size() >= kMaxScanAddresses) {
                error = TooLarge(text.trimmed());
                return std::nullopt;
            }
            seen.insert(address);
            all.append(address);
        }
    }
    if (all.isEmpty()) {
        error = QStringLiteral("no range given: expected A.B.C.D/N or A.B.C.D-E.F.G.H");
        return std::nullopt;
    }
    return all;
}

QString SubnetRanges(const QList<QHostAddress>& addresses) {
    QStringList ranges;
    for (const QHostAddress& address : addresses) {
        bool ok = false;
        const quint32 value = address.toIPv4Address(&ok);
        if (!ok)
            continue;
        const QString range = QHostAddress(value & 0xFFFFFF00u).toString() + QStringLiteral("/24");
        if (!ranges.contains(range))
            ranges.append(range);
    }
    return ranges.join(QStringLiteral(", "));
}
