// Reception of a ModBus/TCP reply passed back by the device.
#include "CommandChannel.h"

#include "Wait.h"

bool CommandChannel::receiveModbusReply() {
    const auto outcome = modbusReader_.Receive(
        [this](char* buffer, int max) { return socket_.ReceiveBuf(buffer, max); });
    switch (outcome) {
    case ModbusReplyReader::Outcome::NotReply:
        modbusGap_.stop();
        modbusMode_ = false;
        return false;
    case ModbusReplyReader::Outcome::Pending:
        modbusGap_.start();
        return true;
    case ModbusReplyReader::Outcome::Complete:
        modbusGap_.stop();
        for (const QString& line : ModbusReplyLines(modbusReader_.Header(), modbusReader_.Pdu()))
            log_.AddTestLine(line);
        if (!reply_)
            reply_ = ModbusReply{modbusReader_.Header(), modbusReader_.Pdu()};
        return true;
    }
    return true;
}

void CommandChannel::ExpectModbusReply(const QByteArray& request) {
    modbusGap_.stop();
    reply_.reset();
    modbusReader_.Expect(request);
    modbusMode_ = true;
}

std::optional<ModbusReply> CommandChannel::AwaitModbusReply(uint32_t limitMs) {
    WaitUntil([this] { return reply_.has_value() || !writable_; }, limitMs);
    return reply_;
}

void CommandChannel::AbandonModbusReply() {
    modbusGap_.stop();
    modbusReader_.Drop();
    modbusMode_ = false;
}
