// Uploading and installing firmware through the real window against the
// simulator: blocks on the wire, progress, the install and the reconnection,
// and every way it can fail.
#include "LabelColor.h"
#include "UpgradeFixture.h"

#include <QProgressBar>

#include <sys/stat.h>

namespace {

// What the tool must send for `image`: each block announced, then 1,024
// bytes, the last one filled up with 0xFF; then the install command.
QByteArray ExpectedUpload(const QByteArray& image) {
    QByteArray wire;
    const int blocks = int((image.size() + kImageBlockSize - 1) / kImageBlockSize);
    for (int n = 0; n < blocks; ++n) {
        QByteArray block = image.mid(qsizetype(n) * kImageBlockSize, kImageBlockSize);
        block.append(kImageBlockSize - block.size(), '\xFF');
        wire += "WRITESOFT  = " + QByteArray::number(n) + block;
    }
    return wire + "UPGRADE = 1";
}

} // namespace

class TestE2eUpload : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void uploadInstallsAndReadsNewVersion_data();
    void uploadInstallsAndReadsNewVersion();
    void uploadWithRealInstallTiming();
    void deviceAfterTheInstallIsTheOneUpgraded_data();
    void deviceAfterTheInstallIsTheOneUpgraded();
    void refusedBeforeTransfer_data();
    void refusedBeforeTransfer();
    void failsDuringTransfer_data();
    void failsDuringTransfer();
    void chatteringDeviceIsUpgraded_data();
    void chatteringDeviceIsUpgraded();
    void staleReadyNeverSendsABlock();
    void connectionGoneBeforeInstall();
    void garbageAnswersLetTheTransferGoOn();
    void upgradeFailKeepsConnection();
    void deviceThatNeverComesBack();
    void versionUnansweredAfterReconnection();

private:
    void expectFailureEnding(const QString& label);

    UpgradeFixture f;
};

void TestE2eUpload::cleanup() {
    f.tool.reset();
    f.device.reset();
}

void TestE2eUpload::expectFailureEnding(const QString& label) {
    QCOMPARE(f.ui().get<QLabel>("LabelUpload")->text(), label);
    QCOMPARE(LabelColor(f.ui().get<QLabel>("LabelUpload")), QColor(Qt::red));
    QVERIFY(f.buttonsEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!f.ui().get<QProgressBar>("ProgressBarUpload")->isVisible());
    QCOMPARE(f.tool->status(StatusPanel::Progress), QString());
}

void TestE2eUpload::uploadInstallsAndReadsNewVersion_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("progress");
    QTest::newRow("one block") << 1024 << 1;
    QTest::newRow("two blocks, the second one byte") << 1025 << 2;
    QTest::newRow("256 blocks") << kImageMaxSize << 255;
}

