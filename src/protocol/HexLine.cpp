#include "HexLine.h"

QString ByteCountNote(qsizetype bytes) {
    return QStringLiteral("... (%1 bytes)").arg(bytes);
}

QString HexLogLine(const char* bytes, qsizetype count) {
    if (count <= kHexLineMaxBytes)
        return HexDumpLine(bytes, count);
    return HexDumpLine(bytes, kHexLineMaxBytes) + ByteCountNote(count);
}

QString HexDumpLine(const char* bytes, qsizetype count) {
    static const char digits[] = "0123456789ABCDEF";
    QString line;
    line.reserve(count * 3);
    for (qsizetype i = 0; i < count; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        line += QLatin1Char(digits[b >> 4]);
        line += QLatin1Char(digits[b & 15]);
        line += QLatin1Char(' ');
    }
    return line;
}
