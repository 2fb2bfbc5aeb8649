#pragma once

#include "CommandLine.h"
#include "Device.h"
#include "HostReport.h"

#include <cstdint>
#include <functional>
#include <optional>

// One device worked on by one job: the core's Device, connected to the host,
// with the steps every command shares and their strict verdicts.
class DeviceSession {
public:
    DeviceSession(const CommandLine& line, HostReport& report);

    Device device;
    HostReport& report;

    // Connects within the time limit, trying again --retries times; a failure
    // is reported (exit 3).
    bool Connect();
    // The nine queries, each answered with a valid value: the values; a
    // failure is reported (exit 3: no answer or garbage).
    std::optional<DeviceValues> ReadConfiguration();
    // What a procedure that restarts the device is handed: how its follow
    // ended reaches FollowRestart.
    FollowDone WhenFollowed();
    // Waits until the device, restarting, is back on the connection or the
    // reconnection timer gives up.
    bool FollowRestart();
    // The device's MAC address as it reports it now: who it is, before a
    // restart may move it. Nothing, reported (exit 3), when it does not say.
    std::optional<QString> ReadIdentity();
    // After a restart: the device that answers must be the one that
    // restarted (`mac`), not another one that holds the address (exit 1).
    // `read`: the MAC address a read-back just gave; asked for when empty.
    bool VerifyIdentity(const QString& mac, const QString& read = QString());
    // Waits for `done` within `limitMs`, ending early when the connection
    // drops; false when it did not come true.
    bool WaitFor(const std::function<bool()>& done, uint32_t limitMs);
    // The device's current HOST:PORT, after a restart perhaps a new one.
    QString Where() const;
    int timeoutMs() const { return timeoutMs_; }

private:
    static constexpr int kRetryPauseMs = 1000;
    static constexpr int kRetryPauseMaxMs = 5000;
    QString ConnectFailure(int code) const;
    // The likely cause of a query left unanswered, for the message.
    QString AnswerHint(ConfigProcedures::ReadResult result) const;

    std::optional<bool> followedBack_;
    int timeoutMs_;
    int answerWaitMs_;
    int retries_;
    bool verbose_;
};

// A short text for a socket error code of the workstation's set.
QString SocketErrorText(int code);
