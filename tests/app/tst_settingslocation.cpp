#include "AppOptions.h"
#include "SettingsLocation.h"
#include "TChatForm.h"
#include "WindowFixture.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Kind = SettingsLocation::Kind;

QProcessEnvironment Environment(const QString& xdg, const QString& home) {
    QProcessEnvironment environment;
    if (!xdg.isNull())
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), xdg);
    if (!home.isNull())
        environment.insert(QStringLiteral("HOME"), home);
    return environment;
}

bool Touch(const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class TestSettingsLocation : public QObject, private WindowFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void rules_data();
    void rules();
    void windowsRules_data();
    void windowsRules();
    void inTemporaryFolders_data();
    void inTemporaryFolders();
    void helpNamesTheFile();
    void firstSaveCreatesFolder();
    void unwritableLocation_data();
    void unwritableLocation();

private:
    // The settings path of an installed copy in the temporary folder.
    QString InstalledPath(const QString& xdg, const QString& home);
};

void TestSettingsLocation::init() {
    InitFixture();
}

void TestSettingsLocation::cleanup() {
    CleanupFixture();
}

void TestSettingsLocation::rules_data() {
    QTest::addColumn<QString>("exeFolder");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("writable");
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("overridePath");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("path");

    const QString opt = QStringLiteral("/opt/rk/");
    const QString besideOpt = QStringLiteral("/opt/rk/RK5720LAN_Config.ini");
    const QString usr = QStringLiteral("/usr/bin");
    const QString desktop = QStringLiteral("/usr/share/applications/rk5720-config.desktop");
    const QString inHome = QStringLiteral("/home/u/.config/rk5720-config/RK5720LAN_Config.ini");
    const QString inXdg = QStringLiteral("/xdg/rk5720-config/RK5720LAN_Config.ini");
    const QString none;
    const int portable = int(Kind::Portable);
    const int user = int(Kind::User);
    const int given = int(Kind::Override);

    QTest::newRow("writable folder: portable")
        << opt << QStringList{} << QStringList{"/opt/rk/"} << none << none << portable << besideOpt;
    QTest::newRow("file beside a read-only folder: portable")
        << opt << QStringList{besideOpt} << QStringList{} << none << none << portable << besideOpt;
    QTest::newRow("read-only folder, no file: home")
        << opt << QStringList{} << QStringList{} << none << none << user << inHome;
    QTest::newRow("installed /usr/bin: home")
        << usr << QStringList{desktop} << QStringList{} << none << none << user << inHome;
    QTest::newRow("installed, writable as root: still home")
        << usr << QStringList{desktop} << QStringList{usr} << none << none << user << inHome;
    QTest::newRow("installed with a file beside it: that file")
        << usr << QStringList{desktop, "/usr/bin/RK5720LAN_Config.ini"} << QStringList{} << none
        << none << portable << "/usr/bin/RK5720LAN_Config.ini";
    QTest::newRow("XDG_CONFIG_HOME")
        << usr << QStringList{desktop} << QStringList{} << "/xdg" << none << user << inXdg;
    QTest::newRow("XDG_CONFIG_HOME with a trailing slash")
        << usr << QStringList{desktop} << QStringList{} << "/xdg/" << none << user << inXdg;
    QTest::newRow("empty XDG_CONFIG_HOME: home")
        << usr << QStringList{desktop} << QStringList{} << "" << none << user << inHome;
    QTest::newRow("relative XDG_CONFIG_HOME ignored")
        << usr << QStringList{desktop} << QStringList{} << "cfg" << none << user << inHome;
    QTest::newRow("--settings over a portable file")
        << opt << QStringList{besideOpt} << QStringList{"/opt/rk/"} << none << "/tmp/s.ini" << given
        << "/tmp/s.ini";
    QTest::newRow("--settings over an installed one")
        << usr << QStringList{desktop} << QStringList{} << "/xdg"
        << "rel.ini" << given << "rel.ini";
}

void TestSettingsLocation::rules() {
    QFETCH(QString, exeFolder);
    QFETCH(QStringList, existing);
    QFETCH(QStringList, writable);
    QFETCH(QString, xdg);
    QFETCH(QString, overridePath);
    QFETCH(int, kind);
    QFETCH(QString, path);

    const QSet<QString> exists(existing.begin(), existing.end());
    const QSet<QString> canWrite(writable.begin(), writable.end());
    const SettingsProbes probes{
        [exists](const QString& p) { return exists.contains(p); },
        [canWrite](const QString& p) { return canWrite.contains(p); },
    };
    const SettingsLocation location = ResolveSettingsLocation(
        exeFolder, Environment(xdg, QStringLiteral("/home/u")), overridePath, probes);
    QCOMPARE(int(location.kind), kind);
    QCOMPARE(location.path, path);
}

