#include "ScriptedPeer.h"
#include "SecondaryWindows.h"
#include "TChatForm.h"
#include "TestSupport.h"
#include "TextColor.h"
#include "WindowFixture.h"

#include <QAccessible>
#include <QComboBox>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyleOptionFrame>

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QColor TextColorOf(const QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}

} // namespace

class TestMainWindow : public QObject, private WindowFixture {
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
    void statusPanelsReadTheirTexts();
    void busyCursorStaysBalanced();
    void menuCaptionsHaveAltLetters_data();
    void menuCaptionsHaveAltLetters();
    void altLettersSwitchModes_data();
    void altLettersSwitchModes();
    void enterPressesFocusedButton_data();
    void enterPressesFocusedButton();
    void connectDialogKeys_data();
    void connectDialogKeys();
    void shrunkWindowKeepsControls_data();
    void shrunkWindowKeepsControls();
    void expandedWindowStaysOnScreen_data();
    void expandedWindowStaysOnScreen();
    void fieldsShowLongestTextWhole_data();
    void fieldsShowLongestTextWhole();

private:
    // Makes the main window the one that takes the keyboard.
    void ActivateWindow();
};

void TestMainWindow::init() {
    InitFixture();
}

void TestMainWindow::cleanup() {
    CleanupFixture();
}

void TestMainWindow::startState() {
    CreateWindow();
    TChatForm& w = *window_;
    const Controls ui(w);
    QCOMPARE(w.size(), QSize(465, w.CompactHeight()));
    // The status bar shows whole right below the panel: no strip between them,
    // no panel frame cut off at the window's bottom.
    QCOMPARE(ui.get<QWidget>("ClientArea")->geometry().bottom() + 1,
             ui.get<QStatusBar>("StatusBar1")->geometry().top());
    QCOMPARE(ui.get<QStatusBar>("StatusBar1")->geometry().bottom() + 1, w.height());
    for (int panel = 1; panel <= 3; ++panel)
        QCOMPARE((*w.findChild<StatusPanels*>()).Panel(StatusPanel(panel))->geometry().bottom() + 1,
                 ui.get<QStatusBar>("StatusBar1")->height());
    QCOMPARE(w.windowTitle(), QStringLiteral("RK5720 LAN  Config"));
    QVERIFY(ui.get<QFrame>("PanelConfig")->isVisible());
    QVERIFY(!ui.get<QFrame>("PanelUpgrade")->isVisible());
    QVERIFY(!ui.get<QFrame>("PanelTest")->isVisible());
    QVERIFY(!ui.get<QTextEdit>("Memo2")->isVisible());
    QCOMPARE(ui.get<QFrame>("PanelConfig")->geometry(),
             QRect(0, 0, ui.get<QWidget>("ClientArea")->width(), 304));
    QCOMPARE(w.StatusText(StatusPanel::Connection), QStringLiteral("Not connected"));
    QCOMPARE((*w.findChild<StatusPanels*>()).LampWidth(), 0);
    QVERIFY(!(*w.findChild<StatusPanels*>()).Lamp()->isVisible());
    QCOMPARE((*w.findChild<StatusPanels*>()).Panel(StatusPanel::Connection)->width(), 170);
    QCOMPARE((*w.findChild<StatusPanels*>()).Panel(StatusPanel::Message)->width(), 240);
    QCOMPARE((*w.findChild<StatusPanels*>()).Panel(StatusPanel::Progress)->width(), 50);
    QCOMPARE(ui.get<QStatusBar>("StatusBar1")->height(), 17);
    QVERIFY(ui.get<QAction>("NConfig")->isChecked());
    QVERIFY(!ui.get<QAction>("NUpgrade")->isChecked());
    QVERIFY(!ui.get<QAction>("NTest")->isChecked());
    QVERIFY(!ui.get<QAction>("FileListenItem")->isChecked());
    QVERIFY(!ui.get<QAction>("FileListenItem")->isVisible());
    QVERIFY(!w.device().follower.Following());
    QVERIFY(!w.Timer2.isActive());
    QCOMPARE(w.device().follower.timing.reconnectIntervalMs, 1000);
    QCOMPARE(w.Timer2.interval(), 1000);
    QVERIFY(!w.device().BlockReadActive());
    for (QLabel* title : {ui.get<QLabel>("LabelPConf"), ui.get<QLabel>("LabelPSoft"),
                          ui.get<QLabel>("LabelPTest")}) {
        QCOMPARE(title->toolTip(), QStringLiteral("NextMode"));
        QCOMPARE(title->cursor().hotSpot(), QPoint(3, 3));
        QCOMPARE(title->cursor().pixmap().size(), QSize(32, 32));
    }
}

