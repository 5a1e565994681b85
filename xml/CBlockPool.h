// CBlockPool: allocates objects of one type in large blocks and destroys them
// all at once. A document uses it for its elements and attributes, so that
// loading costs one allocation per block rather than one per node, and
// freeing a tree of any depth is a flat loop.
#ifndef QBXMLLIB5_XML_CBLOCKPOOL_H
#define QBXMLLIB5_XML_CBLOCKPOOL_H

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "xml/CBlockCache.h"

namespace QbXmlLib5 {

// Blocks grow geometrically from kFirstBlock objects to kLargestBlock: a
// small document costs little, and a large one few, large blocks (which
// also fault fewer fresh pages in, the allocator reusing more of them).
template <typename T, std::size_t kFirstBlock = 32, std::size_t kLargestBlock = 2048>
class CBlockPool {
public:
    CBlockPool() = default;
    ~CBlockPool() { Clear(); }

    CBlockPool(const CBlockPool&) = delete;
    CBlockPool& operator=(const CBlockPool&) = delete;

    // Constructs a T from `args` in the pool. The object lives until Clear or
    // the pool's destruction; it must not be deleted by anyone else.
    template <typename... Args>
    T* Create(Args&&... args) {
        if (m_usedInLast == m_capacityOfLast) {
            NextBlock();
        }
        T* object = new (m_blocks[m_current].Slot(m_usedInLast)) T(std::forward<Args>(args)...);
        ++m_usedInLast;
        return object;
    }

    // Destroys every object, in order of creation, and frees the blocks.
    void Clear() {
        DestroyAll();
        Release();
    }

    // Frees the blocks without running any destructor: for objects that
    // need none, or whose owner has destroyed the ones that do.
    void Release() {
        m_blocks.clear();
        Rewind();
    }

    // Destroys every object but keeps the blocks for the objects created
    // next: refilling a pool then costs no allocation and, above all, no
    // fresh pages from the system.
    void Reset() {
        DestroyAll();
        Rewind();
    }

    // Reset without running any destructor (see Release).
    void Rewind() {
        m_current = 0;
        m_usedInLast = 0;
        m_capacityOfLast = 0;  // the next Create moves into the first block
        m_started = false;
    }

    // A position in the pool: the objects created after it can be dropped
    // again, the ones before stay.
    struct Mark {
        std::size_t block = 0;
        std::size_t used = 0;
        bool started = false;
    };
    Mark GetMark() const { return Mark{m_current, m_usedInLast, m_started}; }

    // Destroys the objects created since `mark`, newest last, and lets the
    // next Create reuse their slots.
    void DestroyBackTo(const Mark& mark) {
        if (!m_started) return;
        for (std::size_t b = mark.started ? mark.block : 0; b <= m_current; ++b) {
            const std::size_t from = mark.started && b == mark.block ? mark.used : 0;
            const std::size_t to = b == m_current ? m_usedInLast : m_blocks[b].capacity;
            for (std::size_t i = from; i < to; ++i) m_blocks[b].Object(i)->~T();
        }
        RewindTo(mark);
    }

    // DestroyBackTo without running any destructor (see Release).
    void RewindTo(const Mark& mark) {
        if (!mark.started) {
            Rewind();
            return;
        }
        m_current = mark.block;
        m_usedInLast = mark.used;
        m_capacityOfLast = m_blocks[m_current].capacity;
        m_started = true;
    }

private:
    struct Block {
        explicit Block(std::size_t objects)
            : storage(static_cast<unsigned char*>(CBlockCache::Allocate(objects * sizeof(T)))),
              capacity(objects) {}
        Block(Block&& other) noexcept
            : storage(std::exchange(other.storage, nullptr)), capacity(other.capacity) {}
        Block& operator=(Block&& other) noexcept {
            std::swap(storage, other.storage);
            std::swap(capacity, other.capacity);
            return *this;
        }
        ~Block() { CBlockCache::Free(storage, capacity * sizeof(T)); }
        unsigned char* storage;  // left uninitialised
        std::size_t capacity;
        void* Slot(std::size_t i) { return storage + i * sizeof(T); }
        T* Object(std::size_t i) { return std::launder(reinterpret_cast<T*>(Slot(i))); }
    };

    void DestroyAll() {
        if (!m_started) return;
        for (std::size_t b = 0; b <= m_current; ++b) {
            const std::size_t used = b == m_current ? m_usedInLast : m_blocks[b].capacity;
            for (std::size_t i = 0; i < used; ++i) {
                m_blocks[b].Object(i)->~T();
            }
        }
    }

    void NextBlock() {
        const std::size_t next = m_started ? m_current + 1 : 0;
        if (next < m_blocks.size()) {
            m_current = next;  // a block kept by Reset
        } else {
            const std::size_t objects = m_blocks.empty()
                                            ? kFirstBlock
                                            : std::min(2 * m_blocks.back().capacity, kLargestBlock);
            m_blocks.emplace_back(objects);
            m_current = m_blocks.size() - 1;
        }
        m_started = true;
        m_usedInLast = 0;
        m_capacityOfLast = m_blocks[m_current].capacity;
    }

    std::vector<Block> m_blocks;
    std::size_t m_current = 0;         // the block being filled (later ones are kept spares)
    std::size_t m_usedInLast = 0;      // objects constructed in the block being filled
    std::size_t m_capacityOfLast = 0;  // its capacity (0 before the first Create)
    bool m_started = false;            // whether m_current designates a block in use
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CBLOCKPOOL_H
