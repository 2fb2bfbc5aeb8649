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
    QTest::newRow("write --values") << "write";
    QTest::newRow("apply") << "apply";
}

void TestCliConfig::fleetFromATable() {
    QFETCH(QString, command);
    const bool apply = command == QLatin1String("apply");
    const auto first = StartSim(61);
    const auto second = StartSim(62);
    QVERIFY(first && second);
    // Columns in another order than the write order, a quoted field, one
    // value left as it is and one already as wanted.
    const QByteArray table = "host,ip,speed,mask\n" +
                             Row(*first, "127.0.0.71", "\"100 Mbit/s full duplex\",") +
                             Row(*second, "127.0.0.72", ",255.255.255.0");
    const QString file = WriteFile(dir, command + QStringLiteral(".csv"), table);
    QVERIFY(!file.isEmpty());
    const QStringList restart{"--restart", "--restart-pause", "300", "--json"};

    if (apply) {
        // --check: the differences, and nothing written.
        const CliRun check = RunCli(QStringList{"apply", file, "--check", "--json"});
        QVERIFY2(check.finished, check.transcript());
        QCOMPARE(check.exitCode, 0);
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

QTEST_GUILESS_MAIN(TestCliConfig)
#include "tst_cli_config.moc"
