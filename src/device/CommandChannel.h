#pragma once

#include "ChannelState.h"
#include "ClientSocket.h"
#include "DeviceLog.h"
#include "DeviceModel.h"
#include "ModbusFrame.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>

// The exchange with the device: one command text out, its answer items applied
// to the device model within 500 ms; the receive handler with its four
// reception modes (raw read, ModBus reply, block read, text).
class CommandChannel : public QObject {
    Q_OBJECT
public:
    static constexpr uint32_t kAnswerWaitMs = 500;
    // Applying an answer item processes messages, so the next arrival is
    // handled inside it. Beyond this depth an arrival waits in the socket until
    // the answers around it are applied: a device that floods the tool with
    // answers cannot grow its stack and memory without bound.
    static constexpr int kMaxNestedReads = 4;
    // A serial server forwards RS485 data in pieces; a block or a ModBus reply
    // is joined from pieces that come less than this far apart.
    static constexpr int kPieceGapMs = 200;

    CommandChannel(ClientSocket& socket, ChannelState& state, DeviceModel& model, DeviceLog& log,
                   QObject* parent = nullptr);

    // Sends one command (when the channel is writable) and waits until an
    // answer item has been applied: 1, or 0 once more than 500 ms have passed.
    int SendCommand(const QString& text);

    // Socket events.
    void ClientSocketRead();
    void ClientSocketWrite();

    // Cuts an answer text into items and applies them in order; a processing
    // error ends the text quietly, leaving the rest of it unapplied.
    void ParseAnswer(const QString& text);
    // Applies one item and sets AnswerReceived. False for a processing error,
    // which neither applies the item nor sets the flag.
    bool ApplyAnswerItem(const QString& key, const QString& value);

    // Handles an arrival while a ModBus reply is expected; false when it is
    // none (ModbusMode is then clear and up to 7 bytes of it are taken).
    bool ReceiveModbusReply();
    // A ModBus request is about to go out: its reply is awaited from now on.
    void ExpectModbusReply(const QByteArray& request);
    // No ModBus reply is awaited any more; a reply begun is forgotten.
    void AbandonModbusReply();

    DeviceLog& log() { return log_; }
    // The deepest nesting of the receive handler so far.
    int PeakReadDepth() const { return peakDepth_; }

signals:
    // READ was answered OK and READBUF is about to go out.
    void blockReadStarted();
    // One instrument block, whole, however much of it arrived: the first
    // `received` bytes came from the device, the rest are zeros.
    void blockReceived(const QByteArray& block, int received);
    // One ModBus reply to the request sent, whole: its 7-byte header and PDU.
    void modbusReplyReceived(const QByteArray& header, const QByteArray& pdu);

private:
    void receive();
    void receiveBlock();
    // Shows the current block as it is, the part that never came as zeros.
    void finishBlock();
    void blockGapEnded();
    void receiveText();
    void startBlockRead();

    ClientSocket& socket_;
    ChannelState& state_;
    DeviceModel& model_;
    DeviceLog& log_;
    int depth_ = 0;
    int peakDepth_ = 0;
    bool deferred_ = false;
    ModbusReplyReader modbusReader_;
    // Single-shot: no further piece came in time.
    QTimer blockGap_;
    QTimer modbusGap_;
};
