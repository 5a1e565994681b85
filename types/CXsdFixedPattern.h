// CXsdFixedPattern: an XML Schema pattern that is a fixed sequence of ASCII
// character sets, such as `\d{3}-[A-Z]{2}`, `[0-9]{4}` or `ISO-\d\d`, matched
// on ASCII values position by position, without the regular-expression
// engine. Codes, identifiers and dates in real schemas mostly have this shape,
// and a facet is checked on every value read or written.
//
// Values beyond ASCII are left to the engine: a negated class or `.` matches
// characters that are more than one byte long.
#ifndef QBXMLLIB5_TYPES_CXSDFIXEDPATTERN_H
#define QBXMLLIB5_TYPES_CXSDFIXEDPATTERN_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace QbXmlLib5 {

class CXsdFixedPattern {
public:
    // The longest sequence kept; longer ones are left to the engine.
    static constexpr std::size_t kMaxLength = 256;

    // The sequence a valid XSD pattern (UTF-8) stands for, or nothing when
    // it has another shape: a quantifier other than {n} (or {n,n}), a group,
    // an alternative, a character beyond ASCII, a class subtraction, or an
    // escape other than the single-character ones and \d \D \s \S.
    static std::optional<CXsdFixedPattern> FromXsd(std::string_view pattern);

    // Whether `text`, which must be ASCII, matches the whole pattern.
    bool MatchesAscii(const char* text, std::size_t length) const;

    // A set of ASCII characters.
    struct CSet {
        std::uint64_t bits[2] = {0, 0};
        void Add(unsigned char c) { bits[c >> 6] |= std::uint64_t{1} << (c & 63); }
        bool Has(unsigned char c) const { return (bits[c >> 6] >> (c & 63)) & 1; }
    };

private:
    std::vector<CSet> m_positions;  // the set of each character of a match
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CXSDFIXEDPATTERN_H
