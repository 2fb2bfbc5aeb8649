#include "ValueChecks.h"

#include <QtTest>

using MaybeText = std::optional<QString>;
Q_DECLARE_METATYPE(MaybeText)

class TestValueChecks : public QObject {
    Q_OBJECT
private slots:
    void tables();
    void indexDisplay_data();
    void indexDisplay();
    void remoteComOff_data();
    void remoteComOff();
    void checkIpAddress_data();
    void checkIpAddress();
    void checkMacAddress_data();
    void checkMacAddress();
    void addressBytes_data();
    void addressBytes();
    void checkPort_data();
    void checkPort();
};

void TestValueChecks::tables() {
    QCOMPARE(PackFloatItems(), QStringList({"1-0-3-2", "0-1-2-3", "3-2-1-0", "2-3-0-1"}));
    QCOMPARE(SpeedDuplexItems(),
             QStringList({"Auto", "10 Mbit/s full duplex", "10 Mbit/s half duplex",
                          "100 Mbit/s full duplex", "100 Mbit/s half duplex"}));
    QCOMPARE(PackFloatItems().size(), kPackFloatLastIndex + 1);
    QCOMPARE(SpeedDuplexItems().size(), kSpeedDuplexLastIndex + 1);
    QCOMPARE(PackFloatText(2), QStringLiteral("3-2-1-0"));
    QCOMPARE(SpeedDuplexText(0), QStringLiteral("Auto"));
    QVERIFY(PackFloatText(-1).isEmpty());
    QVERIFY(PackFloatText(4).isEmpty());
    QVERIFY(SpeedDuplexText(5).isEmpty());
}

void TestValueChecks::indexDisplay_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("speedDuplex");
    QTest::addColumn<MaybeText>("shown");
    const MaybeText error = QStringLiteral("Error ");
    QTest::newRow("packfloat 0") << "0" << false << MaybeText("1-0-3-2");
    QTest::newRow("packfloat 2") << "2" << false << MaybeText("3-2-1-0");
    QTest::newRow("packfloat 3, last") << "3" << false << MaybeText("2-3-0-1");
    QTest::newRow("packfloat 4, one past") << "4" << false << error;
    QTest::newRow("packfloat 7") << "7" << false << error;
    QTest::newRow("packfloat 25: first char only") << "25" << false << MaybeText("3-2-1-0");
    QTest::newRow("packfloat 2X") << "2X" << false << MaybeText("3-2-1-0");
    QTest::newRow("speed/duplex 4") << "4" << true << MaybeText("100 Mbit/s half duplex");
    QTest::newRow("speed/duplex 5") << "5" << true << error;
    QTest::newRow("speed/duplex 0") << "0" << true << MaybeText("Auto");
    QTest::newRow("slash, just below 0, wraps") << "/" << false << error;
    QTest::newRow("minus sign wraps") << "-1" << true << error;
    QTest::newRow("NUL wraps") << QString(QChar(0)) << true << error;
    QTest::newRow("letter") << "A" << true << error;
    QTest::newRow("cyrillic letter") << QStringLiteral("\u0410") << true << error;
    // 0x0132 - "0" is 0x102, whose low byte would read as index 2.
    QTest::newRow("non-ASCII with a small low byte") << QStringLiteral("\u0132") << false << error;
    QTest::newRow("empty packfloat") << "" << false << MaybeText();
    QTest::newRow("empty speed/duplex") << "" << true << MaybeText();
}

void TestValueChecks::indexDisplay() {
    QFETCH(QString, value);
    QFETCH(bool, speedDuplex);
    QFETCH(MaybeText, shown);
    QCOMPARE(IndexDisplay(value, speedDuplex ? SpeedDuplexItems() : PackFloatItems()), shown);
}

void TestValueChecks::remoteComOff_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("expected"); // -1: processing error, 0: leave, 1: off
    QTest::newRow("0") << "0" << 1;
    QTest::newRow("01") << "01" << 1;
    QTest::newRow("1") << "1" << 0;
    QTest::newRow("OFF is no 0") << "OFF" << 0;
    QTest::newRow("empty") << "" << -1;
}

void TestValueChecks::remoteComOff() {
    QFETCH(QString, value);
    QFETCH(int, expected);
    const std::optional<bool> off = RemoteComOff(value);
    QCOMPARE(off.has_value() ? int(*off) : -1, expected);
}

void TestValueChecks::checkIpAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("shortest, 7 chars") << "1.2.3.4" << true;
    QTest::newRow("device default") << "192.168.100.222" << true;
    QTest::newRow("all zero") << "0.0.0.0" << true;
    QTest::newRow("all 255") << "255.255.255.255" << true;
    QTest::newRow("three parts") << "1.2.3" << false;
    QTest::newRow("three parts, long enough") << "100.200.300" << false;
    QTest::newRow("part 256") << "1.2.3.256" << false;
    QTest::newRow("first part 256") << "256.2.3.4" << false;
    QTest::newRow("five parts") << "1.2.3.4.5" << false;
    QTest::newRow("trailing dot") << "10.2.3.4." << false;
    QTest::newRow("negative part") << "1.-2.3.4" << false;
    QTest::newRow("minus zero is zero") << "-0.1.2.3" << true;
    QTest::newRow("plus sign") << "+1.2.3.4" << true;
    QTest::newRow("empty part") << "1..3.45" << false;
    QTest::newRow("empty last part") << "10.20.30." << false;
    QTest::newRow("leading blank in first part") << " 1.2.3.4" << true;
    QTest::newRow("leading blanks in every part") << "1. 2. 3. 4" << true;
    QTest::newRow("trailing blank") << "1.2.3.4 " << false;
    QTest::newRow("blank before dot") << "1 .2.3.4" << false;
    QTest::newRow("hexadecimal parts") << "0x7F.$0.x1.0" << true;
    QTest::newRow("letters") << "a.b.c.d.e" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("no dots") << "1234567" << false;
    QTest::newRow("port appended") << "1.2.3.4:1024" << false;
    QTest::newRow("overflowing part") << "1.2.3.99999999999" << false;
}