void TestMainWindow::secondaryWindows() {
    CreateWindow();
    TFCombBoxDial& dialog = *window_->findChild<TFCombBoxDial*>();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Connect with server..."));
    QCOMPARE(dialog.size(), QSize(266, 111));
    // Alt+I and Alt+O reach the fields; the dialog opens in the address.
    QCOMPARE(dialog.ui().Label1->text(), QStringLiteral("&IP address "));
    QCOMPARE(dialog.ui().Label1->buddy(), dialog.ui().EditAddr);
    QCOMPARE(dialog.ui().Label2->buddy(), dialog.ui().EditPort);
    QVERIFY(dialog.ui().BitBtn1->isDefault());
    dialog.open();
    QTRY_COMPARE_WITH_TIMEOUT(dialog.focusWidget(), dialog.ui().EditAddr, 5000);
    QCOMPARE(dialog.ui().EditAddr->selectedText(), dialog.ui().EditAddr->text());
    dialog.reject();
    const Controls ui(*window_);
    QCOMPARE(ui.get<QPushButton>("ButtonGetAll")->text(), QStringLiteral("&Read"));
    QCOMPARE(ui.get<QPushButton>("ButtonSetAll")->text(), QStringLiteral("&Write"));
    QCOMPARE(window_->findChild<TFormAboutProgr*>()->windowTitle(), QStringLiteral("About"));
    QCOMPARE(window_->findChild<TForm_Help*>()->windowTitle(),
             QStringLiteral("RK5720ETH_Config Help"));
    QVERIFY(!window_->findChild<TFormAboutProgr*>()->isVisible());
    QVERIFY(!window_->findChild<TForm_Help*>()->isVisible());
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
    const Controls ui(w);
    w.Label14Click(); // expanded, so the log is visible
    QCOMPARE(w.height(), 700);
    // A device that starts the block read of every instrument and never
    // sends the block.
    ScriptedPeer peer;
    const quint16 port = peer.listen();
    QVERIFY(port != 0);
    peer.reply = [&peer](const QByteArray& got) {
        if (got.startsWith("READ = "))
            peer.send("READ = OK");
        else if (got != "READBUF")
            peer.send("NO;");
    };
    QVERIFY(w.device().connection.ConnectTo(QStringLiteral("127.0.0.1"), QString::number(port)));
    QTRY_VERIFY_WITH_TIMEOUT(w.device().Connected(), 5000);

    for (const QString& start : {QStringLiteral("NTest"), QStringLiteral("NConfig")}) {
        w.findChild<QAction*>(start)->trigger();
        w.device().linkTest.ReadCurrentValues(QStringLiteral("BA001"));
        QVERIFY(w.device().BlockReadActive());
        w.findChild<QAction*>(action)->trigger();

        QVERIFY(!w.device().BlockReadActive());
        for (QAction* item :
             {ui.get<QAction>("NConfig"), ui.get<QAction>("NUpgrade"), ui.get<QAction>("NTest")})
            QCOMPARE(item->isChecked(), item->objectName() == action);
        auto* shown = w.findChild<QWidget*>(panel);
        for (QWidget* p : {ui.get<QFrame>("PanelConfig"), ui.get<QFrame>("PanelUpgrade"),
                           ui.get<QFrame>("PanelTest")})
            QCOMPARE(p->isVisible(), p == shown);
        QCOMPARE(w.IsUpgradeMode(), upgrade);
        QCOMPARE(w.IsTestPanelVisible(), fills);

        const QRect client = ui.get<QWidget>("ClientArea")->rect();
        if (fills) {
            QCOMPARE(shown->geometry(), client);
            // The received log grows with the panel, keeping its margins.
            QCOMPARE(ui.get<QGroupBox>("GroupBox10")->geometry().bottom(), client.bottom() - 4);
            QCOMPARE(ui.get<QGroupBox>("GroupBox10")->geometry().right(), client.right() - 4);
            QVERIFY(ui.get<QPlainTextEdit>("MemoTesting")->height() > 304);
        } else {
            QCOMPARE(shown->geometry(), QRect(0, 0, client.width(), 304));
            QCOMPARE(ui.get<QTextEdit>("Memo2")->geometry(),
                     QRect(0, 304, client.width(), client.height() - 304));
            QVERIFY(ui.get<QTextEdit>("Memo2")->isVisible());
        }
    }
}

