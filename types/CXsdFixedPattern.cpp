#include "types/CXsdFixedPattern.h"

#include <cstring>

namespace QbXmlLib5 {

namespace {

using CSet = CXsdFixedPattern::CSet;

CSet Range(unsigned char first, unsigned char last) {
    CSet set;
    for (unsigned c = first; c <= last; ++c) set.Add(static_cast<unsigned char>(c));
    return set;
}

// The complement within ASCII: the values matched are ASCII.
CSet Complement(const CSet& set) {
    CSet out;
    out.bits[0] = ~set.bits[0];
    out.bits[1] = ~set.bits[1];
    return out;
}

void Join(CSet& set, const CSet& more) {
    set.bits[0] |= more.bits[0];
    set.bits[1] |= more.bits[1];
}

// Reads the pattern left to right; every method returns false for a shape
// that is not a fixed sequence.
class CReader {
public:
    explicit CReader(std::string_view pattern) : m_p(pattern) {}

    bool AtEnd() const { return m_i == m_p.size(); }

    // One atom: a character, `.`, an escape or a class.
    bool Atom(CSet& set) {
        const unsigned char c = Next();
        if (c >= 0x80 || std::strchr("?*+{}()]|", c)) return false;
        if (c == '\\') return Escape(set, nullptr);
        if (c == '[') return Class(set);
        if (c == '.') {
            set = Complement(Range('\n', '\n'));
            set.bits[0] &= ~(std::uint64_t{1} << '\r');
            return true;
        }
        set.Add(c);
        return true;
    }

    // The count after an atom: 1, or {n} or {n,n}.
    bool Count(std::size_t& count) {
        count = 1;
        if (AtEnd()) return true;
        if (std::strchr("?*+", m_p[m_i])) return false;
        if (m_p[m_i] != '{') return true;
        ++m_i;
        std::size_t low = 0, high = 0;
        if (!Number(low)) return false;
        high = low;
        if (!AtEnd() && m_p[m_i] == ',') {
            ++m_i;
            if (!Number(high)) return false;
        }
        if (AtEnd() || m_p[m_i] != '}' || high != low) return false;
        ++m_i;
        count = low;
        return true;
    }

private:
    unsigned char Next() { return AtEnd() ? 0x80 : static_cast<unsigned char>(m_p[m_i++]); }

    bool Number(std::size_t& value) {
        const std::size_t start = m_i;
        value = 0;
        while (!AtEnd() && m_p[m_i] >= '0' && m_p[m_i] <= '9' && m_i - start < 4) {
            value = value * 10 + static_cast<std::size_t>(m_p[m_i++] - '0');
        }
        return m_i > start && (AtEnd() || m_p[m_i] < '0' || m_p[m_i] > '9');
    }

    // After a backslash: a single character (also put in `single`, where the
    // caller may use it as the end of a range) or one of \d \D \s \S.
    bool Escape(CSet& set, unsigned char* single) {
        const unsigned char e = Next();
        unsigned char c = e;
        if (e == 'n') c = '\n';
        if (e == 'r') c = '\r';
        if (e == 't') c = '\t';
        if (e == 'n' || e == 'r' || e == 't' || (e < 0x80 && std::strchr("\\|.-^?*+{}()[]", e))) {
            set.Add(c);
            if (single) *single = c;
            return true;
        }
        CSet multi;
        if (e == 'd' || e == 'D') multi = Range('0', '9');
        if (e == 's' || e == 'S') {
            for (const unsigned char space : {' ', '\t', '\n', '\r'}) multi.Add(space);
        }
        if (e != 'd' && e != 'D' && e != 's' && e != 'S') return false;
        Join(set, e == 'D' || e == 'S' ? Complement(multi) : multi);
        return true;
    }

    // After '[': characters, ranges and the escapes above, '-' first or
    // last, '^' only in front; ']' ends it.
    bool Class(CSet& set) {
        const bool negated = !AtEnd() && m_p[m_i] == '^';
        if (negated) ++m_i;
        CSet members;
        bool first = true;
        for (;;) {
            const unsigned char c = Next();
            if (c == ']' && !first) break;
            unsigned char low = 0;
            if (c == '\\') {
                if (!Escape(members, &low)) return false;
                if (low == 0) {  // \d and the like end no range
                    if (Peek('-') && !Peek(']', 1)) return false;
                    first = false;
                    continue;
                }
            } else if (c == '-' && (first || Peek(']'))) {
                members.Add(c);  // a '-' of its own, first or last
                first = false;
                continue;
            } else if (c >= 0x80 || std::strchr("[]-^", c)) {
                return false;
            } else {
                low = c;
            }
            first = false;
            if (!Peek('-') || Peek(']', 1)) {
                members.Add(low);
                continue;
            }
            ++m_i;  // a range
            unsigned char high = Next();
            if (high == '\\') {
                CSet ignored;
                high = 0;
                if (!Escape(ignored, &high) || high == 0) return false;
            } else if (high >= 0x80 || std::strchr("[]-^", high)) {
                return false;
            }
            if (high < low) return false;
            Join(members, Range(low, high));
        }
        set = negated ? Complement(members) : members;
        return true;
    }

    bool Peek(char c, std::size_t ahead = 0) const {
        return m_i + ahead < m_p.size() && m_p[m_i + ahead] == c;
    }

    std::string_view m_p;
    std::size_t m_i = 0;
};

}  // namespace

std::optional<CXsdFixedPattern> CXsdFixedPattern::FromXsd(std::string_view pattern) {
    CXsdFixedPattern fixed;
    CReader reader(pattern);
    while (!reader.AtEnd()) {
        CSet set;
        std::size_t count = 0;
        if (!reader.Atom(set) || !reader.Count(count)) return std::nullopt;
        if (count > kMaxLength - fixed.m_positions.size()) return std::nullopt;
        fixed.m_positions.insert(fixed.m_positions.end(), count, set);
    }
    return fixed;
}

bool CXsdFixedPattern::MatchesAscii(const char* text, std::size_t length) const {
    if (length != m_positions.size()) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80 || !m_positions[i].Has(c)) return false;
    }
    return true;
}

}  // namespace QbXmlLib5
