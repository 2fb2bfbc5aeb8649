#include "ChannelHarness.h"
#include "HexLine.h"
#include "TestSupport.h"
#include "Ticks.h"

#include <QElapsedTimer>
#include <QTimer>

class TestChannel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void unansweredCommandWaitsMoreThan500ms();
    void answeredCommandReturnsAtOnce();
    void lateAnswerEndsTheNextWait();
    void answerBetweenWaitsIsForgotten();
    void notWritableSendsNothingButWaits();
    void blankArrivalIsIgnored();
    void readIgnoredUntilWritable();
    void piecesAreJoined_data();
    void piecesAreJoined();

    void applyItem_data();
    void applyItem();
    void processingErrorEndsTheText_data();
    void processingErrorEndsTheText();

    void blockReadShowsWholeBlock();
    void blockBufferReleasedDuringAnswer();
    void rawReadTakesAtMost1024();
    void modbusReply_data();
    void modbusReply();
    void modbusMismatchHandsRestToText();
    void hugeAnswerNeitherCrashesNorHangs();
    void floodKeepsNestingBounded();
    void longLinesAreCapped();
    void modbusReplyOfMegabytes();

private:
    // Applies `text` as an arrival would, during a wait for any item.
    Answer parseDuringWait(const QString& text) {
        QTimer::singleShot(0, h.get(), [this, text] { h->channel->ParseAnswer(text); });
        AnswerWait any;
        any.limitMs = 300;
        return h->channel->Await(any);
    }

    // The default request's identifiers, which the simulator's replies carry.
    const QByteArray kDefaultRequest = QByteArray::fromHex("020300000006010400000020");
    std::unique_ptr<ChannelHarness> h;
};

void TestChannel::init() {
    h = std::make_unique<ChannelHarness>();
    QVERIFY(h->connectToPeer());
}

void TestChannel::cleanup() {
    h.reset();
}

void TestChannel::unansweredCommandWaitsMoreThan500ms() {
    const uint32_t t0 = rk::GetTickCount();
    QCOMPARE(h->channel->SendCommand(QStringLiteral("?IpAddr;")), 0);
    const uint32_t elapsed = rk::TicksSince(t0);
    QVERIFY2(elapsed > 500, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 2500, qPrintable(QString::number(elapsed)));
    QCOMPARE(h->received, QByteArray("?IpAddr;")); // no terminator added
}

void TestChannel::answeredCommandReturnsAtOnce() {
    h->reply = [this](const QByteArray&) { h->send("IPADDR = 127.0.0.1;\r\n"); };
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(h->channel->SendCommand(QStringLiteral("?IpAddr;")), 1);
    QVERIFY(clock.elapsed() < 400);
    QCOMPARE(h->value(DeviceField::IpAddr), QStringLiteral("127.0.0.1"));
    QCOMPARE(h->logLines(), QStringList{"IPADDR = 127.0.0.1;"});
}

void TestChannel::lateAnswerEndsTheNextWait() {
    // The first answer arrives only during the second command's wait; the
    // channel does not match answers to commands.
    h->reply = [this](const QByteArray& got) {
        if (got == "?GW;")
            QTimer::singleShot(700, h.get(), [this] { h->send("GW = 10.0.0.1"); });
    };
    QCOMPARE(h->channel->SendCommand(QStringLiteral("?GW;")), 0);
    QCOMPARE(h->channel->SendCommand(QStringLiteral("?Version;")), 1);
    QCOMPARE(h->value(DeviceField::Gateway), QStringLiteral("10.0.0.1"));
    QVERIFY(h->value(DeviceField::Version).isEmpty());
}

void TestChannel::answerBetweenWaitsIsForgotten() {
    h->send("VERSION = 1.00A");
    QTRY_COMPARE_WITH_TIMEOUT(h->value(DeviceField::Version), QStringLiteral("1.00A"), 5000);
    QCOMPARE(h->channel->SendCommand(QStringLiteral("?GW;")), 0);
}

void TestChannel::notWritableSendsNothingButWaits() {
    h->channel->ClientSocketDisconnect();
    const uint32_t t0 = rk::GetTickCount();
    QCOMPARE(h->channel->SendCommand(QStringLiteral("?GW;")), 0);
    QVERIFY(rk::TicksSince(t0) > 500);
    // Whatever had been sent would arrive before a byte written now.
    h->socket.SendText("X");
    QTRY_VERIFY_WITH_TIMEOUT(!h->received.isEmpty(), 5000);
    QCOMPARE(h->received, QByteArray("X"));
}

