#pragma once

#include "AppOptions.h"
#include "Device.h"
#include "OpenDialogState.h"
#include "Shell.h"
#include "StatusPanels.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>

namespace Ui {
class TChatForm;
}

class ConfigFiles;
class ConfigMode;
class DeviceBinding;
class FindDevicesDialog;
class LinkTest;
class PanelDock;
class TFCombBoxDial;
class TFormAboutProgr;
class TForm_Help;
class UpgradeMode;

// The main window: owns every control of the three modes, the device core
// (socket, channel state, remembered parameters, model, procedures) and the
// timers; it wires events to handlers, shows the core through its binding and
// leaves the protocol work to the core and the panel objects.
class TChatForm : public QMainWindow, public Shell {
    Q_OBJECT
public:
    explicit TChatForm(const AppOptions& options, QWidget* parent = nullptr);
    ~TChatForm() override;

    // The core, where tests shorten the restart pauses and record what would
    // run on the system; controls are reached by their names (findChild).
    Device& device() { return device_; }
    // The open-file dialog's remembered folder and file, which the settings
    // file keeps.
    OpenDialogState& openDialog() { return openDialog_; }

    // How errors the user must see are shown; tests replace the message box.
    void setErrorReporter(std::function<void(const QString&)> reporter);

    // The window's height with the log collapsed.
    int CompactHeight() const;
    // With the log shown: 700, or less where the screen's available height,
    // frame included, has no room for that.
    int ExpandedHeight() const;

    // The status bar's panel texts as shown.
    QString StatusText(StatusPanel panel) const;

    // Shell
    void SetBusyCursor(bool busy) override;
    bool IsUpgradeMode() const;
    bool IsTestPanelVisible() const override;

    // Handlers
    void FormCreate();
    void FormClose();
    void NConfigClick();
    void NUpgradeClick();
    void NTestClick();
    void CheckBoxIPAddrClick();
    void CheckBoxMaskClick();
    void CheckBoxPortClick();
    void CheckBoxGWClick();
    void CheckBoxMacClick();
    void CheckBoxPackFloatClick();
    void CheckBoxSpeedDupClick();
    void Memo2MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void StatusBar1DrawPanel(QPainter& painter, int panel, const PanelRect& rect);
    void Label14Click();
    void Exit1Click();
    void FileListenItemClick();
    void FileConnectItemaClick();
    void Disconnect1Click();
    void FindDevicesItemClick();
    // Connects to a device the search found, as the connect dialog's OK does.
    void ConnectToFound(const QString& address, const QString& port);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateSubsystems();
    void WireHandlers();
    bool ExecConnectDialog(QString& address, QString& port);
    void SwitchMode(QAction* item, QWidget* panel, bool fill);
    // Moves the window up as far as its frame's bottom needs to stay on the
    // screen, but not above the screen's top.
    void KeepOnScreen();
    // Opens the start-up connection (to the command line's host unless
    // --no-autoconnect) before the settings are read.
    void beginStartupConnection();

    AppOptions options_;
    // The generated form stays out of this header: only the window's own
    // files and its panels see the controls.
    std::unique_ptr<Ui::TChatForm> ui_;
    // Declared before everything that holds references to it.
    Device device_;
    OpenDialogState openDialog_;
    StatusPanels* statusPanels_ = nullptr;
    PanelDock* dock_ = nullptr;
    TFCombBoxDial* connectDialog_ = nullptr;
    TFormAboutProgr* aboutWindow_ = nullptr;
    TForm_Help* helpWindow_ = nullptr;
    FindDevicesDialog* findDialog_ = nullptr;
    std::function<void(const QString&)> reportError_;
    std::unique_ptr<DeviceBinding> binding_;
    std::unique_ptr<ConfigMode> config_;
    std::unique_ptr<ConfigFiles> configFiles_;
    std::unique_ptr<UpgradeMode> upgrade_;
    std::unique_ptr<LinkTest> linkTest_;

public:
    // Timer2: end of the test-button lockout, 1000 ms, stopped until a test
    // button starts it. Timer1, the reconnection after a restart, is the
    // core's restart follower.
    QTimer Timer2;

private:
    // The busy cursor is a state, not a stack: repeated calls don't nest.
    bool busy_ = false;
};
