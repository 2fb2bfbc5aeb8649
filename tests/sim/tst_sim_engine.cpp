#include "DeviceEngine.h"
#include "FaultNames.h"
#include "FirmwareImage.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace sim;

namespace {
QByteArray joined(const EngineOutput& out) {
    QByteArray all;
    for (const EngineWrite& w : out.writes)
        all += w.bytes;
    return all;
}

// Feeds each piece in turn, then lets the idle time pass; all answers joined.
QByteArray talk(DeviceEngine& engine, const QList<QByteArray>& pieces) {
    QByteArray all;
    for (const QByteArray& p : pieces)
        all += joined(engine.feed(p));
    if (engine.hasPendingInput())
        all += joined(engine.poll(DeviceEngine::kTextIdleMs));
    return all;
}

QByteArray talk(DeviceEngine& engine, const QByteArray& bytes) {
    return talk(engine, QList<QByteArray>{bytes});
}

QByteArray mbap(const QByteArray& pduWithUnit, const QByteArray& tid = QByteArray("\x02\x03", 2)) {
    QByteArray f = tid + QByteArray(2, '\0');
    f.append(char(pduWithUnit.size() >> 8));
    f.append(char(pduWithUnit.size() & 0xFF));
    return f + pduWithUnit;
}
} // namespace

class TestSimEngine : public QObject {
    Q_OBJECT
private slots:
    void queries_data();
    void queries();
    void assignments_data();
    void assignments();
    void valuesTakeEffectAtRestart();
    void framing_data();
    void framing();
    void closeRestartsWithoutAnswer();
    void garbageNeverWedges_data();
    void garbageNeverWedges();
    void randomBytesNeverCrash();
    void remoteComSwitch();
    void instruments_data();
    void instruments();
    void readBufIsOneBlockOfFloats();
    void writeBufAndWrite();
    void modbus_data();
    void modbus();
    void modbusByteOrderFollowsRestart();
    void modbusWritesHolding();
    void uploadAndInstall();
    void upgradeRejectsBadImages_data();
    void upgradeRejectsBadImages();
    void readSoftBlocks();
    void faults_data();
    void faults();
    void mergeHoldsAnswerForTheNext();
    void splitAndDelay();
    void dropAfterCommands();
    void unfinishedBlockIsDropped();
    void oversizeHeaderOnlyInWhatIsServed();
};

void TestSimEngine::queries_data() {
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("ip") << QByteArray("?IpAddr;") << QByteArray("IPADDR = 127.0.0.1;");
    QTest::newRow("mask") << QByteArray("?NetMask;") << QByteArray("NETMASK = 255.255.255.0;");
    QTest::newRow("gw") << QByteArray("?GW;") << QByteArray("GW = 127.0.0.254;");
    QTest::newRow("service") << QByteArray("?Service;") << QByteArray("SERVICE = 1024;");
    QTest::newRow("version") << QByteArray("?Version;") << QByteArray("VERSION = 1.00A;");
    QTest::newRow("version, no ;") << QByteArray("?Version") << QByteArray("VERSION = 1.00A;");
    QTest::newRow("date") << QByteArray("?DateVersion;") << QByteArray("DATEVERSION = 01.02.08;");
    QTest::newRow("date, no ;") << QByteArray("?DateVersion")
                                << QByteArray("DATEVERSION = 01.02.08;");
    QTest::newRow("packfloat") << QByteArray("?PackFloat;") << QByteArray("PACKFLOAT = 0;");
    QTest::newRow("mac") << QByteArray("?MacAddr;") << QByteArray("MACADDR = 00-1A-2B-3C-4D-5E;");
    QTest::newRow("speed") << QByteArray("?Speed_Duplex;") << QByteArray("SPEED_DUPLEX = 0;");
    QTest::newRow("com") << QByteArray("?SERVORRCOM;") << QByteArray("SERVORRCOM = 0;");
    QTest::newRow("lower case") << QByteArray("?ipaddr;") << QByteArray("IPADDR = 127.0.0.1;");
    QTest::newRow("unknown") << QByteArray("?Colour;") << QByteArray("NO;");
    QTest::newRow("bare ?") << QByteArray("?") << QByteArray("NO;");
}

