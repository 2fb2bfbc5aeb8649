#include "Connection.h"

#include "Messages.h"
#include "NumberReading.h"
#include "ValueChecks.h"

Connection::Connection(ClientSocket& socket, RememberedParams& remembered, DeviceLog& log,
                       QObject* parent)
    : QObject(parent), socket_(socket), remembered_(remembered), log_(log) {}

void Connection::ProposeTarget(const QString& editAddr, const QString& editPort, QString& address,
                               QString& port) {
    if (CheckIpAddress(editAddr))
        remembered_.LastAddr = editAddr;
    if (ReadNumber(editPort, -1) > 0)
        remembered_.LastPort = editPort;
    address = remembered_.LastAddr;
    port = remembered_.LastPort;
}

bool Connection::ConnectTo(const QString& address, const QString& port) {
    // A port past 65535 would wrap to another one: refuse it before anything
    // is remembered.
    if (!port.isEmpty() && !CheckPort(port)) {
        log_.ShowStatus(PortError(port));
        return false;
    }
    remembered_.LastAddr = address;
    remembered_.LastPort = port;
    if (remembered_.LastAddr.isEmpty())
        return false;
    // An attempt that was pending while the dialog was open may have connected
    // meanwhile; the user asked for another device.
    if (socket_.Active())
        socket_.Close();
    socket_.SetAddress(remembered_.LastAddr);
    socket_.SetPort(ReadNumber(remembered_.LastPort, socket_.Port()));
    StartAttempt();
    return true;
}

QString Connection::PortError(const QString& port) {
    return QStringLiteral("Error in Port: %1 is not in 1..%2").arg(port).arg(kMaxPort);
}

void Connection::StartAttempt() {
    socket_.Open();
    SetListenChecked(false);
}

void Connection::SetListenChecked(bool checked) {
    listen_ = checked;
    emit listenChanged(checked);
}

void Connection::showNotConnected() {
    log_.SetStatus(StatusPanel::Connection, msg::NotConnected);
    log_.SetLamp(false);
}

void Connection::Disconnect() {
    socket_.Close();
    showNotConnected();
}

void Connection::ToggleListen() {
    SetListenChecked(!listen_);
    if (listen_) {
        socket_.Close();
        showNotConnected();
    } else {
        log_.SetStatus(StatusPanel::Connection, QString());
    }
}

void Connection::ClientSocketConnect() {
    log_.SetStatus(StatusPanel::Connection, msg::ConnectTo + socket_.RemoteAddress());
    log_.SetStatus(StatusPanel::Message, QString());
    log_.SetLamp(true);
}

void Connection::ClientSocketDisconnect() {
    ToggleListen();
}

void Connection::ClientSocketError(int& errorCode) {
    log_.AddLogLine(QString::fromUtf8("Ошибка соединения с ") + remembered_.LastAddr +
                    QStringLiteral(" : ") + QString::number(errorCode));
    errorCode = 0;
}
