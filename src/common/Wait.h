#pragma once

#include <cstdint>
#include <functional>

// True when the calling worker thread was asked to stop (an interrupted
// command-line run): every wait below then returns at once, undone, after
// delivering what was posted to the thread. Never true on the main thread.
bool WaitInterrupted();

// Runs every message of the calling thread that is pending now and returns.
// The waits serve the calling thread alone: a worker thread with a device of
// its own waits on that device's events only.
void ProcessMessages();

// Runs the pending window messages; when there are none, blocks until the next
// one arrives or `maxMs` milliseconds have passed. Waiting loops use this
// instead of ProcessMessages so that a wait for a silent device costs no CPU.
void ProcessMessagesOrWait(uint32_t maxMs);
// The same, returning as soon as `done` holds after a message, so that a
// condition met by a posted message does not wait for the time limit.
void ProcessMessagesOrWait(uint32_t maxMs, const std::function<bool()>& done);

// The one waiting loop of the procedures: processes messages until `done`
// holds (true) or more than `limitMs` milliseconds have passed since `start`
// (false). `done` is asked before each pass, the time after it, so an answer
// applied in a pass that ends past the limit does not count.
bool WaitUntil(const std::function<bool()>& done, uint32_t limitMs, uint32_t start);
bool WaitUntil(const std::function<bool()>& done, uint32_t limitMs);

// Processes messages for `ms` milliseconds, waking for each one that arrives.
void WaitProcessing(uint32_t ms);

// WaitUntil that also calls `tick` at once and then every `stepMs` while it
// waits: an activity indicator that moves however the messages come.
bool WaitTicking(const std::function<bool()>& done, uint32_t limitMs, uint32_t start,
                 const std::function<void()>& tick, uint32_t stepMs);