void TestMainWindow::upgradeSwitchResetsLabels() {
    CreateWindow();
    const Controls ui(*window_);
    ui.get<QLabel>("LabelUpload")->setText(QStringLiteral("OK"));
    SetTextColor(ui.get<QLabel>("LabelUpload"), Qt::blue);
    ui.get<QLabel>("LabelCompare")->setText(QStringLiteral("Versions do not match"));
    SetTextColor(ui.get<QLabel>("LabelCompare"), Qt::red);
    ui.get<QGroupBox>("GrBoxFileVer")->show();
    ui.get<QGroupBox>("GrBoxImVer")->show();
    QTest::mouseClick(ui.get<QLabel>("LabelPConf"), Qt::LeftButton);
    QVERIFY(ui.get<QFrame>("PanelUpgrade")->isVisible());
    for (QLabel* label : {ui.get<QLabel>("LabelUpload"), ui.get<QLabel>("LabelCompare")}) {
        QCOMPARE(label->text(), QStringLiteral(" "));
        QCOMPARE(TextColorOf(label), QColor(Qt::black));
    }
    QVERIFY(!ui.get<QGroupBox>("GrBoxFileVer")->isVisible());
    QVERIFY(!ui.get<QGroupBox>("GrBoxImVer")->isVisible());
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
    Controls(*window_).get<QCheckBox>("ChBoxRestart")->click();
    QCOMPARE(enabledStates(), before);
}

void TestMainWindow::logToggle() {
    CreateWindow();
    const Controls ui(*window_);
    window_->NTestClick();
    QTest::mouseClick(ui.get<QLabel>("Label14"), Qt::LeftButton);
    QCOMPARE(window_->height(), 700);
    QVERIFY(ui.get<QFrame>("PanelTest")->isVisible());
    window_->NConfigClick();
    QVERIFY(ui.get<QTextEdit>("Memo2")->isVisible());
    QVERIFY(ui.get<QTextEdit>("Memo2")->height() > 189);
    window_->NUpgradeClick();
    QVERIFY(ui.get<QTextEdit>("Memo2")->isVisible());
    window_->NTestClick();
    QTest::mouseClick(ui.get<QLabel>("Label14"), Qt::LeftButton);
    QCOMPARE(window_->height(), window_->CompactHeight());
    QVERIFY(!ui.get<QTextEdit>("Memo2")->isVisible());
    QCOMPARE(window_->width(), 465);
}

void TestMainWindow::logToggleFollowsResizedHeight_data() {
    QTest::addColumn<int>("userHeight");
    QTest::addColumn<int>("after");
    QTest::newRow("499 expands") << 499 << 700;
    QTest::newRow("500 collapses") << 500 << 0; // 0: the compact height
    QTest::newRow("900 collapses") << 900 << 0;
}

void TestMainWindow::logToggleFollowsResizedHeight() {
    QFETCH(int, userHeight);
    QFETCH(int, after);
    CreateWindow();
    window_->resize(465, userHeight);
    QTRY_COMPARE(window_->height(), userHeight);
    window_->Label14Click();
    if (after == 0)
        after = window_->CompactHeight();
    QCOMPARE(window_->height(), after);
    QCOMPARE(Controls(*window_).get<QTextEdit>("Memo2")->isVisibleTo(window_.get()), after == 700);
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
    QTextEdit* log = Controls(*window_).get<QTextEdit>("Memo2");
    QVERIFY(log->isVisible());
    log->append(QStringLiteral("first line"));
    log->append(QStringLiteral("second line"));
    QTest::mousePress(log->viewport(), button, modifiers, QPoint(20, 10));
    QTest::mouseRelease(log->viewport(), button, modifiers, QPoint(20, 10));
    QCOMPARE(log->toPlainText().isEmpty(), cleared);
}

