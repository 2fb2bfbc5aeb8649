#include "CommandChannel.h"

#include "Text.h"
#include "Ticks.h"
#include "Wait.h"

#include <algorithm>
#include <utility>

namespace {
// Items one answer keeps: far more than any exchange gets from a device that
// answers by the book, few enough that a stream of items costs no memory.
constexpr qsizetype kMaxItemsKept = 256;
} // namespace

struct CommandChannel::PendingWait {
    const AnswerWait& wait;
    uint32_t start;
    Answer answer;
};

std::optional<QString> Answer::ValueOf(AnswerKey key) const {
    for (const AnswerItem& item : items)
        if (FindAnswerKey(item.key) == int(key))
            return item.value;
    return std::nullopt;
}

CommandChannel::CommandChannel(ClientSocket& socket, DeviceModel& model, DeviceLog& log,
                               QObject* parent)
    : QObject(parent), socket_(socket), model_(model), log_(log) {
    for (QTimer* gap : {&blockGap_, &modbusGap_, &rawGap_}) {
        gap->setSingleShot(true);
        gap->setInterval(kPieceGapMs);
    }
    connect(&blockGap_, &QTimer::timeout, this, &CommandChannel::blockGapEnded);
    // A reply still short when the pieces stop is dropped; the next is awaited.
    connect(&modbusGap_, &QTimer::timeout, this, [this] { modbusReader_.Drop(); });
    connect(&rawGap_, &QTimer::timeout, this, [this] {
        if (raw_ && !raw_->bytes.isEmpty())
            raw_->stopped = true;
    });
    textGap_.setSingleShot(true);
    textGap_.setInterval(kTextGapMs);
    textHold_.setSingleShot(true);
    textHold_.setInterval(kTextHoldMs);
    for (QTimer* timer : {&textGap_, &textHold_}) {
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, &CommandChannel::releaseHeldText);
    }
}

Answer CommandChannel::Exchange(const QByteArray& bytes, const AnswerWait& wait) {
    const uint32_t t0 = rk::GetTickCount();
    send(bytes, wait.onlyWhenWritable);
    return this->wait(wait, t0);
}

Answer CommandChannel::Await(const AnswerWait& wait) {
    return this->wait(wait, rk::GetTickCount());
}

int CommandChannel::SendCommand(const QString& text) {
    return Exchange(ToCp1251(text), AnswerWait{}).came() ? 1 : 0;
}

Answer CommandChannel::wait(const AnswerWait& wait, uint32_t start) {
    PendingWait pending{wait, start, {}};
    waits_.append(&pending);
    struct Unregister {
        QList<PendingWait*>& waits;
        PendingWait* pending;
        ~Unregister() { waits.removeOne(pending); }
    } unregister{waits_, &pending};
    const uint32_t limitMs = wait.limitMs.value_or(answerWaitMs_);
    // The answer is whole only when no item of it is still on its way: the
    // next command never leaves between the pieces of this one's answer.
    const auto done = [&] {
        return (pending.answer.came() && heldText_.isEmpty()) ||
               (wait.endOnDisconnect && !writable_);
    };
    bool inTime = WaitTicking(done, limitMs, start, wait.tick, wait.tickMs);
    // An answer that began within the limit is waited for until it is whole;
    // the hold timer bounds that.
    if (!inTime && !heldText_.isEmpty() && heldSince_ - start <= limitMs)
        inTime = WaitTicking([&] { return done() || heldText_.isEmpty(); }, kTextHoldMs + 50,
                             rk::GetTickCount(), wait.tick, wait.tickMs) &&
                 pending.answer.came();
    // An item applied in a pass that ended past the limit came too late.
    if (!inTime)
        pending.answer.awaited = -1;
    return pending.answer;
}

void CommandChannel::send(const QByteArray& bytes, bool onlyWhenWritable) {
    // A command of any procedure ends a ModBus reply still awaited, so that
    // it cannot take this answer's first bytes.
    AbandonModbusReply();
    if (!writable_ && onlyWhenWritable)
        return;
    socket_.SendBuf(bytes.constData(), int(bytes.size()));
    // Text commands as they went; an image block by its size.
    const bool text = std::all_of(bytes.begin(), bytes.end(),
                                  [](char c) { return uchar(c) >= 0x20 && uchar(c) < 0x7F; });
    log_.AddCommand(text ? QString::fromLatin1(bytes)
                         : QStringLiteral("[%1 bytes]").arg(bytes.size()));
}

void CommandChannel::collect(const AnswerItem& item) {
    for (PendingWait* pending : std::as_const(waits_)) {
        Answer& answer = pending->answer;
        const AnswerWait& wait = pending->wait;
        const bool awaited = !answer.came() && (wait.key == AnswerKey::Unknown ||
                                                (FindAnswerKey(item.key) == int(wait.key) &&
                                                 (!wait.accepts || wait.accepts(item.value))));
        if (!awaited && answer.items.size() >= kMaxItemsKept)
            continue;
        answer.items.append(item);
        if (awaited) {
            answer.awaited = int(answer.items.size() - 1);
            answer.atMs = rk::TicksSince(pending->start);
        }
    }
}

void CommandChannel::ClientSocketWrite() {
    writable_ = true;
}

