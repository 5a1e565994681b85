#include "core/CCharEncoding.h"

#include <iconv.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

std::atomic<unsigned int> g_localCodePage{65001};

const char16_t kReplacement = 0xFFFD;

// ---------------------------------------------------------------------------
// Code pages

bool IsUtf8CodePage(unsigned int cp) { return cp == 65001 || cp == 0 || cp == 3; }

// iconv_open's failure value.
iconv_t kNone() { return reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)); }

// Converter names that may stand for a Windows code page, most likely first:
// iconv implementations differ in which of the forms they know.
std::vector<std::string> CandidateNames(unsigned int cp) {
    switch (cp) {
        case 1200:
            return {"UTF-16LE"};
        case 1201:
            return {"UTF-16BE"};
        case 12000:
            return {"UTF-32LE"};
        case 12001:
            return {"UTF-32BE"};
        case 65000:
            return {"UTF-7"};
        case 20127:
            return {"US-ASCII"};
        case 1252:
            return {"WINDOWS-1252", "CP1252"};
        case 20866:
            return {"KOI8-R"};
        case 21866:
            return {"KOI8-U"};
        case 20932:
        case 51932:
            return {"EUC-JP"};
        case 51949:
            return {"EUC-KR", "CP949"};
        case 54936:
            return {"GB18030"};
        case 936:
            return {"CP936", "GBK"};
        case 950:
            return {"CP950", "BIG5"};
        case 10000:
            return {"MACINTOSH"};
        default:
            break;
    }
    if (cp >= 28591 && cp <= 28606) return {"ISO-8859-" + std::to_string(cp - 28590)};
    std::string ibm = std::to_string(cp);
    if (ibm.size() < 3) ibm.insert(0, 3 - ibm.size(), '0');
    return {"CP" + std::to_string(cp), "IBM" + ibm, "WINDOWS-" + std::to_string(cp)};
}

// The first candidate name iconv can open, or "" when there is none.
std::string IconvName(unsigned int cp) {
    for (const std::string& name : CandidateNames(cp)) {
        const iconv_t cd = iconv_open("UTF-8", name.c_str());
        if (cd == kNone()) continue;
        iconv_close(cd);
        return name;
    }
    return std::string();
}

// True when every ASCII character is the same single byte in the encoding:
// the library writes markup as ASCII bytes into local text.
bool KeepsAscii(const std::string& name) {
    const iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == kNone()) return false;
    char ascii[127];
    for (int i = 0; i < 127; ++i) ascii[i] = static_cast<char>(i + 1);
    char out[4 * sizeof ascii];
    char* in = ascii;
    char* o = out;
    std::size_t inLeft = sizeof ascii, outLeft = sizeof out;
    const bool converted = iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return converted && inLeft == 0 && sizeof out - outLeft == sizeof ascii &&
           std::memcmp(out, ascii, sizeof ascii) == 0;
}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
const char kHostUtf16[] = "UTF-16BE";
#else
const char kHostUtf16[] = "UTF-16LE";
#endif

// ---------------------------------------------------------------------------
// UTF-8 and UTF-16 codecs of our own

// Decodes one UTF-8 sequence (RFC 3629: no overlongs, no surrogates, at most
// U+10FFFF). Returns the bytes consumed; an invalid or truncated sequence
// gives U+FFFD and consumes its maximal valid prefix (at least one byte).
std::size_t DecodeUtf8Char(const unsigned char* s, std::size_t n, std::uint32_t& cp) {
    const unsigned char c = s[0];
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    std::size_t need;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        need = 1;
        cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        need = 2;
        cp = c & 0x0Fu;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 3;
        cp = c & 0x07u;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        cp = kReplacement;
        return 1;
    }
    std::size_t i = 1;
    for (; i <= need; ++i) {
        if (i >= n || s[i] < lo || s[i] > hi) {
            cp = kReplacement;
            return i;
        }
        cp = (cp << 6) | (s[i] & 0x3Fu);
        lo = 0x80;
        hi = 0xBF;
    }
    return i;
}

