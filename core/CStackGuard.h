// CStackGuard: measures how much of the current thread's stack is left, so
// that work which recurses per nesting level (generated objects, whose
// records call each other) stops with a CQbException before the stack runs
// out, whatever stack the thread was given (a thread pool's 128 KiB, a
// coroutine's, or the main thread's 8 MiB).
//
// The thread's stack bounds are asked of the system once per thread and kept
// in thread-local storage; each check then compares the caller's frame
// address with them, which costs a few instructions. Where the bounds cannot
// be found the check never refuses.
#ifndef QBXMLLIB5_CORE_CSTACKGUARD_H
#define QBXMLLIB5_CORE_CSTACKGUARD_H

#include <cstddef>

namespace QbXmlLib5 {

class CStackGuard {
public:
    // What must stay free below the deepest level for the work done at a
    // level (conversions, pattern matches, compression, exceptions).
    static constexpr std::size_t kReserve = 64 * 1024;

    // Bytes of this thread's stack below the caller's frame; SIZE_MAX when
    // the bounds are unknown.
    static std::size_t Remaining();
    // The size of this thread's stack in bytes; 0 when unknown.
    static std::size_t StackSize();

    // Throws CQbException, naming `level` and the limits, when less than
    // kReserve bytes remain.
    static void Check(int level) {
        if (Remaining() < kReserve) Refuse(level);
    }

private:
    [[noreturn]] static void Refuse(int level);
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_CSTACKGUARD_H
