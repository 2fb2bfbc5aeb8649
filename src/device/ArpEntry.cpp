#include "ArpEntry.h"

#include "Fiber.h"
#include "Wait.h"

#include <QProcess>

void RunArpCommand(const QString& address) {
    RunAndWait(QStringLiteral("arp"), {QStringLiteral("-d"), address}, kArpTimeoutMs);
}

void RunAndWait(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (rk::Fiber::Current()) {
        // One of many devices served at once: the others go on meanwhile.
        process.start(program, arguments);
        const auto ended = [&process] { return process.state() == QProcess::NotRunning; };
        if (!WaitUntil(ended, uint32_t(timeoutMs))) {
            process.kill();
            WaitUntil(ended, uint32_t(timeoutMs));
        }
        return;
    }
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs))
        return; // not on this workstation: nothing to forget
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(timeoutMs);
    }
}
