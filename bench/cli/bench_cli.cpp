// rk5720-cli as a script meets it: every figure is the wall time of whole
// rk5720-cli processes against rk5720-sim processes, set beside its target.
// Everything runs on 127.0.0.x. As root it makes a network namespace of its
// own (so the scan of a /16 can drop connection attempts with nftables, as a
// real network does, without touching the machine's firewall); run it in a
// private network namespace all the same:
//
//   unshare --net sh -c 'ip link set lo up && build/bench/cli/bench_cli'
//
// The upgrades go to simulators that wait 1 ms before every answer, as a
// device on a LAN: one device, 8 and 64 at once. The tool's CPU time and peak
// RSS come from a run without --verbose, whose log lines would cost the tool.
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

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int kReadRuns = 15;
constexpr int kUpgradeRuns = 3;
constexpr int kScanRuns = 5;
constexpr int kFleet = 8;
constexpr int kBigFleet = 64;
constexpr int kScanDevices = 3;
constexpr int kWideScanRuns = 2;
constexpr int kImageSize = 262144;
constexpr int kSimRestartDelayMs = 50;
constexpr int kCliLimitMs = 120000;

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

// VmHWM of a running process, in MB; 0 when it cannot be read.
double PeakRssMb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (pid <= 0 || !status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
    return 0;
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
    bool Start(const QString& address, quint16 port, const QStringList& extra = {}) {
        if (!IsLoopback(address)) {
            std::fprintf(stderr, "bench_cli: refusing %s: not loopback\n", qPrintable(address));
            return false;
        }
        DieWithThisProcess(process_);
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(QStringLiteral(RK_SIM_PATH),
                       QStringList{QStringLiteral("--listen"),
                                   QStringLiteral("%1:%2").arg(address).arg(port),
                                   QStringLiteral("--quiet"), QStringLiteral("--restart-delay"),
                                   QString::number(kSimRestartDelayMs)} +
                           extra);
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

std::optional<Simulators> StartSimulators(int count, const QStringList& extra = {}) {
    Simulators sims;
    for (int i = 1; i <= count; ++i) {
        sims.push_back(std::make_unique<Simulator>());
        if (!sims.back()->Start(QStringLiteral("127.0.0.%1").arg(i), 0, extra))
            return std::nullopt;
    }
    return sims;
}

// A device on a LAN: 1 ms before every answer.
const QStringList kLanDelay{QStringLiteral("--delay"), QStringLiteral("1")};

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
    double peakRssMb = 0;
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
    // The peak as the kernel keeps it, looked at until the process ends.
    QTimer rss;
    QObject::connect(&rss, &QTimer::timeout, &loop, [&] {
        run.peakRssMb = std::max(run.peakRssMb, PeakRssMb(process.processId()));
    });
    rss.start(10);
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
    std::vector<double> cpuMs;     // of rk5720-cli alone, without --verbose
    std::vector<double> peakRssMb; // of rk5720-cli, without --verbose
    std::vector<double> simCpuMs;  // of all the simulators together
};

double CpuMsOf(const Simulators& sims) {
    double sum = 0;
    for (const auto& sim : sims)
        sum += std::max(0.0, sim->CpuMs());
    return sum;
}

QStringList UpgradeArguments(const QString& image, int devices) {
    return {QStringLiteral("upgrade"),         image,
            QStringLiteral("--restart-pause"), QStringLiteral("0"),
            QStringLiteral("--jobs"),          QString::number(devices)};
}

std::optional<UpgradeFigures> TimeUpgrades(const QString& image, const Simulators& sims) {
    const QStringList hosts = HostsOf(sims);
    UpgradeFigures figures;
    for (int i = 0; i < kUpgradeRuns; ++i) {
        const double simCpuBefore = CpuMsOf(sims);
        const std::optional<CliRun> run = RunCli(
            UpgradeArguments(image, int(hosts.size())) << QStringLiteral("--verbose"), hosts);
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
        figures.simCpuMs.push_back(CpuMsOf(sims) - simCpuBefore);
    }
    // The tool's own cost, without the log lines --verbose prints.
    for (int i = 0; i < kUpgradeRuns; ++i) {
        const std::optional<CliRun> quiet =
            RunCli(UpgradeArguments(image, int(hosts.size())), hosts);
        if (!quiet)
            return std::nullopt;
        figures.cpuMs.push_back(quiet->cpuMs);
        figures.peakRssMb.push_back(quiet->peakRssMb);
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

// A network namespace of this process's own, with loopback up: what the
// benchmark does to its network stays there. False when it cannot (no root).
bool OwnNetworkNamespace() {
    if (unshare(CLONE_NEWNET) != 0)
        return false;
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = short(request.ifr_flags | IFF_UP | IFF_RUNNING);
    up = up && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    close(fd);
    return up;
}

// Connection attempts to every address of 127.0.0.0/16 on `port` but the
// devices' are dropped, so that they time out as on a real network.
bool DropAllBut(const Simulators& sims, quint16 port) {
    QStringList devices;
    for (const auto& sim : sims)
        devices << sim->Host().section(QLatin1Char(':'), 0, 0);
    const QString rules =
        QStringLiteral("add table inet rkbench\n"
                       "add chain inet rkbench out { type filter hook output priority 0; }\n"
                       "add rule inet rkbench out ip daddr 127.0.0.0/16 ip daddr != { %1 } "
                       "tcp dport %2 drop\n")
            .arg(devices.join(QStringLiteral(", ")))
            .arg(port);
    QProcess nft;
    DieWithThisProcess(nft);
    nft.start(QStringLiteral("nft"), {QStringLiteral("-f"), QStringLiteral("-")});
    if (!nft.waitForStarted(5000))
        return false;
    nft.write(rules.toUtf8());
    nft.closeWriteChannel();
    return nft.waitForFinished(10000) && nft.exitStatus() == QProcess::NormalExit &&
           nft.exitCode() == 0;
}

void PrintUpgrade(const char* name, const UpgradeFigures& f, int devices) {
    std::printf("upgrade-%s-with-restart-median: %.3f s\n", name, Median(f.totalMs) / 1000);
    std::printf("upgrade-%s-restart-wait-median: %.3f s\n", name, Median(f.restartMs) / 1000);
    std::printf("upgrade-%s-median: %.3f s  (restart excluded)\n", name, Median(f.netMs) / 1000);
    const double cpu = Median(f.cpuMs);
    std::printf("upgrade-%s-cli-cpu-median: %.3f s = %.1f ms per device  (target < 30 ms: %s)\n",
                name, cpu / 1000, cpu / devices, Verdict(cpu / devices < 30));
    std::printf("upgrade-%s-cli-peak-rss-max: %.1f MB\n", name,
                *std::max_element(f.peakRssMb.begin(), f.peakRssMb.end()));
    std::printf("upgrade-%s-simulators-cpu-median: %.3f s\n", name, Median(f.simCpuMs) / 1000);
}

// A fleet's figure beside one device's: within `factor` times it, or, where
// the simulators' own CPU on this machine's cores already makes the floor
// higher than 2 times one device, within 1.25 times the floor.
void PrintFleetVerdict(const char* name, const UpgradeFigures& f, double oneMs, double factor) {
    const long cores = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
    const double net = Median(f.netMs);
    const double floor = Median(f.simCpuMs) / double(cores) + oneMs;
    std::printf("upgrade-%s-floor: %.3f s  (simulators' CPU / %ld cores + one device)\n", name,
                floor / 1000, cores);
    if (floor > 2 * oneMs)
        std::printf("upgrade-%s-vs-floor: %.2f x  (target < 1.25 x the floor: %s)\n", name,
                    net / floor, Verdict(net < 1.25 * floor));
    else
        std::printf("upgrade-%s-vs-one-device: %.2f x  (target < %.2g x: %s)\n", name, net / oneMs,
                    factor, Verdict(net < factor * oneMs));
}

} // namespace

int main(int argc, char** argv) {
    const bool ownNetwork = OwnNetworkNamespace();
    // 64 simulators and their connections, and a scan's thousand in flight.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("image.bin"));
    if (!dir.isValid() || !WriteImage(image))
        return Fail("cannot write the image");

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
    }
    double oneDeviceNetMs = -1;
    for (const int devices : {1, kFleet, kBigFleet}) {
        const std::optional<Simulators> sims = StartSimulators(devices, kLanDelay);
        if (!sims)
            return Fail("cannot start the simulators");
        const std::optional<UpgradeFigures> figures = TimeUpgrades(image, *sims);
        if (!figures)
            return Fail("an upgrade failed");
        const QByteArray name =
            devices == 1 ? QByteArray("one-device") : QByteArray::number(devices) + "-devices";
        std::printf("upgrade-%s-command: rk5720-cli upgrade IMAGE(%d bytes) --restart-pause 0 "
                    "--jobs %d [--verbose] %d x 127.0.0.N:PORT (rk5720-sim --delay 1)\n",
                    name.constData(), kImageSize, devices, devices);
        PrintUpgrade(name.constData(), *figures, devices);
        if (devices == 1)
            oneDeviceNetMs = Median(figures->netMs);
        else
            PrintFleetVerdict(name.constData(), *figures, oneDeviceNetMs,
                              devices == kFleet ? 1.3 : 2.0);
        std::fflush(stdout);
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
        const QStringList scan{QStringLiteral("scan"), QStringLiteral("--port"),
                               QString::number(port)};
        for (int i = 0; i < kScanRuns; ++i) {
            const std::optional<CliRun> run = RunCli(scan, {QStringLiteral("127.0.0.0/24")});
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

        // Only in a namespace of its own: the rules must not reach the machine's.
        if (!ownNetwork || !DropAllBut(sims, port)) {
            std::printf("scan-65536-addresses-3-devices: skipped (needs root and nft)\n");
            return 0;
        }
        std::vector<double> wide;
        for (int i = 0; i < kWideScanRuns; ++i) {
            const std::optional<CliRun> run = RunCli(scan, {QStringLiteral("127.0.0.0/16")});
            if (!run)
                return Fail("scan failed");
            if (!QString::fromUtf8(run->out).contains(found))
                return Fail("the scan of the /16 did not find the three simulators");
            wide.push_back(run->wallMs);
        }
        std::printf("scan-65536-addresses-3-devices-command: rk5720-cli scan --port %u "
                    "127.0.0.0/16 (SYNs to all other addresses dropped)\n",
                    unsigned(port));
        std::printf("scan-65536-addresses-3-devices-median: %.3f s  (target < 30 s: %s)\n",
                    Median(wide) / 1000, Verdict(Median(wide) < 30000));
    }
    return 0;
}
