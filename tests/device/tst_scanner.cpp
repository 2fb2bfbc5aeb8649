// The scan of a range: exactly the devices there, each with its version, date
// and MAC address; what answers otherwise is marked; Stop ends it at once.
#include "DeviceScanner.h"
#include "SimulatorThread.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <memory>

class TestScanner : public QObject {
    Q_OBJECT
private slots:
    void findsWhatAnswers();
    void stopEndsAtOnce();
};

void TestScanner::findsWhatAnswers() {
    // 127.0.0.61: a device; .62: something that answers garbage; .63: an
    // open port that says nothing; .64: nobody.
    sim::SimulatorThread::Options options;
    options.address = QHostAddress(QStringLiteral("127.0.0.61"));
    sim::SimulatorThread device(options);
    QVERIFY(device.start());
    const quint16 port = device.port();
    QTcpServer garbage;
    QVERIFY(garbage.listen(QHostAddress(QStringLiteral("127.0.0.62")), port));
    QList<QTcpSocket*> garbageClients;
    connect(&garbage, &QTcpServer::newConnection, this, [&] {
        QTcpSocket* client = garbage.nextPendingConnection();
        garbageClients << client;
        connect(client, &QTcpSocket::readyRead, client, [client] {
            client->readAll();
            client->write("HELLO WORLD");
        });
    });
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress(QStringLiteral("127.0.0.63")), port));

    DeviceScanner scanner;
    QList<ScanFinding> found;
    connect(&scanner, &DeviceScanner::found, this, [&found](const ScanFinding& f) { found << f; });
    QSignalSpy finished(&scanner, &DeviceScanner::finished);
    DeviceScanner::Options scan;
    scan.answerTimeoutMs = 300;
    scanner.Start({QStringLiteral("127.0.0.61"), QStringLiteral("127.0.0.62"),
                   QStringLiteral("127.0.0.63"), QStringLiteral("127.0.0.64")},
                  port, scan);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(scanner.Probed(), 4);
    std::sort(found.begin(), found.end(),
              [](const ScanFinding& a, const ScanFinding& b) { return a.address < b.address; });
    QCOMPARE(found.size(), 2);
    QCOMPARE(found[0].address, QStringLiteral("127.0.0.61"));
    QCOMPARE(found[0].version, QStringLiteral("1.00A"));
    QCOMPARE(found[0].date, QStringLiteral("01.02.08"));
    QCOMPARE(found[0].mac, QStringLiteral("00-1A-2B-3C-4D-5E"));
    QVERIFY(!found[0].garbage);
    QCOMPARE(found[1].address, QStringLiteral("127.0.0.62"));
    QVERIFY(found[1].garbage);
    qDeleteAll(garbageClients);
}

void TestScanner::stopEndsAtOnce() {
    // Addresses that accept and never answer keep every probe waiting.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress(QStringLiteral("127.0.0.65")), 0));
    QStringList many(200, QStringLiteral("127.0.0.65"));
    DeviceScanner scanner;
    QSignalSpy finished(&scanner, &DeviceScanner::finished);
    DeviceScanner::Options scan;
    scan.inFlight = 50;
    scan.answerTimeoutMs = 5000;
    scanner.Start(many, silent.serverPort(), scan);
    QTRY_VERIFY_WITH_TIMEOUT(scanner.Probed() == 0 && silent.hasPendingConnections(), 5000);
    QElapsedTimer clock;
    clock.start();
    scanner.Stop();
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!scanner.Running());
    QVERIFY(scanner.Probed() < 200);
}

QTEST_GUILESS_MAIN(TestScanner)
#include "tst_scanner.moc"
