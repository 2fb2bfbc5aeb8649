#pragma once

#include <QObject>
#include <QSocketNotifier>

class QWidget;

// Logout (SIGHUP), `kill` (SIGTERM) and Ctrl+C in a terminal (SIGINT) close
// the main window the normal way, so the settings are saved as on "Exit".
// The handler only writes a byte to a pipe; the window is closed from the
// event loop, where that is safe.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one instance per process.
    explicit QuitSignals(QWidget* window);
    ~QuitSignals() override;

private:
    void onSignal();

    QWidget* window_;
    QSocketNotifier* notifier_ = nullptr;
};