void TestSimEngine::queries() {
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, answer);
    DeviceState state = DeviceState::Defaults();
    state.config.port = 1024;
    DeviceEngine engine(state);
    const EngineOutput out = engine.feed(query);
    // The known queries are answered at once, in one write, idle time or not.
    if (answer != "NO;") {
        QCOMPARE(out.writes.size(), 1);
        QCOMPARE(out.writes.first().bytes, answer);
    } else {
        QCOMPARE(joined(out) + joined(engine.poll(DeviceEngine::kTextIdleMs)), answer);
    }
}

void TestSimEngine::assignments_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("ip") << QByteArray("IPADDR = 127.0.0.2") << QByteArray("SET_IPADDR = OK;")
                        << QByteArray("?IpAddr;") << QByteArray("IPADDR = 127.0.0.2;");
    QTest::newRow("ip part 256") << QByteArray("IPADDR = 127.0.0.256")
                                 << QByteArray("SET_IPADDR = ERROR;") << QByteArray("?IpAddr;")
                                 << QByteArray("IPADDR = 127.0.0.1;");
    QTest::newRow("ip three parts")
        << QByteArray("IPADDR = 127.0.1;") << QByteArray("SET_IPADDR = ERROR;")
        << QByteArray("?IpAddr;") << QByteArray("IPADDR = 127.0.0.1;");
    QTest::newRow("mask") << QByteArray("NETMASK = 255.255.0.0") << QByteArray("SET_NETMASK = OK;")
                          << QByteArray("?NetMask;") << QByteArray("NETMASK = 255.255.0.0;");
    QTest::newRow("gw no blanks") << QByteArray("GW=127.0.0.9") << QByteArray("SET_GW = OK;")
                                  << QByteArray("?GW;") << QByteArray("GW = 127.0.0.9;");
    QTest::newRow("port") << QByteArray("SERVICE = 15021") << QByteArray("SET_SERVICE = OK;")
                          << QByteArray("?Service;") << QByteArray("SERVICE = 15021;");
    QTest::newRow("port 0") << QByteArray("SERVICE = 0") << QByteArray("SET_SERVICE = ERROR;")
                            << QByteArray("?Service;") << QByteArray("SERVICE = 1024;");
    QTest::newRow("port 70000") << QByteArray("SERVICE = 70000")
                                << QByteArray("SET_SERVICE = ERROR;") << QByteArray("?Service;")
                                << QByteArray("SERVICE = 1024;");
    QTest::newRow("port abc") << QByteArray("SERVICE = abc;") << QByteArray("SET_SERVICE = ERROR;")
                              << QByteArray("?Service;") << QByteArray("SERVICE = 1024;");
    QTest::newRow("mac") << QByteArray("MACADDR = 00-aa-2B-3C-4D-5F")
                         << QByteArray("SET_MACADDR = OK;") << QByteArray("?MacAddr;")
                         << QByteArray("MACADDR = 00-AA-2B-3C-4D-5F;");
    QTest::newRow("mac colons") << QByteArray("MACADDR = 00:1A:2B:3C:4D:5E")
                                << QByteArray("SET_MACADDR = ERROR;") << QByteArray("?MacAddr;")
                                << QByteArray("MACADDR = 00-1A-2B-3C-4D-5E;");
    QTest::newRow("packfloat") << QByteArray("PACKFLOAT = 2") << QByteArray("SET_PACKFLOAT = OK;")
                               << QByteArray("?PackFloat;") << QByteArray("PACKFLOAT = 2;");
    QTest::newRow("packfloat 4") << QByteArray("PACKFLOAT = 4")
                                 << QByteArray("SET_PACKFLOAT = ERROR;")
                                 << QByteArray("?PackFloat;") << QByteArray("PACKFLOAT = 0;");
    QTest::newRow("packfloat -1") << QByteArray("PACKFLOAT = -1")
                                  << QByteArray("SET_PACKFLOAT = ERROR;")
                                  << QByteArray("?PackFloat;") << QByteArray("PACKFLOAT = 0;");
    QTest::newRow("speed") << QByteArray("SPEED_DUPLEX = 3") << QByteArray("SET_SPEED_DUPLEX = OK;")
                           << QByteArray("?Speed_Duplex;") << QByteArray("SPEED_DUPLEX = 3;");
    QTest::newRow("speed 5") << QByteArray("SPEED_DUPLEX = 5")
                             << QByteArray("SET_SPEED_DUPLEX = ERROR;")
                             << QByteArray("?Speed_Duplex;") << QByteArray("SPEED_DUPLEX = 0;");
    QTest::newRow("lower-case key")
        << QByteArray("speed_duplex  =  4") << QByteArray("SET_SPEED_DUPLEX = OK;")
        << QByteArray("?Speed_Duplex;") << QByteArray("SPEED_DUPLEX = 4;");
    QTest::newRow("unknown key") << QByteArray("COLOUR = 1") << QByteArray("NO;")
                                 << QByteArray("?GW;") << QByteArray("GW = 127.0.0.254;");
    QTest::newRow("read-only key") << QByteArray("VERSION = 9.99Z") << QByteArray("NO;")
                                   << QByteArray("?Version") << QByteArray("VERSION = 1.00A;");
}

