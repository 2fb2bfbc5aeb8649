#pragma once

// A simulator process that streams NO; to its client, as a device gone wild
// on the network would, and the resident memory of this process beside it.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

// This process's resident memory in kilobytes, as the system counts it.
inline qint64 ResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Starts `simPath` on 127.0.0.1 and an ephemeral port, flooding each client
// for `floodMs`; its port once it listens, 0 when it did not start. What it
// logs afterwards is read and dropped, so that no pipe fills.
inline quint16 StartFloodingSim(QProcess& sim, const QString& simPath, int floodMs) {
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.start(simPath, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                        QStringLiteral("--flood-for"), QString::number(floodMs),
                        QStringLiteral("--idle-timeout"), QStringLiteral("0")});
    const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 && sim.waitForReadyRead(1000)) {
        out += sim.readAll();
        const QRegularExpressionMatch m = listening.match(QString::fromLatin1(out));
        if (m.hasMatch()) {
            QObject::connect(&sim, &QProcess::readyRead, &sim, [&sim] { sim.readAll(); });
            return quint16(m.captured(1).toUInt());
        }
    }
    return 0;
}
