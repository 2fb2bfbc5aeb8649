// rk5720-cli with devices that fail and with many devices at once: each
// failure gets its exit code, the other hosts go on, the run exits with the
// highest code, --jobs bounds the work in parallel, and scan finds exactly
// the devices there are.
#include "CliProcess.h"
#include "FaultNames.h"
#include "FirmwareImage.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <vector>

class TestCliFleet : public QObject {
    Q_OBJECT
private slots:
    void failingDevice_data();
    void failingDevice();
    void writtenIsWhatTheDeviceConfirmed_data();
    void writtenIsWhatTheDeviceConfirmed();
    void droppedUpgradeLeavesTheOthersGoing();
    void unreachableHostAmongGoodOnes();
    void jobsBoundTheDevicesInParallel_data();
    void jobsBoundTheDevicesInParallel();
    void scanFindsExactlyTheDevices();
    void scanListsLateDevicesInAddressOrder();
    void restartWithTheRealPause();

private:
    QTemporaryDir dir;
};

namespace {

using SimPtr = std::unique_ptr<sim::SimulatorThread>;

QJsonArray Results(const CliRun& run) {
    return run.json().value("results").toArray();
}

// When the program talked to the device: its first command to its last answer.
struct Span {
    uint32_t begin = 0;
    uint32_t end = 0;
};

Span TalkSpan(const sim::SimulatorThread& device) {
    const QList<sim::WireEntry> received = device.wireLog(sim::WireEntry::Kind::Received);
    const QList<sim::WireEntry> sent = device.wireLog(sim::WireEntry::Kind::Sent);
    if (received.isEmpty() || sent.isEmpty())
        return {};
    return {received.front().tick, sent.back().tick};
}

// The most spans that were open at one moment.
int MostAtOnce(const QList<Span>& spans) {
    int most = 0;
    for (const Span& at : spans) {
        const int open = int(std::count_if(spans.begin(), spans.end(), [&](const Span& s) {
            return s.begin <= at.begin && at.begin < s.end;
        }));
        most = std::max(most, open);
    }
    return most;
}

} // namespace

void TestCliFleet::failingDevice_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");

    const QStringList quick{"--timeout", "500"};
    QTest::newRow("refused setting")
        << QStringList{"write", "--mask", "255.0.0.0", "--gw", "127.0.0.9"} << "reject:GW" << 1
        << "refused the gw";
    QTest::newRow("refused restart write")
        << QStringList{"write", "--port", "2000", "--restart", "--restart-pause", "300"}
        << "reject:SERVICE" << 1 << "refused the port";
    QTest::newRow("remote COM refused")
        << QStringList{"rcom", "on"} << "reject:SERVORRCOM" << 1 << "refused to switch it on";
    QTest::newRow("install refused")
        << QStringList{"upgrade", "@IMAGE"} << "upgradeFail" << 1 << "refused to install";
    QTest::newRow("silent read") << (QStringList{"read"} << quick) << "silent" << 3
                                 << "did not answer";
    QTest::newRow("silent write") << (QStringList{"write", "--mask", "255.0.0.0"} << quick)
                                  << "silent" << 3 << "did not answer";
    QTest::newRow("silent instrument") << (QStringList{"instrument", "BA001"} << quick)
                                       << "silent:READBUF" << 3 << "did not come within 500 ms";
    QTest::newRow("silent ModBus")
        << (QStringList{"modbus", "00 01 00 00 00 06 01 03 00 00 00 02"} << quick)
        << "silent:MODBUS" << 3 << "no reply within 500 ms";
}

void TestCliFleet::failingDevice() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, fault);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    sim::SimFaults faults;
    ApplyFaultName(faults, fault);
    const SimPtr device = StartSim(20, 0, faults);
    QVERIFY(device);
    const QString image = WriteFile(
        dir, QStringLiteral("fail.bin"),
        sim::BuildFirmwareImage(QStringLiteral("2.00A"), QStringLiteral("01.01.26"), 4000));
    QVERIFY(!image.isEmpty());
    arguments.replaceInStrings(QStringLiteral("@IMAGE"), image);

    const CliRun run = RunCli(arguments << "--json" << device->hostPort());
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject result = Results(run).at(0).toObject();
    QCOMPARE(result.value("exit_code").toInt(-1), exitCode);
    QVERIFY2(result.value("error").toString().contains(error), run.transcript());
    // A refusal keeps the device where it was; nothing is installed.
    QCOMPARE(device->restartCount(), 0);
    QCOMPARE(device->state().version, QStringLiteral("1.00A"));
}

