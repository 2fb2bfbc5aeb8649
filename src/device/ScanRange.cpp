#include "ScanRange.h"

#include "ValueChecks.h"

#include <QHostAddress>
#include <QRegularExpression>

std::optional<QStringList> ParseCidr(const QString& text, QString& error) {
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    const QString address = slash < 0 ? text : text.left(slash);
    QHostAddress base(address);
    bool ok = false;
    const quint32 baseValue = base.toIPv4Address(&ok);
    static const QRegularExpression dotted(QStringLiteral("^[0-9]{1,3}(\\.[0-9]{1,3}){3}$"));
    if (!ok || !dotted.match(address).hasMatch()) {
        error = QStringLiteral("bad range \"%1\": expected A.B.C.D/N").arg(text);
        return std::nullopt;
    }
    const std::optional<int> prefix =
        slash < 0 ? std::optional<int>(32) : StrictNumber(text.mid(slash + 1), 0, 32);
    if (!prefix) {
        error = QStringLiteral("bad range \"%1\": the prefix length must be 16..32").arg(text);
        return std::nullopt;
    }
    if (*prefix < 16) {
        error = QStringLiteral("range \"%1\" is too large: at most a /16 (65,536 addresses) "
                               "is scanned")
                    .arg(text);
        return std::nullopt;
    }
    const quint32 size = quint32(1) << (32 - *prefix);
    const quint32 first = baseValue & ~(size - 1);
    QStringList addresses;
    const quint32 skip = size >= 4 ? 1 : 0;
    for (quint32 i = skip; i < size - skip; ++i)
        addresses.append(QHostAddress(first + i).toString());
    return addresses;
}
