#include "ImageCheck.h"

#include "Text.h"

#include <cstring>

namespace {

// The eight shifts of one byte, with the reflected polynomial.
constexpr uint16_t Crc16Shift8(uint16_t crc) {
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                        : static_cast<uint16_t>(crc >> 1);
    return crc;
}

// The shifts of every byte value, so that a whole image costs one lookup per
// byte: an upgrade of a fleet checks each image several times.
struct Crc16Table {
    uint16_t entries[256];
    constexpr Crc16Table() : entries() {
        for (int byte = 0; byte < 256; ++byte)
            entries[byte] = Crc16Shift8(static_cast<uint16_t>(byte));
    }
};
constexpr Crc16Table kCrc16Table;

} // namespace

uint16_t Crc16Update(uint16_t crc, uint8_t byte) {
    return Crc16Shift8(static_cast<uint16_t>(crc ^ byte));
}

uint16_t Crc16Compute(const char* bytes, qsizetype count) {
    uint16_t crc = 0xFFFF;
    for (qsizetype i = 0; i < count; ++i)
        crc = static_cast<uint16_t>(
            (crc >> 8) ^ kCrc16Table.entries[(crc ^ static_cast<uint8_t>(bytes[i])) & 0xFF]);
    return crc;
}

qsizetype FindMarker(const char* buffer, const char* pattern, qsizetype patternLength,
                     qsizetype length) {
    if (patternLength <= 0)
        return -1;
    // Candidates start where the pattern's first byte is; the rest of the
    // image is skipped at memchr's speed.
    const qsizetype last = length - patternLength; // candidates stop before it
    qsizetype offset = 0;
    while (offset < last) {
        const void* hit =
            std::memchr(buffer + offset, pattern[0], static_cast<size_t>(last - offset));
        if (!hit)
            return -1;
        offset = static_cast<const char*>(hit) - buffer;
        if (std::memcmp(buffer + offset, pattern, static_cast<size_t>(patternLength)) == 0)
            return offset;
        ++offset;
    }
    return -1;
}

QString ImageCheckMessage(int code) {
    switch (code) {
    case ImageOk:
        return QString();
    case ImageEmpty:
        return QStringLiteral("File not open");
    case ImageTooLong:
        return QStringLiteral("File is too long");
    case ImageBadHeader:
        return QStringLiteral("Error in file header");
    case ImageBadCrc:
        return QStringLiteral("Error CRC");
    case ImageBadLength:
        return QStringLiteral("Error file length");
    default:
        return QStringLiteral("Error in file");
    }
}

QString ImageCheck::LabelText() const {
    if (!ok())
        return ImageCheckMessage(code);
    return FromCp1251(version) + QStringLiteral("  (") + FromCp1251(date) + QLatin1Char(')');
}

ImageCheck CheckImage(const char* image, qsizetype length) {
    ImageCheck result;
    if (length <= 0)
        return result;
    if (length < kImageHeaderSize) {
        result.code = ImageBadHeader;
        return result;
    }
    const auto* b = reinterpret_cast<const uint8_t*>(image);
    const uint16_t crc = Crc16Compute(image + kImageHeaderSize, length - kImageHeaderSize);
    if (b[0] != 0x4E || b[1] != 0x53) {
        result.code = ImageBadHeader;
        return result;
    }
    if (b[2] != (crc & 0xFF) || b[3] != (crc >> 8)) {
        result.code = ImageBadCrc;
        return result;
    }
    const qsizetype n = length - kImageHeaderSize;
    if (b[4] != (n & 0xFF) || b[5] != ((n >> 8) & 0xFF) || b[6] != ((n >> 16) & 0xFF)) {
        result.code = ImageBadLength;
        return result;
    }
    const qsizetype k = FindMarker(image, kImageMarker, kImageMarkerSize, length);
    if (k < 0 || k + kImageMarkerSpan > length) {
        result.code = ImageNoMarker;
        return result;
    }
    result.code = ImageOk;
    result.version = QByteArray(image + k + kImageMarkerSize, kVersionTextSize);
    result.date = QByteArray(image + k + 16, kDateTextSize);
    return result;
}
