#include "ConfigMode.h"

#include "ui_TChatForm.h"

#include <QComboBox>

ConfigMode::ConfigMode(Device& device, Ui::TChatForm& ui, Shell& shell, QObject* parent)
    : QObject(parent), device_(device), ui_(ui), shell_(shell) {
    ConfigProcedures& config = device_.config;
    connect(&config, &ConfigProcedures::restartBegun, this, &ConfigMode::onRestartBegun);
    connect(&config, &ConfigProcedures::restartAborted, this, &ConfigMode::onRestartAborted);
}

int ConfigMode::SelectedIndex(const QComboBox* box) {
    return box->findText(box->currentText(), Qt::MatchExactly);
}

void ConfigMode::ButtonGetAllClick() {
    device_.config.ReadConfiguration();
}

std::array<ConfigMode::WriteRow, 7> ConfigMode::WriteRows(Ui::TChatForm& ui) {
    using R = RememberedParams;
    return {{
        {ui.CheckBoxIPAddr, DeviceSetting::IpAddr, ui.MEditIpAddr, nullptr, &R::LastAddr, nullptr,
         ui.EditIPAddr, ui.LabelIPAddr},
        {ui.CheckBoxMask, DeviceSetting::NetMask, ui.MEditNetMask, nullptr, &R::LastNetMask,
         nullptr, ui.EditMask, ui.LabelMask},
        {ui.CheckBoxPort, DeviceSetting::Port, ui.MEditPort, nullptr, &R::LastPort, nullptr,
         ui.EditPort, ui.LabelPort},
        {ui.CheckBoxGW, DeviceSetting::Gateway, ui.MEditGW, nullptr, &R::LastGW, nullptr, ui.EditGW,
         ui.LabelGW},
        {ui.CheckBoxMac, DeviceSetting::MacAddr, ui.MEditMac, nullptr, &R::LastMac, nullptr,
         ui.EditMacAddr, ui.LabelMac},
        {ui.CheckBoxPackFloat, DeviceSetting::PackFloat, nullptr, ui.CBoxPackFloat, nullptr,
         &R::LastPackFloat, ui.EditPackFloat, ui.LabelPackFloat},
        {ui.CheckBoxSpeedDup, DeviceSetting::SpeedDuplex, nullptr, ui.CBoxSpeedDup, nullptr,
         &R::LastSpeedDup, ui.EditSpeedDup, ui.LabelSpeedDup},
    }};
}

void ConfigMode::ButtonSetAllClick() {
    QList<ConfigValue> values;
    for (const WriteRow& row : WriteRows(ui_)) {
        if (row.box->isChecked())
            values.append({row.setting, row.edit ? row.edit->text()
                                                 : QString::number(SelectedIndex(row.combo))});
    }
    const ConfigProcedures::WriteOutcome outcome = device_.config.WriteConfiguration(
        values, ui_.ChBoxRestart->isChecked(), [this](bool back) { onFollowed(back); });
    // What was sent is what the next start offers again.
    RememberedParams& remembered = device_.remembered;
    for (const WriteRow& row : WriteRows(ui_)) {
        for (const ConfigValue& value : outcome.sent) {
            if (value.setting != row.setting)
                continue;
            if (row.text)
                remembered.*row.text = value.text;
            else
                remembered.*row.index = value.text.toInt();
        }
    }
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
    shell_.SetBusyCursor(false);
    if (back) {
        ButtonGetAllClick();
        checkIdentity();
    }
    enableButtons();
}

void ConfigMode::checkIdentity() {
    const QString alarm =
        AnotherDeviceAnswers(expected_.address, expected_.mac, device_.model.Values().Mac());
    if (alarm.isEmpty())
        return;
    // Another device's confirmations must not pass for this one's.
    device_.model.ClearNetworkResults();
    device_.log.ShowAlarm(alarm);
}
