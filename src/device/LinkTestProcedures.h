#pragma once

#include "ChannelState.h"
#include "ClientSocket.h"
#include "CommandChannel.h"
#include "DeviceLog.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

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

    LinkTestProcedures(ClientSocket& socket, CommandChannel& channel, ChannelState& state,
                       DeviceLog& log, QObject* parent = nullptr);

    // NDEVICE, LENBLOCK, NBLOCKS and READ for the instrument `numberText`;
    // a READ answered OK starts the block read that shows its values.
    Result ReadCurrentValues(const QString& numberText);
    // NDEVICE, WRITEBUF = 16 with 16 zero bytes, the pause, WRITE = 72.
    Result WriteTestBlock(const QString& numberText);
    // Sends the request `text` as bytes; its reply is awaited from then on.
    Result SendModbusRequest(const QString& text);

signals:
    // A ModBus request passed its checks and is about to go out.
    void modbusRequestAccepted();

private:
    // The checks and preparations both string requests share; the normalised
    // number, or nothing with `failure` set.
    std::optional<QString> beginStringRequest(const QString& numberText, Result& failure);
    Result finishStringRequest(int answered, const QStringList& commands);

    ClientSocket& socket_;
    CommandChannel& channel_;
    ChannelState& state_;
    DeviceLog& log_;
};
