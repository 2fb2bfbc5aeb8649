#pragma once

#include "ClientSocket.h"
#include "DeviceLog.h"
#include "RememberedParams.h"

#include <QObject>
#include <QString>

// The one connection to the device: starting and ending it, the socket's
// connect, disconnect and error events, and what the status bar says about
// it. The hidden "Listen" menu item is a state here that a window shows.
class Connection : public QObject {
    Q_OBJECT
public:
    Connection(ClientSocket& socket, RememberedParams& remembered, DeviceLog& log,
               QObject* parent = nullptr);

    // The address and port the connect dialog proposes: the Config panel's
    // address and port where they are valid (remembered from then on), else
    // the remembered ones.
    void ProposeTarget(const QString& editAddr, const QString& editPort, QString& address,
                       QString& port);
    // After the dialog's OK: remembers the texts and starts an attempt to them,
    // closing whatever connection is open. Nothing for an empty address; a
    // port outside 1..65535 is refused with a message. True when an attempt
    // started.
    bool ConnectTo(const QString& address, const QString& port);
    static QString PortError(const QString& port);

    void Disconnect();
    // Toggles the "Listen" item; checking it closes the connection.
    void ToggleListen();
    bool ListenChecked() const { return listen_; }
    void SetListenChecked(bool checked);

    void ClientSocketConnect();
    void ClientSocketDisconnect();
    void ClientSocketError(int& errorCode);

    // Starts an attempt to the socket's address and port, as the dialog, the
    // start-up and the reconnection timer do.
    void StartAttempt();

signals:
    void listenChanged(bool checked);

private:
    void showNotConnected();

    ClientSocket& socket_;
    RememberedParams& remembered_;
    DeviceLog& log_;
    bool listen_ = false;
};
