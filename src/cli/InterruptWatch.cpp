#include "InterruptWatch.h"

#include "ConsoleInterrupt.h"

#include <atomic>

namespace {

std::atomic<InterruptWatch*> current{nullptr};

} // namespace

InterruptWatch::InterruptWatch() : source_(new ConsoleInterrupt(this)) {
    current.store(this);
    connect(source_, &ConsoleInterrupt::raised, this, &InterruptWatch::Take);
}

InterruptWatch::~InterruptWatch() {
    current.store(nullptr);
}

InterruptWatch* InterruptWatch::Current() {
    return current.load();
}

void InterruptWatch::Take(int signal) {
    if (Interrupted())
        return;
    signal_ = signal;
    // The run ends itself now; another interrupt is not to be held back.
    source_->Release();
    emit interrupted();
}
