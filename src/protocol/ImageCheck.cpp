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

// The shifts of every byte value, and of a byte followed by 1..7 zero bytes,
// so that eight bytes cost eight independent lookups: an upgrade of a fleet
// checks each image several times.
struct Crc16Tables {
    uint16_t entries[8][256];
    constexpr Crc16Tables() : entries() {
        for (int byte = 0; byte < 256; ++byte)
            entries[0][byte] = Crc16Shift8(static_cast<uint16_t>(byte));
        for (int k = 1; k < 8; ++k)
            for (int byte = 0; byte < 256; ++byte) {
                const uint16_t prev = entries[k - 1][byte];
                entries[k][byte] = static_cast<uint16_t>((prev >> 8) ^ entries[0][prev & 0xFF]);
            }
    }
};
constexpr Crc16Tables kCrc16;

} // namespace

uint16_t Crc16Update(uint16_t crc, uint8_t byte) {
    return Crc16Shift8(static_cast<uint16_t>(crc ^ byte));
}

uint16_t Crc16Compute(const char* bytes, qsizetype count) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes);
    const auto& t = kCrc16.entries;
    uint16_t crc = 0xFFFF;
    qsizetype i = 0;
    for (; i + 8 <= count; i += 8) {
        crc = static_cast<uint16_t>(t[7][(crc ^ b[i]) & 0xFF] ^ t[6][(crc >> 8) ^ b[i + 1]] ^
                                    t[5][b[i + 2]] ^ t[4][b[i + 3]] ^ t[3][b[i + 4]] ^
                                    t[2][b[i + 5]] ^ t[1][b[i + 6]] ^ t[0][b[i + 7]]);
    }
    for (; i < count; ++i)
        crc = static_cast<uint16_t>((crc >> 8) ^ t[0][(crc ^ b[i]) & 0xFF]);
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
