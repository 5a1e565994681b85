#include "xml/CQuickXmlReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/CCharEncoding.h"
#include "xml/CXmlDocument.h"

namespace QbXmlLib5 {

namespace {

// Thrown where the reader declines, and caught by Parse only.
struct CDecline {};

[[noreturn]] void Decline() { throw CDecline(); }

inline void Require(bool condition) {
    if (!condition) Decline();
}

const std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
const std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";
// Expat reports "URI|local name" and refuses URIs holding the separator.
const char kExpatSeparator = '|';

enum : unsigned char {
    kNameStart = 1,
    kNameChar = 2,
    kSpace = 4,
    kTextStop = 8,   // '<', '&', ']', '\r' and the control characters text may not hold
    kValueStop = 16  // '<', '&', quotes, every control character, bytes from 0x80
};

struct CCharTable {
    unsigned char bits[256];
    static constexpr unsigned char U(char c) { return static_cast<unsigned char>(c); }
    constexpr CCharTable() : bits() {
        for (int c = 'a'; c <= 'z'; ++c) bits[c] = kNameStart | kNameChar;
        for (int c = 'A'; c <= 'Z'; ++c) bits[c] = kNameStart | kNameChar;
        bits[U('_')] = kNameStart | kNameChar;
        for (int c = '0'; c <= '9'; ++c) bits[c] = kNameChar;
        bits[U('.')] = kNameChar;
        bits[U('-')] = kNameChar;
        // ':' separates prefix and local name: ScanName looks for it.
        for (int c = 0; c < 0x20; ++c) bits[c] = kTextStop | kValueStop;
        for (int c = 0x80; c < 0x100; ++c) bits[c] = kValueStop;
        bits[U('\t')] = kSpace | kValueStop;
        bits[U('\n')] = kSpace | kValueStop;
        bits[U('\r')] = kSpace | kTextStop | kValueStop;
        bits[U(' ')] = kSpace;
        bits[U('<')] = kTextStop | kValueStop;
        bits[U('&')] = kTextStop | kValueStop;
        bits[U(']')] = kTextStop;
        bits[U('"')] = kValueStop;
        bits[U('\'')] = kValueStop;
    }
};
constexpr CCharTable kChars;

inline unsigned char Bits(const char* p) { return kChars.bits[static_cast<unsigned char>(*p)]; }

// Letters of common scripts that every edition of XML 1.0 and Expat's name
// tables take both to start and to go on in a name. Names with any other
// character beyond ASCII are left to Expat, which holds the full tables.
constexpr std::uint32_t kNameLetters[][2] = {
    {0x00C0, 0x00D6}, {0x00D8, 0x00F6}, {0x00F8, 0x00FF},                    // Latin-1
    {0x0100, 0x0131}, {0x0134, 0x013E}, {0x0141, 0x0148}, {0x014A, 0x017E},  // Latin Extended-A
    {0x0388, 0x038A}, {0x038C, 0x038C}, {0x038E, 0x03A1}, {0x03A3, 0x03CE},  // Greek
    {0x0401, 0x040C}, {0x040E, 0x044F}, {0x0451, 0x045C}, {0x045E, 0x0481},  // Cyrillic
    {0x3041, 0x3094}, {0x30A1, 0x30FA},                                      // kana
    {0x4E00, 0x9FA5},                                                        // CJK ideographs
    {0xAC00, 0xD7A3}};                                                       // Hangul

// The length of the UTF-8 sequence at `p` when it is one of those letters
// and lies whole before `end`; 0 otherwise.
inline std::size_t NameLetterLength(const char* p, const char* end) {
    const auto byte = [p](int i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(p[i]));
    };
    std::uint32_t c = 0;
    std::size_t length = 0;
    if (byte(0) >= 0xC2 && byte(0) < 0xE0 && end - p >= 2 && (byte(1) & 0xC0) == 0x80) {
        c = (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F);
        length = 2;
    } else if (byte(0) >= 0xE0 && byte(0) < 0xF0 && end - p >= 3 && (byte(1) & 0xC0) == 0x80 &&
               (byte(2) & 0xC0) == 0x80) {
        c = (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
        length = 3;  // overlong forms decode below 0x800, outside every range
    } else {
        return 0;
    }
    for (const auto& range : kNameLetters) {
        if (c >= range[0] && c <= range[1]) return length;
    }
    return 0;
}

inline bool IsXmlChar(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The first byte at or after `p` that text cannot simply pass (kTextStop),
// or `end`. `nonAscii` is set when a byte from 0x80 up was passed over,
// `lineEnd` when a line feed was.
inline const char* FindTextStop(const char* p, const char* end, bool& nonAscii, bool& lineEnd) {
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i bracket = _mm_set1_epi8(']');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    unsigned high = 0;
    unsigned lines = 0;
    while (end - p >= 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(b, lastControl), b);
        control =
            _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi8(b, tab), _mm_cmpeq_epi8(b, lf)), control);
        const __m128i stop = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(b, lt), _mm_cmpeq_epi8(b, amp)),
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, bracket), _mm_cmpeq_epi8(b, cr)), control));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(stop));
        const unsigned bytes = static_cast<unsigned>(_mm_movemask_epi8(b));
        const unsigned feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, lf)));
        if (mask != 0) {
            const unsigned before = (1u << __builtin_ctz(mask)) - 1;
            nonAscii |= (high | (bytes & before)) != 0;
            lineEnd |= (lines | (feeds & before)) != 0;
            return p + __builtin_ctz(mask);
        }
        high |= bytes;
        lines |= feeds;
        p += 16;
    }
    nonAscii |= high != 0;
    lineEnd |= lines != 0;
