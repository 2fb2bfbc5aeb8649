// The tool's window against the simulator on loopback: writing the
// configuration, restarting the device and following it to its new address.
#include "AppSettings.h"
#include "LabelColor.h"
#include "SimulatorThread.h"
#include "StatusPanels.h"
#include "TestSupport.h"
#include "Ticks.h"
#include "ToolHarness.h"
#include "Wait.h"

#include <QTcpServer>

namespace {

const QStringList kResultLabels = {"LabelIPAddr", "LabelMask",      "LabelPort",    "LabelGW",
                                   "LabelMac",    "LabelPackFloat", "LabelSpeedDup"};

} // namespace

class TestE2eWrite : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void writeAllAndFollowDeviceToNewAddress_data();
    void writeAllAndFollowDeviceToNewAddress();
    void rejectedValueStillRestarts();
    void anotherDeviceAtTheNewAddressIsNamed();
    void failedCheck_data();
    void failedCheck();
    void comboWithoutIndexSendsMinusOne();
    void noBoxTickedRestartsAtOnce();
    void withoutAutomaticRestartConnectionStays();
    void unansweredWritesAreRated_data();
    void unansweredWritesAreRated();
    void connectionLostBeforeRestartRestoresButtons();
    void settingsHoldWrittenValuesAfterClose();
    void writeRestartInUpgradeModeReadsItsConfig();
    void writeRestartGivingUpLeavesUploadLabel();
    void switchToUpgradeDuringRestartGivesButtonsBack();
    void restartWithRealTiming();
    void deviceThatNeverComesBack();

private:
    void tickOnly(const QStringList& boxes);
    QStringList sentCommands() const;

    std::unique_ptr<sim::SimulatorThread> device;
    std::unique_ptr<ToolHarness> tool;
    QStringList arpCommands;
};

void TestE2eWrite::init() {
    device = std::make_unique<sim::SimulatorThread>();
    device->setRestartDelay(200);
    QVERIFY(device->start());
    tool = std::make_unique<ToolHarness>();
    tool->shortenRestart();
    arpCommands.clear();
    tool->form->device().config.arpRunner = [this](const QString& address) {
        arpCommands << ArpCommandLine(address);
    };
    QVERIFY(tool->connectTo(QStringLiteral("127.0.0.1"), device->port()));
    device->clearWireLog();
}

void TestE2eWrite::cleanup() {
    tool.reset();
    device.reset();
}

void TestE2eWrite::tickOnly(const QStringList& boxes) {
    for (QCheckBox* box : tool->form->findChildren<QCheckBox*>()) {
        if (box->objectName().startsWith(QStringLiteral("CheckBox")) &&
            box->isChecked() != boxes.contains(box->objectName()))
            box->click();
    }
}

QStringList TestE2eWrite::sentCommands() const {
    QStringList commands;
    for (const sim::WireEntry& e : device->wireLog(sim::WireEntry::Kind::Received))
        commands << QString::fromLatin1(e.bytes);
    return commands;
}

void TestE2eWrite::writeAllAndFollowDeviceToNewAddress_data() {
    // Answers whole, or in pieces 40 ms apart: no command leaves between the
    // pieces of the answer before it, so none is stored with the next one's
    // text, and the read-back after the restart is whole too.
    QTest::addColumn<int>("pieces");
    QTest::newRow("whole answers") << 1;
    QTest::newRow("answers in two pieces") << 2;
    QTest::newRow("answers in three pieces") << 3;
}

