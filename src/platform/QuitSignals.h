#pragma once

#include <QObject>

class QWidget;

// The system's requests to quit close the main window the normal way, so the
// settings are saved as on "Exit". Linux: logout (SIGHUP), `kill` (SIGTERM)
// and Ctrl+C in a terminal (SIGINT); their handler only writes a byte to a
// pipe. Windows: Ctrl+C, Ctrl+Break and closing the console the program was
// started from. Either way the window is closed from the event loop, where
// that is safe.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one instance per process.
    explicit QuitSignals(QWidget* window);
    ~QuitSignals() override;

private slots:
    void onSignal();

private:
    QWidget* window_;
};
