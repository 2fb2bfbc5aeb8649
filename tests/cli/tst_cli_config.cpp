// rk5720-cli on a fleet's configuration: a table renumbers several devices in
// one run, apply changes only what differs (and a second run nothing), and
// export keeps several devices at once.
#include "CliProcess.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

class TestCliConfig : public QObject {
    Q_OBJECT
private slots:
    void fleetFromATable_data();
    void fleetFromATable();
    void exportOfSeveralHosts();
    void checkComparesMacAddressesAsHexadecimalPairs_data();
    void checkComparesMacAddressesAsHexadecimalPairs();
    void readOutputIsATable();
    void storedPortWaitsForARestart();

private:
    QTemporaryDir dir;
};

namespace {

QJsonArray Results(const CliRun& run) {
    return run.json().value("results").toArray();
}

// A row of the fleet's table: where a device is, and where it goes.
QByteArray Row(const sim::SimulatorThread& device, const QString& ip, const QString& rest) {
    return (device.hostPort() + QLatin1Char(',') + ip + QLatin1Char(',') + rest + QLatin1Char('\n'))
        .toUtf8();
}

} // namespace

void TestCliConfig::fleetFromATable_data() {
    QTest::addColumn<QString>("command");
    // Saved by a spreadsheet: ";", a byte order mark, headers in capitals,
    // CRLF, empty columns at the right and a row of empty cells.
    QTest::addColumn<bool>("spreadsheet");
    QTest::newRow("write --values") << "write" << false;
    QTest::newRow("apply") << "apply" << false;
    QTest::newRow("apply, as a spreadsheet saves it") << "apply" << true;
}

// The table as a spreadsheet saves it in a locale with the decimal comma.
static QByteArray AsSpreadsheet(const QByteArray& table) {
    QByteArray saved = "\xEF\xBB\xBF";
    const QList<QByteArray> lines = table.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).isEmpty())
            continue;
        QByteArray line = lines.at(i);
        line.replace(',', ';');
        saved += (i == 0 ? line.toUpper() : line) + ";;\r\n";
        if (i == 1)
            saved += ";;;;;\r\n";
    }
    return saved;
}

