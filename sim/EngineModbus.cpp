// ModBus/TCP frames, answered by the instrument with the frame's unit id.
#include "DeviceEngine.h"

namespace sim {

namespace {
enum : uint8_t {
    kIllegalFunction = 0x01,
    kIllegalAddress = 0x02,
    kIllegalValue = 0x03,
    kGatewayTargetFailed = 0x0B,
};

uint16_t word16(const QByteArray& b, qsizetype at) {
    return static_cast<uint16_t>((static_cast<uint8_t>(b[at]) << 8) |
                                 static_cast<uint8_t>(b[at + 1]));
}

void appendWord(QByteArray& b, uint16_t v) {
    b.append(static_cast<char>(v >> 8));
    b.append(static_cast<char>(v & 0xFF));
}

uint16_t readRegister(const std::array<float, kInstrumentFloats>& floats, int reg, int order) {
    uint8_t bytes[4];
    EncodeFloat(floats[static_cast<size_t>(reg / 2)], order, bytes);
    const int at = (reg % 2) * 2;
    return static_cast<uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

void writeRegister(std::array<float, kInstrumentFloats>& floats, int reg, uint16_t value,
                   int order) {
    float& f = floats[static_cast<size_t>(reg / 2)];
    uint8_t bytes[4];
    EncodeFloat(f, order, bytes);
    const int at = (reg % 2) * 2;
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value & 0xFF);
    f = DecodeFloat(bytes, order);
}
} // namespace

QByteArray DeviceEngine::modbusReply(const QByteArray& frame) {
    const uint8_t unit = static_cast<uint8_t>(frame[6]);
    const QByteArray pdu = frame.mid(7);
    const uint8_t function = static_cast<uint8_t>(pdu[0]);
    QByteArray reply;
    const auto exception = [&](uint8_t code) {
        reply = QByteArray();
        reply.append(static_cast<char>(function | 0x80));
        reply.append(static_cast<char>(code));
    };

    Instrument* in = state_.findUnit(unit);
    const int order = state_.activePackFloat;
    if (!in) {
        exception(kGatewayTargetFailed);
    } else if (function == 0x03 || function == 0x04) {
        const auto& floats = function == 0x03 ? in->holding : in->inputs;
        if (pdu.size() != 5) {
            exception(kIllegalValue);
        } else {
            const int start = word16(pdu, 1);
            const int count = word16(pdu, 3);
            if (count < 1 || count > 125) {
                exception(kIllegalValue);
            } else if (start + count > kInstrumentRegisters) {
                exception(kIllegalAddress);
            } else {
                reply.append(static_cast<char>(function));
                reply.append(static_cast<char>(count * 2));
                for (int r = start; r < start + count; ++r)
                    appendWord(reply, readRegister(floats, r, order));
            }
        }
    } else if (function == 0x06) {
        if (pdu.size() != 5) {
            exception(kIllegalValue);
        } else if (word16(pdu, 1) >= kInstrumentRegisters) {
            exception(kIllegalAddress);
        } else {
            writeRegister(in->holding, word16(pdu, 1), word16(pdu, 3), order);
            reply = pdu;
        }
    } else if (function == 0x10) {
        const int start = pdu.size() >= 6 ? word16(pdu, 1) : 0;
        const int count = pdu.size() >= 6 ? word16(pdu, 3) : 0;
        const int byteCount = pdu.size() >= 6 ? static_cast<uint8_t>(pdu[5]) : -1;
        if (count < 1 || count > 123 || byteCount != count * 2 || pdu.size() != 6 + byteCount) {
            exception(kIllegalValue);
        } else if (start + count > kInstrumentRegisters) {
            exception(kIllegalAddress);
        } else {
            for (int i = 0; i < count; ++i)
                writeRegister(in->holding, start + i, word16(pdu, 6 + 2 * i), order);
            reply = pdu.left(5);
        }
    } else {
        exception(kIllegalFunction);
    }

    if (faults_.modbusFunctionShift != 0 && !reply.isEmpty())
        reply[0] = static_cast<char>(uint8_t(reply[0]) + faults_.modbusFunctionShift);
    QByteArray adu = faults_.modbusFixedIds ? QByteArray::fromHex("02030000") : frame.left(4);
    if (faults_.modbusTransactionShift != 0) {
        const auto transaction =
            static_cast<uint16_t>(word16(adu, 0) + faults_.modbusTransactionShift);
        adu[0] = static_cast<char>(transaction >> 8);
        adu[1] = static_cast<char>(transaction & 0xFF);
    }
    appendWord(adu, static_cast<uint16_t>(reply.size() + 1));
    adu.append(static_cast<char>(unit));
    return adu + reply;
}

} // namespace sim
