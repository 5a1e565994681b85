// CBigInteger: the signed integer of unlimited size behind xs:integer.
//
// The magnitude is held in base 10^9 limbs (least significant first), so
// decimal text is read and written in linear time and scaling by powers of
// ten (what CDecimal does all day) is a limb shift. Multiplication is
// schoolbook and division is Knuth's long division, both quadratic.
//
// Errors are thrown as CQbInvalidValueException: division or modulus by
// zero, the square root of a negative number, a conversion to a native type
// that does not fit, or text that is not a number.
#ifndef QBXMLLIB5_TYPES_CBIGINTEGER_H
#define QBXMLLIB5_TYPES_CBIGINTEGER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "types/CLimbs.h"

namespace QbXmlLib5 {

class CDecimal;

class CBigInteger {
public:
    // 2^31 - 1, -2^31, 2^63 - 1, -2^63 and +/-1.7E+308 (17 and 307 zeros).
    static const CBigInteger MAX_LONG;
    static const CBigInteger MIN_LONG;
    static const CBigInteger MAX_LONGLONG;
    static const CBigInteger MIN_LONGLONG;
    static const CBigInteger MAX_DOUBLE;
    static const CBigInteger MIN_DOUBLE;

    // Zero.
    CBigInteger();
    // Native integers convert exactly, the most negative values included.
    CBigInteger(int value);
    CBigInteger(unsigned int value);
    CBigInteger(long value);
    CBigInteger(unsigned long value);
    CBigInteger(long long value);
    CBigInteger(unsigned long long value);
    // The double rounded to the nearest whole number, an exact half toward
    // zero (2.5 gives 2, -2.6 gives -3); every digit of a large double is
    // exact. NaN gives zero; an infinity is refused.
    explicit CBigInteger(double value);
    // The decimal rounded to a whole number, an exact half toward zero.
    explicit CBigInteger(const CDecimal& value);
    // Parses the text as Parse() does; null is the empty text.
    CBigInteger(const char* text);
    CBigInteger(const std::string& text);

    CBigInteger(const CBigInteger& other) = default;
    CBigInteger(CBigInteger&& other) noexcept = default;
    CBigInteger& operator=(const CBigInteger& other) = default;
    CBigInteger& operator=(CBigInteger&& other) noexcept = default;
    ~CBigInteger() = default;

    // Replaces the value with the text's. Blanks around an optional '-' and
    // the digits are ignored; an empty text is zero. Any other text (a '+',
    // a point, an exponent, blanks or signs among the digits) gives what
    // CBigInteger(CDecimal(text)) gives: the decimal (rounded to the maximum
    // places in force) rounded to a whole number, an exact half toward zero:
    // "1.9" gives 2, "2.5" gives 2, "1 2" gives 12.
    // Throws CQbInvalidValueException (the CDecimal message) for bad text.
    void Parse(const char* text);

    // Decimal digits with a leading '-' when negative; zero is "0".
    std::string ToString() const;

    void Abs();
    CBigInteger GetAbs() const;
    void Negate();
    CBigInteger GetNegative() const;
    // Negates this object itself and returns it: after -x, x is negated.
    CBigInteger& operator-();

    // True for zero of either sign.
    bool IsZero() const { return m_limbs.empty(); }
    // -1, 0 or 1.
    int Signum() const { return IsZero() ? 0 : m_sign; }

    CBigInteger& operator+=(const CBigInteger& other);
    CBigInteger& operator-=(const CBigInteger& other);
    CBigInteger& operator*=(const CBigInteger& other);
    // Truncates toward zero; throws "ERROR: Overflow in operator /=!" for a
    // zero divisor, leaving this object unchanged.
    CBigInteger& operator/=(const CBigInteger& other);
    // Remainder with the sign of the dividend; throws "ERROR: Overflow in
    // operator%=!" for a zero divisor, leaving this object unchanged.
    CBigInteger& operator%=(const CBigInteger& other);

    // Floor of the square root. Refuses a negative value ("ERROR: Negative
    // Number in function SquareRoot()!") and, like the Newton iteration it
    // runs, zero ("ERROR: Overflow in operator/!").
    CBigInteger SquareRoot() const;

    // 10 to the power n.
    static CBigInteger Pow10(unsigned int n);

    // Exact conversions; a value out of range throws "ERROR: Domain in
    // operator int()!" (the same text for both widths).
    explicit operator std::int32_t() const;
    explicit operator std::int64_t() const;

