#include "CommandTable.h"

namespace {

const QList<OptionSpec> kValueOptions = {
    {"ip", "ADDRESS", "IP address, dotted (A.B.C.D)"},
    {"mask", "MASK", "network mask, dotted"},
    {"port", "PORT", "TCP port of the device, 1..65535"},
    {"gw", "ADDRESS", "gateway address, dotted"},
    {"mac", "MAC", "MAC address, six hexadecimal pairs separated by \"-\" (00-0A-1B-2C-3D-4E)"},
    {"byte-order", "ORDER",
     "float byte order: 1-0-3-2, 0-1-2-3, 3-2-1-0, 2-3-0-1, or its index 0..3"},
    {"speed", "MODE",
     "Ethernet speed/duplex: \"Auto\", \"10 Mbit/s full duplex\", \"10 Mbit/s half duplex\", "
     "\"100 Mbit/s full duplex\", \"100 Mbit/s half duplex\", or its index 0..4"},
};

const OptionSpec kRestart = {
    "restart", "",
    "restart the device (\"Close = 1\"), follow it to its new address and port, read the "
    "configuration back and fail unless every written value reads back as written"};
const OptionSpec kRestartPause = {
    "restart-pause", "MS",
    "how long the device needs after a restart before it is called again (default 7000)"};
const OptionSpec kInstallPause = {
    "restart-pause", "MS",
    "how long after the install command the device is called again (default 8000)"};

const OptionSpec kValuesTable = {"values", "FILE.csv",
                                 "the hosts and the values of each, one row per host (see below)"};

QList<OptionSpec> WithRestart(QList<OptionSpec> options) {
    options << kRestart << kRestartPause;
    return options;
}

const char* const kConfigJson =
    "JSON of a configuration (read, export, import):\n"
    "  {\"ip\": TEXT, \"mask\": TEXT, \"port\": NUMBER, \"gw\": TEXT, \"mac\": TEXT,\n"
    "   \"byte_order\": TEXT, \"speed\": TEXT}\n"
    "  byte_order and speed hold the table texts above; import also takes their indexes.\n";

const char* const kResultJson =
    "With --json the output is one document:\n"
    "  {\"command\": NAME, \"exit_code\": N, \"results\": [HOST ...]}\n"
    "  HOST: {\"host\": TEXT, \"port\": NUMBER, \"exit_code\": N, \"error\": TEXT or null,\n"
    "         and the fields of the command below}\n";

} // namespace

const QList<OptionSpec>& CommonOptions() {
    static const QList<OptionSpec> options = {
        {"json", "", "print one JSON document instead of text"},
        {"jobs", "N",
         "work on at most N hosts at once (default 8; scan: connections in flight, default 1024)"},
        {"timeout", "MS",
         "time limit of a connection attempt, and of a reply that has no limit of its own "
         "(default 3000, scan 300)"},
        {"answer-timeout", "MS",
         "how long the device may take to answer one command (default 500, as the window); "
         "a slow link needs more, and the limits of blocks and installs grow with it"},
        {"format", "FORMAT",
         "text (default), table or csv: one line per host in the order given (scan: per "
         "device), the fields of --json as columns"},
        {"retries", "N",
         "try a failed connection N more times, 1, 2, 4, then 5 s apart (default 0)"},
        {"hosts-file", "FILE",
         "more hosts, one HOST[:PORT] or range (A.B.C.D/N, A.B.C.D-E.F.G.H) a line, \"#\" "
         "comments; \"-\" reads standard input"},
        {"verbose", "", "print the device's log lines on standard error"},
        {"help", "", "print this command's help"},
    };
    return options;
}

