// Reception of a ModBus/TCP reply passed back by the device.
#include "CommandChannel.h"

#include <QByteArray>

namespace {

constexpr int kHeaderSize = 7;

bool IsExpectedHeader(const unsigned char* header) {
    // The test request's transaction identifier and protocol identifier.
    return header[0] == 0x02 && header[1] == 0x03 && header[2] == 0x00 && header[3] == 0x00;
}

} // namespace

bool CommandChannel::ReceiveModbusReply() {
    char header[kHeaderSize];
    const int got = socket_.ReceiveBuf(header, kHeaderSize);
    const auto* h = reinterpret_cast<const unsigned char*>(header);
    if (got < kHeaderSize || !IsExpectedHeader(h)) {
        state_.ModbusMode = false;
        return false;
    }
    // The length counts the unit identifier, which is part of the header.
    const int pduSize = h[4] * 256 + h[5] - 1;
    if (pduSize < 0) {
        state_.ModbusMode = false;
        return false;
    }
    QByteArray pdu(pduSize, '\0');
    if (socket_.ReceiveBuf(pdu.data(), pduSize) != pduSize)
        return true; // a short reply is dropped; the next one is still awaited
    log_.AddHexLine(header, kHeaderSize);
    log_.AddHexLine(pdu.constData(), pduSize);
    // An exception reply: function code with bit 7 set, then the exception code.
    if (pduSize >= 2 && (static_cast<unsigned char>(pdu[0]) & 0x80) != 0)
        log_.AddTestLine(QString::fromUtf8("Ошибка ") +
                         QString::number(static_cast<signed char>(pdu[1])));
    return true;
}