void TestSimEngine::assignments() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, after);
    DeviceState state = DeviceState::Defaults();
    state.config.port = 1024;
    DeviceEngine engine(state);
    QCOMPARE(talk(engine, command), answer);
    QCOMPARE(talk(engine, query), after);
}

void TestSimEngine::valuesTakeEffectAtRestart() {
    DeviceEngine engine;
    QCOMPARE(talk(engine, "PACKFLOAT = 2"), QByteArray("SET_PACKFLOAT = OK;"));
    QCOMPARE(engine.state().activePackFloat, 0);
    engine.restarted();
    QCOMPARE(engine.state().activePackFloat, 2);
    QCOMPARE(talk(engine, "?PackFloat;"), QByteArray("PACKFLOAT = 2;"));
}

void TestSimEngine::framing_data() {
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QByteArray>("answers");
    const QByteArray ip = "IPADDR = 127.0.0.1;";
    const QByteArray mask = "NETMASK = 255.255.255.0;";
    QTest::newRow("two queries in one read") << QList<QByteArray>{"?IpAddr;?NetMask;"} << ip + mask;
    QTest::newRow("queries without ;") << QList<QByteArray>{"?Version?DateVersion"}
                                       << QByteArray("VERSION = 1.00A;DATEVERSION = 01.02.08;");
    QTest::newRow("query split in the name") << QList<QByteArray>{"?Ip", "Addr;"} << ip;
    QTest::newRow("query split before ?") << QList<QByteArray>{"?", "NetMask;"} << mask;
    QTest::newRow("query then its ; late")
        << QList<QByteArray>{"?IpAddr", ";", "?NetMask;"} << ip + mask;
    QTest::newRow("assignment split in the key")
        << QList<QByteArray>{"NETM", "ASK = 255.0.0.0"} << QByteArray("SET_NETMASK = OK;");
    QTest::newRow("assignment split at =")
        << QList<QByteArray>{"NETMASK ", "= ", "255.0.0.0"} << QByteArray("SET_NETMASK = OK;");
    QTest::newRow("assignment split in the address")
        << QList<QByteArray>{"IPADDR = 127.0.", "0.2"} << QByteArray("SET_IPADDR = OK;");
    QTest::newRow("assignment split in the mac")
        << QList<QByteArray>{"MACADDR = 00-1A-2B", "-3C-4D-5E"} << QByteArray("SET_MACADDR = OK;");
    QTest::newRow("two assignments glued")
        << QList<QByteArray>{"PACKFLOAT = 1SPEED_DUPLEX = 2"}
        << QByteArray("SET_PACKFLOAT = OK;SET_SPEED_DUPLEX = OK;");
    QTest::newRow("address then query")
        << QList<QByteArray>{"GW = 127.0.0.3?GW;"} << QByteArray("SET_GW = OK;GW = 127.0.0.3;");
    QTest::newRow("CR LF between") << QList<QByteArray>{"?IpAddr;\r\n?NetMask;\r\n"} << ip + mask;
    QTest::newRow("byte by byte") << QList<QByteArray>{"?", "G", "W", ";"}
                                  << QByteArray("GW = 127.0.0.254;");
    QTest::newRow("cut-off command taken when idle")
        << QList<QByteArray>{"IPADDR = 127.0"} << QByteArray("SET_IPADDR = ERROR;");
    QTest::newRow("cut-off word taken when idle")
        << QList<QByteArray>{"WRITESO"} << QByteArray("NO;");
    QTest::newRow("blanks only") << QList<QByteArray>{"   \r\n;;"} << QByteArray();
    QTest::newRow("empty value") << QList<QByteArray>{"IPADDR = ;?GW;"}
                                 << QByteArray("SET_IPADDR = ERROR;GW = 127.0.0.254;");
}

