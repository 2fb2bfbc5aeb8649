#pragma once

#include "TableOutput.h"
#include "Target.h"

#include <QMap>
#include <QString>
#include <QStringList>

struct Command;

// A command line taken apart and checked before anything is sent: the command,
// its leading arguments (a file, a number, a frame ...), the hosts, and the
// options given, each known to the command.
struct CommandLine {
    QString command;
    const Command* spec = nullptr; // the command's entry in the list
    QStringList arguments;
    QList<Target> targets;
    QMap<QString, QString> options; // name without dashes -> value ("" for a flag)

    bool Has(const QString& name) const { return options.contains(name); }
    QString Value(const QString& name) const { return options.value(name); }
    bool json = false;
    int jobs = 8;
    int timeoutMs = 3000;
    // --answer-timeout: how long one command's answer may take.
    int answerTimeoutMs = 500;
    // --restart-pause: how long a restarting device is left alone; -1 for the
    // core's own pauses.
    int restartPauseMs = -1;
    bool verbose = false;
    OutputFormat format = OutputFormat::Text;
    // --retries: connection attempts after the first that failed.
    int retries = 0;
};

// What parsing gave: a command line to run, a text to print (help, version),
// or a usage error.
struct ParseOutcome {
    enum class Kind { Run, Print, Error } kind = Kind::Error;
    CommandLine line;
    QString text;
};

// `arguments` without the program's name, taken apart by the rules of `commands`.
ParseOutcome ParseCommandLine(const QList<Command>& commands, const QStringList& arguments);
