#include "Wait.h"

#include "Ticks.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

bool WaitInterrupted() {
    // Qt ignores a request to interrupt the main thread, so the window's
    // waits never see one.
    return QThread::currentThread()->isInterruptionRequested();
}

void ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ProcessMessagesOrWait(uint32_t maxMs) {
    ProcessMessagesOrWait(maxMs, nullptr);
}

void ProcessMessagesOrWait(uint32_t maxMs, const std::function<bool()>& done) {
    // The calling thread's own dispatcher: a worker thread waits on its own
    // events only.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return;
    // Posted messages go first (a socket's arrival is one), and when they
    // did what the caller waits for, it looks again without sleeping.
    QCoreApplication::sendPostedEvents();
    if ((done && done()) || WaitInterrupted())
        return;
    // The dispatcher delivers what was posted meanwhile and then sleeps all
    // the same; just before it does, the caller's condition is asked once
    // more and a met one wakes it at once.
    QMetaObject::Connection check;
    if (done)
        check = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher,
                                 [dispatcher, &done] {
                                     if (done())
                                         dispatcher->wakeUp();
                                 });
    // The timer only wakes the event loop; its timeout needs no handler.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(std::min<uint32_t>(maxMs, 86400000u)));
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (check)
        QObject::disconnect(check);
}

bool WaitUntil(const std::function<bool()>& done, uint32_t limitMs, uint32_t start) {
    while (!done()) {
        const uint32_t elapsed = rk::TicksSince(start);
        ProcessMessagesOrWait(elapsed <= limitMs ? limitMs - elapsed + 1 : 1, done);
        if (rk::TicksSince(start) > limitMs || (WaitInterrupted() && !done()))
            return false;
    }
    return true;
}

bool WaitUntil(const std::function<bool()>& done, uint32_t limitMs) {
    return WaitUntil(done, limitMs, rk::GetTickCount());
}

void WaitProcessing(uint32_t ms) {
    const uint32_t t0 = rk::GetTickCount();
    for (uint32_t elapsed = 0; elapsed < ms && !WaitInterrupted(); elapsed = rk::TicksSince(t0))
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
        ProcessMessagesOrWait(std::min(nextTick - elapsed, untilLimit), done);
        if (rk::TicksSince(start) > limitMs || (WaitInterrupted() && !done()))
            return false;
    }
    return true;
}
