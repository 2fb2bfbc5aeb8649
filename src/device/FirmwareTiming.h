#pragma once

#include <cstdint>

// The time limits of the firmware procedures, in one place. Tests may shorten
// the install pauses; the tool always runs with these defaults.
struct FirmwareTiming {
    // An uploaded block must be answered within this.
    uint32_t blockAnswerMs = 10000;
    // After "UPGRADE = 1": the device may refuse within this, then the
    // connection is dropped ...
    uint32_t installAnswerMs = 2000;
    // ... and the reconnection starts this long after the command.
    uint32_t installRestartMs = 8000;
    // Read-back: block 0, then each further block.
    uint32_t firstBlockReadMs = 500;
    uint32_t blockReadMs = 5000;
    // The remote COM-port state query after the switch-off sequence.
    uint32_t remoteComOffMs = 3000;
    // The activity indicator advances this often while the upload waits.
    uint32_t indicatorStepMs = 200;
};
