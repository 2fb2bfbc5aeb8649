#pragma once

#include <functional>

// Runs `count` jobs on the calling thread, at most `parallel` of them at once,
// each on a fiber of its own, and returns when all have ended. One event loop
// serves them all: whenever every running job waits, it blocks until the next
// event or the earliest time a job asked to look again.
void RunJobsCooperatively(int count, int parallel, const std::function<void(int index)>& job);
