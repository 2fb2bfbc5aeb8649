#include "FaultNames.h"
#include "FirmwareImage.h"
#include "SimClient.h"
#include "SimServer.h"
#include "SimulatorThread.h"
#include "TestSupport.h"
#include "Ticks.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using namespace sim;

class TestSimTcp : public QObject {
    Q_OBJECT
private slots:
    void answersOnEphemeralPort();
    void serviceReportsRealPort();
    void secondClientRefused();
    void restartMovesToNewAddressAndPort();
    void restartStaysAwayForTheDelay();
    void noComeBackAfterRestart();
    void upgradeInstallsAndRestarts();
    void readBackOfBlockIsOneWrite();
    void faultsOverTcp_data();
    void faultsOverTcp();
    void delayAndSplitTiming();
    void dropAfterCommands();
    void wireLogHasExactBytesAndTimes();
    void stateAndFaultSettersFromTest();
    void mergedAnswersComeWithTheNext();
    void onlyLoopbackUnlessAllowed();
    void restartToExternalAddressStaysOnLoopback();
};

namespace {
SimulatorThread::Options quickRestart() {
    SimulatorThread::Options o;
    o.restartDelayMs = 300;
    return o;
}
} // namespace

void TestSimTcp::answersOnEphemeralPort() {
    SimulatorThread device;
    QVERIFY(device.start());
    QVERIFY(device.port() != 0);
    QCOMPARE(device.address(), QHostAddress(QHostAddress::LocalHost));
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    QCOMPARE(client.ask("?IpAddr;"), QByteArray("IPADDR = 127.0.0.1;"));
    QCOMPARE(client.ask("?Version"), QByteArray("VERSION = 1.00A;"));
    QCOMPARE(client.ask("?DateVersion"), QByteArray("DATEVERSION = 01.02.08;"));
    QVERIFY(device.waitForClient());
}

void TestSimTcp::serviceReportsRealPort() {
    SimulatorThread device;
    QVERIFY(device.start());
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    QCOMPARE(client.ask("?Service;"), "SERVICE = " + QByteArray::number(device.port()) + ";");
}

void TestSimTcp::secondClientRefused() {
    SimulatorThread device;
    QVERIFY(device.start());
    SimClient first;
    QVERIFY(first.connectTo(device.address(), device.port()));
    QVERIFY(device.waitForClient());
    SimClient second;
    second.connectTo(device.address(), device.port());
    QVERIFY(second.waitClosed());
    QTRY_COMPARE_WITH_TIMEOUT(device.refusedCount(), 1, 3000);
    QCOMPARE(first.ask("?GW;"), QByteArray("GW = 127.0.0.254;"));
    QCOMPARE(device.connectionCount(), 1);
}

void TestSimTcp::restartMovesToNewAddressAndPort() {
    SimulatorThread device(quickRestart());
    QVERIFY(device.start());
    // A free port for the new place: bind one and release it.
    const quint16 newPort = ClosedPort(QStringLiteral("127.0.0.2"));
    QVERIFY(newPort != 0);
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    QCOMPARE(client.ask("IPADDR = 127.0.0.2"), QByteArray("SET_IPADDR = OK;"));
    QCOMPARE(client.ask("SERVICE = " + QByteArray::number(newPort)),
             QByteArray("SET_SERVICE = OK;"));
    // Not in force before the restart.
    QCOMPARE(device.address(), QHostAddress(QHostAddress::LocalHost));
    QSignalSpy restarting(&device, &SimulatorThread::restarting);
    client.send("Close = 1");
    QVERIFY(client.waitClosed());
    QVERIFY(device.waitForRestart(1));
    QCOMPARE(restarting.size(), 1);
    QCOMPARE(device.address(), QHostAddress(QStringLiteral("127.0.0.2")));
    QCOMPARE(device.port(), newPort);
    SimClient again;
    QVERIFY(again.connectTo(QHostAddress(QStringLiteral("127.0.0.2")), newPort));
    QCOMPARE(again.ask("?IpAddr;"), QByteArray("IPADDR = 127.0.0.2;"));
    QCOMPARE(again.ask("?Service;"), "SERVICE = " + QByteArray::number(newPort) + ";");
}

void TestSimTcp::restartStaysAwayForTheDelay() {
    SimulatorThread::Options o;
    o.restartDelayMs = 600;
    SimulatorThread device(o);
    QVERIFY(device.start());
    const quint16 port = device.port();
    SimClient client;
    QVERIFY(client.connectTo(device.address(), port));
    const uint32_t t0 = rk::GetTickCount();
    client.send("CLOSE=1");
    QVERIFY(client.waitClosed());
    SimClient early;
    const bool early_ok = early.connectTo(QHostAddress(QHostAddress::LocalHost), port, 300);
    QVERIFY(!early_ok || rk::TicksSince(t0) >= 600);
    QVERIFY(device.waitForRestart(1));
    QVERIFY(rk::TicksSince(t0) >= 600);
    QCOMPARE(device.port(), port);
}

