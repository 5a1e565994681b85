#include "types/CConversions.h"

#include <locale.h>

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

// Switches the calling thread to the C locale, so that a process locale
// with a decimal comma cannot change how numbers are read and written.
class CCLocaleScope {
public:
    CCLocaleScope() : m_previous(uselocale(CLocale())) {}
    ~CCLocaleScope() { uselocale(m_previous); }
    CCLocaleScope(const CCLocaleScope&) = delete;
    CCLocaleScope& operator=(const CCLocaleScope&) = delete;

private:
    static locale_t CLocale() {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return c;  // null (on failure) makes uselocale a query
    }
    locale_t m_previous;
};

[[noreturn]] void Fail(const char* format, const std::string& text) {
    throw CQbInvalidValueException(FormatString(format, text.c_str()));
}

bool ConsumedAll(const std::string& text, const char* end) {
    return end == text.c_str() + text.size();
}

// The range check of the narrow integer kinds.
template <class T>
T Narrow(std::int64_t v, std::int64_t low, std::int64_t high, const char* format,
         const std::string& unprocessed) {
    if (v < low || v > high) Fail(format, unprocessed);
    return static_cast<T>(v);
}

// Whether strtoul will see a minus sign (it skips the same white space).
bool HasMinusSign(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    return i < text.size() && text[i] == '-';
}

bool EqualsIgnoringAsciiCase(const std::string& text, const char* word) {
    std::size_t i = 0;
    for (; word[i] != '\0'; ++i) {
        if (i >= text.size()) return false;
        const char c = text[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != word[i]) return false;
    }
    return i == text.size();
}

// Rounds a double to float as IEEE 754 does, without the undefined
// behaviour of converting an out-of-range value.
float ToFloat(double d) {
    const double roundsToInfinity = std::ldexp(2.0 - std::ldexp(1.0, -24), 127);
    if (std::fabs(d) >= roundsToInfinity) return static_cast<float>(std::copysign(HUGE_VAL, d));
    if (std::fabs(d) > FLT_MAX) return static_cast<float>(std::copysign(FLT_MAX, d));
    return static_cast<float>(d);
}

// Prints one double with a caller's format, at whatever length it needs.
std::string FormatDouble(const char* format, double value) {
    const CCLocaleScope cLocale;
    char small[32];
    const int n = std::snprintf(small, sizeof small, format, value);
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < sizeof small)
        return std::string(small, static_cast<std::size_t>(n));
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(&text[0], text.size(), format, value);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

// XML Schema's spellings of the special values, whatever the format.
bool SpecialToString(double value, std::string& out) {
    if (std::isnan(value)) {
        out = "NaN";
    } else if (std::isinf(value)) {
        out = value < 0 ? "-INF" : "INF";
    } else {
        return false;
    }
    return true;
}

// The special values as XML Schema spells them; anything else that strtod
// would take beyond digits, signs, a point and an exponent (inf, nan,
// hexadecimal) is not a float or double of XML Schema.
bool SpecialFromString(const std::string& text, double& value) {
    if (text == "INF") {
        value = HUGE_VAL;
    } else if (text == "-INF") {
        value = -HUGE_VAL;
    } else if (text == "NaN") {
        value = std::nan("");
    } else {
        if (text.find_first_not_of("0123456789+-.eE \t\r\n") != std::string::npos) {
            Fail("The value [%s] can not be converted to a r8", text);
        }
        return false;
    }
    return true;
}

}  // namespace

std::string CConversions::i1ToString(char value) {
    return FormatString("%d", static_cast<int>(static_cast<signed char>(value)));
}

std::string CConversions::i2ToString(std::int16_t value) { return FormatString("%d", value); }

std::string CConversions::i4ToString(std::int32_t value) { return FormatString("%" PRId32, value); }

std::string CConversions::i8ToString(std::int64_t value) { return FormatString("%" PRId64, value); }

std::string CConversions::ui1ToString(std::uint8_t value) { return FormatString("%u", value); }

std::string CConversions::ui2ToString(std::uint16_t value) { return FormatString("%u", value); }

std::string CConversions::ui4ToString(std::uint32_t value) {
    return FormatString("%" PRIu32, value);
}

std::string CConversions::ui8ToString(std::uint64_t value) {
    return FormatString("%" PRIu64, value);
}

std::string CConversions::r4ToString(float value, const char* format) {
    std::string special;
    if (SpecialToString(value, special)) return special;
    return FormatDouble(format ? format : "%.7g", static_cast<double>(value));
}

std::string CConversions::r8ToString(double value, const char* format) {
    std::string special;
    if (SpecialToString(value, special)) return special;
    return FormatDouble(format ? format : "%.16g", value);
}

std::string CConversions::yearToString(std::uint16_t value) { return FormatString("%u", value); }

std::string CConversions::monthToString(std::uint8_t value) {
    return FormatString("--%02u", value);
}

