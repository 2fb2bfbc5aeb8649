#pragma once

#include "ClientSocket.h"
#include "Connection.h"
#include "DeviceLog.h"
#include "RestartTiming.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

// How a follow ended, handed to whoever began it: true when the device is
// back, false when it did not come back in time.
using FollowDone = std::function<void(bool back)>;

// Follows a restarting device to where it will be: waits out the restart
// with a moving progress mark, then tries to reconnect once a second (Timer1)
// until the device is back or the attempts run out. The configuration write
// and the firmware install both hand their restart to it.
class RestartFollower : public QObject {
    Q_OBJECT
public:
    RestartFollower(ClientSocket& socket, Connection& connection, DeviceLog& log,
                    QObject* parent = nullptr);

    // Pauses until `pauseMs` have passed since `start` (a tick count; the
    // restart began then), processing messages, then points the connection at
    // `address`:`port` and starts the reconnection timer; `done` and
    // followed() end it.
    void Follow(const QString& address, int port, uint32_t pauseMs, uint32_t start,
                FollowDone done = {});
    // The reconnection timer runs.
    bool Following() const { return timer1_.isActive(); }
    // Gives up at once, without a word: a script's own time limit ran out.
    void Stop() {
        timer1_.stop();
        done_ = nullptr;
    }

    // The reconnection timer's tick.
    void Timer1Timer();

    // The restart pauses; tests shorten them.
    RestartTiming timing;

signals:
    // True: the device is back; false: it did not come back in time.
    void followed(bool back);

private:
    ClientSocket& socket_;
    Connection& connection_;
    DeviceLog& log_;
    // Timer1: 1000 ms, stopped until a restart starts it.
    QTimer timer1_;
    int countdown_ = 0;
    FollowDone done_;

    void end(bool back);
};
