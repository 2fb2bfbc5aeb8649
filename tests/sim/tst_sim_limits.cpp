#include "DeviceEngine.h"
#include "SimClient.h"
#include "SimulatorThread.h"
#include "Ticks.h"
#include "WireLog.h"

#include <QtTest>

using namespace sim;

namespace {
bool hasEvent(const SimulatorThread& device, const QString& text) {
    for (const WireEntry& e : device.wireLog(WireEntry::Kind::Event)) {
        if (QString::fromUtf8(e.bytes).contains(text))
            return true;
    }
    return false;
}
} // namespace

// What a client can make the simulator hold is bounded.
class TestSimLimits : public QObject {
    Q_OBJECT
private slots:
    void partialCommand_data();
    void partialCommand();
    void wireLogCapacity_data();
    void wireLogCapacity();
    void clientBounds_data();
    void clientBounds();
};

void TestSimLimits::partialCommand_data() {
    QTest::addColumn<int>("limit"); // 0: the default
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<bool>("discards");
    QTest::addColumn<QByteArray>("answers");
    const qsizetype over = SimLimits{}.maxPartialCommand + 1;
    const QByteArray gw("GW = 127.0.0.254;");
    QTest::newRow("address digits without end")
        << 0 << QList<QByteArray>{"IPADDR = 1", QByteArray(over, '1'), "?GW;"} << true << gw;
    QTest::newRow("blanks after a keyword, one piece")
        << 0 << QList<QByteArray>{"IPADDR" + QByteArray(over, ' '), "?GW;"} << true << gw;
    // Framing comes first: only what is left unfinished counts.
    QTest::newRow("many whole commands in one piece")
        << 0 << QList<QByteArray>{QByteArray("?GW;").repeated(over / 4 + 1)} << false
        << gw.repeated(over / 4 + 1);
    // A data block is taken as it comes, whatever the limit.
    QTest::newRow("data block under a small limit")
        << 100 << QList<QByteArray>{"WRITESOFT  = 0", QByteArray(600, 'x'), QByteArray(424, 'y')}
        << false << QByteArray("WRITESOFT = READY;WRITESOFT = OK;");
}

void TestSimLimits::partialCommand() {
    QFETCH(int, limit);
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(bool, discards);
    QFETCH(QByteArray, answers);
    DeviceEngine engine;
    if (limit > 0)
        engine.setMaxPartialCommand(limit);
    const qsizetype max = limit > 0 ? limit : SimLimits{}.maxPartialCommand;
    QByteArray got;
    qsizetype discarded = 0;
    for (const QByteArray& piece : pieces) {
        const EngineOutput out = engine.feed(piece);
        for (const EngineWrite& w : out.writes)
            got += w.bytes;
        discarded += out.discarded;
    }
    QCOMPARE(got, answers);
    QCOMPARE(discarded > max, discards);
    QVERIFY(!engine.hasPendingInput());
}

void TestSimLimits::wireLogCapacity_data() {
    QTest::addColumn<qsizetype>("capacity");
    QTest::addColumn<QList<int>>("sizes"); // of the entries added, in order
    QTest::addColumn<int>("kept");         // the newest ones
    const qsizetype o = WireLog::kEntryOverhead;
    QTest::newRow("all fit") << 2 * (100 + o) << QList<int>{100, 100} << 2;
    QTest::newRow("oldest dropped") << 3 * (100 + o) << QList<int>{100, 100, 100, 100} << 3;
    QTest::newRow("entry larger than all, kept alone")
        << qsizetype(200) << QList<int>{50, 500} << 1;
    QTest::newRow("tiny entries pay their overhead") << 10 * o << QList<int>(20, 1) << 9;
    QTest::newRow("capacity 0 keeps none") << qsizetype(0) << QList<int>{10, 10} << 0;
}

