// CXsdRegex::ToPcre: XML Schema regular expressions to PCRE2 syntax.
//
// A recursive-descent parser over the code points of the pattern emits PCRE2
// text as it goes. Every literal that is not an ASCII letter or digit is
// written as \x{..}, so no XSD character can turn into PCRE syntax. Every
// character class becomes an expression matching exactly one character:
// a PCRE class of union items, and a subtraction A-[B] becomes (?:(?!B)A).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/CQbException.h"
#include "types/CXsdRegex.h"

namespace QbXmlLib5 {

namespace {

using Range = std::pair<char32_t, char32_t>;
using Ranges = std::vector<Range>;

constexpr char32_t kMaxCodePoint = 0x10FFFF;
// Nesting of groups and subtractions; below PCRE2's own limit of 250.
constexpr int kMaxDepth = 200;
// The translated text may grow by a few hundred bytes for one escape.
constexpr std::size_t kMaxOutput = 1u << 20;
// PCRE2's largest repeat count.
constexpr unsigned kMaxRepeat = 65535;

// XML 1.0 (fifth edition) NameStartChar, and NameChar.
const Ranges kNameStart = {
    {0x3A, 0x3A},     {0x41, 0x5A},     {0x5F, 0x5F},     {0x61, 0x7A},
    {0xC0, 0xD6},     {0xD8, 0xF6},     {0xF8, 0x2FF},    {0x370, 0x37D},
    {0x37F, 0x1FFF},  {0x200C, 0x200D}, {0x2070, 0x218F}, {0x2C00, 0x2FEF},
    {0x3001, 0xD7FF}, {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF}};
const Ranges kNameChar = {{0x2D, 0x2E},     {0x30, 0x3A},      {0x41, 0x5A},     {0x5F, 0x5F},
                          {0x61, 0x7A},     {0xB7, 0xB7},      {0xC0, 0xD6},     {0xD8, 0xF6},
                          {0xF8, 0x37D},    {0x37F, 0x1FFF},   {0x200C, 0x200D}, {0x203F, 0x2040},
                          {0x2070, 0x218F}, {0x2C00, 0x2FEF},  {0x3001, 0xD7FF}, {0xF900, 0xFDCF},
                          {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF}};
const Ranges kSpace = {{0x9, 0xA}, {0xD, 0xD}, {0x20, 0x20}};

struct Block {
    const char* name;
    char32_t first;
    char32_t last;
};

// The block names of XML Schema's \p{Is...}; a name listed twice is the
// union of its ranges.
const Block kBlocks[] = {
    {"BasicLatin", 0x0000, 0x007F},
    {"Latin-1Supplement", 0x0080, 0x00FF},
    {"LatinExtended-A", 0x0100, 0x017F},
    {"LatinExtended-B", 0x0180, 0x024F},
    {"IPAExtensions", 0x0250, 0x02AF},
    {"SpacingModifierLetters", 0x02B0, 0x02FF},
    {"CombiningDiacriticalMarks", 0x0300, 0x036F},
    {"Greek", 0x0370, 0x03FF},
    {"Cyrillic", 0x0400, 0x04FF},
    {"Armenian", 0x0530, 0x058F},
    {"Hebrew", 0x0590, 0x05FF},
    {"Arabic", 0x0600, 0x06FF},
    {"Syriac", 0x0700, 0x074F},
    {"Thaana", 0x0780, 0x07BF},
    {"Devanagari", 0x0900, 0x097F},
    {"Bengali", 0x0980, 0x09FF},
    {"Gurmukhi", 0x0A00, 0x0A7F},
    {"Gujarati", 0x0A80, 0x0AFF},
    {"Oriya", 0x0B00, 0x0B7F},
    {"Tamil", 0x0B80, 0x0BFF},
    {"Telugu", 0x0C00, 0x0C7F},
    {"Kannada", 0x0C80, 0x0CFF},
    {"Malayalam", 0x0D00, 0x0D7F},
    {"Sinhala", 0x0D80, 0x0DFF},
    {"Thai", 0x0E00, 0x0E7F},
    {"Lao", 0x0E80, 0x0EFF},
    {"Tibetan", 0x0F00, 0x0FFF},
    {"Myanmar", 0x1000, 0x109F},
    {"Georgian", 0x10A0, 0x10FF},
    {"HangulJamo", 0x1100, 0x11FF},
    {"Ethiopic", 0x1200, 0x137F},
    {"Cherokee", 0x13A0, 0x13FF},
    {"UnifiedCanadianAboriginalSyllabics", 0x1400, 0x167F},
    {"Ogham", 0x1680, 0x169F},
    {"Runic", 0x16A0, 0x16FF},
    {"Khmer", 0x1780, 0x17FF},
    {"Mongolian", 0x1800, 0x18AF},
    {"LatinExtendedAdditional", 0x1E00, 0x1EFF},
    {"GreekExtended", 0x1F00, 0x1FFF},
    {"GeneralPunctuation", 0x2000, 0x206F},
    {"SuperscriptsandSubscripts", 0x2070, 0x209F},
    {"CurrencySymbols", 0x20A0, 0x20CF},
    {"CombiningMarksforSymbols", 0x20D0, 0x20FF},
    {"LetterlikeSymbols", 0x2100, 0x214F},
    {"NumberForms", 0x2150, 0x218F},
    {"Arrows", 0x2190, 0x21FF},
    {"MathematicalOperators", 0x2200, 0x22FF},
    {"MiscellaneousTechnical", 0x2300, 0x23FF},
    {"ControlPictures", 0x2400, 0x243F},
    {"OpticalCharacterRecognition", 0x2440, 0x245F},
    {"EnclosedAlphanumerics", 0x2460, 0x24FF},
    {"BoxDrawing", 0x2500, 0x257F},
    {"BlockElements", 0x2580, 0x259F},
    {"GeometricShapes", 0x25A0, 0x25FF},
    {"MiscellaneousSymbols", 0x2600, 0x26FF},
    {"Dingbats", 0x2700, 0x27BF},
    {"BraillePatterns", 0x2800, 0x28FF},
    {"CJKRadicalsSupplement", 0x2E80, 0x2EFF},
    {"KangxiRadicals", 0x2F00, 0x2FDF},
    {"IdeographicDescriptionCharacters", 0x2FF0, 0x2FFF},
    {"CJKSymbolsandPunctuation", 0x3000, 0x303F},
    {"Hiragana", 0x3040, 0x309F},
    {"Katakana", 0x30A0, 0x30FF},
    {"Bopomofo", 0x3100, 0x312F},
    {"HangulCompatibilityJamo", 0x3130, 0x318F},
    {"Kanbun", 0x3190, 0x319F},
    {"BopomofoExtended", 0x31A0, 0x31BF},
    {"EnclosedCJKLettersandMonths", 0x3200, 0x32FF},
    {"CJKCompatibility", 0x3300, 0x33FF},
    {"CJKUnifiedIdeographsExtensionA", 0x3400, 0x4DB5},
    {"CJKUnifiedIdeographs", 0x4E00, 0x9FFF},
    {"YiSyllables", 0xA000, 0xA48F},
    {"YiRadicals", 0xA490, 0xA4CF},
    {"HangulSyllables", 0xAC00, 0xD7A3},
    {"HighSurrogates", 0xD800, 0xDB7F},
    {"HighPrivateUseSurrogates", 0xDB80, 0xDBFF},
    {"LowSurrogates", 0xDC00, 0xDFFF},
    {"PrivateUse", 0xE000, 0xF8FF},
    {"CJKCompatibilityIdeographs", 0xF900, 0xFAFF},
    {"AlphabeticPresentationForms", 0xFB00, 0xFB4F},
    {"ArabicPresentationForms-A", 0xFB50, 0xFDFF},
    {"CombiningHalfMarks", 0xFE20, 0xFE2F},
    {"CJKCompatibilityForms", 0xFE30, 0xFE4F},
    {"SmallFormVariants", 0xFE50, 0xFE6F},
    {"ArabicPresentationForms-B", 0xFE70, 0xFEFE},
    {"Specials", 0xFEFF, 0xFEFF},
    {"HalfwidthandFullwidthForms", 0xFF00, 0xFFEF},
    {"Specials", 0xFFF0, 0xFFFD},
    {"OldItalic", 0x10300, 0x1032F},
    {"Gothic", 0x10330, 0x1034F},
    {"Deseret", 0x10400, 0x1044F},
    {"ByzantineMusicalSymbols", 0x1D000, 0x1D0FF},
    {"MusicalSymbols", 0x1D100, 0x1D1FF},
    {"MathematicalAlphanumericSymbols", 0x1D400, 0x1D7FF},
    {"CJKUnifiedIdeographsExtensionB", 0x20000, 0x2A6D6},
    {"CJKCompatibilityIdeographsSupplement", 0x2F800, 0x2FA1F},
    {"Tags", 0xE0000, 0xE007F},
    {"PrivateUse", 0xF0000, 0xFFFFD},
    {"PrivateUse", 0x100000, 0x10FFFD},
};

const char* const kCategories[] = {"L",  "Lu", "Ll", "Lt", "Lm", "Lo", "M",  "Mn", "Mc",
                                   "Me", "N",  "Nd", "Nl", "No", "P",  "Pc", "Pd", "Ps",
                                   "Pe", "Pi", "Pf", "Po", "Z",  "Zs", "Zl", "Zp", "S",
                                   "Sm", "Sc", "Sk", "So", "C",  "Cc", "Cf", "Co", "Cn"};

[[noreturn]] void Fail(const std::string& reason) { throw CQbException(reason); }

// Strict UTF-8 (no overlong forms, no surrogates) to code points.
std::u32string DecodeUtf8(const std::string& text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80   ? 0
                          : lead < 0xC0 ? -1
                          : lead < 0xE0 ? 1
                          : lead < 0xF0 ? 2
                          : lead < 0xF8 ? 3
                                        : -1;
        if (extra < 0 || text.size() - i <= static_cast<std::size_t>(extra)) {
            Fail("invalid UTF-8 at byte " + std::to_string(i));
        }
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) Fail("invalid UTF-8 at byte " + std::to_string(i));
            cp = (cp << 6) | (next & 0x3F);
        }
        static const char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > kMaxCodePoint || (cp >= 0xD800 && cp <= 0xDFFF)) {
            Fail("invalid UTF-8 at byte " + std::to_string(i));
        }
        out += cp;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

