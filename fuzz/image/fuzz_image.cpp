// Arbitrary bytes and lengths through the firmware image check. The image lies
// in a buffer of exactly its length, so AddressSanitizer sees any read past it;
// besides, the check's result must agree with the header it was given.
#include "ImageCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void Require(bool ok) {
    if (!ok)
        std::abort();
}

void CheckOne(const uint8_t* data, size_t size) {
    std::unique_ptr<char[]> exact(new char[size ? size : 1]);
    if (size)
        std::memcpy(exact.get(), data, size);
    const ImageCheck c = CheckImage(exact.get(), qsizetype(size));
    switch (c.code) {
    case ImageOk: {
        Require(size >= size_t(kImageHeaderSize + kImageMarkerSpan));
        Require(data[0] == 0x4E && data[1] == 0x53);
        const uint16_t crc =
            Crc16Compute(exact.get() + kImageHeaderSize, qsizetype(size) - kImageHeaderSize);
        Require(data[2] == (crc & 0xFF) && data[3] == (crc >> 8));
        const size_t n = size - kImageHeaderSize;
        Require(data[4] == (n & 0xFF) && data[5] == ((n >> 8) & 0xFF) &&
                data[6] == ((n >> 16) & 0xFF));
        Require(c.version.size() == kVersionTextSize && c.date.size() == kDateTextSize);
        const qsizetype k =
            FindMarker(exact.get(), kImageMarker, kImageMarkerSize, qsizetype(size));
        Require(k >= 0 && size_t(k) + kImageMarkerSpan <= size);
        Require(std::memcmp(exact.get() + k + kImageMarkerSize, c.version.constData(),
                            size_t(kVersionTextSize)) == 0);
        Require(!c.LabelText().isEmpty());
        break;
    }
    case ImageEmpty:
        Require(size == 0);
        break;
    case ImageBadHeader:
    case ImageBadCrc:
    case ImageBadLength:
    case ImageNoMarker:
        Require(size > 0 && c.version.isEmpty() && c.date.isEmpty());
        Require(c.LabelText() == ImageCheckMessage(c.code));
        break;
    default:
        Require(false);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckOne(data, size);
    // The same bytes made into a sealed image, so the fuzzer also reaches the
    // length and marker checks: header with the right CRC and length.
    if (size >= 2 && size <= size_t(kImageMaxSize) - kImageHeaderSize) {
        std::unique_ptr<uint8_t[]> sealed(new uint8_t[size + kImageHeaderSize]);
        std::memset(sealed.get(), 0, kImageHeaderSize);
        std::memcpy(sealed.get() + kImageHeaderSize, data, size);
        const uint16_t crc = Crc16Compute(reinterpret_cast<const char*>(data), qsizetype(size));
        sealed[0] = 0x4E;
        sealed[1] = 0x53;
        sealed[2] = uint8_t(crc & 0xFF);
        sealed[3] = uint8_t(crc >> 8);
        sealed[4] = uint8_t(size & 0xFF);
        sealed[5] = uint8_t((size >> 8) & 0xFF);
        sealed[6] = uint8_t((size >> 16) & 0xFF);
        // The first input byte may shorten the length the check is given.
        const size_t total = size + kImageHeaderSize;
        const size_t cut = data[0] % 4 == 0 ? size_t(data[1] % 24) : 0;
        CheckOne(sealed.get(), total - std::min(total, cut));
        CheckOne(sealed.get(), total);
    }
    return 0;
}
