#include "SimulatorThread.h"

#include "SimServer.h"
#include "Ticks.h"
#include "Wait.h"

#include <QCoreApplication>

namespace sim {

SimulatorThread::SimulatorThread(QObject* parent) : SimulatorThread(Options{}, parent) {}

SimulatorThread::SimulatorThread(Options options, QObject* parent)
    : QObject(parent), options_(std::move(options)), log_(std::make_shared<WireLog>()) {
    thread_.setObjectName(QStringLiteral("rk5720-sim"));
}

SimulatorThread::~SimulatorThread() {
    stop();
}

bool SimulatorThread::start() {
    if (server_)
        return isListening();
    startTick_ = rk::GetTickCount();
    SimServerOptions serverOptions;
    serverOptions.address = options_.address;
    serverOptions.port = options_.port;
    serverOptions.restartDelayMs = options_.restartDelayMs;
    serverOptions.limits = options_.limits;
    server_ = new SimServer(serverOptions, options_.state, options_.faults, log_);
    server_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, server_, &QObject::deleteLater);
    connect(server_, &SimServer::listening, this, &SimulatorThread::listening);
    connect(server_, &SimServer::restarting, this, &SimulatorThread::restarting);
    connect(server_, &SimServer::clientConnected, this, &SimulatorThread::clientConnected);
    connect(server_, &SimServer::clientDisconnected, this, &SimulatorThread::clientDisconnected);
    thread_.start();
    bool ok = false;
    onServer([&ok](SimServer& s) { ok = s.start(); });
    if (!ok) {
        qWarning("rk5720-sim: %s",
                 qPrintable(log_->entries().isEmpty()
                                ? QStringLiteral("cannot start")
                                : QString::fromUtf8(log_->entries().last().bytes)));
    }
    return ok;
}

void SimulatorThread::stop() {
    if (!server_)
        return;
    onServer([](SimServer& s) { s.stop(); });
    thread_.quit();
    thread_.wait();
    server_ = nullptr; // deleted by the thread's end
}

void SimulatorThread::onServer(const std::function<void(SimServer&)>& work) const {
    if (!server_)
        return;
    SimServer* server = server_;
    QMetaObject::invokeMethod(
        server, [server, &work] { work(*server); }, Qt::BlockingQueuedConnection);
}

bool SimulatorThread::isListening() const {
    return server_ && server_->status().listening;
}
QHostAddress SimulatorThread::address() const {
    return server_ ? server_->status().address : QHostAddress();
}
quint16 SimulatorThread::port() const {
    return server_ ? server_->status().port : 0;
}
QString SimulatorThread::hostPort() const {
    return QStringLiteral("%1:%2").arg(address().toString()).arg(port());
}
int SimulatorThread::restartCount() const {
    return server_ ? server_->status().restarts : 0;
}
int SimulatorThread::connectionCount() const {
    return server_ ? server_->status().connections : 0;
}
int SimulatorThread::refusedCount() const {
    return server_ ? server_->status().refused : 0;
}
bool SimulatorThread::hasClient() const {
    return server_ && server_->status().clientConnected;
}

bool SimulatorThread::waitFor(const std::function<bool()>& condition, int timeoutMs) {
    const uint32_t start = rk::GetTickCount();
    while (!condition()) {
        if (rk::TicksSince(start) > static_cast<uint32_t>(timeoutMs))
            return condition();
        // Wakes at the caller's next event or after 10 ms to look again.
        ProcessMessagesOrWait(10);
    }
    return true;
}

bool SimulatorThread::waitListening(int timeoutMs) {
    return waitFor([this] { return isListening(); }, timeoutMs);
}

bool SimulatorThread::waitForRestart(int count, int timeoutMs) {
    return waitFor([this, count] { return restartCount() >= count && isListening(); }, timeoutMs);
}

bool SimulatorThread::waitForClient(int timeoutMs) {
    return waitFor([this] { return hasClient(); }, timeoutMs);
}

bool SimulatorThread::waitForNoClient(int timeoutMs) {
    return waitFor([this] { return !hasClient(); }, timeoutMs);
}

bool SimulatorThread::waitForReceived(const QByteArray& bytes, int timeoutMs) {
    return waitFor([this, &bytes] { return received().contains(bytes); }, timeoutMs);
}

bool SimulatorThread::waitForSent(const QByteArray& bytes, int timeoutMs) {
    return waitFor([this, &bytes] { return sent().contains(bytes); }, timeoutMs);
}

QList<WireEntry> SimulatorThread::wireLog() const {
    return log_->entries();
}

QList<WireEntry> SimulatorThread::wireLog(WireEntry::Kind kind) const {
    QList<WireEntry> some;
    for (const WireEntry& e : log_->entries()) {
        if (e.kind == kind)
            some.append(e);
    }
    return some;
}

QByteArray SimulatorThread::received() const {
    return log_->received();
}
QByteArray SimulatorThread::sent() const {
    return log_->sent();
}
void SimulatorThread::clearWireLog() {
    log_->clear();
}

QString SimulatorThread::formattedWireLog() const {
    QString text;
    for (const WireEntry& e : log_->entries())
        text += WireLog::format(e, startTick_) + QLatin1Char('\n');
    return text;
}

SimFaults SimulatorThread::faults() const {
    SimFaults copy = options_.faults;
    onServer([&copy](SimServer& s) { copy = s.engine().faults(); });
    return copy;
}

void SimulatorThread::setFaults(const SimFaults& faults) {
    options_.faults = faults;
    onServer([&faults](SimServer& s) { s.engine().faults() = faults; });
}

void SimulatorThread::updateFaults(const std::function<void(SimFaults&)>& change) {
    change(options_.faults);
    onServer([&change](SimServer& s) { change(s.engine().faults()); });
}

DeviceState SimulatorThread::state() const {
    DeviceState copy = options_.state;
    onServer([&copy](SimServer& s) { copy = s.engine().state(); });
    return copy;
}

void SimulatorThread::setState(const DeviceState& state) {
    if (!server_)
        options_.state = state;
    onServer([&state](SimServer& s) { s.engine().state() = state; });
}

void SimulatorThread::updateState(const std::function<void(DeviceState&)>& change) {
    if (!server_)
        change(options_.state);
    onServer([&change](SimServer& s) { change(s.engine().state()); });
}

void SimulatorThread::setVersion(const QString& version, const QString& date) {
    updateState([&](DeviceState& s) { s.setVersion(version, date); });
}

void SimulatorThread::setRestartDelay(int ms) {
    options_.restartDelayMs = ms;
    onServer([ms](SimServer& s) { s.setRestartDelay(ms); });
}

void SimulatorThread::restartNow() {
    onServer([](SimServer& s) { s.restartNow(); });
}

void SimulatorThread::dropClient() {
    onServer([](SimServer& s) { s.dropClient(); });
}

void SimulatorThread::sendUnasked(const QByteArray& bytes) {
    onServer([bytes](SimServer& s) { s.sendUnasked(bytes); });
}

} // namespace sim
