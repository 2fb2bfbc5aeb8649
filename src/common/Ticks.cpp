#include "Ticks.h"

#include <QElapsedTimer>
#include <QThread>

namespace rk {

uint32_t GetTickCount() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    // Start from a high value so that the wrap-around path is exercised early
    // in every run rather than after seven weeks of uptime.
    return static_cast<uint32_t>(clock.elapsed()) + 0xFFFF0000u;
}

void Sleep(uint32_t ms) {
    QThread::msleep(ms);
}

} // namespace rk
