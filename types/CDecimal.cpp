#include "types/CDecimal.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>
#include <utility>

#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

// A positive exponent above this is refused: eleven bytes of text must not
// ask for a number of a hundred thousand digits. Negative exponents only
// shrink the value and are unlimited.
constexpr std::uint64_t kMaxPositiveExponent = 100000;
// Exponent digits beyond this value change nothing (the value underflows
// or is refused long before), so the scan saturates here.
constexpr std::uint64_t kExponentSaturation =
    std::min<std::uint64_t>(1000000000000000ull, std::numeric_limits<std::size_t>::max() / 4);

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

[[noreturn]] void ThrowBadChar(std::size_t position, const char* text) {
    throw CQbInvalidValueException(FormatString(
        "The string representing a Decimal, contained an invalid char at position %d [%s]",
        static_cast<int>(std::min<std::size_t>(position, std::numeric_limits<int>::max())), text));
}

[[noreturn]] void ThrowBadExponent(std::size_t position, const char* text) {
    throw CQbInvalidValueException(FormatString(
        "The string representing a Decimal, contained an exponent out of range at position %d [%s]",
        static_cast<int>(std::min<std::size_t>(position, std::numeric_limits<int>::max())), text));
}

}  // namespace

struct CDecimal::ParsedText {
    CBigInteger mantissa;  // all digits, integer then fraction, signed
    std::size_t fractionDigits = 0;
    bool hasExponent = false;
    bool negativeExponent = false;
    std::uint64_t exponent = 0;
};

std::atomic<int> CDecimal::m_maxDivider{30};

// ---------------------------------------------------------------------------
// Construction

CDecimal::CDecimal() : m_places(0) {}

CDecimal::CDecimal(int value) : CDecimal(CBigInteger(value)) {}
CDecimal::CDecimal(unsigned int value) : CDecimal(CBigInteger(value)) {}
CDecimal::CDecimal(long value) : CDecimal(CBigInteger(value)) {}
CDecimal::CDecimal(unsigned long value) : CDecimal(CBigInteger(value)) {}
CDecimal::CDecimal(long long value) : CDecimal(CBigInteger(value)) {}
CDecimal::CDecimal(unsigned long long value) : CDecimal(CBigInteger(value)) {}

CDecimal::CDecimal(const CBigInteger& value) : m_mantissa(value), m_places(0) { Rationalise(); }

CDecimal::CDecimal(CBigInteger mantissa, std::size_t places)
    : m_mantissa(std::move(mantissa)), m_places(places) {}

CDecimal::CDecimal(double value) : m_places(1) {
    // Fixed notation of a double needs at most 309 integer digits.
    char buffer[400];
    std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::fixed, 13);
    *r.ptr = '\0';
    // The printed places are an artefact of the conversion, not digits the
    // caller gave: dropped.
    ParseExact(buffer);
    Finish();
}

CDecimal::CDecimal(const char* text) : m_places(1) { Parse(text); }

CDecimal::CDecimal(const std::string& text) : m_places(1) { Parse(text.c_str()); }

void CDecimal::SetMaxDecimalPlaces(int places) {
    m_maxDivider.store(std::max(places, 0), std::memory_order_relaxed);
}

int CDecimal::GetMaxDecimalPlaces() { return m_maxDivider.load(std::memory_order_relaxed); }

// ---------------------------------------------------------------------------
// Parsing

bool CDecimal::ScanPlain(const char* text, ParsedText& parsed) {
    std::size_t i = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') i = 1;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    std::size_t fraction = 0;
    for (; IsDigit(text[i]); ++i, ++digits)
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    if (digits == 0) return false;
    if (text[i] == '.') {
        for (++i; IsDigit(text[i]); ++i, ++fraction) {
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
        }
    }
    // Up to 18 digits cannot overflow; anything else takes the full scan.
    if (text[i] != '\0' || digits + fraction > 18) return false;
    parsed.mantissa = CBigInteger(negative ? -1 : 1, CBigInteger::FromUnsigned(value));
    parsed.fractionDigits = fraction;
    return true;
}

