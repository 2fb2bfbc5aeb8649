#pragma once

// What the benchmarks of the window share: CPU time and a connected tool.

#include "SimulatorThread.h"
#include "TChatForm.h"

#include <QTemporaryDir>

#include <ctime>

// The window's options for a benchmark: its own settings file, no start-up
// connection, and loopback as the start-up host all the same.
inline AppOptions BenchOptions(const QTemporaryDir& dir) {
    AppOptions options;
    options.settingsPath = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
    options.autoConnect = false;
    options.startupHost = QStringLiteral("127.0.0.1");
    return options;
}

inline double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

inline bool ConnectTool(TChatForm& form, const sim::SimulatorThread& device) {
    form.device().SetTarget(device.address().toString(), device.port());
    form.device().connection.StartAttempt();
    return sim::SimulatorThread::waitFor([&] { return form.device().Connected(); }, 5000);
}
