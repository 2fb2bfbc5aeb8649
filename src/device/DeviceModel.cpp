#include "DeviceModel.h"

#include <algorithm>

#include "ValueChecks.h"

void DeviceModel::SetValue(DeviceField field, const QString& value) {
    values_[size_t(field)] = value;
    emit valueChanged(field, value);
}

bool DeviceModel::HasValues() const {
    return std::any_of(values_.begin(), values_.end(),
                       [](const QString& value) { return !value.isEmpty(); });
}

void DeviceModel::ClearValues() {
    for (int i = 0; i < kDeviceFieldCount; ++i)
        SetValue(DeviceField(i), QString());
}

void DeviceModel::SetResult(DeviceSetting setting, SettingResult result) {
    results_[size_t(setting)] = result;
    emit resultChanged(setting, result);
}

void DeviceModel::ClearNetworkResults() {
    for (DeviceSetting s : {DeviceSetting::IpAddr, DeviceSetting::NetMask, DeviceSetting::Port,
                            DeviceSetting::Gateway, DeviceSetting::MacAddr,
                            DeviceSetting::PackFloat, DeviceSetting::SpeedDuplex})
        SetResult(s, SettingResult::None);
}

void DeviceModel::SetRemoteCom(RemoteCom state) {
    remoteCom_ = state;
    emit remoteComChanged(state);
}

std::optional<int> DeviceModel::IndexValue(DeviceField field) const {
    const int size =
        field == DeviceField::PackFloat ? kPackFloatLastIndex + 1 : kSpeedDuplexLastIndex + 1;
    const std::optional<int> index = AnsweredIndex(values_[size_t(field)], size);
    if (!index || *index < 0)
        return std::nullopt;
    return index;
}
