// The device restart after a configuration write; the follower takes it from
// the restart command on.
#include "ConfigProcedures.h"

#include "Messages.h"
#include "Ticks.h"
#include "Wait.h"

#include <exception>

bool ConfigProcedures::RestartTo(const QString& address, int port) {
    return socket_.Connected() && runRestartSequence(false, address, port);
}

bool ConfigProcedures::runRestartSequence(bool clearArp, const QString& address, int port) {
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
        if (socket_.Active()) {
            socket_.Close();
            log_.SetLamp(false);
        }
        ProcessMessages();
        const uint32_t t0 = rk::GetTickCount();
        if (clearArp)
            ClearArpEntry(address);
        follower_.Follow(address, port, timing.restartPauseMs, t0);
        return true;
    } catch (const std::exception&) {
        log_.SetStatus(StatusPanel::Message, QStringLiteral("Error..."));
        emit restartAborted();
        return false;
    }
}
