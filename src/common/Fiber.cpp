#include "Fiber.h"

#include <cstdlib>
#include <new>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>
#endif

// The address sanitizer must be told about every stack switch, or it takes
// the fiber's frames for overflows of the thread's stack.
#if defined(__SANITIZE_ADDRESS__)
#define RK_FIBER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RK_FIBER_ASAN 1
#endif
#endif
#if defined(RK_FIBER_ASAN)
#include <sanitizer/common_interface_defs.h>
#endif

namespace rk {

namespace {
thread_local Fiber* current = nullptr;
} // namespace

struct Fiber::Impl {
    std::function<void()> body;
    bool finished = false;
    uint32_t waitMs = 0;
    std::size_t stackBytes = 0;
#if defined(_WIN32)
    LPVOID fiber = nullptr;
    LPVOID caller = nullptr;
#else
    void* mapping = nullptr;
    std::size_t mappingBytes = 0;
    char* stack = nullptr;
    ucontext_t context{};
    ucontext_t caller{};
#endif
#if defined(RK_FIBER_ASAN)
    const void* callerStack = nullptr;
    std::size_t callerStackBytes = 0;
#endif

    void run() {
#if defined(RK_FIBER_ASAN)
        __sanitizer_finish_switch_fiber(nullptr, &callerStack, &callerStackBytes);
#endif
        body();
        finished = true;
        switchToCaller(true);
    }

    void switchToFiber() {
#if defined(RK_FIBER_ASAN)
        void* fake = nullptr;
        __sanitizer_start_switch_fiber(&fake, stackBottom(), stackBytes);
#endif
#if defined(_WIN32)
        caller = GetCurrentFiber();
        SwitchToFiber(fiber);
#else
        swapcontext(&caller, &context);
#endif
#if defined(RK_FIBER_ASAN)
        __sanitizer_finish_switch_fiber(fake, nullptr, nullptr);
#endif
    }

    void switchToCaller([[maybe_unused]] bool last) {
#if defined(RK_FIBER_ASAN)
        void* fake = nullptr;
        // A finished fiber's fake frames go with its stack.
        __sanitizer_start_switch_fiber(last ? nullptr : &fake, callerStack, callerStackBytes);
#endif
#if defined(_WIN32)
        SwitchToFiber(caller);
#else
        swapcontext(&context, &caller);
#endif
#if defined(RK_FIBER_ASAN)
        __sanitizer_finish_switch_fiber(fake, &callerStack, &callerStackBytes);
#endif
    }

    const void* stackBottom() const {
#if defined(_WIN32)
        return nullptr;
#else
        return stack;
#endif
    }
};

namespace {

#if defined(_WIN32)
void CALLBACK FiberEntry(LPVOID parameter) {
    static_cast<Fiber::Impl*>(parameter)->run();
}
#else
// makecontext passes int arguments only: the pointer travels in two halves.
void FiberEntry(unsigned int high, unsigned int low) {
    const uintptr_t address = (uintptr_t(high) << 16 << 16) | uintptr_t(low);
    reinterpret_cast<Fiber::Impl*>(address)->run();
}
#endif

} // namespace

Fiber::Fiber(std::function<void()> body, std::size_t stackBytes) : impl_(new Impl) {
    impl_->body = std::move(body);
#if defined(RK_FIBER_ASAN)
    // Instrumented frames are several times larger.
    stackBytes *= 4;
#endif
    impl_->stackBytes = stackBytes;
#if defined(_WIN32)
    // The thread must be a fiber itself before it can switch to one.
    if (!IsThreadAFiber())
        ConvertThreadToFiber(nullptr);
    impl_->fiber = CreateFiber(stackBytes, FiberEntry, impl_.get());
    if (!impl_->fiber)
        throw std::bad_alloc();
#else
    // A guard page below the stack turns an overflow into a crash at once
    // rather than into silently overwritten memory.
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    stackBytes = (stackBytes + page - 1) / page * page;
    impl_->stackBytes = stackBytes;
    impl_->mappingBytes = stackBytes + page;
    void* mapping = mmap(nullptr, impl_->mappingBytes, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        throw std::bad_alloc();
    impl_->mapping = mapping;
    mprotect(mapping, page, PROT_NONE);
    impl_->stack = static_cast<char*>(mapping) + page;
    getcontext(&impl_->context);
    impl_->context.uc_stack.ss_sp = impl_->stack;
    impl_->context.uc_stack.ss_size = stackBytes;
    impl_->context.uc_link = nullptr;
    const uintptr_t address = reinterpret_cast<uintptr_t>(impl_.get());
    makecontext(&impl_->context, reinterpret_cast<void (*)()>(FiberEntry), 2,
                unsigned(address >> 16 >> 16), unsigned(address & 0xFFFFFFFFu));
#endif
}

Fiber::~Fiber() {
    // A fiber destroyed before it finished leaves its frames unwound; the
    // owner only does that when the whole program ends.
#if defined(_WIN32)
    if (impl_->fiber)
        DeleteFiber(impl_->fiber);
#else
    if (impl_->mapping)
        munmap(impl_->mapping, impl_->mappingBytes);
#endif
}

void Fiber::Resume() {
    if (impl_->finished || current)
        return;
    current = this;
    impl_->switchToFiber();
    current = nullptr;
}

bool Fiber::Finished() const {
    return impl_->finished;
}

uint32_t Fiber::RequestedWaitMs() const {
    return impl_->waitMs;
}

Fiber* Fiber::Current() {
    return current;
}

void Fiber::Yield(uint32_t waitMs) {
    Fiber* self = current;
    if (!self)
        return;
    self->impl_->waitMs = waitMs;
    self->impl_->switchToCaller(false);
}

} // namespace rk
