// Every command of rk5720-cli against a healthy simulator, its JSON output
// read back field by field and held against what the device holds.
#include "CliProcess.h"
#include "FirmwareImage.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

class TestCliCommands : public QObject {
    Q_OBJECT
private slots:
    void readReportsEveryParameter();
    void verboseTracesCommandsAndAnswers();
    void deviceTextReachesTheTerminalEscaped_data();
    void deviceTextReachesTheTerminalEscaped();
    void writeIsConfirmedAndStored_data();
    void writeIsConfirmedAndStored();
    void writeRestartFollowsTheDeviceToItsNewPlace();
    void restartVerifiesTheDeviceThatAnswers();
    void slowLinkNeedsTheAnswerTimeout_data();
    void slowLinkNeedsTheAnswerTimeout();
    void exportThenImportClonesADevice();
    void upgradeInstallsAndVerifies_data();
    void upgradeInstallsAndVerifies();
    void compareJudgesEveryBlock_data();
    void compareJudgesEveryBlock();
    void remoteComSwitch_data();
    void remoteComSwitch();
    void instrumentBlock_data();
    void instrumentBlock();
    void modbusReply_data();
    void modbusReply();
    void modbusSaysWhatCame_data();
    void modbusSaysWhatCame();

private:
    QTemporaryDir dir;
};

namespace {

const char* const kFull100 = "100 Mbit/s full duplex";

// The one host's result of a run's JSON document, after checking the document.
QJsonObject OnlyResult(const CliRun& run, const QString& command) {
    const QJsonObject json = run.json();
    if (json.value("command").toString() != command ||
        json.value("exit_code").toInt(-1) != run.exitCode)
        return QJsonObject();
    const QJsonArray results = json.value("results").toArray();
    return results.size() == 1 ? results.at(0).toObject() : QJsonObject();
}

void CustomState(sim::DeviceState& s) {
    s.config.netMask = QStringLiteral("255.255.0.0");
    s.config.gateway = QStringLiteral("127.0.0.100");
    s.config.macAddr = QStringLiteral("02-11-22-33-44-55");
    s.config.packFloat = 2;
    s.activePackFloat = 2;
    s.config.speedDuplex = 3;
}

} // namespace

