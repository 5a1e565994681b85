// CLimbs: the digit store of CBigInteger and CDecimal, a vector of 32-bit
// limbs that keeps up to two of them (values below 10^18) inside the object.
//
// Business numbers (quantities, prices, identifiers) almost always fit in
// two limbs, so reading or copying one allocates nothing; longer values move
// to the heap and behave like a std::vector. Only what the big-number code
// uses is offered.
#ifndef QBXMLLIB5_TYPES_CLIMBS_H
#define QBXMLLIB5_TYPES_CLIMBS_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace QbXmlLib5 {

class CLimbs {
public:
    using value_type = std::uint32_t;
    using iterator = std::uint32_t*;
    using const_iterator = const std::uint32_t*;

    CLimbs() noexcept { m_store.local[0] = m_store.local[1] = 0; }
    CLimbs(std::size_t count, std::uint32_t value) : CLimbs() { assign(count, value); }
    CLimbs(std::initializer_list<std::uint32_t> values);
    CLimbs(const CLimbs& other);
    CLimbs(CLimbs&& other) noexcept;
    CLimbs& operator=(const CLimbs& other);
    CLimbs& operator=(CLimbs&& other) noexcept;
    ~CLimbs() { Release(); }

    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    std::size_t capacity() const noexcept { return IsLocal() ? kLocal : m_capacity; }

    std::uint32_t* data() noexcept { return IsLocal() ? m_store.local : m_store.heap; }
    const std::uint32_t* data() const noexcept { return IsLocal() ? m_store.local : m_store.heap; }
    std::uint32_t& operator[](std::size_t i) noexcept { return data()[i]; }
    const std::uint32_t& operator[](std::size_t i) const noexcept { return data()[i]; }
    std::uint32_t& back() noexcept { return data()[m_size - 1]; }
    const std::uint32_t& back() const noexcept { return data()[m_size - 1]; }

    iterator begin() noexcept { return data(); }
    iterator end() noexcept { return data() + m_size; }
    const_iterator begin() const noexcept { return data(); }
    const_iterator end() const noexcept { return data() + m_size; }

    void clear() noexcept { m_size = 0; }
    void reserve(std::size_t count);
    void resize(std::size_t count, std::uint32_t value = 0);
    void assign(std::size_t count, std::uint32_t value);
    void push_back(std::uint32_t value);
    void pop_back() noexcept { --m_size; }
    // Inserts `count` copies of `value` before `position`.
    void insert(iterator position, std::size_t count, std::uint32_t value);
    // Removes [first, last).
    void erase(iterator first, iterator last) noexcept;

private:
    static constexpr std::uint32_t kLocal = 2;

    // m_capacity is 0 while the limbs are held in place.
    bool IsLocal() const noexcept { return m_capacity == 0; }
    void Release() noexcept;
    // Makes room for `count` limbs, keeping the first m_size.
    void Grow(std::size_t count);

    union {
        std::uint32_t* heap;
        std::uint32_t local[kLocal];
    } m_store;
    std::uint32_t m_size = 0;
    std::uint32_t m_capacity = 0;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CLIMBS_H
