// The main window shows the device core: each answer item in its field or
// result label, table indexes as item texts, colours, and log lines in the log
// the user looks at.
#include "LabelColor.h"
#include "ScriptedPeer.h"
#include "WindowFixture.h"

#include <QLineEdit>

class TestDeviceBinding : public QObject, private WindowFixture {
    Q_OBJECT
private slots:
    void init() {
        InitFixture();
        CreateWindow();
        peer_ = std::make_unique<ScriptedPeer>();
        const quint16 port = peer_->listen();
        QVERIFY(port != 0);
        QVERIFY(window_->device().connection.ConnectTo(QStringLiteral("127.0.0.1"),
                                                       QString::number(port)));
        QTRY_VERIFY_WITH_TIMEOUT(window_->device().Connected() && peer_->socket, 5000);
    }
    void cleanup() {
        CleanupFixture();
        peer_.reset();
    }

    void answerShown_data();
    void answerShown();
    void answerGoesToTestLogWhenTestPanelShows();
    void logKeepsAtMost300Lines();
    void writeResultsResetToDash();

private:
    Controls ui() { return Controls(*window_); }
    // Sends `text` from the device; it is shown once its arrival is handled.
    void answer(const QString& text) { peer_->send(text.toUtf8()); }
    std::unique_ptr<ScriptedPeer> peer_;
    QStringList logLines() { return MessageLogLines(*window_); }
};

void TestDeviceBinding::answerShown_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("color"); // empty: not checked
    QTest::newRow("set error") << "SET_NETMASK = Error;"
                               << "LabelMask"
                               << "Error"
                               << "red";
    QTest::newRow("set ok lower") << "SET_NETMASK = ok"
                                  << "LabelMask"
                                  << "OK"
                                  << "blue";
    QTest::newRow("set ip") << "set_ipaddr=ok;"
                            << "LabelIPAddr"
                            << "OK"
                            << "blue";
    QTest::newRow("set port") << "SET_SERVICE = OK"
                              << "LabelPort"
                              << "OK"
                              << "blue";
    QTest::newRow("set gw") << "SET_GW"
                            << "LabelGW"
                            << "Error"
                            << "red";
    QTest::newRow("set mac") << "SET_MACADDR = NO"
                             << "LabelMac"
                             << "Error"
                             << "red";
    QTest::newRow("set speed") << "SET_SPEED_DUPLEX = OK"
                               << "LabelSpeedDup"
                               << "OK"
                               << "blue";
    QTest::newRow("set pack") << "SET_PACKFLOAT = OK"
                              << "LabelPackFloat"
                              << "OK"
                              << "blue";
    QTest::newRow("set rcom") << "SET_SERVORRCOM = OK"
                              << "LabelRCom"
                              << "OK"
                              << "blue";
    QTest::newRow("rcom off") << "SERVORRCOM = 0"
                              << "LabelRCom"
                              << "Off"
                              << "black";
    QTest::newRow("rcom on keeps text") << "SERVORRCOM = 1"
                                        << "LabelRCom"
                                        << "-"
                                        << "black";
    QTest::newRow("packfloat 2") << "PACKFLOAT = 2"
                                 << "EditPackFloat"
                                 << "3-2-1-0"
                                 << "";
    QTest::newRow("packfloat 7") << "PACKFLOAT = 7"
                                 << "EditPackFloat"
                                 << "Error "
                                 << "";
    QTest::newRow("packfloat 25") << "PACKFLOAT = 25"
                                  << "EditPackFloat"
                                  << "3-2-1-0"
                                  << "";
    QTest::newRow("speed 4") << "SPEED_DUPLEX = 4"
                             << "EditSpeedDup"
                             << "100 Mbit/s half duplex"
                             << "";
    QTest::newRow("speed 5") << "SPEED_DUPLEX = 5"
                             << "EditSpeedDup"
                             << "Error "
                             << "";
    QTest::newRow("ip") << "IPADDR = 1.2.3.4"
                        << "EditIPAddr"
                        << "1.2.3.4"
                        << "";
    QTest::newRow("mask") << "NETMASK = 255.0.0.0"
                          << "EditMask"
                          << "255.0.0.0"
                          << "";
    QTest::newRow("gw") << "GW = 10.0.0.1"
                        << "EditGW"
                        << "10.0.0.1"
                        << "";
    QTest::newRow("version") << "version = v1.2a"
                             << "EditVersion"
                             << "V1.2A"
                             << "";
    QTest::newRow("mac") << "MACADDR = 00-1a-2b-3c-4d-5e"
                         << "EditMacAddr"
                         << "00-1A-2B-3C-4D-5E"
                         << "";
    QTest::newRow("service") << "SERVICE = 1024"
                             << "EditPort"
                             << "1024"
                             << "";
    QTest::newRow("date") << "DATEVERSION = 01.02.08"
                          << "EditDateVersion"
                          << "01.02.08"
                          << "";
}

