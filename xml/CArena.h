// CArena: bump allocation of small arrays that all die together, and
// CArenaAllocator, the standard allocator over it. A document gives each of
// its elements' attribute lists storage from its arena: a list then costs a
// few instructions instead of a trip through malloc and free, which was a
// fifth of loading an element with attributes.
#ifndef QBXMLLIB5_XML_CARENA_H
#define QBXMLLIB5_XML_CARENA_H

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "xml/CBlockCache.h"

namespace QbXmlLib5 {

class CArena {
public:
    CArena() = default;
    CArena(const CArena&) = delete;
    CArena& operator=(const CArena&) = delete;

    // `bytes` of storage aligned for any scalar, valid until Reset, Release
    // or a RewindTo a mark taken before it.
    void* Allocate(std::size_t bytes) {
        bytes = (bytes + kAlign - 1) & ~(kAlign - 1);
        if (m_current == nullptr || m_current->capacity - m_used < bytes) NextBlock(bytes);
        void* storage = m_current->storage + m_used;
        m_used += bytes;
        return storage;
    }
    // Gives the storage back when it is the newest; otherwise it stays
    // allocated until the arena is emptied.
    void Deallocate(void* storage, std::size_t bytes) {
        bytes = (bytes + kAlign - 1) & ~(kAlign - 1);
        if (m_current != nullptr && bytes <= m_used &&
            static_cast<unsigned char*>(storage) == m_current->storage + m_used - bytes) {
            m_used -= bytes;
        }
    }

    // A position: what is allocated after it can be dropped again.
    struct Mark {
        std::size_t block = 0;
        std::size_t used = 0;
    };
    Mark GetMark() const { return Mark{m_index, m_used}; }
    void RewindTo(const Mark& mark) {
        if (m_current == nullptr) return;
        m_index = mark.block;
        m_current = &m_blocks[m_index];
        m_used = mark.used;
    }
    // Empties the arena, keeping its blocks for what comes next.
    void Reset() { RewindTo(Mark{}); }
    // Empties the arena and frees its blocks.
    void Release() {
        m_blocks.clear();
        m_current = nullptr;
        m_index = 0;
        m_used = 0;
    }

private:
    static constexpr std::size_t kAlign = alignof(std::max_align_t);
    static constexpr std::size_t kFirstBlock = 1024;
    static constexpr std::size_t kLargestBlock = 256 * 1024;

    struct Block {
        explicit Block(std::size_t bytes)
            : storage(static_cast<unsigned char*>(CBlockCache::Allocate(bytes))), capacity(bytes) {}
        Block(Block&& other) noexcept
            : storage(std::exchange(other.storage, nullptr)), capacity(other.capacity) {}
        Block& operator=(Block&& other) noexcept {
            std::swap(storage, other.storage);
            std::swap(capacity, other.capacity);
            return *this;
        }
        ~Block() { CBlockCache::Free(storage, capacity); }
        unsigned char* storage;
        std::size_t capacity;
    };

    // Moves to the next block, making it large enough for `bytes`. Blocks
    // after the current one hold nothing live, so a small one is replaced.
    void NextBlock(std::size_t bytes) {
        const std::size_t next = m_current == nullptr ? 0 : m_index + 1;
        std::size_t size = m_blocks.empty() ? kFirstBlock : m_blocks.back().capacity * 2;
        if (size > kLargestBlock) size = kLargestBlock;
        if (size < bytes) size = bytes;
        if (next == m_blocks.size()) {
            m_blocks.emplace_back(size);
        } else if (m_blocks[next].capacity < bytes) {
            m_blocks[next] = Block(size);
        }
        m_index = next;
        m_current = &m_blocks[m_index];
        m_used = 0;
    }

    std::vector<Block> m_blocks;
    Block* m_current = nullptr;  // null until the first allocation
    std::size_t m_index = 0;
    std::size_t m_used = 0;
};

// Allocates from an arena, or from the heap when it has none. A copy of a
// container (copy construction) takes the heap: it may outlive the arena.
template <typename T>
class CArenaAllocator {
public:
    using value_type = T;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;

    CArenaAllocator() noexcept = default;
    explicit CArenaAllocator(CArena* arena) noexcept : m_arena(arena) {}
    template <typename U>
    CArenaAllocator(const CArenaAllocator<U>& other) noexcept : m_arena(other.Arena()) {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        if (m_arena == nullptr) return static_cast<T*>(::operator new(n * sizeof(T)));
        return static_cast<T*>(m_arena->Allocate(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (m_arena == nullptr) {
            ::operator delete(p);
        } else {
            m_arena->Deallocate(p, n * sizeof(T));
        }
    }
    CArenaAllocator select_on_container_copy_construction() const { return CArenaAllocator(); }

    CArena* Arena() const noexcept { return m_arena; }
    friend bool operator==(const CArenaAllocator& a, const CArenaAllocator& b) noexcept {
        return a.m_arena == b.m_arena;
    }
    friend bool operator!=(const CArenaAllocator& a, const CArenaAllocator& b) noexcept {
        return a.m_arena != b.m_arena;
    }

private:
    CArena* m_arena = nullptr;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CARENA_H