CDecimal::ParsedText CDecimal::Scan(const char* text) {
    ParsedText parsed;
    // Values in documents are almost always plain: read those without
    // building a digit string.
    if (ScanPlain(text, parsed)) return parsed;
    std::string digits;
    bool negative = false;
    std::size_t i = 0;
    for (; text[i]; ++i) {  // integer phase
        const char c = text[i];
        if (IsDigit(c)) {
            digits += c;
        } else if (c == '-' || c == '+') {
            negative = (c == '-');
        } else if (c == '.' || c == 'e' || c == 'E') {
            break;
        } else if (!IsSpace(c)) {
            ThrowBadChar(i, text);
        }
    }
    if (text[i] == '.') {  // fraction phase
        for (++i; IsDigit(text[i]) || IsSpace(text[i]); ++i) {
            if (IsDigit(text[i])) {
                digits += text[i];
                ++parsed.fractionDigits;
            }
        }
    }
    if (text[i] == 'e' || text[i] == 'E') {  // exponent phase
        parsed.hasExponent = true;
        for (++i; IsSpace(text[i]) || text[i] == '-' || text[i] == '+'; ++i) {
            if (!IsSpace(text[i])) parsed.negativeExponent = (text[i] == '-');
        }
        const std::size_t start = i;
        for (; IsDigit(text[i]); ++i) {
            parsed.exponent = std::min(parsed.exponent * 10 + static_cast<unsigned>(text[i] - '0'),
                                       kExponentSaturation);
        }
        if (IsSpace(text[i])) ThrowBadChar(i, text);
        if (!parsed.negativeExponent && parsed.exponent > kMaxPositiveExponent) {
            ThrowBadExponent(start, text);
        }
    }
    if (text[i]) ThrowBadChar(i, text);
    parsed.mantissa = CBigInteger(
        negative ? -1 : 1, CBigInteger::FromDigits(digits.data(), digits.data() + digits.size()));
    return parsed;
}

void CDecimal::ParseExact(const char* text) {
    ParsedText parsed = Scan(text ? text : "");
    m_mantissa = std::move(parsed.mantissa);
    m_places = parsed.fractionDigits;
    if (!parsed.hasExponent) return;
    if (parsed.negativeExponent) {
        m_places += parsed.exponent;
    } else if (parsed.exponent >= m_places) {
        CBigInteger::ShiftLeft(m_mantissa.m_limbs, parsed.exponent - m_places);
        m_places = 0;
    } else {
        m_places -= parsed.exponent;
    }
}

void CDecimal::Parse(const char* text) {
    ParseExact(text);
    // A text keeps the places it was written with ("10.50" stays 10.50);
    // only one with more places than the maximum is reduced and rounded.
    if (m_places > static_cast<std::size_t>(m_maxDivider)) Finish();
}

CBigInteger CDecimal::ParseInteger(const char* text) {
    // Through the decimal first, so that text and CDecimal give one answer.
    return CDecimal(text).ToBigInteger();
}

// ---------------------------------------------------------------------------
// Scaling

void CDecimal::ChangeFractionalDivider(std::size_t n) {
    if (n >= m_places) {
        CBigInteger::ShiftLeft(m_mantissa.m_limbs, n - m_places);
    } else {
        CBigInteger::RoundOff(m_mantissa.m_limbs, m_places - n, false);
    }
    m_places = n;
}

void CDecimal::Rationalise() {
    if (m_places == 0) return;
    if (m_mantissa.IsZero()) {
        m_places = 0;
        return;
    }
    const std::size_t zeros = std::min(CBigInteger::TrailingZeros(m_mantissa.m_limbs), m_places);
    CBigInteger::ShiftRight(m_mantissa.m_limbs, zeros);
    m_places -= zeros;
}

