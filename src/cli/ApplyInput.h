#pragma once

#include "CommandLine.h"
#include "ValuesTable.h"

#include <QList>
#include <QString>

#include <optional>

// What apply is to make of which host, from its first argument: a fleet's
// CSV table (it names the hosts), a folder of exports or an {"exports": [...]}
// document (each export's "source" is its host), or one configuration or
// export for the hosts given (an export's "source" when none is). Nothing,
// with `error` (a usage error) when the input or the hosts do not fit.
std::optional<QList<HostValues>> ApplyHosts(const CommandLine& line, QString& error);
