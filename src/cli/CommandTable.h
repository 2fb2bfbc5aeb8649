#pragma once

#include <QString>
#include <QStringList>

// One option of a command: its name, the placeholder of its value (empty for
// a flag) and its help line.
struct OptionSpec {
    const char* name;
    const char* value;
    const char* help;
};

// One command: how many arguments precede the hosts, whether it takes hosts,
// its options and help.
struct CommandSpec {
    const char* name;
    const char* synopsis;
    const char* summary;
    QStringList leading; // placeholders of the arguments before the hosts
    int minHosts; // 0: no hosts; 1: one or more; -1: exactly one; 2: any (a file may name them)
    QList<OptionSpec> options;
    const char* details;
};

const QList<CommandSpec>& Commands();
const CommandSpec* FindCommand(const QString& name);
// Options every command takes.
const QList<OptionSpec>& CommonOptions();

QString ProgramHelp();
QString CommandHelp(const CommandSpec& spec);
