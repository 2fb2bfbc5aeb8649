// The instrument link test's pure logic: instrument numbers, the read variant,
// ModBus request texts and the assembly of replies from arrivals.
#include "HexLine.h"
#include "InstrumentNumber.h"
#include "ModbusFrame.h"
#include "ValueChecks.h"

#include <QtTest>

#include <cstring>

class TestLinkTestLogic : public QObject {
    Q_OBJECT
private slots:
    void instrumentNumber_data();
    void instrumentNumber();
    void readVariant_data();
    void readVariant();
    void requestBytes_data();
    void requestBytes();
    void thousandsOfTokens();
    void replyArrivals_data();
    void replyArrivals();
    void replyFloats_data();
    void replyFloats();
    void exceptionNames();
    void hexDumpLine();
};

void TestLinkTestLogic::instrumentNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("number"); // empty: invalid
    const QString invalid;
    QTest::newRow("as typed") << "BA001"
                              << "BA001";
    QTest::newRow("padded to three digits") << "BA7"
                                            << "BA007";
    QTest::newRow("255 kept") << "BA255"
                              << "BA255";
    QTest::newRow("256 wraps") << "BA256"
                               << "BA056";
    QTest::newRow("300 wraps to 100") << "BA300"
                                      << "BA100";
    QTest::newRow("1000 wraps to 100") << "BA1000"
                                       << "BA100";
    QTest::newRow("blanks around") << "  BA001  "
                                   << "BA001";
    QTest::newRow("control characters around") << "\t\r\nBA001\x01\n"
                                               << "BA001";
    QTest::newRow("prefix case kept") << "ka010"
                                      << "ka010";
    QTest::newRow("blank and sign after prefix") << "BA +5"
                                                 << "BA005";
    QTest::newRow("hexadecimal after prefix") << "BA$FF"
                                              << "BA255";
    QTest::newRow("non-Latin prefix") << QString::fromUtf8("БА012") << QString::fromUtf8("БА012");
    QTest::newRow("zero") << "BA000" << invalid;
    QTest::newRow("negative") << "BA-5" << invalid;
    QTest::newRow("prefix only") << "BA" << invalid;
    QTest::newRow("one character") << "B" << invalid;
    QTest::newRow("empty") << "" << invalid;
    QTest::newRow("blanks only") << "     " << invalid;
    QTest::newRow("letter in number") << "BAZ1" << invalid;
    QTest::newRow("control character inside") << "BA0\x01"
                                                 "1"
                                              << invalid;
    QTest::newRow("non-Latin digits") << QString::fromUtf8("BA١٢٣") << invalid;
    QTest::newRow("overflowing 32 bits") << "BA99999999999" << invalid;
    QTest::newRow("very long text") << "BA" + QString(100000, QLatin1Char('7')) << invalid;
    QTest::newRow("control characters only") << QString(64, QChar(0x07)) << invalid;
}

void TestLinkTestLogic::instrumentNumber() {
    QFETCH(QString, text);
    QFETCH(QString, number);
    const std::optional<QString> parsed = ParseInstrumentNumber(text);
    QCOMPARE(parsed.value_or(QString()), number);
}

void TestLinkTestLogic::readVariant_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("code");
    for (const char* n : {"KA010", "LB020", "MX003", "RZ100"})
        QTest::newRow(n) << n << 128 << 145;
    for (const char* n : {"BA001", "ka010", "rz100", "ZK001"})
        QTest::newRow(n) << n << 129 << 193;
}

void TestLinkTestLogic::readVariant() {
    QFETCH(QString, number);
    QFETCH(int, length);
    QFETCH(int, code);
    const ReadVariant v = ChooseReadVariant(number);
    QCOMPARE(v.blockLength, length);
    QCOMPARE(v.readCode, code);
}

