// The firmware image check: CRC, marker search, every code of the check, the
// version label text.
#include "FirmwareImage.h"
#include "ImageCheck.h"

#include <QtTest>

namespace {

QByteArray Built(int size = 5000) {
    return sim::BuildFirmwareImage(QStringLiteral("AB123"), QStringLiteral("01.02.03"), size);
}

// A sealed image around `payload`: "NS", its CRC and length.
QByteArray Sealed(const QByteArray& payload) {
    QByteArray image = QByteArray("NS") + QByteArray(14, '\0') + payload;
    sim::SealFirmwareImage(image);
    return image;
}

} // namespace

class TestImageCheck : public QObject {
    Q_OBJECT
private slots:
    void crc_data();
    void crc();
    void findMarker_data();
    void findMarker();
    void check_data();
    void check();
    void labelText();
};

void TestImageCheck::crc_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("crc");
    // The published check value of CRC-16/MODBUS, and a ModBus request whose
    // CRC travels as C5 CD.
    QTest::newRow("check value") << QByteArray("123456789") << 0x4B37;
    QTest::newRow("modbus request") << QByteArray::fromHex("01030000000A") << 0xCDC5;
    QTest::newRow("nothing") << QByteArray() << 0xFFFF;
    // Eight bytes at a time and a tail: every table and the byte step.
    QTest::newRow("two check strings") << QByteArray("123456789123456789") << 0x090A;
    QByteArray pattern(4099, Qt::Uninitialized);
    for (int i = 0; i < pattern.size(); ++i)
        pattern[i] = char((i * 7 + 3) & 0xFF);
    QTest::newRow("4,099 bytes") << pattern << 0x3BE3;
}

void TestImageCheck::crc() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, crc);
    QCOMPARE(Crc16Compute(bytes.constData(), bytes.size()), uint16_t(crc));
    uint16_t running = 0xFFFF;
    for (char b : bytes)
        running = Crc16Update(running, uint8_t(b));
    QCOMPARE(running, uint16_t(crc));
}

void TestImageCheck::findMarker_data() {
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<qsizetype>("offset");
    QTest::newRow("at the start") << QByteArray("RK5720ETH_x") << qsizetype(0);
    QTest::newRow("first of two") << QByteArray("aRK5720ETH_RK5720ETH_x") << qsizetype(1);
    QTest::newRow("ending at the last byte") << QByteArray("xxRK5720ETH_") << qsizetype(-1);
    QTest::newRow("shorter than the pattern") << QByteArray("RK57") << qsizetype(-1);
    QTest::newRow("empty") << QByteArray() << qsizetype(-1);
}

void TestImageCheck::findMarker() {
    QFETCH(QByteArray, buffer);
    QFETCH(qsizetype, offset);
    // Over an exact-size copy, so the sanitizers see any read past it.
    std::vector<char> exact(buffer.begin(), buffer.end());
    QCOMPARE(FindMarker(exact.data(), kImageMarker, kImageMarkerSize, qsizetype(exact.size())),
             offset);
}

void TestImageCheck::check_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("version");
    const QByteArray good = Built();
    QTest::newRow("valid") << good << int(ImageOk) << QByteArray("AB123");
    QTest::newRow("empty") << QByteArray() << int(ImageEmpty) << QByteArray();
    QTest::newRow("one byte") << QByteArray("N") << int(ImageBadHeader) << QByteArray();
    QTest::newRow("header only, 15 bytes") << good.left(15) << int(ImageBadHeader) << QByteArray();
    QByteArray signature = good;
    signature[0] = 'M';
    signature[700] = 'Q'; // the CRC is wrong too: the signature is reported
    QTest::newRow("signature") << signature << int(ImageBadHeader) << QByteArray();
    QByteArray crcHigh = good;
    crcHigh[3] = char(crcHigh[3] ^ 1);
    QTest::newRow("crc high byte") << crcHigh << int(ImageBadCrc) << QByteArray();
    QTest::newRow("truncated") << good.left(good.size() - 3) << int(ImageBadCrc) << QByteArray();
    QByteArray length = good;
    length[6] = 1;
    QTest::newRow("length high byte") << length << int(ImageBadLength) << QByteArray();
    QTest::newRow("no marker") << Sealed(QByteArray(300, 'a')) << int(ImageNoMarker)
                               << QByteArray();
    // The date would end one byte past the image.
    const QByteArray nearEnd = Sealed(QByteArray(100, 'a') + "RK5720ETH_" + "1.00A 01.02.0");
    QTest::newRow("date past the end") << nearEnd << int(ImageNoMarker) << QByteArray();
    QTest::newRow("date ends at the last byte but one")
        << Sealed(QByteArray(100, 'a') + "RK5720ETH_" + "1.00A 01.02.08" + "z") << int(ImageOk)
        << QByteArray("1.00A");
    QTest::newRow("two markers: the first counts")
        << Sealed("RK5720ETH_2.00B 02.02.02 RK5720ETH_3.00C 03.03.03 ") << int(ImageOk)
        << QByteArray("2.00B");
    QTest::newRow("largest") << Built(kImageMaxSize) << int(ImageOk) << QByteArray("AB123");
}

void TestImageCheck::check() {
    QFETCH(QByteArray, image);
    QFETCH(int, code);
    QFETCH(QByteArray, version);
    std::vector<char> exact(image.begin(), image.end());
    const ImageCheck c = CheckImage(exact.data(), qsizetype(exact.size()));
    QCOMPARE(c.code, code);
    QCOMPARE(c.version, version);
}

void TestImageCheck::labelText() {
    const ImageCheck c = CheckImage(Built().constData(), 5000);
    QCOMPARE(c.LabelText(), QStringLiteral("AB123  (01.02.03)"));
    QCOMPARE(c.LabelText().size(), 17);
    const QStringList messages = {"File not open", "File is too long",  "Error in file header",
                                  "Error CRC",     "Error file length", "Error in file"};
    for (int code = ImageEmpty; code <= ImageNoMarker; ++code)
        QCOMPARE(ImageCheckMessage(code), messages[code - ImageEmpty]);
}

QTEST_GUILESS_MAIN(TestImageCheck)
#include "tst_imagecheck.moc"