void TestE2eUpload::uploadInstallsAndReadsNewVersion() {
    QFETCH(int, size);
    QFETCH(int, progress);
    QVERIFY(f.start());
    const QByteArray image = UpgradeFixture::image(size);
    f.useImage(image);
    QList<int> steps;
    connect(f.ui().get<QProgressBar>("ProgressBarUpload"), &QProgressBar::valueChanged, this,
            [&steps](int value) { steps << value; });

    f.ui().get<QPushButton>("ButtonUpload")->click();
    // The click returns once the reconnection timer follows the device.
    QVERIFY(f.tool->form->device().follower.Following());
    QVERIFY(!f.buttonsEnabled());
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(f.ui().get<QLabel>("LabelFileVersion")->text(), QStringLiteral("3.10C  (09.10.24)"));
    QVERIFY(f.ui().get<QGroupBox>("GrBoxFileVer")->isVisibleTo(f.ui().get<QFrame>("PanelUpgrade")));
    QVERIFY(!f.ui()
                 .get<QProgressBar>("ProgressBarUpload")
                 ->isVisibleTo(f.ui().get<QFrame>("PanelUpgrade")));
    QCOMPARE(f.tool->status(StatusPanel::Progress), QStringLiteral("-----------"));
    QCOMPARE(f.arpCalls, QStringList{"127.0.0.1"});
    const QByteArray expected = ExpectedUpload(image);
    QCOMPARE(f.device->received().left(expected.size()), expected);
    // From 0, one step per block, stopping at the top after the 255th.
    QCOMPARE(steps.first(), 0);
    QCOMPARE(steps.size(), progress + 1);
    QCOMPARE(steps.last(), progress);

    QTRY_COMPARE_WITH_TIMEOUT(f.ui().get<QLabel>("LabelUpload")->text(), QStringLiteral("OK"),
                              15000);
    QCOMPARE(LabelColor(f.ui().get<QLabel>("LabelUpload")), QColor(Qt::blue));
    QCOMPARE(f.ui().get<QLabel>("LabelIMVersion")->text(), QStringLiteral("3.10C (09.10.24)"));
    QVERIFY(f.ui().get<QGroupBox>("GrBoxImVer")->isVisibleTo(f.ui().get<QFrame>("PanelUpgrade")));
    QVERIFY(f.buttonsEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(f.device->state().image, image);
}

void TestE2eUpload::deviceAfterTheInstallIsTheOneUpgraded_data() {
    // Whether this connection read the MAC address before the upload, and
    // whether another device (another MAC) answers after the install.
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("swapped");
    QTest::addColumn<QString>("label");
    QTest::newRow("read, the same device") << true << false << "OK";
    QTest::newRow("not read: asked first") << false << false << "OK";
    QTest::newRow("read, another device")
        << true << true << "another device answers at 127.0.0.1";
}

void TestE2eUpload::deviceAfterTheInstallIsTheOneUpgraded() {
    QFETCH(bool, read);
    QFETCH(bool, swapped);
    QFETCH(QString, label);
    QVERIFY(f.start());
    if (!read)
        f.tool->form->device().model.ClearValues();
    if (swapped)
        f.device->updateState([](sim::DeviceState& s) { s.config.macAddr = "02-00-00-00-00-0B"; });
    f.useImage(UpgradeFixture::image(1024));
    f.ui().get<QPushButton>("ButtonUpload")->click();
    QCOMPARE(f.device->received().startsWith("?MacAddr;"), !read);
    QTRY_VERIFY_WITH_TIMEOUT(f.buttonsEnabled(), 15000);
    QCOMPARE(f.ui().get<QLabel>("LabelUpload")->text(), label);
    QCOMPARE(LabelColor(f.ui().get<QLabel>("LabelUpload")), QColor(swapped ? Qt::red : Qt::blue));
    if (swapped)
        QCOMPARE(f.tool->status(StatusPanel::Message),
                 QStringLiteral("another device answers at 127.0.0.1: MAC address "
                                "02-00-00-00-00-0B, not 00-1A-2B-3C-4D-5E"));
}

void TestE2eUpload::uploadWithRealInstallTiming() {
    QVERIFY(f.start(true));
    const QByteArray image = UpgradeFixture::image(1025);
    f.useImage(image);
    uint32_t installTick = 0;
    connect(&f.tool->form->device().log, &DeviceLog::statusText, this,
            [&installTick](StatusPanel panel, const QString& text) {
                if (panel == StatusPanel::Message &&
                    text == QLatin1String("Wait for restarting of RK5720LAN..."))
                    installTick = rk::GetTickCount();
            });
    f.ui().get<QPushButton>("ButtonUpload")->click();
    const uint32_t clickDone = rk::GetTickCount();
    QVERIFY(installTick != 0);
    // The device answers OK and restarts at once; the tool drops its side and
    // clears the address cache only after 2 s, and follows after 8 s.
    QVERIFY2(f.arpTick - installTick >= 2000, qPrintable(QString::number(f.arpTick - installTick)));
    QVERIFY2(clickDone - installTick >= 8000, qPrintable(QString::number(clickDone - installTick)));
    QVERIFY(clickDone - installTick < 9500);
    QVERIFY(f.tool->form->device().follower.Following());
    QTRY_COMPARE_WITH_TIMEOUT(f.ui().get<QLabel>("LabelUpload")->text(), QStringLiteral("OK"),
                              15000);
    QCOMPARE(f.ui().get<QLabel>("LabelIMVersion")->text(), QStringLiteral("3.10C (09.10.24)"));
    QCOMPARE(f.device->state().image, image);
}

void TestE2eUpload::refusedBeforeTransfer_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("label");
    QTest::newRow("not connected") << "disconnected"
                                   << "Server is not connected"
                                   << " ";
    QTest::newRow("missing file") << "missing"
                                  << "Can't open file"
                                  << "Error writing soft";
    QTest::newRow("folder") << "folder"
                            << "Can't open file"
                            << "Error writing soft";
    QTest::newRow("empty name") << "noname"
                                << "Can't open file"
                                << "Error writing soft";
    QTest::newRow("named pipe") << "pipe"
                                << "Can't open file"
                                << "Error writing soft";
    QTest::newRow("262,145 bytes") << "toolong"
                                   << "File is too long"
                                   << " ";
    QTest::newRow("bad CRC") << "badcrc"
                             << "Error CRC"
                             << "This file is not correct";
    QTest::newRow("empty file") << "empty"
                                << "File not open"
                                << "This file is not correct";
}

