#include "TChatForm.h"

#include "ui_TChatForm.h"

#include "AppSettings.h"
#include "AppSetup.h"
#include "ClickFilter.h"
#include "ConfigFiles.h"
#include "ConfigMode.h"
#include "DeviceBinding.h"
#include "FindDevicesDialog.h"
#include "FormLook.h"
#include "LinkTest.h"
#include "NextPageCursor.h"
#include "PanelDock.h"
#include "ReturnPressesButton.h"
#include "SecondaryWindows.h"
#include "SettingsBinding.h"
#include "SettingsLocation.h"
#include "TextColor.h"
#include "UpgradeMode.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>

namespace {

constexpr int kWindowWidth = 465;
constexpr int kLayoutHeight = 853;
constexpr int kPanelHeight = 304;
constexpr int kExpandedHeight = 700;
constexpr int kExpandThreshold = 500;
constexpr int kTimerInterval = 1000;

} // namespace

TChatForm::TChatForm(const AppOptions& options, QWidget* parent)
    : QMainWindow(parent), options_(options), ui_(std::make_unique<Ui::TChatForm>()) {
    ui_->setupUi(this);
    setFont(UiFont());
    ApplyFormLook(*ui_);
    new ReturnPressesButton(this);
    resize(kWindowWidth, kLayoutHeight);
    // Smaller than the compact layout would cut off its controls, which do
    // not move with the window's edges.
    setMinimumSize(kWindowWidth, CompactHeight());

    statusPanels_ = new StatusPanels(ui_->StatusBar1,
                                     [this](QPainter& painter, int panel, const PanelRect& rect) {
                                         StatusBar1DrawPanel(painter, panel, rect);
                                     });

    dock_ = new PanelDock(ui_->ClientArea, ui_->Memo2, kPanelHeight);
    dock_->AddPanel(ui_->PanelConfig);
    dock_->AddPanel(ui_->PanelUpgrade);
    dock_->AddPanel(ui_->PanelTest);
    // The test logs grow with the test panel when it fills the window.
    dock_->Stretch(ui_->GroupBox9, true, false);
    dock_->Stretch(ui_->GroupBox10, true, true);

    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer2.setInterval(kTimerInterval);

    reportError_ = [this](const QString& message) {
        QMessageBox::critical(this, kApplicationTitle, message);
    };

    // The secondary windows follow the main window, created once, shown modally.
    connectDialog_ = new TFCombBoxDial(this);
    aboutWindow_ = new TFormAboutProgr(this);
    helpWindow_ = new TForm_Help(this);
    findDialog_ = new FindDevicesDialog(this);
    findDialog_->connectedDevice = [this]() -> std::optional<ScanFinding> {
        if (!device_.Connected())
            return std::nullopt;
        ScanFinding finding;
        finding.address = device_.Address();
        finding.port = device_.Port();
        // The values read are this device's only when it named itself by
        // the address the window dialled; after a reconnection elsewhere
        // they may be another device's.
        const DeviceModel& model = device_.model;
        if (model.Values().Address() == finding.address) {
            finding.version = model.Values().Version();
            finding.date = model.Values().Date();
            finding.mac = model.Values().Mac();
        }
        return finding;
    };

    CreateSubsystems();
    WireHandlers();
    FormCreate();

    // Constructor's own steps. The channel state and the remembered values
    // start from their member initialisers. The settings come first: an
    // attempt that fails inside the call names the remembered address,
    // which must be loaded by then.
    QString settingsWarning;
    const AppSettings settings =
        LoadSettings(options_.settingsPath, ExecutableFolder(), &settingsWarning);
    ApplySettings(settings, *ui_, device_.remembered, openDialog_);
    ShowRememberedParams(*ui_, device_.remembered);
    beginStartupConnection();
    device_.connection.SetListenChecked(false);
    if (!settingsWarning.isEmpty()) {
        // Once the window is up, and through whatever reporter is set by then.
        QTimer::singleShot(0, this, [this, settingsWarning] {
            if (reportError_)
                reportError_(settingsWarning);
        });
    }

    NConfigClick();
    Label14Click();
}