void TestE2eWrite::writeAllAndFollowDeviceToNewAddress() {
    QFETCH(int, pieces);
    device->updateFaults([pieces](sim::SimFaults& f) {
        f.answerPieces = pieces;
        f.splitGapMs = 40;
    });
    const quint16 newPort = ClosedPort(QStringLiteral("127.0.0.2"));
    QVERIFY(newPort != 0);
    tickOnly({"CheckBoxIPAddr", "CheckBoxMask", "CheckBoxPort", "CheckBoxGW", "CheckBoxMac",
              "CheckBoxPackFloat", "CheckBoxSpeedDup"});
    const Controls ui = tool->ui();
    ui.get<QLineEdit>("MEditIpAddr")->setText(QStringLiteral("127.0.0.2"));
    ui.get<QLineEdit>("MEditNetMask")->setText(QStringLiteral("255.255.0.0"));
    ui.get<QLineEdit>("MEditPort")->setText(QString::number(newPort));
    ui.get<QLineEdit>("MEditGW")->setText(QStringLiteral("127.0.0.1"));
    ui.get<QLineEdit>("MEditMac")->setText(QStringLiteral("00-1A-2B-3C-4D-60"));
    ui.get<QComboBox>("CBoxPackFloat")->setCurrentIndex(2);
    ui.get<QComboBox>("CBoxSpeedDup")->setCurrentIndex(3);

    ui.get<QPushButton>("ButtonSetAll")->click();
    const QStringList expected = {"IPADDR = 127.0.0.2",
                                  "NETMASK = 255.255.0.0",
                                  "SERVICE = " + QString::number(newPort),
                                  "GW = 127.0.0.1",
                                  "MACADDR = 00-1A-2B-3C-4D-60",
                                  "PACKFLOAT = 2",
                                  "SPEED_DUPLEX = 3",
                                  "Close = 1"};
    QCOMPARE(sentCommands(), expected);
    for (const QString& name : kResultLabels) {
        auto* label = tool->form->findChild<QLabel*>(name);
        QCOMPARE(label->text(), QStringLiteral("OK"));
        QCOMPARE(LabelColor(label), QColor(Qt::blue));
    }
    QCOMPARE(arpCommands, QStringList{"arp -d 127.0.0.2"});
    QVERIFY(!ui.get<QPushButton>("ButtonGetAll")->isEnabled());
    QVERIFY(!ui.get<QPushButton>("ButtonSetAll")->isEnabled());
    QVERIFY(QApplication::overrideCursor());

    QTRY_COMPARE_WITH_TIMEOUT(tool->status(StatusPanel::Connection),
                              QStringLiteral("Connect to: 127.0.0.2"), 10000);
    QCOMPARE(device->port(), newPort);
    QTRY_COMPARE_WITH_TIMEOUT(ui.get<QLineEdit>("EditPort")->text(), QString::number(newPort),
                              10000);
    QTRY_VERIFY_WITH_TIMEOUT(ui.get<QPushButton>("ButtonSetAll")->isEnabled(), 10000);
    QCOMPARE(ui.get<QLineEdit>("EditIPAddr")->text(), QStringLiteral("127.0.0.2"));
    QCOMPARE(ui.get<QLineEdit>("EditMask")->text(), QStringLiteral("255.255.0.0"));
    QCOMPARE(ui.get<QLineEdit>("EditGW")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(ui.get<QLineEdit>("EditMacAddr")->text(), QStringLiteral("00-1A-2B-3C-4D-60"));
    QCOMPARE(ui.get<QLineEdit>("EditPackFloat")->text(), QStringLiteral("3-2-1-0"));
    QCOMPARE(ui.get<QLineEdit>("EditSpeedDup")->text(), QStringLiteral("100 Mbit/s full duplex"));
    QVERIFY(ui.get<QPushButton>("ButtonGetAll")->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(tool->status(StatusPanel::Progress), QString());
    const RememberedParams& r = tool->form->device().remembered;
    QCOMPARE(r.LastAddr, QStringLiteral("127.0.0.2"));
    QCOMPARE(r.LastPort, QString::number(newPort));
    QCOMPARE(r.LastPackFloat, 2);
    QCOMPARE(r.LastSpeedDup, 3);
}

void TestE2eWrite::rejectedValueStillRestarts() {
    device->updateFaults([](sim::SimFaults& f) { f.rejectKeys = {"GW"}; });
    tickOnly({"CheckBoxIPAddr", "CheckBoxGW"});
    tool->ui().get<QLineEdit>("MEditIpAddr")->setText(QStringLiteral("127.0.0.1"));
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    QCOMPARE(tool->ui().get<QLabel>("LabelGW")->text(), QStringLiteral("Error"));
    QCOMPARE(LabelColor(tool->ui().get<QLabel>("LabelGW")), QColor(Qt::red));
    QCOMPARE(tool->ui().get<QLabel>("LabelIPAddr")->text(), QStringLiteral("OK"));
    QCOMPARE(sentCommands().last(), QStringLiteral("Close = 1"));
    QVERIFY(arpCommands.isEmpty()); // MAC not ticked
    QTRY_VERIFY_WITH_TIMEOUT(tool->ui().get<QPushButton>("ButtonSetAll")->isEnabled(), 10000);
    QCOMPARE(tool->status(StatusPanel::Connection), QStringLiteral("Connect to: 127.0.0.1"));
}

void TestE2eWrite::anotherDeviceAtTheNewAddressIsNamed() {
    // The device confirms its new address but never comes back; another one
    // answers there. Its read-back is shown, but not as this write's success.
    const auto other = StartSimAt(QStringLiteral("127.0.0.3"), device->port());
    QVERIFY(other);
    other->updateState([](sim::DeviceState& s) { s.config.macAddr = "02-00-00-00-00-0B"; });
    device->updateFaults([](sim::SimFaults& f) { f.noComeBack = true; });
    tickOnly({"CheckBoxIPAddr"});
    tool->ui().get<QLineEdit>("MEditIpAddr")->setText(QStringLiteral("127.0.0.3"));
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    QCOMPARE(tool->ui().get<QLabel>("LabelIPAddr")->text(), QStringLiteral("OK"));
    QTRY_VERIFY_WITH_TIMEOUT(tool->ui().get<QPushButton>("ButtonSetAll")->isEnabled(), 10000);
    QCOMPARE(tool->ui().get<QLineEdit>("EditMacAddr")->text(), QStringLiteral("02-00-00-00-00-0B"));
    const QString alarm = QStringLiteral("another device answers at 127.0.0.3: MAC address "
                                         "02-00-00-00-00-0B, not 00-1A-2B-3C-4D-5E");
    QCOMPARE(tool->status(StatusPanel::Message), alarm);
    QVERIFY(tool->logLines().contains(alarm));
    QCOMPARE(LabelColor(tool->form->findChild<StatusPanels*>()->Panel(StatusPanel::Message)),
             QColor(Qt::red));
    for (const QString& name : kResultLabels)
        QVERIFY2(tool->form->findChild<QLabel*>(name)->text() != QStringLiteral("OK"),
                 qPrintable(name));
}

void TestE2eWrite::failedCheck_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("message");
    QTest::newRow("port 0") << "CheckBoxPort"
                            << "MEditPort"
                            << "0"
                            << "LabelPort"
                            << "Error in Port";
    QTest::newRow("port abc") << "CheckBoxPort"
                              << "MEditPort"
                              << "abc"
                              << "LabelPort"
                              << "Error in Port";
    QTest::newRow("mac with colons") << "CheckBoxMac"
                                     << "MEditMac"
                                     << "00:1A:2B:3C:4D:5E"
                                     << "LabelMac"
                                     << "Error in MAC Address";
    QTest::newRow("ip") << "CheckBoxIPAddr"
                        << "MEditIpAddr"
                        << "127.0.0"
                        << "LabelIPAddr"
                        << "Error in IP Address";
    QTest::newRow("mask") << "CheckBoxMask"
                          << "MEditNetMask"
                          << "255.255.255.256"
                          << "LabelMask"
                          << "Error in mask";
    QTest::newRow("gateway") << "CheckBoxGW"
                             << "MEditGW"
                             << ""
                             << "LabelGW"
                             << "Error in GW Address";
}

void TestE2eWrite::failedCheck() {
    QFETCH(QString, box);
    QFETCH(QString, edit);
    QFETCH(QString, value);
    QFETCH(QString, label);
    QFETCH(QString, message);
    tickOnly({box, "CheckBoxSpeedDup"});
    tool->form->findChild<QLineEdit*>(edit)->setText(value);
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    // The check's message, then the answer to the one command sent.
    QCOMPARE(tool->logLines().value(0), message);
    QCOMPARE(tool->logLines().size(), 2);
    auto* result = tool->form->findChild<QLabel*>(label);
    QCOMPARE(result->text(), QStringLiteral("Error"));
    QCOMPARE(LabelColor(result), QColor(Qt::red));
    // The valid parameter is still sent, and nothing restarts.
    QCOMPARE(sentCommands(), QStringList{"SPEED_DUPLEX = 0"});
    QCOMPARE(tool->ui().get<QLabel>("LabelSpeedDup")->text(), QStringLiteral("OK"));
    QCOMPARE(tool->status(StatusPanel::Message), message);
    QVERIFY(tool->ui().get<QPushButton>("ButtonSetAll")->isEnabled());
}

void TestE2eWrite::comboWithoutIndexSendsMinusOne() {
    tickOnly({"CheckBoxPackFloat", "CheckBoxPort"});
    tool->ui().get<QCheckBox>("ChBoxRestart")->setChecked(false);
    tool->ui().get<QComboBox>("CBoxPackFloat")->setEditText(QStringLiteral("typed"));
    tool->ui().get<QLineEdit>("MEditPort")->setText(QStringLiteral("65535")); // the highest port
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    QCOMPARE(sentCommands(), (QStringList{"SERVICE = 65535", "PACKFLOAT = -1"}));
    QCOMPARE(tool->ui().get<QLabel>("LabelPackFloat")->text(),
             QStringLiteral("Error")); // device rejects it
    QCOMPARE(tool->form->device().remembered.LastPackFloat, -1);
}

void TestE2eWrite::noBoxTickedRestartsAtOnce() {
    tickOnly({});
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    // The MAC address, never read on this connection, names the device that
    // must come back.
    QCOMPARE(sentCommands(), (QStringList{"?MacAddr;", "Close = 1"}));
    QVERIFY(device->waitForRestart());
    QTRY_VERIFY_WITH_TIMEOUT(tool->ui().get<QPushButton>("ButtonSetAll")->isEnabled(), 10000);
    QCOMPARE(tool->status(StatusPanel::Connection), QStringLiteral("Connect to: 127.0.0.1"));
    QCOMPARE(tool->ui().get<QLineEdit>("EditVersion")->text(), QStringLiteral("1.00A"));
}

void TestE2eWrite::withoutAutomaticRestartConnectionStays() {
    tickOnly({"CheckBoxMask"});
    tool->ui().get<QCheckBox>("ChBoxRestart")->setChecked(false);
    tool->form->device().log.SetStatus(StatusPanel::Message, QStringLiteral("old"));
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    QCOMPARE(sentCommands(), QStringList{"NETMASK = 255.255.255.0"});
    QCOMPARE(tool->status(StatusPanel::Message), QString());
    // Still the same connection, answering.
    QVERIFY(tool->form->device().config.ReadValue(DeviceField::Version));
    QVERIFY(tool->form->device().Connected());
    QCOMPARE(device->restartCount(), 0);
}

void TestE2eWrite::unansweredWritesAreRated_data() {
    QTest::addColumn<QStringList>("silent");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("connected");
    QTest::newRow("one of two") << QStringList{"GW"} << "Error server answer" << true;
    QTest::newRow("none") << QStringList{"GW", "NETMASK"} << "Server not answer" << false;
}

void TestE2eWrite::unansweredWritesAreRated() {
    QFETCH(QStringList, silent);
    QFETCH(QString, status);
    QFETCH(bool, connected);
    device->updateFaults([&](sim::SimFaults& f) { f.silentCommands = silent; });
    tickOnly({"CheckBoxMask", "CheckBoxGW"});
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    QCOMPARE(tool->status(StatusPanel::Message), status);
    QCOMPARE(tool->form->device().Connected(), connected);
    QCOMPARE(device->restartCount(), 0);
}

void TestE2eWrite::connectionLostBeforeRestartRestoresButtons() {
    // The device drops the line right after answering the only write.
    device->updateFaults([](sim::SimFaults& f) { f.dropAfterCommands = 1; });
    tickOnly({"CheckBoxMask"});
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("Server is not connected"));
    QVERIFY(tool->ui().get<QPushButton>("ButtonGetAll")->isEnabled());
    QVERIFY(tool->ui().get<QPushButton>("ButtonSetAll")->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!tool->form->device().follower.Following());
    QVERIFY(!sentCommands().contains(QStringLiteral("Close = 1")));
}

