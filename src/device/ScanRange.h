#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The most addresses one scan probes: a /16.
inline constexpr int kMaxScanAddresses = 65536;

// The IPv4 addresses of "A.B.C.D/N" (N from 16 to 32) or of the dotted range
// "A.B.C.D-E.F.G.H" (both ends included, at most 65,536 addresses) as dotted
// texts. The network and broadcast addresses of a /N range of four or more
// are left out, as no device can have them; a dotted range is taken as given.
std::optional<QStringList> ParseCidr(const QString& text, QString& error);

// Several such ranges separated by commas, as the window's search field
// holds them: every address once, in the order given, at most 65,536 in all.
std::optional<QStringList> ParseScanRanges(const QString& text, QString& error);

// The /24 of each IPv4 address given, once each, as "A.B.C.0/24" texts joined
// by ", ": the search's default, made from the workstation's own addresses.
QString SubnetRanges(const QList<QHostAddress>& addresses);
