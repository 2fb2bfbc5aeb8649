#pragma once

#include "AppOptions.h"
#include "ChannelState.h"
#include "ClientSocket.h"
#include "OpenDialogState.h"
#include "Shell.h"
#include "StatusPanels.h"
#include "ui_TChatForm.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>

class CommandChannel;
class ConfigMode;
class Connection;
class PanelDock;
class TFCombBoxDial;
class TFormAboutProgr;
class TForm_Help;

// The main window: owns every control of the three modes, the remembered
// parameters, the channel state and the timers; it wires events to handlers
// and leaves the protocol work to the subsystem objects.
class TChatForm : public QMainWindow, public Shell {
    Q_OBJECT
public:
    explicit TChatForm(const AppOptions& options, QWidget* parent = nullptr);
    ~TChatForm() override;

    Ui::TChatForm& ui() { return ui_; }
    ChannelState& channelState() { return channelState_; }
    RememberedParams& rememberedParams() { return remembered_; }
    OpenDialogState& openDialog() { return openDialog_; }
    const AppOptions& options() const { return options_; }
    const QString& settingsPath() const { return options_.settingsPath; }
    StatusPanels& statusPanels() { return *statusPanels_; }
    PanelDock& panelDock() { return *dock_; }
    TFCombBoxDial& connectDialog() { return *connectDialog_; }
    TFormAboutProgr& aboutWindow() { return *aboutWindow_; }
    TForm_Help& helpWindow() { return *helpWindow_; }
    ClientSocket& socket() { return ClientSocket_; }
    CommandChannel& channel() { return *channel_; }
    Connection& connection() { return *connection_; }
    ConfigMode& configMode() { return *config_; }

    // How errors the user must see are shown; tests replace the message box.
    void setErrorReporter(std::function<void(const QString&)> reporter);

    // Timer1: reconnection after a restart; Timer2: end of the test-button
    // lockout. Both 1000 ms, stopped until their procedures start them.
    QTimer Timer1;
    QTimer Timer2;

    // Shell
    void SetStatusText(int panel, const QString& text) override;
    QString StatusText(int panel) const override;
    void SetLampWidth(int width) override;
    void RepaintStatusBar() override;
    void SetBusyCursor(bool busy) override;
    bool IsUpgradeMode() const override;
    bool IsTestPanelVisible() const override;
    void StartConnectAttempt() override;

    // Handlers
    void FormCreate();
    void FormClose();
    void NConfigClick();
    void NUpgradeClick();
    void NTestClick();
    void ResetUpgradeLabels();
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

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateSubsystems();
    void WireHandlers();
    bool ExecConnectDialog(QString& address, QString& port);
    void SwitchMode(QAction* item, QWidget* panel, bool fill);
    // Opens the start-up connection (to the command line's host unless
    // --no-autoconnect) before the settings are read.
    void beginStartupConnection();

    AppOptions options_;
    Ui::TChatForm ui_;
    ChannelState channelState_;
    RememberedParams remembered_;
    OpenDialogState openDialog_;
    StatusPanels* statusPanels_ = nullptr;
    PanelDock* dock_ = nullptr;
    TFCombBoxDial* connectDialog_ = nullptr;
    TFormAboutProgr* aboutWindow_ = nullptr;
    TForm_Help* helpWindow_ = nullptr;
    std::function<void(const QString&)> reportError_;
    // Declared before the subsystems, which hold references to it.
    ClientSocket ClientSocket_;
    std::unique_ptr<CommandChannel> channel_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<ConfigMode> config_;
    // The busy cursor is a state, not a stack: repeated calls don't nest.
    bool busy_ = false;
};
