// CBlockCache: the large blocks of document trees, kept for the next tree.
//
// A tree of a few megabytes is freed as a whole, and the allocator hands most
// of it back to the system; the next load then faults every page in again,
// which cost as much as a sixth of loading. Blocks of at least kMinBytes
// are kept here instead, up to kMaxBytes in all, for any document on any
// thread; a process holds at most that much beyond its live documents.
// (Builds with AddressSanitizer keep nothing, so that a block used after its
// tree is freed is still caught.)
#ifndef QBXMLLIB5_XML_CBLOCKCACHE_H
#define QBXMLLIB5_XML_CBLOCKCACHE_H

#include <cstddef>

namespace QbXmlLib5 {

class CBlockCache {
public:
    static constexpr std::size_t kMinBytes = std::size_t{64} << 10;
    static constexpr std::size_t kMaxBytes = std::size_t{32} << 20;

    // `bytes` of storage aligned for any scalar: a kept block of exactly
    // that size, or a new one. Throws std::bad_alloc.
    static void* Allocate(std::size_t bytes);
    // Takes back what Allocate gave, keeping it when there is room.
    static void Free(void* block, std::size_t bytes) noexcept;
    // Frees every kept block; returns how many bytes that gave back.
    static std::size_t Trim() noexcept;
    // How many bytes are kept now.
    static std::size_t Kept() noexcept;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CBLOCKCACHE_H
