// The link test's procedures on the core alone, as a console program runs
// them: what each request returns, against the simulator on loopback.
#include "Device.h"
#include "SimulatorThread.h"

#include <QSignalSpy>
#include <QtTest>

using Result = LinkTestProcedures::Result;
Q_DECLARE_METATYPE(Result)

class TestCoreLinkTest : public QObject {
    Q_OBJECT
private slots:
    void results_data();
    void results();

private:
    std::unique_ptr<sim::SimulatorThread> sim;
    std::unique_ptr<Device> device;
};

void TestCoreLinkTest::results_data() {
    QTest::addColumn<QString>("request"); // "read", "write" or "modbus"
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("connect");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<Result>("result");
    QTest::addColumn<int>("blocks");
    QTest::newRow("read") << "read"
                          << "BA001" << true << false << Result::Answered << 1;
    QTest::newRow("read, missing instrument") << "read"
                                              << "BA009" << true << false << Result::Answered << 0;
    QTest::newRow("read, bad number") << "read"
                                      << "BA0" << true << false << Result::InvalidNumber << 0;
    QTest::newRow("read, silent") << "read"
                                  << "BA001" << true << true << Result::NotAnswered << 0;
    QTest::newRow("read, no connection") << "read"
                                         << "BA001" << false << false << Result::NotConnected << 0;
    QTest::newRow("write") << "write"
                           << "BA001" << true << false << Result::Answered << 0;
    QTest::newRow("modbus") << "modbus"
                            << "02 03 00 00 00 06 01 04 00 00 00 20" << true << false
                            << Result::Sent << 0;
    QTest::newRow("modbus, blank") << "modbus"
                                   << " \t " << true << false << Result::EmptyRequest << 0;
    QTest::newRow("modbus, no connection") << "modbus"
                                           << "01" << false << false << Result::NotConnected << 0;
}

void TestCoreLinkTest::results() {
    QFETCH(QString, request);
    QFETCH(QString, input);
    QFETCH(bool, connect);
    QFETCH(bool, silent);
    QFETCH(Result, result);
    QFETCH(int, blocks);
    sim = std::make_unique<sim::SimulatorThread>();
    QVERIFY(sim->start());
    sim->updateFaults([&](sim::SimFaults& f) { f.silentAll = silent; });
    device = std::make_unique<Device>();
    if (connect) {
        device->connection.ConnectTo(QStringLiteral("127.0.0.1"), QString::number(sim->port()));
        QVERIFY(QTest::qWaitFor([this] { return device->Connected(); }, 5000));
    }
    QSignalSpy shown(&device->linkTest, &LinkTestProcedures::blockReceived);
    LinkTestProcedures& test = device->linkTest;
    const Result got = request == QLatin1String("read")    ? test.ReadCurrentValues(input)
                       : request == QLatin1String("write") ? test.WriteTestBlock(input)
                                                           : test.SendModbusRequest(input);
    QCOMPARE(got, result);
    QCOMPARE(device->Connected(), connect && result != Result::NotAnswered);
    if (blocks > 0)
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), blocks, 5000);
    QCOMPARE(shown.size(), blocks);
    device.reset();
    sim.reset();
}

QTEST_GUILESS_MAIN(TestCoreLinkTest)
#include "tst_core_linktest.moc"
