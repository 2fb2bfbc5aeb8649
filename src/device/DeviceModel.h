#pragma once

#include "DeviceSettings.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

// None: not written since the results were last cleared.
enum class SettingResult { None, Ok, Error };

// The remote COM-port function as the device last reported it.
enum class RemoteCom { Unknown, On, Off };

// What the tool knows of the device: the values its answers carried and the
// outcome of each write. The answer actions fill it; every update is a signal,
// also when the value is the same, because each applied answer is shown anew.
class DeviceModel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The value text as answered: for the byte order and speed/duplex the
    // table index the device sent, which the window turns into the item text.
    QString Value(DeviceField field) const { return values_.Value(field); }
    const DeviceValues& Values() const { return values_; }
    void SetValue(DeviceField field, const QString& value);
    // Empties the nine read fields before a read or a write.
    void ClearValues();
    // Some field holds a value.
    bool HasValues() const { return values_.HasValues(); }

    SettingResult Result(DeviceSetting setting) const { return results_[size_t(setting)]; }
    void SetResult(DeviceSetting setting, SettingResult result);
    // Resets the write results of the seven settings of the configuration.
    void ClearNetworkResults();

    RemoteCom RemoteComState() const { return remoteCom_; }
    void SetRemoteCom(RemoteCom state);

    // The byte order or speed/duplex as a table index, when the answer held one.
    std::optional<int> IndexValue(DeviceField field) const { return values_.IndexValue(field); }

signals:
    void valueChanged(DeviceField field, const QString& value);
    void resultChanged(DeviceSetting setting, SettingResult result);
    void remoteComChanged(RemoteCom state);

private:
    DeviceValues values_;
    std::array<SettingResult, kDeviceSettingCount> results_{};
    RemoteCom remoteCom_ = RemoteCom::Unknown;
};
