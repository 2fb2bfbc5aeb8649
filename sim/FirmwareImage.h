#pragma once

#include "ImageCheck.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The firmware image as the device stores it. The format and its check are the
// tool's own (ImageCheck.h), so both sides agree on every image; building and
// sealing images is the simulator's.
namespace sim {

using ::Crc16Compute;
using ::Crc16Update;
using ::FindMarker;
using ::ImageCheck;
using ::ImageCheckCode;
using ::kDateTextSize;
using ::kImageBlockSize;
using ::kImageHeaderSize;
using ::kImageMaxBlocks;
using ::kImageMaxSize;
using ::kVersionTextSize;

// Checks the first `length` bytes of `image`; a length beyond its end is cut
// to it.
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
