#include "Connection.h"

#include "NumberReading.h"
#include "ValueChecks.h"
#include "ui_TChatForm.h"

#include <utility>

namespace {
const QString kNotConnected = QStringLiteral("Not connected");
} // namespace

Connection::Connection(ClientSocket& socket, CommandChannel& channel, ChannelState& state,
                       RememberedParams& remembered, Ui::TChatForm& ui, Shell& shell,
                       ConnectDialog dialog, QObject* parent)
    : QObject(parent), socket_(socket), channel_(channel), state_(state), remembered_(remembered),
      ui_(ui), shell_(shell), dialog_(std::move(dialog)) {}

void Connection::FileConnectItemaClick() {
    // An established connection is closed first, even if the dialog is then
    // cancelled, so the status bar never claims a connection being replaced.
    if (socket_.Active())
        socket_.Close();
    if (CheckIpAddress(ui_.MEditIpAddr->text()))
        remembered_.LastAddr = ui_.MEditIpAddr->text();
    if (ReadNumber(ui_.MEditPort->text(), -1) > 0)
        remembered_.LastPort = ui_.MEditPort->text();

    QString address = remembered_.LastAddr;
    QString port = remembered_.LastPort;
    if (!dialog_ || !dialog_(address, port))
        return;
    remembered_.LastAddr = address;
    remembered_.LastPort = port;
    if (remembered_.LastAddr.isEmpty())
        return;
    socket_.SetAddress(remembered_.LastAddr);
    socket_.SetPort(ReadNumber(remembered_.LastPort, socket_.Port()));
    StartAttempt();
}

void Connection::StartAttempt() {
    socket_.Open();
    ui_.FileListenItem->setChecked(false);
}

void Connection::Disconnect1Click() {
    socket_.Close();
    shell_.SetStatusText(1, kNotConnected);
    shell_.SetLampWidth(0);
}

void Connection::FileListenItemClick() {
    ui_.FileListenItem->setChecked(!ui_.FileListenItem->isChecked());
    if (ui_.FileListenItem->isChecked()) {
        socket_.Close();
        shell_.SetStatusText(1, kNotConnected);
        shell_.SetLampWidth(0);
    } else {
        shell_.SetStatusText(1, QString());
    }
}

void Connection::ClientSocketConnect() {
    shell_.SetStatusText(1, QStringLiteral("Connect to: ") + socket_.RemoteAddress());
    shell_.SetStatusText(2, QString());
    shell_.SetLampWidth(20);
}

void Connection::ClientSocketDisconnect() {
    state_.SocketWritable = false;
    FileListenItemClick();
}

void Connection::ClientSocketError(int& errorCode) {
    channel_.AddLogLine(QString::fromUtf8("Ошибка соединения с ") + remembered_.LastAddr +
                        QStringLiteral(" : ") + QString::number(errorCode));
    errorCode = 0;
}