void TestE2eUpload::refusedBeforeTransfer() {
    QFETCH(QString, kind);
    QFETCH(QString, report);
    QFETCH(QString, label);
    QVERIFY(f.start());
    QByteArray image = UpgradeFixture::image(3000);
    if (kind == QLatin1String("badcrc"))
        image[2] = char(image[2] ^ 0x40);
    else if (kind == QLatin1String("toolong"))
        image = QByteArray(kImageMaxSize + 1, 'x');
    else if (kind == QLatin1String("empty"))
        image.clear();
    const QString path = f.useImage(image);
    if (kind == QLatin1String("missing"))
        QFile::remove(path);
    else if (kind == QLatin1String("folder"))
        f.tool->form->openDialog().FileName = f.tool->dir.path();
    else if (kind == QLatin1String("pipe")) {
        QFile::remove(path);
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("noname"))
        f.tool->form->openDialog().FileName.clear();
    else if (kind == QLatin1String("disconnected")) {
        f.tool->form->device().Close();
        QTRY_VERIFY(!f.tool->form->device().Active());
    }

    f.ui().get<QPushButton>("ButtonUpload")->click();
    QCOMPARE(f.tool->status(StatusPanel::Message), report);
    QCOMPARE(f.tool->logLines().last(), report);
    QCOMPARE(f.ui().get<QLabel>("LabelUpload")->text(), label);
    if (label != QLatin1String(" "))
        QCOMPARE(LabelColor(f.ui().get<QLabel>("LabelUpload")), QColor(Qt::red));
    QVERIFY(f.buttonsEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(
        !f.ui().get<QGroupBox>("GrBoxFileVer")->isVisibleTo(f.ui().get<QFrame>("PanelUpgrade")));
    QVERIFY(!f.device->received().contains("WRITESOFT"));
}

void TestE2eUpload::failsDuringTransfer_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    QTest::newRow("WRITESOFT BUSY") << "busy" << 0 << 2000;
    QTest::newRow("announcement unanswered") << "silentAnnounce" << 500 << 3000;
    QTest::newRow("READY only after 500 ms") << "lateReady" << 500 << 3000;
    QTest::newRow("block unanswered 10 s") << "silentBlock" << 10000 << 14000;
    QTest::newRow("connection dropped mid-upload") << "drop" << 0 << 3000;
}

void TestE2eUpload::failsDuringTransfer() {
    QFETCH(QString, fault);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    QVERIFY(f.start());
    f.useImage(UpgradeFixture::image(5000));
    f.device->updateFaults([&fault](sim::SimFaults& s) {
        s.writeSoftBusy = fault == QLatin1String("busy");
        if (fault == QLatin1String("silentAnnounce"))
            s.silentCommands = QStringList{"WRITESOFT"};
        if (fault == QLatin1String("silentBlock"))
            s.silentCommands = QStringList{"SOFTBLOCK"};
        if (fault == QLatin1String("drop"))
            s.dropAfterCommands = 3;
        if (fault == QLatin1String("lateReady"))
            s.answerDelayMs = 600;
    });
    QStringList indicator;
    connect(&f.tool->form->device().log, &DeviceLog::statusText, this,
            [&indicator](StatusPanel panel, const QString& text) {
                if (panel == StatusPanel::Progress && !text.isEmpty())
                    indicator << text;
            });
    const uint32_t t0 = rk::GetTickCount();
    f.ui().get<QPushButton>("ButtonUpload")->click();
    const uint32_t took = rk::TicksSince(t0);
    QVERIFY2(took >= uint32_t(minMs) && took < uint32_t(maxMs), qPrintable(QString::number(took)));
    if (fault == QLatin1String("silentBlock")) {
        // One step per 200 ms of waiting, however often the wait wakes: 51
        // in 10 s, fewer only if the process was kept from running.
        QVERIFY2(indicator.size() >= 40 && indicator.size() <= 53,
                 qPrintable(QString::number(indicator.size())));
        QCOMPARE(indicator.mid(0, 3), (QStringList{"-+--+--+-", "+--+--+--", "--+--+--+"}));
    }
    expectFailureEnding(QStringLiteral("Error writing soft"));
    QVERIFY(f.tool->logLines().contains(QStringLiteral("Server not answer")));
    QVERIFY(!f.device->received().contains("UPGRADE"));
    QTRY_VERIFY(!f.tool->form->device().Active());
    if (fault == QLatin1String("busy") || fault == QLatin1String("silentAnnounce"))
        QCOMPARE(f.device->received(), QByteArray("WRITESOFT  = 0"));
    if (fault == QLatin1String("silentBlock"))
        QCOMPARE(f.device->received().size(), qsizetype(14 + kImageBlockSize));
    // The window is usable: a later upload to a healthy device goes through.
    f.device->setFaults(sim::SimFaults());
    QVERIFY(f.tool->connectTo(QStringLiteral("127.0.0.1"), f.device->port()));
    f.ui().get<QPushButton>("ButtonUpload")->click();
    QVERIFY(f.tool->form->device().follower.Following());
}

