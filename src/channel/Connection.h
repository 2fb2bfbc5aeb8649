#pragma once

#include "ChannelState.h"
#include "ClientSocket.h"
#include "CommandChannel.h"
#include "Shell.h"

#include <QObject>
#include <QString>

#include <functional>

namespace Ui {
class TChatForm;
}

// The user's control of the one connection: "&Connect..." with its dialog,
// "&Disconnect", the socket's connect, disconnect and error events, and what
// the status bar says about the connection.
class Connection : public QObject {
    Q_OBJECT
public:
    // Shows the connect dialog modally with the proposed address and port;
    // true for OK, with the texts the user confirmed.
    using ConnectDialog = std::function<bool(QString& address, QString& port)>;

    Connection(ClientSocket& socket, CommandChannel& channel, ChannelState& state,
               RememberedParams& remembered, Ui::TChatForm& ui, Shell& shell, ConnectDialog dialog,
               QObject* parent = nullptr);

    void FileConnectItemaClick();
    void Disconnect1Click();
    void FileListenItemClick();

    void ClientSocketConnect();
    void ClientSocketDisconnect();
    void ClientSocketError(int& errorCode);

    // Starts an attempt to the socket's address and port, as the dialog, the
    // start-up and the reconnection timer do.
    void StartAttempt();

private:
    ClientSocket& socket_;
    CommandChannel& channel_;
    ChannelState& state_;
    RememberedParams& remembered_;
    Ui::TChatForm& ui_;
    Shell& shell_;
    ConnectDialog dialog_;
};
