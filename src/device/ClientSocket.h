#pragma once

#include "Defaults.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

// The non-blocking, event-driven client socket the procedures are written
// against, over QTcpSocket:
// - events: connected, then writable; dataArrived; disconnected; error with the
//   workstation's socket code (10061 refused, 10060 timed out, ...), which a
//   handler may zero;
// - the active flag is set when the connect event is delivered and cleared when
//   the disconnect event is, so Close() does not cancel a pending attempt;
// - a normal close by the server is a disconnect event only, never an error;
// - dataArrived is delivered from the event loop (never nested inside Qt's own
//   readyRead), and again while unread data remains after a handler took some;
// - data that came before the server closed is delivered before the disconnect.
class ClientSocket : public QObject {
    Q_OBJECT
public:
    // Socket codes of the workstation platform, so logs read as users know them.
    enum ErrorCode {
        kNetworkUnreachable = 10051,
        kConnectionReset = 10054,
        kTimedOut = 10060,
        kConnectionRefused = 10061,
        kHostUnreachable = 10065,
        kHostNotFound = 11001,
    };
    static constexpr int kDefaultPort = kDefaultDevicePort;
    // Bytes the socket holds for the tool before the device must wait: a
    // device that streams faster than the tool reads is slowed by TCP itself
    // instead of filling the tool's memory.
    static constexpr qint64 kReadBufferBytes = 256 * 1024;
    // How long the platform lets a connection attempt run before it reports 10060.
    static constexpr int kConnectTimeoutMs = 21000;

    explicit ClientSocket(QObject* parent = nullptr);
    ~ClientSocket() override;

    QString Address() const { return address_; }
    void SetAddress(const QString& address) { address_ = address; }
    int Port() const { return port_; }
    void SetPort(int port) { port_ = port; }

    bool Active() const { return active_; }
    bool Connected() const;
    // An attempt is on its way: neither connected nor failed yet.
    bool Connecting() const { return connectTimer_.isActive(); }

    // Starts a non-blocking connection attempt to Address():Port(); does
    // nothing when the socket is already active. A pending attempt is
    // replaced by the new one.
    void Open();
    // Closes an established connection; the disconnect event runs before it
    // returns. Does nothing when the active flag is clear.
    void Close();

    // Bytes that arrived and were not taken yet.
    qint64 ReceiveLength() const;
    // Takes at most `max` bytes; returns how many were taken.
    int ReceiveBuf(char* buffer, int max);
    QByteArray ReceiveText();
    // At most `max` bytes of it; the rest is delivered again.
    QByteArray ReceiveText(qint64 max);

    // Delivers dataArrived again from the event loop when unread data is left,
    // for a handler that put off taking it.
    void RedeliverPending();

    // Writes and pushes the bytes out at once; returns the count handed over.
    int SendBuf(const char* bytes, int count);
    int SendText(const QByteArray& text) { return SendBuf(text.constData(), int(text.size())); }

    // The code of the last error since Open(), even when a handler zeroed it.
    int LastErrorCode() const { return lastError_; }

    // The peer's address in dotted form.
    QString RemoteAddress() const;

    // Maps Qt's socket error to the workstation's code; 0 for a normal close.
    static int PlatformErrorCode(QAbstractSocket::SocketError error, const QString& description);

signals:
    void connected();
    void writable();
    void dataArrived();
    void disconnected();
    // Handlers zero `code` once they have dealt with it.
    void errorOccurred(int& code);

private:
    void onConnected();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void onConnectTimeout();
    void scheduleRead();
    void deliverRead();
    void deliverDisconnect();
    void raiseError(int code);

    QTcpSocket socket_;
    QTimer connectTimer_;
    QString address_;
    int port_ = kDefaultPort;
    bool active_ = false;
    int lastError_ = 0;
    bool readScheduled_ = false;
    quint64 bytesTaken_ = 0;
};
