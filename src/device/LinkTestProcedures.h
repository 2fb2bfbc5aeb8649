#pragma once

#include "ClientSocket.h"
#include "CommandChannel.h"
#include "DeviceLog.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <utility>

// The instrument link test: an instrument's current values read through the
// device's string protocol, the hidden block-write test, and a hand-typed
// ModBus/TCP request passed through. What the device answers reaches the
// test logs through the channel's reception modes.
class LinkTestProcedures : public QObject {
    Q_OBJECT
public:
    enum class Result {
        NotConnected,
        InvalidNumber,
        EmptyRequest,
        NotAnswered, // no command of the request got any answer; the connection is closed
        Answered,    // at least one command was answered
        Sent,        // a ModBus request went out; its reply comes later
    };
    // The block-write test's pause before its WRITE command, without
    // processing messages.
    static constexpr uint32_t kWritePauseMs = 2000;
    static constexpr int kWriteTestBlockSize = 16;

    // An instrument read followed to its block.
    struct InstrumentOutcome {
        Result result = Result::NotConnected;
        // The number as sent (the wrap rule may have changed what was typed).
        QString number;
        // READ was answered OK, so the device was asked for the block.
        bool blockStarted = false;
        // The block as it came within the limit.
        std::optional<InstrumentBlock> block;
    };
    // A ModBus request followed to its reply.
    struct ModbusOutcome {
        Result result = Result::NotConnected;
        std::optional<ModbusReply> reply;
        // Without a reply: what began an arrival that was none (up to 7 bytes).
        QByteArray rejected;
    };

    LinkTestProcedures(ClientSocket& socket, CommandChannel& channel, DeviceLog& log,
                       QObject* parent = nullptr);

    // NDEVICE, LENBLOCK, NBLOCKS and READ for the instrument `numberText`;
    // a READ answered OK starts the block read that shows its values.
    Result ReadCurrentValues(const QString& numberText);
    // NDEVICE, WRITEBUF = 16 with 16 zero bytes, the pause, WRITE = 72.
    Result WriteTestBlock(const QString& numberText);
    // Sends the request `text` as bytes; its reply is awaited from then on.
    Result SendModbusRequest(const QString& text);

    // The same, waiting up to `limitMs` (ending early when the connection
    // drops) for the block or the reply.
    InstrumentOutcome ReadInstrument(const QString& numberText, uint32_t limitMs);
    ModbusOutcome ExchangeModbus(const QString& text, uint32_t limitMs);

signals:
    // A ModBus request passed its checks and is about to go out.
    void modbusRequestAccepted();
    // The channel's block read: READBUF is about to go out; a block came.
    void blockReadStarted();
    void blockReceived(const QByteArray& block, int received);

private:
    // The checks and preparations both string requests share; the normalised
    // number, or nothing with `failure` set.
    std::optional<QString> beginStringRequest(const QString& numberText, Result& failure);
    Result finishStringRequest(int answered, const QStringList& commands);

    ClientSocket& socket_;
    CommandChannel& channel_;
    DeviceLog& log_;
};
