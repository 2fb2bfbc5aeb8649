#include "DeviceModel.h"

void DeviceModel::SetValue(DeviceField field, const QString& value) {
    values_.Set(field, value);
    emit valueChanged(field, value);
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
    for (const SettingRow& row : SettingRows())
        SetResult(row.setting, SettingResult::None);
}

void DeviceModel::SetRemoteCom(RemoteCom state) {
    remoteCom_ = state;
    emit remoteComChanged(state);
}
