#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

// A plain blocking client for the simulator's tests: sends bytes and waits for
// what comes back, the way the tool's commands wait for their answers.
class SimClient {
public:
    bool connectTo(const QHostAddress& address, quint16 port, int timeoutMs = 3000) {
        socket.connectToHost(address, port);
        return socket.waitForConnected(timeoutMs);
    }
    void send(const QByteArray& bytes) {
        socket.write(bytes);
        socket.flush();
    }
    // What arrives in the next `timeoutMs` after at least `minBytes` came, or all
    // that came until the time ran out.
    QByteArray readAtLeast(qsizetype minBytes, int timeoutMs = 3000) {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        while (got.size() < minBytes && timer.elapsed() < timeoutMs) {
            if (socket.bytesAvailable() == 0 &&
                !socket.waitForReadyRead(int(timeoutMs - timer.elapsed())))
                break;
            got += socket.readAll();
        }
        return got;
    }
    QByteArray ask(const QByteArray& command, qsizetype minBytes = 1) {
        send(command);
        return readAtLeast(minBytes);
    }
    // True when nothing arrives within `ms`.
    bool silentFor(int ms) {
        if (socket.bytesAvailable() > 0)
            return false;
        return !socket.waitForReadyRead(ms);
    }
    // True when the server closes the connection within `timeoutMs`.
    bool waitClosed(int timeoutMs = 3000) {
        if (socket.state() == QAbstractSocket::UnconnectedState)
            return true;
        QElapsedTimer timer;
        timer.start();
        while (socket.state() != QAbstractSocket::UnconnectedState && timer.elapsed() < timeoutMs) {
            socket.waitForReadyRead(50);
            socket.readAll();
        }
        return socket.state() == QAbstractSocket::UnconnectedState;
    }
    QTcpSocket socket;
};
