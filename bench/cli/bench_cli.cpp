// rk5720-cli as a script meets it: every figure is the wall time of whole
// rk5720-cli processes against rk5720-sim processes, set beside its target.
// Everything runs on 127.0.0.x; run it in a private network namespace:
//
//   unshare --net sh -c 'ip link set lo up && build/bench/cli/bench_cli'
//
// An upgrade's figure leaves out the restart: from the device's last upload
// answer to its first answer after the reconnection, read from --verbose
// lines as they arrive; with several devices, the time they all spent in
// their restarts at once. Linux only (the children die with this process).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int kReadRuns = 15;
constexpr int kUpgradeRuns = 3;
constexpr int kScanRuns = 5;
constexpr int kFleet = 8;
constexpr int kScanDevices = 3;
constexpr int kImageSize = 262144;
constexpr int kSimRestartDelayMs = 50;
constexpr int kCliLimitMs = 60000;

// Every address handed to a child passes here: 127.0.0.0/8 or nothing.
bool IsLoopback(const QString& address) {
    const QHostAddress a(address);
    return a.protocol() == QAbstractSocket::IPv4Protocol && a.isLoopback();
}

// A target of rk5720-cli: a literal loopback address with a port, or a range
// inside 127.0.0.0/8. No names: a name could resolve anywhere.
bool LoopbackTarget(const QString& target) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d+\\.\\d+\\.\\d+\\.\\d+)(:\\d+|/(\\d+))$"));
    const QRegularExpressionMatch m = form.match(target);
    return m.hasMatch() && IsLoopback(m.captured(1)) &&
           (!m.hasCaptured(3) || m.captured(3).toInt() >= 8);
}

void DieWithThisProcess(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// The simulators run to the end, so the growth of this across one run of
// rk5720-cli is that run's CPU time.
double ReapedChildrenCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

double Min(const std::vector<double>& v) {
    return v.empty() ? -1 : *std::min_element(v.begin(), v.end());
}

const char* Verdict(bool pass) {
    return pass ? "PASS" : "FAIL";
}

// One rk5720-sim process, killed when this goes.
class Simulator {
public:
    ~Simulator() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Port 0: any free one. Waits until the simulator says where it listens.
    bool Start(const QString& address, quint16 port) {
        if (!IsLoopback(address)) {
            std::fprintf(stderr, "bench_cli: refusing %s: not loopback\n", qPrintable(address));
            return false;
        }
        DieWithThisProcess(process_);
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(QStringLiteral(RK_SIM_PATH),
                       {QStringLiteral("--listen"), QStringLiteral("%1:%2").arg(address).arg(port),
                        QStringLiteral("--quiet"), QStringLiteral("--restart-delay"),
                        QString::number(kSimRestartDelayMs)});
        static const QRegularExpression listening(QStringLiteral("listening on \\S+:(\\d+)"));
        QByteArray seen;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000 && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(100);
            seen += process_.readAllStandardOutput();
            const QRegularExpressionMatch m = listening.match(QString::fromUtf8(seen));
            if (m.hasMatch()) {
                address_ = address;
                port_ = quint16(m.captured(1).toUInt());
                // Its few event lines are read and dropped, so the pipe never fills.
                QObject::connect(&process_, &QProcess::readyReadStandardOutput, &process_,
                                 [this] { process_.readAllStandardOutput(); });
                return true;
            }
        }
        std::fprintf(stderr, "bench_cli: the simulator on %s did not start: %s\n",
                     qPrintable(address), seen.constData());
        return false;
    }

    QString Host() const { return QStringLiteral("%1:%2").arg(address_).arg(port_); }
    quint16 Port() const { return port_; }

    // User and system time so far, from /proc; -1 when it cannot be read.
    double CpuMs() const {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process_.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        // The name may hold blanks: the fields are counted after its ')'.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            return -1;
        const double ticks = fields.at(11).toDouble() + fields.at(12).toDouble();
        return ticks * 1000 / double(sysconf(_SC_CLK_TCK));
    }

private:
    QProcess process_;
    QString address_;
    quint16 port_ = 0;
};

