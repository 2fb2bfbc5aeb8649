// The device restart after a configuration write; the follower takes it from
// the restart command on.
#include "ConfigProcedures.h"

#include "Messages.h"
#include "Ticks.h"
#include "Wait.h"

#include <exception>

bool ConfigProcedures::RestartTo(const QString& address, int port, FollowDone done) {
    return socket_.Connected() && runRestartSequence(false, address, port, std::move(done));
}

void ConfigProcedures::HandToFollower(const QString& address, int port, bool clearArp,
                                      uint32_t pauseMs, std::optional<uint32_t> start,
                                      FollowDone done) {
    if (socket_.Active()) {
        socket_.Close();
        log_.SetLamp(false);
    }
    ProcessMessages();
    const uint32_t t0 = start.value_or(rk::GetTickCount());
    // A new MAC address at an address the workstation knows would be
    // unreachable until its cached entry expired.
    if (clearArp)
        ClearArpEntry(address);
    follower_.Follow(address, port, pauseMs, t0, std::move(done));
}

bool ConfigProcedures::runRestartSequence(bool clearArp, const QString& address, int port,
                                          FollowDone done) {
    try {
        emit restartBegun();
        log_.SetStatus(StatusPanel::Message, QStringLiteral("Wait for restarting of RK5720LAN..."));
        const RestartTiming& timing = follower_.timing;
        rk::Sleep(timing.closePauseMs);
        ProcessMessages();

        // The connection went away during the pause: there is nothing to
        // restart, and the user must get the buttons and cursor back.
        if (!channel_.Writable()) {
            emit restartAborted();
            log_.ShowStatus(msg::ServerNotConnected);
            return false;
        }
        socket_.SendText(QByteArrayLiteral("Close = 1"));
        HandToFollower(address, port, clearArp, timing.restartPauseMs, std::nullopt,
                       std::move(done));
        return true;
    } catch (const std::exception&) {
        log_.SetStatus(StatusPanel::Message, QStringLiteral("Error..."));
        emit restartAborted();
        return false;
    }
}
