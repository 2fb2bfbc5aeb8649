#include "AppSettings.h"
#include "PrivateProfile.h"
#include "SecondaryWindows.h"
#include "TChatForm.h"
#include "WindowFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using rk::GetPrivateProfileString;

QStringList KeyLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList keys;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (text.contains(QLatin1Char('=')) && !text.startsWith(QLatin1Char(';')))
            keys << text.section(QLatin1Char('='), 0, 0);
    }
    return keys;
}

} // namespace

class TestWindowSettings : public QObject, private WindowFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void noFileGivesDefaultsAndWritesAllKeys();
    void valuesSurviveRestart();
    void settingsValues_data();
    void settingsValues();
    void failedSaveStillCloses();

private:
    void Restart();
};

void TestWindowSettings::init() {
    InitFixture();
}

void TestWindowSettings::cleanup() {
    CleanupFixture();
}

void TestWindowSettings::Restart() {
    QVERIFY(window_->close());
    window_.reset();
    CreateWindow();
}

void TestWindowSettings::noFileGivesDefaultsAndWritesAllKeys() {
    CreateWindow();
    const Controls ui(*window_);
    QCOMPARE(ui.get<QLineEdit>("MEditIpAddr")->text(), QStringLiteral("192.168.100.222"));
    QCOMPARE(ui.get<QLineEdit>("MEditNetMask")->text(), QStringLiteral("255.255.255.0"));
    QCOMPARE(ui.get<QLineEdit>("MEditPort")->text(), QStringLiteral("1024"));
    QCOMPARE(ui.get<QLineEdit>("MEditGW")->text(), QStringLiteral("192.168.100.5"));
    QCOMPARE(ui.get<QLineEdit>("MEditMac")->text(), QStringLiteral("------"));
    QCOMPARE(ui.get<QComboBox>("CBoxPackFloat")->currentText(), QStringLiteral("1-0-3-2"));
    QCOMPARE(ui.get<QComboBox>("CBoxSpeedDup")->currentText(), QStringLiteral("Auto"));
    for (QCheckBox* on : {ui.get<QCheckBox>("CheckBoxIPAddr"), ui.get<QCheckBox>("CheckBoxMask"),
                          ui.get<QCheckBox>("CheckBoxPort"), ui.get<QCheckBox>("ChBoxRestart")})
        QVERIFY2(on->isChecked(), qPrintable(on->objectName()));
    for (QCheckBox* off :
         {ui.get<QCheckBox>("CheckBoxGW"), ui.get<QCheckBox>("CheckBoxMac"),
          ui.get<QCheckBox>("CheckBoxPackFloat"), ui.get<QCheckBox>("CheckBoxSpeedDup")})
        QVERIFY2(!off->isChecked(), qPrintable(off->objectName()));
    for (QWidget* disabled : {static_cast<QWidget*>(ui.get<QLineEdit>("MEditGW")),
                              static_cast<QWidget*>(ui.get<QLineEdit>("MEditMac")),
                              static_cast<QWidget*>(ui.get<QComboBox>("CBoxPackFloat")),
                              static_cast<QWidget*>(ui.get<QComboBox>("CBoxSpeedDup"))})
        QVERIFY2(!disabled->isEnabled(), qPrintable(disabled->objectName()));
    QCOMPARE(ui.get<QLineEdit>("EditNum")->text(), QStringLiteral("BA001"));
    QCOMPARE(ui.get<QLineEdit>("EditModBus")->text(),
             QStringLiteral("02 03 00 00 00 06 01 04 00 00 00 20"));
    QCOMPARE(ui.get<QLineEdit>("EditFileName")->text(), QString());
    QCOMPARE(window_->openDialog().InitialDir, ExecutableFolder());
    QVERIFY(!QFile::exists(settingsPath_));

    QVERIFY(window_->close());
    QVERIFY(errors_.isEmpty());
    QCOMPARE(KeyLines(settingsPath_),
             QStringList({"Port", "Addr", "NetMask", "GW", "MAC", "PackFloat", "SpeedDup",
                          "CheckAddr", "CheckMask", "CheckPort", "CheckGW", "CheckMac",
                          "CheckPackFloat", "CheckSpeedDup", "CheckRestart", "InitialDir",
                          "FileName", "EditNum", "EditModBus"}));
    QCOMPARE(GetPrivateProfileString(u"IPParams", u"MAC", QString(), settingsPath_),
             QStringLiteral("------"));
    QCOMPARE(GetPrivateProfileString(u"Common", u"CheckGW", QString(), settingsPath_),
             QStringLiteral("0"));
}

