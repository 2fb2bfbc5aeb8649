#include "DeviceState.h"
#include "FirmwareImage.h"
#include "SimCommandLine.h"
#include "Version.h"

#include <QProcess>
#include <QtTest>

using namespace sim;

class TestSimImage : public QObject {
    Q_OBJECT
private slots:
    void crcCheckValue();
    void findMarkerSkipsOccurrenceAtTheVeryEnd();
    void check_data();
    void check();
    void builtImagesAreValid_data();
    void builtImagesAreValid();
    void installTakesVersionFromMarker();
    void floatByteOrders();
    void commandLine_data();
    void commandLine();
    void commandLineRejects_data();
    void commandLineRejects();
    void versionWithoutDisplay();
};

void TestSimImage::crcCheckValue() {
    QCOMPARE(Crc16Compute("123456789", 9), uint16_t(0x4B37));
    QCOMPARE(Crc16Compute("", 0), uint16_t(0xFFFF));
}

void TestSimImage::findMarkerSkipsOccurrenceAtTheVeryEnd() {
    const QByteArray text = "xxRK5720ETH_";
    QCOMPARE(FindMarker(text.constData(), "RK5720ETH_", 10, text.size()), qsizetype(-1));
    const QByteArray longer = text + "y";
    QCOMPARE(FindMarker(longer.constData(), "RK5720ETH_", 10, longer.size()), qsizetype(2));
    QCOMPARE(FindMarker("RK", "RK5720ETH_", 10, 2), qsizetype(-1));
}

void TestSimImage::check_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<int>("code");
    const QByteArray good =
        BuildFirmwareImage(QStringLiteral("AB123"), QStringLiteral("01.02.03"), 5000);
    QTest::newRow("good") << good << good.size() << int(ImageOk);
    QTest::newRow("empty") << QByteArray() << qsizetype(0) << int(ImageEmpty);
    QTest::newRow("shorter than header") << good.left(10) << qsizetype(10) << int(ImageBadHeader);
    QByteArray sig = good;
    sig[1] = 'X';
    sig[600] = 'Q'; // the CRC is wrong too: the signature is reported first
    QTest::newRow("signature") << sig << sig.size() << int(ImageBadHeader);
    QTest::newRow("truncated") << good.left(4990) << qsizetype(4990) << int(ImageBadCrc);
    QByteArray len = good;
    len[4] = static_cast<char>(len[4] + 1);
    QTest::newRow("length off by one") << len << len.size() << int(ImageBadLength);
    QByteArray noMarker = good;
    noMarker.replace(noMarker.indexOf("RK5720ETH_"), 2, "rk");
    SealFirmwareImage(noMarker);
    QTest::newRow("no marker") << noMarker << noMarker.size() << int(ImageNoMarker);
    // A marker whose date would run past the end is no marker.
    QByteArray tail(100, 'a');
    tail[0] = 'N';
    tail[1] = 'S';
    tail.replace(tail.size() - 20, 10, "RK5720ETH_");
    SealFirmwareImage(tail);
    QTest::newRow("marker too near the end") << tail << tail.size() << int(ImageNoMarker);
    // Shorter length than the buffer: only the length counts (filler ignored).
    QTest::newRow("filler past the length")
        << good + QByteArray(1000, '\x11') << good.size() << int(ImageOk);
}

void TestSimImage::check() {
    QFETCH(QByteArray, image);
    QFETCH(qsizetype, length);
    QFETCH(int, code);
    QCOMPARE(CheckImage(image, length).code, code);
}

void TestSimImage::builtImagesAreValid_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("smallest") << 64;
    QTest::newRow("one block") << 1024;
    QTest::newRow("one block and a byte") << 1025;
    QTest::newRow("default") << kDefaultImageSize;
    QTest::newRow("largest") << kImageMaxSize;
}

void TestSimImage::builtImagesAreValid() {
    QFETCH(int, size);
    const QByteArray image =
        BuildFirmwareImage(QStringLiteral("1.2"), QStringLiteral("01.02.08"), size);
    QCOMPARE(image.size(), size);
    const ImageCheck c = CheckImage(image);
    QCOMPARE(c.code, int(ImageOk));
    QCOMPARE(c.version, QByteArray("1.2  "));
    QCOMPARE(c.date, QByteArray("01.02.08"));
    QCOMPARE(image.count("RK5720ETH_"), qsizetype(1));
}

void TestSimImage::installTakesVersionFromMarker() {
    DeviceState state = DeviceState::Defaults();
    QVERIFY(CheckImage(state.image).ok());
    QVERIFY(state.image.size() > 40000 && state.image.size() < 42000);
    state.install(BuildFirmwareImage(QStringLiteral("3.1"), QStringLiteral("09.09.09"), 2000));
    QCOMPARE(state.version, QStringLiteral("3.1"));
    QCOMPARE(state.date, QStringLiteral("09.09.09"));
}