std::string CConversions::dayToString(std::uint8_t value) { return FormatString("---%02u", value); }

std::string CConversions::charToString(char value) {
    return value == '\0' ? std::string() : std::string(1, value);
}

std::string CConversions::stringToString(const std::string& value) { return value; }

std::string CConversions::booleanToString(bool value) { return value ? "true" : "false"; }

std::int32_t CConversions::i4FromString(const std::string& value, WhitespaceRule rule) {
    std::string scratch;
    const std::string& text = CWhitespaceUtils::ApplyRule(rule, value, scratch);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    // long may be 64 bits: the 32-bit limits are checked explicitly.
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) {
        Fail("The value [%s] is to large to fit in a i4", text);
    }
    if (!ConsumedAll(text, end)) Fail("The value [%s] can not be converted to a i4", text);
    return static_cast<std::int32_t>(v);
}

char CConversions::i1FromString(const std::string& value, WhitespaceRule rule) {
    return Narrow<char>(i4FromString(value, rule), -128, 127,
                        "The value [%s] is to large to fit in a i1", value);
}

std::int16_t CConversions::i2FromString(const std::string& value, WhitespaceRule rule) {
    return Narrow<std::int16_t>(i4FromString(value, rule), -32768, 32767,
                                "The value [%s] is to large to fit in a i2", value);
}

std::uint32_t CConversions::ui4FromString(const std::string& value, WhitespaceRule rule) {
    std::string scratch;
    const std::string& text = CWhitespaceUtils::ApplyRule(rule, value, scratch);
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text.c_str(), &end, 10);
    // strtoul negates after parsing; the magnitude must fit in 32 bits.
    const bool negative = HasMinusSign(text);
    const unsigned long magnitude = negative ? 0UL - v : v;
    if (errno == ERANGE || magnitude > UINT32_MAX) {
        Fail("The value [%s] is to large to fit in a ui4", text);
    }
    if (!ConsumedAll(text, end)) Fail("The value [%s] can not be converted to a ui4", text);
    const std::uint32_t low = static_cast<std::uint32_t>(magnitude);
    return negative ? 0U - low : low;
}

std::uint8_t CConversions::ui1FromString(const std::string& value, WhitespaceRule rule) {
    return Narrow<std::uint8_t>(ui4FromString(value, rule), 0, 255,
                                "The value [%s] is to large to fit in a ui1", value);
}

std::uint16_t CConversions::ui2FromString(const std::string& value, WhitespaceRule rule) {
    return Narrow<std::uint16_t>(ui4FromString(value, rule), 0, 65535,
                                 "The value [%s] is to large to fit in a ui2", value);
}

std::int64_t CConversions::i8FromString(const std::string& value, WhitespaceRule rule) {
    std::string scratch;
    const std::string& text = CWhitespaceUtils::ApplyRule(rule, value, scratch);
    return static_cast<std::int64_t>(std::strtoll(text.c_str(), nullptr, 10));
}

std::uint64_t CConversions::ui8FromString(const std::string& value, WhitespaceRule rule) {
    std::string scratch;
    const std::string& text = CWhitespaceUtils::ApplyRule(rule, value, scratch);
    return static_cast<std::uint64_t>(std::strtoull(text.c_str(), nullptr, 10));
}

double CConversions::r8FromString(const std::string& value, WhitespaceRule rule) {
    std::string scratch;
    const std::string& text = CWhitespaceUtils::ApplyRule(rule, value, scratch);
    double v = 0;
    if (SpecialFromString(text, v)) return v;
    char* end = nullptr;
    {
        const CCLocaleScope cLocale;
        v = std::strtod(text.c_str(), &end);
    }
    if (!ConsumedAll(text, end)) Fail("The value [%s] can not be converted to a r8", text);
    return v;
}

float CConversions::r4FromString(const std::string& value, WhitespaceRule rule) {
    return ToFloat(r8FromString(value, rule));
}

char CConversions::charFromString(const std::string& value, WhitespaceRule rule) {
    std::string scratch;
    const std::string& text = CWhitespaceUtils::ApplyRule(rule, value, scratch);
    if (text.size() != 1) {
        Fail("The value [%s] can not be a char as it is either empty of greater than 1 char long",
             text);
    }
    return text[0];
}

std::string CConversions::stringFromString(const std::string& value, WhitespaceRule rule) {
    return CWhitespaceUtils::ApplyRule(rule, value);
}

bool CConversions::booleanFromString(const std::string& value, WhitespaceRule rule) {
    std::string scratch;
    const std::string& text = CWhitespaceUtils::ApplyRule(rule, value, scratch);
    if (EqualsIgnoringAsciiCase(text, "true") || text == "1") return true;
    if (EqualsIgnoringAsciiCase(text, "false") || text == "0") return false;
    Fail(
        "A Boolean Value read from an XML document was invalid [%s]. Valid values are 'true', "
        "'false', '1', or '0'",
        value);
}

}  // namespace QbXmlLib5
