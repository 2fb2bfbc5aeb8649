#pragma once

#include <cstdint>

// The pauses of a device restart, in one place. Tests may shorten the long
// ones; the tool always runs with these defaults.
struct RestartTiming {
    // Pause before "Close = 1", so that the last answers are out.
    uint32_t closePauseMs = 500;
    // The device needs this long before it can accept a connection again.
    uint32_t restartPauseMs = 7000;
    // Step of the moving progress mark during that pause.
    uint32_t progressStepMs = 200;
    // Reconnection timer interval, and the attempts it makes before giving up.
    int reconnectIntervalMs = 1000;
    int reconnectTicks = 11;
};
