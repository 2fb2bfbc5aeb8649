#include "Wait.h"

#include "Fiber.h"
#include "Ticks.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace {

// Counts the messages delivered on the main thread, whichever way they came.
class DeliveryCounter : public QObject {
public:
    quint64 count = 0;
    bool eventFilter(QObject*, QEvent*) override {
        ++count;
        return false;
    }
};

quint64 DeliveredEvents() {
    static DeliveryCounter* const counter = [] {
        auto* c = new DeliveryCounter;
        if (QCoreApplication* app = QCoreApplication::instance())
            app->installEventFilter(c);
        return c;
    }();
    return counter->count;
}

} // namespace

void ProcessMessages() {
    // On a fiber the one event loop processes the messages, between turns.
    if (rk::Fiber::Current()) {
        rk::Fiber::Suspend(0);
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ProcessMessagesOrWait(uint32_t maxMs) {
    if (rk::Fiber::Current()) {
        rk::Fiber::Suspend(maxMs);
        return;
    }
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return;
    // Posted messages go first, and when there were any the caller looks
    // again: a dispatcher may deliver them (a socket's arrival is one) and
    // then sleep all the same, so an answer that had arrived would wait for
    // the time limit.
    const quint64 before = DeliveredEvents();
    QCoreApplication::sendPostedEvents();
    if (DeliveredEvents() != before)
        return;
    // The timer only wakes the event loop; its timeout needs no handler.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(std::min<uint32_t>(maxMs, 86400000u)));
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
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

bool WaitTicking(const std::function<bool()>& done, uint32_t limitMs, uint32_t start,
                 const std::function<void()>& tick, uint32_t stepMs) {
    if (!tick)
        return WaitUntil(done, limitMs, start);
    const uint32_t step = std::max<uint32_t>(stepMs, 1);
    uint32_t nextTick = 0;
    while (!done()) {
        const uint32_t elapsed = rk::TicksSince(start);
        if (elapsed >= nextTick) {
            tick();
            while (nextTick <= elapsed)
                nextTick += step;
        }
        const uint32_t untilLimit = elapsed <= limitMs ? limitMs - elapsed + 1 : 1;
        ProcessMessagesOrWait(std::min(nextTick - elapsed, untilLimit));
        if (rk::TicksSince(start) > limitMs)
            return false;
    }
    return true;
}
