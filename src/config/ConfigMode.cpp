#include "ConfigMode.h"

#include "ui_TChatForm.h"

#include <QComboBox>

ConfigMode::ConfigMode(Device& device, Ui::TChatForm& ui, Shell& shell, QObject* parent)
    : QObject(parent), device_(device), ui_(ui), shell_(shell) {
    ConfigProcedures& config = device_.config;
    connect(&config, &ConfigProcedures::restartBegun, this, &ConfigMode::onRestartBegun);
    connect(&config, &ConfigProcedures::restartAborted, this, &ConfigMode::onRestartAborted);
    connect(&device_.follower, &RestartFollower::followed, this, &ConfigMode::onFollowed);
}

int ConfigMode::SelectedIndex(const QComboBox* box) {
    return box->findText(box->currentText(), Qt::MatchExactly);
}

void ConfigMode::ButtonGetAllClick() {
    device_.config.ReadConfiguration();
}

std::array<ConfigMode::WriteRow, 7> ConfigMode::WriteRows(Ui::TChatForm& ui) {
    return {{
        {ui.CheckBoxIPAddr, DeviceSetting::IpAddr, ui.MEditIpAddr, nullptr},
        {ui.CheckBoxMask, DeviceSetting::NetMask, ui.MEditNetMask, nullptr},
        {ui.CheckBoxPort, DeviceSetting::Port, ui.MEditPort, nullptr},
        {ui.CheckBoxGW, DeviceSetting::Gateway, ui.MEditGW, nullptr},
        {ui.CheckBoxMac, DeviceSetting::MacAddr, ui.MEditMac, nullptr},
        {ui.CheckBoxPackFloat, DeviceSetting::PackFloat, nullptr, ui.CBoxPackFloat},
        {ui.CheckBoxSpeedDup, DeviceSetting::SpeedDuplex, nullptr, ui.CBoxSpeedDup},
    }};
}

void ConfigMode::ButtonSetAllClick() {
    QList<ConfigValue> values;
    for (const WriteRow& row : WriteRows(ui_)) {
        if (row.box->isChecked())
            values.append({row.setting, row.edit ? row.edit->text()
                                                 : QString::number(SelectedIndex(row.combo))});
    }
    const ConfigProcedures::WriteOutcome outcome =
        device_.config.WriteConfiguration(values, ui_.ChBoxRestart->isChecked());
    following_ = outcome.result == ConfigProcedures::WriteResult::Restarting;
    expected_ = {outcome.restartAddress, outcome.identity};
}

void ConfigMode::onRestartBegun() {
    shell_.SetBusyCursor(true);
    ui_.ButtonGetAll->setEnabled(false);
    ui_.ButtonSetAll->setEnabled(false);
}

void ConfigMode::onRestartAborted() {
    shell_.SetBusyCursor(false);
    enableButtons();
}

void ConfigMode::enableButtons() {
    ui_.ButtonGetAll->setEnabled(true);
    ui_.ButtonSetAll->setEnabled(true);
}

void ConfigMode::onFollowed(bool back) {
    if (!following_)
        return;
    following_ = false;
    shell_.SetBusyCursor(false);
    if (back) {
        ButtonGetAllClick();
        checkIdentity();
    }
    enableButtons();
}

void ConfigMode::checkIdentity() {
    const QString alarm = AnotherDeviceAnswers(expected_.address, expected_.mac,
                                               device_.model.Value(DeviceField::MacAddr));
    if (alarm.isEmpty())
        return;
    // Another device's confirmations must not pass for this one's.
    device_.model.ClearNetworkResults();
    device_.log.ShowAlarm(alarm);
}
