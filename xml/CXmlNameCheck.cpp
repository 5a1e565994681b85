#include "xml/CXmlNameCheck.h"

#include <array>
#include <cstddef>

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

bool IsUtf8Name(const unsigned char* p, const unsigned char* end) {
    if (p == end || !IsNameStartChar(NextUtf8(p, end))) return false;
    while (p != end) {
        if (!IsNameChar(NextUtf8(p, end))) return false;
    }
    return true;
}

}  // namespace

bool IsXmlNCName(std::string_view name) {
    // Nearly every name is plain ASCII: checked through a table, one lookup
    // per byte, without decoding. Bit 1: may start a name; bit 2: may
    // continue it; bytes of 128 and above have neither.
    static const std::array<unsigned char, 256> kAsciiName = [] {
        std::array<unsigned char, 256> table{};
        for (int c = 0; c < 128; ++c) {
            const bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
            const bool more = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
            table[static_cast<std::size_t>(c)] =
                static_cast<unsigned char>((start ? 1 : 0) | (more ? 2 : 0));
        }
        return table;
    }();
    if (!name.empty()) {
        const auto* p = reinterpret_cast<const unsigned char*>(name.data());
        const auto* const end = p + name.size();
        unsigned bits = kAsciiName[*p] & 1u ? 2u : 0u;
        for (; p != end; ++p) bits &= kAsciiName[*p];
        if (bits != 0) return true;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
    return IsUtf8Name(bytes, bytes + name.size());
}

}  // namespace QbXmlLib5
