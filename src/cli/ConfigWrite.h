#pragma once

#include "CommandLine.h"
#include "ConfigProcedures.h"
#include "DeviceSession.h"
#include "ValuesTable.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <optional>

// The configuration as read, into the report: the JSON fields and a line per
// value.
void ReportConfig(DeviceSession& session);

// Writes `values` on a connected session; each must be confirmed. With
// `restart` the device restarts, is followed to its new address and port,
// must be the same device (its MAC address) and must read back every value
// as written. Failures are reported.
void WriteValues(DeviceSession& session, const QList<ConfigValue>& values, bool restart);

// A configuration file's bytes (FILE "-": standard input), at most 1 MiB.
std::optional<QByteArray> ReadConfigInput(const QString& name, QString& error);

// The command line's hosts, each to get `values`; nothing, with `error`, when
// several hosts would get one address or MAC address.
std::optional<QList<HostValues>>
SameValuesForEveryHost(const CommandLine& line, const QList<ConfigValue>& values, QString& error);

// Runs `work` for each host with its own values, as RunOnTargets does; the
// hosts replace the command line's. Warnings on the values go first.
int RunOnHostValues(const CommandLine& line, const QList<HostValues>& hosts,
                    const std::function<void(HostReport&, const QList<ConfigValue>&)>& work);