void TestE2eWrite::settingsHoldWrittenValuesAfterClose() {
    tickOnly({"CheckBoxGW", "CheckBoxMac", "CheckBoxSpeedDup"});
    tool->ui().get<QCheckBox>("ChBoxRestart")->setChecked(false);
    tool->ui().get<QLineEdit>("MEditGW")->setText(QStringLiteral("127.0.0.7"));
    tool->ui().get<QLineEdit>("MEditMac")->setText(QStringLiteral("0-1-2-3-4-5"));
    tool->ui().get<QComboBox>("CBoxSpeedDup")->setCurrentIndex(4);
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    tool->form->close();
    const AppSettings saved = LoadSettings(tool->settingsPath, QString());
    QCOMPARE(saved.GW, QStringLiteral("127.0.0.7"));
    QCOMPARE(saved.MAC, QStringLiteral("0-1-2-3-4-5"));
    QCOMPARE(saved.SpeedDup, 4);
    QCOMPARE(saved.CheckGW, true);
    QCOMPARE(saved.CheckRestart, false);
    QCOMPARE(saved.Port, QString::number(device->port()));
}

void TestE2eWrite::writeRestartInUpgradeModeReadsItsConfig() {
    tool->ui().get<QAction>("NUpgrade")->trigger();
    tickOnly({});
    device->setVersion(QStringLiteral("2.10B"), QStringLiteral("05.06.09"));
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    // The write's restart ends with the write's own read-back, whichever
    // panel shows; the Upgrade panel's labels are the upload's.
    QTRY_COMPARE_WITH_TIMEOUT(tool->ui().get<QLineEdit>("EditVersion")->text(),
                              QStringLiteral("2.10B"), 10000);
    QCOMPARE(tool->ui().get<QLineEdit>("EditDateVersion")->text(), QStringLiteral("05.06.09"));
    QCOMPARE(tool->ui().get<QLabel>("LabelUpload")->text(), QStringLiteral(" "));
    QVERIFY(!tool->ui()
                 .get<QGroupBox>("GrBoxImVer")
                 ->isVisibleTo(tool->ui().get<QFrame>("PanelUpgrade")));
    QCOMPARE(tool->status(StatusPanel::Message), QString());
    QVERIFY(tool->ui().get<QPushButton>("ButtonUpload")->isEnabled());
}

