// A request's identifiers and any bytes from the device, cut into arrivals:
// the reply reader takes what it may, and what it shows stays inside what came.
//
// Input: byte 0 is the request length (0..15), then the request, then pairs of
// (arrival length, flags) each followed by that many bytes. Flag bit 0 drops a
// pending reply first, as the end of a gap does.
#include "FuzzRequire.h"
#include "ModbusFrame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const size_t requestSize = std::min<size_t>(data[0] & 15, size - 1);
    size_t at = 1;
    const QByteArray request(reinterpret_cast<const char*>(data + at), qsizetype(requestSize));
    at += requestSize;

    ModbusReplyReader reader;
    reader.Expect(request);
    while (at + 2 <= size) {
        const size_t length = std::min<size_t>(data[at], size - at - 2);
        const uint8_t flags = data[at + 1];
        at += 2;
        if (flags & 1)
            reader.Drop();
        const uint8_t* arrival = data + at;
        size_t taken = 0;
        const bool wasPending = reader.Pending();
        const auto outcome = reader.Receive([&](char* buffer, int max) {
            Require(max > 0);
            const size_t n = std::min<size_t>(size_t(max), length - taken);
            std::memcpy(buffer, arrival + taken, n);
            taken += n;
            return int(n);
        });
        Require(taken <= length);
        at += length;
        switch (outcome) {
        case ModbusReplyReader::Outcome::NotReply:
            Require(!wasPending && !reader.Pending() && taken <= size_t(kModbusHeaderSize));
            break;
        case ModbusReplyReader::Outcome::Pending:
            Require(reader.Pending() && taken == length);
            break;
        case ModbusReplyReader::Outcome::Complete: {
            const QByteArray& h = reader.Header();
            Require(!reader.Pending() && h.size() == kModbusHeaderSize);
            Require(h.startsWith(request.left(kModbusIdsSize)));
            const int announced = uint8_t(h[4]) * 256 + uint8_t(h[5]);
            Require(reader.Pdu().size() == announced - 1);
            const QStringList lines = ModbusReplyLines(h, reader.Pdu());
            Require(lines.size() == 2 || lines.size() == 3);
            Require(lines[1].size() == reader.Pdu().size() * 3);
            break;
        }
        }
    }
    return 0;
}
