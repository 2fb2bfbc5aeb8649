#pragma once

#include "AnswerGrammar.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// The values a device reports, in the order the read fields are cleared.
enum class DeviceField : int {
    MacAddr,
    SpeedDuplex,
    IpAddr,
    NetMask,
    Port,
    Gateway,
    PackFloat,
    Version,
    Date,
};
inline constexpr int kDeviceFieldCount = 9;

// The settings a device confirms or refuses with a SET_ answer: the seven of
// the configuration, then the remote COM-port function of the link test.
enum class DeviceSetting : int {
    IpAddr,
    NetMask,
    Port,
    Gateway,
    MacAddr,
    PackFloat,
    SpeedDuplex,
    RemoteCom,
};
inline constexpr int kDeviceSettingCount = 8;
inline constexpr int kConfigSettingCount = 7;

// How a setting's value is typed, checked, shown and compared.
enum class SettingKind { Address, Mask, Port, Mac, ByteOrder, Speed };

// A value that is legal but likely a mistake, worth a warning.
enum class SettingWarning { None, ZeroLeavesNone, NoDeviceAddress, NoDeviceMac };

// What a setting is to the tool beside its value: where the device answers
// after a restart, and who it is.
enum class SettingRole { None, Address, Port, Identity };

// Everything the tool knows of one setting of the configuration: how it is
// read, written, confirmed, checked, compared and named. Every part of the
// tool walks this table; adding a setting is one row (and its fields in the
// window).
struct SettingRow {
    DeviceSetting setting;
    DeviceField field; // what its query reads
    int readRank;      // its query's place among the read's nine
    const char* query; // the read's query, "?IpAddr;"
    AnswerKey valueKey;
    const char* command; // the assignment, value appended: "IPADDR = "
    AnswerKey confirmKey;
    SettingKind kind;
    const char* windowError; // what the window logs for a value failing its check
    const char* key;         // JSON key and table column
    const char* option;      // command-line option, without dashes
    const char* label;       // in messages
    const char* optionValue; // the option value's placeholder
    const char* optionHelp;
    // No two devices may hold it: what it is to them ("address"), or null.
    const char* uniqueAs;
    SettingWarning warning;
    SettingRole role;
};

// One setting to write, with the text to send: an address, a port, a MAC
// address, or a table index in decimal.
struct ConfigValue {
    DeviceSetting setting;
    QString text;
};

// The seven settings in the window's write order.
const std::array<SettingRow, kConfigSettingCount>& SettingRows();
const SettingRow* FindSettingRow(DeviceSetting setting);
const SettingRow* FindSettingRow(const QString& key);
// The setting whose query reads `field`, or null (the version fields).
const SettingRow* FindSettingRowByField(DeviceField field);
// A value chosen from a list and sent as its index.
inline bool IsTableKind(SettingKind kind) {
    return kind == SettingKind::ByteOrder || kind == SettingKind::Speed;
}
// The value among `values` that sets the setting with `role`, and a
// setting's role.
std::optional<QString> ValueWithRole(const QList<ConfigValue>& values, SettingRole role);
SettingRole RoleOf(DeviceSetting setting);

// One query of the read, in the order "Read" sends them.
struct FieldQuery {
    DeviceField field;
    AnswerKey valueKey;
    const char* text;
};
const std::array<FieldQuery, kDeviceFieldCount>& ReadQueries();
// The query whose answer carries `key`, or null.
const FieldQuery* FindQueryByAnswer(AnswerKey key);
const FieldQuery* FindQuery(DeviceField field);

// The value texts a device reported, one per field, empty where none came:
// what a read hands its caller and what the window's model shows.
class DeviceValues {
public:
    QString Value(DeviceField field) const { return values_[size_t(field)]; }
    void Set(DeviceField field, const QString& value) { values_[size_t(field)] = value; }
    bool HasValues() const;
    // The byte order or speed/duplex as a table index, when the answer held one.
    std::optional<int> IndexValue(DeviceField field) const;

    // Who and where the device is, and what it runs.
    QString Mac() const { return Value(FieldWithRole(SettingRole::Identity)); }
    QString Address() const { return Value(FieldWithRole(SettingRole::Address)); }
    QString Port() const { return Value(FieldWithRole(SettingRole::Port)); }
    QString Version() const { return Value(DeviceField::Version); }
    QString Date() const { return Value(DeviceField::Date); }
    // The float byte order instrument values are decoded with, or -1.
    int ByteOrder() const { return IndexValue(ByteOrderField()).value_or(-1); }
    QString ByteOrderText() const { return Value(ByteOrderField()); }

    static DeviceField FieldWithRole(SettingRole role);
    static DeviceField ByteOrderField();

private:
    std::array<QString, kDeviceFieldCount> values_;
};
