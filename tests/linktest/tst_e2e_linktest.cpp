// The Test panel against the simulator on loopback: an instrument's current
// values through the string protocol, the block-write test, ModBus requests
// passed through, and the one-second lockout of the test buttons.
#include "HexLine.h"
#include "SimulatorThread.h"
#include "Ticks.h"
#include "ToolHarness.h"

#include <QElapsedTimer>

namespace {

const QString kDefaultRequest = QStringLiteral("02 03 00 00 00 06 01 04 00 00 00 20");

// An instrument's current values as the simulator serves them: floats in the
// device's byte order, the rest of the block zero.
QByteArray InstrumentValues(const sim::DeviceState& s, const QString& name, int length) {
    QByteArray block;
    const sim::Instrument* in = s.findInstrument(name);
    for (int i = 0; in && i < sim::kInstrumentFloats && block.size() + 4 <= length; ++i) {
        uint8_t bytes[4];
        sim::EncodeFloat(in->inputs[size_t(i)], s.activePackFloat, bytes);
        block.append(reinterpret_cast<const char*>(bytes), 4);
    }
    return block + QByteArray(length - block.size(), '\0');
}

QStringList Lines(const QPlainTextEdit* box) {
    const QString text = box->toPlainText();
    return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
}

} // namespace

class TestE2eLinkTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void currentValues_data();
    void currentValues();
    void invalidNumberSendsNothing_data();
    void invalidNumberSendsNothing();
    void silentServerIsClosed();
    void blockWriteTest();
    void modbusRequest_data();
    void modbusRequest();
    void sendWhileDisconnected();
    void emptyRequestSendsNothing_data();
    void emptyRequestSendsNothing();
    void dataInPieces_data();
    void dataInPieces();
    void lockoutLastsOneSecond();
    void lockoutIsNotExtended();
    void replyAfterLockoutIsShown();
    void requestAfterUnansweredModbus_data();
    void requestAfterUnansweredModbus();
    void lockoutLeavesRequestAlone_data();
    void lockoutLeavesRequestAlone();

private:
    bool connect() { return tool->connectTo(QStringLiteral("127.0.0.1"), device->port()); }
    Controls ui() { return tool->ui(); }
    bool buttonsEnabled() {
        return ui().get<QPushButton>("BitBtnCurrVal")->isEnabled() &&
               ui().get<QPushButton>("BitBttnSend")->isEnabled();
    }
    bool buttonsDisabled() {
        return !ui().get<QPushButton>("BitBtnCurrVal")->isEnabled() &&
               !ui().get<QPushButton>("BitBttnSend")->isEnabled();
    }

    std::unique_ptr<sim::SimulatorThread> device;
    std::unique_ptr<ToolHarness> tool;
};

void TestE2eLinkTest::init() {
    device = std::make_unique<sim::SimulatorThread>();
    QVERIFY(device->start());
    tool = std::make_unique<ToolHarness>();
    ui().get<QAction>("NTest")->trigger();
}

void TestE2eLinkTest::cleanup() {
    tool.reset();
    device.reset();
}

void TestE2eLinkTest::currentValues_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<bool>("found");
    // A text the device sends 100 ms after the block, if any.
    QTest::addColumn<QByteArray>("trailer");
    QTest::newRow("BA001") << "BA001"
                           << "NDEVICE = BA001; LENBLOCK = 129; NBLOCKS = 1; READ = 193" << true
                           << QByteArray();
    QTest::newRow("128-byte variant")
        << "KA010"
        << "NDEVICE = KA010; LENBLOCK = 128; NBLOCKS = 1; READ = 145" << true << QByteArray();
    QTest::newRow("128-byte variant, a text after the block")
        << "KA010"
        << "NDEVICE = KA010; LENBLOCK = 128; NBLOCKS = 1; READ = 145" << true
        << QByteArray("AB=1;");
    QTest::newRow("129-byte variant, a text after the block")
        << "BA001"
        << "NDEVICE = BA001; LENBLOCK = 129; NBLOCKS = 1; READ = 193" << true
        << QByteArray("AB=1;");
    QTest::newRow("lower-case prefix")
        << " ka10 "
        << "NDEVICE = ka010; LENBLOCK = 129; NBLOCKS = 1; READ = 193" << true << QByteArray();
    QTest::newRow("missing instrument")
        << "BA9"
        << "NDEVICE = BA009; LENBLOCK = 129; NBLOCKS = 1; READ = 193" << false << QByteArray();
}