void TestWindowSettings::valuesSurviveRestart() {
    CreateWindow();
    {
        const Controls ui(*window_);
        RememberedParams& r = window_->device().remembered;
        r.LastAddr = QStringLiteral("127.0.0.9");
        r.LastNetMask = QStringLiteral("255.0.0.0");
        r.LastGW = QStringLiteral("127.0.0.1");
        r.LastMac = QStringLiteral("00-11-22-33-44-55");
        r.LastPort = QStringLiteral("5020");
        r.LastPackFloat = 3;
        r.LastSpeedDup = 4;
        // Typed but never written or connected with: not remembered.
        ui.get<QLineEdit>("MEditIpAddr")->setText(QStringLiteral("10.1.1.1"));
        ui.get<QCheckBox>("CheckBoxIPAddr")->click();
        ui.get<QCheckBox>("CheckBoxMac")->click();
        ui.get<QCheckBox>("CheckBoxSpeedDup")->click();
        ui.get<QCheckBox>("ChBoxRestart")->click();
        window_->openDialog().InitialDir = dir_->path() + QLatin1Char('/');
        window_->openDialog().FileName = dir_->filePath(QStringLiteral("gone.bin"));
        ui.get<QLineEdit>("EditNum")->setText(QStringLiteral("BA017"));
        ui.get<QLineEdit>("EditModBus")->setText(QStringLiteral("01 02 03"));
    }
    Restart();
    const Controls ui(*window_);
    QCOMPARE(ui.get<QLineEdit>("MEditIpAddr")->text(), QStringLiteral("127.0.0.9"));
    QCOMPARE(ui.get<QLineEdit>("MEditNetMask")->text(), QStringLiteral("255.0.0.0"));
    QCOMPARE(ui.get<QLineEdit>("MEditGW")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(ui.get<QLineEdit>("MEditMac")->text(), QStringLiteral("00-11-22-33-44-55"));
    QCOMPARE(ui.get<QLineEdit>("MEditPort")->text(), QStringLiteral("5020"));
    QCOMPARE(ui.get<QComboBox>("CBoxPackFloat")->currentText(), QStringLiteral("2-3-0-1"));
    QCOMPARE(ui.get<QComboBox>("CBoxSpeedDup")->currentText(),
             QStringLiteral("100 Mbit/s half duplex"));
    QVERIFY(!ui.get<QCheckBox>("CheckBoxIPAddr")->isChecked());
    QVERIFY(!ui.get<QLineEdit>("MEditIpAddr")->isEnabled());
    QVERIFY(ui.get<QCheckBox>("CheckBoxMac")->isChecked());
    QVERIFY(ui.get<QLineEdit>("MEditMac")->isEnabled());
    QVERIFY(ui.get<QCheckBox>("CheckBoxSpeedDup")->isChecked());
    QVERIFY(ui.get<QComboBox>("CBoxSpeedDup")->isEnabled());
    QVERIFY(!ui.get<QCheckBox>("ChBoxRestart")->isChecked());
    QCOMPARE(window_->openDialog().InitialDir, dir_->path() + QLatin1Char('/'));
    // A file that no longer exists is shown as it is; nothing checks it at start.
    QCOMPARE(ui.get<QLineEdit>("EditFileName")->text(), dir_->filePath(QStringLiteral("gone.bin")));
    QCOMPARE(ui.get<QLineEdit>("EditNum")->text(), QStringLiteral("BA017"));
    QCOMPARE(ui.get<QLineEdit>("EditModBus")->text(), QStringLiteral("01 02 03"));
    QVERIFY(errors_.isEmpty());
}

void TestWindowSettings::settingsValues_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("written");

    QTest::newRow("CheckMac=0 disables the MAC field")
        << QByteArray("[Common]\nCheckMac=0\n") << "MEditMac"
        << "------" << false << "Common"
        << "CheckMac"
        << "0";
    QTest::newRow("CheckGW=5 reads ticked, written as 1")
        << QByteArray("[Common]\nCheckGW=5\n") << "MEditGW"
        << "192.168.100.5" << true << "Common"
        << "CheckGW"
        << "1";
    QTest::newRow("CheckAddr=abc keeps the default")
        << QByteArray("[Common]\nCheckAddr=abc\n") << "MEditIpAddr"
        << "192.168.100.222" << true << "Common"
        << "CheckAddr"
        << "1";
    QTest::newRow("PackFloat=0x2 selects 3-2-1-0")
        << QByteArray(
               "[ModBusParams]\nPackFloat=0x2\nCheckPackFloat=1\n[Common]\nCheckPackFloat=1\n")
        << "CBoxPackFloat"
        << "3-2-1-0" << true << "ModBusParams"
        << "PackFloat"
        << "2";
    QTest::newRow("PackFloat=7 leaves the list empty and is kept")
        << QByteArray("[ModBusParams]\nPackFloat=7\n") << "CBoxPackFloat"
        << "" << false << "ModBusParams"
        << "PackFloat"
        << "7";
    QTest::newRow("SpeedDup=-1 leaves the list empty and is kept")
        << QByteArray("[ModBusParams]\nSpeedDup=-1\n") << "CBoxSpeedDup"
        << "" << false << "ModBusParams"
        << "SpeedDup"
        << "-1";
    QTest::newRow("file name shown in EditFileName")
        << QByteArray("[Programming]\nFileName=/nowhere/fw.bin\n") << "EditFileName"
        << "/nowhere/fw.bin" << true << "Programming"
        << "FileName"
        << "/nowhere/fw.bin";
    QTest::newRow("empty address stays empty") << QByteArray("[IPParams]\nAddr=\n") << "MEditIpAddr"
                                               << "" << true << "IPParams"
                                               << "Addr"
                                               << "";
}

