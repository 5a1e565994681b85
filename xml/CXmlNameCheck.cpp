#include "xml/CXmlNameCheck.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace QbXmlLib5 {

namespace {

// XML 1.0 (fifth edition) name characters; the colon is left out.
bool IsNameStartChar(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c) {
    return IsNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// Decodes one UTF-8 sequence at p (before end); returns 0 for a malformed,
// overlong or surrogate sequence, which no name may contain.
char32_t NextUtf8(const unsigned char*& p, const unsigned char* end) {
    const unsigned char lead = *p++;
    int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (lead < 0x80) return lead;
    if (more == 0 || lead > 0xF4 || end - p < more) return 0;
    char32_t c = lead & (0x3F >> more);
    for (; more > 0; --more, ++p) {
        if ((*p & 0xC0) != 0x80) return 0;
        c = (c << 6) | (*p & 0x3F);
    }
    static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    const int length = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    if (c < kMinimum[length] || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) return 0;
    return c;
}

// ASCII name characters by byte: kStart may start a name, kMore continue it;
// bytes from 0x80 up have neither.
constexpr unsigned char kStart = 1, kMore = 2;
constexpr std::array<unsigned char, 256> MakeAsciiNameTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 128; ++c) {
        const bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        const bool more = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
        table[static_cast<std::size_t>(c)] =
            static_cast<unsigned char>((start ? kStart : 0) | (more ? kMore : 0));
    }
    return table;
}
constexpr std::array<unsigned char, 256> kAsciiName = MakeAsciiNameTable();

#if defined(__SSE2__)
// The lanes of `b` that hold an ASCII name character: a letter, a digit, '-',
// '.' or '_'. Bytes from 0x80 up are negative and fail every test.
inline unsigned NameLanes(__m128i b) {
    // Setting bit 5 folds the capitals onto the small letters and moves no
    // other byte into 'a'..'z'.
    const __m128i folded = _mm_or_si128(b, _mm_set1_epi8(0x20));
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)),
                                         _mm_cmplt_epi8(folded, _mm_set1_epi8('z' + 1)));
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(b, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(b, _mm_set1_epi8('9' + 1)));
    const __m128i mark = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8('-')), _mm_cmpeq_epi8(b, _mm_set1_epi8('.'))),
        _mm_cmpeq_epi8(b, _mm_set1_epi8('_')));
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(letter, digit), mark)));
}

// Whether all `n` (at least 4) bytes at `p` are ASCII name characters. Only
// bytes of the name are loaded: shorter names as two overlapping halves.
bool AsciiNameBytes(const char* p, std::size_t n) {
    constexpr unsigned kAll = 0xFFFF;
    if (n >= 16) {
        for (std::size_t i = 0; i + 16 <= n; i += 16) {
            if (NameLanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i))) != kAll)
                return false;
        }
        return NameLanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16))) == kAll;
    }
    if (n >= 8) {
        const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        const __m128i high = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + n - 8));
        return NameLanes(_mm_unpacklo_epi64(low, high)) == kAll;
    }
    std::int32_t low, high;
    std::memcpy(&low, p, 4);
    std::memcpy(&high, p + n - 4, 4);
    return NameLanes(_mm_set_epi32(low, high, low, high)) == kAll;
}
#endif

bool IsUtf8Name(const unsigned char* p, const unsigned char* end) {
    if (p == end || !IsNameStartChar(NextUtf8(p, end))) return false;
    while (p != end) {
        if (!IsNameChar(NextUtf8(p, end))) return false;
    }
    return true;
}

}  // namespace

bool IsXmlNCName(std::string_view name) {
    if (name.empty()) return false;
    const auto* const bytes = reinterpret_cast<const unsigned char*>(name.data());
    // Nearly every name is plain ASCII, checked without decoding.
    if (kAsciiName[bytes[0]] & kStart) {
#if defined(__SSE2__)
        if (name.size() >= 4) {
            if (AsciiNameBytes(name.data(), name.size())) return true;
        } else
#endif
        {
            unsigned bits = kMore;
            for (std::size_t i = 1; i < name.size(); ++i) bits &= kAsciiName[bytes[i]];
            if (bits != 0) return true;
        }
    }
    return IsUtf8Name(bytes, bytes + name.size());
}

bool IsAsciiXmlNCName(std::string_view name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return IsXmlNCName(name);
}

}  // namespace QbXmlLib5
