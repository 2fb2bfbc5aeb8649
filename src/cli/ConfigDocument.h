#pragma once

#include "CommandLine.h"
#include "ConfigProcedures.h"
#include "DeviceModel.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The device's configuration as scripts see it: JSON keys and command-line
// options for the seven writable settings, checked with the window's checks
// before anything is sent, and compared after a restart.

// True when the nine read values are all there and valid; else `problem`
// names the first that is not.
bool ReadBackConfig(const DeviceModel& model, QString& problem);
// The seven settings as read, as the JSON object export writes and import reads.
QJsonObject ConfigJson(const DeviceModel& model);
// The same for people, one "name: value" line each.
QStringList ConfigLines(const DeviceModel& model);

// The values given as --ip, --mask ... in the window's write order.
std::optional<QList<ConfigValue>> ValuesFromOptions(const CommandLine& line, QString& error);
// The values of an export document or a bare configuration object.
std::optional<QList<ConfigValue>> ValuesFromJson(const QByteArray& json, QString& error);
// `base` with every setting `overrides` has replaced, in the write order.
// What is legal but likely a mistake: a mask or gateway of 0.0.0.0, a
// broadcast or multicast MAC address. Worth a warning, not a refusal.
QStringList ValueWarnings(const QList<ConfigValue>& values);

QList<ConfigValue> MergeValues(const QList<ConfigValue>& base, const QList<ConfigValue>& overrides);

// The JSON key of a setting ("ip", "byte_order" ...).
QString SettingKey(DeviceSetting setting);
// One text per written value that did not read back as written.
QStringList Mismatches(const QList<ConfigValue>& written, const DeviceModel& model);
