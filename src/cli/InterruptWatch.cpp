#include "InterruptWatch.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <QMetaObject>
#include <windows.h>
#endif

namespace {

std::atomic<InterruptWatch*> current{nullptr};

#if defined(Q_OS_UNIX)
int pipeEnds[2] = {-1, -1};
struct sigaction previousInt {};
struct sigaction previousTerm {};

void Handler(int signal) {
    const int saved = errno;
    const char byte = char(signal);
    // Nothing else is safe here; a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

void RestoreHandlers() {
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
}
#elif defined(Q_OS_WIN)
BOOL WINAPI ConsoleHandler(DWORD type) {
    InterruptWatch* watch = current.load();
    if (!watch || (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT))
        return FALSE;
    // This runs on a thread of the system's: the watch is told on its own.
    QMetaObject::invokeMethod(
        watch, [watch] { watch->Take(SIGINT); }, Qt::QueuedConnection);
    return TRUE;
}
#endif

} // namespace

InterruptWatch::InterruptWatch() {
    current.store(this);
#if defined(Q_OS_UNIX)
    if (::pipe(pipeEnds) != 0)
        return;
    for (const int end : pipeEnds) {
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    }
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(pipeEnds[0], &byte, 1) == 1)
            Take(byte);
    });
    struct sigaction action {};
    action.sa_handler = Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);
#elif defined(Q_OS_WIN)
    SetConsoleCtrlHandler(ConsoleHandler, TRUE);
#endif
}

InterruptWatch::~InterruptWatch() {
    current.store(nullptr);
#if defined(Q_OS_UNIX)
    if (pipeEnds[0] < 0)
        return;
    if (!Interrupted())
        RestoreHandlers();
    delete notifier_;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
#elif defined(Q_OS_WIN)
    SetConsoleCtrlHandler(ConsoleHandler, FALSE);
#endif
}

InterruptWatch* InterruptWatch::Current() {
    return current.load();
}

void InterruptWatch::Take(int signal) {
    if (Interrupted())
        return;
    signal_ = signal;
#if defined(Q_OS_UNIX)
    // The run ends itself now; another signal is not to be held back.
    RestoreHandlers();
#endif
    emit interrupted();
}
