// rk5720-cli's output for runs that do not go as planned or are read by
// other programs: an interrupted run still reports the hosts it finished,
// --format gives one line per host, and --retries waits for a late device.
#include "CliProcess.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QtTest>

#include <csignal>

class TestCliOutput : public QObject {
    Q_OBJECT
private slots:
    void interruptReportsTheHostsDone_data();
    void interruptReportsTheHostsDone();
    void formatGivesOneLinePerHost_data();
    void formatGivesOneLinePerHost();
    void retriesWaitForALateDevice_data();
    void retriesWaitForALateDevice();
};

namespace {

using SimPtr = std::unique_ptr<sim::SimulatorThread>;

// The program started, not waited for.
struct RunningCli {
    QProcess process;
    QElapsedTimer clock;

    explicit RunningCli(const QStringList& arguments) {
        process.setProgram(QStringLiteral(RK_CLI_PATH));
        process.setArguments(arguments);
        process.start();
        clock.start();
    }
    ~RunningCli() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
    bool Finished() const { return process.state() == QProcess::NotRunning; }
};

QStringList Lines(const QByteArray& out) {
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

void TestCliOutput::interruptReportsTheHostsDone_data() {
    // The first host is done, the second is held up (a silent device, or a
    // restart pause) when the signal comes.
    QTest::addColumn<int>("signal");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("firstExit");           // 3: the first host is a closed port
    QTest::addColumn<QStringList>("heldWritten"); // kept in the held host's report

    const QStringList read{"read", "--answer-timeout", "60000"};
    const QStringList write{"write",     "--mask",          "255.0.0.0",
                            "--restart", "--restart-pause", "60000"};
    QTest::newRow("SIGINT json") << int(SIGINT) << (read + QStringList{"--json"}) << true << "json"
                                 << 0 << QStringList();
    QTest::newRow("SIGTERM json") << int(SIGTERM) << (read + QStringList{"--json"}) << true
                                  << "json" << 0 << QStringList();
    QTest::newRow("SIGTERM text") << int(SIGTERM) << read << true << "text" << 0 << QStringList();
    QTest::newRow("SIGINT csv") << int(SIGINT) << (read + QStringList{"--format", "csv"}) << true
                                << "csv" << 0 << QStringList();
    QTest::newRow("SIGTERM in a restart pause") << int(SIGTERM) << (write + QStringList{"--json"})
                                                << false << "json" << 3 << QStringList{"mask"};
}

void TestCliOutput::interruptReportsTheHostsDone() {
    QFETCH(int, signal);
    QFETCH(QStringList, arguments);
    QFETCH(bool, silent);
    QFETCH(QString, output);
    QFETCH(int, firstExit);
    QFETCH(QStringList, heldWritten);
    const SimPtr device = StartSim(60);
    sim::SimFaults faults;
    faults.silentAll = silent;
    const SimPtr held = StartSim(61, 0, faults);
    QVERIFY(device && held);
    // A restart pause would hold the first host too: then it is a closed port.
    const QString first =
        firstExit == 0
            ? device->hostPort()
            : QStringLiteral("127.0.0.60:%1").arg(ClosedPort(QStringLiteral("127.0.0.60")));

    RunningCli cli(arguments << "--jobs" << QStringLiteral("1") << first << held->hostPort());
    // One job at a time: the second device hears from the program once the
    // first host is done.
    if (silent)
        QVERIFY(held->waitForReceived("?", 20000));
    else
        QVERIFY(held->waitForRestart(1, 20000));
    const qint64 signalledAt = cli.clock.elapsed();
    QCOMPARE(::kill(pid_t(cli.process.processId()), signal), 0);
    QVERIFY(cli.process.waitForFinished(20000));
    const qint64 tookMs = cli.clock.elapsed() - signalledAt;
    const QByteArray out = cli.process.readAllStandardOutput();
    const QByteArray err = cli.process.readAllStandardError();
    const QByteArray transcript = "stdout:\n" + out + "\nstderr:\n" + err;

    const int code = 128 + signal;
    QCOMPARE(cli.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.process.exitCode(), code);
    // Promptly, not when the device's time limit or the pause ran out.
    QVERIFY2(tookMs < 10000, qPrintable(QString::number(tookMs)));
    if (output == QLatin1String("json")) {
        QJsonParseError error{};
        const QJsonObject document = QJsonDocument::fromJson(out, &error).object();
        // One document, nothing after it.
        QVERIFY2(error.error == QJsonParseError::NoError, transcript);
        QCOMPARE(document.value("exit_code").toInt(), code);
        const QJsonArray results = document.value("results").toArray();
        QCOMPARE(results.size(), 2);
        QCOMPARE(results.at(0).toObject().value("exit_code").toInt(-1), firstExit);
        QCOMPARE(results.at(0).toObject().contains("config"), firstExit == 0);
        QCOMPARE(results.at(1).toObject().value("exit_code").toInt(), code);
        QCOMPARE(results.at(1).toObject().value("error").toString(), QStringLiteral("interrupted"));
        // What was done before the signal stays in the report.
        const QJsonObject heldResult = results.at(1).toObject();
        QCOMPARE(heldResult.value("written").toVariant().toStringList(), heldWritten);
        QCOMPARE(heldResult.value("restarted").toBool(), !heldWritten.isEmpty());
        if (!heldWritten.isEmpty())
            QCOMPARE(heldResult.value("expected_at").toString(), held->hostPort());
    } else if (output == QLatin1String("csv")) {
        const QStringList lines = Lines(out);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines.at(1).startsWith(first + ",0,"), transcript);
        QCOMPARE(lines.at(2),
                 QStringLiteral("%1,%2,,,,,,,,,,,interrupted").arg(held->hostPort()).arg(code));
    } else {
        QVERIFY2(out.contains(first.toUtf8() + ": version:"), transcript);
        QVERIFY2(!out.contains(held->hostPort().toUtf8()), transcript);
        QVERIFY2(err.endsWith(held->hostPort().toUtf8() + ": interrupted\n"), transcript);
    }
    // The held device's connection was closed with the program.
    QVERIFY(held->waitForNoClient(10000));
}

void TestCliOutput::formatGivesOneLinePerHost_data() {
    // "@A" and "@B" are two devices, "@NOBODY" a closed port; "@VERSION" the
    // text the first device answers for its version.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("read csv, in the order given")
        << QStringList{"read", "--format", "csv", "@B", "@NOBODY", "@A"} << "1.00A"
        << QStringList{
               "host,exit_code,ip,mask,port,gw,mac,byte_order,speed,version,date,socket_error,"
               "error",
               "@B,0,127.0.0.63,255.255.255.0,@BPORT,127.0.0.254,00-1A-2B-3C-4D-5E,1-0-3-2,Auto,"
               "1.00A,01.02.08,,",
               "@NOBODY,3,,,,,,,,,,10061,cannot connect: connection refused",
               "@A,0,127.0.0.62,255.255.255.0,@APORT,127.0.0.254,00-1A-2B-3C-4D-5E,1-0-3-2,Auto,"
               "1.00A,01.02.08,,"};
    // Device text is escaped as in text output, and quoted where CSV needs it.
    QTest::newRow("read csv quoting device text")
        << QStringList{"read", "--format", "csv", "@A"}
        << "1,0\"\x1b"
           "A"
        << QStringList{
               "host,exit_code,ip,mask,port,gw,mac,byte_order,speed,version,date,socket_error,"
               "error",
               "@A,0,127.0.0.62,255.255.255.0,@APORT,127.0.0.254,00-1A-2B-3C-4D-5E,1-0-3-2,Auto,"
               "\"1,0\"\"\\x1bA\",01.02.08,,"};
    // A failure has the columns a success has.
    QTest::newRow("read csv, only a failure")
        << QStringList{"read", "--format", "csv", "@NOBODY"} << "1.00A"
        << QStringList{
               "host,exit_code,ip,mask,port,gw,mac,byte_order,speed,version,date,socket_error,"
               "error",
               "@NOBODY,3,,,,,,,,,,10061,cannot connect: connection refused"};
    QTest::newRow("table, aligned")
        << QStringList{"rcom", "status", "--format", "table", "@A", "@NOBODY"} << "1.00A"
        << QStringList{QStringLiteral("host").leftJustified(16) +
                           "  exit_code  remote_com  socket_error  error",
                       "@A  0          off",
                       "@NOBODY  3                      10061         cannot connect: connection "
                       "refused"};
    QTest::newRow("scan csv, one line per device")
        << QStringList{"scan", "127.0.0.62/31", "--port", "@APORT", "--format", "csv"} << "1.00A"
        << QStringList{"address,port,answered,version,date,mac",
                       "127.0.0.62,@APORT,true,1.00A,01.02.08,00-1A-2B-3C-4D-5E"};
}

void TestCliOutput::formatGivesOneLinePerHost() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, version);
    QFETCH(QStringList, expected);
    sim::SimulatorThread::Options options;
    options.address = QHostAddress(QStringLiteral("127.0.0.62"));
    options.state.setVersion(version, QStringLiteral("01.02.08"));
    sim::SimulatorThread a(options);
    QVERIFY(a.start());
    const SimPtr b = StartSim(63);
    QVERIFY(b);
    const quint16 closed = ClosedPort(QStringLiteral("127.0.0.64"));
    QVERIFY(closed != 0);
    const QString nobody = QStringLiteral("127.0.0.64:%1").arg(closed);
    // Ephemeral ports have five digits: both hosts are 16 characters wide.
    QCOMPARE(a.hostPort().size(), 16);
    QCOMPARE(nobody.size(), 16);
    const auto place = [&](QString text) {
        return text.replace(QLatin1String("@APORT"), QString::number(a.port()))
            .replace(QLatin1String("@BPORT"), QString::number(b->port()))
            .replace(QLatin1String("@A"), a.hostPort())
            .replace(QLatin1String("@B"), b->hostPort())
            .replace(QLatin1String("@NOBODY"), nobody);
    };
    for (QString& argument : arguments)
        argument = place(argument);
    for (QString& line : expected)
        line = place(line);

    const CliRun run = RunCli(arguments);
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(Lines(run.out), expected);
    // Failures are in the table; standard error stays quiet.
    QVERIFY2(run.err.isEmpty(), run.transcript());
}

