// The firmware procedures of the core on their own, without a window: the
// order of their progress signals and their results, the way a console
// program would see them, against the simulator on loopback.
#include "Device.h"
#include "FirmwareImage.h"
#include "ImageFile.h"
#include "SimulatorThread.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestCoreFirmware : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void uploadThenCompare();
    void compareCountsEveryDifference_data();
    void compareCountsEveryDifference();
    void compareTakesNoVersionReadBefore();
    void zeroInstallPause_data();
    void zeroInstallPause();
    void imageFileMessages_data();
    void imageFileMessages();

private:
    QString writeImage(const QString& version, int size);

    std::unique_ptr<sim::SimulatorThread> sim;
    std::unique_ptr<Device> device;
    QTemporaryDir dir;
};

void TestCoreFirmware::init() {
    sim = std::make_unique<sim::SimulatorThread>();
    sim->setRestartDelay(100);
    QVERIFY(sim->start());
    device = std::make_unique<Device>();
    device->config.arpRunner = nullptr;
    device->follower.timing.reconnectIntervalMs = 100;
    device->firmware.timing.installAnswerMs = 100;
    device->firmware.timing.installRestartMs = 200;
    device->connection.ConnectTo(QStringLiteral("127.0.0.1"), QString::number(sim->port()));
    QVERIFY(QTest::qWaitFor([this] { return device->Connected(); }, 5000));
}

void TestCoreFirmware::cleanup() {
    device.reset();
    sim.reset();
}

