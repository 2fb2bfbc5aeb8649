// File > "Save configuration..." and "Load configuration...": a configuration
// saved from one simulator, loaded and written to another, reads back equal
// but for what the user changed; a file that is no saved configuration
// changes nothing.
#include "ConfigFiles.h"
#include "LabelColor.h"
#include "SimulatorThread.h"
#include "StatusPanels.h"
#include "ToolHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const kWriteEdits[] = {"MEditIpAddr", "MEditNetMask", "MEditPort", "MEditGW",
                                   "MEditMac"};
const char* const kWriteBoxes[] = {"CheckBoxIPAddr",  "CheckBoxMask", "CheckBoxPort",
                                   "CheckBoxGW",      "CheckBoxMac",  "CheckBoxPackFloat",
                                   "CheckBoxSpeedDup"};
const char* const kReadFields[] = {"EditIPAddr",    "EditMask",    "EditPort",
                                   "EditGW",        "EditMacAddr", "EditSpeedDup",
                                   "EditPackFloat", "EditVersion", "EditDateVersion"};

// What the "Write Config" group shows: texts, drop-downs and ticks.
QStringList WriteGroup(const Controls& ui) {
    QStringList shown;
    for (const char* name : kWriteEdits)
        shown << ui.get<QLineEdit>(name)->text();
    shown << ui.get<QComboBox>("CBoxPackFloat")->currentText()
          << ui.get<QComboBox>("CBoxSpeedDup")->currentText();
    for (const char* name : kWriteBoxes)
        shown << (ui.get<QCheckBox>(name)->isChecked() ? "x" : "-");
    return shown;
}

QStringList ReadFields(const Controls& ui) {
    QStringList shown;
    for (const char* name : kReadFields)
        shown << ui.get<QLineEdit>(name)->text();
    return shown;
}

} // namespace

class TestE2eConfigFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void savedConfigurationWrittenToAnotherReadsBackEqual_data();
    void savedConfigurationWrittenToAnotherReadsBackEqual();
    void saveWritesWholeOrNothing();
    void badFileChangesNothing_data();
    void badFileChangesNothing();

private:
    QString answerFile(bool save, const QString& path);

    std::unique_ptr<ToolHarness> tool;
    ConfigFiles* files = nullptr;
    int dialogsAsked = 0;
};

void TestE2eConfigFile::init() {
    tool = std::make_unique<ToolHarness>();
    files = tool->form->findChild<ConfigFiles*>();
    QVERIFY(files);
    dialogsAsked = 0;
}

void TestE2eConfigFile::cleanup() {
    tool.reset();
}

// The next file dialog of that kind answers `path`.
QString TestE2eConfigFile::answerFile(bool save, const QString& path) {
    (save ? files->saveFile : files->openFile) = [this, path](const QString&, const QString&) {
        ++dialogsAsked;
        return path;
    };
    return path;
}

void TestE2eConfigFile::savedConfigurationWrittenToAnotherReadsBackEqual_data() {
    // The source answers the save's queries whole or in pieces 40 ms apart.
    QTest::addColumn<int>("pieces");
    QTest::newRow("whole answers") << 1;
    QTest::newRow("answers in three pieces") << 3;
}

void TestE2eConfigFile::savedConfigurationWrittenToAnotherReadsBackEqual() {
    QFETCH(int, pieces);
    const auto source = StartSimAt(QStringLiteral("127.0.0.1"), 0);
    QVERIFY(source);
    const auto target = StartSimAt(QStringLiteral("127.0.0.2"), 0);
    QVERIFY(target);
    source->updateFaults([pieces](sim::SimFaults& f) {
        f.answerPieces = pieces;
        f.splitGapMs = 40;
    });
    source->updateState([](sim::DeviceState& s) {
        s.config.netMask = "255.255.0.0";
        s.config.gateway = "127.0.0.100";
        s.config.macAddr = "02-00-00-00-00-0A";
        s.config.packFloat = 2;
        s.config.speedDuplex = 3;
    });
    const Controls ui = tool->ui();

    // Not connected: nothing asked, nothing written.
    const QString path = answerFile(true, tool->dir.filePath(QStringLiteral("source.json")));
    ui.get<QAction>("SaveConfigItem")->trigger();
    QCOMPARE(dialogsAsked, 0);
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("Server is not connected"));

    QVERIFY(tool->connectTo(QStringLiteral("127.0.0.1"), source->port()));
    ui.get<QAction>("SaveConfigItem")->trigger();
    QCOMPARE(dialogsAsked, 1);
    QCOMPARE(tool->errors, QStringList());
    // The status bar has room for the name; the log keeps the path.
    QCOMPARE(tool->status(StatusPanel::Message),
             QStringLiteral("Configuration saved to source.json"));
    QVERIFY(tool->logLines().contains(QStringLiteral("Configuration saved to ") + path));
    const QStringList sourceRead = ReadFields(ui); // the save read the device, as "Read" does
    QCOMPARE(sourceRead.at(1), QStringLiteral("255.255.0.0"));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QJsonObject document = QJsonDocument::fromJson(saved.readAll()).object();
    QCOMPARE(document.value("source").toString(),
             QStringLiteral("127.0.0.1:%1").arg(source->port()));
    QCOMPARE(document.value("version").toString(), QStringLiteral("1.00A"));
    const QJsonObject config = document.value("config").toObject();
    QCOMPARE(config.value("byte_order").toString(), QStringLiteral("3-2-1-0"));
    QCOMPARE(config.value("port").toInt(), int(source->port()));

    // Onto the other device; the user keeps its own address and port.
    QVERIFY(tool->connectTo(QStringLiteral("127.0.0.2"), target->port()));
    for (const char* box : kWriteBoxes)
        ui.get<QCheckBox>(box)->setChecked(false);
    answerFile(false, path);
    ui.get<QAction>("LoadConfigItem")->trigger();
    QCOMPARE(tool->errors, QStringList());
    // Another device's address and MAC are shown but not ticked, in red.
    QCOMPARE(WriteGroup(ui),
             QStringList({"127.0.0.1", "255.255.0.0", QString::number(source->port()),
                          "127.0.0.100", "02-00-00-00-00-0A", "3-2-1-0", "100 Mbit/s full duplex",
                          "-", "x", "x", "x", "-", "x", "x"}));
    const QString why = QStringLiteral("saved from 127.0.0.1:%1, not from 127.0.0.2:%2")
                            .arg(source->port())
                            .arg(target->port());
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("IP and MAC not ticked: ") + why);
    QVERIFY(tool->logLines().contains(QStringLiteral("Configuration loaded from ") + path +
                                      "; IP address and MAC address left unticked: " + why));
    QCOMPARE(LabelColor(tool->form->findChild<StatusPanels*>()->Panel(StatusPanel::Message)),
             QColor(Qt::red));
    ui.get<QLineEdit>("MEditIpAddr")->setText(QStringLiteral("127.0.0.2"));
    ui.get<QLineEdit>("MEditPort")->setText(QString::number(target->port()));
    ui.get<QCheckBox>("ChBoxRestart")->setChecked(false);
    ui.get<QPushButton>("ButtonSetAll")->click();
    QCOMPARE(tool->status(StatusPanel::Message), QString());
    ui.get<QPushButton>("ButtonGetAll")->click();
    QStringList expected = sourceRead;
    expected[0] = QStringLiteral("127.0.0.2");
    expected[2] = QString::number(target->port());
    expected[4] = QStringLiteral("00-1A-2B-3C-4D-5E"); // its own MAC
    QCOMPARE(ReadFields(ui), expected);

    // Loaded back where it was saved, every setting is ticked.
    QVERIFY(tool->connectTo(QStringLiteral("127.0.0.1"), source->port()));
    ui.get<QPushButton>("ButtonGetAll")->click();
    ui.get<QAction>("LoadConfigItem")->trigger();
    QCOMPARE(WriteGroup(ui).mid(7), QStringList({"x", "x", "x", "x", "x", "x", "x"}));
    QCOMPARE(tool->status(StatusPanel::Message),
             QStringLiteral("Configuration loaded from source.json"));
}