#endif
    for (; p < end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x80) {
            nonAscii = true;
        } else if (kChars.bits[c] & kTextStop) {
            return p;
        } else if (c == '\n') {
            lineEnd = true;
        }
    }
    return end;
}

// Well-formed UTF-8 of characters XML allows, where carriage returns are
// allowed too when `carriageReturns`.
inline bool CleanUtf8(const char* from, const char* to, bool carriageReturns) {
    const Utf8XmlScan scan = ScanUtf8XmlText(from, static_cast<std::size_t>(to - from));
    return scan == Utf8XmlScan::Plain || (carriageReturns && scan == Utf8XmlScan::CarriageReturn);
}

inline std::size_t CacheSlot(const char* name, std::size_t length) {
    const std::uint32_t key =
        static_cast<std::uint32_t>(length) << 24 ^
        static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) << 16 ^
        static_cast<std::uint32_t>(static_cast<unsigned char>(name[length / 2])) << 8 ^
        static_cast<unsigned char>(name[length - 1]);
    return (key * 0x9E3779B1u) >> 24;
}

// Set bits of a 16-bit mask, without the library call that __builtin_popcount
// becomes on the x86-64 baseline.
inline unsigned CountBits16(unsigned x) {
    x = x - (x >> 1 & 0x5555u);
    x = (x & 0x3333u) + (x >> 2 & 0x3333u);
    x = (x + (x >> 4)) & 0x0F0Fu;
    return (x + (x >> 8)) & 0x1Fu;
}

// Whether the `length` bytes at `a` and `b` are equal: names are short, and a
// call of memcmp costs more than comparing them here.
inline bool SameBytes(const char* a, const char* b, std::size_t length) {
    for (; length >= 8; a += 8, b += 8, length -= 8) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y) return false;
    }
    for (; length > 0; ++a, ++b, --length) {
        if (*a != *b) return false;
    }
    return true;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

CQuickXmlReader::CQuickXmlReader(CXmlDocument* document) : m_document(document) {}

CQuickXmlReader::~CQuickXmlReader() = default;

bool CQuickXmlReader::Suits(const CXmlDocument& document) {
    return document.GetSchemaType() != ST_NO_NAMESPACES && IsLocalCharEncodingUtf8();
}

bool CQuickXmlReader::Parse(const unsigned char* data, std::size_t length) {
    m_p = reinterpret_cast<const char*>(data);
    m_end = m_p + length;
    m_linePtr = m_p;
    m_positionDirty = true;
    m_keepLines = m_sink == nullptr && m_document->GetKeepLineNumbers();
    m_final = true;
    try {
        return Run();
    } catch (const CDecline&) {
        return false;
    }
}

bool CQuickXmlReader::Parse(const Source& source) {
    m_buffer.resize(kPiece);
    m_p = m_end = m_construct = m_linePtr = m_buffer.data();
    m_positionDirty = true;
    m_keepLines = m_sink == nullptr && m_document->GetKeepLineNumbers();
    m_final = false;
    for (;;) {
        try {
            return Run();
        } catch (const CDecline&) {
            if (m_final || !CutShort()) return false;
        }
        TakeMore(source);
    }
}

bool CQuickXmlReader::Run() {
    if (m_phase == Phase::kStart) {
        ReadStart();
        m_phase = Phase::kProlog;
    }
    if (m_phase == Phase::kProlog) {
        ReadProlog();
        m_construct = m_p;
        ReadStartTag();
        m_phase = Phase::kContent;
    }
    while (!m_open.empty()) {
        m_construct = m_p;
        // Tags often follow each other directly.
        if (m_p == m_end || *m_p != '<') {
            m_textMark = TextTarget().size();
            m_inText = true;
            ReadText();
            m_inText = false;
            m_construct = m_p;
        }
        Require(m_end - m_p >= 2);
        switch (m_p[1]) {
            case '/':
                ReadEndTag();
                break;
            case '?':
                SkipProcessingInstruction();
                break;
            case '!':
                if (LooksAt("<!--")) {
                    SkipComment();
                } else {
                    ReadCData();
                }
                break;
            default:
                ReadStartTag();
        }
    }
    m_phase = Phase::kEpilogue;
    SkipMisc();
    // A document read in pieces ends where its source does.
    Require(m_p == m_end && m_final);
    if (m_sink != nullptr) m_sink->EndDocument();
    return true;
}

