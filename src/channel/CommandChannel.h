#pragma once

#include "ChannelState.h"
#include "ClientSocket.h"
#include "Shell.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

namespace Ui {
class TChatForm;
}

// The exchange with the device: one command text out, its answer items applied
// to the window within 500 ms; the receive handler with its four reception
// modes (raw read, ModBus reply, block read, text); the logs and status text.
class CommandChannel : public QObject {
    Q_OBJECT
public:
    static constexpr uint32_t kAnswerWaitMs = 500;

    CommandChannel(ClientSocket& socket, ChannelState& state, Ui::TChatForm& ui, Shell& shell,
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

    void AddLogLine(const QString& text);
    void AddSentLine(const QString& text);
    void AddTestLine(const QString& text);
    void AddHexLine(const char* bytes, int count);
    void ShowStatus(const QString& text);

    static constexpr int kLogMaxLines = 300;

private:
    void receiveBlock();
    void receiveText();
    void startBlockRead();

    ClientSocket& socket_;
    ChannelState& state_;
    Ui::TChatForm& ui_;
    Shell& shell_;
};
