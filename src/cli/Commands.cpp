#include "Commands.h"

#include "TableOutput.h"
#include "ValueOptions.h"

namespace {

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

const QString kSocketError = QStringLiteral("socket_error");

// The columns of write and import, which share their fields.
QStringList WriteColumns() {
    return ConfigColumns() + QStringList{QStringLiteral("now_at"),
                                         QStringLiteral("written"),
                                         QStringLiteral("version"),
                                         QStringLiteral("date"),
                                         QStringLiteral("expected_at"),
                                         QStringLiteral("restarted"),
                                         kSocketError};
}

QList<OptionSpec> WithRestart(QList<OptionSpec> options) {
    options << kRestart << kRestartPause;
    return options;
}

QList<Command> MakeCommands() {
    Command read{
        "read",
        "read [OPTIONS] HOST[:PORT]...",
        "read the nine parameters, the version and its date",
        {},
        HostRule::Some,
        {},
        "Sends the nine queries of the window's \"Read\" and checks that each was answered\n"
        "with a valid value.\n\n"
        "JSON fields: \"config\" (see below), \"version\", \"date\".\n",
        RunRead};
    read.configHelp = true;
    read.fixedColumns = ConfigColumns() + QStringList{QStringLiteral("version"),
                                                      QStringLiteral("date"), kSocketError};

    Command write{
        "write",
        "write [VALUE OPTIONS] [--restart] HOST[:PORT]...\n"
        "       rk5720-cli write --values FILE.csv [--restart]",
        "write network parameters, optionally restart and verify",
        {},
        HostRule::Any,
        WithRestart(SettingValueOptions()) << kValuesTable,
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
        "\"config\", \"version\", \"date\" (read back after a restart).\n",
        RunWrite};
    write.configHelp = true;
    write.fixedColumns = WriteColumns();

    Command exports{
        "export",
        "export [-o FILE|DIR] HOST[:PORT]...",
        "write devices' configurations as JSON",
        {},
        HostRule::Some,
        {{"output", "FILE|DIR",
          "write to FILE instead of standard output (-o); with several hosts, into the\n"
          "    folder DIR, one file HOST_PORT.json per host"}},
        "The document is {\"config\": {...}, \"version\": TEXT, \"date\": TEXT, \"source\":\n"
        "HOST:PORT}; import and apply take it back. Clone a device: export A | import - B.\n"
        "Several hosts to standard output give one document {\"exports\": [DOCUMENT ...]}\n"
        "with the hosts that could be read, in the order given. Files are written whole.\n",
        RunExport};
    // Its output is its document.
    exports.rows = false;
    exports.configHelp = true;

    Command apply{
        "apply",
        "apply FILE [--check] [--restart] HOST[:PORT]...\n"
        "       rk5720-cli apply FILE.csv|DIR|EXPORTS.json [--check] [--restart]",
        "make devices hold a desired configuration, changing only what differs",
        {QStringLiteral("FILE")},
        HostRule::Any,
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
        "has \"check\".\n",
        RunApply};
    apply.configHelp = true;
    apply.fixedColumns =
        QStringList{QStringLiteral("changed"),    QStringLiteral("pending_restart"),
                    QStringLiteral("restarted"),  QStringLiteral("written"),
                    QStringLiteral("found_at"),   QStringLiteral("now_at"),
                    QStringLiteral("expected_at")} +
        ConfigColumns(QStringLiteral("before.")) + ConfigColumns(QStringLiteral("after.")) +
        QStringList{QStringLiteral("version"), QStringLiteral("date"), kSocketError};
    apply.summaryLine = true;
    apply.documentFlags = {QStringLiteral("check")};

    Command import{
        "import",
        "import FILE [VALUE OPTIONS] [--restart] HOST[:PORT]...",
        "write a configuration exported before (FILE \"-\": standard input)",
        {QStringLiteral("FILE")},
        HostRule::Some,
        WithRestart(SettingValueOptions()),
        "FILE holds a document of export, or a bare configuration object. Unknown keys,\n"
        "wrong types and values that fail their checks are refused before anything is\n"
        "sent. A value option overrides the file's value; give --ip for each clone, or\n"
        "leave \"ip\" and \"mac\" out of the file, so that no two devices share them.\n\n"
        "JSON fields: as for write.\n",
        RunImport};
    import.configHelp = true;
    import.fixedColumns = WriteColumns();

    Command imageInfo{
        "image-info",
        "image-info FILE",
        "check a firmware image file offline",
        {QStringLiteral("FILE")},
        HostRule::None,
        {},
        "Exit 0 for a valid image, 2 for a file that is none.\n\n"
        "JSON fields: \"file\", \"length\", \"crc\" (4 hexadecimal digits), \"version\",\n"
        "\"date\", \"valid\", \"verdict\".\n",
        RunImageInfo};
    imageInfo.rows = false;

    Command upgrade{
        "upgrade",
        "upgrade FILE HOST[:PORT]...",
        "upload and install a firmware image, then verify it",
        {QStringLiteral("FILE")},
        HostRule::Some,
        {kInstallPause},
        "Checks the image, uploads it block by block (a progress bar on standard error when\n"
        "it is a terminal), installs it, follows the device's restart, reads the new\n"
        "version and reads the whole image back. Exit 0 only when the device holds exactly\n"
        "the file.\n\n"
        "JSON fields: \"version\", \"date\" (as read after the restart), \"blocks\",\n"
        "\"same\", \"mismatched_blocks\".\n",
        RunUpgrade};

    Command compare{"compare",
                    "compare FILE HOST[:PORT]...",
                    "compare the device's stored image with a file",
                    {QStringLiteral("FILE")},
                    HostRule::Some,
                    {},
                    "Exit 0 when versions and every block agree, 1 when they differ.\n\n"
                    "JSON fields: \"same\", \"mismatched_blocks\".\n",
                    RunCompare};

    Command rcom{"rcom",
                 "rcom on|off|status HOST[:PORT]...",
                 "switch the remote COM-port function",
                 {QStringLiteral("on|off|status")},
                 HostRule::Some,
                 {},
                 "JSON fields: \"remote_com\" (\"on\", \"off\" or \"unknown\").\n",
                 RunRemoteCom};

    Command instrument{
        "instrument",
        "instrument NUMBER HOST[:PORT]...",
        "read an instrument's current values through the string protocol",
        {QStringLiteral("NUMBER")},
        HostRule::Some,
        {},
        "NUMBER names the instrument as on its plate (BA001). The block is printed as a\n"
        "hexadecimal dump.\n\n"
        "JSON fields: \"instrument\", \"length\" (the bytes the instrument sent), "
        "\"block\"\n(hexadecimal).\n",
        RunInstrument};

    Command modbus{
        "modbus",
        "modbus \"FRAME\" [--float ORDER] HOST[:PORT]...",
        "send a ModBus/TCP frame and print the reply",
        {QStringLiteral("FRAME")},
        HostRule::Some,
        {{"float", "ORDER",
          "decode the registers of a read reply as floats in this byte order: 1-0-3-2,\n"
          "    0-1-2-3, 3-2-1-0, 2-3-0-1, 0..3, or auto (the order the device reports)"}},
        "FRAME is the whole frame, header included, as hexadecimal bytes separated by\n"
        "blanks: \"00 01 00 00 00 06 01 03 00 00 00 02\". The length field must match.\n"
        "An exception reply exits 1 and is printed by name.\n\n"
        "JSON fields: \"request\", \"header\", \"pdu\" (hexadecimal), \"exception\" (code and\n"
        "name, or null), \"byte_order\", \"floats\".\n",
        RunModbus};

    Command scan{
        "scan",
        "scan CIDR [--port P]",
        "find devices on a range of addresses (at most a /16)",
        {QStringLiteral("CIDR")},
        HostRule::None,
        {{"port", "P", "the port to probe (default 1024)"}},
        "CIDR is A.B.C.D/N or A.B.C.D-E.F.G.H. Connects to every address of the range, a\n"
        "bounded number at once, and asks each for \"?Version\". Exit 0 when the scan ran,\n"
        "whatever it found.\n\n"
        "JSON: {\"command\": \"scan\", \"exit_code\": 0, \"range\": CIDR, \"port\": P,\n"
        "\"devices\": [{\"address\", \"port\", \"version\", \"date\", \"mac\"}]}\n",
        RunScan};
    // Its jobs are plain connections, cheap by the thousand.
    scan.jobs = 1024;
    scan.timeoutMs = 300;

    return {read,    write,   exports, apply,      import, imageInfo,
            upgrade, compare, rcom,    instrument, modbus, scan};
}

} // namespace

const QList<Command>& Commands() {
    static const QList<Command> commands = MakeCommands();
    return commands;
}