// Appends one code point as UTF-16 units; returns the count (1 or 2).
std::size_t PutUtf16(std::uint32_t cp, char16_t* out) {
    if (cp < 0x10000) {
        out[0] = static_cast<char16_t>(cp);
        return 1;
    }
    cp -= 0x10000;
    out[0] = static_cast<char16_t>(0xD800 + (cp >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    return 2;
}

// UTF-8 to UTF-16 units; `out` needs `n` units (never more are written).
std::size_t DecodeUtf8(const unsigned char* s, std::size_t n, char16_t* out) {
    std::size_t o = 0;
    for (std::size_t i = 0; i < n;) {
        std::uint32_t cp;
        i += DecodeUtf8Char(s + i, n - i, cp);
        o += PutUtf16(cp, out + o);
    }
    return o;
}

// The library's UTF-16 to UTF-8 encoder; an unpaired surrogate becomes
// U+FFFD. With `out` null it counts the bytes needed. With `out` it writes at
// most `bound` bytes, stopping before a code point that does not fit, and
// returns the bytes written.
std::size_t EncodeUtf8(const char16_t* in, std::size_t n, unsigned char* out, std::size_t bound) {
    static const unsigned char kFirstByteMark[5] = {0x00, 0x00, 0xC0, 0xE0, 0xF0};
    std::size_t o = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t cp = in[i];
        if (cp >= 0xD800 && cp < 0xE000) {
            const bool paired =
                cp < 0xDC00 && i + 1 < n && in[i + 1] >= 0xDC00 && in[i + 1] < 0xE000;
            cp = paired ? 0x10000 + ((cp - 0xD800) << 10) + (in[++i] - 0xDC00u) : kReplacement;
        }
        const std::size_t len = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        if (out) {
            if (len > bound - o) return o;
            for (std::size_t j = len - 1; j > 0; --j) {
                out[o + j] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
                cp >>= 6;
            }
            out[o] = static_cast<unsigned char>(kFirstByteMark[len] | cp);
        }
        o += len;
    }
    return o;
}

bool IsAscii(const unsigned char* s, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (s[i] >= 0x80) return false;
    }
    return true;
}

// Stores UTF-16 units as little-endian bytes in a new buffer.
CBinaryData Utf16UnitsToLittleEndian(const char16_t* units, std::size_t count) {
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[2 * count]);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[2 * i] = static_cast<unsigned char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(units[i] >> 8);
    }
    return CBinaryData(std::move(bytes), 2 * count);
}

// ---------------------------------------------------------------------------
// iconv converters, cached per thread for the current local code page

enum Direction { kUtf8ToLocal, kUtf16ToLocal, kLocalToUtf8, kLocalToUtf16Le, kDirections };

class CConverterCache {
public:
    ~CConverterCache() { CloseAll(); }

    // The converter for `dir` under code page `cp`, or null when iconv has
    // none. The returned handle is reset to its initial state.
    iconv_t Get(Direction dir, unsigned int cp) {
        if (cp != m_codePage) {
            CloseAll();
            m_codePage = cp;
        }
        if (!m_tried[dir]) {
            m_tried[dir] = true;
            m_handles[dir] = Open(dir, IconvName(cp));
        }
        iconv_t cd = m_handles[dir];
        if (cd != kNone()) iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return cd;
    }

private:
    static iconv_t Open(Direction dir, const std::string& local) {
        switch (dir) {
            case kUtf8ToLocal:
                return iconv_open(local.c_str(), "UTF-8");
            case kUtf16ToLocal:
                return iconv_open(local.c_str(), kHostUtf16);
            case kLocalToUtf8:
                return iconv_open("UTF-8", local.c_str());
            default:
                return iconv_open("UTF-16LE", local.c_str());
        }
    }

    void CloseAll() {
        for (int i = 0; i < kDirections; ++i) {
            if (m_handles[i] != kNone()) iconv_close(m_handles[i]);
            m_handles[i] = kNone();
            m_tried[i] = false;
        }
    }

    unsigned int m_codePage = ~0u;
    iconv_t m_handles[kDirections] = {kNone(), kNone(), kNone(), kNone()};
    bool m_tried[kDirections] = {false, false, false, false};
};

thread_local CConverterCache t_converters;

// How many input bytes an unconvertible character at `p` occupies.
std::size_t SkipLength(Direction dir, const unsigned char* p, std::size_t left) {
    if (dir == kUtf8ToLocal) {
        std::uint32_t cp;
        return DecodeUtf8Char(p, left, cp);
    }
    if (dir == kUtf16ToLocal && left >= 4) {
        char16_t units[2];
        std::memcpy(units, p, sizeof units);
        const bool pair =
            units[0] >= 0xD800 && units[0] < 0xDC00 && units[1] >= 0xDC00 && units[1] < 0xE000;
        return pair ? 4 : 2;
    }
    return dir == kUtf16ToLocal ? std::min<std::size_t>(2, left) : 1;
}

