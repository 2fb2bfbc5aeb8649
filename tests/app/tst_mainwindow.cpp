#include "AppSettings.h"
#include "PrivateProfile.h"
#include "SecondaryWindows.h"
#include "TChatForm.h"
#include "TextColor.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Never dial anything: the windows under test get no start-up host at all.
AppOptions TestOptions(const QString& settingsPath) {
    AppOptions options;
    options.settingsPath = settingsPath;
    options.startupHost = QStringLiteral("127.0.0.1");
    options.autoConnect = false;
    return options;
}

QStringList KeyLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList keys;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (text.contains(QLatin1Char('=')) && !text.startsWith(QLatin1Char(';')))
            keys << text.section(QLatin1Char('='), 0, 0);
    }
    return keys;
}

QColor TextColorOf(const QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startState();
    void secondaryWindows();
    void titleLabelCycle_data();
    void titleLabelCycle();
    void menuSwitchDocksPanels_data();
    void menuSwitchDocksPanels();
    void upgradeSwitchResetsLabels();
    void checkBoxesEnableTheirInputs_data();
    void checkBoxesEnableTheirInputs();
    void logToggle();
    void logToggleFollowsResizedHeight_data();
    void logToggleFollowsResizedHeight();
    void ctrlClickClearsLog_data();
    void ctrlClickClearsLog();
    void lampDrawsRedDisc();
    void listenItemShowsNotConnected();
    void busyCursorStaysBalanced();

    void noFileGivesDefaultsAndWritesAllKeys();
    void valuesSurviveRestart();
    void settingsValues_data();
    void settingsValues();
    void failedSaveStillCloses();

private:
    void CreateWindow();
    void Restart();

    std::unique_ptr<QTemporaryDir> dir_;
    QString settingsPath_;
    std::unique_ptr<TChatForm> window_;
    QStringList errors_;
};

void TestMainWindow::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    settingsPath_ = dir_->filePath(QStringLiteral("RK5720LAN_Config.ini"));
    errors_.clear();
}

void TestMainWindow::cleanup() {
    window_.reset();
    dir_.reset();
}

