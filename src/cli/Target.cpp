#include "Target.h"

#include "Defaults.h"
#include "ValueChecks.h"

#include <QFile>
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

QString Target::Key() const {
    QString name = host.toLower();
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    // Loopback by definition, whatever a resolver would say.
    if (name == QLatin1String("localhost") || name.endsWith(QLatin1String(".localhost")))
        name = QStringLiteral("127.0.0.1");
    return name + QLatin1Char(':') + QString::number(port);
}

std::optional<QStringList> ReadHostsFile(const QString& name, QString& error) {
    QFile file;
    const bool opened = name == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    const QString source = name == QLatin1String("-") ? QStringLiteral("standard input") : name;
    if (!opened) {
        error = QStringLiteral("cannot open %1: %2").arg(source, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.read(kMaxHostsFileBytes + 1);
    if (bytes.size() > kMaxHostsFileBytes) {
        error = QStringLiteral("%1 is too large for a host list (at most %2 MiB)")
                    .arg(source)
                    .arg(kMaxHostsFileBytes / (1024 * 1024));
        return std::nullopt;
    }
    QStringList hosts;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString text = QString::fromUtf8(lines.at(i));
        const qsizetype hash = text.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            text.truncate(hash);
        text = text.trimmed();
        if (text.isEmpty())
            continue;
        static const QRegularExpression range(QStringLiteral("^[0-9.]+(/[0-9]+|-[0-9.]+)$"));
        if (!range.match(text).hasMatch()) {
            hosts.append(text);
            continue;
        }
        QString rangeError;
        const std::optional<QStringList> addresses = ParseCidr(text, rangeError);
        if (!addresses) {
            error = QStringLiteral("%1 line %2: %3").arg(source).arg(i + 1).arg(rangeError);
            return std::nullopt;
        }
        hosts += *addresses;
    }
    return hosts;
}