// What an unconvertible character becomes in the target encoding.
const char* Replacement(Direction dir, std::size_t& size) {
    switch (dir) {
        case kLocalToUtf8:
            size = 3;
            return "\xEF\xBF\xBD";
        case kLocalToUtf16Le:
            size = 2;
            return "\xFD\xFF";
        default:
            size = 1;
            return "?";
    }
}

// glibc's iconv locates an unconvertible character by converting the input
// it was handed over again, so a text full of them took quadratic time: the
// input goes to iconv in slices of this many bytes (a character never spans
// more than a few, so a slice always holds a whole one). Small slices keep
// the cost of each bad character small.
const std::size_t kIconvSlice = 64;

// Converts `length` bytes with the local code page's converter for `dir`,
// appending the output to `sink(const char*, std::size_t)` through the work
// area. Returns false when no converter exists for the code page.
template <class Sink>
bool Convert(Direction dir, const char* in, std::size_t length, char* work, std::size_t workSize,
             Sink sink) {
    const unsigned int cp = g_localCodePage.load(std::memory_order_relaxed);
    iconv_t cd = t_converters.Get(dir, cp);
    if (cd == kNone()) return false;
    char* input = const_cast<char*>(in);  // iconv does not write the input
    std::size_t inLeft = length;
    bool finished = false;
    while (!finished) {
        char* out = work;
        std::size_t outLeft = workSize;
        const bool flushing = inLeft == 0;
        const std::size_t slice = std::min(inLeft, kIconvSlice);
        std::size_t sliceLeft = slice;
        const std::size_t rc = flushing ? iconv(cd, nullptr, nullptr, &out, &outLeft)
                                        : iconv(cd, &input, &sliceLeft, &out, &outLeft);
        const int error = rc == static_cast<std::size_t>(-1) ? errno : 0;
        inLeft -= slice - sliceLeft;
        sink(work, workSize - outLeft);
        if (error == E2BIG) continue;
        // A character cut by the end of the slice rather than of the input is
        // read whole from the next slice (unless it fills a slice alone).
        const bool cutBySlice = error == EINVAL && inLeft > sliceLeft;
        if (cutBySlice && sliceLeft < slice) continue;
        if (error == EILSEQ || error == EINVAL) {
            std::size_t size;
            const char* replacement = Replacement(dir, size);
            sink(replacement, size);
            const unsigned char* at = reinterpret_cast<unsigned char*>(input);
            const std::size_t skip =
                error == EINVAL && !cutBySlice ? inLeft : SkipLength(dir, at, inLeft);
            input += skip;
            inLeft -= skip;
            continue;
        }
        finished = flushing || error != 0;
    }
    return true;
}

