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
    uint32_t tick = 0; // rk::GetTickCount() when it happened
    QByteArray bytes;  // the bytes on the wire, or the event's text
};

// What crossed the wire, and the connection events between, in order.
// Written by the simulator's thread, read by tests from theirs. The entries
// kept are bounded: past the capacity the oldest go first, so a flood costs
// at most the capacity; with a capacity of 0 only the sink sees them.
class WireLog {
public:
    // Room for a test's longest exchange (a full image uploaded and read back
    // is about 0.6 MB) several times over.
    static constexpr qsizetype kDefaultCapacity = 4 * 1024 * 1024;
    // What an entry costs beyond its bytes (the entry, the array's header and
    // the allocator's share), so that many tiny entries are bounded too.
    static constexpr qsizetype kEntryOverhead = 64;

    explicit WireLog(qsizetype capacity = kDefaultCapacity) : capacity_(capacity) {}

    void add(WireEntry::Kind kind, const QByteArray& bytes);
    QList<WireEntry> entries() const;
    void clear();
    // All bytes received (or sent) among the kept entries, joined.
    QByteArray received() const;
    QByteArray sent() const;

    // Bytes (with kEntryOverhead each) the kept entries may take; the newest
    // entry is kept even when it alone is larger. Shrinking drops at once.
    void setCapacity(qsizetype bytes);
    qsizetype capacity() const;
    qsizetype keptBytes() const;
    // Entries dropped for room since the start (clear() does not count).
    qint64 droppedCount() const;

    // Called (outside the lock, on the writer's thread) for every new entry.
    void setSink(std::function<void(const WireEntry&)> sink);

    // "  1234 ms  <-  ?IpAddr;": milliseconds since `startTick`, the direction
    // ("<-" received, "->" sent, "--" event), then the bytes as text when they
    // are printable, else as hexadecimal pairs.
    static QString format(const WireEntry& entry, uint32_t startTick);

private:
    void trim(); // with the lock held

    mutable QMutex mutex_;
    QList<WireEntry> entries_;
    qsizetype capacity_;
    qsizetype kept_ = 0;
    qint64 dropped_ = 0;
    std::function<void(const WireEntry&)> sink_;
};

} // namespace sim
