#include "QuitSignals.h"

#include <QMetaObject>
#include <QWidget>

#include <atomic>

#include <windows.h>

namespace {

std::atomic<QuitSignals*> current{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD type) {
    QuitSignals* quit = current.load();
    if (!quit || (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT))
        return FALSE;
    // A thread of the system's: the window is closed on its own.
    QMetaObject::invokeMethod(quit, "onSignal", Qt::QueuedConnection);
    return TRUE;
}

} // namespace

QuitSignals::QuitSignals(QWidget* window) : window_(window) {
    current.store(this);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

QuitSignals::~QuitSignals() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    current.store(nullptr);
}

void QuitSignals::onSignal() {
    if (window_)
        window_->close();
}
