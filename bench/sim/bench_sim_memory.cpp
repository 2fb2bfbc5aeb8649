// The simulator's memory under abuse: each scenario starts rk5720-sim as its
// own process on loopback (wire log printed to /dev/null, as in real use),
// runs one kind of flood for a bounded time and prints the process's resident
// size, peak and at the end. Linux only (reads /proc/PID/status).
//
//   bench_sim_memory [PATH-TO-rk5720-sim] [SECONDS-PER-SCENARIO]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {

constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kMaxSentBytes = 200LL * 1024 * 1024;
constexpr qint64 kRssCeilingKb = 2LL * 1024 * 1024; // stop a scenario before it hurts the machine

qint64 statusKb(qint64 pid, const char* field) {
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct Result {
    qint64 startKb = -1; // once the client is connected
    qint64 sentBytes = 0;
    bool dropped = false;
};

// `next` gives the bytes to send next; the client never reads what comes back.
Result flood(QProcess& sim, quint16 port, int seconds, const std::function<QByteArray()>& next) {
    QTcpSocket socket;
    // A client that never reads: Qt stops taking bytes from the kernel once
    // this small buffer is full, so the simulator's answers back up.
    socket.setReadBufferSize(4096);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(1000))
            break;
        socket.abort();
        QThread::msleep(50);
    }
    Result result;
    if (socket.state() != QAbstractSocket::ConnectedState)
        return result;
    result.startKb = statusKb(sim.processId(), "VmRSS:");
    timer.restart();
    while (timer.elapsed() < seconds * 1000 && result.sentBytes < kMaxSentBytes &&
           statusKb(sim.processId(), "VmRSS:") < kRssCeilingKb) {
        if (socket.state() != QAbstractSocket::ConnectedState) {
            result.dropped = true;
            break;
        }
        if (socket.bytesToWrite() < 4 * kChunk) {
            const QByteArray bytes = next();
            socket.write(bytes);
            result.sentBytes += bytes.size();
        }
        socket.waitForBytesWritten(100);
    }
    // Let the simulator take in what is still on its way.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000 && socket.state() == QAbstractSocket::ConnectedState)
        socket.waitForBytesWritten(100);
    result.dropped = result.dropped || socket.state() != QAbstractSocket::ConnectedState;
    return result;
}

bool runScenario(const QString& simPath, const char* name, int seconds,
                 const std::function<QByteArray()>& next) {
    const quint16 port = freePort();
    QProcess sim;
    sim.setStandardOutputFile(QProcess::nullDevice());
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start(simPath, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port)});
    if (!sim.waitForStarted(5000)) {
        std::fprintf(stderr, "bench_sim_memory: cannot start %s\n", qPrintable(simPath));
        return false;
    }
    const Result r = flood(sim, port, seconds, next);
    const qint64 endKb = statusKb(sim.processId(), "VmRSS:");
    const qint64 peakKb = statusKb(sim.processId(), "VmHWM:");
    sim.kill();
    sim.waitForFinished(5000);
    std::printf("%s: sent %.1f MB, client %s, rss start %.1f MB, peak %.1f MB, end %.1f MB\n", name,
                r.sentBytes / 1048576.0, r.dropped ? "dropped" : "kept", r.startKb / 1024.0,
                peakKb / 1024.0, endKb / 1024.0);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString simPath = args.size() > 1 ? args[1] : QStringLiteral(RK_SIM_PATH);
    const int seconds = args.size() > 2 ? args[2].toInt() : 10;

    QByteArray junk(kChunk, '\0');
    QRandomGenerator random(5720);
    random.fillRange(reinterpret_cast<quint32*>(junk.data()), junk.size() / 4);
    bool ok = runScenario(simPath, "junk", seconds, [&junk] { return junk; });

    bool first = true;
    const QByteArray digits(kChunk, '1');
    ok = ok && runScenario(simPath, "partial-command", seconds, [&first, &digits] {
             const bool start = first;
             first = false;
             return start ? QByteArray("IPADDR = ") + digits : digits;
         });

    QByteArray reads;
    while (reads.size() < kChunk / 16)
        reads += "READSOFT  = 0;";
    ok = ok && runScenario(simPath, "client-never-reads", seconds, [&reads] { return reads; });
    return ok ? 0 : 1;
}