void TestMainWindow::CreateWindow() {
    window_ = std::make_unique<TChatForm>(TestOptions(settingsPath_));
    window_->setErrorReporter([this](const QString& message) { errors_ << message; });
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void TestMainWindow::Restart() {
    QVERIFY(window_->close());
    window_.reset();
    CreateWindow();
}

void TestMainWindow::startState() {
    CreateWindow();
    TChatForm& w = *window_;
    Ui::TChatForm& ui = w.ui();
    QCOMPARE(w.size(), QSize(465, 380));
    QCOMPARE(w.windowTitle(), QStringLiteral("RK5720 LAN  Config"));
    QVERIFY(ui.PanelConfig->isVisible());
    QVERIFY(!ui.PanelUpgrade->isVisible());
    QVERIFY(!ui.PanelTest->isVisible());
    QVERIFY(!ui.Memo2->isVisible());
    QCOMPARE(ui.PanelConfig->geometry(), QRect(0, 0, ui.ClientArea->width(), 304));
    QCOMPARE(w.StatusText(1), QStringLiteral("Not connected"));
    QCOMPARE(w.statusPanels().LampWidth(), 0);
    QVERIFY(!w.statusPanels().Lamp()->isVisible());
    QCOMPARE(w.statusPanels().Panel(1)->width(), 170);
    QCOMPARE(w.statusPanels().Panel(2)->width(), 240);
    QCOMPARE(w.statusPanels().Panel(3)->width(), 50);
    QCOMPARE(ui.StatusBar1->height(), 17);
    QVERIFY(ui.NConfig->isChecked());
    QVERIFY(!ui.NUpgrade->isChecked());
    QVERIFY(!ui.NTest->isChecked());
    QVERIFY(!ui.FileListenItem->isChecked());
    QVERIFY(!ui.FileListenItem->isVisible());
    QVERIFY(!w.Timer1.isActive());
    QVERIFY(!w.Timer2.isActive());
    QCOMPARE(w.Timer1.interval(), 1000);
    QCOMPARE(w.Timer2.interval(), 1000);
    QVERIFY(!w.channelState().BlockBuffer.has_value());
    QCOMPARE(w.channelState().BlockLength, 129);
    QCOMPARE(int(w.channelState().UpgradeAccepted), 255);
    for (QLabel* title : {ui.LabelPConf, ui.LabelPSoft, ui.LabelPTest}) {
        QCOMPARE(title->toolTip(), QStringLiteral("NextMode"));
        QCOMPARE(title->cursor().hotSpot(), QPoint(3, 3));
        QCOMPARE(title->cursor().pixmap().size(), QSize(32, 32));
    }
}

void TestMainWindow::secondaryWindows() {
    CreateWindow();
    TFCombBoxDial& dialog = window_->connectDialog();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Connect with server..."));
    QCOMPARE(dialog.size(), QSize(266, 111));
    QCOMPARE(dialog.ui().Label1->text(), QStringLiteral("IP address "));
    QVERIFY(dialog.ui().BitBtn1->isDefault());
    QCOMPARE(window_->aboutWindow().windowTitle(), QStringLiteral("About"));
    QCOMPARE(window_->helpWindow().windowTitle(), QStringLiteral("RK5720ETH_Config Help"));
    QVERIFY(!window_->aboutWindow().isVisible());
    QVERIFY(!window_->helpWindow().isVisible());
}

void TestMainWindow::titleLabelCycle_data() {
    QTest::addColumn<QString>("startMode");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("nextPanel");
    QTest::newRow("Config title shows Upgrade") << "NConfig"
                                                << "LabelPConf"
                                                << "PanelUpgrade";
    QTest::newRow("Upgrade title shows Test") << "NUpgrade"
                                              << "LabelPSoft"
                                              << "PanelTest";
    QTest::newRow("Test title shows Config") << "NTest"
                                             << "LabelPTest"
                                             << "PanelConfig";
}

void TestMainWindow::titleLabelCycle() {
    QFETCH(QString, startMode);
    QFETCH(QString, label);
    QFETCH(QString, nextPanel);
    CreateWindow();
    window_->findChild<QAction*>(startMode)->trigger();
    auto* title = window_->findChild<QLabel*>(label);
    QVERIFY(title && title->isVisible());
    QTest::mouseClick(title, Qt::LeftButton);
    for (const char* panel : {"PanelConfig", "PanelUpgrade", "PanelTest"})
        QCOMPARE(window_->findChild<QWidget*>(panel)->isVisible(), nextPanel == panel);
}

void TestMainWindow::menuSwitchDocksPanels_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<bool>("fills");
    QTest::addColumn<bool>("upgrade");
    QTest::newRow("Config") << "NConfig"
                            << "PanelConfig" << false << false;
    QTest::newRow("Upgrade") << "NUpgrade"
                             << "PanelUpgrade" << false << true;
    QTest::newRow("Test") << "NTest"
                          << "PanelTest" << true << false;
}

void TestMainWindow::menuSwitchDocksPanels() {
    QFETCH(QString, action);
    QFETCH(QString, panel);
    QFETCH(bool, fills);
    QFETCH(bool, upgrade);
    CreateWindow();
    TChatForm& w = *window_;
    Ui::TChatForm& ui = w.ui();
    w.Label14Click(); // expanded, so the log is visible
    QCOMPARE(w.height(), 700);

    for (const QString& start : {QStringLiteral("NTest"), QStringLiteral("NConfig")}) {
        w.findChild<QAction*>(start)->trigger();
        w.channelState().BlockBuffer = QByteArray(129, '\0');
        w.channelState().BlocksReceived = 1;
        w.findChild<QAction*>(action)->trigger();

        QVERIFY(!w.channelState().BlockBuffer.has_value());
        QCOMPARE(w.channelState().BlocksReceived, 0);
        for (QAction* item : {ui.NConfig, ui.NUpgrade, ui.NTest})
            QCOMPARE(item->isChecked(), item->objectName() == action);
        auto* shown = w.findChild<QWidget*>(panel);
        for (QWidget* p : {ui.PanelConfig, ui.PanelUpgrade, ui.PanelTest})
            QCOMPARE(p->isVisible(), p == shown);
        QCOMPARE(w.IsUpgradeMode(), upgrade);
        QCOMPARE(w.IsTestPanelVisible(), fills);

        const QRect client = ui.ClientArea->rect();
        if (fills) {
            QCOMPARE(shown->geometry(), client);
            // The received log grows with the panel, keeping its margins.
            QCOMPARE(ui.GroupBox10->geometry().bottom(), client.bottom() - 4);
            QCOMPARE(ui.GroupBox10->geometry().right(), client.right() - 4);
            QVERIFY(ui.MemoTesting->height() > 304);
        } else {
            QCOMPARE(shown->geometry(), QRect(0, 0, client.width(), 304));
            QCOMPARE(ui.Memo2->geometry(), QRect(0, 304, client.width(), client.height() - 304));
            QVERIFY(ui.Memo2->isVisible());
        }
    }
}