void TestMainWindow::lampDrawsRedDisc() {
    CreateWindow();
    StatusPanels& panels = (*window_->findChild<StatusPanels*>());
    window_->device().log.SetLamp(true);
    QCOMPARE(panels.LampWidth(), 20);
    QCOMPARE(panels.Panel(StatusPanel::Connection)->width(), 150);
    QTRY_VERIFY(panels.Lamp()->isVisible());
    const QImage image = panels.Lamp()->grab().toImage();
    QCOMPARE(image.size(), QSize(20, 17));
    QCOMPARE(image.pixelColor(10, 9), QColor(255, 0, 0));
    QVERIFY(image.pixelColor(1, 9) != QColor(255, 0, 0));
    QVERIFY(image.pixelColor(10, 1) != QColor(255, 0, 0));
    window_->device().log.SetLamp(false);
    QCOMPARE(panels.LampWidth(), 0);
    QVERIFY(!panels.Lamp()->isVisible());
    QCOMPARE(panels.Panel(StatusPanel::Connection)->width(), 170);
}

void TestMainWindow::listenItemShowsNotConnected() {
    CreateWindow();
    window_->device().log.SetStatus(StatusPanel::Connection,
                                    QStringLiteral("Connect to: 127.0.0.1"));
    window_->device().log.SetLamp(true);
    window_->FileListenItemClick();
    QVERIFY(Controls(*window_).get<QAction>("FileListenItem")->isChecked());
    QCOMPARE(window_->StatusText(StatusPanel::Connection), QStringLiteral("Not connected"));
    QCOMPARE((*window_->findChild<StatusPanels*>()).LampWidth(), 0);
    window_->FileListenItemClick();
    QVERIFY(!Controls(*window_).get<QAction>("FileListenItem")->isChecked());
    QCOMPARE(window_->StatusText(StatusPanel::Connection), QString());
    window_->device().connection.StartAttempt();
    QVERIFY(!Controls(*window_).get<QAction>("FileListenItem")->isChecked());
}

void TestMainWindow::statusPanelsReadTheirTexts() {
    // A screen reader says what the panel shows, and what the panel is for.
    CreateWindow();
    DeviceLog& log = window_->device().log;
    log.SetStatus(StatusPanel::Connection, QStringLiteral("Connect to: 127.0.0.1"));
    log.SetStatus(StatusPanel::Message, QStringLiteral("Server not answer"));
    log.SetStatus(StatusPanel::Progress, QStringLiteral("--+--"));
    const char* const roles[] = {"Connection", "Status", "Progress"};
    const char* const texts[] = {"Connect to: 127.0.0.1", "Server not answer", "--+--"};
    for (int panel = 1; panel <= 3; ++panel) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(
            (*window_->findChild<StatusPanels*>()).Panel(StatusPanel(panel)));
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), QString::fromLatin1(texts[panel - 1]));
        QCOMPARE(a->text(QAccessible::Description), QString::fromLatin1(roles[panel - 1]));
    }
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

void TestMainWindow::ActivateWindow() {
    window_->activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), window_.get(), 5000);
}

void TestMainWindow::menuCaptionsHaveAltLetters_data() {
    QTest::addColumn<QString>("menu"); // objectName of the menu; empty: the menu bar
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("menu bar") << QString()
                              << QStringList{"File", "Connect...", "Disconnect", "Modes", "Help"};
    QTest::newRow("File") << "MFile" << QStringList{"Find devices...",
                                                    "",
                                                    "Save configuration...",
                                                    "Load configuration...",
                                                    "Listen",
                                                    "",
                                                    "Exit"};
    QTest::newRow("Modes") << "Modes1" << QStringList{"Config", "Upgrade", "Test"};
    QTest::newRow("Help") << "Help1" << QStringList{"Help...", "About..."};
}

