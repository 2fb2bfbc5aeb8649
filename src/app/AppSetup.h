#pragma once

#include <QString>

// The application's title for message boxes. It is not Qt's display name,
// which a window manager would append to every window's own caption.
inline const QString kApplicationTitle = QStringLiteral("Configuration of RK5720ETH");

// Name, version, desktop entry and icon of the running application.
void SetUpApplication();
