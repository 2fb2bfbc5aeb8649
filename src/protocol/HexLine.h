#pragma once

#include <QByteArray>
#include <QString>

// Each byte as two upper-case hexadecimal digits followed by one blank.
QString HexDumpLine(const char* bytes, qsizetype count);
inline QString HexDumpLine(const QByteArray& bytes) {
    return HexDumpLine(bytes.constData(), bytes.size());
}

// What a shortened log line ends with: "... (N bytes)".
QString ByteCountNote(qsizetype bytes);

// The most bytes a logged hexadecimal line shows: a whole ModBus/TCP frame
// (260 bytes) always; a device may send 64 KiB in one reply, which no log
// view should have to lay out on one line.
inline constexpr qsizetype kHexLineMaxBytes = 260;
// HexDumpLine of at most kHexLineMaxBytes bytes, then "... (N bytes)" when
// there were more.
QString HexLogLine(const char* bytes, qsizetype count);
inline QString HexLogLine(const QByteArray& bytes) {
    return HexLogLine(bytes.constData(), bytes.size());
}
