#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The firmware image file: a 16-byte header ("NS", CRC-16 of the payload, 24-bit
// payload length, 9 bytes nobody examines) and the payload, which carries the
// marker "RK5720ETH_" followed by a 5-byte version text, one spare byte and an
// 8-byte date text. Pure logic, shared by the tool and the simulator.

constexpr int kImageHeaderSize = 16;
constexpr int kImageBlockSize = 1024;
constexpr int kImageMaxBlocks = 256;
constexpr int kImageMaxSize = kImageBlockSize * kImageMaxBlocks;
constexpr int kVersionTextSize = 5;
constexpr int kDateTextSize = 8;
inline constexpr char kImageMarker[] = "RK5720ETH_";
constexpr int kImageMarkerSize = 10;
// Version and date follow the marker at +10 and +16; the date ends at +24.
constexpr int kImageMarkerSpan = 24;

// CRC-16/MODBUS, bitwise: reflected polynomial 0xA001, start 0xFFFF, no final XOR.
uint16_t Crc16Update(uint16_t crc, uint8_t byte);
uint16_t Crc16Compute(const char* bytes, qsizetype count);

// Offset of the first occurrence of `pattern` in `buffer[0, length)`, or -1.
// Candidates stop one short of an occurrence that ends at the last byte, the
// way the device's own tools search, so every side agrees on every image.
qsizetype FindMarker(const char* buffer, const char* pattern, qsizetype patternLength,
                     qsizetype length);

// Codes of the image check, and 11 for a file its readers refuse as too long.
enum ImageCheckCode : int {
    ImageOk = 0,
    ImageEmpty = 10,
    ImageTooLong = 11,
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
    // What a version label shows: version, two blanks, date in parentheses;
    // or the message of the code.
    QString LabelText() const;
};

// The user's words for a code: "File not open", "Error CRC" ...
QString ImageCheckMessage(int code);

// Checks `length` bytes at `image` in this order: length, CRC (computed
// first), signature, CRC bytes, length field, marker. A length of 1..15 is a
// bad header, and a marker whose version or date would run past the end counts
// as no marker: nothing outside [image, image + length) is ever read.
ImageCheck CheckImage(const char* image, qsizetype length);
