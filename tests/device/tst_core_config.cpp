// The device core on its own, without a window or a QApplication: reading the
// configuration and writing it with a restart that follows the device to its
// new address, against the simulator on loopback.
#include "Device.h"
#include "SimulatorThread.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QtTest>

class TestCoreConfig : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void runsWithoutAGuiApplication();
    void readFillsTheModel();
    void writeWithRestartFollowsTheDevice();
    void readWhileDisconnectedSaysSo();
    void restartFollowsTheConnectedDevice();
    void portsOutsideTheRangeAreRefused_data();
    void portsOutsideTheRangeAreRefused();
    void connectReplacesAConnectionOpenedMeanwhile();

private:
    bool connectCore();

    std::unique_ptr<sim::SimulatorThread> sim;
    std::unique_ptr<Device> device;
    QStringList status;
};

void TestCoreConfig::init() {
    sim = std::make_unique<sim::SimulatorThread>();
    sim->setRestartDelay(200);
    QVERIFY(sim->start());
    device = std::make_unique<Device>();
    RestartTiming& t = device->follower.timing;
    t.closePauseMs = 50;
    t.restartPauseMs = 300;
    t.progressStepMs = 50;
    t.reconnectIntervalMs = 200;
    device->config.arpRunner = nullptr;
    status.clear();
    connect(&device->log, &DeviceLog::statusText, this,
            [this](StatusPanel panel, const QString& t) {
                if (panel == StatusPanel::Message)
                    status << t;
            });
}

void TestCoreConfig::cleanup() {
    device.reset();
    sim.reset();
}

bool TestCoreConfig::connectCore() {
    device->connection.ConnectTo(QStringLiteral("127.0.0.1"), QString::number(sim->port()));
    return QTest::qWaitFor([this] { return device->Connected(); }, 5000);
}

void TestCoreConfig::runsWithoutAGuiApplication() {
    QVERIFY(QCoreApplication::instance());
    QVERIFY(!QCoreApplication::instance()->inherits("QGuiApplication"));
}

void TestCoreConfig::readFillsTheModel() {
    QVERIFY(connectCore());
    status.clear();
    QCOMPARE(device->config.ReadConfiguration().result, ConfigProcedures::ReadResult::Answered);
    const DeviceModel& m = device->model;
    QCOMPARE(m.Value(DeviceField::IpAddr), QStringLiteral("127.0.0.1"));
    QCOMPARE(m.Value(DeviceField::Port), QString::number(sim->port()));
    QCOMPARE(m.Value(DeviceField::MacAddr), QStringLiteral("00-1A-2B-3C-4D-5E"));
    QCOMPARE(m.Value(DeviceField::Version), QStringLiteral("1.00A"));
    QCOMPARE(m.IndexValue(DeviceField::PackFloat), std::optional<int>(0));
    QCOMPARE(m.IndexValue(DeviceField::SpeedDuplex), std::optional<int>(0));
    QCOMPARE(status, (QStringList{"Reading config...", ""}));
}

void TestCoreConfig::writeWithRestartFollowsTheDevice() {
    QVERIFY(connectCore());
    const quint16 port = ClosedPort();
    QVERIFY(port != 0);
    const QString newPort = QString::number(port);

    QSignalSpy back(&device->follower, &RestartFollower::followed);
    const QList<ConfigValue> values = {{DeviceSetting::Port, newPort},
                                       {DeviceSetting::SpeedDuplex, QStringLiteral("3")}};
    const ConfigProcedures::WriteOutcome outcome = device->config.WriteConfiguration(values, true);
    QCOMPARE(outcome.result, ConfigProcedures::WriteResult::Restarting);
    QCOMPARE(device->model.Result(DeviceSetting::Port), SettingResult::Ok);
    QCOMPARE(device->model.Result(DeviceSetting::SpeedDuplex), SettingResult::Ok);
    // The window remembers what was sent; the core says what that was.
    QCOMPARE(outcome.sent.size(), 2);
    QCOMPARE(outcome.sent.at(0).text, newPort);
    QCOMPARE(outcome.confirmed,
             (QList<DeviceSetting>{DeviceSetting::Port, DeviceSetting::SpeedDuplex}));
    QTRY_COMPARE_WITH_TIMEOUT(back.size(), 1, 15000);
    QCOMPARE(device->Port(), int(port));

    QCOMPARE(device->config.ReadConfiguration().result, ConfigProcedures::ReadResult::Answered);
    QCOMPARE(device->model.Value(DeviceField::Port), newPort);
    QCOMPARE(device->model.IndexValue(DeviceField::SpeedDuplex), std::optional<int>(3));
}