void TestCliConfig::fleetFromATable() {
    QFETCH(QString, command);
    QFETCH(bool, spreadsheet);
    const bool apply = command == QLatin1String("apply");
    const auto first = StartSim(61);
    const auto second = StartSim(62);
    QVERIFY(first && second);
    for (const auto& [device, mac] : {std::pair{first.get(), "02-00-00-00-00-61"},
                                      std::pair{second.get(), "02-00-00-00-00-62"}}) {
        sim::DeviceState state = device->state();
        state.config.macAddr = QLatin1String(mac);
        device->setState(state);
    }
    // Columns in another order than the write order, a quoted field, one
    // value left as it is and one already as wanted.
    const QByteArray table = "host,ip,speed,mask\n" +
                             Row(*first, "127.0.0.71", "\"100 Mbit/s full duplex\",") +
                             Row(*second, "127.0.0.72", ",255.255.255.0");
    const QString file = WriteFile(dir, command + QStringLiteral(".csv"),
                                   spreadsheet ? AsSpreadsheet(table) : table);
    QVERIFY(!file.isEmpty());
    const QStringList restart{"--restart", "--restart-pause", "300", "--json"};

    if (apply) {
        // --check: the differences, and nothing written.
        const CliRun check = RunCli(QStringList{"apply", file, "--check", "--json"});
        QVERIFY2(check.finished, check.transcript());
        QCOMPARE(check.exitCode, 4); // drift: something would change
        QCOMPARE(check.json().value("check").toBool(), true);
        const QJsonArray results = Results(check);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results.at(0)["host"].toString(), QStringLiteral("127.0.0.61"));
        QCOMPARE(results.at(0)["changed"].toBool(), true);
        const QJsonArray differences = results.at(0)["differences"].toArray();
        QCOMPARE(differences.size(), 2);
        QCOMPARE(differences.at(0)["key"].toString(), QStringLiteral("ip"));
        QCOMPARE(differences.at(0)["before"].toString(), QStringLiteral("127.0.0.61"));
        QCOMPARE(differences.at(0)["after"].toString(), QStringLiteral("127.0.0.71"));
        QCOMPARE(differences.at(1)["after"].toString(), QStringLiteral("100 Mbit/s full duplex"));
        QCOMPARE(results.at(0)["after"]["speed"].toString(),
                 QStringLiteral("100 Mbit/s full duplex"));
        // The mask is as wanted already: the second device differs in its address only.
        QCOMPARE(results.at(1)["differences"].toArray().size(), 1);
        for (const auto* device : {first.get(), second.get()}) {
            QVERIFY2(!device->received().contains(" = "), device->received());
            QCOMPARE(device->restartCount(), 0);
        }
    }

    const QStringList what =
        apply ? QStringList{command, file} : QStringList{command, QStringLiteral("--values"), file};
    const CliRun run = RunCli(what + restart);
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(first->restartCount(), 1);
    QCOMPARE(second->restartCount(), 1);
    QCOMPARE(first->state().config.ipAddr, QStringLiteral("127.0.0.71"));
    QCOMPARE(first->state().config.speedDuplex, 3);
    QCOMPARE(second->state().config.ipAddr, QStringLiteral("127.0.0.72"));
    const QJsonArray results = Results(run);
    QCOMPARE(results.size(), 2);
    QCOMPARE(results.at(1)["now_at"].toString(),
             QStringLiteral("127.0.0.72:%1").arg(second->port()));
    if (!apply)
        return;
    QCOMPARE(results.at(0)["restarted"].toBool(), true);
    QCOMPARE(results.at(1)["written"].toArray(), QJsonArray{QStringLiteral("ip")});

    // The same table again, the devices gone from the hosts it names. Without
    // a MAC address no device is taken for a row's ...
    const CliRun rerun = RunCli(QStringList{"apply", file} + restart);
    QVERIFY2(rerun.finished, rerun.transcript());
    QCOMPARE(rerun.exitCode, 3);
    QVERIFY2(Results(rerun).at(0)["error"].toString().contains("add a \"mac\" column"),
             rerun.transcript());
    // ... with it, each is found where the table put it, and is as desired.
    const QList<QByteArray> lines = table.split('\n');
    const QString withMac =
        WriteFile(dir, command + QStringLiteral("-mac.csv"),
                  lines.at(0) + ",mac\n" + lines.at(1) + ",02-00-00-00-00-61\n" + lines.at(2) +
                      ",02-00-00-00-00-62\n");
    const CliRun found = RunCli(QStringList{"apply", withMac} + restart);
    QVERIFY2(found.finished, found.transcript());
    QCOMPARE(found.exitCode, 0);
    QCOMPARE(Results(found).at(0)["found_at"].toString(), first->hostPort());
    QCOMPARE(Results(found).at(1)["now_at"].toString(), second->hostPort());
    for (const QJsonValue result : Results(found)) {
        QCOMPARE(result["changed"].toBool(), false);
        QCOMPARE(result["pending_restart"].toBool(), false);
    }

    // Again, at the new places: nothing differs, nothing is sent, no restart.
    const QByteArray again = "host,ip,speed,mask\n" +
                             Row(*first, "127.0.0.71", "\"100 Mbit/s full duplex\",") +
                             Row(*second, "127.0.0.72", ",255.255.255.0");
    QVERIFY(again.startsWith("host,ip,speed,mask\n127.0.0.71:"));
    const QString againFile = WriteFile(dir, QStringLiteral("again.csv"), again);
    first->clearWireLog();
    const CliRun second_run = RunCli(QStringList{"apply", againFile} + restart);
    QVERIFY2(second_run.finished, second_run.transcript());
    QCOMPARE(second_run.exitCode, 0);
    for (const QJsonValue result : Results(second_run)) {
        QCOMPARE(result["changed"].toBool(), false);
        QCOMPARE(result["written"].toArray().size(), 0);
    }
    QVERIFY2(!first->received().contains(" = "), first->received());
    QCOMPARE(first->restartCount(), 1);
    QCOMPARE(second->restartCount(), 1);
}