// Local text to Unicode bytes through iconv; empty without a converter.
CBinaryData ConvertLocal(Direction dir, const char* text, std::size_t length) {
    char area[1024];
    CBinaryData result;
    const auto sink = [&result](const char* p, std::size_t n) {
        result.Append(reinterpret_cast<const unsigned char*>(p), n);
    };
    if (!Convert(dir, text, length, area, sizeof area, sink)) return CBinaryData();
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------
// Public conversions

void SetLocalCharEncoding(unsigned int codePage) {
    if (!IsUtf8CodePage(codePage)) {
        const std::string name = IconvName(codePage);
        if (name.empty()) {
            throw CQbInvalidParamException(
                FormatString("Unknown code page [%u]: no converter is available for it", codePage));
        }
        if (!KeepsAscii(name)) {
            throw CQbInvalidParamException(FormatString(
                "Code page [%u] cannot be the local encoding: it is not ASCII-compatible",
                codePage));
        }
    }
    g_localCodePage.store(codePage, std::memory_order_relaxed);
}

unsigned int GetLocalCharEncoding() { return g_localCodePage.load(std::memory_order_relaxed); }

bool IsLocalCharEncodingUtf8() { return IsUtf8CodePage(GetLocalCharEncoding()); }

bool IsValidUtf8(const char* text, std::size_t length) {
    // Runs of ASCII eight bytes at a time; each longer sequence checked
    // against RFC 3629's table, whose second byte carries the limits that
    // exclude overlong forms, surrogates and code points above U+10FFFF.
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    const std::uint64_t high = 0x8080808080808080u;
    const auto tail = [s](std::size_t at) { return (s[at] & 0xC0u) == 0x80u; };
    std::size_t i = 0;
    while (i < length) {
        const unsigned char c = s[i];
        const std::size_t left = length - i;
        if (c < 0x80) {
            std::uint64_t word;
            while (i + 8 <= length && (std::memcpy(&word, s + i, 8), (word & high) == 0)) i += 8;
            while (i < length && s[i] < 0x80) ++i;
        } else if (c < 0xC2) {
            return false;
        } else if (c < 0xE0) {
            if (left < 2 || !tail(i + 1)) return false;
            i += 2;
        } else if (c < 0xF0) {
            if (left < 3 || !tail(i + 1) || !tail(i + 2)) return false;
            if ((c == 0xE0 && s[i + 1] < 0xA0) || (c == 0xED && s[i + 1] > 0x9F)) return false;
            i += 3;
        } else if (c < 0xF5) {
            if (left < 4 || !tail(i + 1) || !tail(i + 2) || !tail(i + 3)) return false;
            if ((c == 0xF0 && s[i + 1] < 0x90) || (c == 0xF4 && s[i + 1] > 0x8F)) return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

namespace {

// Tab, line feed and carriage return are the only characters below U+0020
// that XML allows.
bool IsForbiddenControl(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

// A word of eight bytes may hold one below 0x20 where (w - 0x20..20) & ~w has
// a high bit set (exact for ASCII words; a hint otherwise).
bool WordMayHoldControl(std::uint64_t word) {
    return ((word - 0x2020202020202020u) & ~word & 0x8080808080808080u) != 0;
}

// The XML checks of text already known to be UTF-8: U+FFFE and U+FFFF are
// EF BF BE and EF BF BF.
Utf8XmlScan ScanValidUtf8ForXml(const unsigned char* s, std::size_t length) {
    bool carriageReturn = false;
    std::size_t i = 0;
    while (i < length) {
        std::uint64_t word;
        if (i + 8 <= length && (std::memcpy(&word, s + i, 8), !WordMayHoldControl(word))) {
            i += 8;
            continue;
        }
        const unsigned char c = s[i++];
        if (c == '\r') carriageReturn = true;
        if (IsForbiddenControl(c)) return Utf8XmlScan::NotXmlCharacter;
    }
    for (const void* at = std::memchr(s, 0xEF, length); at;) {
        const std::size_t k = static_cast<std::size_t>(static_cast<const unsigned char*>(at) - s);
        if (k + 2 < length && s[k + 1] == 0xBF && s[k + 2] >= 0xBE) {
            return Utf8XmlScan::NotXmlCharacter;
        }
        at = std::memchr(s + k + 1, 0xEF, length - k - 1);
    }
    return carriageReturn ? Utf8XmlScan::CarriageReturn : Utf8XmlScan::Plain;
}

#if defined(__SSE2__)

#define QB_SCAN_INLINE inline __attribute__((always_inline))

// Thirty-two bytes at a time, each byte class a bit mask (bit k for byte k):
// the bytes 80..BF must be exactly the continuations the lead bytes before
// them announce (C2..DF one, E0..EF two, F0..F4 three), carried from window
// to window; C0, C1 and F5..FF never appear; the byte after E0, ED, F0 and
// F4 (and after EF, for U+FFFE and U+FFFF) is looked at one by one, as those
// leads are rare. Any fault ends the fast scan: the portable one then names
// it.
class CUtf8XmlWindowScanner {
public:
    static constexpr unsigned kWidth = 32;

    // The bytes from..to-1 of the 32 at `s` (those before `from` were
    // scanned by the previous window); `avail` bytes from s are readable.
    QB_SCAN_INLINE bool Window(const unsigned char* s, std::size_t avail, unsigned from,
                               unsigned to = kWidth) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
        const std::uint32_t valid =
            (~std::uint32_t{0} << from) & (~std::uint32_t{0} >> (kWidth - to));
        const __m128i limit = _mm_set1_epi8(0x1F);
        const std::uint32_t controls = Mask(_mm_cmpeq_epi8(_mm_min_epu8(a, limit), a),
                                            _mm_cmpeq_epi8(_mm_min_epu8(b, limit), b)) &
                                       valid;
        if (controls != 0 && !AllowedControls(a, b, controls)) return false;
        const std::uint32_t high = Mask(a, b) & valid;
        if (high == 0) return m_carry == 0;
        return Sequences(a, b, high, valid, from, s, avail);
    }
    bool Finished() const { return m_carry == 0; }
    bool CarriageReturn() const { return m_carriageReturn; }

private:
    static QB_SCAN_INLINE std::uint32_t Mask(__m128i a, __m128i b) {
        return static_cast<std::uint32_t>(_mm_movemask_epi8(a)) |
               static_cast<std::uint32_t>(_mm_movemask_epi8(b)) << 16;
    }
    // Signed comparisons: 80..BF are -128..-65, C0..FF are -64..-1.
    static QB_SCAN_INLINE std::uint32_t Below(__m128i a, __m128i b, char limit) {
        const __m128i l = _mm_set1_epi8(limit);
        return Mask(_mm_cmpgt_epi8(l, a), _mm_cmpgt_epi8(l, b));
    }
    static QB_SCAN_INLINE std::uint32_t Equal(__m128i a, __m128i b, char c) {
        const __m128i l = _mm_set1_epi8(c);
        return Mask(_mm_cmpeq_epi8(a, l), _mm_cmpeq_epi8(b, l));
    }

    bool AllowedControls(__m128i a, __m128i b, std::uint32_t controls) {
        const std::uint32_t cr = Equal(a, b, '\r') & controls;
        if (controls & ~(Equal(a, b, '\t') | Equal(a, b, '\n') | cr)) return false;
        if (cr != 0) m_carriageReturn = true;
        return true;
    }

    QB_SCAN_INLINE bool Sequences(__m128i a, __m128i b, std::uint32_t high, std::uint32_t valid,
                                  unsigned from, const unsigned char* s, std::size_t avail) {
        const std::uint32_t continuation = Below(a, b, -64) & valid;
        const std::uint32_t lead = high & ~continuation;
        const std::uint32_t three = ~Below(a, b, -32) & lead;  // E0..FF
        // C0 and C1 would be overlong forms.
        if ((Below(a, b, -62) & lead) != 0) return false;
        std::uint64_t expected = (std::uint64_t{lead} << 1) | (m_carry << from);
        if (three != 0) {
            const std::uint32_t four = ~Below(a, b, -16) & lead;             // F0..FF
            if (four != 0 && (~Below(a, b, -11) & lead) != 0) return false;  // F5..FF
            if (!RareLeads(a, b, three, s, avail)) return false;
            expected |= (std::uint64_t{three} << 2) | (std::uint64_t{four} << 3);
        }
        if (static_cast<std::uint32_t>(expected) != continuation) return false;
        m_carry = expected >> kWidth;
        return true;
    }

    // E0, ED, EF, F0 and F4.
    static QB_SCAN_INLINE __m128i Rare(__m128i x) {
        const __m128i e = _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(-32)),
                                       _mm_cmpeq_epi8(x, _mm_set1_epi8(-19)));
        const __m128i f = _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(-17)),
                                       _mm_cmpeq_epi8(x, _mm_set1_epi8(-16)));
        return _mm_or_si128(_mm_or_si128(e, f), _mm_cmpeq_epi8(x, _mm_set1_epi8(-12)));
    }

    static bool RareLeads(__m128i a, __m128i b, std::uint32_t three, const unsigned char* s,
                          std::size_t avail) {
        std::uint32_t rare = three & Mask(Rare(a), Rare(b));
        for (; rare != 0; rare &= rare - 1) {
            const std::size_t k = static_cast<std::size_t>(__builtin_ctz(rare));
            // A sequence cut by the end fails on its missing continuations.
            if (k + 2 >= avail) continue;
            const unsigned char c = s[k];
            const unsigned char next = s[k + 1];
            if ((c == 0xE0 && next < 0xA0) || (c == 0xED && next > 0x9F) ||
                (c == 0xF0 && next < 0x90) || (c == 0xF4 && next > 0x8F) ||
                (c == 0xEF && next == 0xBF && s[k + 2] >= 0xBE)) {
                return false;
            }
        }
        return true;
    }

    std::uint64_t m_carry = 0;  // continuations the last window's leads still expect
    bool m_carriageReturn = false;
};

// Short ASCII text, the commonest attribute value or whitespace, read as
// two words that may overlap (padded with spaces below eight bytes), then
// looked at as one vector. False when it is not ASCII: the caller then scans
// it in full.
inline bool ScanShortAscii(const unsigned char* s, std::size_t length, Utf8XmlScan& result) {
    std::uint64_t first;
    std::uint64_t last;
    if (length >= 8) {
        std::memcpy(&first, s, 8);
        std::memcpy(&last, s + length - 8, 8);
    } else if (length >= 4) {
        std::uint32_t low;
        std::uint32_t high;
        std::memcpy(&low, s, 4);
        std::memcpy(&high, s + length - 4, 4);
        first = low | 0x2020202000000000u;
        last = high | 0x2020202000000000u;
    } else {
        first = 0x2020202020202020u;
        for (std::size_t i = 0; i < length; ++i) first = (first << 8) | s[i];
        last = first;
    }
    if ((first | last) & 0x8080808080808080u) return false;
    result = Utf8XmlScan::Plain;
    if (!WordMayHoldControl(first) && !WordMayHoldControl(last)) return true;
    const __m128i x = _mm_set_epi64x(static_cast<long long>(last), static_cast<long long>(first));
    const __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(0x1F)), x);
    const __m128i cr = _mm_cmpeq_epi8(x, _mm_set1_epi8('\r'));
    const __m128i allowed = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('\t')),
                                                      _mm_cmpeq_epi8(x, _mm_set1_epi8('\n'))),
                                         cr);
    if (_mm_movemask_epi8(_mm_andnot_si128(allowed, controls)) != 0) {
        result = Utf8XmlScan::NotXmlCharacter;
    } else if (_mm_movemask_epi8(cr) != 0) {
        result = Utf8XmlScan::CarriageReturn;
    }
    return true;
}