const QList<CommandSpec>& Commands() {
    static const QList<CommandSpec> commands = {
        {"read",
         "read [OPTIONS] HOST[:PORT]...",
         "read the nine parameters, the version and its date",
         {},
         1,
         {},
         "Sends the nine queries of the window's \"Read\" and checks that each was answered\n"
         "with a valid value.\n\n"
         "JSON fields: \"config\" (see below), \"version\", \"date\".\n"},
        {"write",
         "write [VALUE OPTIONS] [--restart] HOST[:PORT]...\n"
         "       rk5720-cli write --values FILE.csv [--restart]",
         "write network parameters, optionally restart and verify",
         {},
         2,
         WithRestart(kValueOptions) << kValuesTable,
         "Every value is checked before anything is sent, with the window's checks. Each\n"
         "value must be confirmed by the device (SET_... = OK). Without --restart the device\n"
         "uses the new values after its next restart.\n\n"
         "--values renumbers a fleet in one run: FILE.csv has a header row naming its\n"
         "columns, host and any of ip, mask, port, gw, mac, byte_order, speed, then a row\n"
         "per host; an empty cell leaves that value unchanged. Every row is checked, and\n"
         "no two hosts may end at one address or MAC address, before anything is sent.\n"
         "Tables as spreadsheets save them are taken: \",\" or \";\" between fields, headers\n"
         "in any case, UTF-8 with or without a byte order mark, empty columns at the right\n"
         "and rows of empty cells ignored; what read --format csv prints comes back as it\n"
         "is (its other columns are ignored by name). Messages name line and column.\n\n"
         "JSON fields: \"written\" (the keys the device confirmed), \"now_at\" (HOST:PORT after\n"
         "a restart), \"expected_at\" (where it was to come back), \"restarted\",\n"
         "\"config\", \"version\", \"date\" (read back after a restart).\n"},
        {"export",
         "export [-o FILE|DIR] HOST[:PORT]...",
         "write devices' configurations as JSON",
         {},
         1,
         {{"output", "FILE|DIR",
           "write to FILE instead of standard output (-o); with several hosts, into the\n"
           "    folder DIR, one file HOST_PORT.json per host"}},
         "The document is {\"config\": {...}, \"version\": TEXT, \"date\": TEXT, \"source\":\n"
         "HOST:PORT}; import and apply take it back. Clone a device: export A | import - B.\n"
         "Several hosts to standard output give one document {\"exports\": [DOCUMENT ...]}\n"
         "with the hosts that could be read, in the order given. Files are written whole.\n"},
        {"apply",
         "apply FILE [--check] [--restart] HOST[:PORT]...\n"
         "       rk5720-cli apply FILE.csv|DIR|EXPORTS.json [--check] [--restart]",
         "make devices hold a desired configuration, changing only what differs",
         {QStringLiteral("FILE")},
         2,
         {{"check", "", "read and compare only: print the differences, write nothing"},
          kRestart,
          kRestartPause},
         "FILE is an export, a configuration object holding the values wanted (\"-\":\n"
         "standard input), or a table FILE.csv as for write --values, which names the hosts.\n"
         "A folder DIR of exports (export -o DIR) and the {\"exports\": [...]} document of\n"
         "a multi-host export name their hosts too: each export's \"source\"; so does a\n"
         "single export when no host is given.\n"
         "Each device is read first; only the values that differ are written, and with\n"
         "--restart it restarts only when something was written, or when the address and\n"
         "port it stores differ from those it answers at (\"pending_restart\"). A second\n"
         "run changes nothing. Exit 0 whether or not anything changed; with --check, exit\n"
         "4 when some host would change and none failed (drift).\n"
         "A device that moved: when a row's host does not answer, a device that answers\n"
         "at the row's wanted address and port with the row's MAC address (its \"mac\"\n"
         "column, or the export's config.mac) is the row's, reported with \"found_at\" and\n"
         "\"now_at\". Without a MAC address no device is taken for another. In text, a\n"
         "summary line ends the run: hosts changed, as desired, failed, unreachable and\n"
         "interrupted.\n\n"
         "JSON fields: \"changed\", \"differences\" ([{\"key\", \"before\", \"after\"}]),\n"
         "\"before\" and \"after\" (configurations; \"after\" is what the device holds: read\n"
         "back, or \"unknown\" for a value it did not confirm; with --check what it would\n"
         "hold), \"written\" (the keys the device confirmed), \"restarted\", \"expected_at\",\n"
         "\"now_at\", \"found_at\", \"pending_restart\", \"version\", \"date\"; the document\n"
         "has \"check\".\n"},
        {"import",
         "import FILE [VALUE OPTIONS] [--restart] HOST[:PORT]...",
         "write a configuration exported before (FILE \"-\": standard input)",
         {QStringLiteral("FILE")},
         1,
         WithRestart(kValueOptions),
         "FILE holds a document of export, or a bare configuration object. Unknown keys,\n"
         "wrong types and values that fail their checks are refused before anything is\n"
         "sent. A value option overrides the file's value; give --ip for each clone, or\n"
         "leave \"ip\" and \"mac\" out of the file, so that no two devices share them.\n\n"
         "JSON fields: as for write.\n"},
        {"image-info",
         "image-info FILE",
         "check a firmware image file offline",
         {QStringLiteral("FILE")},
         0,
         {},
         "Exit 0 for a valid image, 2 for a file that is none.\n\n"
         "JSON fields: \"file\", \"length\", \"crc\" (4 hexadecimal digits), \"version\",\n"
         "\"date\", \"valid\", \"verdict\".\n"},
        {"upgrade",
         "upgrade FILE HOST[:PORT]...",
         "upload and install a firmware image, then verify it",
         {QStringLiteral("FILE")},
         1,
         {kInstallPause},
         "Checks the image, uploads it block by block (a progress bar on standard error when\n"
         "it is a terminal), installs it, follows the device's restart, reads the new\n"
         "version and reads the whole image back. Exit 0 only when the device holds exactly\n"
         "the file.\n\n"
         "JSON fields: \"version\", \"date\" (as read after the restart), \"blocks\",\n"
         "\"same\", \"mismatched_blocks\".\n"},
        {"compare",
         "compare FILE HOST[:PORT]...",
         "compare the device's stored image with a file",
         {QStringLiteral("FILE")},
         1,
         {},
         "Exit 0 when versions and every block agree, 1 when they differ.\n\n"
         "JSON fields: \"same\", \"mismatched_blocks\".\n"},
        {"rcom",
         "rcom on|off|status HOST[:PORT]...",
         "switch the remote COM-port function",
         {QStringLiteral("on|off|status")},
         1,
         {},
         "JSON fields: \"remote_com\" (\"on\", \"off\" or \"unknown\").\n"},
        {"instrument",
         "instrument NUMBER HOST[:PORT]...",
         "read an instrument's current values through the string protocol",
         {QStringLiteral("NUMBER")},
         1,
         {},
         "NUMBER names the instrument as on its plate (BA001). The block is printed as a\n"
         "hexadecimal dump.\n\n"
         "JSON fields: \"instrument\", \"length\" (the bytes the instrument sent), "
         "\"block\"\n(hexadecimal).\n"},
        {"modbus",
         "modbus \"FRAME\" [--float ORDER] HOST[:PORT]...",
         "send a ModBus/TCP frame and print the reply",
         {QStringLiteral("FRAME")},
         1,
         {{"float", "ORDER",
           "decode the registers of a read reply as floats in this byte order: 1-0-3-2,\n"
           "    0-1-2-3, 3-2-1-0, 2-3-0-1, 0..3, or auto (the order the device reports)"}},
         "FRAME is the whole frame, header included, as hexadecimal bytes separated by\n"
         "blanks: \"00 01 00 00 00 06 01 03 00 00 00 02\". The length field must match.\n"
         "An exception reply exits 1 and is printed by name.\n\n"
         "JSON fields: \"request\", \"header\", \"pdu\" (hexadecimal), \"exception\" (code and\n"
         "name, or null), \"byte_order\", \"floats\".\n"},
        {"scan",
         "scan CIDR [--port P]",
         "find devices on a range of addresses (at most a /16)",
         {QStringLiteral("CIDR")},
         0,
         {{"port", "P", "the port to probe (default 1024)"}},
         "CIDR is A.B.C.D/N or A.B.C.D-E.F.G.H. Connects to every address of the range, a\n"
         "bounded number at once, and asks each for \"?Version\". Exit 0 when the scan ran,\n"
         "whatever it found.\n\n"
         "JSON: {\"command\": \"scan\", \"exit_code\": 0, \"range\": CIDR, \"port\": P,\n"
         "\"devices\": [{\"address\", \"port\", \"version\", \"date\", \"mac\"}]}\n"},
    };
    return commands;
}

