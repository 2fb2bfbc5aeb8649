#pragma once

// Test fixture: the device simulator in a worker thread of the test process.
//
//   sim::SimulatorThread device;                    // 127.0.0.1, ephemeral port
//   QVERIFY(device.start());
//   tool.connectTo(device.address(), device.port());
//   ... drive the tool on the main thread ...
//   QVERIFY(device.waitForReceived("?IpAddr;"));
//   QCOMPARE(device.sent(), QByteArray("IPADDR = 127.0.0.1;"));
//
// The simulator's own thread keeps answering while the main thread is blocked
// in the tool's waits. Every method is called from the thread that owns the
// fixture (normally the main thread) and is thread-safe against the simulator.
// The wait* methods process the caller's events while they wait, so the
// tool's window, sockets and timers keep running. Never call the fixture from
// a wire-log sink (that runs on the simulator's thread).

#include "DeviceState.h"
#include "SimFaults.h"
#include "SimLimits.h"
#include "WireLog.h"

#include <QHostAddress>
#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

namespace sim {

class SimServer;

class SimulatorThread : public QObject {
    Q_OBJECT
public:
    struct Options {
        QHostAddress address = QHostAddress(QHostAddress::LocalHost);
        quint16 port = 0;          // 0: an ephemeral port, see port()
        int restartDelayMs = 3000; // how long a restart keeps the device away
        SimFaults faults;
        SimLimits limits;
        DeviceState state = DeviceState::Defaults();
    };

    explicit SimulatorThread(QObject* parent = nullptr);
    explicit SimulatorThread(Options options, QObject* parent = nullptr);
    ~SimulatorThread() override; // stops the simulator

    // Starts the thread and listens; true once it listens.
    bool start();
    // Closes every connection and ends the thread. Idempotent.
    void stop();

    // Where it listens now (after a restart: the new address and port). While
    // it is away, the last address and port it listened on.
    bool isListening() const;
    QHostAddress address() const;
    quint16 port() const;
    QString hostPort() const; // "127.0.0.1:40123", the tool's --startup-host form

    int restartCount() const;    // restarts begun ("Close = 1", UPGRADE = OK, restartNow())
    int connectionCount() const; // clients accepted so far
    int refusedCount() const;    // second clients turned away
    bool hasClient() const;

    // Waits until `condition` holds, processing the caller's events; false on timeout.
    static bool waitFor(const std::function<bool()>& condition, int timeoutMs);
    bool waitListening(int timeoutMs = 10000);
    // Waits until `count` restarts have begun and the device listens again.
    bool waitForRestart(int count = 1, int timeoutMs = 15000);
    bool waitForClient(int timeoutMs = 5000);
    bool waitForNoClient(int timeoutMs = 5000);
    // Waits until the received (sent) bytes, joined, contain `bytes`.
    bool waitForReceived(const QByteArray& bytes, int timeoutMs = 5000);
    bool waitForSent(const QByteArray& bytes, int timeoutMs = 5000);

    // The wire log: entries in order, each with its rk::GetTickCount() time.
    QList<WireEntry> wireLog() const;
    QList<WireEntry> wireLog(WireEntry::Kind kind) const; // only one kind
    QByteArray received() const;
    QByteArray sent() const;
    void clearWireLog();
    // The log keeps WireLog::kDefaultCapacity bytes, the oldest dropped first;
    // log()->setCapacity() changes that.
    std::shared_ptr<WireLog> log() const { return log_; }
    // The log as the executable prints it, for failure messages.
    QString formattedWireLog() const;

    SimFaults faults() const;
    void setFaults(const SimFaults& faults);
    void updateFaults(const std::function<void(SimFaults&)>& change);

    DeviceState state() const; // a snapshot
    // Replaces everything, the stored address and port included (they start as
    // the listening ones); updateState() is usually what a test wants.
    void setState(const DeviceState& state);
    void updateState(const std::function<void(DeviceState&)>& change);
    // Version and date answered, and the stored image rebuilt to carry them.
    void setVersion(const QString& version, const QString& date);
    void setRestartDelay(int ms);

    void restartNow();                         // as "Close = 1"
    void dropClient();                         // closes the client's connection
    void sendUnasked(const QByteArray& bytes); // as a device that speaks unasked

signals:
    // Delivered on the fixture's thread.
    void listening(const QHostAddress& address, quint16 port);
    void restarting();
    void clientConnected();
    void clientDisconnected();

private:
    void onServer(const std::function<void(SimServer&)>& work) const;

    Options options_;
    std::shared_ptr<WireLog> log_;
    QThread thread_;
    SimServer* server_ = nullptr;
    uint32_t startTick_ = 0;
};

} // namespace sim