void TestE2eConfigFile::saveWritesWholeOrNothing() {
    const auto device = StartSimAt(QStringLiteral("127.0.0.1"), 0);
    QVERIFY(device);
    QVERIFY(tool->connectTo(QStringLiteral("127.0.0.1"), device->port()));
    const Controls ui = tool->ui();
    // A folder that is not there: a message, no file.
    const QString nowhere = answerFile(true, tool->dir.filePath(QStringLiteral("no/such.json")));
    ui.get<QAction>("SaveConfigItem")->trigger();
    QCOMPARE(tool->errors.size(), 1);
    QVERIFY2(tool->errors.at(0).startsWith(QStringLiteral("Configuration not saved: cannot write")),
             qPrintable(tool->errors.at(0)));
    QVERIFY(!QFile::exists(nowhere));

    // A device that stops answering during the read: the old file stays.
    const QString path = answerFile(true, tool->dir.filePath(QStringLiteral("kept.json")));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    device->updateState([](sim::DeviceState& s) { s.config.macAddr.clear(); });
    ui.get<QAction>("SaveConfigItem")->trigger();
    QCOMPARE(tool->errors.size(), 2);
    QVERIFY2(tool->errors.at(1).startsWith(QStringLiteral("Configuration not saved: ")),
             qPrintable(tool->errors.at(1)));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
}

void TestE2eConfigFile::badFileChangesNothing_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QByteArray good = R"("ip": "10.0.0.7", "mask": "255.0.0.0")";
    QTest::newRow("wrong type") << QByteArray(R"({"config": {"ip": "10.0.0.7", "port": true}})")
                                << "\"port\" must be a whole number or a text";
    QTest::newRow("bad value") << QByteArray(R"({"ip": "10.0.0.7", "gw": "10.0.0.300"})")
                               << "bad \"gw\" \"10.0.0.300\"";
    QTest::newRow("unknown key") << "{" + good + R"(, "dns": "10.0.0.1"})"
                                 << "unknown key \"dns\"";
    QTest::newRow("duplicate key") << "{" + good + R"(, "ip": "10.0.0.8"})"
                                   << "key \"ip\" stands twice";
    QTest::newRow("version no text") << "{\"config\": {" + good + R"(}, "version": 1})"
                                     << "\"version\" must be a text";
    QTest::newRow("not JSON") << QByteArray("IPADDR = 10.0.0.7") << "not valid JSON";
    QTest::newRow("over 1 MiB") << "{" + good + ", \"x\": \"" + QByteArray(1024 * 1024, 'a') + "\"}"
                                << "larger than 1 MiB";
}

void TestE2eConfigFile::badFileChangesNothing() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString path = answerFile(false, tool->dir.filePath(QStringLiteral("bad.json")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    const Controls ui = tool->ui();
    const QStringList before = WriteGroup(ui);
    ui.get<QAction>("LoadConfigItem")->trigger();
    QCOMPARE(tool->errors.size(), 1);
    QVERIFY2(tool->errors.at(0).contains(message), qPrintable(tool->errors.at(0)));
    QCOMPARE(WriteGroup(ui), before);
}

QTEST_MAIN(TestE2eConfigFile)
#include "tst_e2e_configfile.moc"
