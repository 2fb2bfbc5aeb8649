// The Upgrade panel's other handlers through the real window against the
// simulator: the compare with its read-back, the file choice, and the remote
// COM-port switch.
#include "AppSettings.h"
#include "LabelColor.h"
#include "UpgradeFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProgressBar>

namespace {

const QString kDeviceVersion = QStringLiteral("1.00A  (01.02.08)");

// A file the system reports bigger than what reading it gives, if there is one.
QString ShortReadingFile() {
    for (const char* name : {"/sys/kernel/mm/transparent_hugepage/enabled", "/sys/power/state",
                             "/sys/kernel/uevent_helper", "/sys/kernel/profiling"}) {
        QFile file(QString::fromLatin1(name));
        if (file.size() > 0 && file.open(QIODevice::ReadOnly) &&
            file.readAll().size() < file.size())
            return file.fileName();
    }
    return QString();
}

} // namespace

class TestE2eUpgradePanel : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void compare_data();
    void compare();
    void compareWhileDisconnectedChangesNothing();
    void compareJoinsSegmentedBlocks();

    void fileChoice_data();
    void fileChoice();
    void fileChoiceCancelled();
    void fileChoiceSavedOnExit();
    void clickIntoFileNameOpensDialog();

    void remoteCom_data();
    void remoteCom();

private:
    UpgradeFixture f;
};

void TestE2eUpgradePanel::cleanup() {
    f.tool.reset();
    f.device.reset();
}

void TestE2eUpgradePanel::compare_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("same");
    QTest::addColumn<QString>("imLabel");
    QTest::addColumn<QString>("report");
    QTest::addColumn<bool>("readBack");
    QTest::addColumn<int>("minMs");
    QTest::newRow("equal") << "stored"
                           << "" << true << kDeviceVersion << "" << true << 0;
    QTest::newRow("one byte different") << "onebyte"
                                        << "" << false << kDeviceVersion << "" << true << 0;
    QTest::newRow("other header length") << "longer"
                                         << "" << false << kDeviceVersion << "" << true << 0;
    QTest::newRow("lower-case version in the file")
        << "lowercase"
        << "" << false << kDeviceVersion << "" << false << 0;
    QTest::newRow("last block short, as the image ends")
        << "stored"
        << "shortlast" << true << kDeviceVersion << "" << true << 0;
    QTest::newRow("old device") << "stored"
                                << "old" << false << "Very old version RK5720"
                                << "Very old version RK5720LAN" << true << 0;
    QTest::newRow("more than 256 blocks") << "stored"
                                          << "oversize" << false << "Very old version RK5720"
                                          << "Very old version RK5720LAN" << true << 0;
    QTest::newRow("stall in the middle") << "stored"
                                         << "stall" << false << "Server not answer"
                                         << "Server not answer" << true << 5000;
    QTest::newRow("connection dropped in the read-back") << "stored"
                                                         << "drop" << false << "Server not answer"
                                                         << "Server not answer" << true << 0;
    QTest::newRow("missing file") << "missing"
                                  << "" << false << "File not open"
                                  << "File not open" << false << 0;
    QTest::newRow("262,145 bytes") << "toolong"
                                   << "" << false << "File is too long"
                                   << "File is too long" << false << 0;
}

