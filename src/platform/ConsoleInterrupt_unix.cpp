#include "ConsoleInterrupt.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler only writes a byte to this pipe: nothing else is safe there.
int pipeEnds[2] = {-1, -1};
struct sigaction previousInt {};
struct sigaction previousTerm {};

void Handler(int signal) {
    const int saved = errno;
    const char byte = char(signal);
    // A full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

ConsoleInterrupt::ConsoleInterrupt(QObject* parent) : QObject(parent) {
    if (::pipe(pipeEnds) != 0)
        return;
    for (const int end : pipeEnds) {
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    }
    auto* notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(pipeEnds[0], &byte, 1) == 1)
            emit raised(byte);
    });
    struct sigaction action {};
    action.sa_handler = Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);
    held_ = true;
}

ConsoleInterrupt::~ConsoleInterrupt() {
    if (pipeEnds[0] < 0)
        return;
    Release();
    qDeleteAll(findChildren<QSocketNotifier*>());
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void ConsoleInterrupt::Release() {
    if (!held_)
        return;
    held_ = false;
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
}