void TestSimEngine::framing() {
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QByteArray, answers);
    DeviceEngine engine;
    QCOMPARE(talk(engine, pieces), answers);
    QVERIFY(!engine.hasPendingInput());
}

void TestSimEngine::closeRestartsWithoutAnswer() {
    for (const QByteArray& cmd :
         {QByteArray("Close = 1"), QByteArray("CLOSE=1"), QByteArray("close  =  1")}) {
        DeviceEngine engine;
        const EngineOutput out = engine.feed(cmd + "?GW;");
        QCOMPARE(out.action, EngineAction::Restart);
        QVERIFY(out.writes.isEmpty()); // what followed Close is gone with the connection
    }
    DeviceEngine engine;
    const EngineOutput out = engine.feed("Close = 0");
    QCOMPARE(out.action, EngineAction::None);
    QCOMPARE(joined(out), QByteArray("SET_CLOSE = ERROR;"));
}

void TestSimEngine::garbageNeverWedges_data() {
    QTest::addColumn<QByteArray>("garbage");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("unknown word") << QByteArray("HELLO") << QByteArray("NO;");
    QTest::newRow("digits") << QByteArray("12345;") << QByteArray("NO;");
    QTest::newRow("punctuation") << QByteArray("#$%&") << QByteArray("NO;");
    QTest::newRow("stray =") << QByteArray("= 5;") << QByteArray("NO;");
    QTest::newRow("binary") << QByteArray("\x01\x80\xFE\x10\x7F", 5) << QByteArray();
    QTest::newRow("lone byte") << QByteArray("\x05", 1) << QByteArray();
    QTest::newRow("cut switch-off") << QByteArray("\xFF\xFE\x2C", 3) << QByteArray();
    QTest::newRow("mbap bad length")
        << QByteArray("\x02\x03\x00\x00\x00\x01\x01", 7) << QByteArray();
    QTest::newRow("mbap cut short")
        << QByteArray("\x02\x03\x00\x00\x00\x06\x01\x04", 8) << QByteArray();
    QTest::newRow("high bytes") << QByteArray("\xCE\xF8\xE8\xE1\xEA\xE0") << QByteArray();
}

void TestSimEngine::garbageNeverWedges() {
    QFETCH(QByteArray, garbage);
    QFETCH(QByteArray, answer);
    DeviceEngine engine;
    QCOMPARE(talk(engine, garbage), answer);
    QVERIFY(!engine.hasPendingInput());
    QCOMPARE(talk(engine, "?GW;"), QByteArray("GW = 127.0.0.254;"));
}

void TestSimEngine::randomBytesNeverCrash() {
    QRandomGenerator random(20240607);
    DeviceEngine engine;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes(random.bounded(1, 200), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random.bounded(256));
        engine.feed(bytes);
        engine.poll(DeviceEngine::kRawIdleMs);
        if (engine.feed("").action != EngineAction::None)
            engine.restarted();
    }
    engine.restarted();
    QCOMPARE(talk(engine, "?GW;"), QByteArray("GW = 127.0.0.254;"));
}

void TestSimEngine::remoteComSwitch() {
    DeviceEngine engine;
    QCOMPARE(talk(engine, "SERVORRCOM = 1"), QByteArray("SET_SERVORRCOM = OK;"));
    QCOMPARE(talk(engine, "?SERVORRCOM;"), QByteArray("SERVORRCOM = 1;"));
    // The switch-off bytes and the query, as the tool sends them back to back.
    const QByteArray off("\xFF\xFE\x2C\xAA\xBB\xFF\xF0", 7);
    QCOMPARE(talk(engine, off + "?SERVORRCOM;"), QByteArray("SERVORRCOM = 0;"));
    QCOMPARE(talk(engine, "SERVORRCOM = 1"), QByteArray("SET_SERVORRCOM = OK;"));
    QCOMPARE(talk(engine, QList<QByteArray>{off.left(3), off.mid(3), "?SERVORRCOM;"}),
             QByteArray("SERVORRCOM = 0;"));
    QCOMPARE(talk(engine, "SERVORRCOM = 7"), QByteArray("SET_SERVORRCOM = ERROR;"));
}