const CommandSpec* FindCommand(const QString& name) {
    for (const CommandSpec& spec : Commands())
        if (name == QLatin1String(spec.name))
            return &spec;
    return nullptr;
}

namespace {

QString OptionLines(const QList<OptionSpec>& options) {
    QString text;
    for (const OptionSpec& option : options) {
        QString head = QStringLiteral("  --") + QLatin1String(option.name);
        if (*option.value)
            head += QLatin1Char(' ') + QLatin1String(option.value);
        text += head.leftJustified(24) + QLatin1Char(' ') + QLatin1String(option.help) +
                QLatin1Char('\n');
    }
    return text;
}

const char* const kExitCodes = "Exit codes:\n"
                               "  0  done\n"
                               "  1  the device refused, or a verification failed\n"
                               "  2  bad usage or bad input; nothing was sent\n"
                               "  3  could not connect, or a device fell silent, answered "
                               "garbage or dropped the connection\n"
                               "  4  apply --check: some host would change (drift), none failed\n"
                               "  130, 143  interrupted (SIGINT, SIGTERM); each host's report "
                               "keeps what was done, the hosts not begun are \"interrupted\"\n"
                               "With several hosts, the highest code any host got; a failure "
                               "(1, 2, 3) outranks drift (4).\n";

} // namespace