void TestChannel::blankArrivalIsIgnored() {
    h->reply = [this](const QByteArray&) { h->send(" \r\n\t "); };
    QCOMPARE(h->channel->SendCommand(QStringLiteral("?GW;")), 0);
    QVERIFY(h->logLines().isEmpty());
}

void TestChannel::readIgnoredUntilWritable() {
    h->channel->ClientSocketDisconnect();
    h->send("IPADDR = 1.2.3.4");
    QTRY_VERIFY_WITH_TIMEOUT(h->socket.ReceiveLength() > 0, 5000);
    DrainEvents();
    QVERIFY(h->value(DeviceField::IpAddr).isEmpty());
    QCOMPARE(h->socket.ReceiveLength(), 16);
}

void TestChannel::piecesAreJoined_data() {
    // The answer to "?IpAddr;" comes in these pieces, the first `firstMs`
    // after the command and each next one `gapMs` later; the peer hangs up
    // after the last when `hangUp`.
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<int>("firstMs");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<bool>("hangUp");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QStringList>("log");
    const QString ip = QStringLiteral("127.0.0.2");
    QTest::newRow("three pieces 40 ms apart")
        << QList<QByteArray>{"IPADDR", " = 127.0", ".0.2;"} << 0 << 40 << false << ip << QString()
        << QStringList{"IPADDR = 127.0.0.2;"};
    QTest::newRow("cut inside a second item")
        << QList<QByteArray>{"IPADDR = 127.0.0.2;NETM", "ASK = 255.0.0.0;\r\n"} << 0 << 40 << false
        << ip << "255.0.0.0" << QStringList{"IPADDR = 127.0.0.2;", "NETMASK = 255.0.0.0;"};
    QTest::newRow("begun inside the limit, ended past it")
        << QList<QByteArray>{"IPADDR = 12", "7.0.0.2;"} << 450 << 60 << false << ip << QString()
        << QStringList{"IPADDR = 127.0.0.2;"};
    QTest::newRow("no terminator: taken when the pieces stop")
        << QList<QByteArray>{"IPADDR = 127", ".0.0.2"} << 0 << 30 << false << ip << QString()
        << QStringList{"IPADDR = 127.0.0.2"};
    QTest::newRow("connection dropped after a piece")
        << QList<QByteArray>{"IPADDR = 127.0.0.2"} << 0 << 0 << true << ip << QString()
        << QStringList{"IPADDR = 127.0.0.2"};
}

void TestChannel::piecesAreJoined() {
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, firstMs);
    QFETCH(int, gapMs);
    QFETCH(bool, hangUp);
    QFETCH(QString, ip);
    QFETCH(QString, mask);
    QFETCH(QStringList, log);
    h->reply = [&](const QByteArray&) {
        for (int i = 0; i < pieces.size(); ++i)
            QTimer::singleShot(firstMs + i * gapMs, Qt::PreciseTimer, h.get(),
                               [this, piece = pieces.at(i)] { h->send(piece); });
        if (hangUp)
            QTimer::singleShot(firstMs + int(pieces.size()) * gapMs + 30, h.get(),
                               [this] { h->peer->disconnectFromHost(); });
    };
    AnswerWait wait;
    wait.key = AnswerKey::IPADDR;
    wait.endOnDisconnect = hangUp;
    const Answer answer = h->channel->Exchange("?IpAddr;", wait);
    // Whole when the wait ends: the next command would leave only now.
    QCOMPARE(answer.value(), ip);
    QTRY_COMPARE_WITH_TIMEOUT(h->value(DeviceField::IpAddr), ip, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(h->value(DeviceField::NetMask), mask, 5000);
    QCOMPARE(h->logLines(), log);
    QVERIFY(!h->channel->TextHeld());
}

