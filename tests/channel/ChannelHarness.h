#pragma once

#include "ChannelState.h"
#include "ClientSocket.h"
#include "CommandChannel.h"
#include "Shell.h"
#include "ui_TChatForm.h"

#include <QMainWindow>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <functional>
#include <memory>

// Shell of a bare window: status texts kept in memory.
class FakeShell : public Shell {
public:
    void SetStatusText(int panel, const QString& text) override { status[panel] = text; }
    QString StatusText(int panel) const override { return status[panel]; }
    void SetLampWidth(int width) override { lampWidth = width; }
    void RepaintStatusBar() override {}
    void SetBusyCursor(bool b) override { busy = b; }
    bool IsUpgradeMode() const override { return upgradeMode; }
    bool IsTestPanelVisible() const override { return testPanelVisible; }
    void StartConnectAttempt() override { ++connectAttempts; }

    QString status[4];
    int lampWidth = 0;
    bool busy = false;
    bool upgradeMode = false;
    bool testPanelVisible = false;
    int connectAttempts = 0;
};

// The channel on the generated main-window controls, connected to a scripted
// peer on loopback that answers each arrival through `reply`.
class ChannelHarness : public QObject {
public:
    ChannelHarness() {
        ui.setupUi(&window);
        channel = std::make_unique<CommandChannel>(socket, state, ui, shell);
        QObject::connect(&socket, &ClientSocket::writable, this,
                         [this] { channel->ClientSocketWrite(); });
        QObject::connect(&socket, &ClientSocket::dataArrived, this,
                         [this] { channel->ClientSocketRead(); });
        QObject::connect(&socket, &ClientSocket::disconnected, this,
                         [this] { state.SocketWritable = false; });
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

    QStringList logLines() const {
        return ui.Memo2->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QMainWindow window;
    Ui::TChatForm ui;
    FakeShell shell;
    ClientSocket socket;
    ChannelState state;
    std::unique_ptr<CommandChannel> channel;
    QTcpServer server;
    std::unique_ptr<QTcpSocket> peer;
    QByteArray received;
    std::function<void(const QByteArray&)> reply;
};
