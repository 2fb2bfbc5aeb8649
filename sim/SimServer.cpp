#include "SimServer.h"

#include "Ticks.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace sim {

namespace {
constexpr int kPollMs = 50;
constexpr int kListenRetryMs = 1000;
// The most taken from a client at once: bounds what one read adds to the wire
// log and the engine, and the answers one read can produce. Far above any
// single command or data block.
constexpr qint64 kReadChunk = 16 * 1024;
} // namespace

SimServer::SimServer(const SimServerOptions& options, DeviceState state, const SimFaults& faults,
                     std::shared_ptr<WireLog> log, QObject* parent)
    : QObject(parent), options_(options), engine_(std::move(state)),
      log_(log ? std::move(log) : std::make_shared<WireLog>()), server_(new QTcpServer(this)),
      queueTimer_(new QTimer(this)), pollTimer_(new QTimer(this)), comeBackTimer_(new QTimer(this)),
      idleTimer_(new QTimer(this)) {
    engine_.faults() = faults;
    engine_.setMaxPartialCommand(options_.limits.maxPartialCommand);
    // Delays and the time away are promised as lower bounds; coarse timers may fire early.
    queueTimer_->setSingleShot(true);
    queueTimer_->setTimerType(Qt::PreciseTimer);
    comeBackTimer_->setSingleShot(true);
    comeBackTimer_->setTimerType(Qt::PreciseTimer);
    idleTimer_->setSingleShot(true);
    idleTimer_->setTimerType(Qt::PreciseTimer);
    pollTimer_->setInterval(kPollMs);
    connect(server_, &QTcpServer::newConnection, this, &SimServer::onNewConnection);
    connect(queueTimer_, &QTimer::timeout, this, &SimServer::runQueue);
    connect(pollTimer_, &QTimer::timeout, this, &SimServer::onPoll);
    connect(comeBackTimer_, &QTimer::timeout, this, &SimServer::comeBack);
    connect(idleTimer_, &QTimer::timeout, this, &SimServer::onIdleTimer);
}

SimServer::~SimServer() {
    stop();
}

bool SimServer::IsLoopback(const QHostAddress& address) {
    return address.isLoopback() && address.protocol() == QAbstractSocket::IPv4Protocol;
}

bool SimServer::start() {
    stopped_ = false;
    if (!options_.allowExternal && !IsLoopback(options_.address)) {
        error_ = QStringLiteral("%1 is not a loopback address (use --allow-external)")
                     .arg(options_.address.toString());
        return false;
    }
    if (!listenOn(options_.address, options_.port))
        return false;
    // The stored parameters start as the ones in use, so SERVICE tells the real port.
    NetworkConfig& c = engine_.state().config;
    c.port = server_->serverPort();
    c.ipAddr = options_.address.toString();
    return true;
}

