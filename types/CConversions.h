// CConversions: the XSD lexical forms of the simple kinds (ItemType), in both
// directions. All members are static. The structured kinds (binary data,
// duration, dates and times, decimal, integer) delegate to their value
// classes and pass those classes' exceptions through.
//
// Every FromString function first applies the whitespace rule to the text;
// a failed conversion throws CQbInvalidValueException and changes nothing.
// Numbers are read and written in the C locale whatever the process locale.
#ifndef QBXMLLIB5_TYPES_CCONVERSIONS_H
#define QBXMLLIB5_TYPES_CCONVERSIONS_H

#include <cstdint>
#include <string>

#include "types/CBigInteger.h"
#include "types/CBinaryData.h"
#include "types/CDateTime.h"
#include "types/CDateTimeSpan.h"
#include "types/CDecimal.h"
#include "types/CWhitespaceUtils.h"

namespace QbXmlLib5 {

class CConversions {
public:
    // Decimal forms ("%d" / "%u"); i1 takes the char as signed.
    static std::string i1ToString(char value);
    static std::string i2ToString(std::int16_t value);
    static std::string i4ToString(std::int32_t value);
    static std::string i8ToString(std::int64_t value);
    static std::string ui1ToString(std::uint8_t value);
    static std::string ui2ToString(std::uint16_t value);
    static std::string ui4ToString(std::uint32_t value);
    static std::string ui8ToString(std::uint64_t value);
    // `format` is a printf format for one double, used unchecked; null means
    // "%.7g" (r4, the float widened to double) resp. "%.16g" (r8). Infinities
    // and NaN are written INF, -INF and NaN, as XML Schema spells them.
    static std::string r4ToString(float value, const char* format = nullptr);
    static std::string r8ToString(double value, const char* format = nullptr);
    // gYear "%u" (no leading zeros, so 12 gives "12"), gMonth "--%02u", gDay "---%02u".
    static std::string yearToString(std::uint16_t value);
    static std::string monthToString(std::uint8_t value);
    static std::string dayToString(std::uint8_t value);
    // One character; the character 0 gives "".
    static std::string charToString(char value);
    static std::string stringToString(const std::string& value);
    static std::string booleanToString(bool value);  // "true" / "false"

    using WhitespaceRule = CWhitespaceUtils::WhitespaceRule;

    // Signed decimal with sign, overflow and trailing-text checks; "" is 0.
    // "The value [%s] is to large to fit in a i4" /
    // "The value [%s] can not be converted to a i4" (processed text).
    static std::int32_t i4FromString(const std::string& value, WhitespaceRule rule);
    // As i4, then "The value [%s] is to large to fit in a i1" (resp. i2)
    // quoting the unprocessed text.
    static char i1FromString(const std::string& value, WhitespaceRule rule);
    static std::int16_t i2FromString(const std::string& value, WhitespaceRule rule);
    // Unsigned decimal as strtoul reads it in 32 bits: a leading minus
    // negates modulo 2^32 ("-1" gives 4294967295). Messages name ui4.
    static std::uint32_t ui4FromString(const std::string& value, WhitespaceRule rule);
    // As ui4, then at most 255 (resp. 65535), else "... fit in a ui1" (ui2)
    // quoting the unprocessed text.
    static std::uint8_t ui1FromString(const std::string& value, WhitespaceRule rule);
    static std::uint16_t ui2FromString(const std::string& value, WhitespaceRule rule);
    // Leading decimal number, never an error: trailing text is ignored and a
    // text without digits gives 0. Out-of-range texts saturate.
    static std::int64_t i8FromString(const std::string& value, WhitespaceRule rule);
    static std::uint64_t ui8FromString(const std::string& value, WhitespaceRule rule);
    // strtod with a trailing-text check; "The value [%s] can not be converted
    // to a r8" for both kinds. No range check: overflow gives infinity. The
    // special values are INF, -INF and NaN only: strtod's inf, nan and
    // hexadecimal forms are refused.
    static float r4FromString(const std::string& value, WhitespaceRule rule);
    static double r8FromString(const std::string& value, WhitespaceRule rule);
    // Exactly one character, else "The value [%s] can not be a char as it is
    // either empty of greater than 1 char long".
    static char charFromString(const std::string& value, WhitespaceRule rule);
    static std::string stringFromString(const std::string& value, WhitespaceRule rule);
    // "true", "false", "1" or "0", letter case ignored; else "A Boolean Value
    // read from an XML document was invalid [%s]. Valid values are 'true',
    // 'false', '1', or '0'" quoting the unprocessed text.
    static bool booleanFromString(const std::string& value, WhitespaceRule rule);

    // Structured kinds, to text. The five date functions are one operation:
    // each writes the form of the value's own kind (CDateTime::ToString("s")).
    static std::string hexBinaryToString(const CBinaryData& value);  // upper case
    static std::string base64BinaryToString(const CBinaryData& value);
    static std::string durationToString(const CDateTimeSpan& value);
    static std::string dateToString(const CDateTime& value);
    static std::string datetimeToString(const CDateTime& value);
    static std::string timeToString(const CDateTime& value);
    static std::string yearMonthToString(const CDateTime& value);
    static std::string monthDayToString(const CDateTime& value);
    // `format` null gives the canonical form, else it is read as a number of
    // places (atoi) to round to.
    static std::string decimalToString(const CDecimal& value, const char* format = nullptr);
    static std::string integerToString(const CBigInteger& value);

    // Structured kinds, from text.
    static CBinaryData hexBinaryFromString(const std::string& value, WhitespaceRule rule);
    // Whitespace anywhere is dropped; anything else that is not padded
    // base64 throws "The value [%s] can not be converted to a base64Binary".
    static CBinaryData base64BinaryFromString(const std::string& value, WhitespaceRule rule);
    static CDateTimeSpan durationFromString(const std::string& value, WhitespaceRule rule);
    // The three date readers accept any of the six date forms; the result
    // has the kind of the text (2005-03-01 read as a yearMonth is a date).
    static CDateTime dateFromString(const std::string& value, WhitespaceRule rule);
    static CDateTime yearMonthFromString(const std::string& value, WhitespaceRule rule);
    static CDateTime monthDayFromString(const std::string& value, WhitespaceRule rule);
    static CDateTime timeFromString(const std::string& value, WhitespaceRule rule);
    static CDateTime datetimeFromString(const std::string& value, WhitespaceRule rule);
    // A date form that has the component (2005-03-01 gives 2005, 3 and 1);
    // a year before 1 throws "The value [%s] can not be converted to a year".
    static std::uint16_t yearFromString(const std::string& value, WhitespaceRule rule);
    static std::uint8_t monthFromString(const std::string& value, WhitespaceRule rule);
    static std::uint8_t dayFromString(const std::string& value, WhitespaceRule rule);
    static CDecimal decimalFromString(const std::string& value, WhitespaceRule rule);
    static CBigInteger integerFromString(const std::string& value, WhitespaceRule rule);
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CCONVERSIONS_H
