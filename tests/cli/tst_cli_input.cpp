// rk5720-cli as a script sees it before any device is involved: bad input is
// refused with exit 2 and a message naming it, and nothing reaches the device;
// help and the offline image check.
#include "CliProcess.h"
#include "FirmwareImage.h"

#include <QTemporaryDir>
#include <QtTest>

class TestCliInput : public QObject {
    Q_OBJECT
private slots:
    void badInputSendsNothing_data();
    void badInputSendsNothing();
    void helpOfEveryCommand_data();
    void helpOfEveryCommand();
    void imageInfo_data();
    void imageInfo();
};

namespace {
const char* const kFrame = "00 01 00 00 00 06 01 03 00 00 00 02";
}

void TestCliInput::badInputSendsNothing_data() {
    // "@HOST" is a healthy simulator, "@PORT" its port, "@FILE" a file holding
    // `content` (also the standard input), "@MISSING" a file that is not there.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    const auto row = [](const char* name, const QStringList& arguments, const QString& message,
                        const QByteArray& content = QByteArray()) {
        QTest::newRow(name) << arguments << content << message;
    };
    row("no command", {}, "no command given");
    row("unknown command", {"frobnicate", "@HOST"}, "unknown command \"frobnicate\"");
    row("unknown option", {"read", "--colour", "@HOST"}, "unknown option \"--colour\"");
    row("unknown short option", {"read", "-x", "@HOST"}, "unknown option \"-x\"");
    // Single-dash words are -h, -o and -v alone: no bundles, no long names.
    row("short options bundled", {"read", "-vh", "@HOST"}, "unknown option \"-vh\"");
    row("long option with one dash", {"read", "-json", "@HOST"}, "unknown option \"-json\"");
    // The first fault from the left is the one named.
    row("first fault named", {"read", "--jobs", "1", "--colour", "--jobs", "2", "@HOST"},
        "unknown option \"--colour\"");
    row("option twice", {"read", "--jobs", "1", "--jobs", "2", "@HOST"}, "--jobs given twice");
    row("flag with a value", {"read", "--json=1", "@HOST"}, "--json takes no value");
    row("missing host", {"read"}, "read needs a host");
    row("export of two hosts to a file", {"export", "-o", "@FILE", "@HOST", "127.0.0.2:@PORT"},
        "must be an existing folder");

    row("empty host", {"read", "@HOST", ""}, "bad host \"\"");
    row("port 0", {"read", "@HOST", "127.0.0.1:0"}, "bad port in host \"127.0.0.1:0\"");
    row("port 70000", {"read", "@HOST", "127.0.0.1:70000"}, "bad port in host \"127.0.0.1:70000\"");
    row("port with a sign", {"read", "@HOST", "127.0.0.1:+80"}, "bad port in host");
    row("three-part address", {"read", "@HOST", "1.2.3"}, "bad host \"1.2.3\"");
    row("address as one number", {"read", "@HOST", "16909060"}, "bad host \"16909060\"");
    row("five-part address", {"read", "@HOST", "1.2.3.4.5"}, "bad host \"1.2.3.4.5\"");
    row("blank in a name", {"read", "@HOST", "a b"}, "bad host \"a b\"");
    // A leading zero would be dialled as octal (012 is 10), another device.
    row("leading zero in a host", {"read", "@HOST", "127.0.0.012"}, "bad host \"127.0.0.012\"");
    row("number in disguise", {"read", "@HOST", "0x7f.0.0.3"}, "bad host \"0x7f.0.0.3\"");
    row("same host twice", {"read", "@HOST", "@HOST"}, "is given twice");
    row("same host, two spellings", {"read", "localhost:@PORT", "127.0.0.1:@PORT"},
        "is given twice (as localhost:");
    // Control characters of an argument are shown, not sent to the terminal.
    row("escape in a host", {"read", "@HOST", "a\x1b[2J"}, "bad host \"a\\x1b[2J\"");
    row("mask not contiguous", {"write", "--mask", "255.0.255.0", "@HOST"},
        "bad --mask \"255.0.255.0\": expected a dotted mask");
    row("hosts file missing", {"read", "--hosts-file", "@MISSING"}, "cannot open");
    row("hosts file, one host in two spellings", {"read", "--hosts-file", "@CSV"}, "is given twice",
        "# site A\n@HOST\n\n  localhost:@PORT  # the same one\n");
    row("hosts file, bad range", {"read", "--hosts-file", "@CSV"},
        "line 2: ", "@HOST\n127.0.0.0/33\n");
    row("hosts file and configuration on standard input", {"apply", "-", "--hosts-file", "-"},
        "cannot both read standard input", "{}");
    row("configuration too large", {"apply", "@FILE", "@HOST"}, "at most 1024 KiB",
        QByteArray((1 << 20) + 1, ' '));
    row("export through a planted link", {"export", "-o", "@LINK", "@HOST"}, "is a symbolic link");
    row("one address for two hosts", {"write", "--ip", "127.0.0.50", "@HOST", "127.0.0.2:@PORT"},
        "would give 2 hosts the same address");
    row("one MAC for two hosts",
        {"import", "@FILE", "--mac", "02-00-00-00-00-01", "@HOST", "127.0.0.2:@PORT"},
        "would give 2 hosts the same MAC address", R"({"port": 1024})");
    // Values as the window's own fields allow them: canonical forms only.
    for (const char* ip : {" 127.0.0.41", "+127.0.0.42", "127.0.0.0x29", "127.000.000.043"})
        row(qPrintable(QStringLiteral("write ip ") + QLatin1String(ip)),
            {"write", "--ip", ip, "@HOST"},
            QStringLiteral("bad --ip \"%1\"").arg(QLatin1String(ip)));
    row("write port in hexadecimal", {"write", "--port", "$3AAD", "@HOST"}, "bad --port \"$3AAD\"");
    row("write port with a leading zero", {"write", "--port", "01024", "@HOST"}, "bad --port");
    row("write mac in decimal parts", {"write", "--mac", "200-1-2-3-4-5", "@HOST"},
        "bad --mac \"200-1-2-3-4-5\"");
    row("jobs 0", {"read", "--jobs", "0", "@HOST"}, "bad --jobs \"0\"");
    row("jobs not a number", {"read", "--jobs", "two", "@HOST"}, "bad --jobs \"two\"");
    row("timeout 0", {"read", "--timeout", "0", "@HOST"}, "bad --timeout \"0\"");
    for (const char* wait : {"0", "abc", "60001"})
        row(qPrintable(QStringLiteral("answer timeout ") + QLatin1String(wait)),
            {"read", "--answer-timeout", wait, "@HOST"},
            QStringLiteral("bad --answer-timeout \"%1\"").arg(QLatin1String(wait)));
    row("timeout too long", {"read", "--timeout", "600001", "@HOST"}, "bad --timeout \"600001\"");
    // A pause that is no number is no pause of 0.
    for (const char* pause : {"abc", "-1", "+5", "1e3", "600001"})
        row(qPrintable(QStringLiteral("restart pause ") + QLatin1String(pause)),
            {"write", "--ip", "127.0.0.1", "--restart", "--restart-pause", pause, "@HOST"},
            "bad --restart-pause");

    row("scan range too large", {"scan", "127.0.0.0/8", "--port", "@PORT"}, "too large");
    row("scan prefix 33", {"scan", "127.0.0.0/33", "--port", "@PORT"},
        "bad range \"127.0.0.0/33\"");
    row("scan junk", {"scan", "junk", "--port", "@PORT"}, "bad range \"junk\"");
    row("scan dotted range too large", {"scan", "127.0.0.0-127.1.0.0", "--port", "@PORT"},
        "too large");
    row("scan dotted range upside down", {"scan", "127.0.0.9-127.0.0.1", "--port", "@PORT"},
        "the first address is above the last");
    row("scan port 70000", {"scan", "127.0.0.1/32", "--port", "70000"}, "bad --port \"70000\"");

    row("write no value", {"write", "@HOST"}, "write needs at least one value");
    row("write option without value", {"write", "@HOST", "--ip"}, "--ip needs a value");
    row("write ip 300", {"write", "--ip", "300.1.1.1", "@HOST"}, "bad --ip \"300.1.1.1\"");
    row("write port 0", {"write", "--port", "0", "@HOST"}, "bad --port \"0\"");
    row("write mac", {"write", "--mac", "bad", "@HOST"}, "bad --mac \"bad\"");
    row("write byte order 7", {"write", "--byte-order", "7", "@HOST"}, "bad --byte-order \"7\"");
    row("write speed", {"write", "--speed", "bogus", "@HOST"}, "bad --speed \"bogus\"");
    row("one bad among good values", {"write", "--mask", "255.255.255.0", "--gw", "1.2.3", "@HOST"},
        "bad --gw \"1.2.3\"");

    row("modbus non-hex byte", {"modbus", "00 01 00 00 00 06 01 03 00 00 00 0G", "@HOST"},
        "byte 12 \"0G\"");
    row("modbus three digits", {"modbus", "00 01 00 00 00 06 01 03 00 00 00 100", "@HOST"},
        "byte 12 \"100\"");
    row("modbus too short", {"modbus", "00 01 00 00 00 01", "@HOST"}, "bad frame: 6 bytes");
    row("modbus length field", {"modbus", "00 01 00 00 00 05 01 03 00 00 00 02", "@HOST"},
        "length field (bytes 5-6) says 5, but 6 bytes");
    row("modbus float order", {"modbus", kFrame, "--float", "4", "@HOST"}, "bad --float \"4\"");

    row("import invalid JSON", {"import", "@FILE", "@HOST"}, "not valid JSON", "{\"ip\": ");
    row("import from stdin, invalid", {"import", "-", "@HOST"}, "not valid JSON", "nonsense");
    row("import array", {"import", "@FILE", "@HOST"}, "expected a JSON object", "[]");
    row("import port as text", {"import", "@FILE", "@HOST"}, "bad \"port\" \"x\"",
        R"({"port": "x"})");
    row("import port as bool", {"import", "@FILE", "@HOST"}, "\"port\" must be",
        R"({"port": true})");
    row("import ip as number", {"import", "@FILE", "@HOST"}, "\"ip\" must be a text",
        R"({"ip": 3})");
    row("import fractional port", {"import", "@FILE", "@HOST"}, "\"port\" must be",
        R"({"port": 1024.5})");
    row("import unknown key", {"import", "@FILE", "@HOST"}, "unknown key \"colour\"",
        R"({"ip": "127.0.0.9", "colour": "red"})");
    row("import unknown key of export", {"import", "@FILE", "@HOST"}, "unknown key \"extra\"",
        R"({"config": {"port": 1024}, "extra": 1})");
    row("import duplicate key", {"import", "@FILE", "@HOST"}, "key \"ip\" stands twice",
        R"({"ip": "127.0.0.9", "ip": "127.0.0.10"})");
    row("import duplicate key inside config", {"import", "@FILE", "@HOST"},
        "key \"port\" stands twice", R"({"config": {"port": 1024, "port": 1025}})");
    row("import version not a text", {"import", "@FILE", "@HOST"}, "\"version\" must be a text",
        R"({"config": {"port": 1024}, "version": 3})");
    row("import config not an object", {"import", "@FILE", "@HOST"}, "\"config\" must be an object",
        R"({"config": 5})");
    row("import failing check", {"import", "@FILE", "@HOST"}, "bad \"mask\" \"255.255.255.256\"",
        R"({"ip": "127.0.0.9", "mask": "255.255.255.256"})");
    row("import speed index", {"import", "@FILE", "@HOST"}, "bad \"speed\" \"5\"",
        R"({"speed": 5})");
    row("import empty object", {"import", "@FILE", "@HOST"}, "holds no setting", "{}");
    row("import bad override", {"import", "@FILE", "--port", "0", "@HOST"}, "bad --port \"0\"",
        R"({"port": 1024})");
    row("import missing file", {"import", "@MISSING", "@HOST"}, "cannot open");
    row("export to a folder that is not there", {"export", "-o", "@MISSING/sub/x.json", "@HOST"},
        "cannot write");

    // A fleet's table: every row checked before anything is sent.
    const auto table = [&](const char* name, const QByteArray& csv, const QString& message) {
        row(qPrintable(QStringLiteral("values: ") + QLatin1String(name)),
            {"write", "--values", "@CSV"}, message, csv);
    };
    table("no header", "", "no header row");
    table("unknown column", "host,colour\n@HOST,red\n",
          "line 1, column 2: unknown column \"colour\"");
    table("column twice", "host,ip,ip\n", "column \"ip\" stands twice");
    table("no host column", "ip\n127.0.0.9\n", "no column \"host\"");
    table("no rows", "host,ip\n", "no host below the header");
    table("bad value", "host,ip\n@HOST,127.0.0.9\n127.0.0.2:@PORT,127.0.0.012\n",
          "line 3, column 2: bad \"ip\" \"127.0.0.012\"");
    table("bad host", "host,ip\n127.0.0.012,127.0.0.9\n", "line 2, column 1: bad host");
    table("fields missing", "host,ip,mask\n@HOST,127.0.0.9\n",
          "line 2: 2 fields, the header has 3");
    table("quote not closed", "host,speed\n@HOST,\"Auto\n", "line 2: a quote is not closed");
    table("nothing to write", "host,ip\n@HOST,\n", "line 2: no value to write");
    table("host twice", "host,ip\n@HOST,127.0.0.9\n@HOST,127.0.0.10\n", "is given twice");
    table("not UTF-8", "host,ip\n@HOST,127.0.0.9\n127.0.0.2:@PORT,\xe9\n",
          "line 3: not UTF-8 text");
    table("semicolons, bad value", "Host;IP;;\n@HOST;127.0.0.9;;\n;;;\n127.0.0.2:@PORT;1.2.3;;\n",
          "line 4, column 2: bad \"ip\" \"1.2.3\"");
    table("host twice, two spellings", "host,ip\n@HOST,127.0.0.9\nLocalHost:@PORT,127.0.0.10\n",
          "line 3: host");
    table("one address for two", "host,ip\n@HOST,127.0.0.9\n127.0.0.2:@PORT,127.0.0.9\n",
          "would both be at 127.0.0.9:");
    table("moved onto a host that stays", "host,ip\n@HOST,127.0.0.2\n127.0.0.2:@PORT,\n",
          "line 3: no value to write");
    table("one MAC for two",
          "host,mac\n@HOST,02-00-00-00-00-09\n127.0.0.2:@PORT,02-00-00-00-00-09\n",
          "would both get the MAC address");
    row("values beside a host", {"write", "--values", "@CSV", "@HOST"}, "give no host",
        "host,ip\n127.0.0.2:@PORT,127.0.0.9\n");
    row("write without host", {"write", "--ip", "127.0.0.9"}, "write needs a host");
    row("apply without host", {"apply", "@FILE"}, "needs a host", R"({"port": 1024})");
    row("apply table beside a host", {"apply", "@CSV", "@HOST"}, "give no host beside it",
        "host,ip\n@HOST,127.0.0.9\n");
    row("apply one address for two", {"apply", "-", "@HOST", "127.0.0.2:@PORT"},
        "would give 2 hosts the same address", R"({"ip": "127.0.0.9"})");
    row("apply moves onto a host that stays", {"apply", "@CSV"},
        "would both be at 127.0.0.2:", "host,ip\n@HOST,127.0.0.2\n127.0.0.2:@PORT,\n");
    row("apply bad export", {"apply", "@FILE", "@HOST"}, "unknown key \"colour\"",
        R"({"colour": 1})");

    row("upgrade invalid image", {"upgrade", "@FILE", "@HOST"},
        "image.bin:", QByteArray(4096, 'x'));
    row("upgrade missing image", {"upgrade", "@MISSING", "@HOST"}, "cannot open");
    row("compare invalid image", {"compare", "@FILE", "@HOST"}, "image.bin:", "NS");
    row("compare missing image", {"compare", "@MISSING", "@HOST"}, "cannot open");

    row("rcom action", {"rcom", "bogus", "@HOST"}, "bad rcom action \"bogus\"");
    row("instrument number", {"instrument", "X1", "@HOST"}, "bad instrument number \"X1\"");
    row("unknown format", {"read", "--format", "xml", "@HOST"}, "bad --format \"xml\"");
    row("format and json", {"read", "--format", "csv", "--json", "@HOST"},
        "--format csv and --json exclude each other");
    row("format without hosts", {"image-info", "--format", "table", "@FILE"},
        "--format table does not apply to image-info");
    row("format of export", {"export", "--format", "csv", "@HOST"},
        "--format csv does not apply to export");
    row("negative retries", {"read", "--retries", "-1", "@HOST"}, "bad --retries \"-1\"");
}

