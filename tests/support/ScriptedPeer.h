#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>

// A device stand-in on loopback for tests that need the channel's real path
// but no simulator: it records what arrives and answers through `reply`.
class ScriptedPeer : public QObject {
public:
    ScriptedPeer() {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            socket.reset(server_.nextPendingConnection());
            socket->setParent(nullptr);
            connect(socket.get(), &QTcpSocket::readyRead, this, [this] {
                const QByteArray got = socket->readAll();
                received += got;
                if (reply)
                    reply(got);
            });
        });
    }

    // Listens on 127.0.0.1 and an ephemeral port; 0 when that failed.
    quint16 listen() {
        return server_.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0) ? server_.serverPort()
                                                                            : 0;
    }

    void send(const QByteArray& bytes) {
        if (!socket)
            return;
        socket->write(bytes);
        socket->flush();
    }

private:
    // First, so that it outlives the connection it made.
    QTcpServer server_;

public:
    std::unique_ptr<QTcpSocket> socket;
    QByteArray received;
    std::function<void(const QByteArray&)> reply;
};