void TestSimEngine::instruments_data() {
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<QByteArray>("read");
    QTest::newRow("BA001") << QByteArray("BA001") << QByteArray("READ = OK;");
    QTest::newRow("KA010") << QByteArray("KA010") << QByteArray("READ = OK;");
    QTest::newRow("lower case") << QByteArray("ba002") << QByteArray("READ = OK;");
    QTest::newRow("absent") << QByteArray("BA099") << QByteArray("READ = NO;");
}

void TestSimEngine::instruments() {
    QFETCH(QByteArray, device);
    QFETCH(QByteArray, read);
    DeviceEngine engine;
    QCOMPARE(talk(engine, "NDEVICE = " + device), QByteArray("NDEVICE = OK;"));
    QCOMPARE(talk(engine, "LENBLOCK = 129"), QByteArray("LENBLOCK = OK;"));
    QCOMPARE(talk(engine, "NBLOCKS = 1"), QByteArray("NBLOCKS = OK;"));
    QCOMPARE(talk(engine, "READ = 193"), read);
    const QByteArray block = talk(engine, "READBUF");
    if (read == "READ = OK;")
        QCOMPARE(block.size(), 129);
    else
        QCOMPARE(block, QByteArray("READBUF = NO;"));
}

void TestSimEngine::readBufIsOneBlockOfFloats() {
    DeviceEngine engine;
    talk(engine, "NDEVICE = BA001");
    talk(engine, "LENBLOCK = 128");
    talk(engine, "NBLOCKS = 1");
    talk(engine, "READ = 145");
    const EngineOutput out = engine.feed("READBUF");
    QCOMPARE(out.writes.size(), 1);
    const QByteArray block = out.writes.first().bytes;
    QCOMPARE(block.size(), 128);
    // 101.25 is 42 CA 80 00; byte order 0 ("1-0-3-2") puts it as 80 00 42 CA.
    QCOMPARE(block.left(4), QByteArray("\x80\x00\x42\xCA", 4));
    QCOMPARE(talk(engine, "LENBLOCK = 2000"), QByteArray("LENBLOCK = ERROR;"));
    QCOMPARE(talk(engine, "NBLOCKS = 0"), QByteArray("NBLOCKS = ERROR;"));
}

void TestSimEngine::writeBufAndWrite() {
    DeviceEngine engine;
    talk(engine, "NDEVICE = BA001");
    QCOMPARE(talk(engine, "WRITE = 72"), QByteArray("WRITE = NO;")); // nothing written yet
    QCOMPARE(talk(engine, "WRITEBUF = 16"), QByteArray("WRITEBUF = READY;"));
    QCOMPARE(talk(engine, QByteArray(16, '\0')), QByteArray()); // the data get no answer
    QCOMPARE(talk(engine, "WRITE = 72"), QByteArray("WRITE = OK;"));
    QCOMPARE(engine.state().findInstrument(QStringLiteral("BA001"))->lastWrite,
             QByteArray(16, '\0'));
    QCOMPARE(talk(engine, "WRITEBUF = 0"), QByteArray("WRITEBUF = ERROR;"));
}

void TestSimEngine::modbus_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("replyStart");
    QTest::addColumn<int>("replySize");
    const QByteArray tid("\x02\x03", 2);
    QTest::newRow("default request") << QByteArray::fromHex("020300000006010400000020")
                                     << QByteArray::fromHex("02030000004301044080 00 42CA") << 73;
    QTest::newRow("holding registers") << QByteArray::fromHex("ABCD0000000602030000 0002")
                                       << QByteArray::fromHex("ABCD00000007020304") << 13;
    QTest::newRow("illegal function") << QByteArray::fromHex("020300000006010700000001")
                                      << QByteArray::fromHex("020300000003018701") << 9;
    QTest::newRow("illegal address") << QByteArray::fromHex("020300000006010400400001")
                                     << QByteArray::fromHex("020300000003018402") << 9;
    QTest::newRow("address past the end") << QByteArray::fromHex("02030000000601043F000002")
                                          << QByteArray::fromHex("020300000003018402") << 9;
    QTest::newRow("quantity 0") << QByteArray::fromHex("020300000006010400000000")
                                << QByteArray::fromHex("020300000003018403") << 9;
    QTest::newRow("quantity 126") << QByteArray::fromHex("02030000000601040000007E")
                                  << QByteArray::fromHex("020300000003018403") << 9;
    QTest::newRow("no such unit") << QByteArray::fromHex("020300000006070400000020")
                                  << QByteArray::fromHex("02030000000307840B") << 9;
    QTest::newRow("unit 10") << QByteArray::fromHex("0001000000060A0400000001")
                             << QByteArray::fromHex("0001000000050A0402") << 11;
}

