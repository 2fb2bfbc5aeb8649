// The tool's window against the simulator on loopback: writing the
// configuration, restarting the device and following it to its new address.
#include "AppSettings.h"
#include "LabelColor.h"
#include "SimulatorThread.h"
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

    void writeAllAndFollowDeviceToNewAddress();
    void rejectedValueStillRestarts();
    void failedCheck_data();
    void failedCheck();
    void comboWithoutIndexSendsMinusOne();
    void noBoxTickedRestartsAtOnce();
    void withoutAutomaticRestartConnectionStays();
    void unansweredWritesAreRated_data();
    void unansweredWritesAreRated();
    void connectionLostBeforeRestartRestoresButtons();
    void settingsHoldWrittenValuesAfterClose();
    void upgradeModeReconnectionReadsVersion();
    void upgradeModeGivesUpWhenDeviceStaysAway();
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

void TestE2eWrite::writeAllAndFollowDeviceToNewAddress() {
    const quint16 newPort = ClosedPort(QStringLiteral("127.0.0.2"));
    QVERIFY(newPort != 0);
    tickOnly({"CheckBoxIPAddr", "CheckBoxMask", "CheckBoxPort", "CheckBoxGW", "CheckBoxMac",
              "CheckBoxPackFloat", "CheckBoxSpeedDup"});
    Ui::TChatForm& ui = tool->ui();
    ui.MEditIpAddr->setText(QStringLiteral("127.0.0.2"));
    ui.MEditNetMask->setText(QStringLiteral("255.255.0.0"));
    ui.MEditPort->setText(QString::number(newPort));
    ui.MEditGW->setText(QStringLiteral("127.0.0.1"));
    ui.MEditMac->setText(QStringLiteral("00-1A-2B-3C-4D-60"));
    ui.CBoxPackFloat->setCurrentIndex(2);
    ui.CBoxSpeedDup->setCurrentIndex(3);

    ui.ButtonSetAll->click();
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
    QVERIFY(!ui.ButtonGetAll->isEnabled());
    QVERIFY(!ui.ButtonSetAll->isEnabled());
    QVERIFY(QApplication::overrideCursor());

    QTRY_COMPARE_WITH_TIMEOUT(tool->status(StatusPanel::Connection),
                              QStringLiteral("Connect to: 127.0.0.2"), 10000);
    QCOMPARE(device->port(), newPort);
    QTRY_COMPARE_WITH_TIMEOUT(ui.EditPort->text(), QString::number(newPort), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(ui.ButtonSetAll->isEnabled(), 10000);
    QCOMPARE(ui.EditIPAddr->text(), QStringLiteral("127.0.0.2"));
    QCOMPARE(ui.EditMask->text(), QStringLiteral("255.255.0.0"));
    QCOMPARE(ui.EditGW->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(ui.EditMacAddr->text(), QStringLiteral("00-1A-2B-3C-4D-60"));
    QCOMPARE(ui.EditPackFloat->text(), QStringLiteral("3-2-1-0"));
    QCOMPARE(ui.EditSpeedDup->text(), QStringLiteral("100 Mbit/s full duplex"));
    QVERIFY(ui.ButtonGetAll->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(tool->status(StatusPanel::Progress), QString());
    const RememberedParams& r = tool->form->rememberedParams();
    QCOMPARE(r.LastAddr, QStringLiteral("127.0.0.2"));
    QCOMPARE(r.LastPort, QString::number(newPort));
    QCOMPARE(r.LastPackFloat, 2);
    QCOMPARE(r.LastSpeedDup, 3);
}

void TestE2eWrite::rejectedValueStillRestarts() {
    device->updateFaults([](sim::SimFaults& f) { f.rejectKeys = {"GW"}; });
    tickOnly({"CheckBoxIPAddr", "CheckBoxGW"});
    tool->ui().MEditIpAddr->setText(QStringLiteral("127.0.0.1"));
    tool->ui().ButtonSetAll->click();
    QCOMPARE(tool->ui().LabelGW->text(), QStringLiteral("Error"));
    QCOMPARE(LabelColor(tool->ui().LabelGW), QColor(Qt::red));
    QCOMPARE(tool->ui().LabelIPAddr->text(), QStringLiteral("OK"));
    QCOMPARE(sentCommands().last(), QStringLiteral("Close = 1"));
    QVERIFY(arpCommands.isEmpty()); // MAC not ticked
    QTRY_VERIFY_WITH_TIMEOUT(tool->ui().ButtonSetAll->isEnabled(), 10000);
    QCOMPARE(tool->status(StatusPanel::Connection), QStringLiteral("Connect to: 127.0.0.1"));
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
    tool->ui().ButtonSetAll->click();
    // The check's message, then the answer to the one command sent.
    QCOMPARE(tool->logLines().value(0), message);
    QCOMPARE(tool->logLines().size(), 2);
    auto* result = tool->form->findChild<QLabel*>(label);
    QCOMPARE(result->text(), QStringLiteral("Error"));
    QCOMPARE(LabelColor(result), QColor(Qt::red));
    // The valid parameter is still sent, and nothing restarts.
    QCOMPARE(sentCommands(), QStringList{"SPEED_DUPLEX = 0"});
    QCOMPARE(tool->ui().LabelSpeedDup->text(), QStringLiteral("OK"));
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("Writing config..."));
    QVERIFY(tool->ui().ButtonSetAll->isEnabled());
}

void TestE2eWrite::comboWithoutIndexSendsMinusOne() {
    tickOnly({"CheckBoxPackFloat", "CheckBoxPort"});
    tool->ui().ChBoxRestart->setChecked(false);
    tool->ui().CBoxPackFloat->setEditText(QStringLiteral("typed"));
    tool->ui().MEditPort->setText(QStringLiteral("65535")); // the highest port
    tool->ui().ButtonSetAll->click();
    QCOMPARE(sentCommands(), (QStringList{"SERVICE = 65535", "PACKFLOAT = -1"}));
    QCOMPARE(tool->ui().LabelPackFloat->text(), QStringLiteral("Error")); // device rejects it
    QCOMPARE(tool->form->rememberedParams().LastPackFloat, -1);
}

void TestE2eWrite::noBoxTickedRestartsAtOnce() {
    tickOnly({});
    tool->ui().ButtonSetAll->click();
    QCOMPARE(sentCommands(), QStringList{"Close = 1"});
    QVERIFY(device->waitForRestart());
    QTRY_VERIFY_WITH_TIMEOUT(tool->ui().ButtonSetAll->isEnabled(), 10000);
    QCOMPARE(tool->status(StatusPanel::Connection), QStringLiteral("Connect to: 127.0.0.1"));
    QCOMPARE(tool->ui().EditVersion->text(), QStringLiteral("1.00A"));
}

void TestE2eWrite::withoutAutomaticRestartConnectionStays() {
    tickOnly({"CheckBoxMask"});
    tool->ui().ChBoxRestart->setChecked(false);
    tool->form->device().log.SetStatus(StatusPanel::Message, QStringLiteral("old"));
    tool->ui().ButtonSetAll->click();
    QCOMPARE(sentCommands(), QStringList{"NETMASK = 255.255.255.0"});
    QCOMPARE(tool->status(StatusPanel::Message), QString());
    // Still the same connection, answering.
    QCOMPARE(tool->form->channel().SendCommand(QStringLiteral("?Version;")), 1);
    QVERIFY(tool->form->socket().Connected());
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
    tool->ui().ButtonSetAll->click();
    QCOMPARE(tool->status(StatusPanel::Message), status);
    QCOMPARE(tool->form->socket().Connected(), connected);
    QCOMPARE(device->restartCount(), 0);
}

void TestE2eWrite::connectionLostBeforeRestartRestoresButtons() {
    // The device drops the line right after answering the only write.
    device->updateFaults([](sim::SimFaults& f) { f.dropAfterCommands = 1; });
    tickOnly({"CheckBoxMask"});
    tool->ui().ButtonSetAll->click();
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("Server is not connected"));
    QVERIFY(tool->ui().ButtonGetAll->isEnabled());
    QVERIFY(tool->ui().ButtonSetAll->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!tool->form->Timer1.isActive());
    QVERIFY(!sentCommands().contains(QStringLiteral("Close = 1")));
}

void TestE2eWrite::settingsHoldWrittenValuesAfterClose() {
    tickOnly({"CheckBoxGW", "CheckBoxMac", "CheckBoxSpeedDup"});
    tool->ui().ChBoxRestart->setChecked(false);
    tool->ui().MEditGW->setText(QStringLiteral("127.0.0.7"));
    tool->ui().MEditMac->setText(QStringLiteral("0-1-2-3-4-5"));
    tool->ui().CBoxSpeedDup->setCurrentIndex(4);
    tool->ui().ButtonSetAll->click();
    tool->form->close();
    const AppSettings saved = LoadSettings(tool->settingsPath, QString());
    QCOMPARE(saved.GW, QStringLiteral("127.0.0.7"));
    QCOMPARE(saved.MAC, QStringLiteral("0-1-2-3-4-5"));
    QCOMPARE(saved.SpeedDup, 4);
    QCOMPARE(saved.CheckGW, true);
    QCOMPARE(saved.CheckRestart, false);
    QCOMPARE(saved.Port, QString::number(device->port()));
}

void TestE2eWrite::upgradeModeReconnectionReadsVersion() {
    tool->ui().NUpgrade->trigger();
    tickOnly({});
    device->setVersion(QStringLiteral("2.10B"), QStringLiteral("05.06.09"));
    tool->ui().ButtonSetAll->click();
    QTRY_COMPARE_WITH_TIMEOUT(tool->ui().LabelUpload->text(), QStringLiteral("OK"), 10000);
    QCOMPARE(tool->ui().LabelIMVersion->text(), QStringLiteral("2.10B (05.06.09)"));
    QVERIFY(tool->ui().GrBoxImVer->isVisibleTo(tool->ui().PanelUpgrade));
    QCOMPARE(tool->status(StatusPanel::Message), QString());
    QVERIFY(tool->ui().ButtonUpload->isEnabled());
}

void TestE2eWrite::switchToUpgradeDuringRestartGivesButtonsBack() {
    tickOnly({"CheckBoxMask"});
    QTimer::singleShot(0, tool->form.get(), [this] { tool->ui().NUpgrade->trigger(); });
    tool->ui().ButtonSetAll->click();
    QVERIFY(tool->ui().NUpgrade->isChecked());
    QVERIFY(!tool->ui().ButtonSetAll->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(tool->ui().LabelUpload->text(), QStringLiteral("OK"), 10000);
    // Every button the restart took is back, in whichever mode it ends.
    QVERIFY(tool->ui().ButtonGetAll->isEnabled());
    QVERIFY(tool->ui().ButtonSetAll->isEnabled());
    QVERIFY(tool->ui().ButtonUpload->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

void TestE2eWrite::upgradeModeGivesUpWhenDeviceStaysAway() {
    device->updateFaults([](sim::SimFaults& f) { f.noComeBack = true; });
    tool->ui().NUpgrade->trigger();
    tickOnly({});
    tool->ui().ButtonSetAll->click();
    QTRY_VERIFY_WITH_TIMEOUT(!tool->form->Timer1.isActive(), 15000);
    QCOMPARE(tool->ui().LabelUpload->text(), QStringLiteral("Error restarting of RK5720ELAN"));
    QCOMPARE(LabelColor(tool->ui().LabelUpload), QColor(Qt::red));
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("Server is not connected"));
    QVERIFY(tool->ui().ButtonUpload->isEnabled());
    QVERIFY(tool->ui().ButtonSetAll->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

void TestE2eWrite::restartWithRealTiming() {
    tool->form->device().config.timing = RestartTiming();
    device->setRestartDelay(3000);
    tickOnly({"CheckBoxMask"});
    const uint32_t t0 = rk::GetTickCount();
    tool->ui().ButtonSetAll->click();
    const uint32_t clickDone = rk::TicksSince(t0);
    const QList<sim::WireEntry> got = device->wireLog(sim::WireEntry::Kind::Received);
    QCOMPARE(got.size(), 2);
    QCOMPARE(got[1].bytes, QByteArray("Close = 1"));
    const QList<sim::WireEntry> answers = device->wireLog(sim::WireEntry::Kind::Sent);
    QVERIFY(!answers.isEmpty());
    QVERIFY2(uint32_t(got[1].tick - answers.first().tick) >= 500, "pause before Close = 1");
    QVERIFY2(clickDone >= 500 + 7000, qPrintable(QString::number(clickDone)));
    QVERIFY(tool->form->Timer1.isActive());
    QCOMPARE(tool->status(StatusPanel::Progress).size(), 9);
    QTRY_COMPARE_WITH_TIMEOUT(tool->status(StatusPanel::Connection),
                              QStringLiteral("Connect to: 127.0.0.1"), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(tool->ui().ButtonSetAll->isEnabled(), 15000);
    QCOMPARE(tool->ui().EditMask->text(), QStringLiteral("255.255.255.0"));
    QVERIFY(!QApplication::overrideCursor());
}

void TestE2eWrite::deviceThatNeverComesBack() {
    tool->form->device().config.timing = RestartTiming();
    device->updateFaults([](sim::SimFaults& f) { f.noComeBack = true; });
    tickOnly({});
    QStringList marks;
    const uint32_t t0 = rk::GetTickCount();
    tool->ui().ButtonSetAll->click();
    QVERIFY(tool->form->Timer1.isActive());
    while (tool->form->Timer1.isActive() && rk::TicksSince(t0) < 30000) {
        ProcessMessagesOrWait(50);
        if (marks.isEmpty() || marks.last() != tool->status(StatusPanel::Progress))
            marks << tool->status(StatusPanel::Progress);
    }
    const uint32_t elapsed = rk::TicksSince(t0);
    QVERIFY2(elapsed >= 19500 && elapsed < 25000, qPrintable(QString::number(elapsed)));
    // A shrinking row of dashes, one per reconnection tick.
    QCOMPARE(marks.mid(1, 10), (QStringList{"----------", "---------", "--------", "-------",
                                            "------", "-----", "----", "---", "--", "-"}));
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("Server is not connected"));
    QVERIFY(tool->logLines().contains(QStringLiteral("Server is not connected")));
    QVERIFY(tool->ui().ButtonGetAll->isEnabled());
    QVERIFY(tool->ui().ButtonSetAll->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TestE2eWrite)
#include "tst_e2e_write.moc"
