#include "NumberReading.h"
#include "Text.h"
#include "ThreadJobs.h"
#include "Ticks.h"
#include "Wait.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <ctime>

class TestCommon : public QObject {
    Q_OBJECT
private slots:
    void readNumber_data();
    void readNumber();
    void trimControl_data();
    void trimControl();
    void cp1251RoundTrip();
    void tickDifferenceSurvivesWrap();
    void waitBlocksWithoutSpinning();
    void waitWakesOnEvent();
    void jobsWaitTogether_data();
    void jobsWaitTogether();
};

void TestCommon::readNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    const int d = -777; // the caller's default
    QTest::newRow("plain") << "12" << 12;
    QTest::newRow("leading blanks and plus") << " +12" << 12;
    QTest::newRow("trailing blank") << "12 " << d;
    QTest::newRow("empty") << "" << d;
    QTest::newRow("only blanks") << "   " << d;
    QTest::newRow("only sign") << "-" << d;
    QTest::newRow("negative") << "-45" << -45;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("int max") << "2147483647" << 2147483647;
    QTest::newRow("int min") << "-2147483648" << int(-2147483647 - 1);
    QTest::newRow("decimal overflow") << "2147483648" << d;
    QTest::newRow("negative overflow") << "-2147483649" << d;
    QTest::newRow("huge decimal") << "99999999999999999999" << d;
    QTest::newRow("dollar hex") << "$1F" << 31;
    QTest::newRow("x hex") << "x1f" << 31;
    QTest::newRow("X hex") << "X1F" << 31;
    QTest::newRow("0x hex") << "0x1F" << 31;
    QTest::newRow("0X hex") << "0XaB" << 171;
    QTest::newRow("bare 0x") << "0x" << d;
    QTest::newRow("bare dollar") << "$" << d;
    QTest::newRow("negative hex") << "-$1" << -1;
    QTest::newRow("hex all ones") << "$FFFFFFFF" << -1;
    QTest::newRow("hex sign bit") << "0x80000000" << int(-2147483647 - 1);
    QTest::newRow("hex nine digits") << "$1FFFFFFFF" << d;
    QTest::newRow("hex leading zeros") << "$000000001" << 1;
    QTest::newRow("hex bad digit") << "0x1G" << d;
    QTest::newRow("decimal with hex digit") << "1A" << d;
    QTest::newRow("double prefix") << "0x0x1" << d;
    QTest::newRow("sign after blank after sign") << "- 1" << d;
    QTest::newRow("tab is not a blank") << "\t1" << d;
    QTest::newRow("arabic-indic digit") << QString(QChar(0x0661)) << d;
    QTest::newRow("comma") << "1,5" << d;
}

void TestCommon::readNumber() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(ReadNumber(text, -777), expected);
}

void TestCommon::trimControl_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("only controls") << " \r\n\t\x01"
                                   << "";
    QTest::newRow("both ends") << "\r\n IPADDR = 1 \r\n"
                               << "IPADDR = 1";
    QTest::newRow("inner kept") << "a \r\n b"
                                << "a \r\n b";
    QTest::newRow("code 33 kept") << "!x!"
                                  << "!x!";
}

void TestCommon::trimControl() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(TrimControl(text), expected);
    QCOMPARE(TrimControl(text.toLatin1()), expected.toLatin1());
}

void TestCommon::cp1251RoundTrip() {
    const QByteArray bytes = QByteArray::fromHex("cef8e8e1eae020");
    QCOMPARE(FromCp1251(bytes), QString::fromUtf8("Ошибка "));
    QCOMPARE(ToCp1251(QString::fromUtf8("Ошибка ")), bytes);
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        if (i != 0x98)
            all += char(i);
    QCOMPARE(ToCp1251(FromCp1251(all)), all);
    QCOMPARE(ToCp1251(QString::fromUtf8("日")), QByteArray("?"));
}

void TestCommon::tickDifferenceSurvivesWrap() {
    const uint32_t before = 0xFFFFFFF0u;
    const uint32_t after = 0x00000010u;
    QCOMPARE(uint32_t(after - before), 0x20u);
    const uint32_t t0 = rk::GetTickCount();
    rk::Sleep(20);
    QVERIFY(rk::TicksSince(t0) >= 20);
}

void TestCommon::waitBlocksWithoutSpinning() {
    const std::clock_t cpu0 = std::clock();
    const uint32_t t0 = rk::GetTickCount();
    while (rk::TicksSince(t0) <= 300)
        ProcessMessagesOrWait(300 - rk::TicksSince(t0) + 1);
    const double cpuMs = 1000.0 * double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    // A spinning wait would burn about 300 ms of CPU here.
    QVERIFY2(cpuMs < 60, qPrintable(QString::number(cpuMs)));
}

void TestCommon::waitWakesOnEvent() {
    bool fired = false;
    QTimer::singleShot(30, this, [&fired] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    while (!fired && clock.elapsed() < 5000)
        ProcessMessagesOrWait(5000);
    QVERIFY(fired);
    QVERIFY(clock.elapsed() < 2000);
}

// Jobs on worker threads wait side by side, each on its own events: the
// waits of the procedures (for an event, or a plain pause) keep no other job
// waiting, and never more than `parallel` run at once.
void TestCommon::jobsWaitTogether_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("parallel");
    QTest::addColumn<bool>("sleep");
    QTest::newRow("8 waits at once") << 8 << 8 << false;
    QTest::newRow("8 pauses at once") << 8 << 8 << true;
    QTest::newRow("10 waits, 3 at a time") << 10 << 3 << false;
    QTest::newRow("more workers than jobs") << 4 << 64 << true;
}

void TestCommon::jobsWaitTogether() {
    QFETCH(int, count);
    QFETCH(int, parallel);
    QFETCH(bool, sleep);
    constexpr uint32_t kPauseMs = 300;
    // Each job writes only its own entry; the counters are shared.
    std::vector<int> runs(size_t(count), 0);
    std::vector<char> waited(size_t(count), 0);
    std::atomic<int> running{0};
    std::atomic<int> peak{0};
    QElapsedTimer clock;
    clock.start();
    RunJobsOnThreads(count, parallel, [&](int index) {
        ++runs[size_t(index)];
        const int now = ++running;
        for (int seen = peak.load(); now > seen && !peak.compare_exchange_weak(seen, now);) {
        }
        if (sleep) {
            rk::Sleep(kPauseMs);
            waited[size_t(index)] = 1;
        } else {
            // A timer of this job's own thread, as a device's socket would be.
            bool fired = false;
            QTimer::singleShot(int(kPauseMs), [&fired] { fired = true; });
            waited[size_t(index)] = WaitUntil([&fired] { return fired; }, 5000) ? 1 : 0;
        }
        --running;
    });
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(runs, std::vector<int>(size_t(count), 1));
    QCOMPARE(waited, std::vector<char>(size_t(count), 1));
    QCOMPARE(peak.load(), std::min(count, parallel));
    const int rounds = (count + parallel - 1) / parallel;
    // Pauses are counted in whole ticks, so one may end up to 1 ms short in
    // another clock.
    QVERIFY2(elapsed >= qint64(rounds) * kPauseMs - 1, qPrintable(QString::number(elapsed)));
    // One after another they would take count * 300 ms.
    QVERIFY2(elapsed < qint64(count) * kPauseMs, qPrintable(QString::number(elapsed)));
}

QTEST_MAIN(TestCommon)
#include "tst_common.moc"
