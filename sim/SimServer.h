#pragma once

#include "DeviceEngine.h"
#include "SimLimits.h"
#include "WireLog.h"

#include <QHostAddress>
#include <QMutex>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <deque>
#include <memory>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace sim {

struct SimServerOptions {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    uint16_t port = 1024;       // 0: any free port
    int restartDelayMs = 3000;  // how long the device stays away on a restart
    bool allowExternal = false; // may it bind to anything but 127.0.0.0/8
    int floodMs = 0;            // each client first gets a stream of NO; this long
    SimLimits limits;
};

// What tests may read from any thread.
struct SimStatus {
    bool listening = false;
    QHostAddress address;
    uint16_t port = 0;
    int restarts = 0;    // restarts begun
    int connections = 0; // clients accepted
    int refused = 0;     // second clients turned away
    bool clientConnected = false;
};

// The TCP front end: one client at a time on a loopback address, each answer
// in one write, restarts that go away and come back on the stored address and
// port. What a client makes it hold is bounded (SimLimits): one that leaves
// too much unread is dropped, one silent too long is closed. Lives in one
// thread; only status() and the wire log may be used from others.
class SimServer : public QObject {
    Q_OBJECT
public:
    SimServer(const SimServerOptions& options, DeviceState state, const SimFaults& faults,
              std::shared_ptr<WireLog> log, QObject* parent = nullptr);
    ~SimServer() override;

    // Starts listening; false (and errorString()) when the address is refused or taken.
    bool start();
    void stop();
    QString errorString() const { return error_; }

    DeviceEngine& engine() { return engine_; }
    void setRestartDelay(int ms) { options_.restartDelayMs = ms; }
    // Restarts as "Close = 1" does.
    void restartNow();
    // Drops the client's connection, as a cable pulled out; the log gives the reason.
    void dropClient(const QString& reason = QStringLiteral("dropped on request"));
    // Sends `bytes` to the client now, as a device that speaks unasked.
    void sendUnasked(const QByteArray& bytes);
    // Streams `chunk` to the client over and over for `durationMs`, as fast as
    // the client takes it: a device gone wild. Not in the wire log.
    void flood(const QByteArray& chunk, int durationMs);

    SimStatus status() const;

    static bool IsLoopback(const QHostAddress& address);

signals:
    void listening(const QHostAddress& address, quint16 port);
    void restarting();
    void clientConnected();
    void clientDisconnected();

private:
    struct Pending {
        uint32_t due = 0;
        int gapMs = 0; // at least this long after the write before it went out
        QByteArray bytes;
        EngineAction action = EngineAction::None;
    };

    bool listenOn(const QHostAddress& address, uint16_t port);
    void onNewConnection();
    void onReadyRead();
    void onDisconnected();
    void onPoll();
    void onIdleTimer();
    void handle(const EngineOutput& out);
    void runQueue();
    void clearQueue();
    void checkUnsent();
    void closeClient(const QString& reason);
    // Drops the connection at once, unsent answers and all.
    void abortClient(const QString& reason);
    // The slot is free again: forgets the client's queue and timers.
    void releaseClient();
    void beginRestart();
    void comeBack();
    void logEvent(const QString& text);
    void updateStatus();

    SimServerOptions options_;
    DeviceEngine engine_;
    std::shared_ptr<WireLog> log_;
    QTcpServer* server_;
    QPointer<QTcpSocket> client_;
    QTimer* queueTimer_;
    QTimer* pollTimer_;
    QTimer* comeBackTimer_;
    QTimer* idleTimer_;
    QTimer* floodTimer_ = nullptr;
    QByteArray floodChunk_;
    uint32_t floodEnd_ = 0;
    std::deque<Pending> queue_;
    qint64 queuedBytes_ = 0; // the bytes in queue_
    uint32_t lastInput_ = 0;
    QHostAddress boundAddress_;
    QString error_;
    bool stopped_ = false;

    mutable QMutex statusMutex_;
    SimStatus status_;
};

} // namespace sim