// ---- Reading in pieces ----

bool CQuickXmlReader::CutShort() const {
    const char* p = m_construct;
    const char* const end = m_end;
    const auto lacks = [end](const char* from, std::string_view close) {
        return from > end ||
               std::string_view(from, static_cast<std::size_t>(end - from)).find(close) ==
                   std::string_view::npos;
    };
    switch (m_phase) {
        case Phase::kStart:
            return end - p < kStartBytes ||
                   (lacks(p, "?>") && end - p < static_cast<std::ptrdiff_t>(kMaxDeclaration));
        case Phase::kProlog:
        case Phase::kEpilogue:
            while (p < end && (Bits(p) & kSpace)) ++p;
            if (p == end) return true;
            if (*p != '<') return false;
            break;
        case Phase::kContent:
            if (p == end) return true;
            if (*p != '<') return lacks(p, "<");
            break;
    }
    if (end - p < 2) return true;
    switch (p[1]) {
        case '/':
            return lacks(p, ">");
        case '?':
            return lacks(p + 2, "?>");
        case '!': {
            const std::size_t left = static_cast<std::size_t>(end - p);
            for (const auto& [open, close] :
                 {std::pair<std::string_view, std::string_view>{"<!--", "-->"},
                  {"<![CDATA[", "]]>"}}) {
                if (std::memcmp(p, open.data(), std::min(left, open.size())) != 0) continue;
                return left < open.size() || lacks(p + open.size(), close);
            }
            return false;
        }
        default:
            break;
    }
    if (m_phase == Phase::kEpilogue) return false;
    // A start tag ends at the first '>' outside its quoted values.
    for (++p; p < end; ++p) {
        if (*p == '>') return false;
        if (*p == '"' || *p == '\'') {
            p = static_cast<const char*>(
                std::memchr(p + 1, *p, static_cast<std::size_t>(end - p - 1)));
            if (p == nullptr) return true;
        }
    }
    return true;
}

void CQuickXmlReader::TakeMore(const Source& source) {
    if (m_inText) {
        TextTarget().resize(m_textMark);
        m_inText = false;
    }
    // Counted up to the construct (never beyond it), which moves to the
    // start of the buffer.
    if (m_keepLines) AdvancePosition(m_construct);
    KeepNames();
    const std::size_t keep = static_cast<std::size_t>(m_end - m_construct);
    // Growing by doubling keeps the rereading of a long construct linear.
    if (keep > m_buffer.size() / 2) {
        std::vector<char> larger(m_buffer.size() * 2);
        std::memcpy(larger.data(), m_construct, keep);
        m_buffer.swap(larger);
    } else {
        std::memmove(m_buffer.data(), m_construct, keep);
    }
    char* const data = m_buffer.data();
    const std::size_t read =
        source(reinterpret_cast<unsigned char*>(data + keep), m_buffer.size() - keep);
    m_final = read == 0;
    m_p = m_construct = m_linePtr = data;
    m_end = data + keep + read;
}

void CQuickXmlReader::KeepNames() {
    std::size_t total = 0;
    for (const COpenElement& open : m_open) total += open.length;
    for (const CBinding& binding : m_bindings) total += binding.prefix.size();
    // Built whole before the old copy goes: names may be in either.
    std::vector<char> kept(total);
    char* at = kept.data();
    for (COpenElement& open : m_open) {
        std::memcpy(at, open.name, open.length);
        open.name = at;
        at += open.length;
    }
    m_innermost.clear();
    for (std::size_t i = 0; i < m_bindings.size(); ++i) {
        CBinding& binding = m_bindings[i];
        if (!binding.prefix.empty()) {  // the default namespace's may have no bytes at all
            std::memcpy(at, binding.prefix.data(), binding.prefix.size());
            binding.prefix = std::string_view(at, binding.prefix.size());
            at += binding.prefix.size();
        }
        m_innermost[binding.prefix] = i + 1;
    }
    m_kept.swap(kept);
    // The caches compare names by their bytes in the text.
    m_elementNames.fill(CCachedName());
    m_attributeNames.fill(CCachedName());
}

// ---- Scanning ----

bool CQuickXmlReader::LooksAt(std::string_view literal) const {
    return static_cast<std::size_t>(m_end - m_p) >= literal.size() &&
           std::memcmp(m_p, literal.data(), literal.size()) == 0;
}

void CQuickXmlReader::Expect(std::string_view literal) {
    Require(LooksAt(literal));
    m_p += literal.size();
}

inline bool CQuickXmlReader::SkipSpace() {
    const char* start = m_p;
    for (; m_p < m_end && (Bits(m_p) & kSpace); ++m_p) {
        m_positionDirty |= *m_p != ' ';
    }
    return m_p != start;
}

