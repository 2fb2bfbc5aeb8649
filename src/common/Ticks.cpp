#include "Ticks.h"

#include "Fiber.h"

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
    // A fiber's pause must not stop the other fibers on the thread.
    if (Fiber::Current()) {
        const uint32_t start = GetTickCount();
        for (uint32_t elapsed = 0; elapsed < ms; elapsed = TicksSince(start))
            Fiber::Suspend(ms - elapsed);
        return;
    }
    QThread::msleep(ms);
}

} // namespace rk
