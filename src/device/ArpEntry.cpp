#include "ArpEntry.h"

#include "QuietProcess.h"

#include <QProcess>

void RunArpCommand(const QString& address) {
    RunAndWait(QStringLiteral("arp"), {QStringLiteral("-d"), address}, kArpTimeoutMs);
}

void RunAndWait(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    MakeQuiet(process);
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs))
        return; // not on this workstation: nothing to forget
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(timeoutMs);
    }
}
