// File > "Find devices..." against simulators on loopback: exactly the devices
// of the range shown, nothing probed before "Search" nor outside the range,
// Stop at once, and a chosen device connected as the connect dialog does.
#include "FindDevicesDialog.h"
#include "SimulatorThread.h"
#include "TestSupport.h"
#include "ToolHarness.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QProgressBar>
#include <QTableWidget>
#include <QTcpServer>

#include <vector>

namespace {

using SimPtr = std::unique_ptr<sim::SimulatorThread>;

// Simulators on `addresses`, all on one port: the search probes one port.
std::vector<SimPtr> StartOnOnePort(const QStringList& addresses) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::vector<SimPtr> devices;
        devices.push_back(StartSimAt(addresses.first(), 0));
        if (!devices.back())
            return {};
        const quint16 port = devices.back()->port();
        for (qsizetype i = 1; i < addresses.size(); ++i) {
            devices.push_back(StartSimAt(addresses.at(i), port));
            if (!devices.back())
                break; // that port is taken there: another round
        }
        if (devices.back())
            return devices;
    }
    return {};
}

QStringList Row(const QTableWidget* table, int row) {
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells << table->item(row, column)->text();
    return cells;
}

} // namespace

class TestE2eFind : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void searchListsExactlyTheDevices();
    void namesAndKeyboard();
    void chosenDeviceIsConnected_data();
    void chosenDeviceIsConnected();
    void connectedDeviceIsListed();
    void stopEndsAtOnce_data();
    void stopEndsAtOnce();
    void badInputProbesNothing_data();
    void badInputProbesNothing();

private:
    FindDevicesDialog* openDialog();
    bool search(const QString& range, quint16 port);

    std::unique_ptr<ToolHarness> tool;
    FindDevicesDialog* dialog = nullptr;
};

void TestE2eFind::init() {
    tool = std::make_unique<ToolHarness>();
    dialog = tool->form->findChild<FindDevicesDialog*>();
    QVERIFY(dialog);
    // Never the machine's own networks, whatever the namespace holds.
    dialog->localAddresses = [] {
        return QList<QHostAddress>{
            QHostAddress(QStringLiteral("127.0.5.9")), QHostAddress(QStringLiteral("127.0.7.1")),
            QHostAddress(QStringLiteral("127.0.5.200")), QHostAddress(QStringLiteral("::1"))};
    };
}

void TestE2eFind::cleanup() {
    tool.reset();
}

FindDevicesDialog* TestE2eFind::openDialog() {
    tool->ui().get<QAction>("FindDevicesItem")->trigger();
    return dialog->isVisible() ? dialog : nullptr;
}

bool TestE2eFind::search(const QString& range, quint16 port) {
    dialog->ui().EditRange->setText(range);
    dialog->ui().EditSearchPort->setText(QString::number(port));
    dialog->ui().ButtonSearch->click();
    return QTest::qWaitFor([this] { return !dialog->Searching(); }, 20000);
}

