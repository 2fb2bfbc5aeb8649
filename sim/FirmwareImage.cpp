#include "FirmwareImage.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {
const char kMarker[] = "RK5720ETH_";
constexpr qsizetype kMarkerSize = 10;
// Version and date follow the marker at +10 and +16; the date ends at +24.
constexpr qsizetype kMarkerSpan = 24;
constexpr qsizetype kMarkerOffset = 0x200;
constexpr int kMinBuiltSize = 64;

QByteArray fitted(const QString& text, int size) {
    QByteArray bytes = text.toLatin1().left(size);
    while (bytes.size() < size)
        bytes += ' ';
    return bytes;
}
} // namespace

uint16_t Crc16Update(uint16_t crc, uint8_t byte) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                        : static_cast<uint16_t>(crc >> 1);
    return crc;
}

uint16_t Crc16Compute(const char* bytes, qsizetype count) {
    uint16_t crc = 0xFFFF;
    for (qsizetype i = 0; i < count; ++i)
        crc = Crc16Update(crc, static_cast<uint8_t>(bytes[i]));
    return crc;
}

qsizetype FindMarker(const char* buffer, const char* pattern, qsizetype patternLength,
                     qsizetype length) {
    for (qsizetype offset = 0; offset < length - patternLength; ++offset) {
        if (std::memcmp(buffer + offset, pattern, static_cast<size_t>(patternLength)) == 0)
            return offset;
    }
    return -1;
}

ImageCheck CheckImage(const QByteArray& image, qsizetype length) {
    ImageCheck result;
    length = std::min(length, image.size());
    if (length <= 0)
        return result;
    if (length < kImageHeaderSize) {
        result.code = ImageBadHeader;
        return result;
    }
    const auto* b = reinterpret_cast<const uint8_t*>(image.constData());
    const uint16_t crc =
        Crc16Compute(image.constData() + kImageHeaderSize, length - kImageHeaderSize);
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
    const qsizetype k = FindMarker(image.constData(), kMarker, kMarkerSize, length);
    if (k < 0 || k + kMarkerSpan > length) {
        result.code = ImageNoMarker;
        return result;
    }
    result.code = ImageOk;
    result.version = image.mid(k + 10, kVersionTextSize);
    result.date = image.mid(k + 16, kDateTextSize);
    return result;
}

void SealFirmwareImage(QByteArray& image) {
    if (image.size() < kImageHeaderSize)
        return;
    const qsizetype n = image.size() - kImageHeaderSize;
    const uint16_t crc = Crc16Compute(image.constData() + kImageHeaderSize, n);
    image[2] = static_cast<char>(crc & 0xFF);
    image[3] = static_cast<char>(crc >> 8);
    image[4] = static_cast<char>(n & 0xFF);
    image[5] = static_cast<char>((n >> 8) & 0xFF);
    image[6] = static_cast<char>((n >> 16) & 0xFF);
}

QByteArray BuildFirmwareImage(const QString& version, const QString& date, int size,
                              uint32_t seed) {
    size = std::clamp(size, kMinBuiltSize, kImageMaxSize);
    QByteArray image(size, '\0');
    image[0] = 'N';
    image[1] = 'S';
    // A small LCG gives payload that looks like code; bytes are kept below 'R'
    // so that no stray marker can appear in it.
    uint32_t x = seed ? seed : 1;
    for (int i = kImageHeaderSize; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        image[i] = static_cast<char>((x >> 16) % 0x52);
    }
    const qsizetype at = std::min<qsizetype>(kMarkerOffset, size - kMarkerSpan - 1);
    QByteArray marker =
        QByteArray(kMarker) + fitted(version, kVersionTextSize) + ' ' + fitted(date, kDateTextSize);
    image.replace(at, marker.size(), marker);
    SealFirmwareImage(image);
    return image;
}

} // namespace sim
