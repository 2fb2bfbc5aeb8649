#pragma once

#include <QString>

// What the subsystems need of the main window besides its controls: the status
// bar, the lamp, the cursor, the current mode and the start of a connection
// attempt. The main window implements it; tests may give a small fake.
class Shell {
public:
    virtual ~Shell() = default;

    // Status bar panels 1 (connection), 2 (latest message), 3 (progress mark).
    virtual void SetStatusText(int panel, const QString& text) = 0;
    virtual QString StatusText(int panel) const = 0;
    // 20 shows the connection lamp, 0 hides it; panel 1 gets 170 - width.
    virtual void SetLampWidth(int width) = 0;
    virtual void RepaintStatusBar() = 0;

    // The hourglass for the whole application while a restart runs.
    virtual void SetBusyCursor(bool busy) = 0;

    virtual bool IsUpgradeMode() const = 0;
    virtual bool IsTestPanelVisible() const = 0;

    // Opens the socket towards its current address and port and unchecks the
    // hidden "Listen" item, as every start of a connection attempt does.
    virtual void StartConnectAttempt() = 0;
};