void CDecimal::Finish(bool inexact) {
    // An inexact value is rounded as it stands: zeros among its first places
    // are digits of the result, not trailing zeros of an exact value.
    if (!inexact) Rationalise();
    const std::size_t max = static_cast<std::size_t>(GetMaxDecimalPlaces());
    if (m_places <= max) return;
    CBigInteger::RoundOff(m_mantissa.m_limbs, m_places - max, inexact);
    m_places = max;
    // A rounded value keeps its places (0.1996 to 3 places is 0.200), but
    // one rounded to a whole number is that number.
    if (m_mantissa.IsZero() || CBigInteger::TrailingZeros(m_mantissa.m_limbs) >= m_places) {
        Rationalise();
    }
}

CBigInteger CDecimal::Aligned(const CDecimal& from, std::size_t places) {
    CBigInteger mantissa(from.m_mantissa);
    if (places > from.m_places) CBigInteger::ShiftLeft(mantissa.m_limbs, places - from.m_places);
    return mantissa;
}

CBigInteger CDecimal::IntegerPart() const {
    CBigInteger whole(m_mantissa);
    CBigInteger::ShiftRight(whole.m_limbs, m_places);
    return whole;
}

int CDecimal::Order(const CDecimal& a, const CDecimal& b) {
    const std::size_t places = std::max(a.m_places, b.m_places);
    return CBigInteger::Order(Aligned(a, places), Aligned(b, places));
}

// ---------------------------------------------------------------------------
// Arithmetic

CDecimal operator+(const CDecimal& a, const CDecimal& b) {
    const std::size_t places = std::max(a.m_places, b.m_places);
    CDecimal sum(CDecimal::Aligned(a, places) + CDecimal::Aligned(b, places), places);
    sum.Rationalise();
    return sum;
}

CDecimal operator-(const CDecimal& a, const CDecimal& b) { return a + b.GetNegative(); }

CDecimal operator*(const CDecimal& a, const CDecimal& b) {
    CDecimal product(a.m_mantissa * b.m_mantissa, a.m_places + b.m_places);
    product.Finish();
    return product;
}

CDecimal operator/(const CDecimal& a, const CDecimal& b) { return CDecimal::Quotient(a, b); }

CDecimal CDecimal::Quotient(const CDecimal& a, const CDecimal& b) {
    const std::size_t places = std::max(a.m_places, b.m_places);
    const CBigInteger divisor = Aligned(b, places);
    if (divisor.IsZero()) throw CQbInvalidValueException("ERROR: Overflow in operator/!");
    // Two guard places and the remainder (sticky) round once, as from the
    // exact quotient.
    const std::size_t guard = static_cast<std::size_t>(GetMaxDecimalPlaces()) + 2;
    CBigInteger::Limbs dividend = Aligned(a, places).m_limbs;
    CBigInteger::ShiftLeft(dividend, guard);
    CBigInteger::Limbs quotient;
    CBigInteger::Limbs remainder;
    if (!dividend.empty()) CBigInteger::Divide(dividend, divisor.m_limbs, quotient, remainder);
    const int sign = a.m_mantissa.m_sign * b.m_mantissa.m_sign;
    CDecimal result(CBigInteger(sign, std::move(quotient)), guard);
    result.Finish(!remainder.empty());
    return result;
}

CDecimal& CDecimal::operator+=(const CDecimal& other) { return *this = *this + other; }
CDecimal& CDecimal::operator-=(const CDecimal& other) { return *this = *this - other; }
CDecimal& CDecimal::operator*=(const CDecimal& other) { return *this = *this * other; }
CDecimal& CDecimal::operator/=(const CDecimal& other) { return *this = *this / other; }

CDecimal& CDecimal::operator++() { return *this += CDecimal(1); }
CDecimal& CDecimal::operator--() { return *this -= CDecimal(1); }

CDecimal CDecimal::operator++(int) {
    CDecimal old(*this);
    ++*this;
    return old;
}

CDecimal CDecimal::operator--(int) {
    CDecimal old(*this);
    --*this;
    return old;
}

void CDecimal::Negate() { m_mantissa.Negate(); }