void TestDeviceBinding::answerShown() {
    QFETCH(QString, answer);
    QFETCH(QString, widget);
    QFETCH(QString, text);
    QFETCH(QString, color);
    ui().get<QLabel>("LabelRCom")->setText(QStringLiteral("-"));
    this->answer(answer);
    // Shown in the log once applied.
    QTRY_VERIFY_WITH_TIMEOUT(logLines().contains(answer), 5000);
    if (auto* label = window_->findChild<QLabel*>(widget)) {
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), text, 5000);
        if (!color.isEmpty())
            QCOMPARE(LabelColor(label), QColor(color));
    } else {
        auto* edit = window_->findChild<QLineEdit*>(widget);
        QVERIFY(edit);
        QTRY_COMPARE_WITH_TIMEOUT(edit->text(), text, 5000);
    }
}

void TestDeviceBinding::answerGoesToTestLogWhenTestPanelShows() {
    window_->NTestClick();
    window_->device().log.AddAnswerText(QStringLiteral("NDEVICE = OK;\nLENBLOCK = OK;"));
    QCOMPARE(ui().get<QPlainTextEdit>("MemoTesting")->toPlainText(),
             QStringLiteral("NDEVICE = OK;\nLENBLOCK = OK;"));
    QVERIFY(ui().get<QTextEdit>("Memo2")->toPlainText().isEmpty());
    window_->NConfigClick();
    window_->device().log.AddAnswerText(QStringLiteral("GW = 1.1.1.1"));
    QCOMPARE(logLines(), QStringList{"GW = 1.1.1.1"});
}

void TestDeviceBinding::logKeepsAtMost300Lines() {
    DeviceLog& log = window_->device().log;
    for (int i = 1; i <= 301; ++i)
        log.AddLogLine(QString::number(i));
    QStringList lines = logLines();
    QCOMPARE(lines.size(), 300);
    QCOMPARE(lines.first(), QStringLiteral("2"));
    QCOMPARE(lines.last(), QStringLiteral("301"));
    // A text with line breaks may not push the log past its cap either.
    log.AddLogLine(QStringLiteral("a\nb\nc"));
    lines = logLines();
    QCOMPARE(lines.size(), 300);
    QCOMPARE(lines.last(), QStringLiteral("c"));
}

void TestDeviceBinding::writeResultsResetToDash() {
    answer(QStringLiteral("SET_GW = OK; SET_MACADDR = NO"));
    QTRY_COMPARE_WITH_TIMEOUT(ui().get<QLabel>("LabelMac")->text(), QStringLiteral("Error"), 5000);
    QCOMPARE(ui().get<QLabel>("LabelGW")->text(), QStringLiteral("OK"));
    window_->device().model.ClearNetworkResults();
    for (QLabel* label :
         {ui().get<QLabel>("LabelIPAddr"), ui().get<QLabel>("LabelMask"),
          ui().get<QLabel>("LabelPort"), ui().get<QLabel>("LabelGW"), ui().get<QLabel>("LabelMac"),
          ui().get<QLabel>("LabelPackFloat"), ui().get<QLabel>("LabelSpeedDup")}) {
        QCOMPARE(label->text(), QStringLiteral("-"));
        QCOMPARE(LabelColor(label), QColor(Qt::black));
    }
}

QTEST_MAIN(TestDeviceBinding)
#include "tst_devicebinding.moc"
