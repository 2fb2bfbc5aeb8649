// Upload and compare of the largest image through the real window against the
// simulator on loopback, and the CPU share while a block answer never comes.
#include "AppOptions.h"
#include "BenchSupport.h"
#include "FirmwareImage.h"
#include "SimulatorThread.h"
#include "TChatForm.h"
#include "UpgradeMode.h"
#include "WireLog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtWidgets>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

uint32_t Percentile(std::vector<uint32_t> v, int p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() * size_t(p) / 100];
}

uint32_t Median(const std::vector<uint32_t>& v) {
    return Percentile(v, 50);
}

// Gaps of an upload in the device's wire log: from each answer the device
// sent to the next bytes it received (the tool's share), and from received
// bytes to the answer (the device's share).
void AddTurnarounds(const QList<sim::WireEntry>& log, std::vector<uint32_t>& tool,
                    std::vector<uint32_t>& device) {
    using Kind = sim::WireEntry::Kind;
    for (qsizetype i = 1; i < log.size(); ++i) {
        const sim::WireEntry& a = log[i - 1];
        const sim::WireEntry& b = log[i];
        if (a.kind == Kind::Sent && b.kind == Kind::Received)
            tool.push_back(b.tick - a.tick);
        else if (a.kind == Kind::Received && b.kind == Kind::Sent)
            device.push_back(b.tick - a.tick);
        if (b.bytes.startsWith("UPGRADE"))
            return;
    }
}

int Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    TChatForm form(BenchOptions(dir));
    form.NUpgradeClick();
    Device& core = form.device();
    core.config.arpRunner = [](const QString&) {};
    core.follower.timing.reconnectIntervalMs = 100;
    core.firmware.timing.installAnswerMs = 100;
    core.firmware.timing.installRestartMs = 200;

    const QByteArray image =
        sim::BuildFirmwareImage(QStringLiteral("1.00A"), QStringLiteral("01.02.08"), kImageMaxSize);
    const QString path = dir.filePath(QStringLiteral("largest.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size())
        return Fail("cannot write the image");
    file.close();
    form.openDialog().FileName = path;

    sim::SimulatorThread device;
    device.setRestartDelay(100);
    if (!device.start() || !ConnectTool(form, device))
        return Fail("cannot reach the simulator");

    // Upload: first announcement to the last block's answer; then compare:
    // the version check and 256 blocks read back and compared. The machine
    // may be shared, so each runs several times and the median counts.
    constexpr int kRuns = 5;
    QElapsedTimer clock;
    double uploadMs = -1;
    double compareMs = -1;
    QObject::connect(&core.firmware, &FirmwareProcedures::phase, &form, [&](FirmwarePhase phase) {
        if (phase == FirmwarePhase::TransferBegun || phase == FirmwarePhase::ReadBackBegun)
            clock.start();
        else if (phase == FirmwarePhase::TransferEnded)
            uploadMs = double(clock.nsecsElapsed()) / 1e6;
    });
    std::vector<uint32_t> toolTurns;
    std::vector<uint32_t> deviceTurns;
    device.clearWireLog();
    std::vector<double> uploads;
    std::vector<double> compares;
    for (int run = 0; run < kRuns; ++run) {
        uploadMs = -1;
        form.findChild<QPushButton*>(QStringLiteral("ButtonUpload"))->click();
        if (uploadMs < 0 || !form.device().follower.Following())
            return Fail("upload did not complete");
        if (!sim::SimulatorThread::waitFor(
                [&] {
                    return form.findChild<QLabel*>(QStringLiteral("LabelUpload"))->text() ==
                           QLatin1String("OK");
                },
                15000) ||
            device.state().image != image)
            return Fail("the device did not install the image");
        uploads.push_back(uploadMs);
        AddTurnarounds(device.wireLog(), toolTurns, deviceTurns);
        device.clearWireLog();

        form.findChild<QPushButton*>(QStringLiteral("ButtonCompare"))->click();
        compareMs = double(clock.nsecsElapsed()) / 1e6;
        if (form.findChild<QLabel*>(QStringLiteral("LabelCompare"))->text() !=
            QStringLiteral("Version of the same"))
            return Fail("compare did not find the same image");
        compares.push_back(compareMs);
    }
    std::sort(uploads.begin(), uploads.end());
    std::sort(compares.begin(), compares.end());
    std::printf("upload-262144-bytes-median: %.3f s\n", uploads[kRuns / 2] / 1000.0);
    std::printf("upload-262144-bytes-min: %.3f s\n", uploads.front() / 1000.0);
    std::printf("compare-256-blocks-median: %.3f s\n", compares[kRuns / 2] / 1000.0);
    std::printf("compare-256-blocks-min: %.3f s\n", compares.front() / 1000.0);
    // Where the upload's time goes, from the device's wire log: the tool's
    // turnaround (answer out to next command in) and the device's.
    std::printf("upload-tool-turnaround-median: %u ms\n", Median(toolTurns));
    std::printf("upload-tool-turnaround-p90: %u ms\n", Percentile(toolTurns, 90));
    std::printf("upload-device-turnaround-median: %u ms\n", Median(deviceTurns));

    // A block answer that never comes: 10 s of waiting.
    device.updateFaults(
        [](sim::SimFaults& f) { f.silentCommands = QStringList{QStringLiteral("SOFTBLOCK")}; });
    const double cpu0 = ProcessCpuMs();
    QElapsedTimer wall;
    wall.start();
    form.findChild<QPushButton*>(QStringLiteral("ButtonUpload"))->click();
    const double wallMs = double(wall.nsecsElapsed()) / 1e6;
    const double cpuMs = ProcessCpuMs() - cpu0;
    if (form.findChild<QLabel*>(QStringLiteral("LabelUpload"))->text() !=
            QStringLiteral("Error writing soft") ||
        wallMs < 10000)
        return Fail("the silent block did not end the upload after 10 s");
    std::printf("silent-block-wait: %.3f s\n", wallMs / 1000.0);
    std::printf("silent-block-cpu: %.2f %%\n", 100.0 * cpuMs / wallMs);
    return 0;
}
