#pragma once

#include <functional>

// Runs `count` jobs, at most `parallel` at once, each on a worker thread of
// its own with its own event loop, and returns when all have ended. The
// calling (main) thread processes its events meanwhile, so that what the jobs
// post to it (output, progress) is delivered as they go.
void RunJobsOnThreads(int count, int parallel, const std::function<void(int index)>& job);
