#include "xml/CBlockCache.h"

#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define QB_KEEP_BLOCKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QB_KEEP_BLOCKS 0
#endif
#endif
#ifndef QB_KEEP_BLOCKS
#define QB_KEEP_BLOCKS 1
#endif

namespace QbXmlLib5 {

namespace {

struct KeptBlock {
    void* block;
    std::size_t bytes;
};

constexpr std::size_t kSlots = CBlockCache::kMaxBytes / CBlockCache::kMinBytes;

// Constant-initialised: nothing is created on first use, from any thread.
std::mutex g_mutex;
KeptBlock g_kept[kSlots];
std::size_t g_count = 0;
std::size_t g_bytes = 0;

}  // namespace

void* CBlockCache::Allocate(std::size_t bytes) {
    if (QB_KEEP_BLOCKS && bytes >= kMinBytes) {
        std::lock_guard<std::mutex> lock(g_mutex);
        // The newest first: its pages are the likeliest still in a cache.
        for (std::size_t i = g_count; i-- > 0;) {
            if (g_kept[i].bytes == bytes) {
                void* block = g_kept[i].block;
                g_kept[i] = g_kept[--g_count];
                g_bytes -= bytes;
                return block;
            }
        }
    }
    return ::operator new(bytes);
}

void CBlockCache::Free(void* block, std::size_t bytes) noexcept {
    if (block == nullptr) return;
    if (QB_KEEP_BLOCKS && bytes >= kMinBytes) {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_count < kSlots && g_bytes + bytes <= kMaxBytes) {
            g_kept[g_count++] = KeptBlock{block, bytes};
            g_bytes += bytes;
            return;
        }
    }
    ::operator delete(block);
}

std::size_t CBlockCache::Trim() noexcept {
    std::lock_guard<std::mutex> lock(g_mutex);
    const std::size_t freed = g_bytes;
    for (std::size_t i = 0; i < g_count; ++i) ::operator delete(g_kept[i].block);
    g_count = 0;
    g_bytes = 0;
    return freed;
}

std::size_t CBlockCache::Kept() noexcept {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_bytes;
}

}  // namespace QbXmlLib5
