#pragma once

#include <QList>
#include <QString>

#include <optional>

#include "ScanRange.h"
#include "ValueChecks.h"

// One device to work on: a host name or dotted address and a TCP port.
struct Target {
    QString host;
    int port = 0;
    QString Text() const { return host + QLatin1Char(':') + QString::number(port); }
    bool operator==(const Target& other) const { return port == other.port && host == other.host; }
    // The device it stands for: names in any case, and "localhost" is the
    // loopback address, so that one device is not given twice in two
    // spellings.
    QString Key() const;
};

// "HOST[:PORT]"; the port defaults to the device's. Nothing, with `error`
// set, for an empty host, a host with characters no host name has, or a port
// outside 1..65535.
std::optional<Target> ParseTarget(const QString& text, QString& error);

// The most bytes a --hosts-file may hold.
constexpr qsizetype kMaxHostsFileBytes = 4 * 1024 * 1024;

// The hosts of a --hosts-file ("-": standard input): one HOST[:PORT] or
// address range (A.B.C.D/N, A.B.C.D-E.F.G.H) a line, blank lines and "#"
// comments skipped. Nothing, with `error` naming the line, when a line is
// neither or the file cannot be read.
std::optional<QStringList> ReadHostsFile(const QString& name, QString& error);
