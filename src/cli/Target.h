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
};

// "HOST[:PORT]"; the port defaults to the device's. Nothing, with `error`
// set, for an empty host, a host with characters no host name has, or a port
// outside 1..65535.
std::optional<Target> ParseTarget(const QString& text, QString& error);
