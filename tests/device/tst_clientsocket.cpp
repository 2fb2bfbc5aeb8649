#include "ClientSocket.h"
#include "TestSupport.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

// Event record of one ClientSocket, in delivery order.
class EventLog : public QObject {
public:
    explicit EventLog(ClientSocket& socket) {
        connect(&socket, &ClientSocket::connected, this, [this] { events << "connect"; });
        connect(&socket, &ClientSocket::writable, this, [this] { events << "write"; });
        connect(&socket, &ClientSocket::disconnected, this, [this] { events << "disconnect"; });
        connect(&socket, &ClientSocket::errorOccurred, this, [this](int& code) {
            events << QStringLiteral("error %1").arg(code);
            code = 0;
        });
    }
    QStringList events;
};

class TestClientSocket : public QObject {
    Q_OBJECT
private slots:
    void init();
    void connectThenWritable();
    void refusedGivesPlatformCode();
    void closeDoesNotCancelPendingAttempt();
    void closeRunsDisconnectOnce();
    void serverCloseIsNoError();
    void unreadDataDeliveredBeforeDisconnect();
    void readRedeliveredWhileHandlerTakesData();
    void readNotRedeliveredWhenHandlerIgnoresData();
    void nestedArrivalDeliveredInsideHandler();
    void errorCodeMapping_data();
    void errorCodeMapping();

private:
    QTcpSocket* acceptPeer();
    void aimAtServer(ClientSocket& socket);
    // Opens `socket` to the server, waits for the connect event, and gives the
    // server's side of the connection.
    std::unique_ptr<QTcpSocket> openConnected(ClientSocket& socket);
    std::unique_ptr<QTcpServer> server;
};

