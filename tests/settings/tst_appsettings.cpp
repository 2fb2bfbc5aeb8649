#include "AppSettings.h"

#include "FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kExe = QStringLiteral("/opt/rk/");

// Spelled out here rather than taken from the code's own table, so a key that
// lands in the wrong member is caught.
QVariant member(const AppSettings& s, const QString& key) {
    const QHash<QString, QVariant> all = {
        {QStringLiteral("Port"), s.Port},
        {QStringLiteral("Addr"), s.Addr},
        {QStringLiteral("NetMask"), s.NetMask},
        {QStringLiteral("GW"), s.GW},
        {QStringLiteral("MAC"), s.MAC},
        {QStringLiteral("PackFloat"), s.PackFloat},
        {QStringLiteral("SpeedDup"), s.SpeedDup},
        {QStringLiteral("CheckAddr"), s.CheckAddr},
        {QStringLiteral("CheckMask"), s.CheckMask},
        {QStringLiteral("CheckPort"), s.CheckPort},
        {QStringLiteral("CheckGW"), s.CheckGW},
        {QStringLiteral("CheckMac"), s.CheckMac},
        {QStringLiteral("CheckPackFloat"), s.CheckPackFloat},
        {QStringLiteral("CheckSpeedDup"), s.CheckSpeedDup},
        {QStringLiteral("CheckRestart"), s.CheckRestart},
        {QStringLiteral("InitialDir"), s.InitialDir},
        {QStringLiteral("FileName"), s.FileName},
        {QStringLiteral("EditNum"), s.EditNum},
        {QStringLiteral("EditModBus"), s.EditModBus},
    };
    return all.value(key);
}

const char kDefaultFile[] = "[IPParams]\n"
                            "Port=1024\n"
                            "Addr=192.168.100.222\n"
                            "NetMask=255.255.255.0\n"
                            "GW=192.168.100.5\n"
                            "MAC=------\n"
                            "[ModBusParams]\n"
                            "PackFloat=0\n"
                            "SpeedDup=0\n"
                            "[Common]\n"
                            "CheckAddr=1\n"
                            "CheckMask=1\n"
                            "CheckPort=1\n"
                            "CheckGW=0\n"
                            "CheckMac=0\n"
                            "CheckPackFloat=0\n"
                            "CheckSpeedDup=0\n"
                            "CheckRestart=1\n"
                            "[Programming]\n"
                            "InitialDir=/opt/rk/\n"
                            "FileName=\n"
                            "[Testing]\n"
                            "EditNum=BA001\n"
                            "EditModBus=02 03 00 00 00 06 01 04 00 00 00 20\n";

} // namespace

class TestAppSettings : public QObject {
    Q_OBJECT
private slots:
    void noFileGivesDefaults();
    void saveCreatesAllKeys();
    void loadValue_data();
    void loadValue();
    void roundTripKeepsEveryField();
    void saveKeepsForeignLines();
    void failedSaveReportsPath();
    void defaultPathBesideExecutable();
};

void TestAppSettings::noFileGivesDefaults() {
    QTemporaryDir dir;
    const AppSettings s = LoadSettings(dir.filePath(QStringLiteral("RK5720LAN_Config.ini")), kExe);
    QCOMPARE(s.Port, QStringLiteral("1024"));
    QCOMPARE(s.Addr, QStringLiteral("192.168.100.222"));
    QCOMPARE(s.NetMask, QStringLiteral("255.255.255.0"));
    QCOMPARE(s.GW, QStringLiteral("192.168.100.5"));
    QCOMPARE(s.MAC, QStringLiteral("------"));
    QCOMPARE(s.PackFloat, 0);
    QCOMPARE(s.SpeedDup, 0);
    QCOMPARE(s.CheckAddr, true);
    QCOMPARE(s.CheckMask, true);
    QCOMPARE(s.CheckPort, true);
    QCOMPARE(s.CheckGW, false);
    QCOMPARE(s.CheckMac, false);
    QCOMPARE(s.CheckPackFloat, false);
    QCOMPARE(s.CheckSpeedDup, false);
    QCOMPARE(s.CheckRestart, true);
    QCOMPARE(s.InitialDir, kExe);
    QCOMPARE(s.FileName, QString());
    QCOMPARE(s.EditNum, QStringLiteral("BA001"));
    QCOMPARE(s.EditModBus, QStringLiteral("02 03 00 00 00 06 01 04 00 00 00 20"));
}

