// Ending the program from outside (logout, kill, Ctrl+C) closes the window the
// normal way and keeps the settings; the caption stays the window's own.
#include "AppSetup.h"
#include "QuitSignals.h"
#include "WindowFixture.h"

#include <QFile>

#include <csignal>

class TestQuitSignals : public QObject, private WindowFixture {
    Q_OBJECT
private slots:
    void init() { InitFixture(); }
    void cleanup() { CleanupFixture(); }

    void signalClosesAndSaves_data();
    void signalClosesAndSaves();
    void captionIsTheWindowsOwn();
};

void TestQuitSignals::signalClosesAndSaves_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestQuitSignals::signalClosesAndSaves() {
    QFETCH(int, signal);
    CreateWindow();
    const QuitSignals quit(window_.get());
    QVERIFY(!QFile::exists(settingsPath_));
    QCOMPARE(std::raise(signal), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 5000);
    QVERIFY(QFile::exists(settingsPath_));
    QVERIFY(errors_.isEmpty());
}

void TestQuitSignals::captionIsTheWindowsOwn() {
    // A display name would be appended to every caption by the window manager.
    SetUpApplication();
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    CreateWindow();
    QCOMPARE(window_->windowTitle(), QStringLiteral("RK5720 LAN  Config"));
}

QTEST_MAIN(TestQuitSignals)
#include "tst_quitsignals.moc"
