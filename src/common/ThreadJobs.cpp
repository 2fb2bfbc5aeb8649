#include "ThreadJobs.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

struct ThreadJobs::Shared {
    int count = 0;
    std::function<void(int)> job;
    std::atomic<int> next{0};
    std::atomic<bool> stopped{false};
    QEventLoop* loop = nullptr;
    int running = 0;
    // A worker's event dispatcher is deleted once its function returns. Stop()
    // wakes only the workers whose function has not said it is returning, and
    // holds this meanwhile, so that none is woken through a dispatcher being
    // deleted.
    std::mutex ending;
    std::vector<bool> returning;
};

void RunJobsOnThreads(int count, int parallel, const std::function<void(int index)>& job) {
    ThreadJobs jobs(count, parallel, job);
    jobs.Run();
}

ThreadJobs::ThreadJobs(int count, int parallel, std::function<void(int index)> job)
    : shared_(std::make_shared<Shared>()) {
    shared_->count = std::max(count, 0);
    shared_->job = std::move(job);
    const int workers = shared_->count == 0 ? 0 : std::clamp(parallel, 1, shared_->count);
    shared_->returning.assign(size_t(workers), false);
    for (int w = 0; w < workers; ++w) {
        // Each worker takes the next job when its last one ended.
        threads_.emplace_back(QThread::create([shared = shared_, w] {
            for (int index = shared->next.fetch_add(1);
                 index < shared->count && !shared->stopped.load();
                 index = shared->next.fetch_add(1))
                shared->job(index);
            const std::lock_guard<std::mutex> lock(shared->ending);
            shared->returning[size_t(w)] = true;
        }));
    }
}

ThreadJobs::~ThreadJobs() {
    for (const std::unique_ptr<QThread>& thread : threads_)
        thread->wait();
}

void ThreadJobs::Run() {
    if (threads_.empty())
        return;
    QEventLoop loop;
    shared_->loop = &loop;
    shared_->running = int(threads_.size());
    for (const std::unique_ptr<QThread>& thread : threads_) {
        QObject::connect(thread.get(), &QThread::finished, &loop, [shared = shared_] {
            if (--shared->running == 0 && shared->loop)
                shared->loop->quit();
        });
        thread->start();
    }
    loop.exec();
    shared_->loop = nullptr;
    if (Stopped())
        return;
    for (const std::unique_ptr<QThread>& thread : threads_)
        thread->wait();
    // What the last jobs posted before they ended.
    QCoreApplication::sendPostedEvents();
}

void ThreadJobs::Stop() {
    if (shared_->stopped.exchange(true))
        return;
    const std::lock_guard<std::mutex> lock(shared_->ending);
    for (size_t w = 0; w < threads_.size(); ++w) {
        QThread* thread = threads_[w].get();
        thread->requestInterruption();
        if (shared_->returning[w])
            continue;
        // A worker asleep in its wait looks at the request when it wakes.
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread))
            dispatcher->wakeUp();
    }
    if (shared_->loop)
        shared_->loop->quit();
}

bool ThreadJobs::Stopped() const {
    return shared_->stopped.load();
}

bool ThreadJobs::WaitEnded(unsigned long limitMs) {
    const QDeadlineTimer deadline{qint64(limitMs)};
    bool ended = true;
    for (const std::unique_ptr<QThread>& thread : threads_)
        ended = thread->wait(deadline) && ended;
    return ended;
}
