#pragma once

#include "AnswerGrammar.h"
#include "ClientSocket.h"
#include "DeviceLog.h"
#include "DeviceModel.h"
#include "ModbusFrame.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

// What ends a wait for an answer, and how long it may take.
struct AnswerWait {
    // The key whose item ends the wait; Unknown: any item does. Other items
    // are applied and logged all the same.
    AnswerKey key = AnswerKey::Unknown;
    // With a key: only an item whose value this accepts ends the wait.
    std::function<bool(const QString& value)> accepts;
    // Nothing: the channel's answer time (500 ms unless a slow link asked for
    // more).
    std::optional<uint32_t> limitMs;
    // A connection that is gone will not answer: no point waiting it out.
    bool endOnDisconnect = false;
    // A command goes out only once the socket reported it writable; the
    // install command and raw data are sent whatever that says.
    bool onlyWhenWritable = true;
    // Called as the wait goes on, every `tickMs`, starting at once: a
    // procedure's activity indicator.
    std::function<void()> tick;
    uint32_t tickMs = 200;
};

// What the device said during one exchange: every item applied while it
// waited, in order, and which of them it waited for.
struct Answer {
    QList<AnswerItem> items;
    // Index in `items` of the item that ended the wait, or -1.
    int awaited = -1;
    // Milliseconds from the send to that item.
    uint32_t atMs = 0;

    bool came() const { return awaited >= 0; }
    QString value() const { return came() ? items[awaited].value : QString(); }
    // The value of the first item with `key`, when one came.
    std::optional<QString> ValueOf(AnswerKey key) const;
};

// What a raw read took: the bytes, and whether the read was complete.
struct RawReply {
    QByteArray bytes;
    bool complete = false;
};

// One ModBus reply to the request sent, whole: its 7-byte header and PDU.
struct ModbusReply {
    QByteArray header;
    QByteArray pdu;
};

// One instrument block of 129 positions, however much of it arrived: the
// first `received` bytes came from the device, the rest are zeros.
struct InstrumentBlock {
    QByteArray bytes;
    int received = 0;
};

// The exchange with the device: a command out, the answer items applied to
// the device model as they come and handed back as a value; the receive
// handler with its four reception modes (raw read, ModBus reply, block read,
// text). The modes are the channel's own: callers ask, they never set flags.
class CommandChannel : public QObject {
    Q_OBJECT
public:
    static constexpr uint32_t kAnswerWaitMs = 500;
    // A handler that waits for answers may be called from inside the receive
    // handler (a timer or a click processed by a nested wait). Beyond this
    // depth an arrival waits in the socket until the answers around it are
    // applied: a device that floods the tool cannot grow its stack.
    static constexpr int kMaxNestedReads = 4;
    // A serial server forwards RS485 data in pieces; a block or a ModBus reply
    // is joined from pieces that come less than this far apart.
    static constexpr int kPieceGapMs = 200;
    // Answer text taken from the socket per arrival. Real answers are a few
    // dozen bytes; a stream without end is taken in slices, so each arrival
    // costs bounded work and the rest of the program keeps its turn.
    static constexpr int kMaxTextPerArrival = 4096;
    // Items end with ";". Text after the last one is the start of an item
    // still on its way (a LAN, a serial bridge, a busy device): it is held
    // and joined with the pieces that follow, and applied as it stands only
    // when no piece comes for kTextGapMs, when it has been held kTextHoldMs,
    // when it outgrows kMaxTextPerArrival or when the connection drops.
    // Pieces sent 40 ms apart were measured arriving up to 148 ms apart on
    // a loaded 2-core machine (68 ms at the 99th percentile); the gap costs
    // nothing for answers that end with ";".
    static constexpr int kTextGapMs = 160;
    static constexpr int kTextHoldMs = 400;

    CommandChannel(ClientSocket& socket, DeviceModel& model, DeviceLog& log,
                   QObject* parent = nullptr);

    // Sends `bytes` and waits as `wait` says. A text command ends a ModBus
    // reply still awaited, so that it cannot take this answer's first bytes.
    Answer Exchange(const QByteArray& bytes, const AnswerWait& wait);
    // Waits as `wait` says without sending anything.
    Answer Await(const AnswerWait& wait);
    // One command text; 1 when any answer item came within the answer time
    // (500 ms), else 0.
    int SendCommand(const QString& text);

    // How long a command's answer may take; a script on a slow link sets more.
    uint32_t AnswerWaitMs() const { return answerWaitMs_; }
    void SetAnswerWaitMs(uint32_t ms) { answerWaitMs_ = ms; }

    // The socket reported it can be written to; cleared when it closes.
    bool Writable() const { return writable_; }

    // Socket events.
    void ClientSocketRead();
    void ClientSocketWrite();
    void ClientSocketDisconnect();

