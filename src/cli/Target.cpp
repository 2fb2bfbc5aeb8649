#include "Target.h"

#include "Defaults.h"
#include "ValueChecks.h"

#include <QHostAddress>
#include <QRegularExpression>

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

std::optional<Target> ParseTarget(const QString& text, QString& error) {
    Target target;
    target.host = text;
    target.port = kDefaultDevicePort;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        target.host = text.left(colon);
        const std::optional<int> port = StrictNumber(text.mid(colon + 1), 1, kMaxPort);
        if (!port) {
            error =
                QStringLiteral("bad port in host \"%1\": expected 1..%2").arg(text).arg(kMaxPort);
            return std::nullopt;
        }
        target.port = *port;
    }
    static const QRegularExpression hostName(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,62})(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,62}))*$"));
    if (target.host.isEmpty() || target.host.size() > 253 ||
        !hostName.match(target.host).hasMatch()) {
        error = QStringLiteral("bad host \"%1\": expected an address or host name, then "
                               "optionally :PORT")
                    .arg(text);
        return std::nullopt;
    }
    // A name made of numbers only is an address in disguise: the resolver
    // takes "1.2.3" as 1.2.0.3, "012" as octal 10 and "0x7f" as 127, another
    // device than the one meant. It must be plain dotted decimal.
    static const QRegularExpression numbers(
        QStringLiteral("^(0[xX][0-9A-Fa-f]*|[0-9]+)(\\.(0[xX][0-9A-Fa-f]*|[0-9]+))*$"));
    if (numbers.match(target.host).hasMatch() && !IsDottedDecimal(target.host)) {
        error = QStringLiteral("bad host \"%1\": not an IPv4 address in dotted decimal (no "
                               "leading zeros)")
                    .arg(text);
        return std::nullopt;
    }
    return target;
}

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
