#pragma once

#include "ChannelState.h"
#include "ClientSocket.h"
#include "CommandChannel.h"
#include "ConfigProcedures.h"
#include "Connection.h"
#include "DeviceLog.h"
#include "DeviceModel.h"
#include "FirmwareProcedures.h"
#include "LinkTestProcedures.h"

#include <QObject>
#include <QTimer>

// Everything the tool holds of the one device it talks to, wired: the socket
// and its events, the channel and its state, the model, the log, and the
// procedures. A window or a console program owns one and shows its signals.
class Device : public QObject {
    Q_OBJECT
public:
    explicit Device(QObject* parent = nullptr);

    // Declared in the order the procedures need them built.
    ClientSocket socket;
    ChannelState state;
    RememberedParams remembered;
    DeviceModel model;
    DeviceLog log;
    // Timer1: the reconnection after a restart, 1000 ms, stopped until a
    // restart starts it.
    QTimer restartTimer;
    CommandChannel channel;
    Connection connection;
    ConfigProcedures config;
    FirmwareProcedures firmware;
    LinkTestProcedures linkTest;
};