void TestE2eUpload::chatteringDeviceIsUpgraded_data() {
    // What the device says after each uploaded block, besides its answer.
    QTest::addColumn<QByteArray>("answer"); // empty: WRITESOFT = OK
    QTest::addColumn<bool>("split");        // the answer in two writes, `gapMs` apart
    QTest::addColumn<QByteArray>("trailer");
    QTest::addColumn<int>("gapMs");
    QTest::newRow("a stray NO 20 ms after the answer")
        << QByteArray() << false << QByteArray("NO;") << 20;
    QTest::newRow("SOFTBLO + CK = OK, 60 ms apart")
        << QByteArray("SOFTBLOCK = OK;") << true << QByteArray() << 60;
    QTest::newRow("WRITESO + FT = OK, 20 ms apart") << QByteArray() << true << QByteArray() << 20;
}

void TestE2eUpload::chatteringDeviceIsUpgraded() {
    QFETCH(QByteArray, answer);
    QFETCH(bool, split);
    QFETCH(QByteArray, trailer);
    QFETCH(int, gapMs);
    QVERIFY(f.start());
    const QByteArray image = UpgradeFixture::image(5000);
    f.useImage(image);
    f.device->updateFaults([&](sim::SimFaults& s) {
        s.softBlockAnswer = answer;
        s.splitSoftBlockAnswer = split;
        s.splitGapMs = gapMs;
        s.softBlockTrailer = trailer;
        s.softBlockTrailerMs = gapMs;
    });
    f.ui().get<QPushButton>("ButtonUpload")->click();
    // Whatever else it says, each announcement waits for its own READY.
    QVERIFY(f.tool->form->device().follower.Following());
    QCOMPARE(f.device->received().left(ExpectedUpload(image).size()), ExpectedUpload(image));
    QTRY_COMPARE_WITH_TIMEOUT(f.ui().get<QLabel>("LabelUpload")->text(), QStringLiteral("OK"),
                              15000);
    QCOMPARE(f.ui().get<QLabel>("LabelIMVersion")->text(), QStringLiteral("3.10C (09.10.24)"));
    QCOMPARE(f.device->state().image, image);
}

void TestE2eUpload::staleReadyNeverSendsABlock() {
    QVERIFY(f.start());
    f.useImage(UpgradeFixture::image(2048));
    // A READY the device said unasked, before the announcement, must not let
    // a block go out.
    QVERIFY(f.device->waitForClient());
    f.device->sendUnasked("WRITESOFT = READY;");
    QTRY_VERIFY_WITH_TIMEOUT(
        MessageLogLines(*f.tool->form).contains(QStringLiteral("WRITESOFT = READY;")), 5000);
    f.device->clearWireLog();
    f.device->updateFaults([](sim::SimFaults& s) { s.silentCommands = QStringList{"WRITESOFT"}; });
    f.ui().get<QPushButton>("ButtonUpload")->click();
    QCOMPARE(f.device->received(), QByteArray("WRITESOFT  = 0"));
    expectFailureEnding(QStringLiteral("Error writing soft"));
}