// A name at m_p, in the form namespaces allow: at most one colon, with a
// name character on each side.
inline std::size_t CQuickXmlReader::ScanName(std::size_t& colon) {
    // ASCII names here; anything else from the start again, below.
    const char* start = m_p;
    if (m_p == m_end || !(Bits(m_p) & kNameStart)) return ScanNameBeyondAscii(colon);
    colon = 0;
    for (;;) {
        for (++m_p; m_p < m_end && (Bits(m_p) & kNameChar); ++m_p) {
        }
        if (m_p == m_end || *m_p != ':') break;
        if (colon != 0 || m_p + 1 == m_end || !(Bits(m_p + 1) & kNameStart)) {
            m_p = start;
            return ScanNameBeyondAscii(colon);
        }
        colon = static_cast<std::size_t>(m_p - start);
    }
    if (m_p != m_end && static_cast<unsigned char>(*m_p) >= 0x80) {
        m_p = start;
        return ScanNameBeyondAscii(colon);
    }
    return static_cast<std::size_t>(m_p - start);
}

__attribute__((noinline)) std::size_t CQuickXmlReader::ScanNameBeyondAscii(std::size_t& colon) {
    const char* start = m_p;
    colon = 0;
    for (;;) {
        // A name character, or a part that starts with one.
        Require(m_p < m_end);
        if (Bits(m_p) & kNameStart) {
            ++m_p;
        } else {
            ScanNameLetter();
        }
        for (;;) {
            for (; m_p < m_end && (Bits(m_p) & kNameChar); ++m_p) {
            }
            if (m_p == m_end || static_cast<unsigned char>(*m_p) < 0x80) break;
            ScanNameLetter();
        }
        if (m_p == m_end || *m_p != ':') break;
        Require(colon == 0);
        colon = static_cast<std::size_t>(m_p - start);
        ++m_p;
    }
    return static_cast<std::size_t>(m_p - start);
}

void CQuickXmlReader::ScanNameLetter() {
    const std::size_t length = NameLetterLength(m_p, m_end);
    Require(length != 0);
    m_p += length;
    m_positionDirty = true;  // columns count characters
}

std::string_view CQuickXmlReader::QuotedLiteral() {
    SkipSpace();
    Expect("=");
    SkipSpace();
    Require(m_p < m_end && (*m_p == '"' || *m_p == '\''));
    const char quote = *m_p++;
    const char* start = m_p;
    while (m_p < m_end && *m_p != quote) ++m_p;
    Require(m_p < m_end);
    return std::string_view(start, static_cast<std::size_t>(m_p++ - start));
}

// ---- Outside the document element ----

void CQuickXmlReader::ReadStart() {
    // Enough bytes to tell a declaration from a processing instruction.
    if (!m_final) Require(m_end - m_p >= kStartBytes);
    if (LooksAt("\xEF\xBB\xBF")) {
        m_p += 3;
        m_positionDirty = true;  // one character of three bytes
    }
    if (LooksAt("<?xml") && m_end - m_p > 5 && (Bits(m_p + 5) & kSpace)) {
        ReadXmlDeclaration();
    }
}

void CQuickXmlReader::ReadProlog() {
    SkipMisc();
    // Anything else (a document type declaration above all) goes to Expat.
    Require(m_end - m_p >= 2 && *m_p == '<' &&
            ((Bits(m_p + 1) & kNameStart) || static_cast<unsigned char>(m_p[1]) >= 0x80));
}

void CQuickXmlReader::ReadXmlDeclaration() {
    m_positionDirty = true;
    m_p += 5;
    SkipSpace();
    Expect("version");
    Require(QuotedLiteral() == "1.0");
    bool space = SkipSpace();
    if (space && LooksAt("encoding")) {
        m_p += 8;
        Require(EqualsIgnoringCase(QuotedLiteral(), "UTF-8"));
        space = SkipSpace();
    }
    if (space && LooksAt("standalone")) {
        m_p += 10;
        const std::string_view value = QuotedLiteral();
        Require(value == "yes" || value == "no");
        SkipSpace();
    }
    Expect("?>");
}

void CQuickXmlReader::SkipMisc() {
    for (;;) {
        m_construct = m_p;
        SkipSpace();
        if (LooksAt("<?")) {
            SkipProcessingInstruction();
        } else if (LooksAt("<!--")) {
            SkipComment();
        } else {
            return;
        }
    }
}

void CQuickXmlReader::SkipComment() {
    m_positionDirty = true;
    m_p += 4;
    const char* const start = m_p;
    const char* const end = FindPair('-', '-');
    // "--" may only end the comment.
    Require(m_end - end > 2 && end[2] == '>');
    Require(CleanUtf8(start, end, true));
    if (m_sink != nullptr) {
        FlushText();
        m_sink->Comment(WithLineFeeds(start, end, m_scratch));
    }
    m_p = end + 3;
}

