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

void ConfigMode::ButtonSetAllClick() {
    // The ticked settings, in the order they go to the device.
    const struct {
        QCheckBox* box;
        DeviceSetting setting;
        QLineEdit* edit;  // or
        QComboBox* combo; // whose selected index is sent
    } rows[] = {
        {ui_.CheckBoxIPAddr, DeviceSetting::IpAddr, ui_.MEditIpAddr, nullptr},
        {ui_.CheckBoxMask, DeviceSetting::NetMask, ui_.MEditNetMask, nullptr},
        {ui_.CheckBoxPort, DeviceSetting::Port, ui_.MEditPort, nullptr},
        {ui_.CheckBoxGW, DeviceSetting::Gateway, ui_.MEditGW, nullptr},
        {ui_.CheckBoxMac, DeviceSetting::MacAddr, ui_.MEditMac, nullptr},
        {ui_.CheckBoxPackFloat, DeviceSetting::PackFloat, nullptr, ui_.CBoxPackFloat},
        {ui_.CheckBoxSpeedDup, DeviceSetting::SpeedDuplex, nullptr, ui_.CBoxSpeedDup},
    };
    QList<ConfigValue> values;
    for (const auto& row : rows) {
        if (row.box->isChecked())
            values.append({row.setting, row.edit ? row.edit->text()
                                                 : QString::number(SelectedIndex(row.combo))});
    }
    following_ = device_.config.WriteConfiguration(values, ui_.ChBoxRestart->isChecked()).result ==
                 ConfigProcedures::WriteResult::Restarting;
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
    if (back)
        ButtonGetAllClick();
    enableButtons();
}
