#pragma once

#include "ClientSocket.h"
#include "CommandChannel.h"
#include "ConfigProcedures.h"
#include "Connection.h"
#include "DeviceLog.h"
#include "DeviceModel.h"
#include "FirmwareProcedures.h"
#include "LinkTestProcedures.h"
#include "RememberedParams.h"
#include "RestartFollower.h"

#include <QObject>
#include <QString>

// Everything the tool holds of the one device it talks to, wired. A window or
// a console program owns one, calls its procedures, shows its model, log and
// signals, and reads the outcomes the procedures return; the socket and the
// channel with its reception modes stay inside.
class Device : public QObject {
    Q_OBJECT
public:
    explicit Device(QObject* parent = nullptr);

    // Where the connection goes (or went): address and port.
    QString Address() const { return socket_.Address(); }
    int Port() const { return socket_.Port(); }
    void SetTarget(const QString& address, int port);
    // The connection is established / the socket holds one (or an attempt).
    bool Connected() const { return socket_.Connected(); }
    bool Active() const { return socket_.Active(); }
    // An attempt is on its way: neither connected nor failed yet.
    bool Connecting() const { return socket_.Connecting(); }
    // The code of the last socket error since the last attempt, or 0.
    int LastErrorCode() const { return socket_.LastErrorCode(); }
    // Starts an attempt to the target; closes the connection.
    void Open() { socket_.Open(); }
    void Close() { socket_.Close(); }
    // How long one command's answer may take (500 ms, the window's); a link
    // that takes longer gets more.
    void SetAnswerWaitMs(uint32_t ms) { channel_.SetAnswerWaitMs(ms); }
    // A block read still running is abandoned (the window left the test panel).
    void AbandonBlockRead() { channel_.AbandonBlockRead(); }
    bool BlockReadActive() const { return channel_.BlockReadActive(); }
    // A ModBus request's reply is still awaited.
    bool ModbusReplyAwaited() const { return channel_.ModbusReplyAwaited(); }

private:
    // Declared in the order the procedures need them built.
    ClientSocket socket_;

public:
    RememberedParams remembered;
    DeviceModel model;
    DeviceLog log;

private:
    CommandChannel channel_;

public:
    Connection connection;
    RestartFollower follower;
    ConfigProcedures config;
    FirmwareProcedures firmware;
    LinkTestProcedures linkTest;
};