const char* CQuickXmlReader::FindPair(char first, char second) {
    for (;;) {
        const void* found = std::memchr(m_p, first, static_cast<std::size_t>(m_end - m_p));
        Require(found != nullptr);
        m_p = static_cast<const char*>(found) + 1;
        if (m_p < m_end && *m_p == second) return m_p - 1;
    }
}

void CQuickXmlReader::SkipProcessingInstruction() {
    m_positionDirty = true;
    m_p += 2;
    std::size_t colon = 0;
    const char* target = m_p;
    const std::size_t length = ScanName(colon);
    Require(colon == 0 && !EqualsIgnoringCase(std::string_view(target, length), "xml"));
    if (LooksAt("?>")) {
        m_p += 2;
        if (m_sink != nullptr) {
            FlushText();
            m_sink->ProcessingInstruction(std::string_view(target, length), std::string_view());
        }
        return;
    }
    Require(SkipSpace());
    const char* const start = m_p;
    const char* const end = FindPair('?', '>');
    Require(CleanUtf8(start, end, true));
    if (m_sink != nullptr) {
        FlushText();
        m_sink->ProcessingInstruction(std::string_view(target, length),
                                      WithLineFeeds(start, end, m_scratch));
    }
    m_p = end + 2;
}

// ---- Content ----

std::string& CQuickXmlReader::TextTarget() {
    return m_sink != nullptr ? m_run : m_open.back().element->m_text;
}

void CQuickXmlReader::FlushText() {
    if (m_run.empty()) return;
    m_sink->Text(m_run);
    m_run.clear();
}

std::string_view CQuickXmlReader::WithLineFeeds(const char* from, const char* to,
                                                std::string& buffer) {
    const std::string_view text(from, static_cast<std::size_t>(to - from));
    if (text.find('\r') == std::string_view::npos) return text;
    buffer.clear();
    for (const char* p = from; p < to; ++p) {
        if (*p != '\r') {
            buffer += *p;
        } else {
            buffer += '\n';
            if (p + 1 < to && p[1] == '\n') ++p;
        }
    }
    return buffer;
}

void CQuickXmlReader::AppendText(const char* from, const char* to, bool nonAscii) {
    if (from == to) return;
    Require(!nonAscii || CleanUtf8(from, to, false));
    m_positionDirty |= nonAscii;
    TextTarget().append(from, static_cast<std::size_t>(to - from));
}

void CQuickXmlReader::ReadText() {
    const char* run = m_p;
    bool nonAscii = false;
    bool lineEnd = false;
    for (;;) {
        const char* stop = FindTextStop(m_p, m_end, nonAscii, lineEnd);
        m_positionDirty |= lineEnd;
        Require(stop != m_end);
        switch (*stop) {
            case '<':
                AppendText(run, stop, nonAscii);
                m_p = stop;
                return;
            case ']':
                Require(!(m_end - stop >= 3 && stop[1] == ']' && stop[2] == '>'));
                m_p = stop + 1;
                continue;
            case '&': {
                AppendText(run, stop, nonAscii);
                m_p = stop;
                m_scratch.clear();
                // A carriage return written as a reference is left out of the
                // tree's text, as it is when Expat reads the document; events
                // pass it on, as Expat does.
                if (ReadReference(m_scratch) != '\r' || m_sink != nullptr) {
                    TextTarget() += m_scratch;
                }
                break;
            }
            case '\r':
                m_positionDirty = true;
                AppendText(run, stop, nonAscii);
                TextTarget() += '\n';
                m_p = stop + 1;
                if (m_p < m_end && *m_p == '\n') ++m_p;
                break;
            default:
                Decline();  // a control character
        }
        run = m_p;
        nonAscii = false;
    }
}