void TestE2eFind::searchListsExactlyTheDevices() {
    std::vector<SimPtr> devices =
        StartOnOnePort({"127.0.0.231", "127.0.0.232", "127.0.0.233", "127.0.1.231", "127.0.0.236",
                        "127.0.0.237"}); // the fourth outside
    QVERIFY(!devices.empty());
    const quint16 port = devices.front()->port();
    devices.at(1)->setVersion(QStringLiteral("1.09Z"), QStringLiteral("09.09.25"));
    devices.at(2)->updateState([](sim::DeviceState& s) { s.config.macAddr = "02-00-00-00-00-03"; });
    // Answers in three pieces, and answers late but within a Read's limit.
    devices.at(4)->updateFaults([](sim::SimFaults& f) {
        f.answerPieces = 3;
        f.splitGapMs = 40;
    });
    devices.at(5)->updateFaults([](sim::SimFaults& f) { f.answerDelayMs = 480; });
    // Takes the connection and says nothing: listed, not counted as a device.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress(QStringLiteral("127.0.0.235")), port));
    // Something else that answers on that port: listed, marked, no stop.
    QTcpServer garbage;
    QVERIFY(garbage.listen(QHostAddress(QStringLiteral("127.0.0.234")), port));
    std::vector<std::unique_ptr<QTcpSocket>> garbageClients;
    connect(&garbage, &QTcpServer::newConnection, this, [&] {
        garbageClients.emplace_back(garbage.nextPendingConnection());
        QTcpSocket* client = garbageClients.back().get();
        connect(client, &QTcpSocket::readyRead, client, [client] {
            client->readAll();
            client->write("HELLO WORLD");
        });
    });

    QVERIFY(openDialog());
    // The workstation's /24s, once each, IPv4 only; nothing dialled yet.
    QCOMPARE(dialog->ui().EditRange->text(), QStringLiteral("127.0.5.0/24, 127.0.7.0/24"));
    QCOMPARE(dialog->ui().EditSearchPort->text(), QStringLiteral("1024"));
    DrainEvents();
    for (const SimPtr& device : devices)
        QCOMPARE(device->connectionCount(), 0);
    QVERIFY(!garbage.hasPendingConnections() && garbageClients.empty());

    QElapsedTimer clock;
    clock.start();
    QVERIFY(search(QStringLiteral("127.0.0.0/24"), port));
    const qint64 elapsed = clock.elapsed();
    qInfo("search of 127.0.0.0/24: %lld ms", elapsed);
    // Refused addresses cost nothing on loopback; the late device costs
    // three late answers.
    QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
    const QTableWidget* table = dialog->ui().TableDevices;
    QCOMPARE(table->rowCount(), 7);
    const QString p = QString::number(port);
    QCOMPARE(Row(table, 0),
             QStringList({"127.0.0.231", p, "1.00A", "01.02.08", "00-1A-2B-3C-4D-5E"}));
    QCOMPARE(Row(table, 1),
             QStringList({"127.0.0.232", p, "1.09Z", "09.09.25", "00-1A-2B-3C-4D-5E"}));
    QCOMPARE(Row(table, 2),
             QStringList({"127.0.0.233", p, "1.00A", "01.02.08", "02-00-00-00-00-03"}));
    QCOMPARE(Row(table, 3).at(0), QStringLiteral("127.0.0.234"));
    QCOMPARE(Row(table, 3).at(2), QStringLiteral("unexpected answer"));
    QCOMPARE(Row(table, 4).mid(0, 3), QStringList({"127.0.0.235", p, "no answer in time"}));
    for (int row : {5, 6})
        QCOMPARE(Row(table, row).mid(2), QStringList({"1.00A", "01.02.08", "00-1A-2B-3C-4D-5E"}));
    // One line of text a row.
    QCOMPARE(table->rowHeight(0), table->fontMetrics().height() + 4);
    QCOMPARE(devices.at(3)->connectionCount(), 0);
    const QProgressBar* progress = dialog->ui().ProgressBarSearch;
    QCOMPARE(progress->value(), 254);
    QCOMPARE(progress->maximum(), 254);
    QCOMPARE(dialog->ui().LabelSearchStatus->text(),
             QStringLiteral("5 device(s) found, 1 with no answer in time, 1 unexpected answer(s), "
                            "254 of 254 address(es) searched"));
    // A search changes nothing in the window.
    QCOMPARE(tool->status(StatusPanel::Connection), QStringLiteral("Not connected"));
    // Opened again, it offers what was searched last.
    dialog->reject();
    QVERIFY(openDialog());
    QCOMPARE(dialog->ui().EditRange->text(), QStringLiteral("127.0.0.0/24"));
    QCOMPARE(dialog->ui().EditSearchPort->text(), QString::number(port));
}

void TestE2eFind::namesAndKeyboard() {
    QVERIFY(openDialog());
    dialog->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(dialog->isActiveWindow(), 5000);
    // A screen reader names every control; a message reads as itself.
    for (QWidget* control : dialog->findChildren<QWidget*>()) {
        if (control->focusPolicy() == Qt::NoFocus && !qobject_cast<QProgressBar*>(control))
            continue;
        if (control->parentWidget() != dialog)
            continue; // the table's own scroll bars and viewport
        QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(control);
        QVERIFY2(shown && !shown->text(QAccessible::Name).isEmpty(),
                 qPrintable(control->objectName()));
    }
    dialog->ui().EditRange->setText(QStringLiteral("nowhere"));
    QCOMPARE(QApplication::focusWidget(), dialog->ui().EditRange);
    QTest::keyClick(dialog->ui().EditRange, Qt::Key_Return); // Enter searches
    const QString message = dialog->ui().LabelSearchStatus->text();
    QVERIFY(message.startsWith(QStringLiteral("bad range \"nowhere\"")));
    QCOMPARE(QAccessible::queryAccessibleInterface(dialog->ui().LabelSearchStatus)
                 ->text(QAccessible::Name),
             message);
    // Tab goes range, port, Search, past the idle Stop to the list, Close.
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, QStringList({"EditSearchPort", "ButtonSearch", "TableDevices", "ButtonClose",
                                 "EditRange"}));
}

void TestE2eFind::chosenDeviceIsConnected_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("double-click") << "double-click";
    QTest::newRow("Enter on the row") << "Enter";
    QTest::newRow("Connect button by Alt+C") << "Alt+C";
}

void TestE2eFind::chosenDeviceIsConnected() {
    QFETCH(QString, how);
    std::vector<SimPtr> devices = StartOnOnePort({"127.0.0.241", "127.0.0.242"});
    QVERIFY(!devices.empty());
    const quint16 port = devices.front()->port();
    QVERIFY(openDialog());
    QVERIFY(search(QStringLiteral("127.0.0.240-127.0.0.243"), port));
    QTableWidget* table = dialog->ui().TableDevices;
    QCOMPARE(table->rowCount(), 2);

    dialog->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(dialog->isActiveWindow(), 5000);
    if (how == QLatin1String("double-click")) {
        const QPoint at = table->visualItemRect(table->item(1, 2)).center();
        // A double-click's first press comes as a click of its own.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
    } else {
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Down); // from the first row, which is current
        if (how == QLatin1String("Enter"))
            QTest::keyClick(table, Qt::Key_Return);
        else
            QTest::keyClick(dialog, Qt::Key_C, Qt::AltModifier);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(tool->status(StatusPanel::Connection),
                              QStringLiteral("Connect to: 127.0.0.242"), 10000);
    QCOMPARE(tool->status(StatusPanel::Message), QString());
    QCOMPARE(tool->form->device().remembered.LastAddr, QStringLiteral("127.0.0.242"));
    QCOMPARE(tool->form->device().remembered.LastPort, QString::number(port));
    QCOMPARE(tool->form->device().connection.ListenChecked(), false);
}