void TestSimEngine::modbus() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, replyStart);
    QFETCH(int, replySize);
    DeviceEngine engine;
    const EngineOutput out = engine.feed(request);
    QCOMPARE(out.writes.size(), 1);
    const QByteArray reply = out.writes.first().bytes;
    QCOMPARE(reply.size(), replySize);
    QCOMPARE(reply.left(replyStart.size()).toHex(' '), replyStart.toHex(' '));
    // A frame cut in its header waits for the rest; a text command right
    // behind it is framed on its own.
    QCOMPARE(joined(engine.feed(request.left(5))), QByteArray());
    QCOMPARE(talk(engine, request.mid(5) + "?GW;"), reply + "GW = 127.0.0.254;");
}

void TestSimEngine::modbusByteOrderFollowsRestart() {
    const QByteArray request = QByteArray::fromHex("020300000006010400000002");
    // The wire bytes of 101.25 for orders 0..3 ("1-0-3-2", "0-1-2-3", "3-2-1-0", "2-3-0-1").
    const QList<QByteArray> orders = {
        QByteArray::fromHex("800042CA"), QByteArray::fromHex("0080CA42"),
        QByteArray::fromHex("42CA8000"), QByteArray::fromHex("CA420080")};
    for (int order = 0; order < 4; ++order) {
        DeviceEngine engine;
        talk(engine, "PACKFLOAT = " + QByteArray::number(order));
        engine.restarted();
        const QByteArray reply = talk(engine, request);
        QCOMPARE(reply.mid(9, 4).toHex(), orders[order].toHex());
    }
}

void TestSimEngine::modbusWritesHolding() {
    DeviceEngine engine;
    // 06: write register 4 (float 2, high half in order 0 is bytes 1,0).
    QCOMPARE(talk(engine, mbap(QByteArray::fromHex("0106 0004 1234"))).toHex(),
             mbap(QByteArray::fromHex("0106 0004 1234")).toHex());
    QCOMPARE(talk(engine, mbap(QByteArray::fromHex("0103 0004 0001"))).toHex(),
             mbap(QByteArray::fromHex("0103 02 1234")).toHex());
    // 16: two registers at 10.
    QCOMPARE(talk(engine, mbap(QByteArray::fromHex("0110 000A 0002 04 AAAA BBBB"))).toHex(),
             mbap(QByteArray::fromHex("0110 000A 0002")).toHex());
    QCOMPARE(talk(engine, mbap(QByteArray::fromHex("0103 000A 0002"))).toHex(),
             mbap(QByteArray::fromHex("0103 04 AAAA BBBB")).toHex());
    QCOMPARE(talk(engine, mbap(QByteArray::fromHex("0110 000A 0002 03 AAAA BB"))).toHex(),
             mbap(QByteArray::fromHex("01 90 03")).toHex());
    QCOMPARE(talk(engine, mbap(QByteArray::fromHex("0106 0040 0000"))).toHex(),
             mbap(QByteArray::fromHex("01 86 02")).toHex());
}

void TestSimEngine::uploadAndInstall() {
    const QByteArray image =
        BuildFirmwareImage(QStringLiteral("2.00B"), QStringLiteral("03.04.05"), 2100);
    DeviceEngine engine;
    for (int n = 0; n < 3; ++n) {
        QCOMPARE(talk(engine, "WRITESOFT  = " + QByteArray::number(n)),
                 QByteArray("WRITESOFT = READY;"));
        QByteArray block = image.mid(n * 1024, 1024);
        block.append(1024 - block.size(), '\x5A');
        // The block may arrive in pieces; it is answered once, when complete.
        QCOMPARE(talk(engine, QList<QByteArray>{block.left(100), block.mid(100)}),
                 QByteArray("WRITESOFT = OK;"));
    }
    const EngineOutput out = engine.feed("UPGRADE = 1");
    QCOMPARE(joined(out), QByteArray("UPGRADE = OK;"));
    QCOMPARE(out.action, EngineAction::Restart);
    QCOMPARE(engine.state().image, image);
    QCOMPARE(engine.state().version, QStringLiteral("2.00B"));
    QCOMPARE(engine.state().date, QStringLiteral("03.04.05"));
}