void TestChannel::applyItem_data() {
    // What each item leaves in the model: a value ("field"), a write result
    // ("result": OK or Error) or the remote COM-port state ("rcom").
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");
    const int ip = int(DeviceSetting::IpAddr);
    QTest::newRow("set error") << "SET_NETMASK = Error;"
                               << "result" << int(DeviceSetting::NetMask) << "Error";
    QTest::newRow("set ok lower") << "SET_NETMASK = ok"
                                  << "result" << int(DeviceSetting::NetMask) << "OK";
    QTest::newRow("set no value") << "SET_GW"
                                  << "result" << int(DeviceSetting::Gateway) << "Error";
    QTest::newRow("set ip") << "set_ipaddr=ok;"
                            << "result" << ip << "OK";
    QTest::newRow("set port") << "SET_SERVICE = OK"
                              << "result" << int(DeviceSetting::Port) << "OK";
    QTest::newRow("set mac") << "SET_MACADDR = NO"
                             << "result" << int(DeviceSetting::MacAddr) << "Error";
    QTest::newRow("set speed") << "SET_SPEED_DUPLEX = OK"
                               << "result" << int(DeviceSetting::SpeedDuplex) << "OK";
    QTest::newRow("set pack") << "SET_PACKFLOAT = OK"
                              << "result" << int(DeviceSetting::PackFloat) << "OK";
    QTest::newRow("set rcom") << "SET_SERVORRCOM = OK"
                              << "result" << int(DeviceSetting::RemoteCom) << "OK";
    QTest::newRow("rcom off") << "SERVORRCOM = 0"
                              << "rcom" << 0 << "Off";
    QTest::newRow("rcom on") << "SERVORRCOM = 1"
                             << "rcom" << 0 << "On";
    QTest::newRow("packfloat 2") << "PACKFLOAT = 2"
                                 << "field" << int(DeviceField::PackFloat) << "2";
    QTest::newRow("speed 5") << "SPEED_DUPLEX = 5"
                             << "field" << int(DeviceField::SpeedDuplex) << "5";
    QTest::newRow("gw with =") << "GW = 10.0.0.1 = X"
                               << "field" << int(DeviceField::Gateway) << "10.0.0.1 = X";
    QTest::newRow("version upper") << "version = v1.2a"
                                   << "field" << int(DeviceField::Version) << "V1.2A";
    QTest::newRow("two items") << "IPADDR = 1.2.3.4; NETMASK = 255.0.0.0;"
                               << "field" << int(DeviceField::NetMask) << "255.0.0.0";
    QTest::newRow("mac") << "MACADDR = 00-1a-2b-3c-4d-5e"
                         << "field" << int(DeviceField::MacAddr) << "00-1A-2B-3C-4D-5E";
    QTest::newRow("service") << "SERVICE = 1024"
                             << "field" << int(DeviceField::Port) << "1024";
    QTest::newRow("date") << "DATEVERSION = 01.02.08"
                          << "field" << int(DeviceField::Date) << "01.02.08";
}

void TestChannel::applyItem() {
    QFETCH(QString, answer);
    QFETCH(QString, kind);
    QFETCH(int, index);
    QFETCH(QString, expected);
    QVERIFY(parseDuringWait(answer).came());
    const DeviceModel& model = h->model;
    if (kind == QLatin1String("field")) {
        QCOMPARE(model.Value(DeviceField(index)), expected);
    } else if (kind == QLatin1String("result")) {
        const SettingResult want =
            expected == QLatin1String("OK") ? SettingResult::Ok : SettingResult::Error;
        QCOMPARE(model.Result(DeviceSetting(index)), want);
    } else {
        QCOMPARE(model.RemoteComState(),
                 expected == QLatin1String("Off") ? RemoteCom::Off : RemoteCom::On);
    }
}

void TestChannel::processingErrorEndsTheText_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("flag");
    QTest::newRow("empty packfloat") << "PACKFLOAT = ; IPADDR = 1.2.3.4" << false;
    QTest::newRow("empty speed") << "SPEED_DUPLEX; IPADDR = 1.2.3.4" << false;
    QTest::newRow("empty rcom") << "SERVORRCOM =; IPADDR = 1.2.3.4" << false;
    QTest::newRow("after a good item") << "GW = 1.1.1.1; PACKFLOAT=; IPADDR = 1.2.3.4" << true;
}

void TestChannel::processingErrorEndsTheText() {
    QFETCH(QString, answer);
    QFETCH(bool, flag);
    QCOMPARE(parseDuringWait(answer).came(), flag);
    QVERIFY(h->value(DeviceField::IpAddr).isEmpty());
}