void TestE2eLinkTest::currentValues() {
    QFETCH(QString, typed);
    QFETCH(QString, commands);
    QFETCH(bool, found);
    QFETCH(QByteArray, trailer);
    device->updateFaults([&trailer](sim::SimFaults& f) { f.readBufTrailer = trailer; });
    QVERIFY(connect());
    ui().get<QLineEdit>("EditNum")->setText(typed);
    ui().get<QPushButton>("BitBtnCurrVal")->click();

    QString wire = commands;
    wire.remove(QStringLiteral("; "));
    QStringList answers{"NDEVICE = OK;", "LENBLOCK = OK;", "NBLOCKS = OK;",
                        found ? "READ = OK;" : "READ = NO;"};
    if (found) {
        wire += QStringLiteral("READBUF");
        QCOMPARE(Lines(ui().get<QPlainTextEdit>("MemoSending")),
                 (QStringList{"READBUF", commands}));
        // All 129 positions, whatever the variant sent: the 128-byte block's
        // last one stays zero once no more data comes.
        const QString number = commands.section(QLatin1Char(';'), 0, 0).mid(10);
        const int length = number.startsWith(QLatin1Char('K')) ? 128 : 129;
        const QByteArray block = InstrumentValues(device->state(), number, length);
        // The instrument's bytes only: what follows them is the device's text.
        answers << HexDumpLine(block + QByteArray(129 - length, '\0'));
        if (!trailer.isEmpty())
            answers << QString::fromLatin1(trailer);
        QTRY_COMPARE_WITH_TIMEOUT(Lines(ui().get<QPlainTextEdit>("MemoTesting")), answers, 5000);
        QCOMPARE(ui().get<QPlainTextEdit>("MemoTesting")->textCursor().selectionStart(), 0);
        QCOMPARE(ui().get<QPlainTextEdit>("MemoTesting")->textCursor().selectionEnd(), 1);
    } else {
        QCOMPARE(Lines(ui().get<QPlainTextEdit>("MemoSending")), QStringList{commands});
        QCOMPARE(Lines(ui().get<QPlainTextEdit>("MemoTesting")), answers);
    }
    QVERIFY(device->waitForReceived(wire.toLatin1()));
    QCOMPARE(device->received(), wire.toLatin1());
    QCOMPARE(tool->status(StatusPanel::Message), QString());
    QVERIFY(!tool->form->device().BlockReadActive());
    QVERIFY(tool->form->device().Connected());
}

void TestE2eLinkTest::invalidNumberSendsNothing_data() {
    QTest::addColumn<QString>("typed");
    // The full list of bad numbers is the parser's test; these reach the window.
    QTest::newRow("zero") << QStringLiteral("BA000");
    QTest::newRow("empty") << QString();
    QTest::newRow("very long") << QStringLiteral("BA") + QString(50000, QLatin1Char('9'));
}

void TestE2eLinkTest::invalidNumberSendsNothing() {
    QFETCH(QString, typed);
    QVERIFY(connect());
    ui().get<QPlainTextEdit>("MemoSending")->setPlainText(QStringLiteral("earlier sent"));
    ui().get<QPlainTextEdit>("MemoTesting")->setPlainText(QStringLiteral("earlier received"));
    const int logLines = tool->logLines().size();
    ui().get<QLineEdit>("EditNum")->setText(typed);
    ui().get<QPushButton>("BitBtnCurrVal")->click();
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("Error in Number of RK5700"));
    QCOMPARE(tool->logLines().size(), logLines);
    QCOMPARE(ui().get<QPlainTextEdit>("MemoSending")->toPlainText(),
             QStringLiteral("earlier sent"));
    QCOMPARE(ui().get<QPlainTextEdit>("MemoTesting")->toPlainText(),
             QStringLiteral("earlier received"));
    QVERIFY(buttonsDisabled());
    QTest::qWait(100);
    QVERIFY(device->received().isEmpty());
}

