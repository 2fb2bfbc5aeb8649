#pragma once

#include <cstdint>

// Runs every window message that is pending now and returns.
void ProcessMessages();

// Runs the pending window messages; when there are none, blocks until the next
// one arrives or `maxMs` milliseconds have passed. Waiting loops use this
// instead of ProcessMessages so that a wait for a silent device costs no CPU.
void ProcessMessagesOrWait(uint32_t maxMs);