using Simulators = std::vector<std::unique_ptr<Simulator>>;

std::optional<Simulators> StartSimulators(int count, quint16 port = 0) {
    Simulators sims;
    for (int i = 1; i <= count; ++i) {
        sims.push_back(std::make_unique<Simulator>());
        if (!sims.back()->Start(QStringLiteral("127.0.0.%1").arg(i), port))
            return std::nullopt;
    }
    return sims;
}

QStringList HostsOf(const Simulators& sims) {
    QStringList hosts;
    for (const auto& sim : sims)
        hosts << sim->Host();
    return hosts;
}

struct Line {
    double atMs;
    QString text;
};

struct CliRun {
    int exitCode = -1;
    double wallMs = 0;
    double cpuMs = 0; // user and system time of the process
    QByteArray out;
    std::vector<Line> errorLines; // stamped as they arrive
};

// Runs rk5720-cli with its arguments and then the targets, to its end (or
// kills it at the limit); the wall time runs from the start request to the
// exit. Only the targets name addresses.
std::optional<CliRun> RunCli(QStringList arguments, const QStringList& targets) {
    for (const QString& target : targets) {
        if (!LoopbackTarget(target)) {
            std::fprintf(stderr, "bench_cli: refusing \"%s\": not loopback\n", qPrintable(target));
            return std::nullopt;
        }
    }
    arguments += targets;
    CliRun run;
    QProcess process;
    DieWithThisProcess(process);
    QEventLoop loop;
    QElapsedTimer clock;
    QByteArray partial;
    QObject::connect(&process, &QProcess::readyReadStandardError, &loop, [&] {
        const double at = double(clock.nsecsElapsed()) / 1e6;
        partial += process.readAllStandardError();
        qsizetype end;
        while ((end = partial.indexOf('\n')) >= 0) {
            run.errorLines.push_back({at, QString::fromUtf8(partial.left(end))});
            partial.remove(0, end + 1);
        }
    });
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop,
                     [&] { run.out += process.readAllStandardOutput(); });
    QObject::connect(&process, &QProcess::finished, &loop, [&](int code, QProcess::ExitStatus s) {
        run.wallMs = double(clock.nsecsElapsed()) / 1e6;
        run.exitCode = s == QProcess::NormalExit ? code : -1;
        loop.quit();
    });
    QTimer::singleShot(kCliLimitMs, &loop, &QEventLoop::quit);
    const double cpuBefore = ReapedChildrenCpuMs();
    clock.start();
    process.start(QStringLiteral(RK_CLI_PATH), arguments);
    loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        std::fprintf(stderr, "bench_cli: rk5720-cli %s ran past %d ms\n",
                     qPrintable(arguments.join(QLatin1Char(' '))), kCliLimitMs);
        return std::nullopt;
    }
    run.cpuMs = ReapedChildrenCpuMs() - cpuBefore;
    run.out += process.readAllStandardOutput();
    if (run.exitCode != 0) {
        std::fprintf(stderr, "bench_cli: rk5720-cli %s exited %d\n%s",
                     qPrintable(arguments.join(QLatin1Char(' '))), run.exitCode,
                     run.out.constData());
        for (const Line& line : run.errorLines)
            std::fprintf(stderr, "%s\n", qPrintable(line.text));
        return std::nullopt;
    }
    return run;
}

// Each host's restart, from the arrival of its last upload answer ("UPGRADE =
// OK", or the last block's) to that of its first version answer, which comes
// after the reconnection.
struct Window {
    double from = -1;
    double to = -1;
};

