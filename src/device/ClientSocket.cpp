#include "ClientSocket.h"

#include "ValueChecks.h"

#include <QHostAddress>
#include <QRegularExpression>

ClientSocket::ClientSocket(QObject* parent) : QObject(parent) {
    socket_.setReadBufferSize(kReadBufferBytes);
    connectTimer_.setSingleShot(true);
    connectTimer_.setInterval(kConnectTimeoutMs);
    connect(&connectTimer_, &QTimer::timeout, this, &ClientSocket::onConnectTimeout);
    connect(&socket_, &QTcpSocket::connected, this, &ClientSocket::onConnected);
    connect(&socket_, &QTcpSocket::disconnected, this, &ClientSocket::onDisconnected);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &ClientSocket::onError);
    connect(&socket_, &QTcpSocket::readyRead, this, &ClientSocket::scheduleRead);
}

ClientSocket::~ClientSocket() {
    // Closing the QTcpSocket member below must not run our handlers on a
    // half-destroyed object.
    socket_.disconnect(this);
}

bool ClientSocket::Connected() const {
    return socket_.state() == QAbstractSocket::ConnectedState;
}

void ClientSocket::Open() {
    if (active_)
        return;
    socket_.abort();
    lastError_ = 0;
    // "127.0.2" reaches 127.0.0.2 through the resolver's old shorthand: a
    // text of digits and dots that is no dotted-decimal address is taken
    // as the name nobody can find, not dialled somewhere unexpected.
    static const QRegularExpression digitsAndDots(QStringLiteral("^[0-9.]+$"));
    if (digitsAndDots.match(address_).hasMatch() && !IsDottedDecimal(address_)) {
        QMetaObject::invokeMethod(
            this, [this] { raiseError(kHostNotFound); }, Qt::QueuedConnection);
        return;
    }
    // Started first: an attempt that fails inside connectToHost (network
    // unreachable) stops it there, and must not get a second, late 10060.
    connectTimer_.start();
    socket_.connectToHost(address_, static_cast<quint16>(port_));
}

void ClientSocket::Close() {
    if (!active_)
        return;
    // Graceful, so that a command written just before (such as the restart
    // command) still reaches the device.
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        socket_.abort();
    // Qt may already have reported the close synchronously.
    if (active_)
        deliverDisconnect();
}

qint64 ClientSocket::ReceiveLength() const {
    return socket_.bytesAvailable();
}

int ClientSocket::ReceiveBuf(char* buffer, int max) {
    if (max <= 0)
        return 0;
    const qint64 n = socket_.read(buffer, max);
    if (n <= 0)
        return 0;
    bytesTaken_ += quint64(n);
    return int(n);
}

QByteArray ClientSocket::ReceiveText() {
    const QByteArray bytes = socket_.readAll();
    bytesTaken_ += quint64(bytes.size());
    return bytes;
}

QByteArray ClientSocket::ReceiveText(qint64 max) {
    const QByteArray bytes = socket_.read(max);
    bytesTaken_ += quint64(bytes.size());
    return bytes;
}

int ClientSocket::SendBuf(const char* bytes, int count) {
    if (count <= 0 || socket_.state() != QAbstractSocket::ConnectedState)
        return 0;
    const qint64 n = socket_.write(bytes, count);
    socket_.flush();
    return n < 0 ? 0 : int(n);
}

QString ClientSocket::RemoteAddress() const {
    const QHostAddress peer = socket_.peerAddress();
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : peer.toString();
}

int ClientSocket::PlatformErrorCode(QAbstractSocket::SocketError error,
                                    const QString& description) {
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError:
        return 0;
    case QAbstractSocket::ConnectionRefusedError:
        return kConnectionRefused;
    case QAbstractSocket::SocketTimeoutError:
        return kTimedOut;
    case QAbstractSocket::HostNotFoundError:
        return kHostNotFound;
    case QAbstractSocket::NetworkError:
        // Qt folds both unreachable cases into one error; its text tells them apart.
        return description.contains(QLatin1String("Host unreachable"), Qt::CaseInsensitive)
                   ? kHostUnreachable
                   : kNetworkUnreachable;
    default:
        return kConnectionReset;
    }
}

void ClientSocket::onConnected() {
    connectTimer_.stop();
    active_ = true;
    emit connected();
    // The platform reports readiness for writing right after the connect event.
    if (active_)
        emit writable();
    if (socket_.bytesAvailable() > 0)
        scheduleRead();
}

void ClientSocket::onDisconnected() {
    if (!active_)
        return;
    // The last answer often comes with the close. When its read is still on
    // its way, the disconnect goes after it, so that the answer is not lost.
    if (readScheduled_ || socket_.bytesAvailable() > 0) {
        scheduleRead();
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (active_)
                    deliverDisconnect();
            },
            Qt::QueuedConnection);
        return;
    }
    deliverDisconnect();
}

void ClientSocket::deliverDisconnect() {
    active_ = false;
    emit disconnected();
}

void ClientSocket::onError(QAbstractSocket::SocketError error) {
    const int code = PlatformErrorCode(error, socket_.errorString());
    if (code == 0)
        return;
    connectTimer_.stop();
    raiseError(code);
}

void ClientSocket::onConnectTimeout() {
    if (socket_.state() == QAbstractSocket::ConnectedState)
        return;
    socket_.abort();
    raiseError(kTimedOut);
}

void ClientSocket::raiseError(int code) {
    lastError_ = code;
    emit errorOccurred(code);
    if (code != 0)
        qWarning("socket error %d was not handled", code);
}

void ClientSocket::RedeliverPending() {
    if (socket_.bytesAvailable() > 0)
        scheduleRead();
}

void ClientSocket::scheduleRead() {
    if (readScheduled_)
        return;
    readScheduled_ = true;
    QMetaObject::invokeMethod(this, &ClientSocket::deliverRead, Qt::QueuedConnection);
}

void ClientSocket::deliverRead() {
    readScheduled_ = false;
    if (socket_.bytesAvailable() <= 0)
        return;
    const quint64 takenBefore = bytesTaken_;
    emit dataArrived();
    // Like the platform's read notification: it comes again while data is left
    // and the handler took some, but not for a handler that ignores the data.
    if (bytesTaken_ != takenBefore && socket_.bytesAvailable() > 0)
        scheduleRead();
}