void TestMainWindow::menuCaptionsHaveAltLetters() {
    // Every item reached from the keyboard by its own letter, and the
    // captions as they always read, but for the marks of those letters.
    QFETCH(QString, menu);
    QFETCH(QStringList, captions);
    CreateWindow();
    QWidget* holder = menu.isEmpty() ? static_cast<QWidget*>(window_->menuBar())
                                     : Controls(*window_).get<QMenu>(qPrintable(menu));
    QStringList shown;
    QList<QKeySequence> letters;
    for (const QAction* item : holder->actions()) {
        shown << QString(item->text()).remove(QLatin1Char('&'));
        if (item->isSeparator() || !item->isVisible())
            continue;
        const QKeySequence letter = QKeySequence::mnemonic(item->text());
        QVERIFY2(!letter.isEmpty(), qPrintable(item->text()));
        QVERIFY2(!letters.contains(letter), qPrintable(item->text()));
        letters << letter;
    }
    QCOMPARE(shown, captions);
}

void TestMainWindow::altLettersSwitchModes_data() {
    QTest::addColumn<QString>("startMode");
    QTest::addColumn<int>("letter");
    QTest::addColumn<QString>("panel");
    QTest::newRow("Alt+M, U") << "NConfig" << int(Qt::Key_U) << "PanelUpgrade";
    QTest::newRow("Alt+M, T") << "NConfig" << int(Qt::Key_T) << "PanelTest";
    QTest::newRow("Alt+M, C") << "NTest" << int(Qt::Key_C) << "PanelConfig";
}

void TestMainWindow::altLettersSwitchModes() {
    QFETCH(QString, startMode);
    QFETCH(int, letter);
    QFETCH(QString, panel);
    CreateWindow();
    ActivateWindow();
    Controls(*window_).get<QAction>(qPrintable(startMode))->trigger();
    QTest::keyClick(window_.get(), Qt::Key_M, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu*>(QApplication::activePopupWidget()), 5000);
    auto* modes = static_cast<QMenu*>(QApplication::activePopupWidget());
    QCOMPARE(modes, Controls(*window_).get<QMenu>("Modes1"));
    QTest::keyClick(modes, Qt::Key(letter));
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), 5000);
    for (const char* p : {"PanelConfig", "PanelUpgrade", "PanelTest"})
        QCOMPARE(window_->findChild<QWidget*>(p)->isVisible(), panel == p);
}

void TestMainWindow::enterPressesFocusedButton_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("clicked"); // empty: no button
    QTest::newRow("Read, Return") << "NConfig"
                                  << "ButtonGetAll" << int(Qt::Key_Return) << "ButtonGetAll";
    QTest::newRow("Write, keypad Enter") << "NConfig"
                                         << "ButtonSetAll" << int(Qt::Key_Enter) << "ButtonSetAll";
    QTest::newRow("On, Return") << "NUpgrade"
                                << "Button2" << int(Qt::Key_Return) << "Button2";
    QTest::newRow("Send, Return") << "NTest"
                                  << "BitBttnSend" << int(Qt::Key_Return) << "BitBttnSend";
    QTest::newRow("Return in the number field") << "NTest"
                                                << "EditNum" << int(Qt::Key_Return) << QString();
}

void TestMainWindow::enterPressesFocusedButton() {
    QFETCH(QString, mode);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, clicked);
    CreateWindow();
    ActivateWindow();
    const Controls ui(*window_);
    ui.get<QAction>(qPrintable(mode))->trigger();
    // Not connected: each button only says so.
    QMap<QString, int> clicks;
    for (QPushButton* button : window_->findChildren<QPushButton*>())
        connect(button, &QPushButton::clicked, this,
                [&clicks, button] { ++clicks[button->objectName()]; });
    QWidget* focused = ui.get<QWidget>(qPrintable(focus));
    focused->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), focused);
    QTest::keyClick(focused, Qt::Key(key),
                    key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QMap<QString, int> expected;
    if (!clicked.isEmpty())
        expected[clicked] = 1;
    QCOMPARE(clicks, expected);
}

