#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The firmware image as the device stores and checks it: a 16-byte header
// ("NS", CRC-16/MODBUS of the payload, 24-bit payload length, 9 spare bytes)
// followed by the payload, which carries the marker "RK5720ETH_" with a 5-byte
// version text, one spare byte and an 8-byte date text.
namespace sim {

constexpr int kImageHeaderSize = 16;
constexpr int kImageBlockSize = 1024;
constexpr int kImageMaxBlocks = 256;
constexpr int kImageMaxSize = kImageBlockSize * kImageMaxBlocks;
constexpr int kVersionTextSize = 5;
constexpr int kDateTextSize = 8;

// CRC-16/MODBUS: reflected polynomial 0xA001, start 0xFFFF, no final XOR.
uint16_t Crc16Update(uint16_t crc, uint8_t byte);
uint16_t Crc16Compute(const char* bytes, qsizetype count);

// Offset of the first occurrence of `pattern` in `buffer[0, length)`, or -1.
// Candidates stop one short of an occurrence that ends at the last byte, the
// way the configuration tool searches, so both sides agree on every image.
qsizetype FindMarker(const char* buffer, const char* pattern, qsizetype patternLength,
                     qsizetype length);

// Codes of the image check, the numbers the configuration tool shows them by.
enum ImageCheckCode : int {
    ImageOk = 0,
    ImageEmpty = 10,
    ImageBadHeader = 12,
    ImageBadCrc = 13,
    ImageBadLength = 14,
    ImageNoMarker = 15,
};

struct ImageCheck {
    int code = ImageEmpty;
    QByteArray version; // 5 bytes as stored, on success
    QByteArray date;    // 8 bytes as stored, on success
    bool ok() const { return code == ImageOk; }
};

// Checks the first `length` bytes of `image` (length <= image.size()) in the
// tool's order: length, CRC (computed first), signature, CRC bytes, length
// field, marker. A length of 1..15 fails as a bad header, and a marker whose
// version or date would run past the end counts as no marker.
ImageCheck CheckImage(const QByteArray& image, qsizetype length);
inline ImageCheck CheckImage(const QByteArray& image) {
    return CheckImage(image, image.size());
}

// Builds a valid image of exactly `size` bytes (at least 64, at most 262,144)
// whose marker carries `version` and `date`, padded with blanks or cut to 5 and
// 8 bytes. The payload is a fixed pseudo-random pattern chosen by `seed`, so two
// images of one size and seed differ only where the caller changes them.
QByteArray BuildFirmwareImage(const QString& version, const QString& date, int size,
                              uint32_t seed = 0x5720);

// Writes the payload length and CRC into the header of `image` after its
// payload was changed (the signature is left alone).
void SealFirmwareImage(QByteArray& image);

} // namespace sim