void TestCliConfig::exportOfSeveralHosts() {
    const auto first = StartSim(63);
    const auto second = StartSim(64);
    QVERIFY(first && second);
    const QString silent =
        QStringLiteral("127.0.0.65:%1").arg(ClosedPort(QStringLiteral("127.0.0.65")));

    // Into a folder: a file per host.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const CliRun toFolder =
        RunCli({"export", "-o", folder.path(), second->hostPort(), first->hostPort()});
    QVERIFY2(toFolder.finished, toFolder.transcript());
    QCOMPARE(toFolder.exitCode, 0);
    for (const auto* device : {first.get(), second.get()}) {
        QFile file(folder.filePath(
            QStringLiteral("%1_%2.json").arg(device->address().toString()).arg(device->port())));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QJsonObject document = QJsonDocument::fromJson(file.readAll()).object();
        QCOMPARE(document["source"].toString(), device->hostPort());
        QCOMPARE(document["config"]["ip"].toString(), device->address().toString());
    }

    // To standard output: one document, in the order given; a host that
    // cannot be reached is left out and sets the exit code.
    const CliRun toOutput =
        RunCli({"export", "--timeout", "1000", second->hostPort(), silent, first->hostPort()});
    QVERIFY2(toOutput.finished, toOutput.transcript());
    QCOMPARE(toOutput.exitCode, 3);
    const QJsonArray exports = toOutput.json().value("exports").toArray();
    QCOMPARE(exports.size(), 2);
    QCOMPARE(exports.at(0)["source"].toString(), second->hostPort());
    QCOMPARE(exports.at(1)["source"].toString(), first->hostPort());
    QVERIFY2(toOutput.err.contains(silent.toUtf8() + ": cannot connect"), toOutput.transcript());
}

// "11" is 0x11, never decimal 11 = 0x0B; --check exits 4 on drift unless a
// host failed.
void TestCliConfig::checkComparesMacAddressesAsHexadecimalPairs_data() {
    QTest::addColumn<QString>("wantFirst");
    QTest::addColumn<QString>("wantSecond"); // empty: an unreachable second host
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("firstChanged");
    QTest::newRow("0B wanted 11") << "00-1A-2B-3C-4D-11"
                                  << "00-1A-2B-3C-4D-0B" << 4 << true;
    QTest::newRow("as desired, lower case") << "00-1a-2b-3c-4d-0b"
                                            << "00-1A-2B-3C-4D-11" << 0 << false;
    QTest::newRow("failure outranks drift") << "00-1A-2B-3C-4D-11"
                                            << "" << 3 << true;
}

void TestCliConfig::checkComparesMacAddressesAsHexadecimalPairs() {
    QFETCH(QString, wantFirst);
    QFETCH(QString, wantSecond);
    QFETCH(int, exitCode);
    QFETCH(bool, firstChanged);
    const auto first = StartSim(66);
    const auto second = StartSim(67);
    QVERIFY(first && second);
    sim::DeviceState state = first->state();
    state.config.macAddr = QStringLiteral("00-1A-2B-3C-4D-0B");
    first->setState(state);
    state = second->state();
    state.config.macAddr = QStringLiteral("00-1A-2B-3C-4D-11");
    second->setState(state);
    const QString silent =
        QStringLiteral("127.0.0.68:%1").arg(ClosedPort(QStringLiteral("127.0.0.68")));
    // Both MAC addresses in one table: two addresses, no duplicate.
    const QByteArray table = "host,mac\n" + (first->hostPort() + ',' + wantFirst + '\n').toUtf8() +
                             ((wantSecond.isEmpty() ? silent : second->hostPort()) + ',' +
                              (wantSecond.isEmpty() ? "00-1A-2B-3C-4D-22" : wantSecond) + '\n')
                                 .toUtf8();
    const QString file = WriteFile(dir, QStringLiteral("macs.csv"), table);
    const CliRun run = RunCli({"apply", file, "--check", "--json", "--timeout", "1000"});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.json().value("exit_code").toInt(), exitCode);
    QCOMPARE(Results(run).at(0)["changed"].toBool(), firstChanged);
    QCOMPARE(Results(run).at(0)["exit_code"].toInt(-1), 0);
    QVERIFY2(!first->received().contains(" = "), first->received());
}

