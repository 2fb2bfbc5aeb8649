#include "AppOptions.h"

#include "AppSettings.h"
#include "SettingsLocation.h"
#include "Version.h"

#include <QCommandLineParser>
#include <QHostAddress>
#include <QRegularExpression>

namespace {

bool ParsePort(const QString& text, uint16_t* port) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    if (!digits.match(text).hasMatch())
        return false;
    const int value = text.toInt();
    if (value < 1 || value > 65535)
        return false;
    *port = static_cast<uint16_t>(value);
    return true;
}

bool IsHostName(const QString& host) {
    // RFC 1123 labels; the dotted IPv4 form passes as well.
    static const QRegularExpression name(
        QStringLiteral("^(?=.{1,253}$)[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?"
                       "(?:\\.[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*$"));
    return name.match(host).hasMatch();
}

} // namespace

bool ParseHostPort(const QString& text, QString* host, uint16_t* port, QString* error) {
    QString hostPart = text;
    QString portPart;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0) {
            *error = QStringLiteral("missing \"]\" after the IPv6 address");
            return false;
        }
        hostPart = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':'))) {
                *error = QStringLiteral("unexpected text after \"]\"");
                return false;
            }
            portPart = rest.mid(1);
            if (portPart.isEmpty()) {
                *error = QStringLiteral("empty port");
                return false;
            }
        }
        QHostAddress address;
        if (!address.setAddress(hostPart) || address.protocol() != QAbstractSocket::IPv6Protocol) {
            *error = QStringLiteral("\"%1\" is not an IPv6 address").arg(hostPart);
            return false;
        }
    } else {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            hostPart = text.left(colon);
            portPart = text.mid(colon + 1);
            if (portPart.isEmpty()) {
                *error = QStringLiteral("empty port");
                return false;
            }
        }
        if (hostPart.isEmpty()) {
            *error = QStringLiteral("empty host");
            return false;
        }
        if (!IsHostName(hostPart)) {
            *error = QStringLiteral("\"%1\" is not a host name or IPv4 address").arg(hostPart);
            return false;
        }
    }
    uint16_t parsedPort = AppOptions::kDefaultPort;
    if (!portPart.isEmpty() && !ParsePort(portPart, &parsedPort)) {
        *error = QStringLiteral("port \"%1\" is not a number from 1 to 65535").arg(portPart);
        return false;
    }
    *host = hostPart;
    *port = parsedPort;
    return true;
}

AppOptions ParseAppOptions(const QStringList& args) {
    AppOptions options;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const SettingsProbes probes = FileSystemProbes();
    const SettingsLocation defaultLocation =
        ResolveSettingsLocation(ExecutableFolder(), environment, QString(), probes);
    options.settingsPath = defaultLocation.path;

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Configuration tool for the RK5720 LAN communication server."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption settingsOption(
        QStringLiteral("settings"),
        QStringLiteral("Settings file to read at start and write at close (the one in use is "
                       "named below)."),
        QStringLiteral("FILE"));
    const QCommandLineOption hostOption(QStringLiteral("startup-host"),
                                        QStringLiteral("Server to dial at start (default: %1:%2).")
                                            .arg(options.startupHost)
                                            .arg(AppOptions::kDefaultPort),
                                        QStringLiteral("HOST[:PORT]"));
    const QCommandLineOption noConnectOption(QStringLiteral("no-autoconnect"),
                                             QStringLiteral("Do not dial any server at start."));
    parser.addOption(settingsOption);
    parser.addOption(hostOption);
    parser.addOption(noConnectOption);

    auto fail = [&options](const QString& message) {
        options.action = AppOptions::Action::Fail;
        options.message = message;
        return options;
    };

    if (!parser.parse(args))
        return fail(parser.errorText());
    if (parser.isSet(helpOption)) {
        options.action = AppOptions::Action::ShowHelp;
        const SettingsLocation inUse = ResolveSettingsLocation(
            ExecutableFolder(), environment, parser.value(settingsOption), probes);
        options.message =
            parser.helpText() +
            QStringLiteral("\nSettings file: %1.").arg(DescribeSettingsLocation(inUse));
        return options;
    }
    if (parser.isSet(versionOption)) {
        options.action = AppOptions::Action::ShowVersion;
        options.message = QStringLiteral("rk5720-config %1").arg(QStringLiteral(RK_VERSION_STRING));
        return options;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments()[0]));
    if (parser.isSet(settingsOption)) {
        options.settingsPath = parser.value(settingsOption);
        if (options.settingsPath.isEmpty())
            return fail(QStringLiteral("--settings needs a file name"));
    }
    if (parser.isSet(hostOption)) {
        QString error;
        if (!ParseHostPort(parser.value(hostOption), &options.startupHost, &options.startupPort,
                           &error))
            return fail(QStringLiteral("Invalid --startup-host \"%1\": %2")
                            .arg(parser.value(hostOption), error));
    }
    options.autoConnect = !parser.isSet(noConnectOption);
    return options;
}