void TestCliCommands::readReportsEveryParameter() {
    const auto device = StartSim(2);
    QVERIFY(device);
    device->updateState(CustomState);
    device->setVersion(QStringLiteral("1.07D"), QStringLiteral("03.04.25"));

    const CliRun run = RunCli({"read", "--json", device->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    const QJsonObject result = OnlyResult(run, "read");
    QCOMPARE(result.value("host").toString(), QStringLiteral("127.0.0.2"));
    QCOMPARE(result.value("port").toInt(), int(device->port()));
    QCOMPARE(result.value("exit_code").toInt(-1), 0);
    QVERIFY(result.value("error").isNull());
    QCOMPARE(result.value("version").toString(), QStringLiteral("1.07D"));
    QCOMPARE(result.value("date").toString(), QStringLiteral("03.04.25"));
    const QJsonObject config = result.value("config").toObject();
    QCOMPARE(config.size(), 7);
    QCOMPARE(config.value("ip").toString(), QStringLiteral("127.0.0.2"));
    QCOMPARE(config.value("mask").toString(), QStringLiteral("255.255.0.0"));
    QCOMPARE(config.value("port").toInt(), int(device->port()));
    QCOMPARE(config.value("gw").toString(), QStringLiteral("127.0.0.100"));
    QCOMPARE(config.value("mac").toString(), QStringLiteral("02-11-22-33-44-55"));
    QCOMPARE(config.value("byte_order").toString(), QStringLiteral("3-2-1-0"));
    QCOMPARE(config.value("speed").toString(), QLatin1String(kFull100));
}

void TestCliCommands::verboseTracesCommandsAndAnswers() {
    const auto device = StartSim(2);
    QVERIFY(device);
    const CliRun run = RunCli({"read", "-v", device->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    const QByteArray prefix = device->hostPort().toUtf8() + ": ";
    QVERIFY2(run.err.contains(prefix + "> ?IpAddr;\n" + prefix + "< IPADDR = 127.0.0.2;"),
             run.transcript());
    QVERIFY2(run.err.contains(prefix + "> ?Speed_Duplex;"), run.transcript());
}

void TestCliCommands::deviceTextReachesTheTerminalEscaped_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QByteArray>("shown"); // in the output; empty: JSON, exact
    QTest::addColumn<QByteArray>("never"); // nowhere in the output

    // A version text that would clear the screen of whoever reads the output.
    const QString clear = QStringLiteral("1.0\x1b[2J");
    QTest::newRow("text") << QStringList{} << clear << QByteArray("1.0\\x1b[2J")
                          << QByteArray("\x1b");
    QTest::newRow("verbose") << QStringList{"-v"} << clear << QByteArray("1.0\\x1b[2J")
                             << QByteArray("\x1b");
    QTest::newRow("json") << QStringList{"--json"} << clear << QByteArray() << QByteArray();
    // A formula a spreadsheet would run when the file is opened.
    QTest::newRow("csv formula") << QStringList{"--format", "csv"}
                                 << QStringLiteral("=CMD|' /C CALC'!A0")
                                 << QByteArray(",'=CMD|' /C CALC'!A0,") << QByteArray(",=CMD");
    QTest::newRow("csv at sign") << QStringList{"--format", "csv"} << QStringLiteral("@SUM(A1)")
                                 << QByteArray(",'@SUM(A1),") << QByteArray(",@SUM");
}

void TestCliCommands::deviceTextReachesTheTerminalEscaped() {
    QFETCH(QStringList, options);
    QFETCH(QString, version);
    QFETCH(QByteArray, shown);
    QFETCH(QByteArray, never);
    const auto device = StartSim(2);
    QVERIFY(device);
    device->setVersion(version, QStringLiteral("03.04.25"));
    const CliRun run = RunCli(QStringList{"read", device->hostPort()} << options);
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    if (shown.isEmpty()) {
        // The document stays exact; JSON escapes it by itself.
        QCOMPARE(OnlyResult(run, "read").value("version").toString(), version);
        return;
    }
    QVERIFY2(!run.out.contains(never) && !run.err.contains(never), run.transcript());
    QVERIFY2(run.out.contains(shown) || run.err.contains(shown), run.transcript());
}

void TestCliCommands::writeIsConfirmedAndStored_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<int>("packFloat");
    QTest::addColumn<int>("speed");
    // What standard error warns of (written all the same); empty: no warning.
    QTest::addColumn<QString>("warning");

    QTest::newRow("every value by text")
        << QStringList{"--ip",         "127.0.0.9",
                       "--mask",       "255.0.0.0",
                       "--port",       "4321",
                       "--gw",         "127.0.0.254",
                       "--mac",        "02-00-00-00-00-07",
                       "--byte-order", "2-3-0-1",
                       "--speed",      "10 Mbit/s half duplex"}
        << QStringList{"ip", "mask", "port", "gw", "mac", "byte_order", "speed"} << 3 << 2 << "";
    QTest::newRow("tables by index") << QStringList{"--speed", "4", "--byte-order", "1"}
                                     << QStringList{"byte_order", "speed"} << 1 << 4 << "";
    QTest::newRow("no mask, no gateway")
        << QStringList{"--mask", "0.0.0.0", "--gw", "0.0.0.0"} << QStringList{"mask", "gw"} << 0
        << 0 << "--gw 0.0.0.0 leaves the device without a gateway";
    QTest::newRow("broadcast MAC") << QStringList{"--mac", "FF-FF-FF-FF-FF-FF"}
                                   << QStringList{"mac"} << 0 << 0 << "is a broadcast address";
    QTest::newRow("multicast MAC") << QStringList{"--mac", "01-00-5E-00-00-01"}
                                   << QStringList{"mac"} << 0 << 0 << "is a multicast address";
    QTest::newRow("ip 0.0.0.0") << QStringList{"--ip", "0.0.0.0"} << QStringList{"ip"} << 0 << 0
                                << "--ip 0.0.0.0 is no address a device can be reached at";
    QTest::newRow("broadcast ip")
        << QStringList{"--ip", "255.255.255.255"} << QStringList{"ip"} << 0 << 0
        << "--ip 255.255.255.255 is no address a device can be reached at";
    QTest::newRow("multicast ip") << QStringList{"--ip", "239.1.2.3"} << QStringList{"ip"} << 0 << 0
                                  << "--ip 239.1.2.3 is a multicast address";
}

void TestCliCommands::writeIsConfirmedAndStored() {
    QFETCH(QStringList, options);
    QFETCH(QStringList, written);
    QFETCH(int, packFloat);
    QFETCH(int, speed);
    QFETCH(QString, warning);
    const auto device = StartSim(3);
    QVERIFY(device);
    const sim::NetworkConfig before = device->state().config;

    const CliRun run = RunCli(QStringList{"write", "--json"} << options << device->hostPort());
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    if (warning.isEmpty())
        QVERIFY2(!run.err.contains("warning"), run.transcript());
    else
        QVERIFY2(run.err.contains("warning: ") && QString::fromUtf8(run.err).contains(warning),
                 run.transcript());
    const QJsonObject result = OnlyResult(run, "write");
    QCOMPARE(result.value("exit_code").toInt(-1), 0);
    QVERIFY(result.value("error").isNull());
    QCOMPARE(result.value("written").toVariant().toStringList(), written);
    QVERIFY(!result.contains("now_at"));

    // Stored for the next restart, which did not happen.
    const sim::NetworkConfig after = device->state().config;
    QCOMPARE(after.packFloat, packFloat);
    QCOMPARE(after.speedDuplex, speed);
    const qsizetype ipAt = options.indexOf(QStringLiteral("--ip"));
    QCOMPARE(after.ipAddr, ipAt >= 0 ? options.at(ipAt + 1) : before.ipAddr);
    QCOMPARE(after.port, written.contains("port") ? quint16(4321) : before.port);
    QCOMPARE(device->restartCount(), 0);
    QCOMPARE(device->address(), QHostAddress(QStringLiteral("127.0.0.3")));
}

void TestCliCommands::writeRestartFollowsTheDeviceToItsNewPlace() {
    const auto device = StartSim(4);
    QVERIFY(device);
    const quint16 newPort = ClosedPort(QStringLiteral("127.0.0.5"));
    QVERIFY(newPort != 0);
    const QString newPlace = QStringLiteral("127.0.0.5:%1").arg(newPort);

    const CliRun run = RunCli({"write", "--json", "--ip", "127.0.0.5", "--port",
                               QString::number(newPort), "--byte-order", "0-1-2-3", "--restart",
                               "--restart-pause", "300", device->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(device->restartCount(), 1);
    QCOMPARE(device->hostPort(), newPlace);
    const QJsonObject result = OnlyResult(run, "write");
    QCOMPARE(result.value("host").toString(), QStringLiteral("127.0.0.4"));
    QCOMPARE(result.value("now_at").toString(), newPlace);
    const QJsonObject config = result.value("config").toObject();
    QCOMPARE(config.value("ip").toString(), QStringLiteral("127.0.0.5"));
    QCOMPARE(config.value("port").toInt(), int(newPort));
    QCOMPARE(config.value("byte_order").toString(), QStringLiteral("0-1-2-3"));
    // Read back after the restart, on a second connection at the new place.
    QCOMPARE(device->connectionCount(), 2);
    QVERIFY(run.elapsedMs >= 300);
}

void TestCliCommands::restartVerifiesTheDeviceThatAnswers() {
    // The device written to never comes back; another one already holds the
    // address it was given, and answers there with the values written.
    sim::SimFaults away;
    away.noComeBack = true;
    const auto device = StartSim(33, 0, away);
    QVERIFY(device);
    const auto other = StartSim(34, device->port());
    QVERIFY(other);
    other->updateState(
        [](sim::DeviceState& s) { s.config.macAddr = QStringLiteral("02-00-00-00-00-34"); });

    const CliRun run = RunCli({"write", "--json", "--ip", "127.0.0.34", "--restart",
                               "--restart-pause", "300", device->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 1);
    const QJsonObject result = OnlyResult(run, "write");
    QVERIFY2(result.value("error").toString().contains(
                 QStringLiteral("another device answers at 127.0.0.34")),
             run.transcript());
}

void TestCliCommands::slowLinkNeedsTheAnswerTimeout_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("read, the window's 500 ms") << QStringList{"read"} << 3;
    QTest::newRow("read, 1500 ms") << QStringList{"read", "--answer-timeout", "1500"} << 0;
    QTest::newRow("write, 1500 ms")
        << QStringList{"write", "--gw", "127.0.0.77", "--answer-timeout", "1500"} << 0;
}

void TestCliCommands::slowLinkNeedsTheAnswerTimeout() {
    // Every answer 600 ms away, as over a slow VPN.
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    sim::SimFaults slow;
    slow.answerDelayMs = 600;
    const auto device = StartSim(35, 0, slow);
    QVERIFY(device);
    const CliRun run = RunCli(arguments << "--json" << device->hostPort());
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == 0 && arguments.first() == QLatin1String("write"))
        QCOMPARE(device->state().config.gateway, QStringLiteral("127.0.0.77"));
}

void TestCliCommands::exportThenImportClonesADevice() {
    const auto source = StartSim(6);
    const auto clone = StartSim(7);
    QVERIFY(source && clone);
    source->updateState(CustomState);
    const QString file = dir.filePath(QStringLiteral("backup.json"));

    const CliRun toStdout = RunCli({"export", source->hostPort()});
    QVERIFY2(toStdout.finished && toStdout.exitCode == 0, toStdout.transcript());
    const CliRun toFile = RunCli({"export", "-o", file, source->hostPort()});
    QVERIFY2(toFile.finished && toFile.exitCode == 0, toFile.transcript());
    QVERIFY2(toFile.out.isEmpty(), toFile.transcript());
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QJsonObject document = QJsonDocument::fromJson(saved.readAll()).object();
    QCOMPARE(document, toStdout.json());
    QCOMPARE(document.value("source").toString(), source->hostPort());
    QCOMPARE(document.value("version").toString(), QStringLiteral("1.00A"));
    const QJsonObject config = document.value("config").toObject();
    QCOMPARE(config.value("mac").toString(), QStringLiteral("02-11-22-33-44-55"));

    // A clone takes everything but its own address.
    const CliRun import = RunCli({"import", "--json", file, "--ip", "127.0.0.7", "--port",
                                  QString::number(clone->port()), clone->hostPort()});
    QVERIFY2(import.finished, import.transcript());
    QCOMPARE(import.exitCode, 0);
    QCOMPARE(OnlyResult(import, "import").value("written").toArray().size(), 7);

    const CliRun read = RunCli({"read", "--json", clone->hostPort()});
    QVERIFY2(read.finished && read.exitCode == 0, read.transcript());
    QJsonObject expected = config;
    expected.insert("ip", "127.0.0.7");
    expected.insert("port", int(clone->port()));
    QCOMPARE(OnlyResult(read, "read").value("config").toObject(), expected);

    // The same through a pipe: export's output on import's standard input.
    const auto third = StartSim(8);
    QVERIFY(third);
    const CliRun piped =
        RunCli({"import", "-", "--ip", "127.0.0.8", third->hostPort()}, toStdout.out);
    QVERIFY2(piped.finished && piped.exitCode == 0, piped.transcript());
    QCOMPARE(third->state().config.macAddr, QStringLiteral("02-11-22-33-44-55"));
    QCOMPARE(third->state().config.speedDuplex, 3);
}

void TestCliCommands::upgradeInstallsAndVerifies_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("blocks");
    QTest::newRow("20 blocks, the last one short") << "2.05C" << 20000 << 20;
    QTest::newRow("exact blocks") << "2.06A" << 8192 << 8;
}

void TestCliCommands::upgradeInstallsAndVerifies() {
    QFETCH(QString, version);
    QFETCH(int, size);
    QFETCH(int, blocks);
    const auto device = StartSim(9);
    QVERIFY(device);
    const QByteArray image = sim::BuildFirmwareImage(version, QStringLiteral("11.11.26"), size);
    const QString file = WriteFile(dir, QStringLiteral("upgrade.bin"), image);
    QVERIFY(!file.isEmpty());

    const CliRun run =
        RunCli({"upgrade", "--json", "--restart-pause", "300", file, device->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(device->restartCount(), 1);
    QCOMPARE(device->state().image, image);
    const QJsonObject result = OnlyResult(run, "upgrade");
    QVERIFY(result.value("error").isNull());
    QCOMPARE(result.value("version").toString(), version);
    QCOMPARE(result.value("date").toString(), QStringLiteral("11.11.26"));
    QCOMPARE(result.value("blocks").toInt(), blocks);
    QCOMPARE(result.value("mismatched_blocks").toInt(-1), 0);
}

void TestCliCommands::compareJudgesEveryBlock_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");
    // How many 1,024-byte blocks and bytes differ; -1: not checked.
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("bytes");

    const QByteArray stored = sim::DeviceState::Defaults().image;
    QTest::newRow("the stored image") << stored << 0 << "" << 0 << 0;
    QTest::newRow("another version")
        << sim::BuildFirmwareImage("1.00B", "01.02.08", int(stored.size())) << 1
        << "versions differ" << -1 << -1;
    // Same marker, other payload: only the blocks can tell.
    QTest::newRow("same version, other content")
        << sim::BuildFirmwareImage("1.00A", "01.02.08", int(stored.size()), 0x1234) << 1
        << "blocks differ" << -1 << -1;
    // Two bytes of one block and one of another, past the marker; the header's
    // CRC (two bytes of block 0) changes with them.
    QByteArray three = stored;
    for (const qsizetype at : {three.size() - 5, three.size() - 6, three.size() - 3000})
        three[at] = char(three[at] ^ 0x01);
    sim::SealFirmwareImage(three);
    QTest::newRow("three bytes in two blocks")
        << three << 1 << "3 blocks differ (5 bytes)" << 3 << 5;
}

void TestCliCommands::compareJudgesEveryBlock() {
    QFETCH(QByteArray, file);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    QFETCH(int, blocks);
    QFETCH(int, bytes);
    const auto device = StartSim(10);
    QVERIFY(device);
    const QString path = WriteFile(dir, QStringLiteral("compare.bin"), file);

    const CliRun run = RunCli({"compare", "--json", path, device->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject result = OnlyResult(run, "compare");
    QCOMPARE(result.value("same").toBool(), exitCode == 0);
    QVERIFY2(result.value("error").toString().contains(error), run.transcript());
    QCOMPARE(result.value("error").isNull(), exitCode == 0);
    if (error == QLatin1String("blocks differ"))
        QVERIFY(result.value("mismatched_blocks").toInt() > 0);
    if (blocks >= 0) {
        QCOMPARE(result.value("mismatched_blocks").toInt(-1), blocks);
        QCOMPARE(result.value("mismatched_bytes").toInt(-1), bytes);
    }
    QCOMPARE(device->restartCount(), 0);
}

void TestCliCommands::remoteComSwitch_data() {
    QTest::addColumn<bool>("initially");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("after");
    QTest::newRow("on") << false << "on" << true;
    QTest::newRow("off") << true << "off" << false;
    QTest::newRow("status on") << true << "status" << true;
    QTest::newRow("status off") << false << "status" << false;
}

void TestCliCommands::remoteComSwitch() {
    QFETCH(bool, initially);
    QFETCH(QString, action);
    QFETCH(bool, after);
    const auto device = StartSim(11);
    QVERIFY(device);
    device->updateState([&](sim::DeviceState& s) { s.remoteCom = initially; });

    const CliRun run = RunCli({"rcom", action, "--json", device->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(OnlyResult(run, "rcom").value("remote_com").toString(),
             after ? QStringLiteral("on") : QStringLiteral("off"));
    QCOMPARE(device->state().remoteCom, after);
}

void TestCliCommands::instrumentBlock_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("firstFloat");
    // The instrument the device was asked for; empty: `number` itself.
    QTest::addColumn<QString>("sent");
    // The block leaves the device cut after this many bytes, the rest never
    // follows in time; 0: whole.
    QTest::addColumn<int>("cutAt");

    // 101.25 is 42 CA 80 00; the device's order 0 sends bytes 1, 0, 3, 2.
    QTest::newRow("BA001") << "BA001" << 0 << 129 << "800042CA"
                           << "" << 0;
    // 20.5 is 41 A4 00 00; the device takes the number in any case.
    QTest::newRow("lower case") << "ba002" << 0 << 129 << "000041A4"
                                << "" << 0;
    // K, L, M and R instruments keep 128 bytes: no byte the device never sent.
    QTest::newRow("128-byte instrument") << "KA010" << 0 << 128 << ""
                                         << "" << 0;
    QTest::newRow("not on the line") << "BA077" << 1 << 0 << ""
                                     << "" << 0;
    // Above 255 the number wraps as the window's field wraps it.
    QTest::newRow("wrapped number") << "BA301" << 0 << 129 << "800042CA"
                                    << "BA001" << 0;
    QTest::newRow("block cut short") << "BA001" << 1 << 100 << "800042CA"
                                     << "" << 100;
}

void TestCliCommands::instrumentBlock() {
    QFETCH(QString, number);
    QFETCH(int, exitCode);
    QFETCH(int, length);
    QFETCH(QString, firstFloat);
    QFETCH(QString, sent);
    QFETCH(int, cutAt);
    sim::SimFaults faults;
    faults.splitDataAt = cutAt;
    faults.splitGapMs = 1000;
    const auto device = StartSim(12, 0, faults);
    QVERIFY(device);

    const CliRun run = RunCli({"instrument", number, "--json", device->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject result = OnlyResult(run, "instrument");
    if (cutAt > 0) {
        QVERIFY2(result.value("error").toString().contains(
                     QStringLiteral("the instrument sent %1 of 129 bytes").arg(cutAt)),
                 run.transcript());
        QCOMPARE(result.value("length").toInt(), cutAt);
        return;
    }
    if (exitCode != 0) {
        QVERIFY(result.value("error").toString().contains(number));
        return;
    }
    if (!sent.isEmpty())
        QVERIFY2(run.err.contains(QStringLiteral("%1 is read as %2").arg(number, sent).toUtf8()),
                 run.transcript());
    QCOMPARE(result.value("instrument").toString(), sent.isEmpty() ? number : sent);
    QCOMPARE(result.value("length").toInt(), length);
    const QString block = result.value("block").toString();
    QCOMPARE(block.size(), 2 * length);
    QVERIFY2(block.startsWith(firstFloat), qPrintable(block));
    // 32 floats, then for 129-byte instruments one zero.
    QCOMPARE(block.mid(256), length == 129 ? QStringLiteral("00") : QString());
}

void TestCliCommands::modbusReply_data() {
    QTest::addColumn<int>("deviceOrder");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("byteOrder");
    QTest::addColumn<QList<double>>("floats");
    QTest::addColumn<int>("exception");

    const QString inputs = QStringLiteral("00 01 00 00 00 06 01 04 00 00 00 04");
    const QList<double> values{101.25, 102.5};
    QTest::newRow("auto, the device's order")
        << 2 << inputs << QStringList{"--float", "auto"} << 0 << "3-2-1-0" << values << -1;
    QTest::newRow("given by text")
        << 3 << inputs << QStringList{"--float", "2-3-0-1"} << 0 << "2-3-0-1" << values << -1;
    QTest::newRow("given by index")
        << 0 << inputs << QStringList{"--float", "0"} << 0 << "1-0-3-2" << values << -1;
    QTest::newRow("no register read")
        << 0 << "00 02 00 00 00 06 01 06 00 01 00 05" << QStringList{"--float", "auto"} << 0
        << "1-0-3-2" << QList<double>() << -1;
    QTest::newRow("unknown unit") << 0 << "00 03 00 00 00 06 63 03 00 00 00 02" << QStringList()
                                  << 1 << "" << QList<double>() << 11;
    QTest::newRow("illegal function")
        << 0 << "00 04 00 00 00 02 01 07" << QStringList{"--float", "auto"} << 1 << ""
        << QList<double>() << 1;
    QTest::newRow("past the registers") << 0 << "00 05 00 00 00 06 01 03 00 3F 00 02"
                                        << QStringList() << 1 << "" << QList<double>() << 2;
}

void TestCliCommands::modbusReply() {
    QFETCH(int, deviceOrder);
    QFETCH(QString, frame);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, byteOrder);
    QFETCH(QList<double>, floats);
    QFETCH(int, exception);
    const auto device = StartSim(13);
    QVERIFY(device);
    device->updateState([&](sim::DeviceState& s) {
        s.config.packFloat = deviceOrder;
        s.activePackFloat = deviceOrder;
    });

    const CliRun run =
        RunCli(QStringList{"modbus", frame, "--json"} << options << device->hostPort());
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject result = OnlyResult(run, "modbus");
    QCOMPARE(result.value("request").toString(), frame);
    // The reply carries the request's transaction id.
    QVERIFY2(result.value("header").toString().startsWith(frame.left(5)), run.transcript());
    if (exception >= 0) {
        const QJsonObject object = result.value("exception").toObject();
        QCOMPARE(object.value("code").toInt(), exception);
        // One way in text and JSON: decimal, with its hexadecimal beside it.
        const QString hex = QStringLiteral("%1").arg(exception, 2, 16, QLatin1Char('0')).toUpper();
        QCOMPARE(object.value("hex").toString(), hex);
        QVERIFY2(result.value("error").toString().contains(
                     QStringLiteral("exception %1 (%2 hex)").arg(exception).arg(hex)),
                 run.transcript());
        QVERIFY(!object.value("name").toString().isEmpty());
        QVERIFY2(result.value("error").toString().contains(object.value("name").toString()),
                 run.transcript());
        QVERIFY(!result.contains("floats"));
        return;
    }
    QVERIFY(result.value("exception").isNull());
    QCOMPARE(result.value("byte_order").toString(), byteOrder);
    const QJsonArray decoded = result.value("floats").toArray();
    QCOMPARE(decoded.size(), floats.size());
    for (qsizetype i = 0; i < floats.size(); ++i)
        QCOMPARE(decoded.at(i).toDouble(), floats.at(i));
}

void TestCliCommands::modbusSaysWhatCame_data() {
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("functionShift");
    QTest::addColumn<int>("cutAt");
    QTest::addColumn<QString>("error");
    QTest::newRow("another transaction")
        << 4 << 0 << 0 << "a reply for transaction 00 05, not 00 01";
    QTest::newRow("another function") << 0 << -1 << 0 << "a reply for function 03, not 04";
    QTest::newRow("header in pieces") << 0 << 0 << 3 << "header came in pieces (3 bytes first)";
    QTest::newRow("nothing") << 0 << 0 << -1 << "no reply within 500 ms";
}

void TestCliCommands::modbusSaysWhatCame() {
    QFETCH(int, shift);
    QFETCH(int, functionShift);
    QFETCH(int, cutAt);
    QFETCH(QString, error);
    sim::SimFaults faults;
    faults.modbusTransactionShift = shift;
    faults.modbusFunctionShift = functionShift;
    faults.splitDataAt = std::max(cutAt, 0);
    if (cutAt < 0)
        faults.silentCommands = QStringList{"MODBUS"};
    const auto device = StartSim(14, 0, faults);
    QVERIFY(device);
    const CliRun run = RunCli({"modbus", "00 01 00 00 00 06 01 04 00 00 00 02", "--timeout", "500",
                               "--json", device->hostPort()});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(OnlyResult(run, "modbus").value("error").toString().contains(error), run.transcript());
}

QTEST_GUILESS_MAIN(TestCliCommands)
#include "tst_cli_commands.moc"
