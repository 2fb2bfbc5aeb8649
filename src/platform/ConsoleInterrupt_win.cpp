#include "ConsoleInterrupt.h"

#include <QMetaObject>

#include <atomic>
#include <csignal>

#include <windows.h>

namespace {

std::atomic<ConsoleInterrupt*> current{nullptr};

BOOL WINAPI Handler(DWORD type) {
    ConsoleInterrupt* interrupt = current.load();
    if (!interrupt || (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT))
        return FALSE;
    // The system calls this on a thread of its own: the instance hears of it
    // on its thread.
    QMetaObject::invokeMethod(
        interrupt, [interrupt] { emit interrupt->raised(SIGINT); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

ConsoleInterrupt::ConsoleInterrupt(QObject* parent) : QObject(parent) {
    current.store(this);
    held_ = SetConsoleCtrlHandler(Handler, TRUE) != 0;
}

ConsoleInterrupt::~ConsoleInterrupt() {
    Release();
    current.store(nullptr);
}

void ConsoleInterrupt::Release() {
    if (!held_)
        return;
    held_ = false;
    SetConsoleCtrlHandler(Handler, FALSE);
}
