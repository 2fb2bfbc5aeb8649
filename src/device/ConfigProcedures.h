#pragma once

#include "ArpEntry.h"
#include "ClientSocket.h"
#include "CommandChannel.h"
#include "Connection.h"
#include "DeviceLog.h"
#include "DeviceModel.h"
#include "RestartFollower.h"

#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <optional>

// After a restart: why the device that answers at `address` is not the one
// that was restarted (its MAC address `answered` is not `expected`), or empty
// when it is, or when either is unknown.
QString AnotherDeviceAnswers(const QString& address, const QString& expected,
                             const QString& answered);

// The configuration procedures: reading the device's parameters, writing the
// ticked ones, and the restart, which the follower then takes to the device's
// new address.
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

    // How a read went: the rating the window shows, and each field's value as
    // the answer to its own query carried it (empty where none did).
    struct ReadOutcome {
        ReadResult result = ReadResult::NotConnected;
        DeviceValues values;
    };
    // How a write went, and where a restart follows the device.
    struct WriteOutcome {
        WriteResult result = WriteResult::NotConnected;
        // The values that passed their check and were sent, in order.
        QList<ConfigValue> sent;
        // The settings the device confirmed with OK, and those it refused,
        // each in the answer to its own command.
        QList<DeviceSetting> confirmed;
        QList<DeviceSetting> refused;
        QString restartAddress;
        int restartPort = ClientSocket::kDefaultPort;
        // With a restart: the MAC address the device should report when it
        // is back (the one it confirmed it was given, or the one it had),
        // empty when it never said.
        QString identity;
    };
    // The version read after an upgrade's restart: nothing unless the last
    // query was answered; each value as its own answer carried it.
    struct VersionOutcome {
        QString version;
        QString date;
    };

    ConfigProcedures(ClientSocket& socket, CommandChannel& channel, DeviceModel& model,
                     DeviceLog& log, RestartFollower& follower, QObject* parent = nullptr);

    // The nine queries; the status panel says how it went.
    ReadOutcome ReadConfiguration();
    // Sends one assignment per value in order, after checking each; with
    // `restart` and every command answered, restarts the device and hands it
    // to the follower. An invalid value is logged and marked, nothing else of
    // it is sent, and no restart follows.
    // `done` is handed how the follow ended.
    WriteOutcome WriteConfiguration(const QList<ConfigValue>& values, bool restart,
                                    FollowDone done = {});
    // Restarts the device without writing anything and hands it to the
    // follower at `address` and `port`, where it said it would come back;
    // true when the follower took it over.
    bool RestartTo(const QString& address, int port, FollowDone done = {});
    // The restart's tail, shared with the install: the connection closed and
    // its lamp off, the ARP entry of `address` forgotten with `clearArp`,
    // and the follower started, counting the pause from `start` (a tick
    // count; now when none).
    void HandToFollower(const QString& address, int port, bool clearArp, uint32_t pauseMs,
                        std::optional<uint32_t> start, FollowDone done);
    // "?Version" and "?DateVersion" after an upgrade's restart.
    std::optional<VersionOutcome> ReadVersion();
    // The one query of "Read" for `field`: the value its answer carried, or
    // nothing when none came.
    std::optional<QString> ReadValue(DeviceField field);
    // The same for the MAC address: who the device is.
    std::optional<QString> ReadIdentity() {
        return ReadValue(DeviceValues::FieldWithRole(SettingRole::Identity));
    }

    // Makes the workstation forget the hardware address it cached for the
    // device at `address`.
    void ClearArpEntry(const QString& address);

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

private:
    // The device's MAC address, asked just before a restart when this
    // connection never read it; empty when it does not say.
    QString askIdentity();
    // True when the follower took the device over.
    bool runRestartSequence(bool clearArp, const QString& address, int port, FollowDone done);

    ClientSocket& socket_;
    CommandChannel& channel_;
    DeviceModel& model_;
    DeviceLog& log_;
    RestartFollower& follower_;
};
