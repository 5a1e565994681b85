// CDecimal: the exact decimal number behind xs:decimal.
//
// A value is a signed CBigInteger mantissa M and a number of fractional
// digits d: value = M / 10^d. Addition, subtraction and comparison are exact;
// products and quotients keep at most GetMaxDecimalPlaces() fractional
// digits (30 unless changed), rounded to nearest with an exact half toward
// zero. A value read from text or constructed from a mantissa keeps the
// fractional digits it was given, trailing zeros included ("10.50" prints as
// 10.50, which equals 10.5); a text with more places than the maximum is
// rounded to it. Results of arithmetic are held without trailing fractional
// zeros, except a value that was rounded to the maximum, which keeps all of
// its places (so 0.1996 read with 3 places in force prints as 0.200) unless
// it rounded to a whole number.
//
// The maximum is process-wide and read without synchronisation: set it
// before several threads start computing.
#ifndef QBXMLLIB5_TYPES_CDECIMAL_H
#define QBXMLLIB5_TYPES_CDECIMAL_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "types/CBigInteger.h"

namespace QbXmlLib5 {

class CDecimal {
public:
    // Zero.
    CDecimal();
    // Whole numbers, exactly.
    CDecimal(int value);
    CDecimal(unsigned int value);
    CDecimal(long value);
    CDecimal(unsigned long value);
    CDecimal(long long value);
    CDecimal(unsigned long long value);
    CDecimal(const CBigInteger& value);
    // The double printed with 13 decimal places and read back: 0.1 gives
    // exactly 0.1, values below 5E-14 in magnitude give 0. NaN and infinities
    // are refused like bad text.
    CDecimal(double value);
    // Parses the text (see below); null is the empty text, which is 0.
    //
    // The syntax is lenient: blanks, tabs, carriage returns and line feeds
    // may stand anywhere among the integer and fraction digits, a sign may
    // stand anywhere before the point (the last one counts: "1-2" is -12),
    // digits may be missing on either side of the point (".5", "5."), and an
    // exponent may follow ("1.5e2", "15E-1"; blanks and signs may precede its
    // digits, nothing but its end may follow them). Fractional digits beyond
    // the maximum are rounded away. Throws CQbInvalidValueException "The
    // string representing a Decimal, contained an invalid char at position %d
    // [%s]" (0-based byte position, whole text), or "... contained an exponent
    // out of range ..." for a positive exponent above 100000.
    CDecimal(const char* text);
    CDecimal(const std::string& text);

    CDecimal(const CDecimal& other) = default;
    CDecimal(CDecimal&& other) noexcept = default;
    CDecimal& operator=(const CDecimal& other) = default;
    CDecimal& operator=(CDecimal&& other) noexcept = default;
    ~CDecimal() = default;

    // The process-wide maximum number of fractional digits kept by parsing,
    // multiplication and division. Negative values are taken as 0.
    static void SetMaxDecimalPlaces(int places);
    static int GetMaxDecimalPlaces();

    // The text: "-" for a negative value, the integer digits, and when the
    // value has places a point and every fractional digit it holds.
    std::string ToString() const;
    // Rounds half away from zero to `places` digits (negative taken as 0) and
    // always writes the point: 2.5 with 0 places is "3.". When the dropped
    // digits are exactly a half, the zeros that rounding up leaves at the end
    // are dropped too, down to one digit: 0.995 with 2 places is "1.0" and
    // 1.2395 with 3 places is "1.24" (but 1.23951 is "1.240").
    std::string ToString(int places) const;

    // Rounded to a whole number, an exact half toward zero; no range check.
    CBigInteger ToBigInteger() const;
    // Rounded to a whole number, an exact half toward zero (2.5 gives 2).
    // Throws CQbOverFlowException "The Decimal value if to large to fit into
    // a LONG" outside the 32-bit range.
    std::int32_t ToLong() const;
    // Rounded to one place (half toward zero), then truncated: 2.6 gives 2,
    // 2.96 gives 3. Throws CQbOverFlowException "The Decimal value if to
    // large to fit into a LONGLONG" outside the 64-bit range.
    std::int64_t ToLongLong() const;
    // The nearest double. Throws CQbOverFlowException "The Decimal value if
    // to large to fit into a Double" when the integer part is beyond
    // +/-1.7E+308.
    double ToDouble() const;

    void Negate();
    CDecimal GetNegative() const;

    CDecimal& operator+=(const CDecimal& other);
    CDecimal& operator-=(const CDecimal& other);
    CDecimal& operator*=(const CDecimal& other);
    // A zero divisor throws CQbInvalidValueException "ERROR: Overflow in
    // operator/!" and leaves this object unchanged.
    CDecimal& operator/=(const CDecimal& other);
    CDecimal& operator++();
    CDecimal& operator--();
    CDecimal operator++(int);
    CDecimal operator--(int);

    friend CDecimal operator+(const CDecimal& a, const CDecimal& b);
    friend CDecimal operator-(const CDecimal& a, const CDecimal& b);
    friend CDecimal operator*(const CDecimal& a, const CDecimal& b);
    friend CDecimal operator/(const CDecimal& a, const CDecimal& b);

    friend bool operator==(const CDecimal& a, const CDecimal& b) { return Order(a, b) == 0; }
    friend bool operator!=(const CDecimal& a, const CDecimal& b) { return Order(a, b) != 0; }
    friend bool operator<(const CDecimal& a, const CDecimal& b) { return Order(a, b) < 0; }
    friend bool operator>(const CDecimal& a, const CDecimal& b) { return Order(a, b) > 0; }
    friend bool operator<=(const CDecimal& a, const CDecimal& b) { return Order(a, b) <= 0; }
    friend bool operator>=(const CDecimal& a, const CDecimal& b) { return Order(a, b) >= 0; }

private:
    friend class CBigInteger;

    // A text read exactly: value = mantissa * 10^-scale.
    struct ParsedText;

    CDecimal(CBigInteger mantissa, std::size_t places);

    static ParsedText Scan(const char* text);
    // Scan for "[+-]digits[.digits]" of at most 18 digits; false (and
    // `parsed` untouched) for any other text.
    static bool ScanPlain(const char* text, ParsedText& parsed);
    // The text rounded to a whole number, for CBigInteger::Parse.
    static CBigInteger ParseInteger(const char* text);
    // Reads the text exactly, without the maximum number of places.
    void ParseExact(const char* text);
    void Parse(const char* text);

    static int Order(const CDecimal& a, const CDecimal& b);
    static CDecimal Quotient(const CDecimal& a, const CDecimal& b);
    // Rescales to n places; fewer places round to nearest, half toward zero.
    void ChangeFractionalDivider(std::size_t n);
    // Drops trailing fractional zeros (a whole number keeps no place).
    void Rationalise();
    // Rationalises an exact value, then rounds to the maximum when more
    // places remain; an inexact one (digits lost beyond its last place) is
    // rounded without rationalising.
    void Finish(bool inexact = false);
    // Brings a copy of `from` to `places` places (at least its own).
    static CBigInteger Aligned(const CDecimal& from, std::size_t places);
    // Integer part, truncated toward zero.
    CBigInteger IntegerPart() const;

    // Read by every rounding on every thread; relaxed atomic accesses make a
    // change while others compute a defined (if unsynchronised) event.
    static std::atomic<int> m_maxDivider;

    CBigInteger m_mantissa;  // the value times 10^m_places
    std::size_t m_places;    // fractional digits the mantissa stands for
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CDECIMAL_H