void TChatForm::CreateSubsystems() {
    binding_ = std::make_unique<DeviceBinding>(device_, *ui_, *statusPanels_, *this);
    config_ = std::make_unique<ConfigMode>(device_, *ui_, *this);
    // A child too, so that a test can reach it by its type and answer its
    // file dialogs.
    configFiles_ = std::make_unique<ConfigFiles>(
        device_, *ui_,
        [this](const QString& message) {
            if (reportError_)
                reportError_(message);
        },
        this);
    // A child too, so that a test can reach it by its type and answer its
    // open-file dialog; the pointer deletes it first, which unlinks it.
    upgrade_ = std::make_unique<UpgradeMode>(device_, *ui_, *this, openDialog_, this);
    linkTest_ = std::make_unique<LinkTest>(device_, *ui_, Timer2);
}

bool TChatForm::ExecConnectDialog(QString& address, QString& port) {
    Ui::TFCombBoxDial& dialog = connectDialog_->ui();
    dialog.EditPort->setText(port);
    dialog.EditAddr->setText(address);
    connectDialog_->move(pos() + QPoint(20, 60));
    if (connectDialog_->exec() != QDialog::Accepted)
        return false;
    address = dialog.EditAddr->text();
    port = dialog.EditPort->text();
    return true;
}

TChatForm::~TChatForm() {
    if (busy_)
        QApplication::restoreOverrideCursor();
}

void TChatForm::setErrorReporter(std::function<void(const QString&)> reporter) {
    reportError_ = std::move(reporter);
}

void TChatForm::WireHandlers() {
    connect(ui_->NConfig, &QAction::triggered, this, &TChatForm::NConfigClick);
    connect(ui_->NUpgrade, &QAction::triggered, this, &TChatForm::NUpgradeClick);
    connect(ui_->NTest, &QAction::triggered, this, &TChatForm::NTestClick);
    connect(ui_->Exit1, &QAction::triggered, this, &TChatForm::Exit1Click);
    connect(ui_->About1, &QAction::triggered, this,
            [this] { ShowSecondaryWindow(*this, *aboutWindow_); });
    connect(ui_->Programmhelp1, &QAction::triggered, this,
            [this] { ShowSecondaryWindow(*this, *helpWindow_); });

    ConfigMode* config = config_.get();
    connect(ui_->FileConnectItem, &QAction::triggered, this, &TChatForm::FileConnectItemaClick);
    connect(ui_->Disconnect, &QAction::triggered, this, &TChatForm::Disconnect1Click);
    connect(ui_->FindDevicesItem, &QAction::triggered, this, &TChatForm::FindDevicesItemClick);
    connect(findDialog_, &FindDevicesDialog::connectRequested, this, &TChatForm::ConnectToFound);
    ConfigFiles* files = configFiles_.get();
    connect(ui_->SaveConfigItem, &QAction::triggered, files, &ConfigFiles::SaveConfigurationClick);
    connect(ui_->LoadConfigItem, &QAction::triggered, files, &ConfigFiles::LoadConfigurationClick);
    connect(ui_->ButtonGetAll, &QPushButton::clicked, config, &ConfigMode::ButtonGetAllClick);
    connect(ui_->ButtonSetAll, &QPushButton::clicked, config, &ConfigMode::ButtonSetAllClick);

    UpgradeMode* upgrade = upgrade_.get();
    connect(ui_->Button3, &QPushButton::clicked, upgrade, &UpgradeMode::Button3Click);
    new ClickFilter(ui_->EditFileName, [upgrade] { upgrade->Button3Click(); });
    connect(ui_->ButtonUpload, &QPushButton::clicked, upgrade, &UpgradeMode::ButtonUploadClick);
    connect(ui_->ButtonCompare, &QPushButton::clicked, upgrade, &UpgradeMode::ButtonCompareClick);
    connect(ui_->Button2, &QPushButton::clicked, upgrade, &UpgradeMode::Button2Click);
    connect(ui_->Button4, &QPushButton::clicked, upgrade, &UpgradeMode::Button4Click);

    new ClickFilter(ui_->LabelPConf, [this] { NUpgradeClick(); });
    new ClickFilter(ui_->LabelPSoft, [this] { NTestClick(); });
    new ClickFilter(ui_->LabelPTest, [this] { NConfigClick(); });
    new ClickFilter(ui_->Label14, [this] { Label14Click(); });

    // toggled rather than clicked: a box set while the settings load must
    // update its input too.
    const std::pair<QCheckBox*, void (TChatForm::*)()> boxes[] = {
        {ui_->CheckBoxIPAddr, &TChatForm::CheckBoxIPAddrClick},
        {ui_->CheckBoxMask, &TChatForm::CheckBoxMaskClick},
        {ui_->CheckBoxPort, &TChatForm::CheckBoxPortClick},
        {ui_->CheckBoxGW, &TChatForm::CheckBoxGWClick},
        {ui_->CheckBoxMac, &TChatForm::CheckBoxMacClick},
        {ui_->CheckBoxPackFloat, &TChatForm::CheckBoxPackFloatClick},
        {ui_->CheckBoxSpeedDup, &TChatForm::CheckBoxSpeedDupClick},
    };
    for (const auto& [box, handler] : boxes)
        connect(box, &QCheckBox::toggled, this, handler);

    ui_->Memo2->viewport()->installEventFilter(this);
}