void TestSettingsLocation::windowsRules_data() {
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("appData");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("path");

    const QString folder = QStringLiteral("C:/Program Files/RK5720 LAN");
    const QString beside = folder + QStringLiteral("/RK5720LAN_Config.ini");
    const QString uninstaller = folder + QStringLiteral("/uninstall.exe");
    const QString roaming = QStringLiteral("C:\\Users\\u\\AppData\\Roaming");
    const QString inRoaming =
        QStringLiteral("C:/Users/u/AppData/Roaming/rk5720-config/RK5720LAN_Config.ini");
    const QString profile = QStringLiteral("D:\\Profiles\\u");
    const QString inProfile =
        QStringLiteral("D:/Profiles/u/AppData/Roaming/rk5720-config/RK5720LAN_Config.ini");
    const int portable = int(Kind::Portable);
    const int user = int(Kind::User);

    QTest::newRow("unzipped in a writable folder: beside")
        << QStringList{} << true << roaming << profile << portable << beside;
    QTest::newRow("installed: application data")
        << QStringList{uninstaller} << false << roaming << profile << user << inRoaming;
    // Wine, or an administrator: the program folder can be written, and the
    // installed copy still keeps the user's settings apart.
    QTest::newRow("installed in a writable folder: application data")
        << QStringList{uninstaller} << true << roaming << profile << user << inRoaming;
    QTest::newRow("copied by hand into a read-only folder: application data")
        << QStringList{} << false << roaming << profile << user << inRoaming;
    QTest::newRow("installed with a file beside it: that file")
        << QStringList{uninstaller, beside} << false << roaming << profile << portable << beside;
    QTest::newRow("no APPDATA: the profile's roaming folder")
        << QStringList{uninstaller} << false << QString() << profile << user << inProfile;
    QTest::newRow("relative APPDATA ignored")
        << QStringList{uninstaller} << false << QStringLiteral("Roaming") << profile << user
        << inProfile;
    QTest::newRow("Linux paths are not Windows ones")
        << QStringList{uninstaller} << false << QStringLiteral("/home/u") << profile << user
        << inProfile;
}

void TestSettingsLocation::windowsRules() {
    QFETCH(QStringList, existing);
    QFETCH(bool, writable);
    QFETCH(QString, appData);
    QFETCH(QString, profile);
    QFETCH(int, kind);
    QFETCH(QString, path);

    const QSet<QString> exists(existing.begin(), existing.end());
    const SettingsProbes probes{
        [exists](const QString& p) { return exists.contains(p); },
        [writable](const QString&) { return writable; },
    };
    QProcessEnvironment environment;
    if (!appData.isNull())
        environment.insert(QStringLiteral("APPDATA"), appData);
    environment.insert(QStringLiteral("USERPROFILE"), profile);
    const SettingsLocation location =
        ResolveSettingsLocation(QStringLiteral("C:/Program Files/RK5720 LAN"), environment,
                                QString(), probes, WindowsSettingsRules());
    QCOMPARE(int(location.kind), kind);
    QCOMPARE(location.path, path);
}

void TestSettingsLocation::inTemporaryFolders_data() {
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("fileBeside");
    QTest::addColumn<bool>("xdgSet");
    QTest::addColumn<int>("kind");
    QTest::newRow("portable copy") << false << false << true << int(Kind::Portable);
    QTest::newRow("installed, XDG_CONFIG_HOME") << true << false << true << int(Kind::User);
    QTest::newRow("installed, default ~/.config") << true << false << false << int(Kind::User);
    QTest::newRow("installed with a file beside") << true << true << true << int(Kind::Portable);
}

void TestSettingsLocation::inTemporaryFolders() {
    QFETCH(bool, installed);
    QFETCH(bool, fileBeside);
    QFETCH(bool, xdgSet);
    QFETCH(int, kind);

    const QDir root(dir_->path());
    const QString bin = root.filePath(QStringLiteral("prefix/bin"));
    QVERIFY(root.mkpath(QStringLiteral("prefix/bin")));
    if (installed)
        QVERIFY(Touch(root.filePath("prefix/share/applications/rk5720-config.desktop")));
    const QString beside = bin + QStringLiteral("/RK5720LAN_Config.ini");
    if (fileBeside)
        QVERIFY(Touch(beside));
    const QString xdg = root.filePath(QStringLiteral("config"));
    const QString home = root.filePath(QStringLiteral("home"));

    const SettingsLocation location = ResolveSettingsLocation(
        bin, Environment(xdgSet ? xdg : QString(), home), QString(), FileSystemProbes());
    QCOMPARE(int(location.kind), kind);
    const QString userFile =
        (xdgSet ? xdg : home + QStringLiteral("/.config")) + "/rk5720-config/RK5720LAN_Config.ini";
    QCOMPARE(location.path, kind == int(Kind::User) ? userFile : beside);

    // The tool's own --settings always wins.
    const QString given = root.filePath(QStringLiteral("given.ini"));
    QCOMPARE(ResolveSettingsLocation(bin, Environment(xdg, home), given, FileSystemProbes()).path,
             given);
}

