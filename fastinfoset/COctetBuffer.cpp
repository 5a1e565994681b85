#include "fastinfoset/COctetBuffer.h"

#include <cstdlib>
#include <limits>
#include <new>

namespace QbXmlLib5 {

COctetBuffer::~COctetBuffer() { std::free(m_begin); }

void COctetBuffer::Grow(std::size_t more) {
    const std::size_t used = size();
    const std::size_t capacity = static_cast<std::size_t>(m_limit - m_begin);
    if (more > std::numeric_limits<std::size_t>::max() / 2 - used) throw std::bad_alloc();
    std::size_t wanted = capacity < 256 ? 256 : capacity * 2;
    if (wanted < used + more) wanted = used + more;
    // realloc may extend a large block in place instead of copying it.
    auto* block = static_cast<unsigned char*>(std::realloc(m_begin, wanted));
    if (block == nullptr) throw std::bad_alloc();
    m_begin = block;
    m_end = block + used;
    m_limit = block + wanted;
}

}  // namespace QbXmlLib5