void TestE2eUpload::connectionGoneBeforeInstall() {
    QVERIFY(f.start());
    f.useImage(UpgradeFixture::image(2048));
    connect(&f.firmware(), &FirmwareProcedures::phase, this, [this](FirmwarePhase phase) {
        if (phase != FirmwarePhase::TransferEnded)
            return;
        f.device->dropClient();
        QVERIFY(QTest::qWaitFor([this] { return !f.tool->form->device().Connected(); }, 5000));
    });
    f.ui().get<QPushButton>("ButtonUpload")->click();
    QVERIFY(!f.device->received().contains("UPGRADE"));
    QCOMPARE(f.tool->status(StatusPanel::Message), QStringLiteral("Server is not connected"));
    expectFailureEnding(QStringLiteral("Upgrade error"));
    QVERIFY(!f.tool->form->device().follower.Following());
}

void TestE2eUpload::garbageAnswersLetTheTransferGoOn() {
    QVERIFY(f.start());
    const QByteArray image = UpgradeFixture::image(3000);
    f.useImage(image);
    f.device->updateFaults([](sim::SimFaults& s) { s.softBlockAnswer = "\x01\x02#%\xFE&*"; });
    f.ui().get<QPushButton>("ButtonUpload")->click();
    QVERIFY(f.tool->form->device().follower.Following());
    QCOMPARE(f.device->received().left(ExpectedUpload(image).size()), ExpectedUpload(image));
    QTRY_COMPARE_WITH_TIMEOUT(f.ui().get<QLabel>("LabelUpload")->text(), QStringLiteral("OK"),
                              15000);
}

void TestE2eUpload::upgradeFailKeepsConnection() {
    QVERIFY(f.start());
    f.useImage(UpgradeFixture::image(1500));
    f.device->updateFaults([](sim::SimFaults& s) { s.upgradeFail = true; });
    f.ui().get<QPushButton>("ButtonUpload")->click();
    QCOMPARE(f.ui().get<QLabel>("LabelUpload")->text(), QStringLiteral("Upgrade error"));
    QCOMPARE(LabelColor(f.ui().get<QLabel>("LabelUpload")), QColor(Qt::red));
    QCOMPARE(f.tool->status(StatusPanel::Message), QStringLiteral("Error..."));
    QCOMPARE(f.tool->status(StatusPanel::Progress), QString());
    QVERIFY(f.buttonsEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!f.tool->form->device().follower.Following());
    QVERIFY(f.tool->form->device().Connected());
    QVERIFY(f.arpCalls.isEmpty());
}

void TestE2eUpload::deviceThatNeverComesBack() {
    QVERIFY(f.start());
    f.useImage(UpgradeFixture::image(1500));
    f.device->updateFaults([](sim::SimFaults& s) { s.noComeBack = true; });
    f.ui().get<QPushButton>("ButtonUpload")->click();
    QVERIFY(f.tool->form->device().follower.Following());
    QTRY_VERIFY_WITH_TIMEOUT(!f.tool->form->device().follower.Following(), 15000);
    QCOMPARE(f.ui().get<QLabel>("LabelUpload")->text(),
             QStringLiteral("Error restarting of RK5720ELAN"));
    QCOMPARE(LabelColor(f.ui().get<QLabel>("LabelUpload")), QColor(Qt::red));
    QCOMPARE(f.tool->status(StatusPanel::Message),
             QStringLiteral("Server is not connected (tried 127.0.0.1:%1)").arg(f.device->port()));
    QVERIFY(f.buttonsEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

void TestE2eUpload::versionUnansweredAfterReconnection() {
    QVERIFY(f.start());
    f.useImage(UpgradeFixture::image(1500));
    f.device->updateFaults([](sim::SimFaults& s) {
        s.silentCommands = QStringList{"?VERSION", "?DATEVERSION"};
    });
    f.ui().get<QPushButton>("ButtonUpload")->click();
    QTRY_COMPARE_WITH_TIMEOUT(f.ui().get<QLabel>("LabelUpload")->text(),
                              QStringLiteral("Error reading version"), 15000);
    QCOMPARE(LabelColor(f.ui().get<QLabel>("LabelUpload")), QColor(Qt::red));
    QVERIFY(f.buttonsEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TestE2eUpload)
#include "tst_e2e_upload.moc"
