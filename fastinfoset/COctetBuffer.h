// COctetBuffer: the growing octet output of the Fast Infoset writers.
//
// A document is written a few octets at a time (an index, a length, a short
// string): each append checks the room left against one pointer and copies
// short strings in place, where a std::vector would go through its general
// insertion and a library call for every one of them.
#ifndef QBXMLLIB5_FASTINFOSET_COCTETBUFFER_H
#define QBXMLLIB5_FASTINFOSET_COCTETBUFFER_H

#include <cstddef>
#include <utility>
#include <vector>

#include "core/QbCopyBytes.h"

namespace QbXmlLib5 {

class COctetBuffer {
public:
    COctetBuffer() = default;
    COctetBuffer(const COctetBuffer&) = delete;
    COctetBuffer& operator=(const COctetBuffer&) = delete;
    COctetBuffer(COctetBuffer&& other) noexcept { swap(other); }
    COctetBuffer& operator=(COctetBuffer&& other) noexcept {
        swap(other);
        return *this;
    }
    ~COctetBuffer();

    const unsigned char* data() const { return m_begin; }
    std::size_t size() const { return static_cast<std::size_t>(m_end - m_begin); }
    bool empty() const { return m_end == m_begin; }
    const unsigned char* begin() const { return m_begin; }
    const unsigned char* end() const { return m_end; }
    // Forgets the octets and keeps the storage.
    void clear() { m_end = m_begin; }
    // Makes room for `more` octets beyond the end.
    void reserve(std::size_t more) {
        if (more > static_cast<std::size_t>(m_limit - m_end)) Grow(more);
    }
    void swap(COctetBuffer& other) noexcept {
        std::swap(m_begin, other.m_begin);
        std::swap(m_end, other.m_end);
        std::swap(m_limit, other.m_limit);
    }
    // The octets as a vector (for callers that keep them).
    std::vector<unsigned char> ToVector() const { return {m_begin, m_end}; }

    void Append(unsigned char octet) {
        if (m_end == m_limit) Grow(1);
        *m_end++ = octet;
    }
    void Append(unsigned char first, unsigned char second) {
        if (m_limit - m_end < 2) Grow(2);
        m_end[0] = first;
        m_end[1] = second;
        m_end += 2;
    }
    void Append(const void* bytes, std::size_t n) {
        if (n > static_cast<std::size_t>(m_limit - m_end)) Grow(n);
        CopyBytes(m_end, bytes, n);
        m_end += n;
    }

private:
    // Makes room for `more` octets beyond the end (at least doubling).
    void Grow(std::size_t more);

    unsigned char* m_begin = nullptr;
    unsigned char* m_end = nullptr;
    unsigned char* m_limit = nullptr;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_FASTINFOSET_COCTETBUFFER_H