// A failed write reports what the device confirmed, each confirmation after
// its own command, and apply's "after" what the device may hold.
void TestCliFleet::writtenIsWhatTheDeviceConfirmed_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QStringList>("unknown"); // apply: keys "after" cannot tell

    const QStringList none;
    const QStringList restart{"--restart", "--restart-pause", "300"};
    QTest::newRow("hangs up after two")
        << "write" << none << "dropAfter:2" << 3 << "did not confirm the gw"
        << QStringList{"ip", "mask"} << none;
    QTest::newRow("refuses one") << "write" << none << "reject:GW" << 1 << "refused the gw"
                                 << QStringList{"ip", "mask", "speed"} << none;
    QTest::newRow("confirms all early") << "write" << none << "confirmAllEarly" << 3
                                        << "did not confirm the mask" << QStringList{"ip"} << none;
    QTest::newRow("confirms all early, restart")
        << "write" << restart << "confirmAllEarly" << 3 << "did not confirm the mask"
        << QStringList{"ip"} << none;
    QTest::newRow("apply, hangs up after two")
        << "apply" << restart << "dropAfter:12" << 3 << "did not confirm the gw"
        << QStringList{"ip", "mask"} << QStringList{"gw", "speed"};
    QTest::newRow("apply, refuses one") << "apply" << none << "reject:GW" << 1 << "refused the gw"
                                        << QStringList{"ip", "mask", "speed"} << none;
}

void TestCliFleet::writtenIsWhatTheDeviceConfirmed() {
    QFETCH(QString, command);
    QFETCH(QStringList, extra);
    QFETCH(QString, fault);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    QFETCH(QStringList, written);
    QFETCH(QStringList, unknown);
    sim::SimFaults faults;
    ApplyFaultName(faults, fault);
    const SimPtr device = StartSim(21, 0, faults);
    QVERIFY(device);
    QStringList arguments{command, "--json", "--answer-timeout", "300"};
    if (command == QLatin1String("apply"))
        arguments << WriteFile(dir, QStringLiteral("four.json"),
                               R"({"ip": "127.0.0.9", "mask": "255.0.0.0", "gw": "127.0.0.250",
                                   "speed": 4})");
    else
        arguments << QStringList{"--ip", "127.0.0.9",   "--mask",  "255.0.0.0",
                                 "--gw", "127.0.0.250", "--speed", "4"};
    const CliRun run = RunCli(arguments << extra << device->hostPort());
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject result = Results(run).at(0).toObject();
    QVERIFY2(result.value("error").toString().contains(error), run.transcript());
    QCOMPARE(result.value("written").toVariant().toStringList(), written);
    QCOMPARE(result.value("restarted").toBool(), false);
    QCOMPARE(device->restartCount(), 0);
    if (command == QLatin1String("apply")) {
        const QJsonObject after = result.value("after").toObject();
        for (const QString key : {"ip", "mask", "gw", "speed"})
            QCOMPARE(after.value(key).toVariant().toString() == QLatin1String("unknown"),
                     unknown.contains(key));
        // A refused value stays as it was.
        if (fault.startsWith(QLatin1String("reject")))
            QCOMPARE(after.value("gw"), result.value("before").toObject().value("gw"));
    }
}