void TestCliInput::badInputSendsNothing() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = WriteFile(dir, QStringLiteral("image.bin"), content);
    QVERIFY(!file.isEmpty());
    const auto device = StartSim(1);
    QVERIFY(device);
    // A table names its hosts inside: they are the simulator's too.
    QByteArray csv = content;
    csv.replace("@HOST", device->hostPort().toUtf8());
    csv.replace("@PORT", QByteArray::number(device->port()));
    const QString table = WriteFile(dir, QStringLiteral("fleet.csv"), csv);
    QVERIFY(!table.isEmpty());
    for (QString& argument : arguments) {
        argument.replace(QLatin1String("@HOST"), device->hostPort());
        argument.replace(QLatin1String("@PORT"), QString::number(device->port()));
        argument.replace(QLatin1String("@FILE"), file);
        argument.replace(QLatin1String("@CSV"), table);
        argument.replace(QLatin1String("@MISSING"), dir.filePath(QStringLiteral("none.json")));
        argument.replace(QLatin1String("@LINK"), dir.filePath(QStringLiteral("link.json")));
    }
    // A link planted where an export goes, pointing at a file of the user's.
    QVERIFY(QFile::link(file, dir.filePath(QStringLiteral("link.json"))));

    const CliRun run = RunCli(arguments, content);
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.out.isEmpty(), run.transcript());
    QVERIFY2(run.err.startsWith("rk5720-cli: "), run.transcript());
    QVERIFY2(QString::fromUtf8(run.err).contains(message), run.transcript());
    QCOMPARE(ConnectionsSeen(*device), 0);
    QCOMPARE(QFileInfo(file).size(), qint64(content.size()));
}