// Fewer than 32 bytes, as two copies of a fixed size that may overlap.
inline void CopyShort(unsigned char* to, const unsigned char* from, std::size_t length) {
    if (length >= 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + length - 16),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + length - 16)));
    } else if (length >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + length - 8, from + length - 8, 8);
    } else {
        for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
    }
}

// Kept apart from the short path, whose callers need no stack frame.
__attribute__((noinline)) Utf8XmlScan ScanWindows(const unsigned char* s, std::size_t length) {
    constexpr unsigned kWidth = CUtf8XmlWindowScanner::kWidth;
    CUtf8XmlWindowScanner scanner;
    bool good = true;
    if (length < kWidth) {
        // Padded with NULs, which are not counted as text: one in place of
        // an announced continuation still reports the cut sequence.
        unsigned char padded[kWidth] = {};
        CopyShort(padded, s, length);
        good = scanner.Window(padded, length, 0, static_cast<unsigned>(length));
    } else {
        std::size_t i = 0;
        for (; good && i + kWidth <= length; i += kWidth)
            good = scanner.Window(s + i, length - i, 0);
        // The rest in a last window that ends with the text and overlaps
        // what was scanned.
        if (good && i < length) {
            good = scanner.Window(s + length - kWidth, kWidth,
                                  kWidth - static_cast<unsigned>(length - i));
        }
    }
    if (!good || !scanner.Finished()) {
        return ScanUtf8XmlTextPortable(reinterpret_cast<const char*>(s), length);
    }
    return scanner.CarriageReturn() ? Utf8XmlScan::CarriageReturn : Utf8XmlScan::Plain;
}

