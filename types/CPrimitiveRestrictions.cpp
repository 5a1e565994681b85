#include "types/CPrimitiveRestrictions.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/CQbException.h"
#include "types/CConversions.h"
#include "types/CXsdRegex.h"

namespace QbXmlLib5 {

namespace {

const char* Required(const char* text) {
    if (!text) throw CQbInvalidParamException("A facet text may not be a null pointer");
    return text;
}

}  // namespace

CPrimitiveRestrictions::CPrimitiveRestrictions()
    : minLength(-1), maxLength(-1), length(-1), totalDigits(-1), fractionDigits(-1) {}

CPrimitiveRestrictions::CPrimitiveRestrictions(const char* pat, int minLen, int maxLen,
                                               const char* minIncl, const char* maxIncl,
                                               const char* minExcl, const char* maxExcl, int len)
    : CPrimitiveRestrictions(pat, minLen, maxLen, minIncl, maxIncl, minExcl, maxExcl, len, -1, -1) {
}

CPrimitiveRestrictions::CPrimitiveRestrictions(const char* pat, int minLen, int maxLen,
                                               const char* minIncl, const char* maxIncl,
                                               const char* minExcl, const char* maxExcl, int len,
                                               int total, int fraction)
    : pattern(Required(pat)),
      minLength(minLen),
      maxLength(maxLen),
      minInclusive(Required(minIncl)),
      maxInclusive(Required(maxIncl)),
      minExclusive(Required(minExcl)),
      maxExclusive(Required(maxExcl)),
      length(len),
      totalDigits(total),
      fractionDigits(fraction) {}

CPrimitiveRestrictions::~CPrimitiveRestrictions() = default;

namespace {

using Facets = CPrimitiveRestrictions;
using Rule = CWhitespaceUtils::WhitespaceRule;

[[noreturn]] void Violation(const char* itemName, const std::string& valueText) {
    throw CQbException(FormatString("Invalid Value for %s [%s]", itemName, valueText.c_str()));
}

// A conversion of CConversions, reading bounds with the collapse rule.
template <typename R>
auto Collapsed(R (*convert)(const std::string&, Rule)) {
    return [convert](const std::string& text) {
        return convert(text, CWhitespaceUtils::WhitespaceRule_Collapse);
    };
}

// Totally ordered kinds. Written as negated tests so that NaN, which
// compares false with everything, fails every bound.
template <typename T, typename Parse>
bool WithinBounds(const Facets& f, const T& v, Parse parse) {
    if (!f.minInclusive.empty() && !(v >= static_cast<T>(parse(f.minInclusive)))) return false;
    if (!f.maxInclusive.empty() && !(v <= static_cast<T>(parse(f.maxInclusive)))) return false;
    if (!f.minExclusive.empty() && !(v > static_cast<T>(parse(f.minExclusive)))) return false;
    if (!f.maxExclusive.empty() && !(v < static_cast<T>(parse(f.maxExclusive)))) return false;
    return true;
}

// Dates and durations: an indeterminate comparison never fails a bound.
template <typename T, typename Parse>
bool WithinPartialBounds(const Facets& f, const T& v, Parse parse) {
    const auto compare = [&](const std::string& bound) { return v.CompareTo(parse(bound)); };
    if (!f.minInclusive.empty() && compare(f.minInclusive) == CDateTime::LessThan) return false;
    if (!f.maxInclusive.empty() && compare(f.maxInclusive) == CDateTime::GreaterThan) return false;
    if (!f.minExclusive.empty()) {
        const CDateTime::DTCompareResult r = compare(f.minExclusive);
        if (r != CDateTime::GreaterThan && r != CDateTime::Indeterminate) return false;
    }
    if (!f.maxExclusive.empty()) {
        const CDateTime::DTCompareResult r = compare(f.maxExclusive);
        if (r != CDateTime::LessThan && r != CDateTime::Indeterminate) return false;
    }
    return true;
}

bool WithinLength(const Facets& f, std::size_t size) {
    if (f.minLength >= 0 && size < static_cast<std::size_t>(f.minLength)) return false;
    if (f.maxLength >= 0 && size > static_cast<std::size_t>(f.maxLength)) return false;
    return f.length < 0 || size == static_cast<std::size_t>(f.length);
}

bool HasDigitFacets(const Facets& f) { return f.totalDigits >= 0 || f.fractionDigits >= 0; }

// The digit facets on the canonical text of a number ("-12.50" has four
// significant digits, two of them after the point; leading zeros and
// trailing fractional zeros do not count).
bool WithinDigits(const Facets& f, const std::string& canonical) {
    const std::size_t point = canonical.find('.');
    const std::size_t intEnd = point == std::string::npos ? canonical.size() : point;
    const std::size_t intStart = canonical.find_first_not_of("-0");
    std::size_t total = intStart < intEnd ? intEnd - intStart : 0;
    std::size_t fraction = 0;
    if (point != std::string::npos) {
        const std::size_t last = canonical.find_last_not_of('0');
        fraction = last > point ? last - point : 0;
    }
    total += fraction;
    if (f.totalDigits >= 0 && total > static_cast<std::size_t>(f.totalDigits)) return false;
    return f.fractionDigits < 0 || fraction <= static_cast<std::size_t>(f.fractionDigits);
}

// Whole numbers of a fixed width; `digits` when the kind derives from
// decimal (not for year, month and day).
template <typename T, typename Parse>
void CheckWhole(const Facets& f, const char* name, T value, Parse parse, bool digits = true) {
    if (!WithinBounds(f, value, parse)) Violation(name, std::to_string(value));
    if (digits && HasDigitFacets(f) && !WithinDigits(f, std::to_string(value))) {
        Violation(name, std::to_string(value));
    }
}

template <typename T, typename Parse>
void CheckReal(const Facets& f, const char* name, T value, Parse parse) {
    if (!WithinBounds(f, value, parse)) {
        const double wide = static_cast<double>(value);
        Violation(name,
                  std::isfinite(wide) ? FormatString("%f", wide) : CConversions::r8ToString(wide));
    }
}

template <typename Parse>
void CheckDate(const Facets& f, const char* name, const CDateTime& value, Parse parse) {
    if (!WithinPartialBounds(f, value, parse))
        Violation(name, CConversions::datetimeToString(value));
}

// Characters (code points) of text in the local encoding: UTF-8 here, where
// a character is every byte that does not continue another one.
std::size_t CountCharacters(const std::string& text) {
    std::size_t count = 0;
    for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

void CheckString(const Facets& f, const char* name, const std::string& text) {
    if (!WithinLength(f, CountCharacters(text))) Violation(name, text);
}

// A pattern constrains the lexical form of every kind: the text as read, or
// as it is about to be written.
void CheckPattern(const Facets& f, const char* name, const std::string& lexical) {
    if (!f.pattern.empty() && !CXsdRegex::Matches(f.pattern, lexical, name)) {
        Violation(name, lexical);
    }
}

void CheckBinary(const Facets& f, const char* name, const CBinaryData& data) {
    if (!WithinLength(f, data.GetLength())) Violation(name, data.GetAsHexString());
}

// CDecimal and CBigInteger.
template <typename T, typename Parse>
void CheckExact(const Facets& f, const char* name, const T& value, Parse parse) {
    if (!WithinBounds(f, value, parse)) Violation(name, value.ToString());
    if (HasDigitFacets(f) && !WithinDigits(f, value.ToString())) Violation(name, value.ToString());
}

// A bound written as a plain integer of at most 18 digits (sign allowed, no
// whitespace), as a 64-bit number; false for anything else.
bool PlainInt64(const std::string& text, std::int64_t& out) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
    if (i == text.size() || text.size() - i > 18) return false;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    out = negative ? -value : value;
    return true;
}

// The bounds of an integer compared in 64 bits, without parsing big numbers
// for every value checked: true when that was possible (every bound set is
// plain and the value is small), with the verdict in `within`.
bool WithinSmallIntegerBounds(const Facets& f, const CBigInteger& value, bool& within) {
    static const CBigInteger kLargest(999999999999999999LL);
    static const CBigInteger kSmallest(-999999999999999999LL);
    if (value > kLargest || value < kSmallest) return false;
    const std::int64_t v = static_cast<std::int64_t>(value);
    std::int64_t bound = 0;
    within = true;
    if (!f.minInclusive.empty()) {
        if (!PlainInt64(f.minInclusive, bound)) return false;
        within = within && v >= bound;
    }
    if (!f.maxInclusive.empty()) {
        if (!PlainInt64(f.maxInclusive, bound)) return false;
        within = within && v <= bound;
    }
    if (!f.minExclusive.empty()) {
        if (!PlainInt64(f.minExclusive, bound)) return false;
        within = within && v > bound;
    }
    if (!f.maxExclusive.empty()) {
        if (!PlainInt64(f.maxExclusive, bound)) return false;
        within = within && v < bound;
    }
    return true;
}

// No facet set at all: the usual case, which needs neither the value nor
// any parsing.
bool HasNoFacets(const Facets& f) {
    return f.pattern.empty() && f.minLength < 0 && f.maxLength < 0 && f.length < 0 &&
           f.minInclusive.empty() && f.maxInclusive.empty() && f.minExclusive.empty() &&
           f.maxExclusive.empty() && !HasDigitFacets(f);
}

void CheckValue(ItemType kind, const CPrimitiveRestrictions& f, const char* name,
                const QbVariant& v) {
    const auto signedI1 = [](const std::string& t) {
        return static_cast<signed char>(
            CConversions::i1FromString(t, CWhitespaceUtils::WhitespaceRule_Collapse));
    };
    switch (kind) {
        case it_hexBinary:
            return CheckBinary(f, name, v.GetHexBinary());
        case it_base64Binary:
            return CheckBinary(f, name, v.GetBase64Binary());
        case it_i1:
            return CheckWhole(f, name, static_cast<int>(static_cast<signed char>(v.GetI1())),
                              signedI1);
        case it_i2:
            return CheckWhole(f, name, static_cast<int>(v.GetI2()),
                              Collapsed(CConversions::i2FromString));
        case it_i4:
            return CheckWhole(f, name, v.GetI4(), Collapsed(CConversions::i4FromString));
        case it_ui1:
            return CheckWhole(f, name, static_cast<unsigned>(v.GetUI1()),
                              Collapsed(CConversions::ui1FromString));
        case it_ui2:
            return CheckWhole(f, name, static_cast<unsigned>(v.GetUI2()),
                              Collapsed(CConversions::ui2FromString));
        case it_ui4:
            return CheckWhole(f, name, v.GetUI4(), Collapsed(CConversions::ui4FromString));
        case it_i8:
            return CheckWhole(f, name, v.GetI8(), Collapsed(CConversions::i8FromString));
        case it_ui8:
            return CheckWhole(f, name, v.GetUI8(), Collapsed(CConversions::ui8FromString));
        case it_r4:
            return CheckReal(f, name, v.GetR4(), Collapsed(CConversions::r4FromString));
        case it_r8:
            return CheckReal(f, name, v.GetR8(), Collapsed(CConversions::r8FromString));
        case it_duration: {
            const CDateTimeSpan value = v.GetDuration();
            if (!WithinPartialBounds(f, value, Collapsed(CConversions::durationFromString))) {
                Violation(name, CConversions::durationToString(value));
            }
            return;
        }
        case it_yearMonth:
            return CheckDate(f, name, v.GetYearMonth(),
                             Collapsed(CConversions::yearMonthFromString));
        case it_monthDay:
            return CheckDate(f, name, v.GetMonthDay(), Collapsed(CConversions::monthDayFromString));
        case it_date:
            return CheckDate(f, name, v.GetDate(), Collapsed(CConversions::dateFromString));
        case it_datetime:
            return CheckDate(f, name, v.GetDateTime(), Collapsed(CConversions::datetimeFromString));
        case it_time:
            return CheckDate(f, name, v.GetTime(), Collapsed(CConversions::timeFromString));
        case it_year:
            return CheckWhole(f, name, static_cast<unsigned>(v.GetYear()),
                              Collapsed(CConversions::yearFromString), false);
        case it_month:
            return CheckWhole(f, name, static_cast<unsigned>(v.GetMonth()),
                              Collapsed(CConversions::monthFromString), false);
        case it_day:
            return CheckWhole(f, name, static_cast<unsigned>(v.GetDay()),
                              Collapsed(CConversions::dayFromString), false);
        case it_string:
            return CheckString(f, name, v.GetStringRef());
        case it_decimal:
            return CheckExact(f, name, v.GetDecimal(), Collapsed(CConversions::decimalFromString));
        case it_integer: {
            const CBigInteger value = v.GetInteger();
            bool within = true;
            if (!HasDigitFacets(f) && WithinSmallIntegerBounds(f, value, within)) {
                if (!within) Violation(name, value.ToString());
                return;
            }
            return CheckExact(f, name, value, Collapsed(CConversions::integerFromString));
        }
        case it_boolean:
            return;
        default:
            throw CQbInvalidValueException("unknown type [" + v.GetType() + "]");
    }
}

// `lexical` is the text the pattern is matched against; null for the
// value's own text.
void Check(ItemType kind, const CPrimitiveRestrictions& f, const char* itemName, const QbVariant& v,
           const std::string* lexical) {
    // A value of the kind itself (which its getter reads without fail)
    // passes when no facet is set; kinds without facets and values of
    // another kind still go through the checks below.
    if (v.GetKind() == kind && HasNoFacets(f) && kind >= it_hexBinary && kind <= it_integer &&
        kind != it_char) {
        return;
    }
    const char* name = itemName ? itemName : "";
    CheckValue(kind, f, name, v);
    if (f.pattern.empty()) return;
    // A string is its own text.
    if (lexical) return CheckPattern(f, name, *lexical);
    if (v.GetKind() == it_string) return CheckPattern(f, name, v.GetStringRef());
    CheckPattern(f, name, v.ToString());
}

}  // namespace

void CheckPrimitiveValue(ItemType kind, const CPrimitiveRestrictions& f, const char* itemName,
                         const QbVariant& v) {
    Check(kind, f, itemName, v, nullptr);
}

void CheckPrimitiveValue(ItemType kind, const CPrimitiveRestrictions& f, const char* itemName,
                         const QbVariant& v, const std::string& lexical) {
    Check(kind, f, itemName, v, &lexical);
}

void CheckPrimitiveText(ItemType kind, const CPrimitiveRestrictions& f, const char* itemName,
                        const QbVariant& value, const std::string& text, Rule rule) {
    // A string value is the text after the rule already.
    if (f.pattern.empty() || value.GetKind() == it_string) {
        return CheckPrimitiveValue(kind, f, itemName, value);
    }
    std::string scratch;
    CheckPrimitiveValue(kind, f, itemName, value, CWhitespaceUtils::ApplyRule(rule, text, scratch));
}

}  // namespace QbXmlLib5