void TestAppSettings::saveCreatesAllKeys() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
    QString error = QStringLiteral("untouched");
    QVERIFY(SaveSettings(path, LoadSettings(path, kExe), &error));
    QCOMPARE(error, QStringLiteral("untouched"));
    QCOMPARE(readBytes(path), QByteArray(kDefaultFile));
    // A second save of the same values changes nothing.
    QVERIFY(SaveSettings(path, LoadSettings(path, kExe), &error));
    QCOMPARE(readBytes(path), QByteArray(kDefaultFile));
}

void TestAppSettings::loadValue_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QByteArray>("savedLine"); // the key's line after a save

    QTest::newRow("CheckGW=5 is ticked, saved as 1")
        << QByteArray("[Common]\nCheckGW=5\n") << "CheckGW" << QVariant(true)
        << QByteArray("CheckGW=1");
    QTest::newRow("PackFloat=0x2 is 2") << QByteArray("[ModBusParams]\nPackFloat=0x2\n")
                                        << "PackFloat" << QVariant(2) << QByteArray("PackFloat=2");
    QTest::newRow("PackFloat=7 kept as 7")
        << QByteArray("[ModBusParams]\nPackFloat=7\n") << "PackFloat" << QVariant(7)
        << QByteArray("PackFloat=7");
    QTest::newRow("SpeedDup not a number gives 0")
        << QByteArray("[ModBusParams]\nSpeedDup=fast\n") << "SpeedDup" << QVariant(0)
        << QByteArray("SpeedDup=0");
    QTest::newRow("CheckRestart not a number gives ticked")
        << QByteArray("[Common]\nCheckRestart=no\n") << "CheckRestart" << QVariant(true)
        << QByteArray("CheckRestart=1");
    QTest::newRow("CheckAddr=0 unticks") << QByteArray("[Common]\ncheckaddr = 0\n") << "CheckAddr"
                                         << QVariant(false) << QByteArray("checkaddr=0");
    QTest::newRow("MAC from the file")
        << QByteArray("[ipparams]\nMAC=00-11-22-33-44-55\n") << "MAC"
        << QVariant(QStringLiteral("00-11-22-33-44-55")) << QByteArray("MAC=00-11-22-33-44-55");
    QTest::newRow("empty MAC is empty, not the default")
        << QByteArray("[IPParams]\nMAC=\n") << "MAC" << QVariant(QString()) << QByteArray("MAC=");
    QTest::newRow("InitialDir missing gives the exe folder")
        << QByteArray("[Programming]\nFileName=a.bin\n") << "InitialDir" << QVariant(kExe)
        << QByteArray("InitialDir=/opt/rk/");
    QTest::newRow("missing FileName stays empty")
        << QByteArray("[Programming]\nInitialDir=/x\n") << "FileName" << QVariant(QString())
        << QByteArray("FileName=");
    QTest::newRow("quoted EditModBus")
        << QByteArray("[Testing]\nEditModBus=\" 01 02 \"\n") << "EditModBus"
        << QVariant(QStringLiteral(" 01 02 ")) << QByteArray("EditModBus= 01 02 ");
    QTest::newRow("1251 FileName")
        << QByteArray("[Programming]\nFileName=C:\\\xCF\xF0\xEE\xE1\xE0.bin\n") << "FileName"
        << QVariant(QString::fromUtf8("C:\\Проба.bin"))
        << QByteArray("FileName=C:\\\xCF\xF0\xEE\xE1\xE0.bin");
}

void TestAppSettings::loadValue() {
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QVariant, expected);
    QFETCH(QByteArray, savedLine);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
    writeBytes(path, file);
    const AppSettings s = LoadSettings(path, kExe);
    QCOMPARE(member(s, key), expected);
    QString error;
    QVERIFY(SaveSettings(path, s, &error));
    QVERIFY2(readBytes(path).split('\n').contains(savedLine), readBytes(path).constData());
}

