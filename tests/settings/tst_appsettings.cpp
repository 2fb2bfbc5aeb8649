#include "AppSettings.h"
#include "PrivateProfile.h"
#include "ProfileFileIo.h"

#include "ChildProcess.h"
#include "FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>
#include <functional>
#include <limits>

#include <sys/stat.h>

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

QByteArray foreignKeys(int count) {
    QByteArray out = "[OtherTool]\n";
    for (int i = 0; i < count; ++i)
        out += "Foreign" + QByteArray::number(i) + "=value of another tool\n";
    return out;
}

// Every field away from its default.
AppSettings changedSettings() {
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
    return s;
}

// Runs in a child as the owner of a full tmpfs at `disk`; empty when all went as expected.
QString saveOnFullDisk(const QString& disk, bool inPlace, int fileNameLength, bool saved) {
    const QString path = disk + QStringLiteral("/RK5720LAN_Config.ini");
    const QByteArray before = kDefaultFile + foreignKeys(200);
    // Two pages of the tmpfs, with room to grow a little within the second.
    if (before.size() <= 4096 || before.size() > 8192 - 100)
        return QStringLiteral("file of %1 bytes").arg(before.size());
    writeBytes(path, before);
    QFile filler(disk + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("no filler");
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    if (inPlace && ::chmod(QFile::encodeName(disk).constData(), 0555) != 0)
        return QStringLiteral("chmod");
    AppSettings s = LoadSettings(path, kExe);
    s.FileName = QString(fileNameLength, QLatin1Char('n'));
    QString error;
    if (SaveSettings(path, s, &error) != saved)
        return QStringLiteral("save gave %1: %2").arg(!saved).arg(error);
    if (!saved && error != QStringLiteral("Unable to write to ") + path)
        return QStringLiteral("error: ") + error;
    if (saved ? LoadSettings(path, kExe).FileName != s.FileName : readBytes(path) != before)
        return QStringLiteral("file afterwards: ") + QString::fromUtf8(readBytes(path).right(300));
    const QStringList left =
        QDir(disk).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    if (left != QStringList{QStringLiteral("RK5720LAN_Config.ini"), QStringLiteral("filler")})
        return QStringLiteral("left behind: ") + left.join(QLatin1Char(' '));
    return QString();
}

// The least processor time of five runs, in nanoseconds: waiting for the disk
// and for other processes does not count.
qint64 leastCpuOf5(const std::function<void()>& run) {
    const auto cpuNow = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    qint64 least = std::numeric_limits<qint64>::max();
    for (int i = 0; i < 5; ++i) {
        const qint64 start = cpuNow();
        run();
        least = std::min(least, cpuNow() - start);
    }
    return least;
}

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
    void saveOnFullDiskKeepsFile_data();
    void saveOnFullDiskKeepsFile();
    void saveKeeps1251_data();
    void saveKeeps1251();
    void unusableFileGivesDefaultsAndMessage_data();
    void unusableFileGivesDefaultsAndMessage();
    void killDuringSaveLeavesOldOrNew();
    void largeFileIsReadAndWrittenOnce();
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
    const AppSettings s = changedSettings();
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

void TestAppSettings::saveOnFullDiskKeepsFile_data() {
    QTest::addColumn<bool>("inPlace"); // the folder refuses a new file beside the old
    QTest::addColumn<int>("fileNameLength");
    QTest::addColumn<bool>("saved");
    QTest::newRow("replaced beside it") << false << 10 << false;
    QTest::newRow("in place, growing by a page") << true << 3000 << false;
    QTest::newRow("in place, within its pages") << true << 10 << true;
}

void TestAppSettings::saveOnFullDiskKeepsFile() {
    QFETCH(bool, inPlace);
    QFETCH(int, fileNameLength);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const QString disk = dir.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkdir(disk));
    QVERIFY(GiveToNobody({dir.path()}));
    ChildSetup setup;
    setup.tmpfsAt = disk;
    setup.tmpfsBytes = 64 * 1024;
    setup.unprivileged = true;
    RK_VERIFY_CHILD(
        RunInChild(setup, [=] { return saveOnFullDisk(disk, inPlace, fileNameLength, saved); }));
}

