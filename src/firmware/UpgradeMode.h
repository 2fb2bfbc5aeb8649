#pragma once

#include "Device.h"
#include "OpenDialogState.h"
#include "Shell.h"

#include <QObject>
#include <QString>

#include <functional>

namespace Ui {
class TChatForm;
}

// The Upgrade panel: the file choice and its check, the upload, the compare
// and the remote COM-port switch. It reads the controls, runs the core's
// firmware procedures and shows their progress, labels, buttons and cursor.
class UpgradeMode : public QObject {
    Q_OBJECT
public:
    // Asks the user for an image file, starting at `start` (a folder, or a
    // file in it to preselect); an empty result means cancelled.
    using OpenFileDialog = std::function<QString(const QString& start, const QString& filter)>;

    UpgradeMode(Device& device, Ui::TChatForm& ui, Shell& shell, OpenDialogState& dialog,
                QObject* parent = nullptr);

    // The panel's result labels blank and black, its version boxes hidden:
    // on entering the panel and before each upgrade or comparison.
    void ResetUpgradeLabels();
    void Button3Click();
    void ButtonUploadClick();
    void ButtonCompareClick();
    void Button2Click();
    void Button4Click();

    // The real dialog unless a test puts its own here; tests must never block
    // on a modal window.
    OpenFileDialog openFile;

private:
    // After the install's restart: the device answering is the one that was
    // upgraded, else the label and the status say so in red.
    bool sameDevice();
    void onPhase(FirmwarePhase phase);
    void onVersionText(VersionSide side, const QString& text);
    void setButtonsEnabled(bool enabled);
    void stepProgress();
    void uploadFailed(const QString& text);
    void showUnavailable();
    // The follower ended; only a restart of this panel's upload is its business.
    void onFollowed(bool back);

    Device& device_;
    Ui::TChatForm& ui_;
    Shell& shell_;
    OpenDialogState& dialog_;
    // The MAC address the device had before the install (empty: unknown).
    QString identity_;
};