void TestSimImage::floatByteOrders() {
    // 101.25 is 42 CA 80 00, most significant byte first.
    const QList<QByteArray> wire = {
        QByteArray::fromHex("800042CA"), QByteArray::fromHex("0080CA42"),
        QByteArray::fromHex("42CA8000"), QByteArray::fromHex("CA420080")};
    for (int order = 0; order < 4; ++order) {
        uint8_t bytes[4];
        EncodeFloat(101.25f, order, bytes);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes), 4).toHex(), wire[order].toHex());
        QCOMPARE(DecodeFloat(bytes, order), 101.25f);
    }
}

void TestSimImage::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("check");
    QTest::newRow("defaults") << QStringList{} << "defaults";
    QTest::newRow("listen") << QStringList{"--listen", "127.0.0.2:15020"} << "listen";
    QTest::newRow("faults") << QStringList{"--silent-for",
                                           "?version,readbuf",
                                           "--delay",
                                           "250",
                                           "--split-pieces",
                                           "3",
                                           "--split-gap",
                                           "30",
                                           "--merge",
                                           "--reject",
                                           "gw,*",
                                           "--writesoft-busy",
                                           "--upgrade-fail",
                                           "--no-come-back",
                                           "--stall-readsoft",
                                           "7",
                                           "--old-readsoft",
                                           "--drop-after",
                                           "3",
                                           "--oversize-image",
                                           "--silent"}
                            << "faults";
    QTest::newRow("restart delay") << QStringList{"--restart-delay", "100"} << "restart";
    QTest::newRow("idle timeout") << QStringList{"--idle-timeout", "90"} << "idle";
    QTest::newRow("idle timeout off") << QStringList{"--idle-timeout", "0"} << "idle off";
}

void TestSimImage::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(QString, check);
    SimCommandLine o;
    QString error;
    QVERIFY2(ParseSimCommandLine(QStringList{"rk5720-sim"} + args, o, error), qPrintable(error));
    if (check == QLatin1String("defaults")) {
        QCOMPARE(o.server.address, QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(o.server.port, uint16_t(1024));
        QCOMPARE(o.server.restartDelayMs, 3000);
        QVERIFY(!o.faults.silentAll && o.faults.answerPieces == 1 &&
                o.faults.dropAfterCommands < 0);
        QCOMPARE(o.server.limits.idleTimeoutMs, 60000);
        QVERIFY(!o.showVersion);
    } else if (check == QLatin1String("listen")) {
        QCOMPARE(o.server.address, QHostAddress(QStringLiteral("127.0.0.2")));
        QCOMPARE(o.server.port, uint16_t(15020));
    } else if (check == QLatin1String("faults")) {
        const SimFaults& f = o.faults;
        QCOMPARE(f.silentCommands, (QStringList{"?VERSION", "READBUF"}));
        QCOMPARE(f.answerDelayMs, 250);
        QVERIFY(f.answerPieces == 3 && f.mergeAnswers && f.silentAll);
        QCOMPARE(f.splitGapMs, 30);
        QCOMPARE(f.rejectKeys, (QStringList{"GW", "*"}));
        QVERIFY(f.writeSoftBusy && f.upgradeFail && f.noComeBack && f.oldReadSoft &&
                f.oversizeImageHeader);
        QCOMPARE(f.stallReadSoftAt, 7);
        QCOMPARE(f.dropAfterCommands, 3);
    } else if (check == QLatin1String("idle")) {
        QCOMPARE(o.server.limits.idleTimeoutMs, 90000);
    } else if (check == QLatin1String("idle off")) {
        QCOMPARE(o.server.limits.idleTimeoutMs, 0);
    } else {
        QCOMPARE(o.server.restartDelayMs, 100);
    }
}

void TestSimImage::commandLineRejects_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("external address") << QStringList{"--listen", "192.0.2.1:1024"};
    QTest::newRow("all interfaces") << QStringList{"--listen", "0.0.0.0:1024"};
    QTest::newRow("no port") << QStringList{"--listen", "127.0.0.1"};
    QTest::newRow("host name") << QStringList{"--listen", "localhost:1024"};
    QTest::newRow("bad delay") << QStringList{"--delay", "soon"};
    QTest::newRow("drop after 0") << QStringList{"--drop-after", "0"};
    QTest::newRow("unknown option") << QStringList{"--frobnicate"};
    QTest::newRow("negative idle timeout") << QStringList{"--idle-timeout", "-1"};
    // Would overflow the milliseconds.
    QTest::newRow("idle timeout too long") << QStringList{"--idle-timeout", "2147484"};
}

void TestSimImage::commandLineRejects() {
    QFETCH(QStringList, args);
    SimCommandLine o;
    QString error;
    QVERIFY(!ParseSimCommandLine(QStringList{"rk5720-sim"} + args, o, error));
    QVERIFY(!error.isEmpty());
}

void TestSimImage::versionWithoutDisplay() {
    QProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    sim.setProcessEnvironment(env);
    sim.start(QStringLiteral(RK_SIM_PATH), {QStringLiteral("--version")});
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QCOMPARE(sim.readAllStandardOutput(), QByteArray("rk5720-sim " RK_VERSION_STRING "\n"));
    QCOMPARE(sim.readAllStandardError(), QByteArray());
}

QTEST_GUILESS_MAIN(TestSimImage)
#include "tst_sim_image.moc"