void TestValueChecks::checkIpAddress() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(CheckIpAddress(text), valid);
}

void TestValueChecks::checkMacAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("hex pairs") << "00-1A-2B-3C-4D-5E" << true;
    QTest::newRow("lower-case hex") << "00-1a-2b-3c-4d-ff" << true;
    QTest::newRow("single digits, 11 chars") << "0-1-2-3-4-5" << true;
    QTest::newRow("decimal 200") << "200-1-2-3-4-5" << true;
    QTest::newRow("decimal 255") << "255-1-2-3-4-5" << true;
    QTest::newRow("256 neither decimal nor pair") << "256-1-2-3-4-5" << false;
    QTest::newRow("three hex digits") << "1FF-1-2-3-4-5" << false;
    QTest::newRow("colons") << "00:1A:2B:3C:4D:5E" << false;
    QTest::newRow("five parts") << "00-1A-2B-3C-4D" << false;
    QTest::newRow("seven parts") << "00-1A-2B-3C-4D-5E-6F" << false;
    QTest::newRow("trailing dash") << "00-1A-2B-3C-4D-5E-" << false;
    QTest::newRow("empty part") << "00--2B-3C-4D-5E" << false;
    QTest::newRow("empty last part") << "00-1A-2B-3C-4D-" << false;
    QTest::newRow("not hex") << "00-1A-2B-3C-4D-5G" << false;
    QTest::newRow("prefixed hex") << "0x00-$1A-x2B-3C-4D-5E" << true;
    QTest::newRow("leading blank in a part") << "00- 1A-2B-3C-4D-5E" << false;
    QTest::newRow("leading blank, decimal part") << " 00-10-20-30-40-50" << true;
    QTest::newRow("plus sign on decimal") << "+1-1-2-3-4-5" << true;
    QTest::newRow("plus sign on a pair") << "+1A-1-2-3-4-5" << false;
    QTest::newRow("empty") << "" << false;
}

void TestValueChecks::checkMacAddress() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(CheckMacAddress(text), valid);
}

// What an address stands for, so that a value read back compares equal to
// the same value written in another spelling.
void TestValueChecks::addressBytes_data() {
    QTest::addColumn<bool>("mac");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // hexadecimal; empty: invalid
    QTest::newRow("ip plain") << false << "1.2.3.4" << QByteArray("01020304");
    QTest::newRow("ip leading zero") << false << "010.0.0.1" << QByteArray("0a000001");
    QTest::newRow("ip hexadecimal parts") << false << "0x7F.$0.x1.0" << QByteArray("7f000100");
    QTest::newRow("ip invalid") << false << "1.2.3.256" << QByteArray();
    QTest::newRow("mac pairs") << true << "00-1A-2B-3C-4D-5E" << QByteArray("001a2b3c4d5e");
    QTest::newRow("mac pair 11 is 0x11")
        << true << "00-1A-2B-3C-4D-11" << QByteArray("001a2b3c4d11");
    QTest::newRow("mac 0B and B alike") << true << "0-1a-2b-3c-4d-B" << QByteArray("001a2b3c4d0b");
    QTest::newRow("mac decimal 200 is no pair") << true << "200-10-2-3-4-FF" << QByteArray();
    QTest::newRow("mac prefixed hex") << true << "0x00-$1A-x2B-3C-4D-5E" << QByteArray();
    QTest::newRow("mac colons") << true << "00:1A:2B:3C:4D:5E" << QByteArray();
    QTest::newRow("mac invalid") << true << "00-1A-2B-3C-4D" << QByteArray();
}

void TestValueChecks::addressBytes() {
    QFETCH(bool, mac);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const std::optional<QByteArray> parsed = mac ? MacAddressBytes(text) : IpAddressBytes(text);
    QCOMPARE(parsed.has_value(), !bytes.isEmpty());
    if (parsed)
        QCOMPARE(parsed->toHex(), bytes);
}

void TestValueChecks::checkPort_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("1024") << "1024" << true;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("negative") << "-5" << false;
    QTest::newRow("highest") << "65535" << true;
    // Above 65535 a port wraps to another one (70000 would reach 4464).
    QTest::newRow("65536") << "65536" << false;
    QTest::newRow("70000") << "70000" << false;
    QTest::newRow("hex") << "$400" << true;
    QTest::newRow("leading blank") << " 502" << true;
    QTest::newRow("trailing blank") << "502 " << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "http" << false;
    QTest::newRow("overflow") << "4294967296" << false;
}

void TestValueChecks::checkPort() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(CheckPort(text), valid);
}

QTEST_GUILESS_MAIN(TestValueChecks)
#include "tst_valuechecks.moc"