void TestLinkTestLogic::requestBytes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // empty: nothing to send
    const QByteArray standard = QByteArray::fromHex("020300000006010400000020");
    QTest::newRow("default") << "02 03 00 00 00 06 01 04 00 00 00 20" << standard;
    QTest::newRow("single digits") << "2 3 0 0 0 6 1 4 0 0 0 20" << standard;
    QTest::newRow("extra blanks") << "  02   03 00 00 00 06 01 04 00 00 00 20  " << standard;
    QTest::newRow("letter case") << "ff FF" << QByteArray::fromHex("FFFF");
    QTest::newRow("three digits keep the low byte") << "123" << QByteArray::fromHex("23");
    QTest::newRow("eight digits") << "DEADBEEF" << QByteArray::fromHex("EF");
    QTest::newRow("nine digits overflow") << "123456789" << QByteArray::fromHex("00");
    QTest::newRow("not hexadecimal") << "zz 01" << QByteArray::fromHex("0001");
    QTest::newRow("second prefix") << "0x02" << QByteArray::fromHex("00");
    QTest::newRow("comma") << "02,03" << QByteArray::fromHex("00");
    QTest::newRow("sign") << "-1 +1" << QByteArray::fromHex("0000");
    QTest::newRow("tab inside a token") << "02\t03 04" << QByteArray::fromHex("0004");
    QTest::newRow("tabs around") << "\t02 03\t" << QByteArray::fromHex("0203");
    QTest::newRow("non-Latin letters") << QString::fromUtf8("ДА 05") << QByteArray::fromHex("0005");
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("blanks only") << "    " << QByteArray();
    QTest::newRow("control characters only") << "\t\r\n" << QByteArray();
}

void TestLinkTestLogic::requestBytes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ModbusRequestBytes(text).value_or(QByteArray()), bytes);
}

void TestLinkTestLogic::thousandsOfTokens() {
    QStringList tokens;
    QByteArray expected;
    for (int i = 0; i < 5000; ++i) {
        tokens << QString::number(i % 256, 16);
        expected.append(char(i % 256));
    }
    QCOMPARE(ModbusRequestBytes(tokens.join(QLatin1Char(' '))).value_or(QByteArray()), expected);
}

void TestLinkTestLogic::replyArrivals_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QList<QByteArray>>("arrivals");
    QTest::addColumn<QString>("outcomes"); // one letter per arrival: N, P, C
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("left"); // bytes of the arrivals not taken
    const QByteArray standard = QByteArray::fromHex("020300000006010400000020");
    const QByteArray tx1 = QByteArray::fromHex("000100000006010400000020");
    using L = QList<QByteArray>;
    const auto hex = [](const char* h) { return QByteArray::fromHex(h); };

    QTest::newRow("normal") << standard << L{hex("020300000005010402AABB")} << "C"
                            << QStringList{"02 03 00 00 00 05 01 ", "04 02 AA BB "} << 0;
    QTest::newRow("exception") << standard << L{hex("020300000003018402")} << "C"
                               << QStringList{"02 03 00 00 00 03 01 ", "84 02 ",
                                              QString::fromUtf8("Ошибка 2")}
                               << 0;
    QTest::newRow("negative exception code")
        << standard << L{hex("0203000000030184F0")} << "C"
        << QStringList{"02 03 00 00 00 03 01 ", "84 F0 ", QString::fromUtf8("Ошибка -16")} << 0;
    QTest::newRow("transaction 00 01") << tx1 << L{hex("000100000005010402AABB")} << "C"
                                       << QStringList{"00 01 00 00 00 05 01 ", "04 02 AA BB "} << 0;
    // A device may answer any request with the default request's identifiers.
    QTest::newRow("fixed identifiers are a reply to 00 01 too")
        << tx1 << L{hex("020300000005010402AABB")} << "C"
        << QStringList{"02 03 00 00 00 05 01 ", "04 02 AA BB "} << 0;
    QTest::newRow("other identifiers are no reply to 00 01")
        << tx1 << L{hex("000200000005010402AABB")} << "N" << QStringList{} << 4;
    QTest::newRow("other protocol identifier")
        << standard << L{hex("020300010005010402AABB")} << "N" << QStringList{} << 4;
    QTest::newRow("length 0") << standard << L{hex("02030000000001")} << "N" << QStringList{} << 0;
    QTest::newRow("length 1") << standard << L{hex("02030000000101")} << "C"
                              << QStringList{"02 03 00 00 00 01 01 ", ""} << 0;
    QTest::newRow("length 2, exception code missing")
        << standard << L{hex("0203000000020184")} << "C"
        << QStringList{"02 03 00 00 00 02 01 ", "84 "} << 0;
    QTest::newRow("header short") << standard << L{hex("020300")} << "N" << QStringList{} << 0;
    QTest::newRow("PDU in two pieces")
        << standard << L{hex("02030000000501"), hex("0402"), hex("AABB")} << "PPC"
        << QStringList{"02 03 00 00 00 05 01 ", "04 02 AA BB "} << 0;
    QTest::newRow("length beyond what arrives")
        << standard << L{hex("0203000000430104")} << "P" << QStringList{} << 0;
    QTest::newRow("more than announced")
        << standard << L{hex("020300000003018402") + "NO;"} << "C"
        << QStringList{"02 03 00 00 00 03 01 ", "84 02 ", QString::fromUtf8("Ошибка 2")} << 3;
    QTest::newRow("largest length")
        << standard << L{hex("02030000FFFF01") + QByteArray(70000, 'x')} << "C"
        << QStringList{"02 03 00 00 FF FF 01 ", QStringLiteral("78 ").repeated(kHexLineMaxBytes) +
                                                    QStringLiteral("... (65534 bytes)")}
        << 70000 - 65534;
    QTest::newRow("empty arrival") << standard << L{QByteArray()} << "N" << QStringList{} << 0;
}

