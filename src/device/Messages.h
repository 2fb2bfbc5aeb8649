#pragma once

#include <QString>

// Texts the user sees from more than one procedure.
namespace msg {
inline const QString ServerNotConnected = QStringLiteral("Server is not connected");
inline const QString ServerNotAnswer = QStringLiteral("Server not answer");
inline const QString ErrorServerAnswer = QStringLiteral("Error server answer");
// Status panel 1 without a connection.
inline const QString NotConnected = QStringLiteral("Not connected");
inline const QString ConnectTo = QStringLiteral("Connect to: ");
} // namespace msg
