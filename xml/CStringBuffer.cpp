#include "xml/CStringBuffer.h"

#include <algorithm>
#include <cstring>

namespace QbXmlLib5 {

CStringBuffer::CStringBuffer() : m_used(0), m_capacity(0), m_current(nullptr) {}

CStringBuffer::~CStringBuffer() = default;

void CStringBuffer::StartBlock() {
    m_blocks.emplace_back(new char[kBlockSize + 1]);
    m_lengths.push_back(kBlockSize);
    m_current = m_blocks.back().get();
    m_used = 0;
    m_capacity = kBlockSize;
}

void CStringBuffer::Append(const char* text) {
    if (text) Append(text, std::strlen(text));
}

void CStringBuffer::AppendSpanning(const char* data, std::size_t length) {
    while (length > 0) {
        if (m_used == m_capacity) StartBlock();
        const std::size_t chunk = std::min(length, m_capacity - m_used);
        std::memcpy(m_current + m_used, data, chunk);
        m_used += chunk;
        data += chunk;
        length -= chunk;
    }
}

void CStringBuffer::Reset() {
    m_blocks.clear();
    m_lengths.clear();
    m_used = 0;
    m_capacity = 0;
    m_current = nullptr;
}

std::size_t CStringBuffer::GetLength() const {
    if (m_blocks.empty()) return 0;
    std::size_t total = m_used;
    for (std::size_t i = 0; i + 1 < m_lengths.size(); ++i) total += m_lengths[i];
    return total;
}

std::string CStringBuffer::ToString() const {
    std::string result;
    result.reserve(GetLength());
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        const std::size_t length = (i + 1 == m_blocks.size()) ? m_used : m_lengths[i];
        result.append(m_blocks[i].get(), length);
    }
    return result;
}

void CStringBuffer::CopyTo(char* out) const {
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        const std::size_t length = (i + 1 == m_blocks.size()) ? m_used : m_lengths[i];
        std::memcpy(out, m_blocks[i].get(), length);
        out += length;
    }
}

const char* CStringBuffer::Join() {
    if (m_blocks.empty()) return "";
    if (m_blocks.size() == 1) {
        m_current[m_used] = '\0';
        return m_current;
    }
    const std::size_t total = GetLength();
    std::unique_ptr<char[]> joined(new char[total + 1]);
    std::size_t offset = 0;
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        const std::size_t length = (i + 1 == m_blocks.size()) ? m_used : m_lengths[i];
        std::memcpy(joined.get() + offset, m_blocks[i].get(), length);
        offset += length;
    }
    joined[total] = '\0';
    Reset();
    m_blocks.push_back(std::move(joined));
    m_lengths.push_back(total);
    m_current = m_blocks.back().get();
    m_used = total;
    m_capacity = total;
    return m_current;
}

}  // namespace QbXmlLib5
