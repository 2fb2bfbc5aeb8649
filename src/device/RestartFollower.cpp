#include "RestartFollower.h"

#include "Messages.h"
#include "Ticks.h"
#include "Wait.h"

#include <algorithm>
#include <utility>

namespace {
const QString kProgressPattern = QStringLiteral("--+--+--+--");
} // namespace

RestartFollower::RestartFollower(ClientSocket& socket, Connection& connection, DeviceLog& log,
                                 QObject* parent)
    : QObject(parent), socket_(socket), connection_(connection), log_(log) {
    timer1_.setInterval(timing.reconnectIntervalMs);
    connect(&timer1_, &QTimer::timeout, this, &RestartFollower::Timer1Timer);
}

void RestartFollower::Follow(const QString& address, int port, uint32_t pauseMs, uint32_t start,
                             FollowDone done) {
    done_ = std::move(done);
    const uint32_t step = std::max<uint32_t>(timing.progressStepMs, 1);
    int k = 0;
    // Ticks are whole milliseconds: one more than the pause makes sure the
    // device had all of it. A zero pause waits for nothing.
    for (uint32_t elapsed = rk::TicksSince(start);
         pauseMs > 0 && elapsed <= pauseMs && !WaitInterrupted(); elapsed = rk::TicksSince(start)) {
        ++k;
        log_.SetStatus(StatusPanel::Progress, kProgressPattern.mid(k % 3, 9));
        WaitProcessing(std::min(step, pauseMs + 1 - elapsed));
    }
    socket_.SetAddress(address);
    socket_.SetPort(port);
    countdown_ = timing.reconnectTicks;
    // A coarse timer may fire up to 5 % early; the device is promised its
    // full second per attempt.
    timer1_.setTimerType(Qt::PreciseTimer);
    timer1_.setInterval(timing.reconnectIntervalMs);
    timer1_.start();
}

void RestartFollower::end(bool back) {
    // Taken first: the handler may begin the next follow.
    const FollowDone done = std::exchange(done_, nullptr);
    if (done)
        done(back);
    emit followed(back);
}

void RestartFollower::Timer1Timer() {
    if (socket_.Connected()) {
        log_.SetStatus(StatusPanel::Progress, QString());
        timer1_.stop();
        ProcessMessages();
        end(true);
        return;
    }

    const int n = countdown_--;
    if (n != 0) {
        log_.SetStatus(StatusPanel::Progress, QString(qMax(countdown_, 0), QLatin1Char('-')));
    } else {
        timer1_.stop();
        // Where it was looked for: the address a write gave it may be wrong.
        log_.ShowStatus(
            msg::ServerNotConnected +
            QStringLiteral(" (tried %1:%2)").arg(socket_.Address()).arg(socket_.Port()));
        end(false);
    }
    ProcessMessages();
    connection_.StartAttempt();
}