void TestSimTcp::noComeBackAfterRestart() {
    SimulatorThread::Options o = quickRestart();
    o.faults.noComeBack = true;
    SimulatorThread device(o);
    QVERIFY(device.start());
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    client.send("Close = 1");
    QVERIFY(client.waitClosed());
    QVERIFY(!device.waitForRestart(1, 1200));
    QCOMPARE(device.restartCount(), 1);
    QVERIFY(!device.isListening());
}

void TestSimTcp::upgradeInstallsAndRestarts() {
    SimulatorThread device(quickRestart());
    QVERIFY(device.start());
    const QByteArray image =
        BuildFirmwareImage(QStringLiteral("2.01B"), QStringLiteral("05.06.24"), 3000);
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    for (int n = 0; n < 3; ++n) {
        QCOMPARE(client.ask("WRITESOFT  = " + QByteArray::number(n)),
                 QByteArray("WRITESOFT = READY;"));
        QByteArray block = image.mid(n * 1024, 1024);
        block.append(1024 - block.size(), '\xEE'); // filler past the image's end
        QCOMPARE(client.ask(block), QByteArray("WRITESOFT = OK;"));
    }
    QCOMPARE(client.ask("UPGRADE = 1"), QByteArray("UPGRADE = OK;"));
    QVERIFY(client.waitClosed());
    QVERIFY(device.waitForRestart(1));
    QCOMPARE(device.state().version, QStringLiteral("2.01B"));
    QCOMPARE(device.state().image, image);
    SimClient again;
    QVERIFY(again.connectTo(device.address(), device.port()));
    QCOMPARE(again.ask("?Version"), QByteArray("VERSION = 2.01B;"));
    QCOMPARE(again.ask("?DateVersion"), QByteArray("DATEVERSION = 05.06.24;"));
}

void TestSimTcp::readBackOfBlockIsOneWrite() {
    SimulatorThread device;
    QVERIFY(device.start());
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    const QByteArray block = client.ask("READSOFT  = 0", 1024);
    QCOMPARE(block, device.state().image.left(1024));
    const auto sentEntries = device.wireLog(WireEntry::Kind::Sent);
    QCOMPARE(sentEntries.size(), 1);
    QCOMPARE(sentEntries.first().bytes.size(), 1024);
}

void TestSimTcp::faultsOverTcp_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected"); // empty: no answer
    QTest::newRow("silent all") << "silent" << QByteArray("?IpAddr;") << QByteArray();
    QTest::newRow("silent for version")
        << "silent:?VERSION" << QByteArray("?Version") << QByteArray();
    QTest::newRow("silent for version, others answer")
        << "silent:?VERSION" << QByteArray("?GW;") << QByteArray("GW = 127.0.0.254;");
    QTest::newRow("rejected value") << "reject:NETMASK" << QByteArray("NETMASK = 255.0.0.0")
                                    << QByteArray("SET_NETMASK = ERROR;");
    QTest::newRow("writesoft busy")
        << "busy" << QByteArray("WRITESOFT  = 0") << QByteArray("WRITESOFT = BUSY;");
    QTest::newRow("upgrade fail") << "upgradeFail" << QByteArray("UPGRADE = 1")
                                  << QByteArray("UPGRADE = FAIL;");
    QTest::newRow("old readsoft") << "old" << QByteArray("READSOFT  = 0")
                                  << QByteArray("READSOFT = ERROR;");
    QTest::newRow("stall at 2, block 1 served")
        << "stall:2" << QByteArray("READSOFT  = 1") << QByteArray(); // checked by size below
    QTest::newRow("stall at 2") << "stall:2" << QByteArray("READSOFT  = 2") << QByteArray();
}

void TestSimTcp::faultsOverTcp() {
    QFETCH(QString, fault);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);
    SimulatorThread::Options o;
    SimFaults& f = o.faults;
    ApplyFaultName(f, fault);
    SimulatorThread device(o);
    QVERIFY(device.start());
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    client.send(command);
    if (command == "READSOFT  = 1") {
        QCOMPARE(client.readAtLeast(1024).size(), 1024);
        return;
    }
    if (expected.isEmpty()) {
        QVERIFY(device.waitForReceived(command));
        QVERIFY(client.silentFor(400));
    } else {
        QCOMPARE(client.readAtLeast(expected.size()), expected);
    }
}

void TestSimTcp::delayAndSplitTiming() {
    SimulatorThread::Options o;
    o.faults.answerDelayMs = 300;
    o.faults.answerPieces = 2;
    o.faults.splitGapMs = 200;
    SimulatorThread device(o);
    QVERIFY(device.start());
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    client.send("?NetMask;");
    QCOMPARE(client.readAtLeast(24, 5000), QByteArray("NETMASK = 255.255.255.0;"));
    const auto in = device.wireLog(WireEntry::Kind::Received);
    const auto out = device.wireLog(WireEntry::Kind::Sent);
    QCOMPARE(in.size(), 1);
    QCOMPARE(out.size(), 2);
    QCOMPARE(out[0].bytes + out[1].bytes, QByteArray("NETMASK = 255.255.255.0;"));
    QVERIFY(out[0].tick - in[0].tick >= 300);
    QVERIFY(out[1].tick - out[0].tick >= 200);
}