void TestAppSettings::roundTripKeepsEveryField() {
    AppSettings s;
    s.Port = QStringLiteral("502");
    s.Addr = QStringLiteral("10.0.0.1");
    s.NetMask = QStringLiteral("255.0.0.0");
    s.GW = QStringLiteral("10.0.0.254");
    s.MAC = QStringLiteral("00-AA-BB-CC-DD-EE");
    s.PackFloat = 3;
    s.SpeedDup = 4;
    s.CheckAddr = false;
    s.CheckMask = false;
    s.CheckPort = false;
    s.CheckGW = true;
    s.CheckMac = true;
    s.CheckPackFloat = true;
    s.CheckSpeedDup = true;
    s.CheckRestart = false;
    s.InitialDir = QStringLiteral("/home/user/fw/");
    s.FileName = QString::fromUtf8("/home/user/fw/прошивка.bin");
    s.EditNum = QStringLiteral("BA017");
    s.EditModBus = QStringLiteral("01 03 00 00 00 02");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
    QString error;
    QVERIFY(SaveSettings(path, s, &error));
    const AppSettings r = LoadSettings(path, kExe);
    for (const char* key :
         {"Port", "Addr", "NetMask", "GW", "MAC", "PackFloat", "SpeedDup", "CheckAddr", "CheckMask",
          "CheckPort", "CheckGW", "CheckMac", "CheckPackFloat", "CheckSpeedDup", "CheckRestart",
          "InitialDir", "FileName", "EditNum", "EditModBus"}) {
        const QString k = QLatin1String(key);
        QVERIFY2(member(r, k) == member(s, k), key);
        QVERIFY2(member(r, k) != member(AppSettings(), k) || k == QLatin1String("InitialDir"), key);
    }
}

void TestAppSettings::saveKeepsForeignLines() {
    const QByteArray before = "; RK5720 settings, edited by hand\r\n"
                              "\r\n"
                              "[Common]\r\n"
                              "  CHECKGW = 5   \r\n"
                              "Foreign=keep me ; not a comment\r\n"
                              "; CheckMac=1\r\n"
                              "\r\n"
                              "[OtherTool]\r\n"
                              "Port=9999\r\n"
                              "[IPParams]\r\n"
                              "Addr=10.1.1.1\r\n";
    const QByteArray after = "; RK5720 settings, edited by hand\r\n"
                             "\r\n"
                             "[Common]\r\n"
                             "CHECKGW=1\r\n"
                             "Foreign=keep me ; not a comment\r\n"
                             "CheckAddr=1\r\n"
                             "CheckMask=1\r\n"
                             "CheckPort=1\r\n"
                             "CheckMac=0\r\n"
                             "CheckPackFloat=0\r\n"
                             "CheckSpeedDup=0\r\n"
                             "CheckRestart=1\r\n"
                             "; CheckMac=1\r\n"
                             "\r\n"
                             "[OtherTool]\r\n"
                             "Port=9999\r\n"
                             "[IPParams]\r\n"
                             "Addr=10.1.1.1\r\n"
                             "Port=1024\r\n"
                             "NetMask=255.255.255.0\r\n"
                             "GW=192.168.100.5\r\n"
                             "MAC=------\r\n"
                             "[ModBusParams]\r\n"
                             "PackFloat=0\r\n"
                             "SpeedDup=0\r\n"
                             "[Programming]\r\n"
                             "InitialDir=/opt/rk/\r\n"
                             "FileName=\r\n"
                             "[Testing]\r\n"
                             "EditNum=BA001\r\n"
                             "EditModBus=02 03 00 00 00 06 01 04 00 00 00 20\r\n";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
    writeBytes(path, before);
    const AppSettings s = LoadSettings(path, kExe);
    QCOMPARE(s.Addr, QStringLiteral("10.1.1.1"));
    QCOMPARE(s.Port, QStringLiteral("1024")); // the other tool's Port is not ours
    QString error;
    QVERIFY(SaveSettings(path, s, &error));
    QCOMPARE(readBytes(path), after);
}

void TestAppSettings::failedSaveReportsPath() {
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("file"));
    writeBytes(blocker, "not a folder");
    // A regular file as parent blocks the write even for root.
    const QString path = blocker + QStringLiteral("/RK5720LAN_Config.ini");
    QString error;
    QVERIFY(!SaveSettings(path, AppSettings(), &error));
    QCOMPARE(error, QStringLiteral("Unable to write to ") + QDir::toNativeSeparators(path));
    QVERIFY(!SaveSettings(path, AppSettings(), nullptr));

    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const bool saved = SaveSettings(QStringLiteral("file/x.ini"), AppSettings(), &error);
    QVERIFY(QDir::setCurrent(cwd));
    QVERIFY(!saved);
    QCOMPARE(error, QStringLiteral("Unable to write to ") +
                        QDir::toNativeSeparators(dir.filePath(QStringLiteral("file/x.ini"))));
}

void TestAppSettings::defaultPathBesideExecutable() {
    QCOMPARE(ExecutableFolder(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    QCOMPARE(DefaultSettingsPath(),
             QCoreApplication::applicationDirPath() + QStringLiteral("/RK5720LAN_Config.ini"));
}

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
