#include "CommandChannel.h"

#include "Text.h"
#include "Ticks.h"
#include "Wait.h"

CommandChannel::CommandChannel(ClientSocket& socket, ChannelState& state, DeviceModel& model,
                               DeviceLog& log, QObject* parent)
    : QObject(parent), socket_(socket), state_(state), model_(model), log_(log) {
    for (QTimer* gap : {&blockGap_, &modbusGap_}) {
        gap->setSingleShot(true);
        gap->setInterval(kPieceGapMs);
    }
    connect(&blockGap_, &QTimer::timeout, this, &CommandChannel::blockGapEnded);
    // A reply still short when the pieces stop is dropped; the next is awaited.
    connect(&modbusGap_, &QTimer::timeout, this, [this] { modbusReader_.Drop(); });
}

int CommandChannel::SendCommand(const QString& text) {
    const uint32_t t0 = rk::GetTickCount();
    state_.AnswerReceived = false;
    if (state_.SocketWritable)
        socket_.SendText(ToCp1251(text));
    return WaitUntil([this] { return state_.AnswerReceived; }, kAnswerWaitMs, t0) ? 1 : 0;
}

void CommandChannel::ClientSocketWrite() {
    state_.SocketWritable = true;
}

void CommandChannel::ClientSocketRead() {
    if (!state_.SocketWritable)
        return;
    if (depth_ >= kMaxNestedReads) {
        deferred_ = true;
        return;
    }
    ++depth_;
    peakDepth_ = qMax(peakDepth_, depth_);
    receive();
    --depth_;
    if (deferred_) {
        deferred_ = false;
        socket_.RedeliverPending();
    }
}

void CommandChannel::receive() {
    if (state_.RawReadPending) {
        const int have = qBound(0, state_.RawReceived, ChannelState::kRawReadMax);
        state_.RawReceived = have + socket_.ReceiveBuf(state_.RawBuffer.data() + have,
                                                       ChannelState::kRawReadMax - have);
        state_.RawReadPending = false;
        state_.RawReadDone = true;
        return;
    }
    if (state_.ModbusMode && ReceiveModbusReply())
        return;
    if (state_.BlockBuffer) {
        receiveBlock();
        return;
    }
    receiveText();
}

void CommandChannel::receiveBlock() {
    QByteArray& buffer = *state_.BlockBuffer;
    const qsizetype offset = qsizetype(state_.BlocksReceived) * state_.BlockLength;
    // The buffer holds BlockCount blocks; never write past it, whatever the counters say.
    if (state_.BlockLength <= 0 || offset + state_.BlockLength > buffer.size() ||
        state_.BlockFilled < 0 || state_.BlockFilled >= state_.BlockLength) {
        state_.ReleaseBlockBuffer();
        return;
    }
    char* block = buffer.data() + offset;
    const int got =
        socket_.ReceiveBuf(block + state_.BlockFilled, state_.BlockLength - state_.BlockFilled);
    if (got <= 0)
        return;
    state_.BlockFilled += got;
    if (state_.BlockFilled < state_.BlockLength) {
        blockGap_.start();
        return;
    }
    finishBlock();
}

void CommandChannel::finishBlock() {
    blockGap_.stop();
    const qsizetype offset = qsizetype(state_.BlocksReceived) * state_.BlockLength;
    const QByteArray block = state_.BlockBuffer->mid(offset, state_.BlockLength);
    const int received = state_.BlockFilled;
    state_.BlockFilled = 0;
    if (++state_.BlocksReceived >= state_.BlockCount)
        state_.ReleaseBlockBuffer();
    emit blockReceived(block, received);
}

void CommandChannel::blockGapEnded() {
    // A stale gap of an abandoned read finds no piece of the current one.
    if (state_.BlockBuffer && state_.BlockFilled > 0)
        finishBlock();
}

void CommandChannel::receiveText() {
    const QString text = TrimControl(FromCp1251(socket_.ReceiveText()));
    if (text.isEmpty())
        return;
    log_.AddAnswerText(text);
    ParseAnswer(text);
}