void TestE2eLinkTest::silentServerIsClosed() {
    device->updateFaults([](sim::SimFaults& f) { f.silentAll = true; });
    QVERIFY(connect());
    const uint32_t t0 = rk::GetTickCount();
    ui().get<QPushButton>("BitBtnCurrVal")->click();
    QVERIFY(rk::TicksSince(t0) > 4 * 500);
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("Server not answer"));
    QCOMPARE(tool->status(StatusPanel::Connection), QStringLiteral("Not connected"));
    QCOMPARE(Lines(ui().get<QPlainTextEdit>("MemoSending")),
             QStringList{"NDEVICE = BA001; LENBLOCK = 129; NBLOCKS = 1; READ = 193"});
    QVERIFY(ui().get<QPlainTextEdit>("MemoTesting")->toPlainText().isEmpty());
    QVERIFY(device->waitForNoClient());
    // The buttons came back inside the four waits.
    QVERIFY(buttonsEnabled());
}

void TestE2eLinkTest::blockWriteTest() {
    QVERIFY(connect());
    QElapsedTimer clock;
    clock.start();
    ui().get<QPushButton>("Button1")->click(); // hidden; only a program reaches it
    QVERIFY(clock.elapsed() >= 2000);
    QCOMPARE(Lines(ui().get<QPlainTextEdit>("MemoSending")),
             QStringList{"NDEVICE = BA001; WRITEBUF = 16; WRITE = 72"});
    QCOMPARE(tool->status(StatusPanel::Message), QString());
    const QByteArray zeros(16, '\0');
    QVERIFY(device->waitForReceived("WRITE = 72"));
    QCOMPARE(device->received(), "NDEVICE = BA001WRITEBUF = 16" + zeros + "WRITE = 72");
    uint32_t zerosAt = 0;
    uint32_t writeAt = 0;
    for (const sim::WireEntry& e : device->wireLog(sim::WireEntry::Kind::Received)) {
        if (e.bytes.contains(zeros))
            zerosAt = e.tick;
        if (e.bytes.contains("WRITE = 72"))
            writeAt = e.tick;
    }
    // The simulator stamps what it receives in whole milliseconds, on its own
    // thread: allow it that rounding on each side.
    QVERIFY2(writeAt - zerosAt >= 2000 - 2, qPrintable(device->formattedWireLog()));
    QCOMPARE(device->state().findInstrument(QStringLiteral("BA001"))->lastWrite, zeros);
    QCOMPARE(Lines(ui().get<QPlainTextEdit>("MemoTesting")).last(), QStringLiteral("WRITE = OK;"));
}

void TestE2eLinkTest::modbusRequest_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QStringList>("shown");
    // The device answers every request with the identifiers 02 03 00 00.
    QTest::addColumn<bool>("fixedIds");
    const QByteArray values = InstrumentValues(sim::DeviceState::Defaults(), "BA001", 129);
    QTest::newRow("default request")
        << kDefaultRequest << QByteArray::fromHex("020300000006010400000020")
        << QStringList{"02 03 00 00 00 43 01 ", "04 40 " + HexDumpLine(values.left(64))} << false;
    QTest::newRow("exception reply")
        << "2 3 0 0 0 6 1 4 0 40 0 1" << QByteArray::fromHex("020300000006010400400001")
        << QStringList{"02 03 00 00 00 03 01 ", "84 02 ", QString::fromUtf8("Ошибка 2")} << false;
    QTest::newRow("transaction 00 01")
        << "  00 01   00 00 00 06 01 04 00 00 00 02  "
        << QByteArray::fromHex("000100000006010400000002")
        << QStringList{"00 01 00 00 00 07 01 ", "04 04 " + HexDumpLine(values.left(4))} << false;
    QTest::newRow("transaction 00 01 answered as 02 03 00 00")
        << "00 01 00 00 00 06 01 04 00 00 00 02" << QByteArray::fromHex("000100000006010400000002")
        << QStringList{"02 03 00 00 00 07 01 ", "04 04 " + HexDumpLine(values.left(4))} << true;
}