void TestSimEngine::upgradeRejectsBadImages_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("blocks"); // how many blocks are sent
    const QByteArray good =
        BuildFirmwareImage(QStringLiteral("2.00B"), QStringLiteral("03.04.05"), 2100);
    QByteArray crc = good;
    crc[500] = static_cast<char>(crc[500] ^ 1);
    QByteArray signature = good;
    signature[0] = 'M';
    QByteArray length = good;
    length[4] = static_cast<char>(length[4] + 1);
    QByteArray marker = good;
    marker.replace(marker.indexOf("RK5720ETH_"), 3, "XX5");
    SealFirmwareImage(marker);
    QTest::newRow("bad crc") << crc << 3;
    QTest::newRow("bad signature") << signature << 3;
    QTest::newRow("bad length") << length << 3;
    QTest::newRow("no marker") << marker << 3;
    QTest::newRow("missing last block") << good << 2;
    QTest::newRow("nothing sent") << good << 0;
}

void TestSimEngine::upgradeRejectsBadImages() {
    QFETCH(QByteArray, image);
    QFETCH(int, blocks);
    DeviceEngine engine;
    const QByteArray before = engine.state().image;
    for (int n = 0; n < blocks; ++n) {
        talk(engine, "WRITESOFT  = " + QByteArray::number(n));
        QByteArray block = image.mid(n * 1024, 1024);
        block.append(1024 - block.size(), '\0');
        talk(engine, block);
    }
    const EngineOutput out = engine.feed("UPGRADE = 1");
    QCOMPARE(joined(out), QByteArray("UPGRADE = FAIL;"));
    QCOMPARE(out.action, EngineAction::None);
    QCOMPARE(engine.state().image, before);
    QCOMPARE(engine.state().version, QStringLiteral("1.00A"));
}

void TestSimEngine::readSoftBlocks() {
    DeviceEngine engine;
    const QByteArray image = engine.state().image;
    QVERIFY(CheckImage(image).ok());
    QCOMPARE(CheckImage(image).version, QByteArray("1.00A"));
    QCOMPARE(CheckImage(image).date, QByteArray("01.02.08"));
    const int last = int((image.size() - 1) / 1024);
    for (int n : {0, 1, last}) {
        const EngineOutput out = engine.feed("READSOFT  = " + QByteArray::number(n));
        QCOMPARE(out.writes.size(), 1);
        QByteArray expected = image.mid(n * 1024, 1024);
        expected.append(1024 - expected.size(), '\0');
        QCOMPARE(out.writes.first().bytes, expected);
    }
    QCOMPARE(talk(engine, "READSOFT  = 255").size(), 1024);
    QCOMPARE(talk(engine, "READSOFT  = 256"), QByteArray("READSOFT = ERROR;"));
}

void TestSimEngine::faults_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("silent all") << "silent" << QByteArray("?GW;") << QByteArray();
    QTest::newRow("silent query") << "silent:?VERSION" << QByteArray("?Version") << QByteArray();
    QTest::newRow("silent query, assignment answered")
        << "silent:?VERSION" << QByteArray("GW = 127.0.0.1") << QByteArray("SET_GW = OK;");
    QTest::newRow("silent readbuf") << "silent:READBUF" << QByteArray("READBUF") << QByteArray();
    QTest::newRow("reject one") << "reject:GW" << QByteArray("GW = 127.0.0.1")
                                << QByteArray("SET_GW = ERROR;");
    QTest::newRow("reject one, other ok")
        << "reject:GW" << QByteArray("NETMASK = 255.0.0.0") << QByteArray("SET_NETMASK = OK;");
    QTest::newRow("reject all") << "reject:*" << QByteArray("SERVORRCOM = 1")
                                << QByteArray("SET_SERVORRCOM = ERROR;");
    QTest::newRow("writesoft busy")
        << "busy" << QByteArray("WRITESOFT  = 0") << QByteArray("WRITESOFT = BUSY;");
    QTest::newRow("upgrade fail") << "upgradeFail" << QByteArray("UPGRADE = 1")
                                  << QByteArray("UPGRADE = FAIL;");
    QTest::newRow("old readsoft") << "old" << QByteArray("READSOFT  = 0")
                                  << QByteArray("READSOFT = ERROR;");
    QTest::newRow("stall at 3, block 3")
        << "stall:3" << QByteArray("READSOFT  = 3") << QByteArray();
    QTest::newRow("stall at 3, block 9")
        << "stall:3" << QByteArray("READSOFT  = 9") << QByteArray();
}