void TestE2eUpgradePanel::compare() {
    QFETCH(QString, file);
    QFETCH(QString, fault);
    QFETCH(bool, same);
    QFETCH(QString, imLabel);
    QFETCH(QString, report);
    QFETCH(bool, readBack);
    QFETCH(int, minMs);
    QVERIFY(f.start());
    QByteArray bytes = f.device->state().image;
    if (file == QLatin1String("onebyte")) {
        bytes[bytes.size() - 5] = char(bytes[bytes.size() - 5] ^ 1);
        sim::SealFirmwareImage(bytes);
    } else if (file == QLatin1String("longer")) {
        bytes = sim::BuildFirmwareImage(QStringLiteral("1.00A"), QStringLiteral("01.02.08"),
                                        int(bytes.size()) + 1);
    } else if (file == QLatin1String("lowercase")) {
        bytes = sim::BuildFirmwareImage(QStringLiteral("1.00a"), QStringLiteral("01.02.08"),
                                        int(bytes.size()));
    } else if (file == QLatin1String("toolong")) {
        bytes = QByteArray(kImageMaxSize + 1, 'x');
    }
    const QString path = f.useImage(bytes);
    if (file == QLatin1String("missing"))
        QFile::remove(path);
    f.device->updateFaults([&fault](sim::SimFaults& s) {
        s.oldReadSoft = fault == QLatin1String("old");
        s.oversizeImageHeader = fault == QLatin1String("oversize");
        s.shortLastReadSoft = fault == QLatin1String("shortlast");
        if (fault == QLatin1String("stall"))
            s.stallReadSoftAt = 7;
        if (fault == QLatin1String("drop"))
            s.dropAfterCommands = 6;
    });
    QList<int> steps;
    connect(f.ui().get<QProgressBar>("ProgressBarUpload"), &QProgressBar::valueChanged, this,
            [&steps](int value) { steps << value; });

    const uint32_t t0 = rk::GetTickCount();
    f.ui().get<QPushButton>("ButtonCompare")->click();
    const uint32_t took = rk::TicksSince(t0);
    QVERIFY2(took >= uint32_t(minMs) && took < uint32_t(minMs) + 3000,
             qPrintable(QString::number(took)));
    QCOMPARE(f.ui().get<QLabel>("LabelCompare")->text(),
             same ? QStringLiteral("Version of the same")
                  : QStringLiteral("Versions do not match"));
    QCOMPARE(LabelColor(f.ui().get<QLabel>("LabelCompare")),
             same ? QColor(Qt::blue) : QColor(Qt::red));
    QCOMPARE(f.ui().get<QLabel>("LabelIMVersion")->text(), imLabel);
    if (!report.isEmpty()) {
        QCOMPARE(f.tool->status(StatusPanel::Message), report);
        QVERIFY(f.tool->logLines().contains(report));
    }
    QCOMPARE(f.device->received().contains("READSOFT"), readBack);
    QVERIFY(f.buttonsEnabled());
    QVERIFY(!f.ui()
                 .get<QProgressBar>("ProgressBarUpload")
                 ->isVisibleTo(f.ui().get<QFrame>("PanelUpgrade")));
    const bool closed = report == QLatin1String("Server not answer");
    QTRY_COMPARE(f.tool->form->device().Active(), !closed);
    if (same) {
        const int blocks = int((bytes.size() + kImageBlockSize - 1) / kImageBlockSize);
        QCOMPARE(steps.size(), blocks); // 0, then one step per block after the first
        QCOMPARE(steps.last(), blocks - 1);
        QCOMPARE(f.ui().get<QLabel>("LabelFileVersion")->text(), kDeviceVersion);
    }
    // Nothing stays armed to swallow the next answer.
    if (f.tool->form->device().Connected())
        QVERIFY(f.tool->form->device().config.ReadValue(DeviceField::Version));
}

void TestE2eUpgradePanel::compareWhileDisconnectedChangesNothing() {
    QVERIFY(f.start());
    f.useImage(f.device->state().image);
    f.tool->form->device().Close();
    f.ui().get<QLabel>("LabelCompare")->setText(QStringLiteral("before"));
    f.ui().get<QLabel>("LabelIMVersion")->setText(QStringLiteral("im before"));
    f.ui().get<QPushButton>("ButtonCompare")->click();
    QCOMPARE(f.tool->status(StatusPanel::Message), QStringLiteral("Server is not connected"));
    QCOMPARE(f.ui().get<QLabel>("LabelCompare")->text(), QStringLiteral("before"));
    QCOMPARE(f.ui().get<QLabel>("LabelIMVersion")->text(), QStringLiteral("im before"));
}

void TestE2eUpgradePanel::compareJoinsSegmentedBlocks() {
    QVERIFY(f.start());
    f.useImage(f.device->state().image);
    // From the first read request on, every block leaves the device in two
    // pieces; a piece is no block.
    connect(&f.firmware(), &FirmwareProcedures::phase, this, [this](FirmwarePhase phase) {
        if (phase == FirmwarePhase::ReadBackBegun)
            f.device->updateFaults([](sim::SimFaults& s) {
                s.answerPieces = 2;
                s.splitGapMs = 20;
            });
    });
    f.ui().get<QPushButton>("ButtonCompare")->click();
    QCOMPARE(f.ui().get<QLabel>("LabelCompare")->text(), QStringLiteral("Version of the same"));
}

