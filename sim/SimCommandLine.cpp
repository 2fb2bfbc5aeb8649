#include "SimCommandLine.h"

#include "Version.h"

#include <QCommandLineParser>

#include <climits>

namespace sim {

namespace {

struct Option {
    const char* name;
    const char* valueName; // nullptr: a switch
    const char* description;
};

constexpr Option kOptions[] = {
    {"listen", "HOST:PORT", "Address and port to listen on (default 127.0.0.1:1024)."},
    {"allow-external", nullptr, "Allow an address outside 127.0.0.0/8."},
    {"restart-delay", "MS", "How long a restart keeps the device away (default 3000)."},
    {"idle-timeout", "SECONDS",
     "Close the connection of a client that sends nothing for this long (default 60, 0: "
     "never)."},
    {"device-version", "TEXT",
     "Version text answered and carried by the stored image (default 1.00A)."},
    {"device-date", "TEXT",
     "Date text answered and carried by the stored image (default 01.02.08)."},
    {"quiet", nullptr, "Do not print the wire log."},
    {"silent", nullptr, "Fault: answer nothing at all."},
    {"silent-for", "CMDS",
     "Fault: ignore these commands (comma-separated: ?VERSION, IPADDR, READBUF, MODBUS, SOFTBLOCK "
     "...)."},
    {"delay", "MS", "Fault: wait this long before every answer."},
    {"split", nullptr, "Fault: send every answer in two writes (as --split-pieces 2)."},
    {"split-pieces", "N", "Fault: send every answer in N writes, --split-gap apart."},
    {"split-gap", "MS", "Time between the pieces of a split answer (default 50)."},
    {"merge", nullptr, "Fault: hold every answer back and send it with the next one."},
    {"reject", "KEYS",
     "Fault: answer SET_<KEY> = ERROR for these keys (comma-separated, * for all)."},
    {"writesoft-busy", nullptr, "Fault: answer WRITESOFT = BUSY."},
    {"upgrade-fail", nullptr, "Fault: answer UPGRADE = FAIL."},
    {"no-come-back", nullptr, "Fault: never listen again after a restart."},
    {"stall-readsoft", "N", "Fault: leave READSOFT of block N and later unanswered."},
    {"old-readsoft", nullptr,
     "Fault: answer READSOFT with the text READSOFT = ERROR (an old device)."},
    {"drop-after", "N", "Fault: close the connection after N commands."},
    {"oversize-image", nullptr, "Fault: the stored image's header claims more than 256 blocks."},
    {"short-last-readsoft", nullptr,
     "Fault: read back the image's last block with only the bytes the image holds."},
    {"modbus-fixed-ids", nullptr,
     "Fault: answer every ModBus request with the identifiers 02 03 00 00."},
    {"readbuf-trailer", "TEXT", "Fault: send TEXT 100 ms after each instrument block."},
    {"flood-for", "MS",
     "Fault: stream NO; to each client for MS milliseconds, as fast as it takes them."},
    {"split-soft-block", nullptr,
     "Fault: send the answer to each uploaded block in two writes, --split-gap apart."},
    {"soft-block-trailer", "TEXT",
     "Fault: send TEXT after the answer to each uploaded block (a chattering device)."},
    {"confirm-all-early", nullptr,
     "Fault: answer the first setting with SET_<KEY> = OK for every key, then nothing."},
    {"soft-block-trailer-gap", "MS", "Time from a block's answer to its trailer (default 20)."},
};

void addOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("RK5720 LAN communication server simulator. Prints the wire log."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const Option& o : kOptions) {
        QCommandLineOption option(QString::fromLatin1(o.name), QString::fromLatin1(o.description));
        if (o.valueName)
            option.setValueName(QString::fromLatin1(o.valueName));
        parser.addOption(option);
    }
}

bool readInt(const QCommandLineParser& parser, const char* name, int min, int& out, QString& error,
             int max = INT_MAX) {
    const QString text = parser.value(QString::fromLatin1(name));
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max) {
        const QString range = max == INT_MAX ? QStringLiteral(">= %1").arg(min)
                                             : QStringLiteral("from %1 to %2").arg(min).arg(max);
        error = QStringLiteral("--%1: not a number %2: %3").arg(QLatin1String(name), range, text);
        return false;
    }
    out = value;
    return true;
}

