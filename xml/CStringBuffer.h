// CStringBuffer: an append-only text buffer that grows in blocks of 64 KiB,
// so long documents are built without reallocating or copying what was
// already written. Join() assembles the blocks once, at the end.
#ifndef QBXMLLIB5_XML_CSTRINGBUFFER_H
#define QBXMLLIB5_XML_CSTRINGBUFFER_H

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/QbCopyBytes.h"

namespace QbXmlLib5 {

class CStringBuffer {
public:
    // Capacity of each block; every block has one more byte, for the NUL
    // that Join writes.
    static constexpr std::size_t kBlockSize = 65535;

    CStringBuffer();
    CStringBuffer(const CStringBuffer&) = delete;
    CStringBuffer& operator=(const CStringBuffer&) = delete;
    virtual ~CStringBuffer();

    // Appends text up to its terminating NUL.
    void Append(const char* text);
    // Appends `length` bytes.
    void Append(const char* data, std::size_t length) {
        if (length != 0 && length <= m_capacity - m_used) {  // the common case: it fits
            CopyBytes(m_current + m_used, data, length);
            m_used += length;
        } else {
            AppendSpanning(data, length);
        }
    }
    void Append(char c) {
        if (m_used == m_capacity) StartBlock();
        m_current[m_used++] = c;
    }
    // The last `size` bytes appended, when they lie in one block; otherwise
    // null. Bytes appended stay where they are until Reset or Join.
    const char* Last(std::size_t size) const {
        return size <= m_used ? m_current + (m_used - size) : nullptr;
    }
    // Releases every block.
    void Reset();
    // All text appended so far as one NUL-terminated area, owned by the
    // buffer and valid until the next change. Joining again is cheap.
    const char* Join();
    // A copy of all text appended so far; unlike Join, leaves the blocks
    // as they are.
    std::string ToString() const;
    // Copies all text appended so far (GetLength() bytes, no NUL) to `out`,
    // leaving the blocks as they are.
    void CopyTo(char* out) const;
    // Number of bytes appended so far.
    std::size_t GetLength() const;

private:
    void StartBlock();
    void AppendSpanning(const char* data, std::size_t length);

    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<std::size_t> m_lengths;  // recorded length of each block
    std::size_t m_used;                  // bytes used in the current block
    std::size_t m_capacity;              // capacity of the current block
    char* m_current;                     // the last block, or null
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CSTRINGBUFFER_H