void TestMainWindow::upgradeSwitchResetsLabels() {
    CreateWindow();
    Ui::TChatForm& ui = window_->ui();
    ui.LabelUpload->setText(QStringLiteral("OK"));
    SetTextColor(ui.LabelUpload, Qt::blue);
    ui.LabelCompare->setText(QStringLiteral("Versions do not match"));
    SetTextColor(ui.LabelCompare, Qt::red);
    ui.GrBoxFileVer->show();
    ui.GrBoxImVer->show();
    QTest::mouseClick(ui.LabelPConf, Qt::LeftButton);
    QVERIFY(ui.PanelUpgrade->isVisible());
    for (QLabel* label : {ui.LabelUpload, ui.LabelCompare}) {
        QCOMPARE(label->text(), QStringLiteral(" "));
        QCOMPARE(TextColorOf(label), QColor(Qt::black));
    }
    QVERIFY(!ui.GrBoxFileVer->isVisible());
    QVERIFY(!ui.GrBoxImVer->isVisible());
}

void TestMainWindow::checkBoxesEnableTheirInputs_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("input");
    QTest::newRow("IP address") << "CheckBoxIPAddr"
                                << "MEditIpAddr";
    QTest::newRow("mask") << "CheckBoxMask"
                          << "MEditNetMask";
    QTest::newRow("port") << "CheckBoxPort"
                          << "MEditPort";
    QTest::newRow("gateway") << "CheckBoxGW"
                             << "MEditGW";
    QTest::newRow("MAC") << "CheckBoxMac"
                         << "MEditMac";
    QTest::newRow("byte order") << "CheckBoxPackFloat"
                                << "CBoxPackFloat";
    QTest::newRow("speed/duplex") << "CheckBoxSpeedDup"
                                  << "CBoxSpeedDup";
}

void TestMainWindow::checkBoxesEnableTheirInputs() {
    QFETCH(QString, box);
    QFETCH(QString, input);
    CreateWindow();
    const QStringList inputs = {"MEditIpAddr", "MEditNetMask",  "MEditPort",   "MEditGW",
                                "MEditMac",    "CBoxPackFloat", "CBoxSpeedDup"};
    auto enabledStates = [&] {
        QMap<QString, bool> states;
        for (const QString& name : inputs)
            states[name] = window_->findChild<QWidget*>(name)->isEnabled();
        return states;
    };
    auto* check = window_->findChild<QCheckBox*>(box);
    auto* edit = window_->findChild<QWidget*>(input);
    QCOMPARE(edit->isEnabled(), check->isChecked());

    for (int click = 0; click < 2; ++click) {
        QMap<QString, bool> expected = enabledStates();
        expected[input] = !expected[input];
        QTest::mouseClick(check, Qt::LeftButton, {}, check->rect().center());
        QCOMPARE(edit->isEnabled(), check->isChecked());
        QCOMPARE(enabledStates(), expected);
    }
    // Restart has no input of its own and changes nothing.
    const QMap<QString, bool> before = enabledStates();
    window_->ui().ChBoxRestart->click();
    QCOMPARE(enabledStates(), before);
}

void TestMainWindow::logToggle() {
    CreateWindow();
    Ui::TChatForm& ui = window_->ui();
    window_->NTestClick();
    QTest::mouseClick(ui.Label14, Qt::LeftButton);
    QCOMPARE(window_->height(), 700);
    QVERIFY(ui.PanelTest->isVisible());
    window_->NConfigClick();
    QVERIFY(ui.Memo2->isVisible());
    QVERIFY(ui.Memo2->height() > 189);
    window_->NUpgradeClick();
    QVERIFY(ui.Memo2->isVisible());
    window_->NTestClick();
    QTest::mouseClick(ui.Label14, Qt::LeftButton);
    QCOMPARE(window_->height(), 380);
    QVERIFY(!ui.Memo2->isVisible());
    QCOMPARE(window_->width(), 465);
}

void TestMainWindow::logToggleFollowsResizedHeight_data() {
    QTest::addColumn<int>("userHeight");
    QTest::addColumn<int>("after");
    QTest::newRow("499 expands") << 499 << 700;
    QTest::newRow("500 collapses") << 500 << 380;
    QTest::newRow("900 collapses") << 900 << 380;
}

