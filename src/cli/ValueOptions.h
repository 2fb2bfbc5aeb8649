#pragma once

#include "Command.h"
#include "CommandLine.h"
#include "ConfigProcedures.h"

#include <QList>
#include <QString>

#include <optional>

// The values given as --ip, --mask ... in the window's write order, each
// checked; nothing, with `error` naming the option, when one fails.
std::optional<QList<ConfigValue>> ValuesFromOptions(const CommandLine& line, QString& error);

// The options --ip, --mask ... of the commands that write, with their help lines.
QList<OptionSpec> SettingValueOptions();