#undef QB_SCAN_INLINE

#endif

}  // namespace

Utf8XmlScan ScanUtf8XmlTextPortable(const char* text, std::size_t length) {
    if (!IsValidUtf8(text, length)) return Utf8XmlScan::InvalidUtf8;
    return ScanValidUtf8ForXml(reinterpret_cast<const unsigned char*>(text), length);
}

Utf8XmlScan ScanUtf8XmlText(const char* text, std::size_t length) {
#if defined(__SSE2__)
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    Utf8XmlScan result;
    if (length <= 16 && ScanShortAscii(s, length, result)) return result;
    return ScanWindows(s, length);
#else
    return ScanUtf8XmlTextPortable(text, length);
#endif
}

std::string Utf8ToLocal(const char* utf8, std::size_t length, char* scratch,
                        std::size_t scratchCapacity) {
    if (!utf8 || length == 0) return std::string();
    const unsigned int cp = GetLocalCharEncoding();
    // Every local encoding keeps ASCII as it is (SetLocalCharEncoding checks).
    if (IsUtf8CodePage(cp) || IsAscii(reinterpret_cast<const unsigned char*>(utf8), length)) {
        return std::string(utf8, length);
    }
    char stackArea[256];
    if (!scratch || scratchCapacity < 16) {
        scratch = stackArea;
        scratchCapacity = sizeof stackArea;
    }
    std::string result;
    const auto sink = [&result](const char* p, std::size_t n) { result.append(p, n); };
    if (!Convert(kUtf8ToLocal, utf8, length, scratch, scratchCapacity, sink)) result.clear();
    return result;
}