std::uint32_t CQuickXmlReader::ReadReference(std::string& out) {
    ++m_p;  // '&'
    std::uint32_t c = 0;
    if (m_p < m_end && *m_p == '#') {
        ++m_p;
        const bool hex = m_p < m_end && *m_p == 'x';
        if (hex) ++m_p;
        const char* digits = m_p;
        for (; m_p < m_end && *m_p != ';'; ++m_p) {
            const char d = *m_p;
            std::uint32_t value;
            if (d >= '0' && d <= '9') {
                value = static_cast<std::uint32_t>(d - '0');
            } else if (hex && d >= 'a' && d <= 'f') {
                value = static_cast<std::uint32_t>(d - 'a' + 10);
            } else if (hex && d >= 'A' && d <= 'F') {
                value = static_cast<std::uint32_t>(d - 'A' + 10);
            } else {
                Decline();
            }
            c = c * (hex ? 16 : 10) + value;
            Require(c <= 0x10FFFF);
        }
        Require(m_p < m_end && m_p != digits && IsXmlChar(c));
    } else {
        static const struct {
            std::string_view name;
            char c;
        } kEntities[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
        const char* semicolon = m_p;
        while (semicolon < m_end && semicolon - m_p < 5 && *semicolon != ';') ++semicolon;
        Require(semicolon < m_end && *semicolon == ';');
        const std::string_view name(m_p, static_cast<std::size_t>(semicolon - m_p));
        bool known = false;
        for (const auto& entity : kEntities) {
            if (entity.name == name) {
                c = static_cast<unsigned char>(entity.c);
                known = true;
            }
        }
        Require(known);
        m_p = semicolon;
    }
    ++m_p;  // ';'
    AppendUtf8(out, c);
    return c;
}

void CQuickXmlReader::ReadCData() {
    m_positionDirty = true;
    Expect("<![CDATA[");
    const char* const start = m_p;
    for (;;) {
        const void* bracket = std::memchr(m_p, ']', static_cast<std::size_t>(m_end - m_p));
        Require(bracket != nullptr);
        m_p = static_cast<const char*>(bracket) + 1;
        if (m_end - m_p >= 2 && m_p[0] == ']' && m_p[1] == '>') break;
    }
    const char* const end = m_p - 1;
    m_p += 2;
    const Utf8XmlScan scan = ScanUtf8XmlText(start, static_cast<std::size_t>(end - start));
    Require(scan == Utf8XmlScan::Plain || scan == Utf8XmlScan::CarriageReturn);
    TextTarget() += WithLineFeeds(start, end, m_scratch);
}

void CQuickXmlReader::ReadEndTag() {
    m_p += 2;
    const COpenElement& open = m_open.back();
    Require(static_cast<std::size_t>(m_end - m_p) >= open.length &&
            SameBytes(m_p, open.name, open.length));
    m_p += open.length;
    // The name must end there: "</ab>" does not close <a>.
    Require(m_p < m_end && !(Bits(m_p) & kNameChar) && static_cast<unsigned char>(*m_p) < 0x80);
    SkipSpace();
    Expect(">");
    CloseElement();
}

void CQuickXmlReader::CloseElement() {
    const std::size_t bindings = m_open.back().bindings;
    m_open.pop_back();
    if (m_sink != nullptr) {
        FlushText();
        m_sink->EndElement();
    } else {
        m_document->EndElement();
    }
    while (m_bindings.size() > bindings) {
        const CBinding& binding = m_bindings.back();
        if (binding.changes) ++m_generation;
        if (binding.shadowed != 0) {
            m_innermost[binding.prefix] = binding.shadowed;
        } else {
            m_innermost.erase(binding.prefix);
        }
        m_bindings.pop_back();
    }
}

// ---- Start tags and attributes ----

void CQuickXmlReader::ReadStartTag() {
    // Counted before the attributes: what they hold is counted up to the
    // next tag.
    if (m_keepLines) AdvancePosition(m_p);
    ++m_p;
    std::size_t colon = 0;
    const char* const name = m_p;
    const std::size_t length = ScanName(colon);
    m_attributes.clear();
    m_values.clear();
    bool empty = false;
    for (;;) {
        const bool space = SkipSpace();
        Require(m_p < m_end);
        if (*m_p == '>') {
            ++m_p;
            break;
        }
        if (*m_p == '/') {
            Expect("/>");
            empty = true;
            break;
        }
        Require(space && m_attributes.size() < kMaxAttributes);
        CRawAttribute attribute{m_p, 0, 0, nullptr, 0, 0};
        attribute.length = ScanName(attribute.colon);
        SkipSpace();
        Expect("=");
        SkipSpace();
        ReadAttributeValue(attribute);
        m_attributes.push_back(attribute);
    }
    StartElement(name, length, colon, empty);
}

void CQuickXmlReader::ReadAttributeValue(CRawAttribute& attribute) {
    Require(m_p < m_end && (*m_p == '"' || *m_p == '\''));
    const char quote = *m_p++;
    const char* const start = m_p;
    bool nonAscii = false;
    for (;;) {
        while (m_p < m_end && !(Bits(m_p) & kValueStop)) ++m_p;
        Require(m_p < m_end);
        const unsigned char c = static_cast<unsigned char>(*m_p);
        if (c == static_cast<unsigned char>(quote)) break;
        if (c == '"' || c == '\'') {
            ++m_p;
        } else if (c >= 0x80) {
            nonAscii = true;
            ++m_p;
        } else if (c == '&' || c == '\t' || c == '\n' || c == '\r') {
            NormaliseAttributeValue(start, quote, attribute);
            return;
        } else {
            Decline();  // '<' or a control character
        }
    }
    Require(!nonAscii || CleanUtf8(start, m_p, false));
    m_positionDirty |= nonAscii;
    attribute.value = start;
    attribute.valueLength = static_cast<std::size_t>(m_p - start);
    ++m_p;
}

void CQuickXmlReader::NormaliseAttributeValue(const char* start, char quote,
                                              CRawAttribute& attribute) {
    attribute.valueOffset = m_values.size();
    m_positionDirty = true;
    m_p = start;
    const char* run = start;
    for (;;) {
        while (m_p < m_end && !(Bits(m_p) & kValueStop)) ++m_p;
        Require(m_p < m_end);
        const char c = *m_p;
        if (c == quote) break;
        if (c == '"' || c == '\'' || static_cast<unsigned char>(c) >= 0x80) {
            ++m_p;
            continue;
        }
        m_values.append(run, static_cast<std::size_t>(m_p - run));
        if (c == '&') {
            ReadReference(m_values);  // kept as written, even white space
        } else if (c == '\t' || c == '\n' || c == '\r') {
            m_values += ' ';
            ++m_p;
            if (c == '\r' && m_p < m_end && *m_p == '\n') ++m_p;
        } else {
            Decline();
        }
        run = m_p;
    }
    m_values.append(run, static_cast<std::size_t>(m_p - run));
    Require(CleanUtf8(start, m_p, true));
    attribute.valueLength = m_values.size() - attribute.valueOffset;
    ++m_p;
}

void CQuickXmlReader::Declare(std::string_view prefix, std::string_view uri) {
    Require(uri.find(kExpatSeparator) == std::string_view::npos && uri != kXmlNamespace &&
            uri != kXmlnsNamespace);
    // Undeclaring a prefix, and declaring xml or xmlns, are Expat's to judge.
    Require(prefix.empty() || (!uri.empty() && prefix != "xml" && prefix != "xmlns"));
    const std::string* internedUri = m_document->InternName(uri);
    if (m_sink == nullptr) {
        m_document->AddInternedAlias(m_document->InternName(prefix), internedUri);
    }
    const bool changes = Bound(prefix) != internedUri;
    std::size_t& innermost = m_innermost[prefix];
    m_bindings.push_back(CBinding{prefix, internedUri, changes, innermost});
    innermost = m_bindings.size();
    if (changes) ++m_generation;
}

const std::string* CQuickXmlReader::Bound(std::string_view prefix) const {
    const auto found = m_innermost.find(prefix);
    return found == m_innermost.end() ? nullptr : m_bindings[found->second - 1].uri;
}

void CQuickXmlReader::StartElement(const char* name, std::size_t length, std::size_t colon,
                                   bool empty) {
    m_tagName = name;
    m_tagLength = length;
    // Raw names first: xmlns attributes may not repeat either.
    const std::size_t count = m_attributes.size();
    for (std::size_t i = 1; i < count; ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            Require(m_attributes[i].length != m_attributes[j].length ||
                    !SameBytes(m_attributes[i].name, m_attributes[j].name, m_attributes[i].length));
        }
    }
    const std::size_t outerBindings = m_bindings.size();
    std::size_t declarations = 0;
    for (CRawAttribute& attribute : m_attributes) {
        const std::string_view raw(attribute.name, attribute.length);
        const bool isDefault = raw == "xmlns";
        if (!isDefault && (attribute.colon != 5 || raw.compare(0, 5, "xmlns") != 0)) continue;
        Declare(isDefault ? std::string_view() : raw.substr(6), ValueOf(attribute));
        attribute.name = nullptr;  // not an attribute of the tree
        ++declarations;
    }
    Require(colon == 0 || std::string_view(name, colon) != "xml");
    const CXmlName* elementName = NameOf(m_elementNames, name, length, colon, true);
    m_attributeNamesResolved.clear();
    if (count > declarations) {
        bool prefixed = false;
        for (const CRawAttribute& attribute : m_attributes) {
            if (attribute.name == nullptr) continue;
            prefixed |= attribute.colon != 0;
            m_attributeNamesResolved.push_back(
                NameOf(m_attributeNames, attribute.name, attribute.length, attribute.colon, false));
        }
        // Two prefixes may stand for one namespace.
        if (prefixed) CheckDuplicates(m_attributeNamesResolved);
    }
    if (m_sink != nullptr) {
        EmitStart(name, colon, elementName, outerBindings);
    } else {
        BuildStart(elementName, outerBindings);
    }
    if (empty) CloseElement();
}