QString ProgramHelp() {
    QString text = QStringLiteral("Usage: rk5720-cli COMMAND [OPTIONS] ARGUMENTS\n"
                                  "Configures, upgrades and tests RK5720 LAN communication "
                                  "servers from scripts.\n"
                                  "HOST is an address or name, PORT defaults to 1024.\n\n"
                                  "Commands:\n");
    for (const CommandSpec& spec : Commands())
        text += QStringLiteral("  ") + QString::fromLatin1(spec.name).leftJustified(12) +
                QLatin1String(spec.summary) + QLatin1Char('\n');
    text += QStringLiteral("\nOptions of every command:\n") + OptionLines(CommonOptions());
    text += OptionLines({{"version", "", "print the version"}}) + QLatin1Char('\n');
    text += QLatin1String(kExitCodes);
    text += QStringLiteral("\n\"rk5720-cli COMMAND --help\" describes a command.\n");
    return text;
}

QString CommandHelp(const CommandSpec& spec) {
    QString text = QStringLiteral("Usage: rk5720-cli ") + QLatin1String(spec.synopsis) +
                   QStringLiteral("\n") + QLatin1String(spec.summary) + QStringLiteral(".\n\n") +
                   QLatin1String(spec.details);
    if (!spec.options.isEmpty())
        text += QStringLiteral("\nOptions:\n") + OptionLines(spec.options);
    text += QStringLiteral("\nOptions of every command:\n") + OptionLines(CommonOptions());
    const QString name = QLatin1String(spec.name);
    if (name == QLatin1String("read") || name == QLatin1String("write") ||
        name == QLatin1String("export") || name == QLatin1String("import") ||
        name == QLatin1String("apply"))
        text += QLatin1Char('\n') + QLatin1String(kConfigJson);
    if (spec.minHosts != 0)
        text += QLatin1Char('\n') + QLatin1String(kResultJson);
    text += QLatin1Char('\n') + QLatin1String(kExitCodes);
    return text;
}