std::map<QString, Window> RestartWindows(const CliRun& run) {
    static const QRegularExpression answer(QStringLiteral("^(\\S+): < (\\S+)"));
    std::map<QString, Window> windows;
    for (const Line& line : run.errorLines) {
        const QRegularExpressionMatch m = answer.match(line.text);
        if (!m.hasMatch())
            continue;
        Window& w = windows[m.captured(1)];
        const QString key = m.captured(2);
        if (w.to >= 0)
            continue;
        if (key == QLatin1String("WRITESOFT") || key == QLatin1String("UPGRADE"))
            w.from = line.atMs;
        else if (key == QLatin1String("VERSION") && w.from >= 0)
            w.to = line.atMs;
    }
    return windows;
}

struct UpgradeFigures {
    std::vector<double> totalMs;
    std::vector<double> restartMs; // the time every device spent in its restart at once
    std::vector<double> netMs;
    std::vector<double> cpuMs;    // of rk5720-cli alone
    std::vector<double> simCpuMs; // of all the simulators together
};

double CpuMsOf(const Simulators& sims) {
    double sum = 0;
    for (const auto& sim : sims)
        sum += std::max(0.0, sim->CpuMs());
    return sum;
}

std::optional<UpgradeFigures> TimeUpgrades(const QString& image, const Simulators& sims) {
    const QStringList hosts = HostsOf(sims);
    UpgradeFigures figures;
    for (int i = 0; i < kUpgradeRuns; ++i) {
        const double simCpuBefore = CpuMsOf(sims);
        const std::optional<CliRun> run =
            RunCli({QStringLiteral("upgrade"), image, QStringLiteral("--restart-pause"),
                    QStringLiteral("0"), QStringLiteral("--verbose")},
                   hosts);
        if (!run)
            return std::nullopt;
        const std::map<QString, Window> windows = RestartWindows(*run);
        double from = 0;
        double to = run->wallMs;
        for (const QString& host : hosts) {
            const auto w = windows.find(host);
            if (w == windows.end() || w->second.from < 0 || w->second.to < 0) {
                std::fprintf(stderr, "bench_cli: no restart seen for %s\n", qPrintable(host));
                return std::nullopt;
            }
            from = std::max(from, w->second.from);
            to = std::min(to, w->second.to);
        }
        const double restart = std::max(0.0, to - from);
        figures.totalMs.push_back(run->wallMs);
        figures.restartMs.push_back(restart);
        figures.netMs.push_back(run->wallMs - restart);
        figures.cpuMs.push_back(run->cpuMs);
        figures.simCpuMs.push_back(CpuMsOf(sims) - simCpuBefore);
    }
    return figures;
}