void CommandChannel::ClientSocketDisconnect() {
    // What came before the connection dropped is all there will be of it.
    releaseHeldText();
    writable_ = false;
}

void CommandChannel::ClientSocketRead() {
    if (!writable_)
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
    if (raw_) {
        const int have = int(raw_->bytes.size());
        const int room = raw_->max - have;
        if (room <= 0)
            return;
        raw_->bytes.resize(raw_->max);
        const int got = socket_.ReceiveBuf(raw_->bytes.data() + have, room);
        raw_->bytes.resize(have + got);
        if (got > 0)
            rawGap_.start();
        return;
    }
    if (modbusMode_ && receiveModbusReply())
        return;
    if (blockBuffer_) {
        receiveBlock();
        return;
    }
    receiveText();
}

RawReply CommandChannel::ReadRaw(const QByteArray& command, int max, uint32_t limitMs,
                                 const std::function<bool(const QByteArray&)>& complete) {
    const uint32_t t0 = rk::GetTickCount();
    raw_ = RawRead{QByteArray(), max, false};
    send(command, true);
    WaitUntil([&] { return !raw_ || raw_->stopped || complete(raw_->bytes) || !writable_; },
              limitMs, t0);
    RawReply reply;
    if (raw_)
        reply.bytes = raw_->bytes;
    reply.complete = complete(reply.bytes) || (raw_ && raw_->stopped);
    raw_.reset();
    rawGap_.stop();
    // What came after the reply is text again.
    socket_.RedeliverPending();
    return reply;
}

void CommandChannel::receiveBlock() {
    QByteArray& buffer = *blockBuffer_;
    const qsizetype offset = qsizetype(blocksReceived_) * blockLength_;
    // The buffer holds blockCount_ blocks; never write past it, whatever the counters say.
    if (blockLength_ <= 0 || offset + blockLength_ > buffer.size() || blockFilled_ < 0 ||
        blockFilled_ >= blockLength_) {
        AbandonBlockRead();
        return;
    }
    char* block = buffer.data() + offset;
    const int got = socket_.ReceiveBuf(block + blockFilled_, blockLength_ - blockFilled_);
    if (got <= 0)
        return;
    blockFilled_ += got;
    if (blockFilled_ < blockLength_) {
        blockGap_.start();
        return;
    }
    finishBlock();
}

void CommandChannel::finishBlock() {
    blockGap_.stop();
    const qsizetype offset = qsizetype(blocksReceived_) * blockLength_;
    QByteArray block = blockBuffer_->mid(offset, blockLength_);
    // Only the length asked for is the instrument's: a text that follows a
    // 128-byte block never fills its 129th position.
    if (block.size() < kShownBlockBytes)
        block.append(kShownBlockBytes - block.size(), '\0');
    const int received = blockFilled_;
    blockFilled_ = 0;
    if (++blocksReceived_ >= blockCount_)
        AbandonBlockRead();
    if (!block_)
        block_ = InstrumentBlock{block, received};
    emit blockReceived(block, received);
}

void CommandChannel::blockGapEnded() {
    // A stale gap of an abandoned read finds no piece of the current one.
    if (blockBuffer_ && blockFilled_ > 0)
        finishBlock();
}

void CommandChannel::ForgetBlocks() {
    AbandonBlockRead();
    blockBegun_ = false;
    block_.reset();
}

std::optional<InstrumentBlock> CommandChannel::AwaitBlock(uint32_t limitMs) {
    WaitUntil([this] { return block_.has_value() || !writable_; }, limitMs);
    return block_;
}

void CommandChannel::AbandonBlockRead() {
    blockBuffer_.reset();
    blocksReceived_ = 0;
    blockFilled_ = 0;
}

void CommandChannel::receiveText() {
    const QByteArray arrived = socket_.ReceiveText(kMaxTextPerArrival);
    if (arrived.isEmpty())
        return;
    if (heldText_.isEmpty())
        heldSince_ = rk::GetTickCount();
    heldText_ += arrived;
    // Whole items up to the last ";" are taken at once; so is everything
    // when only blanks and line ends follow it.
    const QByteArray trimmed = TrimControl(heldText_);
    const qsizetype end = trimmed.endsWith(';') ? heldText_.size() : heldText_.lastIndexOf(';') + 1;
    QByteArray whole = heldText_.left(end);
    heldText_.remove(0, end);
    if (heldText_.size() > kMaxTextPerArrival) {
        whole += heldText_;
        heldText_.clear();
    }
    if (heldText_.isEmpty()) {
        textGap_.stop();
        textHold_.stop();
    } else {
        if (!whole.isEmpty())
            heldSince_ = rk::GetTickCount();
        textGap_.start();
        if (!whole.isEmpty() || !textHold_.isActive())
            textHold_.start();
    }
    applyText(whole);
}

void CommandChannel::releaseHeldText() {
    textGap_.stop();
    textHold_.stop();
    const QByteArray held = std::exchange(heldText_, QByteArray());
    applyText(held);
}

void CommandChannel::applyText(const QByteArray& bytes) {
    const QString text = TrimControl(FromCp1251(bytes));
    if (text.isEmpty())
        return;
    log_.AddAnswerText(text);
    ParseAnswer(text);
}
