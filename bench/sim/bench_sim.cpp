// The firmware path's cost on the simulator: a 256-block upload and a 256-block
// read-back, driven by a plain client that waits for every answer, the way the
// tool does. Prints one "figure-name: value unit" line per figure.
#include "FirmwareImage.h"
#include "SimulatorThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include <cstdio>

namespace {

QByteArray readAtLeast(QTcpSocket& socket, qsizetype count) {
    QByteArray got;
    while (got.size() < count) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(5000))
            break;
        got += socket.readAll();
    }
    return got;
}

bool expect(QTcpSocket& socket, const QByteArray& command, const QByteArray& answer) {
    socket.write(command);
    socket.flush();
    const QByteArray got = readAtLeast(socket, answer.size());
    if (got != answer) {
        std::fprintf(stderr, "bench_sim: %s answered %s, not %s\n", command.constData(),
                     got.constData(), answer.constData());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    sim::SimulatorThread::Options options;
    options.restartDelayMs = 100;
    sim::SimulatorThread device(options);
    if (!device.start())
        return 1;
    const QByteArray image = sim::BuildFirmwareImage(
        QStringLiteral("9.99Z"), QStringLiteral("31.12.99"), sim::kImageMaxSize);
    const int blocks = sim::kImageMaxBlocks;

    QTcpSocket socket;
    socket.connectToHost(device.address(), device.port());
    if (!socket.waitForConnected(3000))
        return 1;
    QElapsedTimer timer;
    timer.start();
    for (int n = 0; n < blocks; ++n) {
        if (!expect(socket, "WRITESOFT  = " + QByteArray::number(n), "WRITESOFT = READY;") ||
            !expect(socket, image.mid(n * sim::kImageBlockSize, sim::kImageBlockSize),
                    "WRITESOFT = OK;"))
            return 1;
    }
    const qint64 uploadNs = timer.nsecsElapsed();
    if (!expect(socket, "UPGRADE = 1", "UPGRADE = OK;") || !device.waitForRestart(1))
        return 1;

    QTcpSocket again;
    again.connectToHost(device.address(), device.port());
    if (!again.waitForConnected(3000))
        return 1;
    QByteArray readBack;
    timer.restart();
    for (int n = 0; n < blocks; ++n) {
        again.write("READSOFT  = " + QByteArray::number(n));
        again.flush();
        readBack += readAtLeast(again, sim::kImageBlockSize);
    }
    const qint64 readNs = timer.nsecsElapsed();
    if (readBack != image) {
        std::fprintf(stderr, "bench_sim: the image read back differs from the one uploaded\n");
        return 1;
    }
    std::printf("sim-upload-256-blocks: %.1f ms\n", uploadNs / 1e6);
    std::printf("sim-readback-256-blocks: %.1f ms\n", readNs / 1e6);
    std::printf("sim-upload-and-readback-256-blocks: %.1f ms\n", (uploadNs + readNs) / 1e6);
    return 0;
}
