#include "UpgradeMode.h"

#include "LabelColor.h"
#include "Messages.h"
#include "TextColor.h"
#include "ValueChecks.h"
#include "Wait.h"
#include "ui_TChatForm.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

UpgradeMode::UpgradeMode(Device& device, Ui::TChatForm& ui, Shell& shell, OpenDialogState& dialog,
                         QObject* parent)
    : QObject(parent), device_(device), ui_(ui), shell_(shell), dialog_(dialog) {
    openFile = [this](const QString& start, const QString& filter) {
        return QFileDialog::getOpenFileName(ui_.PanelUpgrade->window(), QString(), start, filter);
    };
    FirmwareProcedures& firmware = device_.firmware;
    connect(&firmware, &FirmwareProcedures::phase, this, &UpgradeMode::onPhase);
    connect(&firmware, &FirmwareProcedures::versionText, this, &UpgradeMode::onVersionText);
}

void UpgradeMode::Button3Click() {
    QString start = dialog_.InitialDir;
    if (!dialog_.FileName.isEmpty())
        start = QDir(start).filePath(QFileInfo(dialog_.FileName).fileName());
    const QString chosen = openFile(start, QString::fromLatin1(OpenDialogState::kFilter));
    if (chosen.isEmpty())
        return;
    dialog_.FileName = chosen;
    dialog_.InitialDir = QFileInfo(chosen).absolutePath() + QLatin1Char('/');
    ui_.EditFileName->setText(chosen);
    ResetUpgradeLabels();
    ui_.GrBoxFileVer->setVisible(true);
    device_.firmware.CheckImageFile(chosen);
}

void UpgradeMode::ResetUpgradeLabels() {
    for (QLabel* label : {ui_.LabelUpload, ui_.LabelCompare}) {
        label->setText(QStringLiteral(" "));
        SetTextColor(label, Qt::black);
    }
    ui_.GrBoxFileVer->hide();
    ui_.GrBoxImVer->hide();
}

void UpgradeMode::ButtonUploadClick() {
    ResetUpgradeLabels();
    // The device that comes back from the install must be this one: its
    // MAC address, asked for now unless this connection read it already.
    identity_.clear();
    if (device_.Connected()) {
        identity_ = device_.model.Values().Mac();
        if (!MacAddressBytes(identity_))
            identity_ = device_.config.ReadIdentity().value_or(QString());
    }
    using Result = FirmwareProcedures::UploadResult;
    switch (
        device_.firmware.UploadFirmware(dialog_.FileName, [this](bool back) { onFollowed(back); })
            .result) {
    case Result::Restarting: // the follower gives everything back
        break;
    case Result::NotConnected:
    case Result::TooLong:
        break;
    case Result::InvalidImage:
        SetLabel(ui_.LabelUpload, QStringLiteral("This file is not correct"), Qt::red);
        break;
    case Result::CannotOpen:
    case Result::ReadError:
    case Result::NotReady:
    case Result::BlockNotAnswered:
    case Result::TransferError:
        uploadFailed(QStringLiteral("Error writing soft"));
        break;
    case Result::NotWritable: // the image went out but was never installed
    case Result::UpgradeRejected:
        uploadFailed(QStringLiteral("Upgrade error"));
        break;
    }
}

void UpgradeMode::uploadFailed(const QString& text) {
    SetLabel(ui_.LabelUpload, text, Qt::red);
    ui_.ProgressBarUpload->setVisible(false);
    setButtonsEnabled(true);
    shell_.SetBusyCursor(false);
    device_.log.SetStatus(StatusPanel::Progress, QString());
}

void UpgradeMode::ButtonCompareClick() {
    if (!device_.Connected()) {
        device_.log.ShowStatus(msg::ServerNotConnected);
        return;
    }
    ResetUpgradeLabels();
    const FirmwareProcedures::CompareResult result =
        device_.firmware.CompareFirmware(dialog_.FileName);
    ui_.ProgressBarUpload->setVisible(false);
    setButtonsEnabled(true);
    if (result.same())
        SetLabel(ui_.LabelCompare, QStringLiteral("Version of the same"), Qt::blue);
    else
        SetLabel(ui_.LabelCompare, QStringLiteral("Versions do not match"), Qt::red);
}

