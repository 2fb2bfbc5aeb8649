#include "AppOptions.h"
#include "AppSettings.h"
#include "SettingsBinding.h"
#include "StatusPanels.h"
#include "Version.h"

#include <QComboBox>
#include <QtTest>

Q_DECLARE_METATYPE(PanelRect)

char* toString(const PanelRect& r) {
    return QTest::toString(
        QStringLiteral("(%1, %2)-(%3, %4)").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom));
}

class TestAppOptions : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void helpAndVersion();
    void lampEllipse_data();
    void lampEllipse();
    void selectComboItem_data();
    void selectComboItem();
};

using Action = AppOptions::Action;

void TestAppOptions::parse_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("autoConnect");

    const QString def = DefaultSettingsPath();
    const QString dial = QStringLiteral("192.168.64.20");
    auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
    const int run = int(Action::Run);
    const int fail = int(Action::Fail);

    row("no options") << QStringList{} << run << def << dial << 1024 << true;
    row("settings file") << QStringList{"--settings", "/tmp/x.ini"} << run << "/tmp/x.ini" << dial
                         << 1024 << true;
    row("settings with =") << QStringList{"--settings=/tmp/y.ini"} << run << "/tmp/y.ini" << dial
                           << 1024 << true;
    row("host only, default port")
        << QStringList{"--startup-host", "127.0.0.1"} << run << def << "127.0.0.1" << 1024 << true;
    row("host and port") << QStringList{"--startup-host", "127.0.0.2:5020"} << run << def
                         << "127.0.0.2" << 5020 << true;
    row("host name") << QStringList{"--startup-host", "localhost:1"} << run << def << "localhost"
                     << 1 << true;
    row("bracketed v6") << QStringList{"--startup-host", "[::1]:65535"} << run << def << "::1"
                        << 65535 << true;
    row("bracketed v6, no port") << QStringList{"--startup-host", "[::1]"} << run << def << "::1"
                                 << 1024 << true;
    row("no autoconnect") << QStringList{"--no-autoconnect"} << run << def << dial << 1024 << false;

    row("port 0") << QStringList{"--startup-host", "127.0.0.1:0"} << fail << def << dial << 1024
                  << true;
    row("port too big") << QStringList{"--startup-host", "127.0.0.1:65536"} << fail << def << dial
                        << 1024 << true;
    row("port not a number") << QStringList{"--startup-host", "127.0.0.1:http"} << fail << def
                             << dial << 1024 << true;
    row("signed port") << QStringList{"--startup-host", "127.0.0.1:+80"} << fail << def << dial
                       << 1024 << true;
    row("empty port") << QStringList{"--startup-host", "127.0.0.1:"} << fail << def << dial << 1024
                      << true;
    row("empty host") << QStringList{"--startup-host", ":1024"} << fail << def << dial << 1024
                      << true;
    row("empty value") << QStringList{"--startup-host", ""} << fail << def << dial << 1024 << true;
    row("blank in host") << QStringList{"--startup-host", "local host"} << fail << def << dial
                         << 1024 << true;
    row("two colons") << QStringList{"--startup-host", "a:1:2"} << fail << def << dial << 1024
                      << true;
    row("bare v6") << QStringList{"--startup-host", "::1"} << fail << def << dial << 1024 << true;
    row("unclosed bracket") << QStringList{"--startup-host", "[::1:80"} << fail << def << dial
                            << 1024 << true;
    row("v4 in brackets") << QStringList{"--startup-host", "[127.0.0.1]:80"} << fail << def << dial
                          << 1024 << true;
    row("missing value") << QStringList{"--startup-host"} << fail << def << dial << 1024 << true;
    row("empty settings") << QStringList{"--settings", ""} << fail << def << dial << 1024 << true;
    row("unknown option") << QStringList{"--frobnicate"} << fail << def << dial << 1024 << true;
    row("stray argument") << QStringList{"extra"} << fail << def << dial << 1024 << true;
}

void TestAppOptions::parse() {
    QFETCH(QStringList, args);
    QFETCH(int, action);
    QFETCH(QString, settings);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(bool, autoConnect);

    args.prepend(QStringLiteral("rk5720-config"));
    const AppOptions options = ParseAppOptions(args);
    QCOMPARE(int(options.action), action);
    if (options.action == Action::Fail) {
        QVERIFY(!options.message.isEmpty());
        return;
    }
    QCOMPARE(options.settingsPath, settings);
    QCOMPARE(options.startupHost, host);
    QCOMPARE(int(options.startupPort), port);
    QCOMPARE(options.autoConnect, autoConnect);
}

void TestAppOptions::helpAndVersion() {
    const AppOptions help = ParseAppOptions({"rk5720-config", "--help"});
    QCOMPARE(help.action, Action::ShowHelp);
    for (const char* option : {"--settings", "--startup-host", "--no-autoconnect", "--version"})
        QVERIFY2(help.message.contains(QLatin1String(option)), option);

    const AppOptions version = ParseAppOptions({"rk5720-config", "--version"});
    QCOMPARE(version.action, Action::ShowVersion);
    QCOMPARE(version.message, QStringLiteral("rk5720-config " RK_VERSION_STRING));

    const AppOptions bad = ParseAppOptions({"rk5720-config", "--startup-host", "host:99999"});
    QVERIFY2(bad.message.contains(QLatin1String("99999")), qPrintable(bad.message));
}

void TestAppOptions::lampEllipse_data() {
    QTest::addColumn<PanelRect>("panel");
    QTest::addColumn<PanelRect>("ellipse");
    QTest::newRow("lamp shown") << PanelRect{0, 2, 20, 17} << PanelRect{4, 3, 16, 16};
    QTest::newRow("odd height truncates") << PanelRect{0, 0, 20, 10} << PanelRect{6, 1, 14, 9};
    QTest::newRow("odd width truncates") << PanelRect{10, 2, 31, 17} << PanelRect{14, 3, 26, 16};
    QTest::newRow("lamp hidden") << PanelRect{0, 2, 0, 17} << PanelRect{-6, 3, 6, 16};
    QTest::newRow("too low for a lamp") << PanelRect{0, 5, 20, 6} << PanelRect{10, 6, 10, 5};
}

void TestAppOptions::lampEllipse() {
    QFETCH(PanelRect, panel);
    QFETCH(PanelRect, ellipse);
    QCOMPARE(LampEllipse(panel), ellipse);
}

void TestAppOptions::selectComboItem_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("text");
    QTest::newRow("first") << 0 << 0 << "1-0-3-2";
    QTest::newRow("last") << 3 << 3 << "2-3-0-1";
    QTest::newRow("one past the end") << 4 << -1 << "";
    QTest::newRow("far out") << 7 << -1 << "";
    QTest::newRow("negative") << -1 << -1 << "";
}

void TestAppOptions::selectComboItem() {
    QFETCH(int, index);
    QFETCH(int, selected);
    QFETCH(QString, text);
    QComboBox combo;
    combo.setEditable(true);
    combo.addItems({"1-0-3-2", "0-1-2-3", "3-2-1-0", "2-3-0-1"});
    combo.setCurrentIndex(2);
    SelectComboItem(&combo, index);
    QCOMPARE(combo.currentIndex(), selected);
    QCOMPARE(combo.currentText(), text);
}

QTEST_MAIN(TestAppOptions)
#include "tst_appoptions.moc"