std::string Utf16ToLocal(const char16_t* units, std::size_t count) {
    if (!units || count == 0) return std::string();
    if (IsUtf8CodePage(GetLocalCharEncoding())) return Utf16ToUtf8(units, count).GetString();
    char area[512];
    std::string result;
    const auto sink = [&result](const char* p, std::size_t n) { result.append(p, n); };
    if (!Convert(kUtf16ToLocal, reinterpret_cast<const char*>(units), 2 * count, area, sizeof area,
                 sink)) {
        result.clear();
    }
    return result;
}

CBinaryData LocalToUtf8(const char* text) {
    return LocalToUtf8(text, text ? std::strlen(text) : 0);
}

CBinaryData LocalToUtf8(const char* text, std::size_t length) {
    if (!text || length == 0) return CBinaryData();
    if (IsUtf8CodePage(GetLocalCharEncoding())) {
        // An exact-size copy: whole documents pass through here.
        std::unique_ptr<unsigned char[]> bytes(new unsigned char[length]);
        std::memcpy(bytes.get(), text, length);
        return CBinaryData(std::move(bytes), length);
    }
    return ConvertLocal(kLocalToUtf8, text, length);
}

CBinaryData LocalToUtf16(const char* text) {
    return LocalToUtf16(text, text ? std::strlen(text) : 0);
}

CBinaryData LocalToUtf16(const char* text, std::size_t length) {
    if (!text || length == 0) return CBinaryData();
    if (IsUtf8CodePage(GetLocalCharEncoding())) {
        std::unique_ptr<char16_t[]> units(new char16_t[length]);
        const std::size_t count =
            DecodeUtf8(reinterpret_cast<const unsigned char*>(text), length, units.get());
        return Utf16UnitsToLittleEndian(units.get(), count);
    }
    return ConvertLocal(kLocalToUtf16Le, text, length);
}

CBinaryData Utf16ToUtf8(const char16_t* text) {
    std::size_t count = 0;
    if (text) {
        while (text[count] != 0) ++count;
    }
    return Utf16ToUtf8(text, count);
}

CBinaryData Utf16ToUtf8(const char16_t* units, std::size_t count) {
    if (!units || count == 0) return CBinaryData();
    bool ascii = true;
    for (std::size_t i = count; i-- > 0 && ascii;) ascii = units[i] < 0x80;
    const std::size_t size = ascii ? count : EncodeUtf8(units, count, nullptr, 0);
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[size > 0 ? size : 1]);
    const std::size_t written = EncodeUtf8(units, count, bytes.get(), size);
    return CBinaryData(std::move(bytes), written);
}

namespace {

// `count` wide characters as host-order UTF-16 units; code points beyond the
// BMP become surrogate pairs, invalid ones (and unpaired surrogates where
// wchar_t is 32 bits) U+FFFD.
std::u16string WideToUnits(const wchar_t* text, std::size_t count) {
    std::u16string units;
    units.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t cp = static_cast<std::uint32_t>(text[i]);
        if (sizeof(wchar_t) > 2 && (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))) {
            cp = kReplacement;
        }
        char16_t pair[2];
        units.append(pair, PutUtf16(cp, pair));
    }
    return units;
}

}  // namespace

CBinaryData WideToUtf16(const wchar_t* text) {
    if (!text) return CBinaryData();
    const std::u16string units = WideToUnits(text, std::wcslen(text));
    return Utf16UnitsToLittleEndian(units.data(), units.size());
}

std::string WideToLocal(const wchar_t* text, std::size_t count) {
    if (!text || count == 0) return std::string();
    const std::u16string units = WideToUnits(text, count);
    return Utf16ToLocal(units.data(), units.size());
}

}  // namespace QbXmlLib5
