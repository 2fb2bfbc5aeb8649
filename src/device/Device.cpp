#include "Device.h"

namespace {
constexpr int kTimerInterval = 1000;
} // namespace

Device::Device(QObject* parent)
    : QObject(parent), channel(socket, state, model, log),
      connection(socket, state, remembered, log),
      config(socket, channel, state, remembered, model, log, connection, restartTimer),
      firmware(socket, channel, state, model, log, config, restartTimer),
      linkTest(socket, channel, state, log) {
    restartTimer.setInterval(kTimerInterval);
    connect(&socket, &ClientSocket::connected, &connection, &Connection::ClientSocketConnect);
    connect(&socket, &ClientSocket::disconnected, &connection, &Connection::ClientSocketDisconnect);
    connect(&socket, &ClientSocket::errorOccurred, &connection, &Connection::ClientSocketError);
    connect(&socket, &ClientSocket::writable, &channel, &CommandChannel::ClientSocketWrite);
    connect(&socket, &ClientSocket::dataArrived, &channel, &CommandChannel::ClientSocketRead);
    connect(&restartTimer, &QTimer::timeout, &config, &ConfigProcedures::Timer1Timer);
}