void TestClientSocket::init() {
    server = std::make_unique<QTcpServer>();
    QVERIFY(server->listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
}

QTcpSocket* TestClientSocket::acceptPeer() {
    if (!server->hasPendingConnections())
        server->waitForNewConnection(5000);
    return server->nextPendingConnection();
}

void TestClientSocket::aimAtServer(ClientSocket& socket) {
    socket.SetAddress(QStringLiteral("127.0.0.1"));
    socket.SetPort(server->serverPort());
}

std::unique_ptr<QTcpSocket> TestClientSocket::openConnected(ClientSocket& socket) {
    aimAtServer(socket);
    socket.Open();
    if (!QTest::qWaitFor([&socket] { return socket.Active(); }, 5000))
        return nullptr;
    return std::unique_ptr<QTcpSocket>(acceptPeer());
}

void TestClientSocket::connectThenWritable() {
    ClientSocket socket;
    EventLog log(socket);
    aimAtServer(socket);
    socket.Open();
    QVERIFY(!socket.Active());
    QTRY_VERIFY_WITH_TIMEOUT(socket.Active(), 5000);
    QCOMPARE(log.events, QStringList({"connect", "write"}));
    QVERIFY(socket.Connected());
    QCOMPARE(socket.RemoteAddress(), QStringLiteral("127.0.0.1"));
}

void TestClientSocket::refusedGivesPlatformCode() {
    const quint16 port = server->serverPort();
    server->close();
    ClientSocket socket;
    EventLog log(socket);
    socket.SetAddress(QStringLiteral("127.0.0.1"));
    socket.SetPort(port);
    socket.Open();
    QTRY_COMPARE_WITH_TIMEOUT(log.events, QStringList({"error 10061"}), 5000);
    QVERIFY(!socket.Active());
    QVERIFY(!socket.Connected());
}

void TestClientSocket::closeDoesNotCancelPendingAttempt() {
    ClientSocket socket;
    EventLog log(socket);
    aimAtServer(socket);
    socket.Open();
    socket.Close(); // the active flag is still clear: nothing happens
    QTRY_VERIFY_WITH_TIMEOUT(socket.Active(), 5000);
    QCOMPARE(log.events, QStringList({"connect", "write"}));
}

void TestClientSocket::closeRunsDisconnectOnce() {
    ClientSocket socket;
    EventLog log(socket);
    std::unique_ptr<QTcpSocket> peer = openConnected(socket);
    QVERIFY(peer);
    socket.SendText("Close = 1");
    socket.Close();
    QCOMPARE(log.events.last(), QStringLiteral("disconnect")); // synchronous
    QVERIFY(!socket.Active());
    // The bytes written just before the close still reach the peer.
    QByteArray received;
    QTRY_COMPARE_WITH_TIMEOUT(received += peer->readAll(), QByteArray("Close = 1"), 5000);
    DrainEvents(); // any late notification of Qt's
    QCOMPARE(log.events.count(QStringLiteral("disconnect")), 1);
}

void TestClientSocket::serverCloseIsNoError() {
    ClientSocket socket;
    EventLog log(socket);
    std::unique_ptr<QTcpSocket> peer = openConnected(socket);
    QVERIFY(peer);
    peer->close();
    QTRY_VERIFY_WITH_TIMEOUT(!socket.Active(), 5000);
    QCOMPARE(log.events, QStringList({"connect", "write", "disconnect"}));
}

// A device answers and closes at once: what it sent must reach the handler
// before the disconnect, after which the channel reads nothing more. Here the
// handler put the data off once, so only the close can bring it again.
void TestClientSocket::unreadDataDeliveredBeforeDisconnect() {
    ClientSocket socket;
    EventLog log(socket);
    bool putOff = true;
    connect(&socket, &ClientSocket::dataArrived, this, [&] {
        if (putOff) {
            putOff = false;
            log.events << QStringLiteral("put off");
            return;
        }
        log.events << QString::fromLatin1(socket.ReceiveText());
    });
    std::unique_ptr<QTcpSocket> peer = openConnected(socket);
    QVERIFY(peer);
    peer->write("UPGRADE = OK;");
    peer->flush();
    QTRY_COMPARE_WITH_TIMEOUT(log.events.size(), 3, 5000);
    peer->close();
    QTRY_VERIFY_WITH_TIMEOUT(!socket.Active(), 5000);
    DrainEvents();
    QCOMPARE(log.events,
             QStringList({"connect", "write", "put off", "UPGRADE = OK;", "disconnect"}));
}

void TestClientSocket::readRedeliveredWhileHandlerTakesData() {
    ClientSocket socket;
    QByteArray got;
    int events = 0;
    connect(&socket, &ClientSocket::dataArrived, this, [&] {
        ++events;
        char buf[3];
        got.append(buf, socket.ReceiveBuf(buf, 3));
    });
    std::unique_ptr<QTcpSocket> peer = openConnected(socket);
    QVERIFY(peer);
    peer->write("0123456789");
    peer->flush();
    QTRY_COMPARE_WITH_TIMEOUT(got, QByteArray("0123456789"), 5000);
    QCOMPARE(events, 4);
}

void TestClientSocket::readNotRedeliveredWhenHandlerIgnoresData() {
    ClientSocket socket;
    int events = 0;
    connect(&socket, &ClientSocket::dataArrived, this, [&] { ++events; });
    std::unique_ptr<QTcpSocket> peer = openConnected(socket);
    QVERIFY(peer);
    peer->write("abc");
    peer->flush();
    QTRY_COMPARE_WITH_TIMEOUT(events, 1, 5000);
    DrainEvents();
    QCOMPARE(events, 1);
    QCOMPARE(socket.ReceiveLength(), 3);
    // New data brings a new event, and the handler may then take it all.
    peer->write("d");
    peer->flush();
    QTRY_COMPARE_WITH_TIMEOUT(events, 2, 5000);
    QCOMPARE(socket.ReceiveText(), QByteArray("abcd"));
}

void TestClientSocket::nestedArrivalDeliveredInsideHandler() {
    // A handler that pumps messages (as answer processing does) must see the
    // next arrival nested inside it, as the platform's posted messages allow.
    ClientSocket socket;
    std::unique_ptr<QTcpSocket> peer;
    QStringList order;
    int depth = 0;
    connect(&socket, &ClientSocket::dataArrived, this, [&] {
        ++depth;
        const QByteArray text = socket.ReceiveText();
        order << QStringLiteral("%1:%2").arg(depth).arg(QString::fromLatin1(text));
        if (text == "first") {
            peer->write("second");
            peer->flush();
            QTRY_VERIFY_WITH_TIMEOUT(order.size() == 2, 5000);
        }
        --depth;
    });
    aimAtServer(socket);
    socket.Open();
    QTRY_VERIFY_WITH_TIMEOUT(socket.Active(), 5000);
    peer.reset(acceptPeer());
    peer->write("first");
    peer->flush();
    QTRY_COMPARE_WITH_TIMEOUT(order, QStringList({"1:first", "2:second"}), 5000);
}

void TestClientSocket::errorCodeMapping_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("normal close") << int(QAbstractSocket::RemoteHostClosedError) << "" << 0;
    QTest::newRow("refused") << int(QAbstractSocket::ConnectionRefusedError) << "" << 10061;
    QTest::newRow("timed out") << int(QAbstractSocket::SocketTimeoutError) << "" << 10060;
    QTest::newRow("not found") << int(QAbstractSocket::HostNotFoundError) << "" << 11001;
    QTest::newRow("network") << int(QAbstractSocket::NetworkError) << "Network unreachable"
                             << 10051;
    QTest::newRow("host") << int(QAbstractSocket::NetworkError) << "Host unreachable" << 10065;
    QTest::newRow("other") << int(QAbstractSocket::UnknownSocketError) << "" << 10054;
}

void TestClientSocket::errorCodeMapping() {
    QFETCH(int, error);
    QFETCH(QString, text);
    QFETCH(int, code);
    QCOMPARE(ClientSocket::PlatformErrorCode(QAbstractSocket::SocketError(error), text), code);
}

QTEST_MAIN(TestClientSocket)
#include "tst_clientsocket.moc"
