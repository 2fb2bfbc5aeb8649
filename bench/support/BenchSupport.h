#pragma once

// What the benchmarks of the window share: CPU time and a connected tool.

#include "SimulatorThread.h"
#include "TChatForm.h"

#include <ctime>

inline double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

inline bool ConnectTool(TChatForm& form, const sim::SimulatorThread& device) {
    form.socket().SetAddress(device.address().toString());
    form.socket().SetPort(device.port());
    form.device().connection.StartAttempt();
    return sim::SimulatorThread::waitFor([&] { return form.channelState().SocketWritable; }, 5000);
}
