#pragma once

#include <functional>
#include <memory>
#include <vector>

class QThread;

// Runs `count` jobs, at most `parallel` at once, each on a worker thread of
// its own with its own event loop, and returns when all have ended. The
// calling (main) thread processes its events meanwhile, so that what the jobs
// post to it (output, progress) is delivered as they go.
void RunJobsOnThreads(int count, int parallel, const std::function<void(int index)>& job);

// The same, stoppable: Stop(), called on the main thread while Run() processes
// its events (from a signal's handler), starts no further job, ends the
// running ones' waits at once (WaitInterrupted) and makes Run() return without
// waiting for them; WaitEnded() then gives them their time to unwind.
class ThreadJobs {
public:
    ThreadJobs(int count, int parallel, std::function<void(int index)> job);
    ~ThreadJobs();
    ThreadJobs(const ThreadJobs&) = delete;
    ThreadJobs& operator=(const ThreadJobs&) = delete;

    void Run();
    void Stop();
    bool Stopped() const;
    // True when every worker ended within `limitMs`.
    bool WaitEnded(unsigned long limitMs);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::vector<std::unique_ptr<QThread>> threads_;
};