void TestE2eLinkTest::modbusRequest() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, wire);
    QFETCH(QStringList, shown);
    QFETCH(bool, fixedIds);
    device->updateFaults([fixedIds](sim::SimFaults& f) { f.modbusFixedIds = fixedIds; });
    QVERIFY(connect());
    ui().get<QPlainTextEdit>("MemoTesting")->setPlainText(QStringLiteral("earlier"));
    ui().get<QLineEdit>("EditModBus")->setText(typed);
    ui().get<QPushButton>("BitBttnSend")->click();
    QVERIFY(buttonsDisabled());
    QCOMPARE(Lines(ui().get<QPlainTextEdit>("MemoSending")),
             QStringList{typed}); // exactly as typed
    QTRY_COMPARE_WITH_TIMEOUT(Lines(ui().get<QPlainTextEdit>("MemoTesting")), shown, 5000);
    QCOMPARE(device->received(), wire);
    QVERIFY(tool->form->device().ModbusReplyAwaited());
    QCOMPARE(tool->status(StatusPanel::Message), QString());
    QVERIFY(tool->logLines().isEmpty());
}

void TestE2eLinkTest::sendWhileDisconnected() {
    ui().get<QPlainTextEdit>("MemoSending")->setPlainText(QStringLiteral("earlier sent"));
    ui().get<QPlainTextEdit>("MemoTesting")->setPlainText(QStringLiteral("earlier received"));
    ui().get<QPushButton>("BitBttnSend")->click();
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("Server is not connected"));
    QCOMPARE(tool->logLines(), QStringList{"Server is not connected"});
    QVERIFY(ui().get<QPlainTextEdit>("MemoSending")->toPlainText().isEmpty());
    QVERIFY(ui().get<QPlainTextEdit>("MemoTesting")->toPlainText().isEmpty());
    QVERIFY(buttonsEnabled());
    QVERIFY(tool->form->Timer2.isActive());
    QVERIFY(!tool->form->device().ModbusReplyAwaited());
}

void TestE2eLinkTest::emptyRequestSendsNothing_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks, tabs and line ends") << QStringLiteral("  \t \r\n");
}

void TestE2eLinkTest::emptyRequestSendsNothing() {
    QFETCH(QString, typed);
    QVERIFY(connect());
    ui().get<QLineEdit>("EditModBus")->setText(typed);
    ui().get<QPushButton>("BitBttnSend")->click();
    const QString message = QStringLiteral("Error in ModBus request: no bytes to send");
    QCOMPARE(tool->status(StatusPanel::Message), message);
    QVERIFY(tool->logLines().contains(message));
    QVERIFY(tool->errors.isEmpty());
    QVERIFY(buttonsEnabled());
    QVERIFY(!tool->form->device().ModbusReplyAwaited());
    QVERIFY(ui().get<QPlainTextEdit>("MemoSending")->toPlainText().isEmpty());
    QTest::qWait(100);
    QVERIFY(device->received().isEmpty());
}

void TestE2eLinkTest::dataInPieces_data() {
    QTest::addColumn<bool>("modbus");
    QTest::addColumn<int>("cutAt");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<bool>("joined");
    QTest::newRow("block, pieces 50 ms apart") << false << 60 << 50 << true;
    QTest::newRow("block, pieces 400 ms apart") << false << 60 << 400 << false;
    QTest::newRow("reply, PDU 50 ms after header") << true << 7 << 50 << true;
    QTest::newRow("reply, PDU in two pieces") << true << 30 << 50 << true;
    QTest::newRow("reply, pieces 400 ms apart") << true << 30 << 400 << false;
}

