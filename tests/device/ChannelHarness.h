#pragma once

#include "ClientSocket.h"
#include "CommandChannel.h"
#include "DeviceLog.h"
#include "DeviceModel.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <functional>
#include <memory>

// What the core said, in order: the message log (log lines and answer texts,
// as a window shows them outside the test panel), the test logs and blocks.
struct LogRecorder {
    explicit LogRecorder(DeviceLog& source) {
        QObject::connect(&source, &DeviceLog::logLine, &source,
                         [this](const QString& t) { log << t; });
        QObject::connect(&source, &DeviceLog::answerText, &source,
                         [this](const QString& t) { log << t; });
        QObject::connect(&source, &DeviceLog::sentLine, &source,
                         [this](const QString& t) { sent << t; });
        QObject::connect(&source, &DeviceLog::testLine, &source,
                         [this](const QString& t) { test << t; });
    }
    QStringList log;
    QStringList sent;
    QStringList test;
};

// The channel on its own, wired to its socket as the device wires it, and
// connected to a scripted peer on loopback that answers each arrival through
// `reply`.
class ChannelHarness : public QObject {
public:
    ChannelHarness() {
        connect(&socket, &ClientSocket::writable, channel.get(),
                &CommandChannel::ClientSocketWrite);
        connect(&socket, &ClientSocket::dataArrived, channel.get(),
                &CommandChannel::ClientSocketRead);
        connect(&socket, &ClientSocket::disconnected, channel.get(),
                &CommandChannel::ClientSocketDisconnect);
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
        return QTest::qWaitFor([this] { return channel->Writable() && peer; }, 5000);
    }

    void send(const QByteArray& bytes) {
        peer->write(bytes);
        peer->flush();
    }

    QString value(DeviceField field) const { return model.Value(field); }
    QStringList logLines() const { return recorder.log; }

    ClientSocket socket;
    DeviceModel model;
    DeviceLog log;
    LogRecorder recorder{log};
    std::unique_ptr<CommandChannel> channel = std::make_unique<CommandChannel>(socket, model, log);
    QTcpServer server;
    std::unique_ptr<QTcpSocket> peer;
    QByteArray received;
    std::function<void(const QByteArray&)> reply;
};