void TestE2eFind::connectedDeviceIsListed() {
    // The simulator takes one client at a time, as the device does: the
    // window's own device cannot answer the search, yet is there.
    std::vector<SimPtr> devices = StartOnOnePort({"127.0.0.245", "127.0.0.246"});
    QVERIFY(!devices.empty());
    const quint16 port = devices.front()->port();
    QVERIFY(tool->connectTo(QStringLiteral("127.0.0.245"), port));
    tool->ui().get<QPushButton>("ButtonGetAll")->click();
    QVERIFY(openDialog());
    QVERIFY(search(QStringLiteral("127.0.0.244/30"), port));
    const QTableWidget* table = dialog->ui().TableDevices;
    QCOMPARE(table->rowCount(), 2);
    const QString p = QString::number(port);
    QCOMPARE(Row(table, 0),
             QStringList({"127.0.0.245", p, "1.00A", "01.02.08", "00-1A-2B-3C-4D-5E"}));
    QCOMPARE(table->item(0, 0)->toolTip(), QStringLiteral("Connected to this window"));
    QCOMPARE(Row(table, 1).at(0), QStringLiteral("127.0.0.246"));
    QCOMPARE(tool->status(StatusPanel::Connection), QStringLiteral("Connect to: 127.0.0.245"));
}

void TestE2eFind::stopEndsAtOnce_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Stop") << "Stop";
    QTest::newRow("Escape closes") << "Escape";
}

void TestE2eFind::stopEndsAtOnce() {
    QFETCH(QString, how);
    // An open port that never answers keeps its probe waiting for long.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress(QStringLiteral("127.0.0.251")), 0));
    dialog->scanOptions.answerTimeoutMs = 60000;
    QVERIFY(openDialog());
    dialog->ui().EditRange->setText(QStringLiteral("127.0.0.251/32"));
    dialog->ui().EditSearchPort->setText(QString::number(silent.serverPort()));
    dialog->ui().ButtonSearch->click();
    QVERIFY(dialog->Searching());
    QVERIFY(!dialog->ui().ButtonSearch->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), 5000);
    QTcpSocket* accepted = silent.nextPendingConnection();

    QElapsedTimer clock;
    clock.start();
    if (how == QLatin1String("Stop"))
        dialog->ui().ButtonStop->click();
    else
        QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(!dialog->Searching());
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(dialog->isVisible(), how == QLatin1String("Stop"));
    QVERIFY(dialog->ui().ButtonSearch->isEnabled());
    QVERIFY(!dialog->ui().ButtonStop->isEnabled());
    QCOMPARE(dialog->ui().LabelSearchStatus->text(),
             QStringLiteral("Search stopped: 0 device(s) found, 0 of 1 address(es) searched"));
    // The probe's connection is gone, not left behind.
    QTRY_COMPARE_WITH_TIMEOUT(accepted->state(), QAbstractSocket::UnconnectedState, 5000);
}

void TestE2eFind::badInputProbesNothing_data() {
    // The ranges themselves are the parser's table; here, that the dialog
    // says why and dials nothing.
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("message");
    auto row = [](const char* name, const char* range, const char* port, const char* message) {
        QTest::newRow(name) << range << port << message;
    };
    row("not a range", "devices", "@PORT", "bad range \"devices\"");
    row("two ranges past 65,536", "127.0.0.0/16, 127.1.0.0/29", "@PORT", "too large");
    row("port 0", "127.0.0.0/24", "0", "Error in Port: 0 is not in 1..65535");
    row("port in hex", "127.0.0.0/24", "$400", "Error in Port: $400");
}

void TestE2eFind::badInputProbesNothing() {
    QFETCH(QString, range);
    QFETCH(QString, port);
    QFETCH(QString, message);
    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    QVERIFY(openDialog());
    dialog->ui().EditRange->setText(range);
    dialog->ui().EditSearchPort->setText(
        QString(port).replace(QStringLiteral("@PORT"), QString::number(listener.serverPort())));
    dialog->ui().ButtonSearch->click();
    QVERIFY(!dialog->Searching());
    QVERIFY2(dialog->ui().LabelSearchStatus->text().contains(message),
             qPrintable(dialog->ui().LabelSearchStatus->text()));
    DrainEvents();
    QVERIFY(!listener.hasPendingConnections());
    QCOMPARE(dialog->ui().TableDevices->rowCount(), 0);
}

QTEST_MAIN(TestE2eFind)
#include "tst_e2e_find.moc"