void UpgradeMode::onFollowed(bool back) {
    shell_.SetBusyCursor(false);
    setButtonsEnabled(true);
    if (!back) {
        SetLabel(ui_.LabelUpload, QStringLiteral("Error restarting of RK5720ELAN"), Qt::red);
        return;
    }
    if (const auto version = device_.config.ReadVersion()) {
        if (!sameDevice())
            return;
        SetLabel(ui_.LabelUpload, QStringLiteral("OK"), Qt::blue);
        device_.log.SetStatus(StatusPanel::Message, QString());
        ui_.LabelIMVersion->setText(version->version + QStringLiteral(" (") + version->date +
                                    QStringLiteral(")"));
        ui_.GrBoxImVer->setVisible(true);
        ProcessMessages();
    } else {
        SetLabel(ui_.LabelUpload, QStringLiteral("Error reading version"), Qt::red);
    }
}

bool UpgradeMode::sameDevice() {
    if (!MacAddressBytes(identity_))
        return true;
    // A device that does not say is not taken for another one; the version
    // it gave is shown as usual.
    const QString alarm = AnotherDeviceAnswers(device_.Address(), identity_,
                                               device_.config.ReadIdentity().value_or(QString()));
    if (alarm.isEmpty())
        return true;
    SetLabel(ui_.LabelUpload, QStringLiteral("another device answers at %1").arg(device_.Address()),
             Qt::red);
    device_.log.ShowAlarm(alarm);
    return false;
}

void UpgradeMode::Button2Click() {
    if (!device_.firmware.SwitchRemoteComOn().answered)
        showUnavailable();
}

void UpgradeMode::Button4Click() {
    if (!device_.firmware.SwitchRemoteComOff().answered)
        showUnavailable();
}

void UpgradeMode::showUnavailable() {
    SetLabel(ui_.LabelRCom, QStringLiteral("Unavailable"), Qt::red);
}

void UpgradeMode::onPhase(FirmwarePhase phase) {
    switch (phase) {
    case FirmwarePhase::FileChecked:
        ui_.GrBoxFileVer->setVisible(true);
        break;
    case FirmwarePhase::TransferBegun:
        ui_.ProgressBarUpload->setValue(0);
        shell_.SetBusyCursor(true);
        ui_.ProgressBarUpload->setVisible(true);
        setButtonsEnabled(false);
        break;
    case FirmwarePhase::BlockDone:
        stepProgress();
        break;
    case FirmwarePhase::TransferEnded:
        ui_.ProgressBarUpload->setVisible(false);
        break;
    case FirmwarePhase::FileRead:
        ui_.GrBoxFileVer->setVisible(true);
        ui_.GrBoxImVer->setVisible(true);
        break;
    case FirmwarePhase::ReadBackBegun:
        ui_.ProgressBarUpload->setValue(0);
        ui_.ProgressBarUpload->setVisible(true);
        setButtonsEnabled(false);
        SetLabel(ui_.LabelCompare, QStringLiteral(" "), Qt::black);
        break;
    }
}

void UpgradeMode::onVersionText(VersionSide side, const QString& text) {
    (side == VersionSide::File ? ui_.LabelFileVersion : ui_.LabelIMVersion)->setText(text);
}

void UpgradeMode::setButtonsEnabled(bool enabled) {
    for (QPushButton* button : {ui_.Button3, ui_.ButtonUpload, ui_.ButtonCompare})
        button->setEnabled(enabled);
}

void UpgradeMode::stepProgress() {
    QProgressBar* bar = ui_.ProgressBarUpload;
    bar->setValue(std::min(bar->value() + 1, bar->maximum()));
}
