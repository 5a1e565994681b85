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
        if (m_blocks.empty() || m_usedInLast == kBlockSize) {
            m_blocks.push_back(std::unique_ptr<Block>(new Block));  // storage left uninitialised
            m_usedInLast = 0;
        }
        T* object = new (m_blocks.back()->Slot(m_usedInLast)) T(std::forward<Args>(args)...);
        ++m_usedInLast;
        return object;
    }

    // Destroys every object, in order of creation, and frees the blocks.
    void Clear() {
        for (std::size_t b = 0; b < m_blocks.size(); ++b) {
            const std::size_t used = b + 1 == m_blocks.size() ? m_usedInLast : kBlockSize;
            for (std::size_t i = 0; i < used; ++i) {
                m_blocks[b]->Object(i)->~T();
            }
        }
        m_blocks.clear();
        m_usedInLast = 0;
    }

private:
    struct Block {
        alignas(T) unsigned char storage[kBlockSize * sizeof(T)];
        void* Slot(std::size_t i) { return storage + i * sizeof(T); }
        T* Object(std::size_t i) { return std::launder(reinterpret_cast<T*>(Slot(i))); }
    };

    std::vector<std::unique_ptr<Block>> m_blocks;
    std::size_t m_usedInLast = 0;  // objects constructed in the last block
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CBLOCKPOOL_H