CDecimal CDecimal::GetNegative() const {
    CDecimal copy(*this);
    copy.Negate();
    return copy;
}

// ---------------------------------------------------------------------------
// Text

namespace {

// Magnitude digits of `mantissa`, left-padded with zeros so that at least
// one digit stands before the last `places`.
std::string PaddedDigits(const std::string& magnitude, std::size_t places) {
    if (magnitude.size() > places) return magnitude;
    return std::string(places + 1 - magnitude.size(), '0') + magnitude;
}

}  // namespace

std::string CDecimal::ToString() const {
    // Built in place from the mantissa's limbs, without copying the number
    // or its digits: decimals are written by the hundred thousand.
    std::string out;
    out.reserve(m_mantissa.m_limbs.size() * 10 + m_places + 3);
    if (m_mantissa.Signum() < 0 && !m_mantissa.IsZero()) out += '-';
    const std::size_t start = out.size();
    CBigInteger::AppendDigits(m_mantissa.m_limbs, out);
    if (m_places == 0) {
        return m_mantissa.IsZero() ? std::string("0") : out;
    }
    // Every place is written, trailing zeros included: they were read or
    // constructed that way.
    const std::size_t length = out.size() - start;
    if (length <= m_places) out.insert(start, m_places + 1 - length, '0');
    out.insert(out.size() - m_places, 1, '.');
    return out;
}

std::string CDecimal::ToString(int places) const {
    const std::size_t kept = static_cast<std::size_t>(std::max(places, 0));
    // Half a unit of the last kept place, with the value's sign.
    const CDecimal half(CBigInteger(m_mantissa.Signum() < 0 ? -5 : 5), kept + 1);
    CDecimal sum = *this + half;
    // A sum that came out whole still shows one place ("1.0").
    if (sum.m_places == 0) sum.ChangeFractionalDivider(1);
    const std::string digits = PaddedDigits(sum.m_mantissa.GetAbs().ToString(), sum.m_places);
    const std::size_t point = digits.size() - sum.m_places;
    std::string out;
    if (sum.m_mantissa.Signum() < 0) out += '-';
    out.append(digits, 0, point);
    out += '.';
    out.append(digits, point, std::min(kept, sum.m_places));
    return out;
}

// ---------------------------------------------------------------------------
// Conversions

CBigInteger CDecimal::ToBigInteger() const {
    CDecimal whole(*this);
    whole.ChangeFractionalDivider(0);
    return whole.m_mantissa;
}

std::int32_t CDecimal::ToLong() const {
    const CBigInteger whole = ToBigInteger();
    if (whole < CBigInteger(std::numeric_limits<std::int32_t>::min()) ||
        whole > CBigInteger(std::numeric_limits<std::int32_t>::max())) {
        throw CQbOverFlowException("The Decimal value if to large to fit into a LONG");
    }
    return static_cast<std::int32_t>(whole);
}

std::int64_t CDecimal::ToLongLong() const {
    CDecimal rounded(*this);
    rounded.ChangeFractionalDivider(1);
    const CBigInteger whole = rounded.IntegerPart();
    if (whole < CBigInteger(std::numeric_limits<std::int64_t>::min()) ||
        whole > CBigInteger(std::numeric_limits<std::int64_t>::max())) {
        throw CQbOverFlowException("The Decimal value if to large to fit into a LONGLONG");
    }
    return static_cast<std::int64_t>(whole);
}

double CDecimal::ToDouble() const {
    static const CBigInteger kMax = CBigInteger::Pow10(307) * CBigInteger(17);
    if (IntegerPart().GetAbs() > kMax) {
        throw CQbOverFlowException("The Decimal value if to large to fit into a Double");
    }
    // from_chars rounds correctly and, unlike strtod, ignores the locale.
    const std::string text = ToString();
    double value = 0;
    std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec == std::errc::result_out_of_range) value = m_mantissa.Signum() < 0 ? -0.0 : 0.0;
    return value;
}

}  // namespace QbXmlLib5