void TestE2eUpgradePanel::fileChoice_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("label");
    QTest::newRow("valid") << "valid"
                           << "3.10C  (09.10.24)";
    QTest::newRow("bad signature") << "signature"
                                   << "Error in file header";
    QTest::newRow("no marker") << "nomarker"
                               << "Error in file";
    QTest::newRow("262,145 bytes") << "toolong"
                                   << "File is too long";
    QTest::newRow("folder") << "folder"
                            << "File not open";
    QTest::newRow("empty file") << "empty"
                                << "File not open";
    QTest::newRow("short read") << "short"
                                << "Error file reading";
}

void TestE2eUpgradePanel::fileChoice() {
    QFETCH(QString, kind);
    QFETCH(QString, label);
    QVERIFY(f.start());
    QByteArray bytes = UpgradeFixture::image(4000);
    if (kind == QLatin1String("signature"))
        bytes[1] = 'X';
    else if (kind == QLatin1String("nomarker")) {
        bytes.replace(bytes.indexOf("RK5720ETH_"), 2, "rk");
        sim::SealFirmwareImage(bytes);
    } else if (kind == QLatin1String("toolong"))
        bytes = QByteArray(kImageMaxSize + 1, 'x');
    else if (kind == QLatin1String("empty"))
        bytes.clear();
    QString chosen = f.tool->dir.filePath(QStringLiteral("chosen.bin"));
    QFile out(chosen);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    if (kind == QLatin1String("folder"))
        chosen = f.tool->dir.path();
    if (kind == QLatin1String("short")) {
        chosen = ShortReadingFile();
        if (chosen.isEmpty())
            QSKIP("no file here reads shorter than its size");
    }
    f.ui().get<QLabel>("LabelUpload")->setText(QStringLiteral("old"));
    f.dialogAnswer = chosen;

    f.ui().get<QPushButton>("Button3")->click();
    QCOMPARE(f.dialogFilter, QString::fromLatin1(OpenDialogState::kFilter));
    QCOMPARE(f.ui().get<QLineEdit>("EditFileName")->text(), chosen);
    QCOMPARE(f.tool->form->openDialog().FileName, chosen);
    QCOMPARE(f.ui().get<QLabel>("LabelUpload")->text(), QStringLiteral(" "));
    QCOMPARE(f.ui().get<QLabel>("LabelFileVersion")->text(), label);
    QVERIFY(f.ui().get<QGroupBox>("GrBoxFileVer")->isVisibleTo(f.ui().get<QFrame>("PanelUpgrade")));
    QVERIFY(!f.ui().get<QGroupBox>("GrBoxImVer")->isVisibleTo(f.ui().get<QFrame>("PanelUpgrade")));
    if (kind != QLatin1String("valid")) {
        QCOMPARE(f.tool->status(StatusPanel::Message), label);
        QCOMPARE(f.tool->logLines().last(), label);
    }
}

void TestE2eUpgradePanel::fileChoiceCancelled() {
    QVERIFY(f.start());
    const QString path = f.useImage(UpgradeFixture::image(2000));
    f.ui().get<QLineEdit>("EditFileName")->setText(path);
    f.ui().get<QLabel>("LabelUpload")->setText(QStringLiteral("kept"));
    f.ui().get<QGroupBox>("GrBoxImVer")->setVisible(true);
    f.dialogAnswer.clear();
    f.ui().get<QPushButton>("Button3")->click();
    QCOMPARE(f.dialogStarts.size(), 1);
    QCOMPARE(f.ui().get<QLineEdit>("EditFileName")->text(), path);
    QCOMPARE(f.tool->form->openDialog().FileName, path);
    QCOMPARE(f.ui().get<QLabel>("LabelUpload")->text(), QStringLiteral("kept"));
    QVERIFY(f.ui().get<QGroupBox>("GrBoxImVer")->isVisibleTo(f.ui().get<QFrame>("PanelUpgrade")));
}