void TestE2eLinkTest::dataInPieces() {
    QFETCH(bool, modbus);
    QFETCH(int, cutAt);
    QFETCH(int, gapMs);
    QFETCH(bool, joined);
    device->updateFaults([&](sim::SimFaults& f) {
        f.splitDataAt = cutAt;
        f.splitGapMs = gapMs;
    });
    QVERIFY(connect());
    const QByteArray values = InstrumentValues(device->state(), "BA001", 129);
    QStringList shown;
    if (modbus) {
        ui().get<QPushButton>("BitBttnSend")->click();
        shown = QStringList{"02 03 00 00 00 43 01 ", "04 40 " + HexDumpLine(values.left(64))};
    } else {
        ui().get<QPushButton>("BitBtnCurrVal")->click();
        shown = QStringList{"NDEVICE = OK;", "LENBLOCK = OK;", "NBLOCKS = OK;", "READ = OK;"};
        shown << HexDumpLine(joined ? values : values.left(cutAt) + QByteArray(129 - cutAt, 0));
    }
    if (joined) {
        QTRY_COMPARE_WITH_TIMEOUT(Lines(ui().get<QPlainTextEdit>("MemoTesting")), shown, 5000);
        QTest::qWait(gapMs + 300);
        QCOMPARE(Lines(ui().get<QPlainTextEdit>("MemoTesting")), shown);
        return;
    }
    // The first piece is taken alone once the gap has passed; the second then
    // arrives as something else and is shown as a text, not as data.
    // 72 bytes of reply, or the four answers' 50 bytes and the 129 of the block.
    QTRY_VERIFY_WITH_TIMEOUT(device->sent().size() >= (modbus ? 72 : 50 + 129), 5000);
    QTest::qWait(300);
    const QStringList lines = Lines(ui().get<QPlainTextEdit>("MemoTesting"));
    if (modbus) {
        QVERIFY(!lines.contains(shown.first()));
        QVERIFY(!tool->form->device().ModbusReplyAwaited());
    } else {
        QCOMPARE(lines.mid(0, 5), shown);
        QVERIFY(!tool->form->device().BlockReadActive());
    }
}

void TestE2eLinkTest::lockoutLastsOneSecond() {
    QElapsedTimer clock;
    clock.start();
    ui().get<QPushButton>("BitBtnCurrVal")->click(); // not connected: the click ends at once
    QCOMPARE(tool->status(StatusPanel::Message), QStringLiteral("Server is not connected"));
    QVERIFY(buttonsDisabled());
    QTRY_VERIFY_WITH_TIMEOUT(buttonsEnabled(), 5000);
    QVERIFY(clock.elapsed() >= 1000);
    QVERIFY(!tool->form->Timer2.isActive());
}

void TestE2eLinkTest::lockoutIsNotExtended() {
    // "Send" without a connection starts the interval and leaves the buttons
    // usable; a click within it is released when that interval ends.
    QElapsedTimer clock;
    clock.start();
    ui().get<QPushButton>("BitBttnSend")->click();
    QVERIFY(buttonsEnabled());
    QTest::qWait(500);
    const qint64 secondClick = clock.elapsed();
    ui().get<QPushButton>("BitBtnCurrVal")->click();
    QVERIFY(buttonsDisabled());
    QTRY_VERIFY_WITH_TIMEOUT(buttonsEnabled(), 5000);
    QVERIFY(clock.elapsed() >= 1000);
    QVERIFY(clock.elapsed() - secondClick < 1000);
}

