#pragma once

#include "ArpEntry.h"
#include "ChannelState.h"
#include "ClientSocket.h"
#include "CommandChannel.h"
#include "RestartTiming.h"
#include "Shell.h"

#include <QObject>
#include <QTimer>

class QComboBox;

namespace Ui {
class TChatForm;
}

// The Config mode: reading the device's parameters, writing the ticked ones,
// and the restart with its reconnection timer (which also ends the restart
// after a firmware upload).
class ConfigMode : public QObject {
    Q_OBJECT
public:
    ConfigMode(ClientSocket& socket, CommandChannel& channel, ChannelState& state,
               RememberedParams& remembered, Ui::TChatForm& ui, Shell& shell, QTimer& timer1,
               QObject* parent = nullptr);

    void ButtonGetAllClick();
    void ButtonSetAllClick();
    void Timer1Timer();
    void ClearArpEntry();

    // The restart pauses; tests shorten them.
    RestartTiming timing;
    ArpCommandRunner arpRunner = RunArpCommand;

    // A typed text that is none of the items has no index: -1.
    static int SelectedIndex(const QComboBox* box);

private:
    void clearReadFields();
    void runRestartSequence();
    void endRestart();
    void waitProcessing(uint32_t ms);

    ClientSocket& socket_;
    CommandChannel& channel_;
    ChannelState& state_;
    RememberedParams& remembered_;
    Ui::TChatForm& ui_;
    Shell& shell_;
    QTimer& timer1_;
};