bool WriteImage(const QString& path) {
    QProcess process;
    DieWithThisProcess(process);
    process.start(
        QStringLiteral(RK_SAMPLE_IMAGE_PATH),
        {path, QStringLiteral("1.01B"), QStringLiteral("15.06.24"), QString::number(kImageSize)});
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

int Fail(const char* what) {
    std::fprintf(stderr, "bench_cli: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("image.bin"));
    if (!dir.isValid() || !WriteImage(image))
        return Fail("cannot write the image");

    double oneDeviceNetMs = -1;
    {
        const std::optional<Simulators> sims = StartSimulators(1);
        if (!sims)
            return Fail("cannot start the simulator");
        const QString host = sims->front()->Host();
        if (!RunCli({QStringLiteral("read")}, {host})) // loads the libraries once
            return Fail("read failed");
        std::vector<double> reads;
        for (int i = 0; i < kReadRuns; ++i) {
            const std::optional<CliRun> run = RunCli({QStringLiteral("read")}, {host});
            if (!run)
                return Fail("read failed");
            reads.push_back(run->wallMs);
        }
        const double median = Median(reads);
        std::printf("read-one-device-median: %.1f ms  (target < 50 ms: %s)\n", median,
                    Verdict(median < 50));
        std::printf("read-one-device-min: %.1f ms\n", Min(reads));

        const std::optional<UpgradeFigures> one = TimeUpgrades(image, *sims);
        if (!one)
            return Fail("upgrade of one device failed");
        oneDeviceNetMs = Median(one->netMs);
        std::printf("upgrade-one-device-with-restart-median: %.3f s\n",
                    Median(one->totalMs) / 1000);
        std::printf("upgrade-one-device-restart-wait-median: %.3f s\n",
                    Median(one->restartMs) / 1000);
        std::printf("upgrade-one-device-median: %.3f s  (restart excluded; target < 1 s: %s)\n",
                    oneDeviceNetMs / 1000, Verdict(oneDeviceNetMs < 1000));
        std::printf("upgrade-one-device-cli-cpu-median: %.3f s\n", Median(one->cpuMs) / 1000);
    }
    {
        const std::optional<Simulators> sims = StartSimulators(kFleet);
        if (!sims)
            return Fail("cannot start the simulators");
        const std::optional<UpgradeFigures> fleet = TimeUpgrades(image, *sims);
        if (!fleet)
            return Fail("upgrade of eight devices failed");
        const double net = Median(fleet->netMs);
        std::printf("upgrade-eight-devices-with-restart-median: %.3f s\n",
                    Median(fleet->totalMs) / 1000);
        std::printf("upgrade-eight-devices-restart-wait-median: %.3f s\n",
                    Median(fleet->restartMs) / 1000);
        std::printf("upgrade-eight-devices-median: %.3f s  (restart excluded; target < 3 x one "
                    "device = %.3f s: %s)\n",
                    net / 1000, 3 * oneDeviceNetMs / 1000, Verdict(net < 3 * oneDeviceNetMs));
        std::printf("upgrade-eight-devices-cli-cpu-median: %.3f s\n", Median(fleet->cpuMs) / 1000);
        // The CPU all processes used, spread over every core: the restart-free
        // figure cannot fall much below it on this machine. (The restarts' own
        // work, arp and the reconnection, is in it too: a few ms per device.)
        const double simCpu = Median(fleet->simCpuMs);
        const long cores = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
        std::printf("upgrade-eight-devices-simulators-cpu-median: %.3f s\n", simCpu / 1000);
        std::printf(
            "upgrade-eight-devices-cpu-per-core: %.3f s  (cli and simulators on %ld cores)\n",
            (Median(fleet->cpuMs) + simCpu) / double(cores) / 1000, cores);
    }
    {
        // The scan probes one port on every address: all devices share it.
        Simulators sims;
        sims.push_back(std::make_unique<Simulator>());
        if (!sims.back()->Start(QStringLiteral("127.0.0.1"), 0))
            return Fail("cannot start the simulators");
        const quint16 port = sims.back()->Port();
        for (int i = 2; i <= kScanDevices; ++i) {
            sims.push_back(std::make_unique<Simulator>());
            if (!sims.back()->Start(QStringLiteral("127.0.0.%1").arg(i), port))
                return Fail("cannot start the simulators");
        }
        std::vector<double> scans;
        const QString found = QStringLiteral("%1 device(s) found").arg(kScanDevices);
        for (int i = 0; i < kScanRuns; ++i) {
            const std::optional<CliRun> run =
                RunCli({QStringLiteral("scan"), QStringLiteral("--port"), QString::number(port)},
                       {QStringLiteral("127.0.0.0/24")});
            if (!run)
                return Fail("scan failed");
            if (!QString::fromUtf8(run->out).contains(found))
                return Fail("the scan did not find the three simulators");
            scans.push_back(run->wallMs);
        }
        const double median = Median(scans);
        std::printf("scan-254-addresses-3-devices-median: %.3f s  (target < 3 s: %s)\n",
                    median / 1000, Verdict(median < 3000));
        std::printf("scan-254-addresses-3-devices-min: %.3f s\n", Min(scans) / 1000);
    }
    return 0;
}