void TestCoreConfig::readWhileDisconnectedSaysSo() {
    QStringList log;
    connect(&device->log, &DeviceLog::logLine, this, [&log](const QString& t) { log << t; });
    QCOMPARE(device->config.ReadConfiguration().result, ConfigProcedures::ReadResult::NotConnected);
    QCOMPARE(device->config.WriteConfiguration({}, true).result,
             ConfigProcedures::WriteResult::NotConnected);
    QCOMPARE(log, (QStringList{"Server is not connected", "Server is not connected"}));
    QCOMPARE(sim->connectionCount(), 0);
}

void TestCoreConfig::restartFollowsTheConnectedDevice() {
    // Connected at start-up: the remembered address and port are the settings
    // file's, another device's. A write of the byte order alone must come back
    // to this device, not to that one.
    device->remembered.LastAddr = QStringLiteral("127.0.0.9");
    device->remembered.LastPort = QStringLiteral("4001");
    device->SetTarget(QStringLiteral("127.0.0.1"), sim->port());
    device->Open();
    QVERIFY(QTest::qWaitFor([this] { return device->Connected(); }, 5000));
    QStringList arp;
    device->config.arpRunner = [&arp](const QString& address) { arp << address; };

    QSignalSpy back(&device->follower, &RestartFollower::followed);
    QCOMPARE(
        device->config
            .WriteConfiguration({{DeviceSetting::PackFloat, QStringLiteral("1")},
                                 {DeviceSetting::MacAddr, QStringLiteral("00-1A-2B-3C-4D-5F")}},
                                true)
            .result,
        ConfigProcedures::WriteResult::Restarting);
    QCOMPARE(device->Address(), QStringLiteral("127.0.0.1"));
    QCOMPARE(device->Port(), int(sim->port()));
    QCOMPARE(arp, QStringList{"127.0.0.1"});
    QTRY_COMPARE_WITH_TIMEOUT(back.size(), 1, 15000);
    QCOMPARE(device->remembered.LastAddr, QStringLiteral("127.0.0.9"));
}

void TestCoreConfig::portsOutsideTheRangeAreRefused_data() {
    QTest::addColumn<QString>("port");
    QTest::newRow("65536") << "65536";
    QTest::newRow("70000 would reach 4464") << "70000";
    QTest::newRow("zero") << "0";
    QTest::newRow("not a number") << "http";
}

void TestCoreConfig::portsOutsideTheRangeAreRefused() {
    QFETCH(QString, port);
    device->remembered.LastPort = QStringLiteral("1024");
    QStringList log;
    connect(&device->log, &DeviceLog::logLine, this, [&log](const QString& t) { log << t; });
    QVERIFY(!device->connection.ConnectTo(QStringLiteral("127.0.0.1"), port));
    QCOMPARE(log, QStringList{Connection::PortError(port)});
    QCOMPARE(device->remembered.LastPort, QStringLiteral("1024"));
    QVERIFY(!device->Active());
}

void TestCoreConfig::connectReplacesAConnectionOpenedMeanwhile() {
    // The dialog was open while a pending attempt connected; its OK asks for
    // another device, which must be the one the tool talks to afterwards.
    QVERIFY(connectCore());
    sim::SimulatorThread other;
    QVERIFY(other.start());
    QVERIFY(
        device->connection.ConnectTo(QStringLiteral("127.0.0.1"), QString::number(other.port())));
    QVERIFY(other.waitForClient());
    QVERIFY(QTest::qWaitFor([this] { return device->Connected(); }, 5000));
    QCOMPARE(device->Port(), int(other.port()));
    QCOMPARE(device->config.ReadConfiguration().result, ConfigProcedures::ReadResult::Answered);
    QCOMPARE(device->model.Value(DeviceField::Port), QString::number(other.port()));
}

QTEST_GUILESS_MAIN(TestCoreConfig)
#include "tst_core_config.moc"
