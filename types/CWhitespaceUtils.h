// CWhitespaceUtils: the XSD whiteSpace facet (preserve, replace, collapse),
// applied to every text before it is parsed into a value. Carriage returns
// are always removed: they reach the library only from character references.
#ifndef QBXMLLIB5_TYPES_CWHITESPACEUTILS_H
#define QBXMLLIB5_TYPES_CWHITESPACEUTILS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace QbXmlLib5 {

class CWhitespaceUtils {
public:
    enum WhitespaceRule : std::int32_t {
        WhitespaceRule_Preserve = 0,
        WhitespaceRule_Replace = 1,
        WhitespaceRule_Collapse = 2
    };

    // Dispatches on `rule`; any other value throws CQbException
    // "Unknown WhitespaceRule".
    static std::string ApplyRule(WhitespaceRule rule, const std::string& value);
    // The same without a copy when the rule leaves `value` as it is (the
    // usual case for values read from documents): returns `value` itself,
    // else the result stored in `scratch`.
    static const std::string& ApplyRule(WhitespaceRule rule, const std::string& value,
                                        std::string& scratch);
    // Carriage returns removed, nothing else changed.
    static std::string Preserve(const std::string& value);
    // The same over exactly `length` bytes (0 or less gives "").
    static std::string Preserve(const char* buffer, std::ptrdiff_t length);
    // Carriage returns removed; each tab, line feed and space becomes a space.
    static std::string Replace(const std::string& value);
    // Carriage returns removed (joining their neighbours); runs of tabs, line
    // feeds and spaces become one space; leading and trailing ones dropped.
    static std::string Collapse(const std::string& value);
    // Space, tab, carriage return or line feed.
    static bool IsWhiteSpace(char c);
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CWHITESPACEUTILS_H