QStringList upperList(const QString& text) {
    QStringList items;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        items.append(item.trimmed().toUpper());
    return items;
}

} // namespace

bool ParseSimCommandLine(const QStringList& arguments, SimCommandLine& out, QString& error) {
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return false;
    }
    out.help = parser.isSet(QStringLiteral("help"));
    out.showVersion = parser.isSet(QStringLiteral("version"));
    const auto isSet = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };

    if (isSet("listen")) {
        const QString text = parser.value(QStringLiteral("listen"));
        const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int port = colon > 0 ? text.mid(colon + 1).toInt(&ok) : 0;
        const QHostAddress address(colon > 0 ? text.left(colon) : QString());
        if (!ok || port < 0 || port > 65535 || address.isNull()) {
            error =
                QStringLiteral("--listen: expected HOST:PORT with a numeric address: %1").arg(text);
            return false;
        }
        out.server.address = address;
        out.server.port = static_cast<uint16_t>(port);
    }
    out.server.allowExternal = isSet("allow-external");
    if (!out.server.allowExternal && !SimServer::IsLoopback(out.server.address)) {
        error = QStringLiteral("%1 is not a loopback address; add --allow-external to use it")
                    .arg(out.server.address.toString());
        return false;
    }
    if (isSet("restart-delay") &&
        !readInt(parser, "restart-delay", 0, out.server.restartDelayMs, error))
        return false;
    if (isSet("flood-for") && !readInt(parser, "flood-for", 0, out.server.floodMs, error))
        return false;
    if (isSet("idle-timeout")) {
        int seconds = 0;
        if (!readInt(parser, "idle-timeout", 0, seconds, error, INT_MAX / 1000))
            return false;
        out.server.limits.idleTimeoutMs = seconds * 1000;
    }
    out.version = parser.value(QStringLiteral("device-version"));
    out.date = parser.value(QStringLiteral("device-date"));
    out.quiet = isSet("quiet");

    SimFaults& f = out.faults;
    f.silentAll = isSet("silent");
    f.silentCommands = upperList(parser.value(QStringLiteral("silent-for")));
    f.answerPieces = isSet("split") ? 2 : 1;
    f.mergeAnswers = isSet("merge");
    f.rejectKeys = upperList(parser.value(QStringLiteral("reject")));
    f.writeSoftBusy = isSet("writesoft-busy");
    f.upgradeFail = isSet("upgrade-fail");
    f.noComeBack = isSet("no-come-back");
    f.oldReadSoft = isSet("old-readsoft");
    f.oversizeImageHeader = isSet("oversize-image");
    f.splitSoftBlockAnswer = isSet("split-soft-block");
    f.shortLastReadSoft = isSet("short-last-readsoft");
    f.modbusFixedIds = isSet("modbus-fixed-ids");
    f.confirmAllEarly = isSet("confirm-all-early");
    f.readBufTrailer = parser.value(QStringLiteral("readbuf-trailer")).toLatin1();
    f.softBlockTrailer = parser.value(QStringLiteral("soft-block-trailer")).toLatin1();
    if ((isSet("delay") && !readInt(parser, "delay", 0, f.answerDelayMs, error)) ||
        (isSet("split-gap") && !readInt(parser, "split-gap", 0, f.splitGapMs, error)) ||
        (isSet("split-pieces") && !readInt(parser, "split-pieces", 1, f.answerPieces, error)) ||
        (isSet("soft-block-trailer-gap") &&
         !readInt(parser, "soft-block-trailer-gap", 0, f.softBlockTrailerMs, error)) ||
        (isSet("stall-readsoft") &&
         !readInt(parser, "stall-readsoft", 0, f.stallReadSoftAt, error)) ||
        (isSet("drop-after") && !readInt(parser, "drop-after", 1, f.dropAfterCommands, error)))
        return false;
    return true;
}

QString SimVersionText() {
    return QStringLiteral("rk5720-sim " RK_VERSION_STRING);
}

QString SimCommandLineHelp() {
    QCommandLineParser parser;
    addOptions(parser);
    return parser.helpText();
}

} // namespace sim