void TestSimLimits::wireLogCapacity() {
    QFETCH(qsizetype, capacity);
    QFETCH(QList<int>, sizes);
    QFETCH(int, kept);
    WireLog log(capacity);
    int sunk = 0;
    log.setSink([&sunk](const WireEntry&) { ++sunk; });
    QList<QByteArray> added;
    for (int size : sizes) {
        added.append(QByteArray(size, char('a' + added.size())));
        log.add(WireEntry::Kind::Received, added.last());
    }
    QCOMPARE(sunk, sizes.size());
    QList<QByteArray> got;
    qsizetype bytes = 0;
    for (const WireEntry& e : log.entries()) {
        got.append(e.bytes);
        bytes += e.bytes.size() + WireLog::kEntryOverhead;
    }
    QCOMPARE(got, added.mid(added.size() - kept));
    QCOMPARE(log.keptBytes(), bytes);
    QCOMPARE(log.droppedCount(), capacity > 0 ? qint64(sizes.size() - kept) : 0);
}

void TestSimLimits::clientBounds_data() {
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QString>("event");
    QTest::addColumn<bool>("dropped");
    QTest::newRow("answers never read") << "flood"
                                        << "of answers not taken" << true;
    // The log says why the connection ended, so a client left without one can be told.
    QTest::newRow("no input for the idle time")
        << "idle"
        << "ms, the idle timeout (--idle-timeout 0.6): closing the connection" << true;
    QTest::newRow("overlong partial command") << "partial"
                                              << "form no complete command: discarded" << false;
}

void TestSimLimits::clientBounds() {
    QFETCH(QString, scenario);
    QFETCH(QString, event);
    QFETCH(bool, dropped);
    constexpr int kIdleMs = 600;
    SimulatorThread::Options o;
    o.limits.maxUnsentBytes = 64 * 1024;
    o.limits.maxPartialCommand = 64;
    o.limits.idleTimeoutMs = scenario == QLatin1String("idle") ? kIdleMs : 0;
    SimulatorThread device(o);
    QVERIFY(device.start());
    SimClient client;
    QVERIFY(client.connectTo(device.address(), device.port()));
    QVERIFY(device.waitForClient());

    if (scenario == QLatin1String("flood")) {
        // Qt stops taking bytes from the kernel once this buffer is full.
        client.socket.setReadBufferSize(1024);
        const QByteArray reads = QByteArray("READSOFT  = 0;").repeated(100);
        const bool gone = SimulatorThread::waitFor(
            [&] {
                if (client.socket.bytesToWrite() < 64 * 1024)
                    client.socket.write(reads);
                client.socket.waitForBytesWritten(10);
                return !device.hasClient();
            },
            10000);
        QVERIFY2(gone, qPrintable(device.formattedWireLog().right(2000)));
    } else if (scenario == QLatin1String("idle")) {
        // Each command restarts the idle time: together they outlast it.
        uint32_t lastInput = 0;
        for (int i = 0; i < 5; ++i) {
            lastInput = rk::GetTickCount();
            QCOMPARE(client.ask("?GW;"), QByteArray("GW = 127.0.0.254;"));
            QVERIFY(client.silentFor(kIdleMs / 4));
        }
        QCOMPARE(client.socket.state(), QAbstractSocket::ConnectedState);
        QVERIFY(client.waitClosed(5000));
        QVERIFY(rk::TicksSince(lastInput) >= uint32_t(kIdleMs));
    } else {
        client.send("IPADDR = 1" + QByteArray(200, '1'));
        QVERIFY(SimulatorThread::waitFor([&] { return hasEvent(device, event); }, 5000));
    }
    QVERIFY2(hasEvent(device, event), qPrintable(device.formattedWireLog().right(2000)));
    if (dropped) {
        QVERIFY(device.waitForNoClient());
        SimClient again;
        QVERIFY(again.connectTo(device.address(), device.port()));
        QCOMPARE(again.ask("?GW;"), QByteArray("GW = 127.0.0.254;"));
    } else {
        QVERIFY(client.ask("?GW;", 17).endsWith("GW = 127.0.0.254;"));
        QVERIFY(device.hasClient());
    }
}

QTEST_GUILESS_MAIN(TestSimLimits)
#include "tst_sim_limits.moc"