void TestCliOutput::retriesWaitForALateDevice_data() {
    QTest::addColumn<int>("retries");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("found on a retry") << 3 << 0;
    QTest::newRow("no retries") << 0 << 3;
}

void TestCliOutput::retriesWaitForALateDevice() {
    QFETCH(int, retries);
    QFETCH(int, exitCode);
    const QString address = QStringLiteral("127.0.0.65");
    const quint16 port = ClosedPort(address);
    QVERIFY(port != 0);

    RunningCli cli({"read", "--json", "--verbose", "--retries", QString::number(retries),
                    QStringLiteral("%1:%2").arg(address).arg(port)});
    // The device starts listening once the first attempt was refused.
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT(
        (err += cli.process.readAllStandardError()).contains("attempt 2") || cli.Finished(), 20000);
    const SimPtr late = StartSim(65, port);
    QVERIFY(late);
    QVERIFY(cli.Finished() || cli.process.waitForFinished(30000));
    err += cli.process.readAllStandardError();
    const QByteArray out = cli.process.readAllStandardOutput();
    QVERIFY2(cli.process.exitCode() == exitCode, out + err);
    const QJsonObject result =
        QJsonDocument::fromJson(out).object().value("results").toArray().at(0).toObject();
    QCOMPARE(result.contains("config"), exitCode == 0);
    // The first retry waits a second: the run took at least that.
    if (retries > 0)
        QVERIFY2(cli.clock.elapsed() >= 1000, qPrintable(QString::number(cli.clock.elapsed())));
    else
        QVERIFY2(result.value("error").toString() == "cannot connect: connection refused", out);
}

QTEST_MAIN(TestCliOutput)
#include "tst_cli_output.moc"
