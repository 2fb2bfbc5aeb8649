#pragma once

#include "ConfigProcedures.h"
#include "DeviceSettings.h"

#include <QByteArray>
#include <QIODevice>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// A device's configuration as a document: JSON keys (and the command line's
// option names) for the seven writable settings, checked with the window's
// checks before anything is sent, and compared after a restart. The command
// line's export and import and the window's saved configurations share it.

// The seven writable settings in the window's write order.
inline const std::array<DeviceSetting, kConfigSettingCount> kWriteOrder = [] {
    std::array<DeviceSetting, kConfigSettingCount> order{};
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = SettingRows()[i].setting;
    return order;
}();

// True when the nine read values are all there and valid; else `problem`
// names the first that is not.
bool ReadBackConfig(const DeviceValues& model, QString& problem);
// The seven settings as read, as the JSON object export writes and import reads.
QJsonObject ConfigJson(const DeviceValues& model);
// The same for people, one "name: value" line each.
QStringList ConfigLines(const DeviceValues& model);

// The export document: the configuration, the version and date read, and
// where it came from (HOST:PORT).
QJsonObject ExportDocument(const DeviceValues& model, const QString& source);
// A configuration file is a few hundred bytes, a fleet's table some
// kilobytes: anything past this is some other file.
inline constexpr qint64 kMaxConfigFileBytes = 1 << 20;
// What an open `file` holds, up to that limit; nothing when it holds more
// (one byte past the limit tells, whatever the file claims of its size).
std::optional<QByteArray> ReadConfigFile(QIODevice& file);
// `document` written to `path` whole or not at all, so that an older file in
// its place is never left half replaced; false, with the file's error text.
bool SaveDocument(const QString& path, const QJsonObject& document, QString& error);

// The values of an export document or a bare configuration object.
std::optional<QList<ConfigValue>> ValuesFromJson(const QByteArray& json, QString& error);

// One export's values and the HOST:PORT it was read from ("" when it does
// not say).
struct SourcedValues {
    QString source;
    QList<ConfigValue> values;
};
// The exports of a document: a configuration or one export, or the
// {"exports": [...]} of several hosts, each checked as ValuesFromJson does.
std::optional<QList<SourcedValues>> ExportsFromJson(const QByteArray& json, QString& error);
// What is legal but likely a mistake: a mask or gateway of 0.0.0.0, a
// broadcast or multicast MAC address. Worth a warning, not a refusal.
QStringList ValueWarnings(const QList<ConfigValue>& values);

// `base` with every setting `overrides` has replaced, in the write order.
QList<ConfigValue> MergeValues(const QList<ConfigValue>& base, const QList<ConfigValue>& overrides);

// The JSON key of a setting ("ip", "byte_order" ...), and its option name
// ("byte-order").
QString SettingKey(DeviceSetting setting);
QString SettingOption(DeviceSetting setting);
std::optional<DeviceSetting> SettingByKey(const QString& key);
// The text to send for a typed value, or nothing when it fails the check; a
// table value by its text or its index gives the index.
std::optional<QString> CheckedSettingText(DeviceSetting setting, const QString& text);
// What a value that failed its check should have looked like.
QString ExpectedSettingForm(DeviceSetting setting);
// A setting's value as read (a table's text, not its index), and a value to
// send shown the same way.
QString ShownSettingValue(DeviceSetting setting, const DeviceValues& model);
QString ShownSettingText(const ConfigValue& value);
// The values of `desired` that the device, as read, holds otherwise.
QList<ConfigValue> DifferingValues(const QList<ConfigValue>& desired, const DeviceValues& model);
// One text per written value that did not read back as written.
QStringList Mismatches(const QList<ConfigValue>& written, const DeviceValues& model);