void TestCliInput::helpOfEveryCommand_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("usage");
    QTest::newRow("--help") << QStringList{"--help"} << "Usage: rk5720-cli COMMAND";
    QTest::newRow("help") << QStringList{"help"} << "Usage: rk5720-cli COMMAND";
    for (const char* command : {"read", "write", "export", "import", "apply", "image-info",
                                "upgrade", "compare", "rcom", "instrument", "modbus", "scan"})
        QTest::newRow(command) << QStringList{command, "--help"}
                               << QStringLiteral("Usage: rk5720-cli %1 ").arg(command);
    // Help wins over what else is wrong, and nothing runs.
    QTest::newRow("-h among bad input")
        << QStringList{"write", "--ip", "300.1.1.1", "-h", "1.2.3"} << "Usage: rk5720-cli write ";
}

void TestCliInput::helpOfEveryCommand() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, usage);
    const CliRun run = RunCli(arguments);
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(QString::fromUtf8(run.out).startsWith(usage), run.transcript());
    QVERIFY2(run.out.contains("Exit codes:"), run.transcript());
    QVERIFY2(run.err.isEmpty(), run.transcript());
}

void TestCliInput::imageInfo_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("date");

    QTest::newRow("valid") << sim::BuildFirmwareImage("2.05C", "11.11.26", 20000) << true << 0
                           << "2.05C"
                           << "11.11.26";
    QByteArray corrupted = sim::BuildFirmwareImage("2.05C", "11.11.26", 5000);
    corrupted[2000] = char(corrupted[2000] ^ 0x01);
    QTest::newRow("one bit flipped") << corrupted << true << 2 << ""
                                     << "";
    QTest::newRow("no image") << QByteArray(3000, 'x') << true << 2 << ""
                              << "";
    QTest::newRow("empty file") << QByteArray() << true << 2 << ""
                                << "";
    QTest::newRow("missing file") << QByteArray() << false << 2 << ""
                                  << "";
}

