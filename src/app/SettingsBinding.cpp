#include "SettingsBinding.h"

#include "ui_TChatForm.h"

void ApplySettings(const AppSettings& s, Ui::TChatForm& ui, RememberedParams& remembered,
                   OpenDialogState& openDialog) {
    remembered.LastPort = s.Port;
    remembered.LastAddr = s.Addr;
    remembered.LastNetMask = s.NetMask;
    remembered.LastGW = s.GW;
    remembered.LastMac = s.MAC;
    remembered.LastPackFloat = s.PackFloat;
    remembered.LastSpeedDup = s.SpeedDup;

    // A box that changes state runs its handler through the toggled signal.
    ui.CheckBoxIPAddr->setChecked(s.CheckAddr);
    ui.CheckBoxMask->setChecked(s.CheckMask);
    ui.CheckBoxPort->setChecked(s.CheckPort);
    ui.CheckBoxGW->setChecked(s.CheckGW);
    ui.CheckBoxMac->setChecked(s.CheckMac);
    ui.CheckBoxPackFloat->setChecked(s.CheckPackFloat);
    ui.CheckBoxSpeedDup->setChecked(s.CheckSpeedDup);
    ui.ChBoxRestart->setChecked(s.CheckRestart);

    openDialog.InitialDir = s.InitialDir;
    openDialog.FileName = s.FileName;

    ui.EditNum->setText(s.EditNum);
    ui.EditModBus->setText(s.EditModBus);

    ui.EditFileName->setText(openDialog.FileName);
}

void ShowRememberedParams(Ui::TChatForm& ui, const RememberedParams& remembered) {
    ui.MEditIpAddr->setText(remembered.LastAddr);
    ui.MEditNetMask->setText(remembered.LastNetMask);
    ui.MEditGW->setText(remembered.LastGW);
    ui.MEditMac->setText(remembered.LastMac);
    ui.MEditPort->setText(remembered.LastPort);
    SelectComboItem(ui.CBoxPackFloat, remembered.LastPackFloat);
    SelectComboItem(ui.CBoxSpeedDup, remembered.LastSpeedDup);
}

AppSettings CollectSettings(const Ui::TChatForm& ui, const RememberedParams& remembered,
                            const OpenDialogState& openDialog) {
    AppSettings s;
    s.Port = remembered.LastPort;
    s.Addr = remembered.LastAddr;
    s.NetMask = remembered.LastNetMask;
    s.GW = remembered.LastGW;
    s.MAC = remembered.LastMac;
    s.PackFloat = remembered.LastPackFloat;
    s.SpeedDup = remembered.LastSpeedDup;
    s.CheckAddr = ui.CheckBoxIPAddr->isChecked();
    s.CheckMask = ui.CheckBoxMask->isChecked();
    s.CheckPort = ui.CheckBoxPort->isChecked();
    s.CheckGW = ui.CheckBoxGW->isChecked();
    s.CheckMac = ui.CheckBoxMac->isChecked();
    s.CheckPackFloat = ui.CheckBoxPackFloat->isChecked();
    s.CheckSpeedDup = ui.CheckBoxSpeedDup->isChecked();
    s.CheckRestart = ui.ChBoxRestart->isChecked();
    s.InitialDir = openDialog.InitialDir;
    s.FileName = openDialog.FileName;
    s.EditNum = ui.EditNum->text();
    s.EditModBus = ui.EditModBus->text();
    return s;
}

void SelectComboItem(QComboBox* combo, int index) {
    if (index >= 0 && index < combo->count()) {
        combo->setCurrentIndex(index);
        return;
    }
    combo->setCurrentIndex(-1);
    if (combo->isEditable())
        combo->clearEditText();
}
