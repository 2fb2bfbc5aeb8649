#include "Fiber.h"

#include <new>
#include <utility>

// x86-64 switches with a few instructions of its own; swapcontext also saves
// the signal mask, a system call on every switch, and a fleet's upgrade
// switches hundreds of thousands of times.
#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#if defined(__x86_64__)
#define RK_FIBER_ASM 1
#else
#include <ucontext.h>
#endif
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

#if defined(RK_FIBER_ASM)
// Saves the callee-saved registers and the floating-point control words on
// the current stack, stores its pointer in *from and continues on `to`.
extern "C" void rk_fiber_switch(void** from, void* to);
// A new fiber's first return lands here: the function in r12 is called with
// the argument in rbx, and never returns.
extern "C" void rk_fiber_start();
asm(R"(
    .pushsection .text
    .globl rk_fiber_switch
    .type rk_fiber_switch, @function
rk_fiber_switch:
    pushq %rbp
    pushq %rbx
    pushq %r12
    pushq %r13
    pushq %r14
    pushq %r15
    subq $8, %rsp
    stmxcsr (%rsp)
    fnstcw 4(%rsp)
    movq %rsp, (%rdi)
    movq %rsi, %rsp
    ldmxcsr (%rsp)
    fldcw 4(%rsp)
    addq $8, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rbx
    popq %rbp
    ret
    .size rk_fiber_switch, .-rk_fiber_switch

    .globl rk_fiber_start
    .type rk_fiber_start, @function
rk_fiber_start:
    movq %rbx, %rdi
    callq *%r12
    ud2
    .size rk_fiber_start, .-rk_fiber_start
    .popsection
)");
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
#if defined(RK_FIBER_ASM)
    void* context = nullptr;
    void* caller = nullptr;
#else
    ucontext_t context{};
    ucontext_t caller{};
#endif
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
#elif defined(RK_FIBER_ASM)
        rk_fiber_switch(&caller, context);
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
#elif defined(RK_FIBER_ASM)
        rk_fiber_switch(&context, caller);
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
#elif defined(RK_FIBER_ASM)
void FiberEntry(Fiber::Impl* impl) {
    impl->run();
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
#if defined(RK_FIBER_ASM)
    // The frame rk_fiber_switch pops: control words, r15 .. r12, rbx, rbp and
    // the return into rk_fiber_start, placed so that the call it makes finds
    // the stack aligned as the ABI wants.
    auto* top = reinterpret_cast<uint64_t*>(impl_->stack + stackBytes);
    uint64_t* frame = top - 10;
    frame[0] = 0x037F00001F80ull; // MXCSR 1F80, x87 control word 037F: the defaults
    frame[1] = 0;                 // r15
    frame[2] = 0;                 // r14
    frame[3] = 0;                 // r13
    frame[4] = reinterpret_cast<uint64_t>(&FiberEntry); // r12
    frame[5] = reinterpret_cast<uint64_t>(impl_.get()); // rbx
    frame[6] = 0;                                       // rbp
    frame[7] = reinterpret_cast<uint64_t>(&rk_fiber_start);
    impl_->context = frame;
#else
    getcontext(&impl_->context);
    impl_->context.uc_stack.ss_sp = impl_->stack;
    impl_->context.uc_stack.ss_size = stackBytes;
    impl_->context.uc_link = nullptr;
    const uintptr_t address = reinterpret_cast<uintptr_t>(impl_.get());
    makecontext(&impl_->context, reinterpret_cast<void (*)()>(FiberEntry), 2,
                unsigned(address >> 16 >> 16), unsigned(address & 0xFFFFFFFFu));
#endif
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

void Fiber::Suspend(uint32_t waitMs) {
    Fiber* self = current;
    if (!self)
        return;
    self->impl_->waitMs = waitMs;
    self->impl_->switchToCaller(false);
}

} // namespace rk
