#include "WireLog.h"

#include "HexLine.h"
#include "Ticks.h"

namespace sim {

namespace {
// A firmware block in full would drown the log; tests read the bytes, not this.
constexpr qsizetype kPrintedBytes = 48;

qsizetype cost(const WireEntry& entry) {
    return entry.bytes.size() + WireLog::kEntryOverhead;
}
} // namespace

void WireLog::add(WireEntry::Kind kind, const QByteArray& bytes) {
    WireEntry entry{kind, rk::GetTickCount(), bytes};
    std::function<void(const WireEntry&)> sink;
    {
        QMutexLocker lock(&mutex_);
        if (capacity_ > 0) {
            entries_.append(entry);
            kept_ += cost(entry);
            trim();
        }
        sink = sink_;
    }
    if (sink)
        sink(entry);
}

void WireLog::trim() {
    // The newest entry stays even when it alone is over the capacity: tests
    // read the latest exchange. Removing the first item is O(1) in a QList.
    const qsizetype keepAtLeast = capacity_ > 0 ? 1 : 0;
    while (entries_.size() > keepAtLeast && kept_ > capacity_) {
        kept_ -= cost(entries_.first());
        entries_.removeFirst();
        ++dropped_;
    }
}

void WireLog::setCapacity(qsizetype bytes) {
    QMutexLocker lock(&mutex_);
    capacity_ = bytes;
    trim();
}

qsizetype WireLog::capacity() const {
    QMutexLocker lock(&mutex_);
    return capacity_;
}

qsizetype WireLog::keptBytes() const {
    QMutexLocker lock(&mutex_);
    return kept_;
}

qint64 WireLog::droppedCount() const {
    QMutexLocker lock(&mutex_);
    return dropped_;
}

QList<WireEntry> WireLog::entries() const {
    QMutexLocker lock(&mutex_);
    return entries_;
}

void WireLog::clear() {
    QMutexLocker lock(&mutex_);
    entries_.clear();
    kept_ = 0;
}

QByteArray WireLog::received() const {
    QMutexLocker lock(&mutex_);
    QByteArray all;
    for (const WireEntry& e : entries_) {
        if (e.kind == WireEntry::Kind::Received)
            all += e.bytes;
    }
    return all;
}

QByteArray WireLog::sent() const {
    QMutexLocker lock(&mutex_);
    QByteArray all;
    for (const WireEntry& e : entries_) {
        if (e.kind == WireEntry::Kind::Sent)
            all += e.bytes;
    }
    return all;
}

void WireLog::setSink(std::function<void(const WireEntry&)> sink) {
    QMutexLocker lock(&mutex_);
    sink_ = std::move(sink);
}

QString WireLog::format(const WireEntry& entry, uint32_t startTick) {
    const char* arrow = entry.kind == WireEntry::Kind::Received ? "<-"
                        : entry.kind == WireEntry::Kind::Sent   ? "->"
                                                                : "--";
    bool printable = !entry.bytes.isEmpty();
    for (char c : entry.bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 32 || b > 126)
            printable = false;
    }
    const QString body =
        printable || entry.kind == WireEntry::Kind::Event
            ? QString::fromLatin1(entry.bytes)
            : QStringLiteral("[%1 bytes] ").arg(entry.bytes.size()) +
                  HexDumpLine(entry.bytes.left(kPrintedBytes)).trimmed() +
                  (entry.bytes.size() > kPrintedBytes ? QStringLiteral(" ...") : QString());
    return QStringLiteral("%1 ms  %2  %3")
        .arg(entry.tick - startTick, 7)
        .arg(QLatin1String(arrow), body);
}

} // namespace sim