// What read --format csv printed is a table apply and write --values take
// back, its other columns ignored by name.
void TestCliConfig::readOutputIsATable() {
    const auto first = StartSim(69);
    const auto second = StartSim(70);
    QVERIFY(first && second);
    sim::DeviceState state = second->state();
    state.config.macAddr = QStringLiteral("02-00-00-00-00-70");
    second->setState(state);
    const CliRun read = RunCli({"read", "--format", "csv", first->hostPort(), second->hostPort()});
    QVERIFY2(read.finished && read.exitCode == 0, read.transcript());
    QVERIFY2(read.out.startsWith("host,exit_code,ip,"), read.transcript());
    const QString file = WriteFile(dir, QStringLiteral("read.csv"), read.out);
    const CliRun check = RunCli({"apply", file, "--check", "--json"});
    QVERIFY2(check.finished && check.exitCode == 0, check.transcript());
    for (const QJsonValue result : Results(check))
        QCOMPARE(result["changed"].toBool(), false);
    const CliRun write = RunCli({"write", "--values", file, "--json"});
    QVERIFY2(write.finished, write.transcript());
    QCOMPARE(write.exitCode, 0);
    QCOMPARE(Results(write).at(1)["written"].toArray().size(), 7);
}

// Written without a restart, the port waits for one: apply --restart gives
// it, though nothing is left to write; --check calls that drift.
void TestCliConfig::storedPortWaitsForARestart() {
    const auto device = StartSim(73);
    QVERIFY(device);
    const int port = ClosedPort(QStringLiteral("127.0.0.73"));
    const QString where = device->hostPort();
    const CliRun write = RunCli({"write", "--port", QString::number(port), where});
    QVERIFY2(write.finished && write.exitCode == 0, write.transcript());
    const QString wanted = WriteFile(dir, QStringLiteral("port.json"),
                                     QStringLiteral("{\"port\": %1}").arg(port).toUtf8());
    const QStringList restart{"--restart", "--restart-pause", "300", "--json"};

    const CliRun plain = RunCli({"apply", wanted, "--json", where});
    QVERIFY2(plain.finished, plain.transcript());
    QCOMPARE(plain.exitCode, 0);
    QCOMPARE(Results(plain).at(0)["pending_restart"].toBool(), true);
    QCOMPARE(Results(plain).at(0)["changed"].toBool(), false);
    const CliRun check = RunCli(QStringList{"apply", wanted, "--check", where} + restart);
    QVERIFY2(check.finished, check.transcript());
    QCOMPARE(check.exitCode, 4);
    QCOMPARE(device->restartCount(), 0);

    const CliRun run = RunCli(QStringList{"apply", wanted, where} + restart);
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    const QJsonObject result = Results(run).at(0).toObject();
    QCOMPARE(result["restarted"].toBool(), true);
    QCOMPARE(result["changed"].toBool(), true);
    QCOMPARE(result["written"].toArray().size(), 0);
    QCOMPARE(result["now_at"].toString(), QStringLiteral("127.0.0.73:%1").arg(port));
    QCOMPARE(device->restartCount(), 1);
    QCOMPARE(int(device->port()), port);
}

QTEST_GUILESS_MAIN(TestCliConfig)
#include "tst_cli_config.moc"
