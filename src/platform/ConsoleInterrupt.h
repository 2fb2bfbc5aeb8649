#pragma once

#include <QObject>

// Ctrl+C and `kill` (SIGINT, SIGTERM) on Linux; Ctrl+C and Ctrl+Break on a
// Windows console. While an instance lives, such an interrupt does not end
// the process: `raised` is emitted on the instance's thread instead. After
// Release(), or once the instance is gone, the next one has its default
// effect, so a second Ctrl+C still kills. One instance at a time.
class ConsoleInterrupt : public QObject {
    Q_OBJECT
public:
    explicit ConsoleInterrupt(QObject* parent = nullptr);
    ~ConsoleInterrupt() override;

    void Release();

signals:
    // The signal's number as a shell knows it (SIGINT for the console's keys).
    void raised(int signal);

private:
    bool held_ = false;
};
