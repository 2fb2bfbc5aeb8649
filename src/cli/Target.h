#pragma once

#include <QList>
#include <QString>

#include <optional>

// Strict decimal from `low` to `high`, unlike the device's number reading: a
// script's "1024x", "+5" or " 5" is a typing error, not a number.
std::optional<int> StrictNumber(const QString& text, int low, int high);

// Four decimal parts of 0..255 with dots, without signs, blanks or leading
// zeros: a script's address means what the window's fields would take.
bool IsDottedDecimal(const QString& text);

// One device to work on: a host name or dotted address and a TCP port.
struct Target {
    QString host;
    int port = 0;
    QString Text() const { return host + QLatin1Char(':') + QString::number(port); }
};

// "HOST[:PORT]"; the port defaults to the device's. Nothing, with `error`
// set, for an empty host, a host with characters no host name has, or a port
// outside 1..65535.
std::optional<Target> ParseTarget(const QString& text, QString& error);

// The IPv4 addresses of "A.B.C.D/N" as dotted texts, N from 16 to 32. The
// network and broadcast addresses of a range of four or more are left out,
// as no device can have them.
std::optional<QStringList> ParseCidr(const QString& text, QString& error);