void TestCliFleet::droppedUpgradeLeavesTheOthersGoing() {
    sim::SimFaults dropping;
    dropping.dropAfterCommands = 9;
    const SimPtr broken = StartSim(21, 0, dropping);
    const SimPtr healthy = StartSim(22);
    QVERIFY(broken && healthy);
    const QByteArray image =
        sim::BuildFirmwareImage(QStringLiteral("2.10B"), QStringLiteral("05.05.26"), 12000);
    const QString path = WriteFile(dir, QStringLiteral("fleet.bin"), image);
    QVERIFY(!path.isEmpty());

    const CliRun run = RunCli({"upgrade", "--json", "--restart-pause", "300", path,
                               broken->hostPort(), healthy->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.json().value("exit_code").toInt(), 3);
    const QJsonArray results = Results(run);
    QCOMPARE(results.size(), 2);
    const QJsonObject lost = results.at(0).toObject();
    QCOMPARE(lost.value("host").toString(), QStringLiteral("127.0.0.21"));
    QCOMPARE(lost.value("exit_code").toInt(), 3);
    // The device drops the connection after the announcement of block 7 (its
    // ninth command, after the MAC query); the report names that block as the
    // device numbers it.
    QVERIFY2(lost.value("error").toString().contains(QStringLiteral("block 7")), run.transcript());
    const QJsonObject done = results.at(1).toObject();
    QCOMPARE(done.value("host").toString(), QStringLiteral("127.0.0.22"));
    QCOMPARE(done.value("exit_code").toInt(-1), 0);
    QCOMPARE(done.value("version").toString(), QStringLiteral("2.10B"));
    QCOMPARE(done.value("mismatched_blocks").toInt(-1), 0);
    QCOMPARE(healthy->state().image, image);
    QCOMPARE(broken->state().version, QStringLiteral("1.00A"));
    QCOMPARE(broken->restartCount(), 0);
}

void TestCliFleet::unreachableHostAmongGoodOnes() {
    const SimPtr first = StartSim(23);
    const SimPtr last = StartSim(24);
    QVERIFY(first && last);
    const quint16 closed = ClosedPort(QStringLiteral("127.0.0.25"));
    QVERIFY(closed != 0);
    const QString nobody = QStringLiteral("127.0.0.25:%1").arg(closed);

    const CliRun run = RunCli({"read", "--json", first->hostPort(), nobody, last->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 3);
    const QJsonArray results = Results(run);
    QCOMPARE(results.size(), 3);
    const QStringList expectedHosts{"127.0.0.23", "127.0.0.25", "127.0.0.24"};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject result = results.at(i).toObject();
        QCOMPARE(result.value("host").toString(), expectedHosts.at(i));
        QCOMPARE(result.value("exit_code").toInt(-1), i == 1 ? 3 : 0);
        QCOMPARE(result.contains("config"), i != 1);
    }
    // Words as Linux names the error; the workstation's code only as a field.
    const QJsonObject refused = results.at(1).toObject();
    QCOMPARE(refused.value("error").toString(),
             QStringLiteral("cannot connect: connection refused"));
    QCOMPARE(refused.value("socket_error").toInt(), 10061);
    QCOMPARE(results.at(2).toObject().value("config").toObject().value("port").toInt(),
             int(last->port()));

    // The same in text: every host's lines, the failure on standard error.
    const CliRun text = RunCli({"read", first->hostPort(), nobody, last->hostPort()});
    QCOMPARE(text.exitCode, 3);
    QVERIFY2(text.out.contains(first->hostPort().toUtf8() + ": version:"), text.transcript());
    QVERIFY2(text.out.contains(last->hostPort().toUtf8() + ": version:"), text.transcript());
    QVERIFY2(text.err.contains(nobody.toUtf8()), text.transcript());
    // One line names the host once, and no platform code.
    QVERIFY2(text.err.count(nobody.toUtf8()) == 1 && !text.err.contains("10061"),
             text.transcript());
}

void TestCliFleet::jobsBoundTheDevicesInParallel_data() {
    QTest::addColumn<int>("jobs");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("two at a time") << 2;
    QTest::newRow("all at once") << 4;
}

void TestCliFleet::jobsBoundTheDevicesInParallel() {
    QFETCH(int, jobs);
    sim::SimFaults slow;
    slow.answerDelayMs = 20;
    std::vector<SimPtr> devices;
    QStringList arguments{"read", "--json", "--jobs", QString::number(jobs)};
    for (int octet = 31; octet <= 34; ++octet) {
        devices.push_back(StartSim(octet, 0, slow));
        QVERIFY(devices.back());
        arguments << devices.back()->hostPort();
    }

    const CliRun run = RunCli(arguments);
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    const QJsonArray results = Results(run);
    QCOMPARE(results.size(), 4);
    QList<Span> spans;
    for (int i = 0; i < 4; ++i) {
        const QJsonObject result = results.at(i).toObject();
        QCOMPARE(result.value("host").toString(), QStringLiteral("127.0.0.%1").arg(31 + i));
        QCOMPARE(result.value("exit_code").toInt(-1), 0);
        QCOMPARE(result.value("config").toObject().value("ip").toString(),
                 result.value("host").toString());
        QCOMPARE(devices.at(i)->connectionCount(), 1);
        spans << TalkSpan(*devices.at(i));
    }
    QVERIFY2(MostAtOnce(spans) <= jobs, qPrintable(QString::number(MostAtOnce(spans))));
}

void TestCliFleet::scanFindsExactlyTheDevices() {
    // Three devices on one port, found by binding the first to any port and
    // the others to the same; another device elsewhere must not be found.
    const SimPtr elsewhere = StartSim(4);
    QVERIFY(elsewhere);
    std::vector<SimPtr> devices;
    for (int attempt = 0; attempt < 20 && devices.size() < 3; ++attempt) {
        devices.clear();
        devices.push_back(StartSim(1));
        QVERIFY(devices.back());
        const quint16 port = devices.back()->port();
        if (port == elsewhere->port()) {
            devices.clear();
            continue;
        }
        for (int octet = 2; octet <= 3; ++octet) {
            devices.push_back(StartSim(octet, port));
            if (!devices.back()) {
                devices.clear();
                break;
            }
        }
    }
    QCOMPARE(devices.size(), size_t(3));
    const quint16 port = devices.front()->port();
    devices.at(1)->setVersion(QStringLiteral("1.09Z"), QStringLiteral("09.09.25"));
    devices.at(2)->updateState([](sim::DeviceState& s) { s.config.macAddr = "02-00-00-00-00-03"; });

    const CliRun run = RunCli({"scan", "127.0.0.0/24", "--port", QString::number(port), "--json"});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    const QJsonObject json = run.json();
    QCOMPARE(json.value("range").toString(), QStringLiteral("127.0.0.0/24"));
    QCOMPARE(json.value("port").toInt(), int(port));
    const QJsonArray found = json.value("devices").toArray();
    QCOMPARE(found.size(), 3);
    const QStringList versions{"1.00A", "1.09Z", "1.00A"};
    const QStringList macs{"00-1A-2B-3C-4D-5E", "00-1A-2B-3C-4D-5E", "02-00-00-00-00-03"};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject device = found.at(i).toObject();
        QCOMPARE(device.value("address").toString(), QStringLiteral("127.0.0.%1").arg(i + 1));
        QCOMPARE(device.value("port").toInt(), int(port));
        QCOMPARE(device.value("version").toString(), versions.at(i));
        QCOMPARE(device.value("mac").toString(), macs.at(i));
    }
    QCOMPARE(elsewhere->connectionCount(), 0);
}

