#include "CommandLine.h"

#include "Command.h"
#include "Version.h"

#include <QHash>

namespace {

const OptionSpec* FindOption(const QList<OptionSpec>& options, const QString& name) {
    for (const OptionSpec& option : options)
        if (name == QLatin1String(option.name))
            return &option;
    return nullptr;
}

ParseOutcome Error(const QString& text) {
    ParseOutcome outcome;
    outcome.kind = ParseOutcome::Kind::Error;
    outcome.text = text;
    return outcome;
}

ParseOutcome Print(const QString& text) {
    ParseOutcome outcome;
    outcome.kind = ParseOutcome::Kind::Print;
    outcome.text = text;
    return outcome;
}

bool ReadCount(const QString& text, int low, int high, int& value) {
    const std::optional<int> number = StrictNumber(text, low, high);
    if (number)
        value = *number;
    return number.has_value();
}

} // namespace

ParseOutcome ParseCommandLine(const QList<Command>& commands, const QStringList& arguments) {
    if (arguments.isEmpty())
        return Error(QStringLiteral("no command given\n\n") + ProgramHelp(commands));
    const QString first = arguments.front();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("help"))
        return Print(ProgramHelp(commands));
    if (first == QLatin1String("--version"))
        return Print(QStringLiteral("rk5720-cli " RK_VERSION_STRING "\n"));
    const Command* spec = FindCommand(commands, first);
    if (!spec)
        return Error(
            QStringLiteral("unknown command \"%1\"; \"rk5720-cli --help\" lists them").arg(first));

    ParseOutcome outcome;
    CommandLine& line = outcome.line;
    line.command = first;
    line.spec = spec;
    QStringList positional;
    bool onlyPositional = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        if (onlyPositional || !argument.startsWith(QLatin1Char('-')) ||
            argument == QLatin1String("-")) {
            positional.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            onlyPositional = true;
            continue;
        }
        if (argument == QLatin1String("-h"))
            argument = QStringLiteral("--help");
        if (argument == QLatin1String("-o"))
            argument = QStringLiteral("--output");
        if (argument == QLatin1String("-v"))
            argument = QStringLiteral("--verbose");
        if (!argument.startsWith(QLatin1String("--")))
            return Error(QStringLiteral("unknown option \"%1\" for %2").arg(argument, first));
        QString name = argument.mid(2);
        QString value;
        bool inlineValue = false;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            value = name.mid(equals + 1);
            name = name.left(equals);
            inlineValue = true;
        }
        const OptionSpec* option = FindOption(spec->options, name);
        if (!option)
            option = FindOption(CommonOptions(), name);
        if (!option)
            return Error(QStringLiteral("unknown option \"--%1\" for %2; \"rk5720-cli %2 --help\" "
                                        "lists them")
                             .arg(name, first));
        if (*option->value && !inlineValue) {
            if (i + 1 >= arguments.size())
                return Error(QStringLiteral("option --%1 needs a value (%2)")
                                 .arg(name, QLatin1String(option->value)));
            value = arguments.at(++i);
        } else if (!*option->value && inlineValue) {
            return Error(QStringLiteral("option --%1 takes no value").arg(name));
        }
        if (line.options.contains(name))
            return Error(QStringLiteral("option --%1 given twice").arg(name));
        line.options.insert(name, value);
    }

    if (line.Has(QStringLiteral("help")))
        return Print(CommandHelp(*spec));
    line.json = line.Has(QStringLiteral("json"));
    line.verbose = line.Has(QStringLiteral("verbose"));
    line.jobs = spec->jobs;
    line.timeoutMs = spec->timeoutMs;
    if (line.Has(QStringLiteral("jobs")) &&
        !ReadCount(line.Value(QStringLiteral("jobs")), 1, 1024, line.jobs))
        return Error(QStringLiteral("bad --jobs \"%1\": expected 1..1024")
                         .arg(line.Value(QStringLiteral("jobs"))));
    if (line.Has(QStringLiteral("timeout")) &&
        !ReadCount(line.Value(QStringLiteral("timeout")), 1, 600000, line.timeoutMs))
        return Error(QStringLiteral("bad --timeout \"%1\": expected 1..600000 milliseconds")
                         .arg(line.Value(QStringLiteral("timeout"))));
    if (line.Has(QStringLiteral("answer-timeout")) &&
        !ReadCount(line.Value(QStringLiteral("answer-timeout")), 1, 60000, line.answerTimeoutMs))
        return Error(QStringLiteral("bad --answer-timeout \"%1\": expected 1..60000 milliseconds")
                         .arg(line.Value(QStringLiteral("answer-timeout"))));
    if (line.Has(QStringLiteral("restart-pause")) &&
        !ReadCount(line.Value(QStringLiteral("restart-pause")), 0, 600000, line.restartPauseMs))
        return Error(QStringLiteral("bad --restart-pause \"%1\": expected 0..600000 milliseconds")
                         .arg(line.Value(QStringLiteral("restart-pause"))));

    if (line.Has(QStringLiteral("retries")) &&
        !ReadCount(line.Value(QStringLiteral("retries")), 0, 100, line.retries))
        return Error(QStringLiteral("bad --retries \"%1\": expected 0..100")
                         .arg(line.Value(QStringLiteral("retries"))));
    if (line.Has(QStringLiteral("format"))) {
        const QString format = line.Value(QStringLiteral("format"));
        if (format == QLatin1String("table"))
            line.format = OutputFormat::Table;
        else if (format == QLatin1String("csv"))
            line.format = OutputFormat::Csv;
        else if (format != QLatin1String("text"))
            return Error(
                QStringLiteral("bad --format \"%1\": expected text, table or csv").arg(format));
        if (line.json && line.format != OutputFormat::Text)
            return Error(QStringLiteral("--format %1 and --json exclude each other").arg(format));
        if (!spec->rows && line.format != OutputFormat::Text)
            return Error(QStringLiteral("--format %1 does not apply to %2").arg(format, first));
    }

    const qsizetype leading = spec->leading.size();
    if (positional.size() < leading)
        return Error(
            QStringLiteral("%1 needs %2; usage: rk5720-cli %3")
                .arg(first, spec->leading.join(QLatin1Char(' ')), QLatin1String(spec->synopsis)));
    line.arguments = positional.mid(0, leading);
    QStringList hosts = positional.mid(leading);
    if (line.Has(QStringLiteral("hosts-file"))) {
        if (spec->hosts == HostRule::None)
            return Error(QStringLiteral("--hosts-file does not apply to %1").arg(first));
        const QString name = line.Value(QStringLiteral("hosts-file"));
        if (name == QLatin1String("-") && line.arguments.contains(QLatin1String("-")))
            return Error(QStringLiteral("--hosts-file - and %1 - cannot both read standard input")
                             .arg(first));
        QString error;
        const std::optional<QStringList> listed = ReadHostsFile(name, error);
        if (!listed)
            return Error(error);
        hosts += *listed;
    }
    if (spec->hosts == HostRule::None && !hosts.isEmpty())
        return Error(QStringLiteral("unexpected argument \"%1\"; usage: rk5720-cli %2")
                         .arg(hosts.front(), QLatin1String(spec->synopsis)));
    if (spec->hosts == HostRule::Some && hosts.isEmpty())
        return Error(QStringLiteral("%1 needs a host; usage: rk5720-cli %2")
                         .arg(first, QLatin1String(spec->synopsis)));
    QHash<QString, QString> given; // the device -> how it was first written
    for (const QString& host : hosts) {
        QString error;
        const std::optional<Target> target = ParseTarget(host, error);
        if (!target)
            return Error(error);
        // Two sessions on one device would write over each other.
        const QString key = target->Key();
        if (const auto earlier = given.constFind(key); earlier != given.cend())
            return Error(*earlier == target->Text()
                             ? QStringLiteral("host %1 is given twice").arg(target->Text())
                             : QStringLiteral("host %1 is given twice (as %2)")
                                   .arg(target->Text(), *earlier));
        given.insert(key, target->Text());
        line.targets.append(*target);
    }
    outcome.kind = ParseOutcome::Kind::Run;
    return outcome;
}
