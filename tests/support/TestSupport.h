#pragma once

// Helpers every kind of test needs, kept once.

#include <QCoreApplication>
#include <QHostAddress>
#include <QString>
#include <QTcpServer>

// A port nothing listens on at `address` (127.0.0.1 unless told): bound once
// and released, for a refused connection or a device's new place.
inline quint16 ClosedPort(const QString& address = QStringLiteral("127.0.0.1")) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress(address), 0))
        return 0;
    return probe.serverPort();
}

// Runs every event that is pending now, and those they post in turn, so that
// a test can check that nothing more happens without waiting for a time.
inline void DrainEvents() {
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}