void TestMainWindow::logToggleFollowsResizedHeight() {
    QFETCH(int, userHeight);
    QFETCH(int, after);
    CreateWindow();
    window_->resize(465, userHeight);
    QTRY_COMPARE(window_->height(), userHeight);
    window_->Label14Click();
    QCOMPARE(window_->height(), after);
    QCOMPARE(window_->ui().Memo2->isVisibleTo(window_.get()), after == 700);
}

void TestMainWindow::ctrlClickClearsLog_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("ctrl + left") << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ControlModifier)
                                 << true;
    QTest::newRow("ctrl + right") << Qt::RightButton << Qt::KeyboardModifiers(Qt::ControlModifier)
                                  << true;
    QTest::newRow("ctrl + shift + middle")
        << Qt::MiddleButton << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)
        << true;
    QTest::newRow("plain left") << Qt::LeftButton << Qt::KeyboardModifiers() << false;
    QTest::newRow("plain right") << Qt::RightButton << Qt::KeyboardModifiers() << false;
    QTest::newRow("shift + left") << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                  << false;
}

void TestMainWindow::ctrlClickClearsLog() {
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, cleared);
    CreateWindow();
    window_->Label14Click();
    QTextEdit* log = window_->ui().Memo2;
    QVERIFY(log->isVisible());
    log->append(QStringLiteral("first line"));
    log->append(QStringLiteral("second line"));
    QTest::mousePress(log->viewport(), button, modifiers, QPoint(20, 10));
    QTest::mouseRelease(log->viewport(), button, modifiers, QPoint(20, 10));
    QCOMPARE(log->toPlainText().isEmpty(), cleared);
}

void TestMainWindow::lampDrawsRedDisc() {
    CreateWindow();
    StatusPanels& panels = window_->statusPanels();
    window_->SetLampWidth(20);
    QCOMPARE(panels.LampWidth(), 20);
    QCOMPARE(panels.Panel(1)->width(), 150);
    QTRY_VERIFY(panels.Lamp()->isVisible());
    const QImage image = panels.Lamp()->grab().toImage();
    QCOMPARE(image.size(), QSize(20, 17));
    QCOMPARE(image.pixelColor(10, 9), QColor(255, 0, 0));
    QVERIFY(image.pixelColor(1, 9) != QColor(255, 0, 0));
    QVERIFY(image.pixelColor(10, 1) != QColor(255, 0, 0));
    window_->SetLampWidth(0);
    QCOMPARE(panels.LampWidth(), 0);
    QVERIFY(!panels.Lamp()->isVisible());
    QCOMPARE(panels.Panel(1)->width(), 170);
}

void TestMainWindow::listenItemShowsNotConnected() {
    CreateWindow();
    window_->SetStatusText(1, QStringLiteral("Connect to: 127.0.0.1"));
    window_->SetLampWidth(20);
    window_->FileListenItemClick();
    QVERIFY(window_->ui().FileListenItem->isChecked());
    QCOMPARE(window_->StatusText(1), QStringLiteral("Not connected"));
    QCOMPARE(window_->statusPanels().LampWidth(), 0);
    window_->FileListenItemClick();
    QVERIFY(!window_->ui().FileListenItem->isChecked());
    QCOMPARE(window_->StatusText(1), QString());
    window_->StartConnectAttempt();
    QVERIFY(!window_->ui().FileListenItem->isChecked());
}

void TestMainWindow::busyCursorStaysBalanced() {
    CreateWindow();
    QVERIFY(!QApplication::overrideCursor());
    window_->SetBusyCursor(true);
    window_->SetBusyCursor(true);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    window_->SetBusyCursor(false);
    QVERIFY(!QApplication::overrideCursor());
    window_->SetBusyCursor(false);
    QVERIFY(!QApplication::overrideCursor());
    window_->SetBusyCursor(true);
    window_.reset(); // a window closed while busy gives the cursor back
    QVERIFY(!QApplication::overrideCursor());
}