void TestWindowSettings::settingsValues() {
    QFETCH(QByteArray, file);
    QFETCH(QString, widget);
    QFETCH(QString, shown);
    QFETCH(bool, enabled);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, written);
    {
        QFile out(settingsPath_);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("; kept as it is\n[Other]\nKeep = me\n" + file);
    }
    CreateWindow();
    QWidget* target = window_->findChild<QWidget*>(widget);
    QVERIFY(target);
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        QCOMPARE(edit->text(), shown);
    else if (auto* combo = qobject_cast<QComboBox*>(target))
        QCOMPARE(combo->currentText(), shown);
    QCOMPARE(target->isEnabled(), enabled);

    QVERIFY(window_->close());
    QCOMPARE(GetPrivateProfileString(section, key, QStringLiteral("<none>"), settingsPath_),
             written);
    QFile in(settingsPath_);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QVERIFY(in.readAll().startsWith("; kept as it is\n"));
    QCOMPARE(GetPrivateProfileString(u"Other", u"Keep", QString(), settingsPath_),
             QStringLiteral("me"));
    QVERIFY(KeyLines(settingsPath_).size() >= 19 + 1);
}

void TestWindowSettings::failedSaveStillCloses() {
    // A folder in place of the file: no write can succeed, even as root.
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("RK5720LAN_Config.ini")));
    CreateWindow();
    QVERIFY(window_->close());
    QVERIFY(!window_->isVisible());
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_.first(),
             QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(settingsPath_)));
}

QTEST_MAIN(TestWindowSettings)
#include "tst_windowsettings.moc"
