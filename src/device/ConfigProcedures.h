#pragma once

#include "ArpEntry.h"
#include "ChannelState.h"
#include "ClientSocket.h"
#include "CommandChannel.h"
#include "Connection.h"
#include "DeviceLog.h"
#include "DeviceModel.h"
#include "RestartTiming.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

// One setting the user ticked for writing, with the text to send: an address,
// a port, a MAC address, or a table index in decimal.
struct ConfigValue {
    DeviceSetting setting;
    QString text;
};

// The configuration procedures: reading the device's parameters, writing the
// ticked ones, and the restart that follows the device to its new address with
// the reconnection timer (which also ends the restart after a firmware upload).
class ConfigProcedures : public QObject {
    Q_OBJECT
public:
    enum class ReadResult { NotConnected, NotAnswered, PartlyAnswered, Answered };
    enum class WriteResult {
        NotConnected,
        InvalidValue,
        NotAnswered,
        PartlyAnswered,
        Written,
        Restarting,
        RestartFailed,
    };

    ConfigProcedures(ClientSocket& socket, CommandChannel& channel, ChannelState& state,
                     RememberedParams& remembered, DeviceModel& model, DeviceLog& log,
                     Connection& connection, QTimer& timer1, QObject* parent = nullptr);

    // The nine queries; the status panel says how it went.
    ReadResult ReadConfiguration();
    // Sends one assignment per value in order, after checking each; with
    // `restart` and every command answered, restarts the device and starts
    // following it. An invalid value is logged and marked, nothing else of
    // it is sent, and no restart follows.
    WriteResult WriteConfiguration(const QList<ConfigValue>& values, bool restart);
    // "?Version" and "?DateVersion" after an upgrade's restart; true when the
    // last of them was answered.
    bool ReadVersion();
    // The one query of "Read" for `field`; true when an answer item came.
    bool ReadValue(DeviceField field);

    // The reconnection timer's tick.
    void Timer1Timer();
    // Makes the workstation forget the hardware address it cached for the
    // device at `address`.
    void ClearArpEntry(const QString& address);

    // The restart pauses; tests shorten them.
    RestartTiming timing;
    ArpCommandRunner arpRunner = RunArpCommand;
    // A script's strictness: no restart after a value the device refused, so
    // that it never comes back with a part of the configuration. The window
    // restarts once every command was answered, as the operator expects.
    bool restartOnlyWhenConfirmed = false;

signals:
    // The restart took over: a window shows the busy cursor and locks the
    // buttons that would disturb it.
    void restartBegun();
    // It ended before the device went away; everything is given back.
    void restartAborted();
    // The device is back on the connection.
    void reconnected();
    // The device did not come back within the reconnection ticks.
    void reconnectGaveUp();

private:
    void runRestartSequence(bool clearArp);

    ClientSocket& socket_;
    CommandChannel& channel_;
    ChannelState& state_;
    RememberedParams& remembered_;
    DeviceModel& model_;
    DeviceLog& log_;
    Connection& connection_;
    QTimer& timer1_;
    // Where the device will be after the restart.
    QString restartAddr_;
    int restartPort_ = ClientSocket::kDefaultPort;
};