void TestMainWindow::noFileGivesDefaultsAndWritesAllKeys() {
    CreateWindow();
    Ui::TChatForm& ui = window_->ui();
    QCOMPARE(ui.MEditIpAddr->text(), QStringLiteral("192.168.100.222"));
    QCOMPARE(ui.MEditNetMask->text(), QStringLiteral("255.255.255.0"));
    QCOMPARE(ui.MEditPort->text(), QStringLiteral("1024"));
    QCOMPARE(ui.MEditGW->text(), QStringLiteral("192.168.100.5"));
    QCOMPARE(ui.MEditMac->text(), QStringLiteral("------"));
    QCOMPARE(ui.CBoxPackFloat->currentText(), QStringLiteral("1-0-3-2"));
    QCOMPARE(ui.CBoxSpeedDup->currentText(), QStringLiteral("Auto"));
    for (QCheckBox* on : {ui.CheckBoxIPAddr, ui.CheckBoxMask, ui.CheckBoxPort, ui.ChBoxRestart})
        QVERIFY2(on->isChecked(), qPrintable(on->objectName()));
    for (QCheckBox* off :
         {ui.CheckBoxGW, ui.CheckBoxMac, ui.CheckBoxPackFloat, ui.CheckBoxSpeedDup})
        QVERIFY2(!off->isChecked(), qPrintable(off->objectName()));
    for (QWidget* disabled :
         {static_cast<QWidget*>(ui.MEditGW), static_cast<QWidget*>(ui.MEditMac),
          static_cast<QWidget*>(ui.CBoxPackFloat), static_cast<QWidget*>(ui.CBoxSpeedDup)})
        QVERIFY2(!disabled->isEnabled(), qPrintable(disabled->objectName()));
    QCOMPARE(ui.EditNum->text(), QStringLiteral("BA001"));
    QCOMPARE(ui.EditModBus->text(), QStringLiteral("02 03 00 00 00 06 01 04 00 00 00 20"));
    QCOMPARE(ui.EditFileName->text(), QString());
    QCOMPARE(window_->openDialog().InitialDir, ExecutableFolder());
    QVERIFY(!QFile::exists(settingsPath_));

    QVERIFY(window_->close());
    QVERIFY(errors_.isEmpty());
    QCOMPARE(KeyLines(settingsPath_),
             QStringList({"Port", "Addr", "NetMask", "GW", "MAC", "PackFloat", "SpeedDup",
                          "CheckAddr", "CheckMask", "CheckPort", "CheckGW", "CheckMac",
                          "CheckPackFloat", "CheckSpeedDup", "CheckRestart", "InitialDir",
                          "FileName", "EditNum", "EditModBus"}));
    QCOMPARE(GetPrivateProfileString(u"IPParams", u"MAC", QString(), settingsPath_),
             QStringLiteral("------"));
    QCOMPARE(GetPrivateProfileString(u"Common", u"CheckGW", QString(), settingsPath_),
             QStringLiteral("0"));
}

