// CBlockPool: allocates objects of one type in large blocks and destroys them
// all at once. A document uses it for its elements and attributes, so that
// loading costs one allocation per block rather than one per node, and
// freeing a tree of any depth is a flat loop.
#ifndef QBXMLLIB5_XML_CBLOCKPOOL_H
#define QBXMLLIB5_XML_CBLOCKPOOL_H

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace QbXmlLib5 {

template <typename T, std::size_t kBlockSize = 256>
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
        if (m_usedInLast == kBlockSize || m_blocks.empty()) {
            NextBlock();
        }
        T* object = new (m_blocks[m_current]->Slot(m_usedInLast)) T(std::forward<Args>(args)...);
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
        m_current = 0;
        m_usedInLast = 0;
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
    }

private:
    void DestroyAll() {
        for (std::size_t b = 0; b < m_blocks.size() && b <= m_current; ++b) {
            const std::size_t used = b == m_current ? m_usedInLast : kBlockSize;
            for (std::size_t i = 0; i < used; ++i) {
                m_blocks[b]->Object(i)->~T();
            }
        }
    }

    void NextBlock() {
        if (!m_blocks.empty() && m_current + 1 < m_blocks.size()) {
            ++m_current;  // a block kept by Reset
        } else {
            m_blocks.push_back(std::unique_ptr<Block>(new Block));  // storage left uninitialised
            m_current = m_blocks.size() - 1;
        }
        m_usedInLast = 0;
    }

    struct Block {
        alignas(T) unsigned char storage[kBlockSize * sizeof(T)];
        void* Slot(std::size_t i) { return storage + i * sizeof(T); }
        T* Object(std::size_t i) { return std::launder(reinterpret_cast<T*>(Slot(i))); }
    };

    std::vector<std::unique_ptr<Block>> m_blocks;
    std::size_t m_current = 0;     // the block being filled (blocks after it are kept spares)
    std::size_t m_usedInLast = 0;  // objects constructed in the block being filled
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CBLOCKPOOL_H
