#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Makes the workstation forget the hardware address it cached for a device
// whose MAC address was just changed.
using ArpCommandRunner = std::function<void(const QString& address)>;

// The command as a user would type it: "arp -d " + address.
inline QString ArpCommandLine(const QString& address) {
    return QStringLiteral("arp -d ") + address;
}

// A hung command must not freeze the tool for good.
constexpr int kArpTimeoutMs = 5000;

// Runs "arp -d <address>" and waits for it, ignoring its exit status. The
// address goes to the program as an argument, never through a shell, so a
// hand-typed address cannot run anything else.
void RunArpCommand(const QString& address);

// Runs a program and waits for its end, at most `timeoutMs`, then kills it.
void RunAndWait(const QString& program, const QStringList& arguments, int timeoutMs);