void TestChannel::blockReadShowsWholeBlock() {
    QSignalSpy blocks(h->channel.get(), &CommandChannel::blockReceived);
    h->reply = [this](const QByteArray& got) {
        if (got == "READ = 193")
            h->send("READ = OK");
        else if (got == "READBUF")
            h->send(QByteArray(100, '\xAB'));
    };
    QCOMPARE(h->channel->SendCommand(QStringLiteral("READ = 193")), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!h->channel->BlockReadActive(), 5000);
    QCOMPARE(h->recorder.sent, QStringList{"READBUF"});
    QCOMPARE(blocks.size(), 1);
    // 129 pairs: the 100 that came and 29 from the fresh buffer.
    QCOMPARE(HexDumpLine(blocks.first().first().toByteArray()),
             QStringLiteral("AB ").repeated(100) + QStringLiteral("00 ").repeated(29));
    QCOMPARE(h->received, QByteArray("READ = 193READBUF"));
}

void TestChannel::blockBufferReleasedDuringAnswer() {
    // A mode switch can release the block buffer between the READ answer and
    // the block; the data that follows must take the text path without
    // touching freed memory.
    h->reply = [this](const QByteArray& got) {
        if (got == "READBUF")
            h->send("NDEVICE = 1");
    };
    h->channel->ParseAnswer(QStringLiteral("READ = OK; LENBLOCK = 129"));
    QVERIFY(h->channel->BlockReadActive());
    h->channel->AbandonBlockRead();
    QVERIFY(!h->channel->BlockReadActive());
    QTRY_COMPARE_WITH_TIMEOUT(h->logLines(), QStringList{"NDEVICE = 1"}, 5000);
}

void TestChannel::rawReadTakesAtMost1024() {
    QByteArray image(1500, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 7 + 1);
    h->reply = [this, image](const QByteArray&) { h->send(image); };
    const RawReply reply = h->channel->ReadRaw(
        "READSOFT  = 0", 1024, 5000, [](const QByteArray& b) { return b.size() >= 1024; });
    QVERIFY(reply.complete);
    QCOMPARE(reply.bytes, image.left(1024));
    // What came after the block is taken as text.
    QTRY_COMPARE_WITH_TIMEOUT(h->socket.ReceiveLength(), 0, 5000);
    QCOMPARE(h->logLines().size(), 1);
}

void TestChannel::modbusReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("modeAfter");
    QTest::newRow("exception") << QByteArray::fromHex("020300000003018402")
                               << "02 03 00 00 00 03 01 \n84 02 \nОшибка 2" << true;
    QTest::newRow("negative exception code") << QByteArray::fromHex("0203000000030184F0")
                                             << "02 03 00 00 00 03 01 \n84 F0 \nОшибка -16" << true;
    QTest::newRow("normal") << QByteArray::fromHex("020300000005010402AABB")
                            << "02 03 00 00 00 05 01 \n04 02 AA BB " << true;
    QTest::newRow("short reply dropped") << QByteArray::fromHex("0203000000430104") << "" << true;
    QTest::newRow("length 0") << QByteArray::fromHex("02030000000001") << "" << false;
    // The largest legal reply, 125 registers: every byte of it shown.
    const QByteArray registers(250, '\x5A');
    QTest::newRow("125 registers whole")
        << QByteArray::fromHex("02030000") + QByteArray::fromHex("00FD01") +
               QByteArray::fromHex("04FA") + registers
        << "02 03 00 00 00 FD 01 \n04 FA " + HexDumpLine(registers) << true;
    QTest::newRow("length 2 exception without code") << QByteArray::fromHex("02030000000201"
                                                                            "84")
                                                     << "02 03 00 00 00 02 01 \n84 " << true;
}

void TestChannel::modbusReply() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, shown);
    QFETCH(bool, modeAfter);
    h->channel->ExpectModbusReply(kDefaultRequest);
    // Connected after the channel, so a delivery counted here has been handled.
    QSignalSpy arrivals(&h->socket, &ClientSocket::dataArrived);
    h->send(reply);
    QTRY_VERIFY_WITH_TIMEOUT(!arrivals.isEmpty() && h->socket.ReceiveLength() == 0, 5000);
    QCOMPARE(h->recorder.test.join(QLatin1Char('\n')),
             QString(shown).replace(QStringLiteral("\\n"), QStringLiteral("\n")));
    QCOMPARE(h->channel->ModbusReplyAwaited(), modeAfter);
}

