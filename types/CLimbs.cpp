#include "types/CLimbs.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "core/CQbException.h"

namespace QbXmlLib5 {

CLimbs::CLimbs(std::initializer_list<std::uint32_t> values) : CLimbs() {
    Grow(values.size());
    std::copy(values.begin(), values.end(), data());
    m_size = static_cast<std::uint32_t>(values.size());
}

CLimbs::CLimbs(const CLimbs& other) : CLimbs() {
    Grow(other.m_size);
    std::copy(other.begin(), other.end(), data());
    m_size = other.m_size;
}

CLimbs::CLimbs(CLimbs&& other) noexcept
    : m_store(other.m_store), m_size(other.m_size), m_capacity(other.m_capacity) {
    other.m_capacity = 0;
    other.m_size = 0;
}

CLimbs& CLimbs::operator=(const CLimbs& other) {
    if (this != &other) {
        if (other.m_size > capacity()) {
            CLimbs copy(other);
            *this = std::move(copy);
        } else {
            std::copy(other.begin(), other.end(), data());
            m_size = other.m_size;
        }
    }
    return *this;
}

CLimbs& CLimbs::operator=(CLimbs&& other) noexcept {
    if (this != &other) {
        Release();
        m_store = other.m_store;
        m_size = other.m_size;
        m_capacity = other.m_capacity;
        other.m_capacity = 0;
        other.m_size = 0;
    }
    return *this;
}

void CLimbs::Release() noexcept {
    if (!IsLocal()) delete[] m_store.heap;
    m_capacity = 0;
}

void CLimbs::Grow(std::size_t count) {
    if (count <= capacity()) return;
    if (count > std::numeric_limits<std::uint32_t>::max() / 2) {
        throw CQbException("The number is too large");
    }
    // Doubling keeps repeated push_back linear.
    const std::size_t wanted = std::max(count, 2 * capacity());
    std::unique_ptr<std::uint32_t[]> grown(new std::uint32_t[wanted]);
    std::memcpy(grown.get(), data(), m_size * sizeof(std::uint32_t));
    Release();
    m_store.heap = grown.release();
    m_capacity = static_cast<std::uint32_t>(wanted);
}

void CLimbs::reserve(std::size_t count) { Grow(count); }

void CLimbs::resize(std::size_t count, std::uint32_t value) {
    Grow(count);
    if (count > m_size) std::fill(data() + m_size, data() + count, value);
    m_size = static_cast<std::uint32_t>(count);
}

void CLimbs::assign(std::size_t count, std::uint32_t value) {
    m_size = 0;
    resize(count, value);
}

void CLimbs::push_back(std::uint32_t value) {
    Grow(static_cast<std::size_t>(m_size) + 1);
    data()[m_size++] = value;
}

void CLimbs::insert(iterator position, std::size_t count, std::uint32_t value) {
    const std::size_t offset = static_cast<std::size_t>(position - data());
    Grow(m_size + count);
    std::uint32_t* base = data();
    std::memmove(base + offset + count, base + offset, (m_size - offset) * sizeof(std::uint32_t));
    std::fill(base + offset, base + offset + count, value);
    m_size = static_cast<std::uint32_t>(m_size + count);
}

void CLimbs::erase(iterator first, iterator last) noexcept {
    const std::size_t removed = static_cast<std::size_t>(last - first);
    std::memmove(first, last, static_cast<std::size_t>(end() - last) * sizeof(std::uint32_t));
    m_size = static_cast<std::uint32_t>(m_size - removed);
}

}  // namespace QbXmlLib5