void CQuickXmlReader::BuildStart(const CXmlName* elementName, std::size_t outerBindings) {
    CXmlElement* element = m_open.empty() ? m_document->AddInternedDocElement(elementName)
                                          : m_document->AddInternedChildElement(elementName);
    m_open.push_back(COpenElement{element, m_tagName, m_tagLength, outerBindings});
    if (m_keepLines) {
        CXmlDocument::SetPosition(element, m_line, m_column + 1);
    }
    if (m_attributeNamesResolved.empty()) return;
    element->m_attributes.reserve(m_attributeNamesResolved.size());
    std::size_t index = 0;
    for (const CRawAttribute& attribute : m_attributes) {
        if (attribute.name == nullptr) continue;
        element->m_attributes.push_back(
            m_document->CreateAttribute(m_attributeNamesResolved[index++], ValueOf(attribute)));
    }
}

void CQuickXmlReader::EmitStart(const char* name, std::size_t colon, const CXmlName* elementName,
                                std::size_t outerBindings) {
    FlushText();
    m_open.push_back(COpenElement{nullptr, m_tagName, m_tagLength, outerBindings});
    m_eventDeclarations.clear();
    for (std::size_t i = outerBindings; i < m_bindings.size(); ++i) {
        m_eventDeclarations.push_back({m_bindings[i].prefix, *m_bindings[i].uri});
    }
    m_eventAttributes.clear();
    std::size_t index = 0;
    for (const CRawAttribute& attribute : m_attributes) {
        if (attribute.name == nullptr) continue;
        const CXmlName* resolved = m_attributeNamesResolved[index++];
        m_eventAttributes.push_back({{std::string_view(attribute.name, attribute.colon),
                                      *resolved->namespaceUri, *resolved->localName},
                                     ValueOf(attribute)});
    }
    m_sink->StartElement(
        {std::string_view(name, colon), *elementName->namespaceUri, *elementName->localName},
        m_eventDeclarations, m_eventAttributes);
}

