#include "ArpEntry.h"

#include <QElapsedTimer>
#include <QtTest>

class TestArpEntry : public QObject {
    Q_OBJECT
private slots:
    void commandLine();
    void hungCommandIsEnded();
    void missingProgramReturns();
};

void TestArpEntry::commandLine() {
    QCOMPARE(ArpCommandLine(QStringLiteral("127.0.0.2")), QStringLiteral("arp -d 127.0.0.2"));
}

void TestArpEntry::hungCommandIsEnded() {
    QElapsedTimer clock;
    clock.start();
    RunAndWait(QStringLiteral("sleep"), {QStringLiteral("30")}, 300);
    QVERIFY(clock.elapsed() >= 300);
    QVERIFY(clock.elapsed() < 5000);
}

void TestArpEntry::missingProgramReturns() {
    QElapsedTimer clock;
    clock.start();
    RunAndWait(QStringLiteral("/nonexistent/arp"), {QStringLiteral("-d"), QStringLiteral("x")},
               3000);
    QVERIFY(clock.elapsed() < 3000);
}

QTEST_MAIN(TestArpEntry)
#include "tst_arpentry.moc"
