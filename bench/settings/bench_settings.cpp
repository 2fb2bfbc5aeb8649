// Load and save of a 5 MB settings file: many keys of other tools ahead of
// the program's own sections, so every look-up walks the whole file.
#include "AppSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr qsizetype kFileBytes = 5 * 1024 * 1024;
constexpr int kRuns = 5;

QByteArray LargeFile() {
    QByteArray out = "; written by several tools\n[OtherTool]\n";
    for (int i = 0; out.size() < kFileBytes - 1024; ++i)
        out += "Entry" + QByteArray::number(i) + "=some value of another tool, " +
               QByteArray::number(i * 7919) + "\n";
    out += "[IPParams]\nAddr=10.0.0.1\n[Programming]\nFileName=/srv/fw/image.bin\n";
    return out;
}

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

// Wall and CPU time of one call, in milliseconds.
struct Cost {
    double wall = 0;
    double cpu = 0;
};

template <typename F> Cost Measure(F&& run) {
    QElapsedTimer timer;
    const double cpu = ProcessCpuMs();
    timer.start();
    run();
    return {double(timer.nsecsElapsed()) / 1e6, ProcessCpuMs() - cpu};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
    const QByteArray content = LargeFile();
    std::vector<double> loadWall, loadCpu, saveWall, saveCpu;
    for (int run = 0; run < kRuns; ++run) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        file.close();
        AppSettings settings;
        const Cost load =
            Measure([&] { settings = LoadSettings(path, QStringLiteral("/opt/rk/")); });
        if (settings.Addr != QLatin1String("10.0.0.1")) {
            std::fprintf(stderr, "load gave a wrong value\n");
            return 1;
        }
        settings.EditNum = QStringLiteral("BA%1").arg(run);
        QString error;
        bool saved = false;
        const Cost save = Measure([&] { saved = SaveSettings(path, settings, &error); });
        if (!saved) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        loadWall.push_back(load.wall);
        loadCpu.push_back(load.cpu);
        saveWall.push_back(save.wall);
        saveCpu.push_back(save.cpu);
    }
    std::printf("settings-file-size: %.1f MB\n", double(content.size()) / (1024.0 * 1024.0));
    std::printf("settings-load-5mb-wall-median: %.1f ms\n", Median(loadWall));
    std::printf("settings-load-5mb-cpu-median: %.1f ms\n", Median(loadCpu));
    std::printf("settings-save-5mb-wall-median: %.1f ms\n", Median(saveWall));
    std::printf("settings-save-5mb-cpu-median: %.1f ms\n", Median(saveCpu));
    return 0;
}
