#include "FirmwareImage.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {
constexpr qsizetype kMarkerOffset = 0x200;
constexpr int kMinBuiltSize = 64;

QByteArray fitted(const QString& text, int size) {
    QByteArray bytes = text.toLatin1().left(size);
    while (bytes.size() < size)
        bytes += ' ';
    return bytes;
}
} // namespace

ImageCheck CheckImage(const QByteArray& image, qsizetype length) {
    return ::CheckImage(image.constData(), std::min(length, image.size()));
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
    const qsizetype at = std::min<qsizetype>(kMarkerOffset, size - kImageMarkerSpan - 1);
    QByteArray marker = QByteArray(kImageMarker) + fitted(version, kVersionTextSize) + ' ' +
                        fitted(date, kDateTextSize);
    image.replace(at, marker.size(), marker);
    SealFirmwareImage(image);
    return image;
}

} // namespace sim
