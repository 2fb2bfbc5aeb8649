#include "Command.h"

namespace {

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

const Command* FindCommand(const QList<Command>& commands, const QString& name) {
    for (const Command& command : commands)
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

QString ProgramHelp(const QList<Command>& commands) {
    QString text = QStringLiteral("Usage: rk5720-cli COMMAND [OPTIONS] ARGUMENTS\n"
                                  "Configures, upgrades and tests RK5720 LAN communication "
                                  "servers from scripts.\n"
                                  "HOST is an address or name, PORT defaults to 1024.\n\n"
                                  "Commands:\n");
    for (const Command& command : commands)
        text += QStringLiteral("  ") + QString::fromLatin1(command.name).leftJustified(12) +
                QLatin1String(command.summary) + QLatin1Char('\n');
    text += QStringLiteral("\nOptions of every command:\n") + OptionLines(CommonOptions());
    text += OptionLines({{"version", "", "print the version"}}) + QLatin1Char('\n');
    text += QLatin1String(kExitCodes);
    text += QStringLiteral("\n\"rk5720-cli COMMAND --help\" describes a command.\n");
    return text;
}

QString CommandHelp(const Command& command) {
    QString text = QStringLiteral("Usage: rk5720-cli ") + QLatin1String(command.synopsis) +
                   QStringLiteral("\n") + QLatin1String(command.summary) + QStringLiteral(".\n\n") +
                   QLatin1String(command.details);
    if (!command.options.isEmpty())
        text += QStringLiteral("\nOptions:\n") + OptionLines(command.options);
    text += QStringLiteral("\nOptions of every command:\n") + OptionLines(CommonOptions());
    if (command.configHelp)
        text += QLatin1Char('\n') + QLatin1String(kConfigJson);
    if (command.hosts != HostRule::None)
        text += QLatin1Char('\n') + QLatin1String(kResultJson);
    text += QLatin1Char('\n') + QLatin1String(kExitCodes);
    return text;
}
