// The device restart after a configuration write, and the reconnection timer
// that also ends the restart after a firmware upload.
#include "ConfigProcedures.h"

#include "Messages.h"
#include "Ticks.h"
#include "Wait.h"

#include <exception>

namespace {
const QString kProgressPattern = QStringLiteral("--+--+--+--");
} // namespace

void ConfigProcedures::runRestartSequence(bool clearArp) {
    try {
        emit restartBegun();
        log_.SetStatus(StatusPanel::Message, QStringLiteral("Wait for restarting of RK5720LAN..."));
        rk::Sleep(timing.closePauseMs);
        ProcessMessages();

        // The connection went away during the pause: there is nothing to
        // restart, and the user must get the buttons and cursor back.
        if (!state_.SocketWritable) {
            emit restartAborted();
            log_.ShowStatus(msg::ServerNotConnected);
            return;
        }
        socket_.SendText(QByteArrayLiteral("Close = 1"));
        if (socket_.Active()) {
            socket_.Close();
            log_.SetLamp(false);
        }
        ProcessMessages();
        const uint32_t t0 = rk::GetTickCount();
        if (clearArp)
            ClearArpEntry(restartAddr_);

        int k = 0;
        while (rk::TicksSince(t0) < timing.restartPauseMs) {
            ++k;
            log_.SetStatus(StatusPanel::Progress, kProgressPattern.mid(k % 3, 9));
            WaitProcessing(timing.progressStepMs);
        }

        socket_.SetAddress(restartAddr_);
        socket_.SetPort(restartPort_);
        state_.RestartCountdown = timing.reconnectTicks;
        // A coarse timer may fire up to 5 % early; the device is promised its
        // full second per attempt.
        timer1_.setTimerType(Qt::PreciseTimer);
        timer1_.setInterval(timing.reconnectIntervalMs);
        timer1_.start();
    } catch (const std::exception&) {
        log_.SetStatus(StatusPanel::Message, QStringLiteral("Error..."));
        emit restartAborted();
    }
}

void ConfigProcedures::Timer1Timer() {
    if (socket_.Connected()) {
        log_.SetStatus(StatusPanel::Progress, QString());
        timer1_.stop();
        ProcessMessages();
        emit reconnected();
        return;
    }

    const int n = state_.RestartCountdown--;
    if (n != 0) {
        log_.SetStatus(StatusPanel::Progress,
                       QString(qMax(state_.RestartCountdown, 0), QLatin1Char('-')));
    } else {
        timer1_.stop();
        log_.ShowStatus(msg::ServerNotConnected);
        emit reconnectGaveUp();
    }
    ProcessMessages();
    connection_.StartAttempt();
}
