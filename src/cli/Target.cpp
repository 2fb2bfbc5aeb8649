#include "Target.h"

#include "Defaults.h"
#include "ValueChecks.h"

#include <QRegularExpression>

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