QString TestCoreFirmware::writeImage(const QString& version, int size) {
    const QString path = dir.filePath(version + QStringLiteral(".bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(sim::BuildFirmwareImage(version, QStringLiteral("11.12.25"), size)) < size)
        return QString();
    return path;
}

void TestCoreFirmware::uploadThenCompare() {
    const QString path = writeImage(QStringLiteral("4.20D"), 2100);
    QVERIFY(!path.isEmpty());

    QList<FirmwarePhase> phases;
    QStringList texts;
    connect(&device->firmware, &FirmwareProcedures::phase, this,
            [&phases](FirmwarePhase p) { phases << p; });
    connect(&device->firmware, &FirmwareProcedures::versionText, this,
            [&texts](VersionSide side, const QString& text) {
                texts << (side == VersionSide::File ? "file: " : "device: ") + text;
            });

    QCOMPARE(device->firmware.UploadFirmware(path).result,
             FirmwareProcedures::UploadResult::Restarting);
    using P = FirmwarePhase;
    QCOMPARE(phases, (QList<P>{P::FileChecked, P::TransferBegun, P::BlockDone, P::BlockDone,
                               P::BlockDone, P::TransferEnded}));
    QCOMPARE(texts, QStringList{"file: 4.20D  (11.12.25)"});
    QVERIFY(device->follower.Following());
    QVERIFY(QTest::qWaitFor([this] { return !device->follower.Following(); }, 10000));
    QVERIFY(device->Connected());

    phases.clear();
    texts.clear();
    const FirmwareProcedures::CompareResult result = device->firmware.CompareFirmware(path);
    QVERIFY(result.same());
    QCOMPARE(result.code, int(FirmwareProcedures::CompareDone));
    QCOMPARE(phases, (QList<P>{P::FileRead, P::ReadBackBegun, P::BlockDone, P::BlockDone}));
    QCOMPARE(texts, (QStringList{"file: 4.20D  (11.12.25)", "device: 4.20D  (11.12.25)",
                                 "device: 4.20D  (11.12.25)"}));
}

// The read-back starts from the file's bytes and copies only on a difference:
// every different byte, and a different length, must still be counted.
// A version shorter than its field is the same version.
void TestCoreFirmware::compareCountsEveryDifference_data() {
    QTest::addColumn<int>("deviceSize");
    QTest::addColumn<int>("fileSize");
    QTest::addColumn<int>("flipped"); // payload bytes changed in the file
    QTest::addColumn<QString>("version");
    QTest::newRow("the same") << 5000 << 5000 << 0 << "4.20D";
    QTest::newRow("bytes in three blocks") << 5000 << 5000 << 3 << "4.20D";
    QTest::newRow("file shorter") << 5000 << 3000 << 0 << "4.20D";
    QTest::newRow("file longer, by part of a block") << 3000 << 3500 << 1 << "4.20D";
    // Padded with blanks in the image, answered without them.
    QTest::newRow("short version") << 5000 << 5000 << 0 << "3.1";
}

void TestCoreFirmware::compareCountsEveryDifference() {
    QFETCH(int, deviceSize);
    QFETCH(int, fileSize);
    QFETCH(int, flipped);
    QFETCH(QString, version);
    const QString date = QStringLiteral("11.12.25");
    const QByteArray stored = sim::BuildFirmwareImage(version, date, deviceSize);
    sim->setVersion(version, date);
    sim->updateState([&stored](sim::DeviceState& s) { s.image = stored; });
    ImageFile file;
    file.status = ImageFile::Status::Read;
    file.bytes = sim::BuildFirmwareImage(version, date, fileSize);
    for (int i = 0; i < flipped; ++i) {
        const qsizetype at = file.bytes.size() - 1 - qsizetype(i) * kImageBlockSize;
        file.bytes[at] = char(file.bytes[at] ^ 0x5A);
    }
    if (flipped > 0)
        sim::SealFirmwareImage(file.bytes);
    file.size = file.bytes.size();

    int expected = deviceSize != fileSize ? 1 : 0;
    for (qsizetype i = 0; i < std::min(stored.size(), file.size); ++i)
        expected += stored[i] != file.bytes[i] ? 1 : 0;
    const FirmwareProcedures::CompareResult result = device->firmware.CompareFirmware(file);
    QCOMPARE(result.code, int(FirmwareProcedures::CompareDone));
    QCOMPARE(result.mismatches, expected);
    QCOMPARE(result.same(), deviceSize == fileSize && flipped == 0);
}

// A version read earlier says nothing of what the device answers now: a
// device silent on the version queries is no match for the file.
void TestCoreFirmware::compareTakesNoVersionReadBefore() {
    const QString version = QStringLiteral("4.20D");
    const QString date = QStringLiteral("11.12.25");
    sim->setVersion(version, date);
    QCOMPARE(device->config.ReadConfiguration().result, ConfigProcedures::ReadResult::Answered);
    QCOMPARE(device->model.Value(DeviceField::Version), version);
    sim->updateFaults([](sim::SimFaults& f) { f.silentCommands = {"?VERSION", "?DATEVERSION"}; });
    ImageFile file;
    file.status = ImageFile::Status::Read;
    file.bytes = sim::BuildFirmwareImage(version, date, 3000);
    file.size = file.bytes.size();
    const FirmwareProcedures::CompareResult result = device->firmware.CompareFirmware(file);
    QCOMPARE(result.code, int(FirmwareProcedures::CompareVersionsDiffer));
    QVERIFY(!result.same());
}

// A zero pause, as a script may ask for, waits for nothing; it must not wrap
// round to a wait of weeks.
void TestCoreFirmware::zeroInstallPause_data() {
    QTest::addColumn<uint>("answerMs");
    QTest::addColumn<uint>("restartMs");
    QTest::newRow("no refusal window") << 0u << 200u;
    QTest::newRow("no restart pause") << 100u << 0u;
    QTest::newRow("neither") << 0u << 0u;
}

void TestCoreFirmware::zeroInstallPause() {
    QFETCH(uint, answerMs);
    QFETCH(uint, restartMs);
    device->firmware.timing.installAnswerMs = answerMs;
    device->firmware.timing.installRestartMs = restartMs;
    const QString path = writeImage(QStringLiteral("4.21A"), 1500);
    QVERIFY(!path.isEmpty());

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(device->firmware.UploadFirmware(path).result,
             FirmwareProcedures::UploadResult::Restarting);
    QVERIFY2(clock.elapsed() >= qint64(std::max(answerMs, restartMs)),
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(clock.elapsed() < 10000, "the install waited far past its pauses");
    QVERIFY(QTest::qWaitFor([this] { return !device->follower.Following(); }, 10000));
    QVERIFY(device->Connected());
    QCOMPARE(sim->state().version, QStringLiteral("4.21A"));
}

void TestCoreFirmware::imageFileMessages_data() {
    QTest::addColumn<ImageFile::Status>("status");
    QTest::addColumn<ImageFileUse>("use");
    QTest::addColumn<QString>("message");
    using S = ImageFile::Status;
    using U = ImageFileUse;
    const struct {
        const char* name;
        S status;
        U use;
        const char* message;
    } rows[] = {
        {"read, check", S::Read, U::Check, ""},
        {"read, command line", S::Read, U::CommandLine, ""},
        {"not open, check", S::CannotOpen, U::Check, "File not open"},
        {"not open, upload", S::CannotOpen, U::Upload, "Can't open file"},
        {"not open, compare", S::CannotOpen, U::Compare, "File not open"},
        {"not open, command line", S::CannotOpen, U::CommandLine, "cannot open it as a file"},
        {"too long, check", S::TooLong, U::Check, "File is too long"},
        {"too long, upload", S::TooLong, U::Upload, "File is too long"},
        {"too long, compare", S::TooLong, U::Compare, "File is too long"},
        {"too long, command line", S::TooLong, U::CommandLine,
         "larger than 262144 bytes, no image"},
        {"short read, check", S::ShortRead, U::Check, "Error file reading"},
        {"short read, upload", S::ShortRead, U::Upload, "Error file reading"},
        {"short read, compare", S::ShortRead, U::Compare, "File not open"},
        {"short read, command line", S::ShortRead, U::CommandLine, "could not be read whole"},
    };
    for (const auto& r : rows)
        QTest::newRow(r.name) << r.status << r.use << QString::fromLatin1(r.message);
}

void TestCoreFirmware::imageFileMessages() {
    QFETCH(ImageFile::Status, status);
    QFETCH(ImageFileUse, use);
    QFETCH(QString, message);
    QCOMPARE(ImageFileMessage(status, use), message);
}

QTEST_GUILESS_MAIN(TestCoreFirmware)
#include "tst_core_firmware.moc"
