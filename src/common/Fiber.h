#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace rk {

// A function run on a stack of its own, switched to and from on the calling
// thread. The procedures wait by processing messages; run on a fiber, a wait
// hands the thread back to the one event loop instead, so a console program
// serves many devices at once, each running the same procedures the window
// runs, with no thread per device.
class Fiber {
public:
    explicit Fiber(std::function<void()> body, std::size_t stackBytes = kDefaultStackBytes);
    ~Fiber();
    Fiber(const Fiber&) = delete;
    Fiber& operator=(const Fiber&) = delete;

    // Runs the fiber until it yields or its function returns. Called from the
    // thread's own stack only.
    void Resume();
    bool Finished() const;

    // How long the fiber asked to be left waiting when it last yielded: 0 to
    // be resumed after the pending messages, at most this many milliseconds
    // otherwise (it is resumed earlier when anything happens).
    uint32_t RequestedWaitMs() const;

    // The fiber running now, or none on the thread's own stack.
    static Fiber* Current();
    // From inside a fiber: gives the thread back to whoever resumed it. (Not
    // "Yield": the Windows headers define that name as a macro.)
    static void Suspend(uint32_t waitMs);

    static constexpr std::size_t kDefaultStackBytes = 512 * 1024;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace rk