void TestCliInput::imageInfo() {
    QFETCH(QByteArray, content);
    QFETCH(bool, present);
    QFETCH(int, exitCode);
    QFETCH(QString, version);
    QFETCH(QString, date);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("firmware.bin"));
    if (present)
        QCOMPARE(WriteFile(dir, QStringLiteral("firmware.bin"), content), file);

    const CliRun run = RunCli({"image-info", "--json", file});
    QVERIFY2(run.finished, run.transcript());
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject json = run.json();
    QCOMPARE(json.value("command").toString(), QStringLiteral("image-info"));
    QCOMPARE(json.value("exit_code").toInt(-1), exitCode);
    QCOMPARE(json.value("file").toString(), file);
    QCOMPARE(json.value("length").toInteger(-1), qint64(content.size()));
    QCOMPARE(json.value("valid").toBool(), exitCode == 0);
    QCOMPARE(json.value("version").toString(), version);
    QCOMPARE(json.value("date").toString(), date);
    if (exitCode == 0) {
        QCOMPARE(json.value("verdict").toString(), QStringLiteral("valid image"));
        // The CRC the header carries, as the device checks it.
        const int crc = uint8_t(content[2]) | (uint8_t(content[3]) << 8);
        QCOMPARE(json.value("crc").toString(),
                 QStringLiteral("%1").arg(crc, 4, 16, QLatin1Char('0')).toUpper());
    } else {
        QVERIFY(!json.value("verdict").toString().isEmpty());
        QVERIFY(json.value("verdict").toString() != QLatin1String("valid image"));
    }
}

QTEST_GUILESS_MAIN(TestCliInput)
#include "tst_cli_input.moc"
