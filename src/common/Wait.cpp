#include "Wait.h"

#include "Fiber.h"
#include "Ticks.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

void ProcessMessages() {
    // On a fiber the one event loop processes the messages, between turns.
    if (rk::Fiber::Current()) {
        rk::Fiber::Yield(0);
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ProcessMessagesOrWait(uint32_t maxMs) {
    if (rk::Fiber::Current()) {
        rk::Fiber::Yield(maxMs);
        return;
    }
    // The timer only wakes the event loop; its timeout needs no handler.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(maxMs));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool WaitUntil(const std::function<bool()>& done, uint32_t limitMs, uint32_t start) {
    while (!done()) {
        const uint32_t elapsed = rk::TicksSince(start);
        ProcessMessagesOrWait(elapsed <= limitMs ? limitMs - elapsed + 1 : 1);
        if (rk::TicksSince(start) > limitMs)
            return false;
    }
    return true;
}

bool WaitUntil(const std::function<bool()>& done, uint32_t limitMs) {
    return WaitUntil(done, limitMs, rk::GetTickCount());
}

void WaitProcessing(uint32_t ms) {
    const uint32_t t0 = rk::GetTickCount();
    for (uint32_t elapsed = 0; elapsed < ms; elapsed = rk::TicksSince(t0))
        ProcessMessagesOrWait(ms - elapsed);
}
