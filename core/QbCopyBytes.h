// CopyBytes: a copy of a few bytes without a library call.
//
// Writers append names, values and markup a few bytes at a time; a call to
// memcpy for each costs more than the copy. Up to sixteen bytes are copied
// as two words (of eight, four or one bytes) that may overlap; longer runs
// still go to memcpy.
#ifndef QBXMLLIB5_CORE_QBCOPYBYTES_H
#define QBXMLLIB5_CORE_QBCOPYBYTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace QbXmlLib5 {

namespace Detail {
template <typename Word>
inline void CopyOverlapping(unsigned char* to, const unsigned char* from, std::size_t n) {
    Word head;
    Word tail;
    std::memcpy(&head, from, sizeof head);
    std::memcpy(&tail, from + n - sizeof tail, sizeof tail);
    std::memcpy(to, &head, sizeof head);
    std::memcpy(to + n - sizeof tail, &tail, sizeof tail);
}
}  // namespace Detail

// Copies n bytes from `from` to `to` (the two must not overlap).
inline void CopyBytes(void* destination, const void* source, std::size_t n) {
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    if (n > 16) {
        std::memcpy(to, from, n);
    } else if (n >= 8) {
        Detail::CopyOverlapping<std::uint64_t>(to, from, n);
    } else if (n >= 4) {
        Detail::CopyOverlapping<std::uint32_t>(to, from, n);
    } else if (n != 0) {
        const unsigned char first = from[0];
        const unsigned char middle = from[n / 2];
        const unsigned char last = from[n - 1];
        to[0] = first;
        to[n / 2] = middle;
        to[n - 1] = last;
    }
}

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_QBCOPYBYTES_H
