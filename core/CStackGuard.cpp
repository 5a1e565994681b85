#include "core/CStackGuard.h"

#include <cstdint>
#include <limits>

#if defined(__linux__)
#include <pthread.h>
#endif

#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

struct ThreadStack {
    bool probed = false;
    std::uintptr_t low = 0;  // lowest usable address; 0: unknown
    std::size_t size = 0;
};

// Plain data, so that it is usable in any destructor, even at thread exit.
thread_local ThreadStack t_stack;

void Probe(ThreadStack& stack) {
    stack.probed = true;
#if defined(__linux__)
    // glibc reports a thread's stack without its guard page, and the main
    // thread's from its mapping and the stack size limit.
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* address = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &address, &size) == 0 && address && size) {
        stack.low = reinterpret_cast<std::uintptr_t>(address);
        stack.size = size;
    }
    pthread_attr_destroy(&attr);
#endif
}

const ThreadStack& Stack() {
    if (!t_stack.probed) Probe(t_stack);
    return t_stack;
}

}  // namespace

std::size_t CStackGuard::Remaining() {
    const ThreadStack& stack = Stack();
    // The frame address, not a local's: AddressSanitizer may move locals
    // to a heap-allocated fake stack.
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (!stack.low || here < stack.low || here - stack.low > stack.size) {
        return std::numeric_limits<std::size_t>::max();
    }
    return here - stack.low;
}

std::size_t CStackGuard::StackSize() { return Stack().size; }

void CStackGuard::Refuse(int level) {
    throw CQbException(
        FormatString("Nesting stopped at level %d: less than %zu KiB of this thread's %zu KiB "
                     "stack are left",
                     level, kReserve / 1024, StackSize() / 1024));
}

}  // namespace QbXmlLib5