void TestE2eWrite::switchToUpgradeDuringRestartGivesButtonsBack() {
    tickOnly({"CheckBoxMask"});
    QTimer::singleShot(0, tool->form.get(),
                       [this] { tool->ui().get<QAction>("NUpgrade")->trigger(); });
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    QVERIFY(tool->ui().get<QAction>("NUpgrade")->isChecked());
    QVERIFY(!tool->ui().get<QPushButton>("ButtonSetAll")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!tool->ui().get<QLineEdit>("EditIPAddr")->text().isEmpty(), 10000);
    QCOMPARE(tool->ui().get<QLabel>("LabelUpload")->text(), QStringLiteral(" "));
    // Every button the restart took is back, in whichever mode it ends.
    QVERIFY(tool->ui().get<QPushButton>("ButtonGetAll")->isEnabled());
    QVERIFY(tool->ui().get<QPushButton>("ButtonSetAll")->isEnabled());
    QVERIFY(tool->ui().get<QPushButton>("ButtonUpload")->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

void TestE2eWrite::writeRestartGivingUpLeavesUploadLabel() {
    device->updateFaults([](sim::SimFaults& f) { f.noComeBack = true; });
    tool->ui().get<QAction>("NUpgrade")->trigger();
    tickOnly({});
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!tool->form->device().follower.Following(), 15000);
    // The upload's label says nothing of a write's restart.
    QCOMPARE(tool->ui().get<QLabel>("LabelUpload")->text(), QStringLiteral(" "));
    QCOMPARE(tool->status(StatusPanel::Message),
             QStringLiteral("Server is not connected (tried 127.0.0.1:%1)").arg(device->port()));
    QVERIFY(tool->ui().get<QPushButton>("ButtonUpload")->isEnabled());
    QVERIFY(tool->ui().get<QPushButton>("ButtonSetAll")->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

void TestE2eWrite::restartWithRealTiming() {
    tool->form->device().follower.timing = RestartTiming();
    device->setRestartDelay(3000);
    tickOnly({"CheckBoxMask"});
    const uint32_t t0 = rk::GetTickCount();
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    const uint32_t clickDone = rk::TicksSince(t0);
    const QList<sim::WireEntry> got = device->wireLog(sim::WireEntry::Kind::Received);
    QCOMPARE(got.size(), 3);
    QCOMPARE(got[1].bytes, QByteArray("?MacAddr;"));
    QCOMPARE(got[2].bytes, QByteArray("Close = 1"));
    const QList<sim::WireEntry> answers = device->wireLog(sim::WireEntry::Kind::Sent);
    QCOMPARE(answers.size(), 2);
    QVERIFY2(uint32_t(got[2].tick - answers.last().tick) >= 500, "pause before Close = 1");
    QVERIFY2(clickDone >= 500 + 7000, qPrintable(QString::number(clickDone)));
    QVERIFY(tool->form->device().follower.Following());
    QCOMPARE(tool->status(StatusPanel::Progress).size(), 9);
    QTRY_COMPARE_WITH_TIMEOUT(tool->status(StatusPanel::Connection),
                              QStringLiteral("Connect to: 127.0.0.1"), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(tool->ui().get<QPushButton>("ButtonSetAll")->isEnabled(), 15000);
    QCOMPARE(tool->ui().get<QLineEdit>("EditMask")->text(), QStringLiteral("255.255.255.0"));
    QVERIFY(!QApplication::overrideCursor());
}

void TestE2eWrite::deviceThatNeverComesBack() {
    tool->form->device().follower.timing = RestartTiming();
    device->updateFaults([](sim::SimFaults& f) { f.noComeBack = true; });
    tickOnly({});
    QStringList marks;
    const uint32_t t0 = rk::GetTickCount();
    tool->ui().get<QPushButton>("ButtonSetAll")->click();
    QVERIFY(tool->form->device().follower.Following());
    while (tool->form->device().follower.Following() && rk::TicksSince(t0) < 30000) {
        ProcessMessagesOrWait(50);
        if (marks.isEmpty() || marks.last() != tool->status(StatusPanel::Progress))
            marks << tool->status(StatusPanel::Progress);
    }
    const uint32_t elapsed = rk::TicksSince(t0);
    QVERIFY2(elapsed >= 19500 && elapsed < 25000, qPrintable(QString::number(elapsed)));
    // A shrinking row of dashes, one per reconnection tick.
    QCOMPARE(marks.mid(1, 10), (QStringList{"----------", "---------", "--------", "-------",
                                            "------", "-----", "----", "---", "--", "-"}));
    const QString gaveUp =
        QStringLiteral("Server is not connected (tried 127.0.0.1:%1)").arg(device->port());
    QCOMPARE(tool->status(StatusPanel::Message), gaveUp);
    QVERIFY(tool->logLines().contains(gaveUp));
    QVERIFY(tool->ui().get<QPushButton>("ButtonGetAll")->isEnabled());
    QVERIFY(tool->ui().get<QPushButton>("ButtonSetAll")->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TestE2eWrite)
#include "tst_e2e_write.moc"