void TestAppSettings::saveKeeps1251_data() {
    QTest::addColumn<QString>("editNum");
    QTest::addColumn<QString>("refusal"); // part of the error; empty when all is saved
    QTest::addColumn<QByteArray>("editNumLine");
    const QByteArray old = "EditNum=\xCF\xF0\xEE\xE1\xE0";
    QTest::newRow("Cyrillic written in 1251")
        << QString::fromUtf8("Тест") << QString() << QByteArray("EditNum=\xD2\xE5\xF1\xF2");
    QTest::newRow("text outside 1251 refused")
        << QString::fromUtf8("日本") << "EditNum not saved, as the file's code page" << old;
    QTest::newRow("the last bytes that mark 1251 kept")
        << QStringLiteral("BA001") << "EditNum not saved, as without the old text" << old;
}

void TestAppSettings::saveKeeps1251() {
    QFETCH(QString, editNum);
    QFETCH(QString, refusal);
    QFETCH(QByteArray, editNumLine);
    // "C:\FW\ВёР°.bin" in 1251 is also valid UTF-8 ("C:\FW\¸а.bin"): only
    // EditNum's bytes show that the file is 1251.
    const QByteArray file = "[Programming]\nFileName=C:\\FW\\\xC2\xB8\xD0\xB0.bin\n"
                            "[Testing]\nEditNum=\xCF\xF0\xEE\xE1\xE0\n";
    const QString fileName = QString::fromUtf8("C:\\FW\\ВёР°.bin");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
    writeBytes(path, file);
    AppSettings s = LoadSettings(path, kExe);
    QCOMPARE(s.FileName, fileName);
    s.EditNum = editNum;
    s.Port = QStringLiteral("502");
    QString error;
    QCOMPARE(SaveSettings(path, s, &error), refusal.isEmpty());
    if (!refusal.isEmpty())
        QVERIFY2(
            error.startsWith(QStringLiteral("Unable to write to ") + path + QStringLiteral(": ")) &&
                error.contains(refusal),
            qPrintable(error));
    QVERIFY2(readBytes(path).split('\n').contains(editNumLine), readBytes(path).constData());
    const AppSettings r = LoadSettings(path, kExe);
    QCOMPARE(r.FileName, fileName);
    QCOMPARE(r.Port, QStringLiteral("502"));
}

void TestAppSettings::unusableFileGivesDefaultsAndMessage_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason"); // empty: the file is read and written
    QTest::newRow("larger than 16 MB") << "too large"
                                       << "it is larger than 16 MB";
    QTest::newRow("16 MB exactly") << "16 MB" << QString();
    QTest::newRow("named pipe") << "pipe"
                                << "it is not a regular file";
    QTest::newRow("UTF-16 with a cut-off character") << "cut-off UTF-16"
                                                     << "it is not valid UTF-16";
    QTest::newRow("unreadable") << "unreadable"
                                << "it cannot be read";
}