    // Zeros of either sign are equal, and ordering is numeric: -0 < 0 is
    // false, so a "-0" in a document passes a lower bound of 0.
    friend bool operator==(const CBigInteger& a, const CBigInteger& b) { return Order(a, b) == 0; }
    friend bool operator!=(const CBigInteger& a, const CBigInteger& b) { return Order(a, b) != 0; }
    friend bool operator<(const CBigInteger& a, const CBigInteger& b) { return Order(a, b) < 0; }
    friend bool operator>(const CBigInteger& a, const CBigInteger& b) { return Order(a, b) > 0; }
    friend bool operator<=(const CBigInteger& a, const CBigInteger& b) { return Order(a, b) <= 0; }
    friend bool operator>=(const CBigInteger& a, const CBigInteger& b) { return Order(a, b) >= 0; }

    friend CBigInteger operator+(const CBigInteger& a, const CBigInteger& b);
    friend CBigInteger operator-(const CBigInteger& a, const CBigInteger& b);
    friend CBigInteger operator*(const CBigInteger& a, const CBigInteger& b);
    // Throws "ERROR: Overflow in operator/!" for a zero divisor.
    friend CBigInteger operator/(const CBigInteger& a, const CBigInteger& b);
    // Throws "ERROR: Overflow in operator%!" for a zero divisor.
    friend CBigInteger operator%(const CBigInteger& a, const CBigInteger& b);

protected:
    // Magnitudes: base 10^9 limbs, least significant first, no zero limb at
    // the top; zero is the empty vector.
    using Limbs = CLimbs;
    static constexpr std::uint32_t kBase = 1000000000u;
    static constexpr unsigned kLimbDigits = 9;

    // From a sign (1 or -1) and decimal digit values 0-9, least significant
    // first.
    CBigInteger(int sign, const std::vector<char>& digits);
    CBigInteger(int sign, Limbs limbs);

    static void Clean(Limbs& a);
    static Limbs FromUnsigned(std::uint64_t value);
    // Magnitude of the decimal digits in [first, last); the caller checked
    // that all are '0'-'9'.
    static Limbs FromDigits(const char* first, const char* last);
    static void AppendDigits(const Limbs& a, std::string& out);
    // Number of decimal digits; 1 for zero.
    static std::size_t Position(const Limbs& a);
    static int Compare(const Limbs& a, const Limbs& b);
    static Limbs Add(const Limbs& a, const Limbs& b);
    // Requires a >= b.
    static Limbs Subtract(const Limbs& a, const Limbs& b);
    static void MultiplySmall(Limbs& a, std::uint32_t factor);
    static Limbs Multiply(const Limbs& a, const Limbs& b);
    // q = a / b and r = a % b; requires b non-zero.
    static void Divide(const Limbs& a, const Limbs& b, Limbs& q, Limbs& r);
    // Divides in place by a single limb; returns the remainder.
    static std::uint32_t DivideSmall(Limbs& a, std::uint32_t divisor);
    // Multiplies by 10^n.
    static void ShiftLeft(Limbs& a, std::size_t n);
    // Divides by 10^n, truncating.
    static void ShiftRight(Limbs& a, std::size_t n);
    // Decimal digit n (0 = units) of the magnitude.
    static unsigned DigitAt(const Limbs& a, std::size_t n);
    // True when some digit below position n is non-zero.
    static bool AnyDigitBelow(const Limbs& a, std::size_t n);
    // Number of zero digits at the least significant end (0 for zero).
    static std::size_t TrailingZeros(const Limbs& a);
    // Drops the n lowest digits, rounding to nearest with an exact half
    // toward zero. `sticky` says that the value continues with non-zero
    // digits below the ones held, so an apparent half is above half.
    static void RoundOff(Limbs& a, std::size_t n, bool sticky);

    static int Order(const CBigInteger& a, const CBigInteger& b);

private:
    friend class CDecimal;

    // Signed sum of a and (bSign, b), the helper behind + and -.
    static CBigInteger SignedAdd(const CBigInteger& a, int bSign, const Limbs& b);
    // Quotient and remainder of signed values, or false for a zero divisor.
    static bool DivMod(const CBigInteger& a, const CBigInteger& b, CBigInteger* q, CBigInteger* r);
    std::uint64_t CheckedMagnitude(std::uint64_t limit) const;

    int m_sign;     // 1 or -1; zero may carry either
    Limbs m_limbs;  // the magnitude
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CBIGINTEGER_H