void AppendCodePoint(std::string& out, char32_t cp) {
    if ((cp >= '0' && cp <= '9') || (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z')) {
        out += static_cast<char>(cp);
        return;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "\\x{%X}", static_cast<unsigned>(cp));
    out += buffer;
}

// A range as class items; surrogates cannot occur in UTF-8 text and PCRE2
// refuses them, so they are left out.
void AppendRange(std::string& out, char32_t first, char32_t last) {
    if (first <= 0xDFFF && last >= 0xD800) {
        if (first < 0xD800) AppendRange(out, first, 0xD7FF);
        if (last > 0xDFFF) AppendRange(out, 0xE000, last);
        return;
    }
    AppendCodePoint(out, first);
    if (last != first) {
        out += '-';
        AppendCodePoint(out, last);
    }
}

void AppendRanges(std::string& out, const Ranges& ranges, bool complement) {
    if (!complement) {
        for (const Range& r : ranges) AppendRange(out, r.first, r.second);
        return;
    }
    char32_t next = 0;
    for (const Range& r : ranges) {
        if (r.first > next) AppendRange(out, next, r.first - 1);
        next = r.second + 1;
    }
    if (next <= kMaxCodePoint) AppendRange(out, next, kMaxCodePoint);
}

// The class items of a fixed set, built once.
const std::string& RangesText(const Ranges& ranges, bool complement) {
    static const auto build = [](const Ranges& set, bool inverse) {
        std::string text;
        AppendRanges(text, set, inverse);
        return text;
    };
    static const std::string kTexts[] = {build(kSpace, false),     build(kSpace, true),
                                         build(kNameStart, false), build(kNameStart, true),
                                         build(kNameChar, false),  build(kNameChar, true)};
    const int set = &ranges == &kSpace ? 0 : &ranges == &kNameStart ? 2 : 4;
    return kTexts[set + (complement ? 1 : 0)];
}

bool IsCategory(const std::string& name) {
    for (const char* category : kCategories) {
        if (name == category) return true;
    }
    return false;
}

// The ranges of block `name` (without its "Is"), empty when unknown.
Ranges BlockRanges(const std::string& name) {
    Ranges ranges;
    for (const Block& block : kBlocks) {
        if (name == block.name) ranges.emplace_back(block.first, block.last);
    }
    return ranges;
}

bool IsOneOf(char32_t c, const char* set) {
    return c != 0 && c < 0x80 && std::strchr(set, static_cast<int>(c)) != nullptr;
}

bool IsClassEscapeLetter(char32_t c) { return IsOneOf(c, "sSiIcCdDwWpP"); }

// The character a single-character escape stands for, or 0.
char32_t SingleEscape(char32_t c) {
    if (c == 'n') return '\n';
    if (c == 'r') return '\r';
    if (c == 't') return '\t';
    return IsOneOf(c, "\\|.?*+(){}-[]^") ? c : 0;
}

std::string Quote(char32_t cp) {
    std::string text;
    if (cp >= 0x20 && cp < 0x7F) return "'" + std::string(1, static_cast<char>(cp)) + "'";
    AppendCodePoint(text, cp);
    return text;
}

class Translator {
public:
    explicit Translator(std::u32string pattern) : m_text(std::move(pattern)) {}

    std::string Run() {
        RegExp();
        if (!AtEnd()) Fail("unmatched ')' at offset " + std::to_string(m_pos));
        return std::move(m_out);
    }

private:
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char32_t Peek(std::size_t ahead = 0) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : 0;
    }
    bool PeekIs(char32_t c, std::size_t ahead = 0) const {
        return m_pos + ahead < m_text.size() && m_text[m_pos + ahead] == c;
    }
    char32_t Next() {
        if (AtEnd()) Fail("unexpected end of pattern");
        return m_text[m_pos++];
    }
    void Expect(char32_t c, const char* what) {
        if (!PeekIs(c))
            Fail(std::string("missing ") + what + " at offset " + std::to_string(m_pos));
        ++m_pos;
    }
    [[noreturn]] void Unexpected(std::size_t at) const {
        Fail("unexpected " + Quote(m_text[at]) + " at offset " + std::to_string(at));
    }
    void Enter(int cost) {
        m_depth += cost;
        if (m_depth > kMaxDepth) Fail("nesting too deep at offset " + std::to_string(m_pos));
    }
    static void CheckSize(const std::string& text) {
        if (text.size() > kMaxOutput) Fail("pattern too large");
    }

    void RegExp() {
        Branch();
        while (PeekIs('|')) {
            ++m_pos;
            m_out += '|';
            Branch();
        }
    }

    void Branch() {
        while (!AtEnd() && !PeekIs('|') && !PeekIs(')')) {
            Atom();
            Quantifier();
            CheckSize(m_out);
        }
    }

    void Atom() {
        const std::size_t at = m_pos;
        const char32_t c = Next();
        switch (c) {
            case '(':
                Enter(1);
                m_out += "(?:";
                RegExp();
                Expect(')', "')'");
                m_out += ')';
                m_depth -= 1;
                return;
            case '[':
                m_out += ClassExpr();
                return;
            case '.':
                m_out += "[^\\n\\r]";
                return;
            case '\\':
                Escape(m_out, false);
                return;
            default:
                if (IsOneOf(c, "?*+{}]")) Unexpected(at);
                AppendCodePoint(m_out, c);
        }
    }

    unsigned Number() {
        if (Peek() < '0' || Peek() > '9') Fail("missing number at offset " + std::to_string(m_pos));
        unsigned value = 0;
        while (Peek() >= '0' && Peek() <= '9') {
            value = value * 10 + static_cast<unsigned>(Next() - '0');
            if (value > kMaxRepeat)
                Fail("repeat count above 65535, the largest this library supports, at offset " +
                     std::to_string(m_pos));
        }
        return value;
    }

    void Quantifier() {
        const char32_t c = Peek();
        if (c == '?' || c == '*' || c == '+') {
            m_out += static_cast<char>(Next());
            return;
        }
        if (c != '{') return;
        ++m_pos;
        const unsigned low = Number();
        std::string text = "{" + std::to_string(low);
        if (PeekIs(',')) {
            ++m_pos;
            text += ',';
            if (!PeekIs('}')) {
                const unsigned high = Number();
                if (high < low)
                    Fail("repeat range out of order at offset " + std::to_string(m_pos));
                text += std::to_string(high);
            }
        }
        Expect('}', "'}'");
        m_out += text + '}';
    }

    // After a backslash. Appends a literal (outside a class) or class items
    // (inside one); returns the character of a single-character escape, or
    // -1 for a class escape.
    long Escape(std::string& out, bool inClass) {
        const std::size_t at = m_pos;
        const char32_t c = Next();
        const char32_t literal = SingleEscape(c);
        if (literal == 0) {
            std::string items;
            if (!ClassEscape(c, items)) Fail("invalid escape at offset " + std::to_string(at - 1));
            out += inClass ? items : (items.empty() ? "(?!)" : "[" + items + "]");
            return -1;
        }
        if (!inClass) AppendCodePoint(out, literal);
        return static_cast<long>(literal);
    }

    // A multi-character or property escape as class items (possibly none:
    // a block of surrogates matches nothing in UTF-8 text).
    bool ClassEscape(char32_t c, std::string& items) {
        switch (c) {
            case 's':
                items += RangesText(kSpace, false);
                return true;
            case 'S':
                items += RangesText(kSpace, true);
                return true;
            case 'i':
                items += RangesText(kNameStart, false);
                return true;
            case 'I':
                items += RangesText(kNameStart, true);
                return true;
            case 'c':
                items += RangesText(kNameChar, false);
                return true;
            case 'C':
                items += RangesText(kNameChar, true);
                return true;
            case 'd':
                items += "\\p{Nd}";
                return true;
            case 'D':
                items += "\\P{Nd}";
                return true;
            // The categories partition the code points: \w is everything
            // outside P, Z and C.
            case 'w':
                items += "\\p{L}\\p{M}\\p{N}\\p{S}";
                return true;
            case 'W':
                items += "\\p{P}\\p{Z}\\p{C}";
                return true;
            case 'p':
            case 'P':
                Property(c == 'P', items);
                return true;
            default:
                return false;
        }
    }

    void Property(bool complement, std::string& items) {
        Expect('{', "'{'");
        std::string name;
        while (!AtEnd() && !PeekIs('}')) {
            const char32_t c = Next();
            if (c > 0x7E) Fail("unknown property at offset " + std::to_string(m_pos - 1));
            name += static_cast<char>(c);
        }
        Expect('}', "'}'");
        if (IsCategory(name)) {
            items += std::string(complement ? "\\P{" : "\\p{") + name + "}";
            return;
        }
        const Ranges ranges =
            name.compare(0, 2, "Is") == 0 ? BlockRanges(name.substr(2)) : Ranges();
        if (ranges.empty()) Fail("unknown property '" + name + "'");
        AppendRanges(items, ranges, complement);
    }

    // One character (literal or single-character escape) of a class; the
    // cursor is on it.
    char32_t ClassChar(bool rangeEnd) {
        const std::size_t at = m_pos;
        const char32_t c = Next();
        if (c == '[' || c == ']' || (rangeEnd && c == '-')) Unexpected(at);
        if (c != '\\') return c;
        std::string ignored;
        const long literal = Escape(ignored, true);
        if (literal < 0) Fail("class escape in a range at offset " + std::to_string(at));
        return static_cast<char32_t>(literal);
    }

    // After '['; consumes up to and including the closing ']' and returns
    // an expression that matches exactly one character.
    std::string ClassExpr() {
        const bool negated = PeekIs('^');
        if (negated) ++m_pos;
        std::string items;
        std::string subtrahend;
        for (bool first = true;; first = false) {
            if (AtEnd()) Fail("missing ']'");
            if (PeekIs(']')) {
                if (first) Unexpected(m_pos);
                break;
            }
            if (PeekIs('-')) {
                if (PeekIs('[', 1) && !first) {
                    m_pos += 2;
                    Enter(2);
                    subtrahend = ClassExpr();
                    m_depth -= 2;
                    if (!PeekIs(']'))
                        Fail("missing ']' after a subtraction at offset " + std::to_string(m_pos));
                    break;
                }
                if (!first && !PeekIs(']', 1)) Unexpected(m_pos);
                ++m_pos;
                AppendCodePoint(items, '-');
                continue;
            }
            ClassItem(items);
            CheckSize(items);
        }
        ++m_pos;
        std::string single = items.empty() ? (negated ? "[\\x{0}-\\x{10FFFF}]" : "(?!)")
                                           : (negated ? "[^" : "[") + items + "]";
        return subtrahend.empty() ? single : "(?:(?!" + subtrahend + ")" + single + ")";
    }

    void ClassItem(std::string& items) {
        if (PeekIs('\\') && IsClassEscapeLetter(Peek(1))) {
            m_pos += 2;
            ClassEscape(m_text[m_pos - 1], items);
            return;
        }
        const char32_t first = ClassChar(false);
        if (PeekIs('-') && !PeekIs(']', 1) && !PeekIs('[', 1) && m_pos + 1 < m_text.size()) {
            ++m_pos;
            const char32_t last = ClassChar(true);
            if (last < first) Fail("range out of order at offset " + std::to_string(m_pos - 1));
            AppendRange(items, first, last);
            return;
        }
        AppendCodePoint(items, first);
    }

    std::u32string m_text;
    std::size_t m_pos = 0;
    int m_depth = 0;
    std::string m_out;
};

}  // namespace

std::string CXsdRegex::ToPcre(const std::string& utf8Pattern) {
    return Translator(DecodeUtf8(utf8Pattern)).Run();
}

}  // namespace QbXmlLib5