void TestCliFleet::scanListsLateDevicesInAddressOrder() {
    // .51 answers 600 ms late, after .52 has answered; the text lists it
    // first all the same, counts it apart and names the option that finds it.
    sim::SimFaults late;
    late.answerDelayMs = 600;
    const SimPtr slow = StartSim(51, 0, late);
    QVERIFY(slow);
    const SimPtr quick = StartSim(52, slow->port());
    QVERIFY(quick);
    const QString port = QString::number(slow->port());
    const QString mac = QStringLiteral("00-1A-2B-3C-4D-5E");
    const CliRun text = RunCli({"scan", "127.0.0.48/29", "--port", port});
    QVERIFY2(text.finished, text.transcript());
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(QString::fromUtf8(text.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             QStringList({QStringLiteral("127.0.0.51:%1").arg(port).leftJustified(21) +
                              "  connected, no answer within 500 ms",
                          QStringLiteral("127.0.0.52:%1").arg(port).leftJustified(21) +
                              "  version 1.00A  date 01.02.08  MAC " + mac,
                          "1 device(s) found in 127.0.0.48/29 (6 addresses probed)",
                          "1 address(es) took the connection but did not answer within 500 ms: "
                          "a slow link or a busy device needs a longer --answer-timeout"}));

    const CliRun json =
        RunCli({"scan", "127.0.0.48/29", "--port", port, "--answer-timeout", "1500", "--json"});
    QVERIFY2(json.finished, json.transcript());
    const QJsonArray found = json.json().value("devices").toArray();
    QCOMPARE(found.size(), 2);
    for (const QJsonValue& device : found) {
        QVERIFY(device.toObject().value("answered").toBool());
        QCOMPARE(device.toObject().value("mac").toString(), mac);
    }
    QCOMPARE(json.json().value("no_answer_in_time").toInt(-1), 0);
}

void TestCliFleet::restartWithTheRealPause() {
    const SimPtr device = StartSim(40);
    QVERIFY(device);

    const CliRun run =
        RunCli({"write", "--json", "--mask", "255.255.255.128", "--restart", device->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    const QJsonObject result = Results(run).at(0).toObject();
    QCOMPARE(result.value("now_at").toString(), device->hostPort());
    QCOMPARE(result.value("config").toObject().value("mask").toString(),
             QStringLiteral("255.255.255.128"));
    QCOMPARE(device->restartCount(), 1);
    // The device is back after 200 ms, but is not called again before the pause.
    const QList<sim::WireEntry> received = device->wireLog(sim::WireEntry::Kind::Received);
    const auto close = std::find_if(received.begin(), received.end(), [](const sim::WireEntry& e) {
        return e.bytes.toUpper().contains("CLOSE");
    });
    QVERIFY(close != received.end());
    QVERIFY(close + 1 != received.end());
    const uint32_t away = (close + 1)->tick - close->tick;
    QVERIFY2(away >= 7000, qPrintable(QString::number(away)));
    QVERIFY(away < 15000);
}

QTEST_GUILESS_MAIN(TestCliFleet)
#include "tst_cli_fleet.moc"
