#pragma once

// rk5720-cli run as a child process against simulators in this process, each
// on its own loopback address (127.0.0.N) and, unless told, an ephemeral port.

#include "SimulatorThread.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <memory>

// What one run of the program gave.
struct CliRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 elapsedMs = 0;

    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
    // For failure messages: everything the program said.
    QByteArray transcript() const { return "stdout:\n" + out + "\nstderr:\n" + err; }
};

// Writes `bytes` to `name` inside `dir`; an empty path when that failed.
inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

// Runs the program to its end (or kills it after `timeoutMs`), feeding `input`
// on its standard input.
inline CliRun RunCli(const QStringList& arguments, const QByteArray& input = QByteArray(),
                     int timeoutMs = 60000) {
    QProcess process;
    process.setProgram(QStringLiteral(RK_CLI_PATH));
    process.setArguments(arguments);
    QElapsedTimer clock;
    clock.start();
    process.start();
    CliRun run;
    if (!process.waitForStarted(10000))
        return run;
    process.write(input);
    process.closeWriteChannel();
    run.finished =
        process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (!run.finished) {
        process.kill();
        process.waitForFinished(10000);
    }
    run.elapsedMs = clock.elapsed();
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// A simulator on 127.0.0.`lastOctet`, quick to come back from a restart.
inline std::unique_ptr<sim::SimulatorThread>
StartSim(int lastOctet, quint16 port = 0, const sim::SimFaults& faults = sim::SimFaults()) {
    sim::SimulatorThread::Options options;
    options.address = QHostAddress(QStringLiteral("127.0.0.%1").arg(lastOctet));
    options.port = port;
    options.restartDelayMs = 200;
    options.faults = faults;
    auto device = std::make_unique<sim::SimulatorThread>(options);
    if (!device->start())
        return nullptr;
    return device;
}

// Clients the simulator has taken, counted without waiting for a time: a
// probe connects after everything the program did and asks for the version.
// The simulator takes connections in their order, so once the probe has its
// answer (or was turned away) every earlier connection was counted. The probe
// itself is not in the result; -1 when it got no verdict.
inline int ConnectionsSeen(sim::SimulatorThread& device) {
    const int refusedBefore = device.refusedCount();
    QTcpSocket probe;
    probe.connectToHost(device.address(), device.port());
    if (!probe.waitForConnected(5000))
        return -1;
    probe.write("?Version");
    const bool answered = probe.waitForReadyRead(5000);
    if (!answered && probe.state() == QAbstractSocket::ConnectedState)
        return -1;
    // Turned away: the count follows the closing by a moment.
    if (!answered &&
        !sim::SimulatorThread::waitFor([&] { return device.refusedCount() > refusedBefore; }, 5000))
        return -1;
    return device.connectionCount() + device.refusedCount() - 1;
}
