#include "ArpEntry.h"

#include <QProcess>
#include <QStringList>

namespace {
// A hung command must not freeze the tool for good.
constexpr int kArpTimeoutMs = 5000;
} // namespace

void RunArpCommand(const QString& address) {
    QProcess arp;
    arp.setProcessChannelMode(QProcess::MergedChannels);
    arp.start(QStringLiteral("arp"), {QStringLiteral("-d"), address});
    if (!arp.waitForStarted(kArpTimeoutMs))
        return; // no arp on this workstation: nothing to forget
    if (!arp.waitForFinished(kArpTimeoutMs)) {
        arp.kill();
        arp.waitForFinished(kArpTimeoutMs);
    }
}