std::string_view CQuickXmlReader::ValueOf(const CRawAttribute& attribute) const {
    return attribute.value
               ? std::string_view(attribute.value, attribute.valueLength)
               : std::string_view(m_values).substr(attribute.valueOffset, attribute.valueLength);
}

void CQuickXmlReader::CheckDuplicates(const std::vector<const CXmlName*>& names) const {
    for (std::size_t i = 1; i < names.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) Require(names[i] != names[j]);
    }
}

inline const CXmlName* CQuickXmlReader::NameOf(CNameCache& cache, const char* raw,
                                               std::size_t length, std::size_t colon,
                                               bool element) {
    CCachedName& entry = cache[CacheSlot(raw, length)];
    if (entry.generation == m_generation && entry.length == length &&
        SameBytes(entry.raw, raw, length)) {
        return entry.name;
    }
    const CXmlName* name = Resolve(raw, length, colon, element);
    entry = CCachedName{raw, length, m_generation, name};
    return name;
}

const CXmlName* CQuickXmlReader::Resolve(const char* raw, std::size_t length, std::size_t colon,
                                         bool element) {
    const std::string* uri = nullptr;
    std::string_view local(raw, length);
    if (colon != 0) {
        const std::string_view prefix(raw, colon);
        uri = prefix == "xml" ? m_document->InternName(kXmlNamespace) : Bound(prefix);
        Require(uri != nullptr && prefix != "xmlns");
        local.remove_prefix(colon + 1);
    } else if (element) {
        uri = Bound(std::string_view());
    }
    if (uri == nullptr) uri = m_document->InternName(std::string_view());
    return m_document->InternQualifiedName(uri, m_document->InternName(local));
}

// ---- Positions ----

void CQuickXmlReader::AdvancePosition(const char* to) {
    if (!m_positionDirty) {
        // Nothing but ASCII on the same line: a column a byte.
        m_column += static_cast<unsigned long>(to - m_linePtr);
        m_linePtr = to;
        return;
    }
    m_positionDirty = false;
    const char* p = m_linePtr;
    while (p < to) {
        const std::size_t left = static_cast<std::size_t>(to - p);
        const std::size_t block = left < 16 ? left : 16;
#if defined(__SSE2__)
        // Sixteen bytes at a time, reading past `to` while the text lasts
        // (those bytes are masked off).
        if (m_end - p >= 16) {
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const unsigned mask = (1u << block) - 1;
            if ((static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, _mm_set1_epi8('\r')))) &
                 mask) == 0) {
                const unsigned lines = static_cast<unsigned>(_mm_movemask_epi8(
                                           _mm_cmpeq_epi8(b, _mm_set1_epi8('\n')))) &
                                       mask;
                // Continuation bytes (0x80-0xBF) are below 0xC0 as signed bytes.
                const unsigned characters = ~static_cast<unsigned>(_mm_movemask_epi8(
                                                _mm_cmplt_epi8(b, _mm_set1_epi8(-64)))) &
                                            mask;
                if (lines != 0) {
                    m_line += static_cast<unsigned long>(CountBits16(lines));
                    const unsigned last = 31 - static_cast<unsigned>(__builtin_clz(lines));
                    m_column =
                        static_cast<unsigned long>(CountBits16(characters & ~((2u << last) - 1)));
                } else {
                    m_column += static_cast<unsigned long>(CountBits16(characters));
                }
                p += block;
                continue;
            }
        }
#endif
        // By hand: a block with a carriage return, or the end of the text.
        const char* const stop = p + block;
        for (; p < stop; ++p) {
            const unsigned char c = static_cast<unsigned char>(*p);
            if (c == '\n' || c == '\r') {
                ++m_line;
                m_column = 0;
                if (c == '\r' && p + 1 < to && p[1] == '\n') ++p;
            } else if ((c & 0xC0) != 0x80) {
                ++m_column;
            }
        }
    }
    m_linePtr = to;
}

}  // namespace QbXmlLib5
