#include "ThreadJobs.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

void RunJobsOnThreads(int count, int parallel, const std::function<void(int index)>& job) {
    if (count <= 0)
        return;
    const int workers = std::clamp(parallel, 1, count);
    std::atomic<int> next{0};
    QEventLoop loop;
    int running = workers;
    std::vector<std::unique_ptr<QThread>> threads;
    threads.reserve(size_t(workers));
    for (int w = 0; w < workers; ++w) {
        // Each worker takes the next job when its last one ended.
        std::unique_ptr<QThread> thread(QThread::create([&next, count, &job] {
            for (int index = next.fetch_add(1); index < count; index = next.fetch_add(1))
                job(index);
        }));
        QObject::connect(thread.get(), &QThread::finished, &loop, [&running, &loop] {
            if (--running == 0)
                loop.quit();
        });
        thread->start();
        threads.push_back(std::move(thread));
    }
    loop.exec();
    for (const std::unique_ptr<QThread>& thread : threads)
        thread->wait();
    // What the last jobs posted before they ended.
    QCoreApplication::sendPostedEvents();
}