void TestMainWindow::connectDialogKeys_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Return on OK") << "BitBtn1" << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Return on Cancel") << "BitBtn2" << int(Qt::Key_Return) << int(QDialog::Rejected);
    QTest::newRow("keypad Enter on Cancel")
        << "BitBtn2" << int(Qt::Key_Enter) << int(QDialog::Rejected);
    // Elsewhere Return is the default button's, as before.
    QTest::newRow("Return in the address")
        << "EditAddr" << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Escape on OK") << "BitBtn1" << int(Qt::Key_Escape) << int(QDialog::Rejected);
}

void TestMainWindow::connectDialogKeys() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, result);
    CreateWindow();
    TFCombBoxDial& dialog = *window_->findChild<TFCombBoxDial*>();
    const QString port = QString::number(ClosedPort());
    bool pressed = false;
    QTimer::singleShot(0, &dialog, [&] {
        // Loopback only, whichever button the key ends up pressing.
        dialog.ui().EditAddr->setText(QStringLiteral("127.0.0.1"));
        dialog.ui().EditPort->setText(port);
        auto* focused = dialog.findChild<QWidget*>(focus);
        focused->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focused, Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        pressed = true;
    });
    // A key that presses nothing would leave the dialog open for good.
    QTimer::singleShot(5000, &dialog, [&dialog] {
        if (dialog.isVisible())
            dialog.done(-1);
    });
    Controls(*window_).get<QAction>("FileConnectItem")->trigger();
    QVERIFY(pressed);
    QCOMPARE(dialog.result(), result);
    window_->device().Close();
}

void TestMainWindow::shrunkWindowKeepsControls_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("control"); // the one farthest down and right
    QTest::addColumn<QSize>("asked");
    QTest::newRow("Write at 300x250") << "NConfig"
                                      << "ButtonSetAll" << QSize(300, 250);
    QTest::newRow("Read at 300x250") << "NConfig"
                                     << "ButtonGetAll" << QSize(300, 250);
    QTest::newRow("Off at 465x100") << "NUpgrade"
                                    << "Button4" << QSize(465, 100);
    QTest::newRow("Send at 200x600") << "NTest"
                                     << "BitBttnSend" << QSize(200, 600);
}

void TestMainWindow::shrunkWindowKeepsControls() {
    // However far the user shrinks it, the compact layout stays whole: every
    // control of the panel and the status bar below it.
    QFETCH(QString, mode);
    QFETCH(QString, control);
    QFETCH(QSize, asked);
    CreateWindow();
    const Controls ui(*window_);
    ui.get<QAction>(qPrintable(mode))->trigger();
    window_->resize(asked);
    QTRY_COMPARE_WITH_TIMEOUT(window_->size(),
                              asked.expandedTo(QSize(465, window_->CompactHeight())), 5000);
    QWidget* shown = ui.get<QWidget>(qPrintable(control));
    const QRect at(shown->mapTo(window_.get(), QPoint(0, 0)), shown->size());
    QVERIFY2(ui.get<QWidget>("ClientArea")->geometry().contains(at),
             qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 in a %6x%7 window")
                            .arg(control)
                            .arg(at.x())
                            .arg(at.y())
                            .arg(at.width())
                            .arg(at.height())
                            .arg(window_->width())
                            .arg(window_->height())));
    QCOMPARE(ui.get<QStatusBar>("StatusBar1")->geometry().bottom() + 1, window_->height());
}

void TestMainWindow::expandedWindowStaysOnScreen_data() {
    QTest::addColumn<int>("percentDown"); // where the window's top is, in the screen's height
    QTest::newRow("at the top") << 0;
    QTest::newRow("halfway down") << 50;
}