void TestMainWindow::valuesSurviveRestart() {
    CreateWindow();
    {
        Ui::TChatForm& ui = window_->ui();
        RememberedParams& r = window_->rememberedParams();
        r.LastAddr = QStringLiteral("127.0.0.9");
        r.LastNetMask = QStringLiteral("255.0.0.0");
        r.LastGW = QStringLiteral("127.0.0.1");
        r.LastMac = QStringLiteral("00-11-22-33-44-55");
        r.LastPort = QStringLiteral("5020");
        r.LastPackFloat = 3;
        r.LastSpeedDup = 4;
        // Typed but never written or connected with: not remembered.
        ui.MEditIpAddr->setText(QStringLiteral("10.1.1.1"));
        ui.CheckBoxIPAddr->click();
        ui.CheckBoxMac->click();
        ui.CheckBoxSpeedDup->click();
        ui.ChBoxRestart->click();
        window_->openDialog().InitialDir = dir_->path() + QLatin1Char('/');
        window_->openDialog().FileName = dir_->filePath(QStringLiteral("gone.bin"));
        ui.EditNum->setText(QStringLiteral("BA017"));
        ui.EditModBus->setText(QStringLiteral("01 02 03"));
    }
    Restart();
    Ui::TChatForm& ui = window_->ui();
    QCOMPARE(ui.MEditIpAddr->text(), QStringLiteral("127.0.0.9"));
    QCOMPARE(ui.MEditNetMask->text(), QStringLiteral("255.0.0.0"));
    QCOMPARE(ui.MEditGW->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(ui.MEditMac->text(), QStringLiteral("00-11-22-33-44-55"));
    QCOMPARE(ui.MEditPort->text(), QStringLiteral("5020"));
    QCOMPARE(ui.CBoxPackFloat->currentText(), QStringLiteral("2-3-0-1"));
    QCOMPARE(ui.CBoxSpeedDup->currentText(), QStringLiteral("100 Mbit/s half duplex"));
    QVERIFY(!ui.CheckBoxIPAddr->isChecked());
    QVERIFY(!ui.MEditIpAddr->isEnabled());
    QVERIFY(ui.CheckBoxMac->isChecked());
    QVERIFY(ui.MEditMac->isEnabled());
    QVERIFY(ui.CheckBoxSpeedDup->isChecked());
    QVERIFY(ui.CBoxSpeedDup->isEnabled());
    QVERIFY(!ui.ChBoxRestart->isChecked());
    QCOMPARE(window_->openDialog().InitialDir, dir_->path() + QLatin1Char('/'));
    // A file that no longer exists is shown as it is; nothing checks it at start.
    QCOMPARE(ui.EditFileName->text(), dir_->filePath(QStringLiteral("gone.bin")));
    QCOMPARE(ui.EditNum->text(), QStringLiteral("BA017"));
    QCOMPARE(ui.EditModBus->text(), QStringLiteral("01 02 03"));
    QVERIFY(errors_.isEmpty());
}

void TestMainWindow::settingsValues_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("written");

    QTest::newRow("CheckMac=0 disables the MAC field")
        << QByteArray("[Common]\nCheckMac=0\n") << "MEditMac"
        << "------" << false << "Common"
        << "CheckMac"
        << "0";
    QTest::newRow("CheckGW=5 reads ticked, written as 1")
        << QByteArray("[Common]\nCheckGW=5\n") << "MEditGW"
        << "192.168.100.5" << true << "Common"
        << "CheckGW"
        << "1";
    QTest::newRow("CheckAddr=abc keeps the default")
        << QByteArray("[Common]\nCheckAddr=abc\n") << "MEditIpAddr"
        << "192.168.100.222" << true << "Common"
        << "CheckAddr"
        << "1";
    QTest::newRow("PackFloat=0x2 selects 3-2-1-0")
        << QByteArray(
               "[ModBusParams]\nPackFloat=0x2\nCheckPackFloat=1\n[Common]\nCheckPackFloat=1\n")
        << "CBoxPackFloat"
        << "3-2-1-0" << true << "ModBusParams"
        << "PackFloat"
        << "2";
    QTest::newRow("PackFloat=7 leaves the list empty and is kept")
        << QByteArray("[ModBusParams]\nPackFloat=7\n") << "CBoxPackFloat"
        << "" << false << "ModBusParams"
        << "PackFloat"
        << "7";
    QTest::newRow("SpeedDup=-1 leaves the list empty and is kept")
        << QByteArray("[ModBusParams]\nSpeedDup=-1\n") << "CBoxSpeedDup"
        << "" << false << "ModBusParams"
        << "SpeedDup"
        << "-1";
    QTest::newRow("file name shown in EditFileName")
        << QByteArray("[Programming]\nFileName=/nowhere/fw.bin\n") << "EditFileName"
        << "/nowhere/fw.bin" << true << "Programming"
        << "FileName"
        << "/nowhere/fw.bin";
    QTest::newRow("empty address stays empty") << QByteArray("[IPParams]\nAddr=\n") << "MEditIpAddr"
                                               << "" << true << "IPParams"
                                               << "Addr"
                                               << "";
}

void TestMainWindow::settingsValues() {
    QFETCH(QByteArray, file);
    QFETCH(QString, widget);
    QFETCH(QString, shown);
    QFETCH(bool, enabled);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, written);
    {
        QFile out(settingsPath_);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("; kept as it is\n[Other]\nKeep = me\n" + file);
    }
    CreateWindow();
    QWidget* target = window_->findChild<QWidget*>(widget);
    QVERIFY(target);
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        QCOMPARE(edit->text(), shown);
    else if (auto* combo = qobject_cast<QComboBox*>(target))
        QCOMPARE(combo->currentText(), shown);
    QCOMPARE(target->isEnabled(), enabled);

    QVERIFY(window_->close());
    QCOMPARE(GetPrivateProfileString(section, key, QStringLiteral("<none>"), settingsPath_),
             written);
    QFile in(settingsPath_);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QVERIFY(in.readAll().startsWith("; kept as it is\n"));
    QCOMPARE(GetPrivateProfileString(u"Other", u"Keep", QString(), settingsPath_),
             QStringLiteral("me"));
    QVERIFY(KeyLines(settingsPath_).size() >= 19 + 1);
}

void TestMainWindow::failedSaveStillCloses() {
    // A folder in place of the file: no write can succeed, even as root.
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("RK5720LAN_Config.ini")));
    CreateWindow();
    QVERIFY(window_->close());
    QVERIFY(!window_->isVisible());
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_.first(),
             QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(settingsPath_)));
    QVERIFY(!window_->channelState().RawReadPending);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
