#include "Device.h"

Device::Device(QObject* parent)
    : QObject(parent), channel_(socket_, model, log), connection(socket_, remembered, log),
      follower(socket_, connection, log), config(socket_, channel_, model, log, follower),
      firmware(socket_, channel_, log, config), linkTest(socket_, channel_, log) {
    connect(&socket_, &ClientSocket::connected, &connection, &Connection::ClientSocketConnect);
    // What was read belongs to the device of the previous connection: shown
    // under the new "Connect to:" it would pass for this one's.
    connect(&socket_, &ClientSocket::connected, this, [this] {
        if (!model.HasValues())
            return;
        model.ClearValues();
        log.AddLogLine(QStringLiteral("Read Config cleared: the values were the previous "
                                      "connection's; press Read for this device's"));
    });
    connect(&socket_, &ClientSocket::disconnected, &channel_,
            &CommandChannel::ClientSocketDisconnect);
    connect(&socket_, &ClientSocket::disconnected, &connection,
            &Connection::ClientSocketDisconnect);
    connect(&socket_, &ClientSocket::errorOccurred, &connection, &Connection::ClientSocketError);
    connect(&socket_, &ClientSocket::writable, &channel_, &CommandChannel::ClientSocketWrite);
    connect(&socket_, &ClientSocket::dataArrived, &channel_, &CommandChannel::ClientSocketRead);
}

void Device::SetTarget(const QString& address, int port) {
    socket_.SetAddress(address);
    socket_.SetPort(port);
}
