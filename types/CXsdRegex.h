// CXsdRegex: an XML Schema regular expression (the pattern facet), compiled
// with PCRE2.
//
// XSD patterns are not PCRE patterns: `^` and `$` are ordinary characters,
// classes may subtract (`[a-z-[aeiou]]`), `\i` `\c` follow the XML name
// rules, `\w` means "not punctuation, separator or other", and the whole
// value must match (`a|ab` matches "ab"). The translator turns the XSD
// language into an equivalent PCRE2 pattern and refuses everything outside
// it (back-references, lazy quantifiers, anchors, PCRE-only escapes).
//
// Compiled patterns are shared through a process-wide cache keyed by the
// pattern text, so checking one facet on many values compiles it once. The
// cache is thread-safe and bounded; objects stay valid when it is cleared.
// Texts handed in are in the local character encoding.
#ifndef QBXMLLIB5_TYPES_CXSDREGEX_H
#define QBXMLLIB5_TYPES_CXSDREGEX_H

#include <cstddef>
#include <memory>
#include <string>

namespace QbXmlLib5 {

class CXsdRegex {
public:
    // Compiles `pattern` (or takes it from the cache). An invalid pattern
    // throws CQbException "Invalid Regular Expression: %s Error: '%s' for
    // '%s'" with the pattern, the reason and `itemName`.
    explicit CXsdRegex(const std::string& pattern, const char* itemName = "");

    // Whether the whole of `text` matches. Text that is not valid in the
    // encoding does not match. A match that exceeds the backtracking
    // matcher's limits (a pathological pattern such as (.*a){12} on a long
    // value) is decided again by PCRE2's automaton matcher, which does not
    // backtrack; should that fail too, CQbException "Pattern matching failed:
    // %s, for the pattern [%s] and the value [%s]" (value cut at 200 bytes).
    bool Matches(const std::string& text) const;
    // As Matches, for UTF-8 text.
    bool MatchesUtf8(const char* text, std::size_t length) const;
    // CXsdRegex(pattern, itemName).Matches(text), without an object: for
    // checking one facet on many values.
    static bool Matches(const std::string& pattern, const std::string& text,
                        const char* itemName = "");

    // The translation alone: a UTF-8 XSD pattern to the PCRE2 pattern that
    // matches exactly the same whole values. Throws CQbException with the
    // reason (not the full message above) for an invalid pattern.
    static std::string ToPcre(const std::string& utf8Pattern);

    // Empties the cache (compiled patterns in use stay alive).
    static void ClearCache();
    static std::size_t GetCacheSize();
    // The cache forgets everything when it would grow beyond this.
    static constexpr std::size_t kCacheCapacity = 1024;

    struct Compiled;

private:
    static bool MatchesLocal(const Compiled& compiled, const std::string& text);
    static bool MatchesUtf8(const Compiled& compiled, const char* text, std::size_t length);

    std::shared_ptr<const Compiled> m_compiled;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CXSDREGEX_H