    // Cuts an answer text into items and applies them in order; a processing
    // error ends the text quietly, leaving the rest of it unapplied.
    void ParseAnswer(const QString& text);
    // Applies one item; false for a processing error, which does not apply
    // the item and does not count as an answer.
    bool ApplyAnswerItem(const QString& key, const QString& value);

    // Sends `command` and takes what arrives as raw bytes, at most `max`,
    // until `complete` holds for them, `limitMs` passes or the connection
    // drops. Pieces of one reply are joined; when they stop (no piece for
    // kPieceGapMs) what came is the reply, complete as a single receive is.
    RawReply ReadRaw(const QByteArray& command, int max, uint32_t limitMs,
                     const std::function<bool(const QByteArray&)>& complete);

    // A ModBus request is about to go out: its reply is awaited from now on.
    void ExpectModbusReply(const QByteArray& request);
    // No ModBus reply is awaited any more; a reply begun is forgotten.
    void AbandonModbusReply();
    bool ModbusReplyAwaited() const { return modbusMode_; }
    // Waits up to `limitMs`, ending early when the connection drops, for the
    // reply to the request expected last: the reply, or nothing.
    std::optional<ModbusReply> AwaitModbusReply(uint32_t limitMs);
    // What began the last arrival that was no reply to the request sent.
    const QByteArray& RejectedModbusHeader() const { return modbusReader_.Rejected(); }

    // The bytes of an instrument block that a block read takes (LENBLOCK);
    // the block is shown as 129 positions whatever it holds.
    void ExpectBlockLength(int length) { blockLength_ = length; }
    static constexpr int kShownBlockBytes = 129;
    // A block read in progress is abandoned; what arrives is text again.
    void AbandonBlockRead();
    bool BlockReadActive() const { return blockBuffer_.has_value(); }
    // A new request of the link test: the blocks of earlier ones are forgotten.
    void ForgetBlocks();
    // READ was answered OK since ForgetBlocks, so a block read began.
    bool BlockReadBegun() const { return blockBegun_; }
    // Waits as AwaitModbusReply does for the first block of that read.
    std::optional<InstrumentBlock> AwaitBlock(uint32_t limitMs);

    // The deepest nesting of the receive handler so far.
    int PeakReadDepth() const { return peakDepth_; }
    // Part of an item is held, waiting for the rest of it.
    bool TextHeld() const { return !heldText_.isEmpty(); }

signals:
    // READ was answered OK and READBUF is about to go out.
    void blockReadStarted();
    // One instrument block of 129 positions, however much of it arrived: the
    // first `received` bytes came from the device, the rest are zeros.
    void blockReceived(const QByteArray& block, int received);

private:
    struct PendingWait;
    // A raw read in progress.
    struct RawRead {
        QByteArray bytes;
        int max = 0;
        // No further piece came in time.
        bool stopped = false;
    };

    Answer wait(const AnswerWait& wait, uint32_t start);
    void collect(const AnswerItem& item);
    // Sends `bytes` (unless the socket is not writable yet and that matters)
    // and traces them.
    void send(const QByteArray& bytes, bool onlyWhenWritable);
    void receive();
    bool receiveModbusReply();
    void receiveBlock();
    // Shows the current block as it is, the part that never came as zeros.
    void finishBlock();
    void blockGapEnded();
    void receiveText();
    // Logs and applies `bytes` as one answer text.
    void applyText(const QByteArray& bytes);
    // Applies the held start of an item as it stands.
    void releaseHeldText();
    void startBlockRead();
    // A setting's value or confirmation into the model; false for a
    // processing error.
    bool applySettingItem(AnswerKey key, const QString& value);

    ClientSocket& socket_;
    DeviceModel& model_;
    DeviceLog& log_;

    bool writable_ = false;
    uint32_t answerWaitMs_ = kAnswerWaitMs;
    // The waits in progress, innermost last: an item applied during a nested
    // wait was applied during the outer one too.
    QList<PendingWait*> waits_;
    std::optional<RawRead> raw_;
    bool modbusMode_ = false;
    ModbusReplyReader modbusReader_;
    // Present only while a block read runs.
    std::optional<QByteArray> blockBuffer_;
    int blockLength_ = 129;
    int blockCount_ = 1;
    int blocksReceived_ = 0;
    // Bytes of the current block that have arrived; a block may come in
    // several pieces.
    int blockFilled_ = 0;

    int depth_ = 0;
    int peakDepth_ = 0;
    bool deferred_ = false;
    // Single-shot: no further piece came in time.
    QTimer blockGap_;
    QTimer modbusGap_;
    QTimer rawGap_;
    std::optional<ModbusReply> reply_;
    bool blockBegun_ = false;
    std::optional<InstrumentBlock> block_;
    QByteArray heldText_;
    // When the held text began, and single-shot timers that release it.
    uint32_t heldSince_ = 0;
    QTimer textGap_;
    QTimer textHold_;
};
