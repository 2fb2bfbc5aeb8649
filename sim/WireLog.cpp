#include "WireLog.h"

#include "Text.h"
#include "Ticks.h"

namespace sim {

namespace {
// A firmware block in full would drown the log; tests read the bytes, not this.
constexpr qsizetype kPrintedBytes = 48;
} // namespace

void WireLog::add(WireEntry::Kind kind, const QByteArray& bytes) {
    WireEntry entry{kind, GetTickCount(), bytes};
    std::function<void(const WireEntry&)> sink;
    {
        QMutexLocker lock(&mutex_);
        entries_.append(entry);
        sink = sink_;
    }
    if (sink)
        sink(entry);
}

QList<WireEntry> WireLog::entries() const {
    QMutexLocker lock(&mutex_);
    return entries_;
}

void WireLog::clear() {
    QMutexLocker lock(&mutex_);
    entries_.clear();
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