void TestSimTcp::dropAfterCommands() {
    SimulatorThread::Options o;
    o.faults.dropAfterCommands = 2;
    SimulatorThread device(o);
    QVERIFY(device.start());
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    QCOMPARE(client.ask("?GW;"), QByteArray("GW = 127.0.0.254;"));
    QCOMPARE(client.ask("?NetMask;"), QByteArray("NETMASK = 255.255.255.0;"));
    QVERIFY(client.waitClosed());
    QVERIFY(device.waitForNoClient());
    QVERIFY2(device.formattedWireLog().contains(
                 QStringLiteral("fault: drop after 2 commands: closing the connection")),
             qPrintable(device.formattedWireLog()));
    // The device itself stays: a new connection works.
    SimClient again;
    QVERIFY(again.connectTo(device.address(), device.port()));
    QCOMPARE(again.ask("?GW;"), QByteArray("GW = 127.0.0.254;"));
}

void TestSimTcp::wireLogHasExactBytesAndTimes() {
    SimulatorThread device;
    QVERIFY(device.start());
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    const uint32_t before = rk::GetTickCount();
    QCOMPARE(client.ask("?MacAddr;"), QByteArray("MACADDR = 00-1A-2B-3C-4D-5E;"));
    QCOMPARE(device.received(), QByteArray("?MacAddr;"));
    QCOMPARE(device.sent(), QByteArray("MACADDR = 00-1A-2B-3C-4D-5E;"));
    const auto in = device.wireLog(WireEntry::Kind::Received);
    QCOMPARE(in.size(), 1);
    QVERIFY(in[0].tick - before < 3000);
    QVERIFY(device.formattedWireLog().contains(QStringLiteral("<-  ?MacAddr;")));
    device.clearWireLog();
    QVERIFY(device.wireLog().isEmpty());
}

void TestSimTcp::stateAndFaultSettersFromTest() {
    SimulatorThread device;
    QVERIFY(device.start());
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    device.setVersion(QStringLiteral("3.10C"), QStringLiteral("11.12.13"));
    QCOMPARE(client.ask("?Version;"), QByteArray("VERSION = 3.10C;"));
    QVERIFY(CheckImage(device.state().image).ok());
    QCOMPARE(CheckImage(device.state().image).version, QByteArray("3.10C"));
    device.updateFaults([](SimFaults& f) { f.writeSoftBusy = true; });
    QCOMPARE(client.ask("WRITESOFT  = 0"), QByteArray("WRITESOFT = BUSY;"));
    device.setFaults(SimFaults{});
    QCOMPARE(client.ask("?SERVORRCOM;"), QByteArray("SERVORRCOM = 0;"));
    device.updateState([](DeviceState& s) { s.remoteCom = true; });
    QCOMPARE(client.ask("?SERVORRCOM;"), QByteArray("SERVORRCOM = 1;"));
    device.stop();
    QVERIFY(client.waitClosed());
    device.stop(); // twice is harmless
}

void TestSimTcp::mergedAnswersComeWithTheNext() {
    SimulatorThread::Options o;
    o.faults.mergeAnswers = true;
    SimulatorThread device(o);
    QVERIFY(device.start());
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    client.send("?GW;");
    QVERIFY(device.waitForReceived("?GW;"));
    QVERIFY(client.silentFor(300));
    QCOMPARE(client.ask("?NetMask;", 41), QByteArray("GW = 127.0.0.254;NETMASK = 255.255.255.0;"));
    QCOMPARE(device.wireLog(WireEntry::Kind::Sent).size(), 1);
}

void TestSimTcp::onlyLoopbackUnlessAllowed() {
    SimServerOptions o;
    o.address = QHostAddress(QStringLiteral("192.0.2.1"));
    o.port = 0;
    SimServer server(o, DeviceState::Defaults(), SimFaults{}, nullptr);
    QVERIFY(!server.start());
    QVERIFY(server.errorString().contains(QStringLiteral("loopback")));
    QVERIFY(!server.status().listening);
}

void TestSimTcp::restartToExternalAddressStaysOnLoopback() {
    SimulatorThread device(quickRestart());
    QVERIFY(device.start());
    const quint16 port = device.port();
    SimClient client;
    QVERIFY(client.connectTo(device.address(), port));
    QCOMPARE(client.ask("IPADDR = 192.0.2.7"), QByteArray("SET_IPADDR = OK;"));
    client.send("Close = 1");
    QVERIFY(device.waitForRestart(1));
    QCOMPARE(device.address(), QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(device.port(), port);
}

QTEST_GUILESS_MAIN(TestSimTcp)
#include "tst_sim_tcp.moc"
