#include "DeviceSettings.h"

#include "ValueChecks.h"

#include <algorithm>

namespace {

using K = AnswerKey;

const std::array<SettingRow, kConfigSettingCount> kRows = {{
    {DeviceSetting::IpAddr, DeviceField::IpAddr, 0, "?IpAddr;", K::IPADDR,
     "IPADDR = ", K::SET_IPADDR, SettingKind::Address, "Error in IP Address", "ip", "ip",
     "IP address", "ADDRESS", "IP address, dotted (A.B.C.D)", "address",
     SettingWarning::NoDeviceAddress, SettingRole::Address},
    {DeviceSetting::NetMask, DeviceField::NetMask, 1, "?NetMask;", K::NETMASK,
     "NETMASK = ", K::SET_NETMASK, SettingKind::Mask, "Error in mask", "mask", "mask", "mask",
     "MASK", "network mask, dotted", nullptr, SettingWarning::ZeroLeavesNone, SettingRole::None},
    {DeviceSetting::Port, DeviceField::Port, 3, "?Service;", K::SERVICE,
     "SERVICE = ", K::SET_SERVICE, SettingKind::Port, "Error in Port", "port", "port", "port",
     "PORT", "TCP port of the device, 1..65535", nullptr, SettingWarning::None, SettingRole::Port},
    {DeviceSetting::Gateway, DeviceField::Gateway, 2, "?GW;", K::GW, "GW = ", K::SET_GW,
     SettingKind::Address, "Error in GW Address", "gw", "gw", "gateway", "ADDRESS",
     "gateway address, dotted", nullptr, SettingWarning::ZeroLeavesNone, SettingRole::None},
    {DeviceSetting::MacAddr, DeviceField::MacAddr, 7, "?MacAddr;", K::MACADDR, "MACADDR = ",
     K::SET_MACADDR, SettingKind::Mac, "Error in MAC Address", "mac", "mac", "MAC address", "MAC",
     "MAC address, six hexadecimal pairs separated by \"-\" (00-0A-1B-2C-3D-4E)", "MAC address",
     SettingWarning::NoDeviceMac, SettingRole::Identity},
    {DeviceSetting::PackFloat, DeviceField::PackFloat, 6, "?PackFloat;", K::PACKFLOAT,
     "PACKFLOAT = ", K::SET_PACKFLOAT, SettingKind::ByteOrder, "", "byte_order", "byte-order",
     "byte order", "ORDER",
     "float byte order: 1-0-3-2, 0-1-2-3, 3-2-1-0, 2-3-0-1, or its index 0..3", nullptr,
     SettingWarning::None, SettingRole::None},
    {DeviceSetting::SpeedDuplex, DeviceField::SpeedDuplex, 8, "?Speed_Duplex;", K::SPEED_DUPLEX,
     "SPEED_DUPLEX = ", K::SET_SPEED_DUPLEX, SettingKind::Speed, "", "speed", "speed",
     "speed/duplex", "MODE",
     "Ethernet speed/duplex: \"Auto\", \"10 Mbit/s full duplex\", \"10 Mbit/s half duplex\", "
     "\"100 Mbit/s full duplex\", \"100 Mbit/s half duplex\", or its index 0..4",
     nullptr, SettingWarning::None, SettingRole::None},
}};

// The two fields a read asks for beside the settings, with their places.
struct InfoQuery {
    int readRank;
    FieldQuery query;
};
const InfoQuery kInfoQueries[] = {
    {4, {DeviceField::Version, K::VERSION, "?Version;"}},
    {5, {DeviceField::Date, K::DATEVERSION, "?DateVersion;"}},
};

std::array<FieldQuery, kDeviceFieldCount> MakeReadQueries() {
    std::array<FieldQuery, kDeviceFieldCount> queries{};
    for (const SettingRow& row : kRows)
        queries[size_t(row.readRank)] = {row.field, row.valueKey, row.query};
    for (const InfoQuery& info : kInfoQueries)
        queries[size_t(info.readRank)] = info.query;
    return queries;
}

} // namespace

const std::array<SettingRow, kConfigSettingCount>& SettingRows() {
    return kRows;
}

const SettingRow* FindSettingRow(DeviceSetting setting) {
    const auto it = std::find_if(kRows.begin(), kRows.end(),
                                 [&](const SettingRow& row) { return row.setting == setting; });
    return it == kRows.end() ? nullptr : &*it;
}

const SettingRow* FindSettingRow(const QString& key) {
    const auto it = std::find_if(kRows.begin(), kRows.end(), [&](const SettingRow& row) {
        return key == QLatin1String(row.key);
    });
    return it == kRows.end() ? nullptr : &*it;
}

SettingRole RoleOf(DeviceSetting setting) {
    const SettingRow* row = FindSettingRow(setting);
    return row ? row->role : SettingRole::None;
}

std::optional<QString> ValueWithRole(const QList<ConfigValue>& values, SettingRole role) {
    for (const ConfigValue& value : values)
        if (RoleOf(value.setting) == role)
            return value.text;
    return std::nullopt;
}

const std::array<FieldQuery, kDeviceFieldCount>& ReadQueries() {
    static const std::array<FieldQuery, kDeviceFieldCount> queries = MakeReadQueries();
    return queries;
}

const FieldQuery* FindQueryByAnswer(AnswerKey key) {
    for (const FieldQuery& query : ReadQueries())
        if (query.valueKey == key)
            return &query;
    return nullptr;
}

const FieldQuery* FindQuery(DeviceField field) {
    for (const FieldQuery& query : ReadQueries())
        if (query.field == field)
            return &query;
    return nullptr;
}

bool DeviceValues::HasValues() const {
    return std::any_of(values_.begin(), values_.end(),
                       [](const QString& value) { return !value.isEmpty(); });
}

std::optional<int> DeviceValues::IndexValue(DeviceField field) const {
    const SettingRow* row = FindSettingRowByField(field);
    if (!row || !IsTableKind(row->kind))
        return std::nullopt;
    const int size =
        row->kind == SettingKind::ByteOrder ? kPackFloatLastIndex + 1 : kSpeedDuplexLastIndex + 1;
    const std::optional<int> index = AnsweredIndex(Value(field), size);
    if (!index || *index < 0)
        return std::nullopt;
    return index;
}

const SettingRow* FindSettingRowByField(DeviceField field) {
    const auto it = std::find_if(kRows.begin(), kRows.end(),
                                 [&](const SettingRow& row) { return row.field == field; });
    return it == kRows.end() ? nullptr : &*it;
}

DeviceField DeviceValues::FieldWithRole(SettingRole role) {
    for (const SettingRow& row : kRows)
        if (row.role == role)
            return row.field;
    // Every role but None has its row; None names no field of a setting.
    return DeviceField::Version;
}

DeviceField DeviceValues::ByteOrderField() {
    for (const SettingRow& row : kRows)
        if (row.kind == SettingKind::ByteOrder)
            return row.field;
    return DeviceField::PackFloat;
}