void TChatForm::FormCreate() {
    const QCursor nextPage = NextPageCursor();
    for (QLabel* title : {ui_->LabelPConf, ui_->LabelPSoft, ui_->LabelPTest})
        title->setCursor(nextPage);
    FileListenItemClick();
}

void TChatForm::beginStartupConnection() {
    device_.SetTarget(options_.startupHost, options_.startupPort);
    if (options_.autoConnect)
        device_.Open();
}

void TChatForm::FormClose() {
    QString error;
    EnsureSettingsFolder(options_.settingsPath);
    if (!SaveSettings(options_.settingsPath, CollectSettings(*ui_, device_.remembered, openDialog_),
                      &error) &&
        reportError_)
        reportError_(error);
}

void TChatForm::closeEvent(QCloseEvent* event) {
    // The window closes even when the settings could not be written: the user
    // has been told, and must not be kept in a window that cannot close.
    FormClose();
    event->accept();
}

void TChatForm::SwitchMode(QAction* item, QWidget* panel, bool fill) {
    device_.AbandonBlockRead();
    for (QAction* mode : {ui_->NConfig, ui_->NUpgrade, ui_->NTest})
        mode->setChecked(mode == item);
    dock_->Show(panel, fill ? PanelDock::Dock::Fill : PanelDock::Dock::Top);
}

void TChatForm::NConfigClick() {
    SwitchMode(ui_->NConfig, ui_->PanelConfig, false);
}

void TChatForm::NUpgradeClick() {
    SwitchMode(ui_->NUpgrade, ui_->PanelUpgrade, false);
    upgrade_->ResetUpgradeLabels();
}

void TChatForm::NTestClick() {
    SwitchMode(ui_->NTest, ui_->PanelTest, true);
}