void TestSettingsLocation::helpNamesTheFile() {
    const AppOptions given =
        ParseAppOptions({"rk5720-config", "--help", "--settings", "/tmp/s.ini"});
    QCOMPARE(given.action, AppOptions::Action::ShowHelp);
    QVERIFY2(
        given.message.contains(QLatin1String("Settings file: /tmp/s.ini, given by --settings")),
        qPrintable(given.message));

    // The test program's folder is writable and holds no desktop entry.
    const AppOptions plain = ParseAppOptions({"rk5720-config", "--help"});
    const SettingsLocation location = ResolveSettingsLocation(
        QCoreApplication::applicationDirPath(), QProcessEnvironment::systemEnvironment(), QString(),
        FileSystemProbes());
    QCOMPARE(location.kind, Kind::Portable);
    QVERIFY2(plain.message.contains(QStringLiteral("Settings file: %1, beside the program")
                                        .arg(QDir::toNativeSeparators(location.path))),
             qPrintable(plain.message));
}

QString TestSettingsLocation::InstalledPath(const QString& xdg, const QString& home) {
    const QDir root(dir_->path());
    if (!Touch(root.filePath(QStringLiteral("prefix/share/applications/rk5720-config.desktop"))) ||
        !root.mkpath(QStringLiteral("prefix/bin")))
        return {};
    return ResolveSettingsLocation(root.filePath(QStringLiteral("prefix/bin")),
                                   Environment(xdg, home), QString(), FileSystemProbes())
        .path;
}

void TestSettingsLocation::firstSaveCreatesFolder() {
    // An XDG_CONFIG_HOME that does not exist yet.
    settingsPath_ = InstalledPath(dir_->filePath(QStringLiteral("new/config")), QString());
    QVERIFY(settingsPath_.startsWith(dir_->filePath(QStringLiteral("new/config/rk5720-config/"))));
    CreateWindow();
    QCOMPARE(Controls(*window_).get<QLineEdit>("MEditPort")->text(), QStringLiteral("1024"));
    QVERIFY(window_->close());
    QVERIFY2(errors_.isEmpty(), qPrintable(errors_.join(QLatin1Char('\n'))));
    QVERIFY(QFileInfo(settingsPath_).isFile());
}

void TestSettingsLocation::unwritableLocation_data() {
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("home");
    // A plain file where a folder should be: nothing can be created below it,
    // not even by root, for whom permission bits would not stop a write.
    QTest::newRow("XDG_CONFIG_HOME is a file") << "blocker" << QString();
    QTest::newRow("home is a file") << QString() << "blocker";
}

void TestSettingsLocation::unwritableLocation() {
    QFETCH(QString, xdg);
    QFETCH(QString, home);
    const QString blocker = dir_->filePath(QStringLiteral("blocker"));
    QVERIFY(Touch(blocker));
    settingsPath_ = InstalledPath(xdg.isNull() ? xdg : dir_->filePath(xdg),
                                  home.isNull() ? home : dir_->filePath(home));
    QVERIFY(settingsPath_.startsWith(blocker + QLatin1Char('/')));
    CreateWindow();
    // Defaults, as with no file at all.
    QCOMPARE(Controls(*window_).get<QLineEdit>("MEditIpAddr")->text(),
             QStringLiteral("192.168.100.222"));
    QCOMPARE(Controls(*window_).get<QLineEdit>("MEditPort")->text(), QStringLiteral("1024"));
    QVERIFY(window_->close());
    QVERIFY(!window_->isVisible());
    QCOMPARE(errors_.size(), 1);
    QVERIFY2(errors_.first().startsWith(QLatin1String("Unable to write to ")),
             qPrintable(errors_.first()));
    QVERIFY(QFileInfo(blocker).isFile());
}

QTEST_MAIN(TestSettingsLocation)
#include "tst_settingslocation.moc"
