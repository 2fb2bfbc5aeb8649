#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The IPv4 addresses of "A.B.C.D/N" as dotted texts, N from 16 to 32. The
// network and broadcast addresses of a range of four or more are left out,
// as no device can have them.
std::optional<QStringList> ParseCidr(const QString& text, QString& error);
