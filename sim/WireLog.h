#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

#include <cstdint>
#include <functional>

namespace sim {

struct WireEntry {
    enum class Kind { Received, Sent, Event };
    Kind kind = Kind::Event;
    uint32_t tick = 0; // GetTickCount() when it happened
    QByteArray bytes;  // the bytes on the wire, or the event's text
};

// Everything that crossed the wire, and the connection events between, in
// order. Written by the simulator's thread, read by tests from theirs.
class WireLog {
public:
    void add(WireEntry::Kind kind, const QByteArray& bytes);
    QList<WireEntry> entries() const;
    void clear();
    // All bytes received (or sent) so far, joined.
    QByteArray received() const;
    QByteArray sent() const;

    // Called (outside the lock, on the writer's thread) for every new entry.
    void setSink(std::function<void(const WireEntry&)> sink);

    // "  1234 ms  <-  ?IpAddr;": milliseconds since `startTick`, the direction
    // ("<-" received, "->" sent, "--" event), then the bytes as text when they
    // are printable, else as hexadecimal pairs.
    static QString format(const WireEntry& entry, uint32_t startTick);

private:
    mutable QMutex mutex_;
    QList<WireEntry> entries_;
    std::function<void(const WireEntry&)> sink_;
};

} // namespace sim