void TestLinkTestLogic::replyArrivals() {
    QFETCH(QByteArray, request);
    QFETCH(QList<QByteArray>, arrivals);
    QFETCH(QString, outcomes);
    QFETCH(QStringList, lines);
    QFETCH(int, left);
    ModbusReplyReader reader;
    reader.Expect(request);
    QString got;
    QStringList shown;
    int remaining = 0;
    for (const QByteArray& arrival : arrivals) {
        qsizetype at = 0;
        const auto outcome = reader.Receive([&](char* buffer, int max) {
            const int n = int(qMin<qsizetype>(max, arrival.size() - at));
            std::memcpy(buffer, arrival.constData() + at, size_t(n));
            at += n;
            return n;
        });
        remaining += int(arrival.size() - at);
        switch (outcome) {
        case ModbusReplyReader::Outcome::NotReply:
            got += QLatin1Char('N');
            break;
        case ModbusReplyReader::Outcome::Pending:
            got += QLatin1Char('P');
            break;
        case ModbusReplyReader::Outcome::Complete:
            got += QLatin1Char('C');
            shown = ModbusReplyLines(reader.Header(), reader.Pdu());
            break;
        }
    }
    QCOMPARE(got, outcomes);
    QCOMPARE(shown, lines);
    QCOMPARE(remaining, left);
    QCOMPARE(reader.Pending(), outcomes.endsWith(QLatin1Char('P')));
}

// 101.25 is 42 CA 80 00, bytes 3..0; each order of the byte-order table
// puts them on the wire differently.
void TestLinkTestLogic::replyFloats_data() {
    QTest::addColumn<int>("order");
    QTest::addColumn<QByteArray>("pdu");
    QTest::addColumn<QList<float>>("values");
    const QList<float> one{101.25f};
    QTest::newRow("1-0-3-2") << 0 << QByteArray::fromHex("0304800042CA") << one;
    QTest::newRow("0-1-2-3") << 1 << QByteArray::fromHex("03040080CA42") << one;
    QTest::newRow("3-2-1-0") << 2 << QByteArray::fromHex("030442CA8000") << one;
    QTest::newRow("2-3-0-1") << 3 << QByteArray::fromHex("0304CA420080") << one;
    QTest::newRow("two values") << 2 << QByteArray::fromHex("030842CA80003F800000")
                                << QList<float>{101.25f, 1.0f};
    QTest::newRow("count shorter than data")
        << 2 << QByteArray::fromHex("030442CA80003F800000") << one;
    QTest::newRow("count past the data") << 2 << QByteArray::fromHex("03FF42CA80003F80") << one;
    QTest::newRow("no whole value") << 2 << QByteArray::fromHex("030342CA80") << QList<float>{};
    QTest::newRow("order outside the table")
        << 4 << QByteArray::fromHex("030442CA8000") << QList<float>{};
    QTest::newRow("function code only") << 2 << QByteArray::fromHex("03") << QList<float>{};
}

void TestLinkTestLogic::replyFloats() {
    QFETCH(int, order);
    QFETCH(QByteArray, pdu);
    QFETCH(QList<float>, values);
    QCOMPARE(ModbusReplyFloats(pdu, order), values);
    // The table the window shows is the one decoded here.
    QCOMPARE(PackFloatItems().size(), 4);
}

void TestLinkTestLogic::exceptionNames() {
    QCOMPARE(ModbusExceptionName(1), QStringLiteral("Illegal function"));
    QCOMPARE(ModbusExceptionName(2), QStringLiteral("Illegal data address"));
    QCOMPARE(ModbusExceptionName(11), QStringLiteral("Gateway target device failed to respond"));
    QVERIFY(ModbusExceptionName(0).isEmpty());
    QVERIFY(ModbusExceptionName(7).isEmpty());
}

void TestLinkTestLogic::hexDumpLine() {
    QCOMPARE(HexDumpLine(QByteArray()), QString());
    QCOMPARE(HexDumpLine(QByteArray::fromHex("0203ff0a")), QStringLiteral("02 03 FF 0A "));
}

QTEST_APPLESS_MAIN(TestLinkTestLogic)
#include "tst_linktestlogic.moc"