void TChatForm::CheckBoxIPAddrClick() {
    ui_->MEditIpAddr->setEnabled(ui_->CheckBoxIPAddr->isChecked());
}
void TChatForm::CheckBoxMaskClick() {
    ui_->MEditNetMask->setEnabled(ui_->CheckBoxMask->isChecked());
}
void TChatForm::CheckBoxPortClick() {
    ui_->MEditPort->setEnabled(ui_->CheckBoxPort->isChecked());
}
void TChatForm::CheckBoxGWClick() {
    ui_->MEditGW->setEnabled(ui_->CheckBoxGW->isChecked());
}
void TChatForm::CheckBoxMacClick() {
    ui_->MEditMac->setEnabled(ui_->CheckBoxMac->isChecked());
}
void TChatForm::CheckBoxPackFloatClick() {
    ui_->CBoxPackFloat->setEnabled(ui_->CheckBoxPackFloat->isChecked());
}
void TChatForm::CheckBoxSpeedDupClick() {
    ui_->CBoxSpeedDup->setEnabled(ui_->CheckBoxSpeedDup->isChecked());
}

void TChatForm::Memo2MouseDown(Qt::MouseButton, Qt::KeyboardModifiers shift, int, int) {
    if (shift.testFlag(Qt::ControlModifier))
        ui_->Memo2->clear();
}

bool TChatForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->Memo2->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        Memo2MouseDown(mouse->button(), mouse->modifiers(), at.x(), at.y());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TChatForm::StatusBar1DrawPanel(QPainter& painter, int panel, const PanelRect& rect) {
    if (panel == 0)
        DrawLamp(painter, rect);
}

void TChatForm::Label14Click() {
    const int expanded = ExpandedHeight();
    // On a screen too low for the whole log the expanded height is below the
    // threshold; a window at that height must still collapse.
    if (height() < qMin(kExpandThreshold, expanded)) {
        resize(width(), expanded);
        KeepOnScreen();
        ui_->Memo2->show();
    } else {
        resize(width(), CompactHeight());
        ui_->Memo2->hide();
    }
    dock_->Relayout();
}

int TChatForm::ExpandedHeight() const {
    const int frame = frameGeometry().height() - height();
    const int room = screen()->availableGeometry().height() - frame;
    return qMax(CompactHeight(), qMin(kExpandedHeight, room));
}

void TChatForm::KeepOnScreen() {
    const QRect available = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    const int overflow = frame.bottom() - available.bottom();
    if (overflow > 0)
        move(frame.left(), qMax(available.top(), frame.top() - overflow));
}

int TChatForm::CompactHeight() const {
    // The panel with the menu above and the status bar below, and nothing
    // else: the layout's 380 counted the frame and caption too, which Qt's
    // height leaves out.
    return menuBar()->sizeHint().height() + kPanelHeight + StatusPanels::kHeight;
}

void TChatForm::Exit1Click() {
    device_.Close();
    close();
}

void TChatForm::FileListenItemClick() {
    device_.connection.ToggleListen();
}

void TChatForm::FileConnectItemaClick() {
    // An established connection is closed first, even if the dialog is then
    // cancelled, so the status bar never claims a connection being replaced.
    if (device_.Active())
        device_.Close();
    QString address;
    QString port;
    device_.connection.ProposeTarget(ui_->MEditIpAddr->text(), ui_->MEditPort->text(), address,
                                     port);
    if (ExecConnectDialog(address, port))
        device_.connection.ConnectTo(address, port);
}

void TChatForm::FindDevicesItemClick() {
    findDialog_->move(pos() + QPoint(20, 60));
    findDialog_->Open();
}

void TChatForm::ConnectToFound(const QString& address, const QString& port) {
    // What the connect dialog's OK does, with the device's address and port
    // in place of the typed ones.
    if (device_.Active())
        device_.Close();
    device_.connection.ConnectTo(address, port);
}

void TChatForm::Disconnect1Click() {
    device_.connection.Disconnect();
}

QString TChatForm::StatusText(StatusPanel panel) const {
    return statusPanels_->Text(panel);
}

void TChatForm::SetBusyCursor(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool TChatForm::IsUpgradeMode() const {
    return ui_->NUpgrade->isChecked();
}

bool TChatForm::IsTestPanelVisible() const {
    return ui_->PanelTest->isVisibleTo(this);
}
