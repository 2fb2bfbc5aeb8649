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
    // Digits and dots only: it must be a whole dotted address of four parts,
    // not a name. The resolver would take "1.2.3" as 1.2.0.3, another device.
    static const QRegularExpression digitsAndDots(QStringLiteral("^[0-9.]+$"));
    static const QRegularExpression fourParts(
        QStringLiteral("^[0-9]{1,3}\\.[0-9]{1,3}\\.[0-9]{1,3}\\.[0-9]{1,3}$"));
    if (digitsAndDots.match(target.host).hasMatch() &&
        (!fourParts.match(target.host).hasMatch() ||
         QHostAddress(target.host).protocol() != QAbstractSocket::IPv4Protocol)) {
        error = QStringLiteral("bad host \"%1\": not an IPv4 address").arg(text);
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