void TestE2eLinkTest::replyAfterLockoutIsShown() {
    device->updateFaults([](sim::SimFaults& f) { f.answerDelayMs = 1500; });
    QVERIFY(connect());
    ui().get<QPushButton>("BitBttnSend")->click();
    QTRY_VERIFY_WITH_TIMEOUT(buttonsEnabled(), 5000);
    QVERIFY(ui().get<QPlainTextEdit>("MemoTesting")->toPlainText().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(Lines(ui().get<QPlainTextEdit>("MemoTesting")).size(), 2, 5000);
    QCOMPARE(Lines(ui().get<QPlainTextEdit>("MemoTesting")).first(),
             QStringLiteral("02 03 00 00 00 43 01 "));
}

void TestE2eLinkTest::requestAfterUnansweredModbus_data() {
    QTest::addColumn<bool>("configRead");
    QTest::newRow("string read") << false;
    QTest::newRow("config read") << true;
}

void TestE2eLinkTest::requestAfterUnansweredModbus() {
    // The reply to the request never comes; whatever procedure follows must
    // get its answers whole, not cut by the header check of that reply.
    QFETCH(bool, configRead);
    device->updateFaults([](sim::SimFaults& f) { f.silentCommands = {"MODBUS"}; });
    QVERIFY(connect());
    ui().get<QPushButton>("BitBttnSend")->click();
    QVERIFY(device->waitForReceived(QByteArray::fromHex("020300000006010400000020")));
    QTRY_VERIFY_WITH_TIMEOUT(buttonsEnabled(), 5000);
    QVERIFY(tool->form->device().ModbusReplyAwaited());
    if (configRead) {
        ui().get<QAction>("NConfig")->trigger();
        ui().get<QPushButton>("ButtonGetAll")->click();
        QVERIFY(!tool->form->device().ModbusReplyAwaited());
        for (const char* field :
             {"EditIPAddr", "EditMask", "EditGW", "EditPort", "EditVersion", "EditDateVersion",
              "EditPackFloat", "EditMacAddr", "EditSpeedDup"})
            QVERIFY2(!ui().get<QLineEdit>(field)->text().isEmpty(), field);
        QCOMPARE(ui().get<QLineEdit>("EditIPAddr")->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(tool->status(StatusPanel::Message), QString());
        return;
    }
    ui().get<QPushButton>("BitBtnCurrVal")->click();
    QVERIFY(!tool->form->device().ModbusReplyAwaited());
    QTRY_COMPARE_WITH_TIMEOUT(Lines(ui().get<QPlainTextEdit>("MemoTesting")).size(), 5, 5000);
    QCOMPARE(Lines(ui().get<QPlainTextEdit>("MemoTesting")).mid(0, 4),
             (QStringList{"NDEVICE = OK;", "LENBLOCK = OK;", "NBLOCKS = OK;", "READ = OK;"}));
}

void TestE2eLinkTest::lockoutLeavesRequestAlone_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("byKey");
    // Where the user clicks during the lockout; empty: nowhere.
    QTest::addColumn<QString>("movesTo");
    QTest::newRow("Current Values clicked") << "BitBtnCurrVal" << false << QString();
    QTest::newRow("Current Values by Space") << "BitBtnCurrVal" << true << QString();
    QTest::newRow("Send clicked") << "BitBttnSend" << false << QString();
    QTest::newRow("Send by Space") << "BitBttnSend" << true << QString();
    QTest::newRow("Send, then the number field") << "BitBttnSend" << false << "EditNum";
}

void TestE2eLinkTest::lockoutLeavesRequestAlone() {
    // The buttons lock while focus is on one of them; the ModBus frame beside
    // them must neither take the focus nor be selected, or the next key typed
    // replaces it. The focus comes back to the button unless the user has
    // gone elsewhere meanwhile.
    QFETCH(QString, button);
    QFETCH(bool, byKey);
    QFETCH(QString, movesTo);
    QVERIFY(connect());
    TChatForm& window = *tool->form;
    // The connect dialog has just closed; typing goes to the main window.
    window.activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &window, 5000);
    auto* pressed = ui().get<QPushButton>(qPrintable(button));
    auto* request = ui().get<QLineEdit>("EditModBus");
    const QString frame = request->text();
    if (byKey) {
        pressed->setFocus(Qt::TabFocusReason);
        QTest::keyClick(pressed, Qt::Key_Space);
    } else {
        QTest::mouseClick(pressed, Qt::LeftButton);
    }
    QVERIFY(buttonsDisabled());
    QVERIFY(window.focusWidget() != request);
    QVERIFY(!request->hasSelectedText());
    QTest::keyClick(window.focusWidget() ? window.focusWidget() : &window, Qt::Key_7);
    QCOMPARE(request->text(), frame);
    QWidget* expected = pressed;
    if (!movesTo.isEmpty()) {
        expected = ui().get<QWidget>(qPrintable(movesTo));
        QTest::mouseClick(expected, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), expected);
    }

    QTRY_VERIFY_WITH_TIMEOUT(buttonsEnabled(), 5000);
    QCOMPARE(QApplication::focusWidget(), expected);
    QCOMPARE(request->text(), frame);
    QVERIFY(!request->hasSelectedText());
}

QTEST_MAIN(TestE2eLinkTest)
#include "tst_e2e_linktest.moc"
