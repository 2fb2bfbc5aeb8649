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
void ReportConfig(HostReport& report, const DeviceValues& values);

// What a write did: the settings the device confirmed after their own
// command and those it refused, whether the restart was sent, and the
// configuration read back afterwards, if it was.
struct WriteVerdict {
    QList<DeviceSetting> confirmed;
    QList<DeviceSetting> refused;
    bool restartSent = false;
    std::optional<DeviceValues> readBack;
};

// Writes `values` on a connected session; each must be confirmed. With
// `restart` the device restarts, is followed to its new address and port,
// must be the same device (its MAC address) and must read back every value
// as written. Failures are reported; "written" lists what was confirmed.
WriteVerdict WriteValues(DeviceSession& session, const QList<ConfigValue>& values, bool restart);

// Restarts the device without writing (its stored address and port differ
// from those it answers at) and follows it to `address`:`port`, where it must
// be the same device; reported as WriteValues does after its restart.
WriteVerdict RestartOnly(DeviceSession& session, const QString& address, int port);

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
