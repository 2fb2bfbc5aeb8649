#pragma once

#include <cstdint>

// The platform's names, in a namespace of ours so that a Windows build does not
// collide with its own functions.
namespace rk {

// A 32-bit millisecond count from a monotonic clock. Callers take differences
// as unsigned 32-bit values, so the wrap-around every 49.7 days is harmless.
uint32_t GetTickCount();

// Milliseconds elapsed since `start`, wrap-safe.
inline uint32_t TicksSince(uint32_t start) {
    return GetTickCount() - start;
}

// Blocks the calling thread; no window messages are processed meanwhile.
void Sleep(uint32_t ms);

} // namespace rk
