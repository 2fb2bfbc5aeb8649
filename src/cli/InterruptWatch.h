#pragma once

#include <QObject>

class ConsoleInterrupt;

// SIGINT and SIGTERM (Ctrl+C and Ctrl+Break on Windows) while a run is under
// way: instead of dying with the document half-written, the run is told on
// the main thread and ends itself. One watch at a time; the next such signal
// after the first one (or any outside a watch) has its default effect, so a
// second Ctrl+C still kills.
class InterruptWatch : public QObject {
    Q_OBJECT
public:
    InterruptWatch();
    ~InterruptWatch() override;

    bool Interrupted() const { return signal_ != 0; }
    // 128 + the signal's number, as a shell reports a process it killed.
    int ExitCode() const { return 128 + signal_; }

    // The watch of the run under way, or null.
    static InterruptWatch* Current();

    // Records the first signal, on the watch's thread, and tells the run.
    void Take(int signal);

signals:
    void interrupted();

private:
    int signal_ = 0;
    ConsoleInterrupt* source_;
};
