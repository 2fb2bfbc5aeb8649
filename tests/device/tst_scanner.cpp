// The scan of a range: exactly the devices there, each with its version, date
// and MAC address; what answers otherwise is marked; Stop ends it at once.
#include "DeviceScanner.h"
#include "ScanRange.h"
#include "SimulatorThread.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <iterator>
#include <memory>
#include <vector>

class TestScanner : public QObject {
    Q_OBJECT
private slots:
    void findsWhatAnswers();
    void stopEndsAtOnce();
    void ranges_data();
    void ranges();
};

void TestScanner::findsWhatAnswers() {
    // One scan of: devices answering whole, in three pieces 40 ms apart, just
    // inside the answer time and just past it; something that answers
    // garbage; an open port that says nothing; nobody.
    struct Peer {
        const char* address;
        int pieces;        // a simulator answering in this many pieces, 0: no simulator
        int delayMs;       // ... after this long
        const char* shown; // the version found, "garbage", "silent" or nullptr: not listed
    };
    const int answerMs = 400;
    const Peer peers[] = {
        {"127.0.0.61", 1, 0, "1.00A"},
        {"127.0.0.62", 0, 0, "garbage"},
        {"127.0.0.63", 0, 0, "silent"},
        {"127.0.0.64", 0, 0, nullptr},
        {"127.0.0.66", 3, 0, "1.00A"},
        {"127.0.0.67", 1, answerMs - 100, "1.00A"},
        {"127.0.0.68", 1, answerMs + 150, "silent"},
    };
    std::vector<std::unique_ptr<sim::SimulatorThread>> devices;
    quint16 port = 0;
    for (const Peer& peer : peers) {
        if (peer.pieces == 0)
            continue;
        sim::SimulatorThread::Options options;
        options.address = QHostAddress(QString::fromLatin1(peer.address));
        options.port = port;
        options.faults.answerPieces = peer.pieces;
        options.faults.splitGapMs = 40;
        options.faults.answerDelayMs = peer.delayMs;
        devices.push_back(std::make_unique<sim::SimulatorThread>(options));
        QVERIFY(devices.back()->start());
        port = devices.back()->port();
    }
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
    QMap<QString, ScanFinding> found;
    connect(&scanner, &DeviceScanner::found, this,
            [&found](const ScanFinding& f) { found.insert(f.address, f); });
    QSignalSpy finished(&scanner, &DeviceScanner::finished);
    DeviceScanner::Options scan;
    scan.answerTimeoutMs = answerMs;
    QStringList addresses;
    for (const Peer& peer : peers)
        addresses << QString::fromLatin1(peer.address);
    scanner.Start(addresses, port, scan);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(scanner.Probed(), int(std::size(peers)));
    for (const Peer& peer : peers) {
        const QString address = QString::fromLatin1(peer.address);
        QCOMPARE(found.contains(address), peer.shown != nullptr);
        if (!peer.shown)
            continue;
        const ScanFinding& f = found.value(address);
        const QString shown = f.garbage  ? QStringLiteral("garbage")
                              : f.silent ? QStringLiteral("silent")
                                         : f.version;
        QCOMPARE(shown, QString::fromLatin1(peer.shown));
        if (f.version.isEmpty())
            continue;
        QCOMPARE(f.date, QStringLiteral("01.02.08"));
        QCOMPARE(f.mac, QStringLiteral("00-1A-2B-3C-4D-5E"));
    }
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

void TestScanner::ranges_data() {
    // A range as typed: how many addresses, the first and the last, or the
    // start of the refusal. The command line takes one range, the window a
    // list of them.
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("error");
    auto ok = [](const char* name, const char* text, int count, const char* first,
                 const char* last) {
        QTest::newRow(name) << text << count << first << last << QString();
    };
    auto bad = [](const char* name, const char* text, const char* error) {
        QTest::newRow(name) << text << 0 << QString() << QString() << error;
    };
    ok("/24 without network and broadcast", "127.0.0.77/24", 254, "127.0.0.1", "127.0.0.254");
    ok("/31 whole", "127.0.0.9/31", 2, "127.0.0.8", "127.0.0.9");
    ok("one address", "127.0.0.5", 1, "127.0.0.5", "127.0.0.5");
    ok("/16", "127.3.0.0/16", 65534, "127.3.0.1", "127.3.255.254");
    ok("dotted, both ends in", "127.0.0.0-127.0.0.3", 4, "127.0.0.0", "127.0.0.3");
    ok("dotted across an octet", "127.0.0.250-127.0.1.4", 11, "127.0.0.250", "127.0.1.4");
    ok("dotted of one", "127.0.0.7-127.0.0.7", 1, "127.0.0.7", "127.0.0.7");
    ok("dotted 65,536", "127.0.0.0-127.0.255.255", 65536, "127.0.0.0", "127.0.255.255");
    ok("dotted at the very top", "255.255.255.254-255.255.255.255", 2, "255.255.255.254",
       "255.255.255.255");
    ok("list, each address once", "127.0.0.1-127.0.0.3, 127.0.0.2/31,127.0.0.9", 4, "127.0.0.1",
       "127.0.0.9");
    bad("dotted 65,537", "127.0.0.0-127.1.0.0", "range \"127.0.0.0-127.1.0.0\" is too large");
    bad("/15", "127.0.0.0/15", "range \"127.0.0.0/15\" is too large");
    bad("upside down", "127.0.0.9-127.0.0.1", "bad range \"127.0.0.9-127.0.0.1\": the first");
    bad("open end", "127.0.0.1-", "bad range \"127.0.0.1-\"");
    bad("dotted with a prefix", "127.0.0.1-127.0.0.2/24", "bad range");
    bad("short address", "127.1-127.2", "bad range");
    bad("octet 256", "127.0.0.256/24", "bad range");
    bad("prefix 33", "127.0.0.0/33", "bad range \"127.0.0.0/33\": the prefix");
    bad("list past 65,536", "127.0.0.0-127.0.255.255, 127.9.0.1", "range");
    bad("nothing", " , ", "no range given");
}

void TestScanner::ranges() {
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, error);
    QString problem;
    const std::optional<QStringList> addresses = ParseScanRanges(text, problem);
    QCOMPARE(addresses.has_value(), error.isEmpty());
    if (!addresses) {
        QVERIFY2(problem.startsWith(error), qPrintable(problem));
        return;
    }
    QCOMPARE(addresses->size(), count);
    QCOMPARE(addresses->first(), first);
    QCOMPARE(addresses->last(), last);
    // A single range reads the same for the command line.
    if (!text.contains(QLatin1Char(',')))
        QCOMPARE(ParseCidr(text, problem), addresses);
}

QTEST_GUILESS_MAIN(TestScanner)
#include "tst_scanner.moc"