void TestE2eUpgradePanel::fileChoiceSavedOnExit() {
    QVERIFY(f.start());
    QDir(f.tool->dir.path()).mkdir(QStringLiteral("images"));
    const QString path = f.tool->dir.filePath(QStringLiteral("images/new.bin"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(UpgradeFixture::image(2000));
    out.close();
    f.tool->form->openDialog().InitialDir = f.tool->dir.path() + QLatin1Char('/');
    f.dialogAnswer = path;
    f.ui().get<QPushButton>("Button3")->click();
    QCOMPARE(f.dialogStarts, QStringList{f.tool->dir.path() + QLatin1Char('/')});
    // The next time the dialog opens where the file was chosen, on it.
    f.ui().get<QPushButton>("Button3")->click();
    QCOMPARE(f.dialogStarts.last(), path);
    f.tool->form->close();
    const AppSettings saved = LoadSettings(f.tool->settingsPath, QStringLiteral("/exe/"));
    QCOMPARE(saved.FileName, path);
    QCOMPARE(saved.InitialDir, QFileInfo(path).absolutePath() + QLatin1Char('/'));
}

void TestE2eUpgradePanel::clickIntoFileNameOpensDialog() {
    QVERIFY(f.start());
    f.dialogAnswer = f.useImage(UpgradeFixture::image(2000));
    QTest::mouseClick(f.ui().get<QLineEdit>("EditFileName"), Qt::LeftButton);
    QCOMPARE(f.dialogStarts.size(), 1);
    QCOMPARE(f.ui().get<QLabel>("LabelFileVersion")->text(), QStringLiteral("3.10C  (09.10.24)"));
}

void TestE2eUpgradePanel::remoteCom_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("minMs");
    QTest::newRow("On, OK") << "on"
                            << ""
                            << "OK" << QColor(Qt::blue) << 0;
    QTest::newRow("On, refused") << "on"
                                 << "reject"
                                 << "Error" << QColor(Qt::red) << 0;
    QTest::newRow("On, silent") << "on"
                                << "silent"
                                << "Unavailable" << QColor(Qt::red) << 500;
    QTest::newRow("On, disconnected") << "on"
                                      << "disconnected"
                                      << "Unavailable" << QColor(Qt::red) << 500;
    QTest::newRow("Off, answered 0") << "off"
                                     << ""
                                     << "Off" << QColor(Qt::black) << 0;
    QTest::newRow("Off, answered 1 keeps the text") << "off"
                                                    << "stays on"
                                                    << "prev" << QColor(Qt::black) << 0;
    QTest::newRow("Off, silent") << "off"
                                 << "silent"
                                 << "Unavailable" << QColor(Qt::red) << 3000;
    QTest::newRow("Off, disconnected") << "off"
                                       << "disconnected"
                                       << "Unavailable" << QColor(Qt::red) << 3000;
}

void TestE2eUpgradePanel::remoteCom() {
    QFETCH(QString, button);
    QFETCH(QString, fault);
    QFETCH(QString, text);
    QFETCH(QColor, color);
    QFETCH(int, minMs);
    QVERIFY(f.start());
    f.device->updateState([](sim::DeviceState& s) { s.remoteCom = true; });
    f.device->updateFaults([&](sim::SimFaults& s) {
        if (fault == QLatin1String("reject"))
            s.rejectKeys = QStringList{"SERVORRCOM"};
        if (fault == QLatin1String("silent"))
            s.silentAll = true;
        if (fault == QLatin1String("stays on"))
            s.silentCommands = QStringList{"COMOFF"};
    });
    if (fault == QLatin1String("disconnected"))
        f.tool->form->device().Close();
    SetLabel(f.ui().get<QLabel>("LabelRCom"), QStringLiteral("prev"), Qt::red);

    const uint32_t t0 = rk::GetTickCount();
    (button == QLatin1String("on") ? f.ui().get<QPushButton>("Button2")
                                   : f.ui().get<QPushButton>("Button4"))
        ->click();
    const uint32_t took = rk::TicksSince(t0);
    QVERIFY2(took >= uint32_t(minMs) && took < uint32_t(minMs) + 2000,
             qPrintable(QString::number(took)));
    QCOMPARE(f.ui().get<QLabel>("LabelRCom")->text(), text);
    QCOMPARE(LabelColor(f.ui().get<QLabel>("LabelRCom")), color);
    if (fault == QLatin1String("disconnected"))
        return;
    const QByteArray expected = button == QLatin1String("on")
                                    ? QByteArray("SERVORRCOM = 1")
                                    : QByteArray("\xFF\xFE\x2C\xAA\xBB\xFF\xF0?SERVORRCOM;");
    QVERIFY(f.device->waitForReceived(expected));
    QCOMPARE(f.device->received(), expected);
}

QTEST_MAIN(TestE2eUpgradePanel)
#include "tst_e2e_upgrade_panel.moc"