void TestSimEngine::faults() {
    QFETCH(QString, fault);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    DeviceEngine engine;
    SimFaults& f = engine.faults();
    ApplyFaultName(f, fault);
    const DeviceState before = engine.state();
    QCOMPARE(talk(engine, command), answer);
    if (fault.startsWith(QLatin1String("reject")) && answer.endsWith("ERROR;")) {
        QCOMPARE(engine.state().config.gateway, before.config.gateway);
        QCOMPARE(engine.state().remoteCom, before.remoteCom);
    }
    if (fault.startsWith(QLatin1String("stall")))
        QCOMPARE(talk(engine, "READSOFT  = 2").size(), 1024);
}

void TestSimEngine::mergeHoldsAnswerForTheNext() {
    DeviceEngine engine;
    engine.faults().mergeAnswers = true;
    QCOMPARE(talk(engine, "?GW;"), QByteArray());
    const EngineOutput out = engine.feed("?NetMask;");
    QCOMPARE(out.writes.size(), 1);
    QCOMPARE(out.writes.first().bytes, QByteArray("GW = 127.0.0.254;NETMASK = 255.255.255.0;"));
}

void TestSimEngine::splitAndDelay() {
    DeviceEngine engine;
    engine.faults().answerPieces = 2;
    engine.faults().splitGapMs = 40;
    engine.faults().answerDelayMs = 100;
    const EngineOutput out = engine.feed("?GW;");
    QCOMPARE(out.writes.size(), 2);
    QCOMPARE(out.writes[0].bytes + out.writes[1].bytes, QByteArray("GW = 127.0.0.254;"));
    QCOMPARE(out.writes[0].atMs, 100);
    QCOMPARE(out.writes[1].atMs, 140);
}

void TestSimEngine::dropAfterCommands() {
    DeviceEngine engine;
    engine.faults().dropAfterCommands = 2;
    EngineOutput out = engine.feed("?GW;");
    QCOMPARE(out.action, EngineAction::None);
    out = engine.feed("?GW;?NetMask;");
    QCOMPARE(joined(out), QByteArray("GW = 127.0.0.254;")); // the second command's answer went out
    QCOMPARE(out.action, EngineAction::Close);
    engine.connectionOpened(); // counted per connection
    QCOMPARE(engine.feed("?GW;").action, EngineAction::None);
}

void TestSimEngine::unfinishedBlockIsDropped() {
    DeviceEngine engine;
    QCOMPARE(talk(engine, "WRITESOFT  = 0"), QByteArray("WRITESOFT = READY;"));
    QCOMPARE(joined(engine.feed(QByteArray(100, 'x'))), QByteArray());
    QVERIFY(engine.hasPendingInput());
    engine.poll(DeviceEngine::kRawIdleMs - 1);
    QVERIFY(engine.hasPendingInput());
    engine.poll(DeviceEngine::kRawIdleMs);
    QVERIFY(!engine.hasPendingInput());
    QCOMPARE(talk(engine, "?GW;"), QByteArray("GW = 127.0.0.254;"));
}

void TestSimEngine::oversizeHeaderOnlyInWhatIsServed() {
    DeviceEngine engine;
    engine.faults().oversizeImageHeader = true;
    const QByteArray block = talk(engine, "READSOFT  = 0");
    QCOMPARE(block.size(), 1024);
    const auto* b = reinterpret_cast<const uint8_t*>(block.constData());
    const int length = b[4] + b[5] * 256 + b[6] * 65536 + 16;
    QVERIFY((length + 1023) / 1024 > 256);
    QVERIFY(CheckImage(engine.state().image).ok()); // the stored image itself is intact
}

QTEST_GUILESS_MAIN(TestSimEngine)
#include "tst_sim_engine.moc"
