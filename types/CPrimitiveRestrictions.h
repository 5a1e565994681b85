// CPrimitiveRestrictions: the XSD facets of a simple-typed attribute, element
// or collection item, and CheckPrimitiveValue, which checks a value against
// them. Enumerations are handled by the metadata, and whitespace by the
// conversions; every other facet is here.
//
// Bounds are kept as text in the lexical form of the item's kind and parsed
// (whitespace collapsed) at each check, so a bound is always compared in the
// value's own type. An integer facet below zero, or an empty text, is unset.
#ifndef QBXMLLIB5_TYPES_CPRIMITIVERESTRICTIONS_H
#define QBXMLLIB5_TYPES_CPRIMITIVERESTRICTIONS_H

#include <string>

#include "types/CWhitespaceUtils.h"
#include "types/ItemType.h"
#include "types/QbVariant.h"

namespace QbXmlLib5 {

class CPrimitiveRestrictions {
public:
    // Empty texts and unset integer facets.
    CPrimitiveRestrictions();
    // Each facet from its argument; generated code passes "" for an absent
    // text facet. A null pointer throws CQbInvalidParamException.
    CPrimitiveRestrictions(const char* pattern, int minLength, int maxLength,
                           const char* minInclusive, const char* maxInclusive,
                           const char* minExclusive, const char* maxExclusive, int length);
    // As above, with the digit facets of decimal and integer kinds.
    CPrimitiveRestrictions(const char* pattern, int minLength, int maxLength,
                           const char* minInclusive, const char* maxInclusive,
                           const char* minExclusive, const char* maxExclusive, int length,
                           int totalDigits, int fractionDigits);
    CPrimitiveRestrictions(const CPrimitiveRestrictions& other) = default;
    CPrimitiveRestrictions& operator=(const CPrimitiveRestrictions& other) = default;
    virtual ~CPrimitiveRestrictions();

    std::string pattern;  // XML Schema regular expression, on the lexical form
    int minLength;        // characters of strings, bytes of binary kinds
    int maxLength;
    std::string minInclusive;
    std::string maxInclusive;
    std::string minExclusive;
    std::string maxExclusive;
    int length;
    // Significant digits, and digits after the point, of decimal and
    // integer kinds (i1 to ui8 included).
    int totalDigits;
    int fractionDigits;
};

// Checks `value`, read with the getter of `kind`, against `facets`; throws
// CQbException "Invalid Value for %s [%s]" (the item name, the value) on the
// first violated facet, the conversion's exception for a bound text that does
// not parse, the "Invalid Regular Expression" exception of CXsdRegex for a
// bad pattern, and CQbInvalidValueException "unknown type [%s]" for a kind
// that has no facets (char and the reference kinds). Booleans have only a
// pattern. Dates and durations compare partially: an indeterminate comparison
// never fails a bound. Floating-point NaN fails every bound. Lengths count
// characters of strings (code points of the local UTF-8) and bytes of binary
// data. The pattern is matched against the value's own text (ToString()).
void CheckPrimitiveValue(ItemType kind, const CPrimitiveRestrictions& facets, const char* itemName,
                         const QbVariant& value);
// As above, matching the pattern against `lexical`: the text as read (after
// the whitespace rule) or as it is written.
void CheckPrimitiveValue(ItemType kind, const CPrimitiveRestrictions& facets, const char* itemName,
                         const QbVariant& value, const std::string& lexical);
// As above for a value read from `text` with the whitespace `rule`: the
// pattern is matched against the text as read after the rule.
void CheckPrimitiveText(ItemType kind, const CPrimitiveRestrictions& facets, const char* itemName,
                        const QbVariant& value, const std::string& text,
                        CWhitespaceUtils::WhitespaceRule rule);

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CPRIMITIVERESTRICTIONS_H
