#pragma once

#include "Device.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <functional>
#include <memory>

// What the core said, in order: the message log (log lines and answer texts,
// as a window shows them outside the test panel), the test logs and blocks.
struct LogRecorder {
    explicit LogRecorder(Device& device) {
        QObject::connect(&device.log, &DeviceLog::logLine, &device,
                         [this](const QString& t) { log << t; });
        QObject::connect(&device.log, &DeviceLog::answerText, &device,
                         [this](const QString& t) { log << t; });
        QObject::connect(&device.log, &DeviceLog::sentLine, &device,
                         [this](const QString& t) { sent << t; });
        QObject::connect(&device.log, &DeviceLog::testLine, &device,
                         [this](const QString& t) { test << t; });
    }
    QStringList log;
    QStringList sent;
    QStringList test;
};

// The core on its own, connected to a scripted peer on loopback that answers
// each arrival through `reply`.
class ChannelHarness : public QObject {
public:
    ChannelHarness() : socket(device.socket), state(device.state), channel(&device.channel) {
        QObject::connect(&server, &QTcpServer::newConnection, this, [this] {
            peer.reset(server.nextPendingConnection());
            QObject::connect(peer.get(), &QTcpSocket::readyRead, this, [this] {
                const QByteArray got = peer->readAll();
                received += got;
                if (reply)
                    reply(got);
            });
        });
    }

    bool connectToPeer() {
        if (!server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0))
            return false;
        socket.SetAddress(QStringLiteral("127.0.0.1"));
        socket.SetPort(server.serverPort());
        socket.Open();
        return QTest::qWaitFor([this] { return state.SocketWritable && peer; }, 5000);
    }

    void send(const QByteArray& bytes) {
        peer->write(bytes);
        peer->flush();
    }

    QString value(DeviceField field) const { return device.model.Value(field); }
    QStringList logLines() const { return recorder.log; }

    Device device;
    LogRecorder recorder{device};
    ClientSocket& socket;
    ChannelState& state;
    CommandChannel* channel;
    QTcpServer server;
    std::unique_ptr<QTcpSocket> peer;
    QByteArray received;
    std::function<void(const QByteArray&)> reply;
};
