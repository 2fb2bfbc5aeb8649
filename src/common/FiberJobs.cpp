#include "FiberJobs.h"

#include "Fiber.h"
#include "Wait.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

void RunJobsCooperatively(int count, int parallel, const std::function<void(int index)>& job) {
    if (count <= 0)
        return;
    int next = 0;
    const int workers = std::clamp(parallel, 1, count);
    std::vector<std::unique_ptr<rk::Fiber>> fibers;
    fibers.reserve(size_t(workers));
    for (int i = 0; i < workers; ++i) {
        fibers.push_back(std::make_unique<rk::Fiber>([&] {
            while (next < count)
                job(next++);
        }));
    }

    for (;;) {
        bool running = false;
        uint32_t waitMs = UINT32_MAX;
        for (const auto& fiber : fibers) {
            fiber->Resume();
            if (fiber->Finished())
                continue;
            running = true;
            waitMs = std::min(waitMs, fiber->RequestedWaitMs());
        }
        if (!running)
            return;
        // The waits of the jobs, taken together: on this stack they process
        // the messages for all of them.
        if (waitMs == 0)
            ProcessMessages();
        else
            ProcessMessagesOrWait(waitMs);
        // Objects a job released with deleteLater go now: this loop never
        // returns to an exec() that would delete them.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
