// "Read" of the nine parameters against the simulator on loopback: wall time
// against a healthy device, and CPU share while waiting on a silent one.
#include "AppOptions.h"
#include "BenchSupport.h"
#include "ConfigMode.h"
#include "SimulatorThread.h"
#include "TChatForm.h"
#include "Ticks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtWidgets>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    TChatForm form(BenchOptions(dir));

    sim::SimulatorThread device;
    if (!device.start() || !ConnectTool(form, device)) {
        std::fprintf(stderr, "cannot reach the simulator\n");
        return 1;
    }

    constexpr int kRuns = 50;
    std::vector<double> walls;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer clock;
        clock.start();
        form.findChild<QPushButton*>(QStringLiteral("ButtonGetAll"))->click();
        walls.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (form.findChild<QLineEdit*>(QStringLiteral("EditSpeedDup"))->text() !=
            QStringLiteral("Auto")) {
            std::fprintf(stderr, "read did not complete\n");
            return 1;
        }
    }
    std::sort(walls.begin(), walls.end());
    std::printf("read-healthy-median: %.2f ms\n", walls[walls.size() / 2]);
    std::printf("read-healthy-max: %.2f ms\n", walls.back());

    device.updateFaults([](sim::SimFaults& f) { f.silentAll = true; });
    const double cpu0 = ProcessCpuMs();
    QElapsedTimer clock;
    clock.start();
    form.findChild<QPushButton*>(QStringLiteral("ButtonGetAll"))->click();
    const double wall = double(clock.nsecsElapsed()) / 1e6;
    const double cpu = ProcessCpuMs() - cpu0;
    std::printf("read-silent-wall: %.0f ms\n", wall);
    std::printf("read-silent-cpu: %.2f %%\n", 100.0 * cpu / wall);
    return 0;
}