void TestAppSettings::unusableFileGivesDefaultsAndMessage() {
    QFETCH(QString, how);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
    QByteArray file = "[IPParams]\nAddr=10.0.0.1\n; ";
    if (how == QLatin1String("too large") || how == QLatin1String("16 MB"))
        file += QByteArray(
            rk::kProfileFileMax - file.size() + (how == QLatin1String("16 MB") ? 0 : 1), 'x');
    if (how == QLatin1String("cut-off UTF-16"))
        file = Utf16WithBom(file.constData(), true) + 'x';
    ChildSetup setup;
    if (how == QLatin1String("pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        writeBytes(path, file);
    }
    if (how == QLatin1String("unreadable")) {
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        QVERIFY(GiveToNobody({dir.path(), path}));
        setup.unprivileged = true;
    }
    // In a child, so that waiting on the pipe fails the test instead of hanging it.
    RK_VERIFY_CHILD(RunInChild(setup, [=] {
        QString warning = QStringLiteral("stale");
        const AppSettings s = LoadSettings(path, kExe, &warning);
        const QString expected =
            reason.isEmpty()
                ? QString()
                : QStringLiteral("Unable to read %1: %2; the settings start from their "
                                 "defaults")
                      .arg(path, reason);
        if (warning != expected)
            return QStringLiteral("warning: ") + warning;
        if (s.Addr != (reason.isEmpty() ? QStringLiteral("10.0.0.1") : AppSettings().Addr))
            return QStringLiteral("Addr: ") + s.Addr;
        QString error;
        const bool saved = SaveSettings(path, s, &error);
        if (saved != reason.isEmpty() ||
            (!saved && error != QStringLiteral("Unable to write to %1: %2").arg(path, reason)))
            return QStringLiteral("save: ") + error;
        return QString();
    }));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    if (!reason.isEmpty() && how != QLatin1String("pipe"))
        QCOMPARE(readBytes(path), file);
}

void TestAppSettings::killDuringSaveLeavesOldOrNew() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
    const QString copy = dir.filePath(QStringLiteral("copy.ini"));
    writeBytes(path, foreignKeys(30000));
    QString error;
    QVERIFY(SaveSettings(path, AppSettings(), &error));
    const QByteArray oldBytes = readBytes(path);
    QVERIFY(QFile::copy(path, copy));
    QVERIFY(SaveSettings(copy, changedSettings(), &error));
    const QByteArray newBytes = readBytes(copy);
    const QByteArray native = QFile::encodeName(path);
    struct stat before {};
    QCOMPARE(::stat(native.constData(), &before), 0);

    const pid_t pid = ::fork();
    QVERIFY(pid >= 0);
    if (pid == 0)
        ::_exit(SaveSettings(path, changedSettings(), nullptr) ? 0 : 1);
    // Killed the moment the file is first replaced: one save, one replacement.
    int status = 0;
    bool ended = false;
    QVERIFY(QTest::qWaitFor(
        [&] {
            struct stat now {};
            ended = ::waitpid(pid, &status, WNOHANG) == pid;
            return ended || (::stat(native.constData(), &now) == 0 && now.st_ino != before.st_ino);
        },
        30000));
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    const QByteArray after = readBytes(path);
    QVERIFY2(after == oldBytes || after == newBytes, "a mix of old and new settings");
}

void TestAppSettings::largeFileIsReadAndWrittenOnce() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
    writeBytes(path, foreignKeys(150000) + kDefaultFile);
    QVERIFY(QFileInfo(path).size() > 5 * 1024 * 1024);
    const AppSettings s = changedSettings();
    QString error;
    QVERIFY(SaveSettings(path, s, &error));
    QCOMPARE(LoadSettings(path, kExe).FileName, s.FileName);
    // Against a single key read or written on its own, which takes one pass over
    // the file; nineteen passes each would cost about nineteen times as much.
    const qint64 oneRead =
        leastCpuOf5([&] { rk::GetPrivateProfileString(u"Testing", u"EditNum", QString(), path); });
    const qint64 load = leastCpuOf5([&] { LoadSettings(path, kExe); });
    const qint64 oneWrite = leastCpuOf5(
        [&] { rk::WritePrivateProfileString(u"Testing", u"EditNum", s.EditNum, path); });
    const qint64 save = leastCpuOf5([&] { SaveSettings(path, s, &error); });
    QVERIFY2(load < 6 * oneRead,
             qPrintable(QStringLiteral("%1 ns against %2").arg(load).arg(oneRead)));
    QVERIFY2(save < 6 * oneWrite,
             qPrintable(QStringLiteral("%1 ns against %2").arg(save).arg(oneWrite)));
}

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
