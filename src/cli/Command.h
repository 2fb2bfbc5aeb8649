#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct CommandLine;

// One option of a command: its name, the placeholder of its value (empty for
// a flag) and its help line.
struct OptionSpec {
    const char* name;
    const char* value;
    const char* help;
};

// Which hosts a command takes after its leading arguments.
enum class HostRule {
    None, // works offline or on a range of its own (image-info, scan)
    Some, // one or more
    Any,  // any number: a file given may name them
};

// One command of rk5720-cli: what the parser checks, what its help says, the
// function that runs it, and the ways its run and its output differ from the
// others'. The list of them is Commands() (Commands.h); adding a command is
// one entry there.
struct Command {
    const char* name;
    const char* synopsis;
    const char* summary;
    QStringList leading; // placeholders of the arguments before the hosts
    HostRule hosts;
    QList<OptionSpec> options;
    const char* details;
    // Returns the process's exit code.
    int (*run)(const CommandLine& line);

    // Defaults of --jobs and --timeout.
    int jobs = 8;
    int timeoutMs = 3000;
    // --format table|csv applies: its output is one row per host (or device).
    bool rows = true;
    // Its help describes the JSON of a configuration.
    bool configHelp = false;
    // The columns of its table whatever its hosts gave, so that a spreadsheet's
    // formulas keep their columns from run to run; empty: the fields found.
    QStringList fixedColumns = {};
    // In text, a line counting the hosts by outcome ends the run.
    bool summaryLine = false;
    // Flags the JSON document of the run records as true or false.
    QStringList documentFlags = {};
};

// Options every command takes.
const QList<OptionSpec>& CommonOptions();
const Command* FindCommand(const QList<Command>& commands, const QString& name);

QString ProgramHelp(const QList<Command>& commands);
QString CommandHelp(const Command& command);