void TestMainWindow::expandedWindowStaysOnScreen() {
    // The log toggle gives the window 700 only where the screen has the room:
    // the status bar must never go off the screen, and a second click must
    // still collapse it.
    QFETCH(int, percentDown);
    CreateWindow();
    const QRect screen = window_->screen()->availableGeometry();
    const QPoint at(screen.left(), screen.top() + screen.height() * percentDown / 100);
    window_->move(at);
    QTRY_COMPARE_WITH_TIMEOUT(window_->pos(), at, 5000);
    const int compact = window_->height();
    QCOMPARE(compact, window_->CompactHeight());

    window_->Label14Click();
    const QRect frame = window_->frameGeometry();
    QVERIFY2(screen.contains(frame),
             qPrintable(QStringLiteral("window %1,%2 %3x%4 on a screen of %5x%6")
                            .arg(frame.x())
                            .arg(frame.y())
                            .arg(frame.width())
                            .arg(frame.height())
                            .arg(screen.width())
                            .arg(screen.height())));
    const QStatusBar* bar = Controls(*window_).get<QStatusBar>("StatusBar1");
    QVERIFY(screen.contains(QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size())));
    QCOMPARE(window_->height(), qMin(700, screen.height() - (frame.height() - window_->height())));
    QVERIFY(window_->height() > compact);
    QVERIFY(Controls(*window_).get<QTextEdit>("Memo2")->isVisible());

    window_->Label14Click();
    QCOMPARE(window_->height(), compact);
    QVERIFY(!Controls(*window_).get<QTextEdit>("Memo2")->isVisible());
}

void TestMainWindow::fieldsShowLongestTextWhole_data() {
    QTest::addColumn<QString>("field"); // a line edit, or a drop-down showing the item
    QTest::addColumn<QString>("text");
    const QString mac = QStringLiteral("00-1A-2B-3C-4D-5E");
    QTest::newRow("MAC to write") << "MEditMac" << mac;
    QTest::newRow("MAC read") << "EditMacAddr" << mac;
    QTest::newRow("address to write") << "MEditIpAddr"
                                      << "255.255.255.255";
    QTest::newRow("address read") << "EditIPAddr"
                                  << "255.255.255.255";
    QTest::newRow("speed/duplex read") << "EditSpeedDup"
                                       << "100 Mbit/s half duplex";
    for (const char* item : {"Auto", "10 Mbit/s full duplex", "10 Mbit/s half duplex",
                             "100 Mbit/s full duplex", "100 Mbit/s half duplex"})
        QTest::newRow(qPrintable(QStringLiteral("speed/duplex to write: %1").arg(item)))
            << "CBoxSpeedDup" << item;
    QTest::newRow("byte order to write") << "CBoxPackFloat"
                                         << "1-0-3-2";
}

void TestMainWindow::fieldsShowLongestTextWhole() {
    // At the window's own font each field shows its longest text from its
    // first character to its last, and still fits its group beside the
    // controls of its row.
    QFETCH(QString, field);
    QFETCH(QString, text);
    CreateWindow();
    QWidget* control = Controls(*window_).get<QWidget>(qPrintable(field));
    QLineEdit* edit = qobject_cast<QLineEdit*>(control);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setCurrentIndex(combo->findText(text));
        QCOMPARE(combo->currentText(), text);
        edit = combo->lineEdit();
    } else {
        edit->setText(text);
    }
    QVERIFY(edit);
    QCOMPARE(QFontInfo(edit->font()).family(), QStringLiteral("DejaVu Sans"));

    // The room QLineEdit gives its text: the style's contents rectangle less
    // the text margins and its own two pixels each side; the text needs its
    // width, one pixel and the cursor.
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    const QRect contents = edit->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                               .marginsRemoved(edit->textMargins());
    const int room = contents.width() - 2 * 2;
    const int needed = edit->fontMetrics().horizontalAdvance(text) + 1 +
                       edit->style()->pixelMetric(QStyle::PM_TextCursorWidth, &option, edit);
    QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1 needs %2, has %3 in a %4 wide field")
                                            .arg(text)
                                            .arg(needed)
                                            .arg(room)
                                            .arg(control->width())));

    const QWidget* group = control->parentWidget();
    QVERIFY(group->contentsRect().contains(control->geometry()));
    for (const QWidget* other : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other != control && other->isVisibleTo(window_.get()))
            QVERIFY2(!other->geometry().intersects(control->geometry()),
                     qPrintable(other->objectName()));
    }
    const QRect inWindow(control->mapTo(window_.get(), QPoint(0, 0)), control->size());
    QVERIFY(inWindow.left() >= 0 && inWindow.right() < 465);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