void TestChannel::modbusMismatchHandsRestToText() {
    h->channel->ExpectModbusReply(kDefaultRequest);
    h->send("0001000IPADDR = 9.9.9.9");
    QTRY_COMPARE_WITH_TIMEOUT(h->value(DeviceField::IpAddr), QStringLiteral("9.9.9.9"), 5000);
    QVERIFY(!h->channel->ModbusReplyAwaited());
    QCOMPARE(h->logLines(), QStringList{"IPADDR = 9.9.9.9"});
}

void TestChannel::hugeAnswerNeitherCrashesNorHangs() {
    QByteArray noise(2 * 1024 * 1024, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    noise += "; IPADDR = 5.6.7.8;";
    h->reply = [this, noise](const QByteArray&) { h->send(noise); };
    QElapsedTimer clock;
    clock.start();
    h->channel->SendCommand(QStringLiteral("?IpAddr;"));
    QTRY_COMPARE_WITH_TIMEOUT(h->value(DeviceField::IpAddr), QStringLiteral("5.6.7.8"), 20000);
    QVERIFY(clock.elapsed() < 20000);
}

void TestChannel::floodKeepsNestingBounded() {
    // A device streaming short answers as fast as it can: each applied item
    // processes messages, so without a bound every arrival would nest inside
    // the one before.
    int chunks = 0;
    QTimer flood;
    flood.setInterval(0);
    connect(&flood, &QTimer::timeout, h.get(), [this, &chunks, &flood] {
        h->send(QByteArrayLiteral("NO;").repeated(50));
        if (++chunks == 2000)
            flood.stop();
    });
    flood.start();
    QTRY_VERIFY_WITH_TIMEOUT(!flood.isActive(), 60000);
    QVERIFY2(h->channel->PeakReadDepth() <= CommandChannel::kMaxNestedReads,
             qPrintable(QString::number(h->channel->PeakReadDepth())));
    // Everything is still taken in the end, and the channel still answers.
    QTRY_COMPARE_WITH_TIMEOUT(h->socket.ReceiveLength(), 0, 20000);
    h->reply = [this](const QByteArray&) { h->send("GW = 1.2.3.4"); };
    QCOMPARE(h->channel->SendCommand(QStringLiteral("?GW;")), 1);
    QCOMPARE(h->value(DeviceField::Gateway), QStringLiteral("1.2.3.4"));
}

void TestChannel::longLinesAreCapped() {
    const QString line = QString(1 << 20, QLatin1Char('x'));
    h->send(line.toLatin1() + "; GW = 9.9.9.9");
    QTRY_COMPARE_WITH_TIMEOUT(h->value(DeviceField::Gateway), QStringLiteral("9.9.9.9"), 10000);
    // However the megabyte was cut into arrivals, no logged line is longer
    // than the cap and its note.
    const QStringList lines = h->logLines();
    QVERIFY(!lines.isEmpty());
    for (const QString& shown : lines)
        QVERIFY2(shown.size() <= DeviceLog::kMaxLineChars + 24, qPrintable(shown.right(40)));
    QCOMPARE(DeviceLog::CapLine(line),
             line.left(DeviceLog::kMaxLineChars) + QStringLiteral("... (1048576 bytes)"));
    h->log.AddHexLine(QByteArray(1000, '\x11').constData(), 1000);
    QCOMPARE(h->recorder.test.last(),
             QStringLiteral("11 ").repeated(kHexLineMaxBytes) + QStringLiteral("... (1000 bytes)"));
}

void TestChannel::modbusReplyOfMegabytes() {
    // The length field caps a reply at 65,534 PDU bytes, however they are cut
    // into arrivals; what follows it is no reply and takes the text path.
    h->channel->ExpectModbusReply(kDefaultRequest);
    h->send(QByteArray::fromHex("02030000FFFF01") + QByteArray(3 * 1024 * 1024, '\x11'));
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(!h->channel->ModbusReplyAwaited() && h->peer->bytesToWrite() == 0 &&
                                 h->socket.ReceiveLength() == 0,
                             20000);
    QVERIFY(clock.elapsed() < 20000);
    QCOMPARE(h->recorder.test.size(), 2);
    QCOMPARE(h->recorder.test[0], QStringLiteral("02 03 00 00 FF FF 01 "));
    // The log shows the start of a long reply and its length.
    QCOMPARE(h->recorder.test[1], QStringLiteral("11 ").repeated(kHexLineMaxBytes) +
                                      QStringLiteral("... (65534 bytes)"));
}

QTEST_MAIN(TestChannel)
#include "tst_channel.moc"
