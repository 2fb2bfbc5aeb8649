#pragma once

#include <QtGlobal>

namespace sim {

// How much one client may make the simulator hold, as a device with small
// buffers would allow. Generous next to anything the tool does, small next to
// a flood.
struct SimLimits {
    // Answers the client has not taken yet (the socket's unsent bytes plus
    // those still waiting for their time); past this it is dropped. The tool
    // reads every answer before the next command, and the largest answer is a
    // few kilobytes.
    qint64 maxUnsentBytes = 1024 * 1024;
    // Bytes that form no complete command yet; past this they are discarded.
    // The longest legal piece that waits for its rest is a ModBus frame of 260
    // bytes (data blocks of up to 1,024 bytes are taken as they come).
    qsizetype maxPartialCommand = 8 * 1024;
    // A client that sends nothing for this long loses the connection, so a
    // forgotten one does not hold the only slot; 0: never.
    int idleTimeoutMs = 60 * 1000;
};

} // namespace sim