void SimServer::stop() {
    stopped_ = true;
    comeBackTimer_->stop();
    clearQueue();
    queueTimer_->stop();
    pollTimer_->stop();
    idleTimer_->stop();
    if (QTcpSocket* socket = client_) {
        client_ = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    server_->close();
    updateStatus();
}

bool SimServer::listenOn(const QHostAddress& address, uint16_t port) {
    if (!server_->listen(address, port)) {
        error_ = QStringLiteral("cannot listen on %1:%2: %3")
                     .arg(address.toString())
                     .arg(port)
                     .arg(server_->errorString());
        logEvent(error_);
        return false;
    }
    boundAddress_ = address;
    logEvent(
        QStringLiteral("listening on %1:%2").arg(address.toString()).arg(server_->serverPort()));
    updateStatus();
    emit listening(address, server_->serverPort());
    return true;
}

void SimServer::onNewConnection() {
    while (server_->hasPendingConnections()) {
        QTcpSocket* socket = server_->nextPendingConnection();
        if (client_) {
            logEvent(QStringLiteral("second client %1:%2 refused")
                         .arg(socket->peerAddress().toString())
                         .arg(socket->peerPort()));
            socket->abort();
            socket->deleteLater();
            QMutexLocker lock(&statusMutex_);
            ++status_.refused;
            continue;
        }
        client_ = socket;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket->setReadBufferSize(kReadChunk);
        lastInput_ = rk::GetTickCount();
        if (options_.limits.idleTimeoutMs > 0)
            idleTimer_->start(options_.limits.idleTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, &SimServer::onReadyRead);
        connect(socket, &QTcpSocket::disconnected, this, &SimServer::onDisconnected);
        engine_.connectionOpened();
        logEvent(QStringLiteral("client %1:%2 connected")
                     .arg(socket->peerAddress().toString())
                     .arg(socket->peerPort()));
        {
            QMutexLocker lock(&statusMutex_);
            ++status_.connections;
        }
        updateStatus();
        emit clientConnected();
        if (options_.floodMs > 0)
            flood(QByteArrayLiteral("NO;").repeated(1000), options_.floodMs);
    }
}

void SimServer::onReadyRead() {
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    if (!socket || socket != client_)
        return;
    const QByteArray bytes = socket->readAll();
    if (bytes.isEmpty())
        return;
    log_->add(WireEntry::Kind::Received, bytes);
    lastInput_ = rk::GetTickCount();
    if (options_.limits.idleTimeoutMs > 0)
        idleTimer_->start(options_.limits.idleTimeoutMs);
    const EngineOutput out = engine_.feed(bytes);
    if (out.discarded > 0)
        logEvent(QStringLiteral("%1 bytes form no complete command: discarded").arg(out.discarded));
    handle(out);
}

void SimServer::onDisconnected() {
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    if (!socket)
        return;
    socket->deleteLater();
    if (socket != client_)
        return;
    client_ = nullptr;
    logEvent(QStringLiteral("client disconnected"));
    releaseClient();
}

void SimServer::releaseClient() {
    clearQueue();
    queueTimer_->stop();
    pollTimer_->stop();
    idleTimer_->stop();
    updateStatus();
    emit clientDisconnected();
}

void SimServer::abortClient(const QString& reason) {
    QTcpSocket* socket = client_;
    if (!socket)
        return;
    client_ = nullptr;
    logEvent(reason + QStringLiteral(": connection dropped"));
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    releaseClient();
}

void SimServer::onPoll() {
    if (!client_ || !engine_.hasPendingInput()) {
        pollTimer_->stop();
        return;
    }
    handle(engine_.poll(rk::TicksSince(lastInput_)));
}

void SimServer::onIdleTimer() {
    if (!client_ || options_.limits.idleTimeoutMs <= 0)
        return;
    const auto limit = static_cast<uint32_t>(options_.limits.idleTimeoutMs);
    const uint32_t idle = rk::TicksSince(lastInput_);
    if (idle < limit) {
        idleTimer_->start(static_cast<int>(limit - idle));
        return;
    }
    const QString reason =
        QStringLiteral("no input for %1 ms, the idle timeout (--idle-timeout %2)")
            .arg(idle)
            .arg(limit / 1000.0);
    // A graceful close would wait for a client that does not read either.
    if (client_->bytesToWrite() > 0) {
        abortClient(reason);
        return;
    }
    dropClient(reason);
}

void SimServer::handle(const EngineOutput& out) {
    const uint32_t now = rk::GetTickCount();
    uint32_t last = queue_.empty() ? now : queue_.back().due;
    int previousAt = out.writes.isEmpty() ? 0 : out.writes.first().atMs;
    for (const EngineWrite& w : out.writes) {
        const uint32_t due = now + static_cast<uint32_t>(std::max(0, w.atMs));
        last = static_cast<int32_t>(due - last) > 0 ? due : last;
        queue_.push_back({last, std::max(0, w.atMs - previousAt), w.bytes, EngineAction::None});
        queuedBytes_ += w.bytes.size();
        previousAt = w.atMs;
    }
    if (out.action != EngineAction::None)
        queue_.push_back({last, 0, {}, out.action});
    if (engine_.hasPendingInput() && !pollTimer_->isActive())
        pollTimer_->start();
    runQueue();
    checkUnsent();
}

void SimServer::checkUnsent() {
    if (!client_)
        return;
    const qint64 unsent = client_->bytesToWrite() + queuedBytes_;
    if (unsent > options_.limits.maxUnsentBytes)
        abortClient(QStringLiteral("%1 bytes of answers not taken").arg(unsent));
}

void SimServer::clearQueue() {
    queue_.clear();
    queuedBytes_ = 0;
}

void SimServer::runQueue() {
    while (!queue_.empty()) {
        const Pending& next = queue_.front();
        const auto wait = static_cast<int32_t>(next.due - rk::GetTickCount());
        if (wait > 0) {
            queueTimer_->start(wait);
            return;
        }
        const Pending item = next;
        queue_.pop_front();
        queuedBytes_ -= item.bytes.size();
        if (item.action == EngineAction::Close) {
            clearQueue();
            // The engine closes only for this fault.
            closeClient(QStringLiteral("fault: drop after %1 commands")
                            .arg(engine_.faults().dropAfterCommands));
            return;
        }
        if (item.action == EngineAction::Restart) {
            clearQueue();
            beginRestart();
            return;
        }
        if (client_ && client_->state() == QAbstractSocket::ConnectedState) {
            // Logged first: a test that got the answer must find it in the log.
            log_->add(WireEntry::Kind::Sent, item.bytes);
            client_->write(item.bytes);
            client_->flush();
        }
        if (!queue_.empty() && queue_.front().gapMs > 0) {
            const uint32_t earliest =
                rk::GetTickCount() + static_cast<uint32_t>(queue_.front().gapMs);
            if (static_cast<int32_t>(earliest - queue_.front().due) > 0)
                queue_.front().due = earliest;
        }
    }
}

void SimServer::closeClient(const QString& reason) {
    if (!client_)
        return;
    logEvent(reason + QStringLiteral(": closing the connection"));
    client_->disconnectFromHost();
}

void SimServer::dropClient(const QString& reason) {
    clearQueue();
    queueTimer_->stop();
    closeClient(reason);
}

void SimServer::sendUnasked(const QByteArray& bytes) {
    if (!client_ || client_->state() != QAbstractSocket::ConnectedState)
        return;
    log_->add(WireEntry::Kind::Sent, bytes);
    client_->write(bytes);
    client_->flush();
}

void SimServer::flood(const QByteArray& chunk, int durationMs) {
    if (!floodTimer_) {
        floodTimer_ = new QTimer(this);
        floodTimer_->setInterval(0);
        connect(floodTimer_, &QTimer::timeout, this, [this] {
            if (!client_ || static_cast<int32_t>(rk::GetTickCount() - floodEnd_) >= 0) {
                floodTimer_->stop();
                logEvent(QStringLiteral("flood ended"));
                return;
            }
            // Only as fast as the client takes it: the flood is the client's
            // problem, not the simulator's memory.
            while (client_->bytesToWrite() < 1024 * 1024)
                client_->write(floodChunk_);
            client_->flush();
        });
    }
    floodChunk_ = chunk;
    floodEnd_ = rk::GetTickCount() + static_cast<uint32_t>(std::max(0, durationMs));
    logEvent(QStringLiteral("flooding for %1 ms").arg(durationMs));
    if (!chunk.isEmpty())
        floodTimer_->start();
}

void SimServer::restartNow() {
    clearQueue();
    queueTimer_->stop();
    beginRestart();
}

void SimServer::beginRestart() {
    {
        // Both at once, so that no one sees the new count with the old listener.
        QMutexLocker lock(&statusMutex_);
        ++status_.restarts;
        status_.listening = false;
    }
    // The listener goes first: a client that sees its connection end must
    // already find the device away.
    server_->close();
    closeClient(QStringLiteral("restarting"));
    engine_.restarted();
    pollTimer_->stop();
    if (engine_.faults().noComeBack) {
        logEvent(QStringLiteral("restarting: not coming back"));
    } else {
        logEvent(QStringLiteral("restarting: away for %1 ms").arg(options_.restartDelayMs));
        comeBackTimer_->start(std::max(0, options_.restartDelayMs));
    }
    updateStatus();
    emit restarting();
}

void SimServer::comeBack() {
    if (stopped_)
        return;
    const NetworkConfig& c = engine_.state().config;
    QHostAddress address(c.ipAddr);
    if (!options_.allowExternal && !IsLoopback(address)) {
        logEvent(QStringLiteral("stored address %1 is not loopback: staying on %2")
                     .arg(c.ipAddr, boundAddress_.toString()));
        address = boundAddress_;
    }
    if (!listenOn(address, c.port))
        comeBackTimer_->start(kListenRetryMs);
}

void SimServer::logEvent(const QString& text) {
    log_->add(WireEntry::Kind::Event, text.toUtf8());
}

void SimServer::updateStatus() {
    QMutexLocker lock(&statusMutex_);
    status_.listening = server_->isListening();
    if (status_.listening) {
        status_.address = server_->serverAddress();
        status_.port = server_->serverPort();
    }
    status_.clientConnected = client_ != nullptr;
}

SimStatus SimServer::status() const {
    QMutexLocker lock(&statusMutex_);
    return status_;
}

} // namespace sim
