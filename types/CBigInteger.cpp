#include "types/CBigInteger.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "core/CQbException.h"
#include "types/CDecimal.h"

namespace QbXmlLib5 {

namespace {

constexpr std::uint32_t kPow10[10] = {1u,      10u,      100u,      1000u,      10000u,
                                      100000u, 1000000u, 10000000u, 100000000u, 1000000000u};

[[noreturn]] void ThrowInvalid(const char* message) { throw CQbInvalidValueException(message); }

// Number of decimal digits of a non-zero limb.
unsigned LimbDigits(std::uint32_t limb) {
    unsigned n = 1;
    while (n < 9 && limb >= kPow10[n]) ++n;
    return n;
}

bool IsBlank(char c) { return c == ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// True for "blanks, an optional '-', digits, blanks": the plain integer form
// read without the decimal parser. Sets [first, last) to the digits.
bool IsPlainInteger(const char* text, bool& negative, const char*& first, const char*& last) {
    const char* p = text;
    while (IsBlank(*p)) ++p;
    negative = (*p == '-');
    if (negative) ++p;
    first = p;
    while (IsDigit(*p)) ++p;
    last = p;
    while (IsBlank(*p)) ++p;
    return *p == '\0';
}

}  // namespace

const CBigInteger CBigInteger::MAX_LONG(std::numeric_limits<std::int32_t>::max());
const CBigInteger CBigInteger::MIN_LONG(std::numeric_limits<std::int32_t>::min());
const CBigInteger CBigInteger::MAX_LONGLONG(std::numeric_limits<std::int64_t>::max());
const CBigInteger CBigInteger::MIN_LONGLONG(std::numeric_limits<std::int64_t>::min());
const CBigInteger CBigInteger::MAX_DOUBLE(CBigInteger::Pow10(307) * CBigInteger(17));
const CBigInteger CBigInteger::MIN_DOUBLE(CBigInteger::Pow10(307) * CBigInteger(-17));

// ---------------------------------------------------------------------------
// Construction

CBigInteger::CBigInteger() : m_sign(1) {}

CBigInteger::CBigInteger(int value) : CBigInteger(static_cast<long long>(value)) {}

CBigInteger::CBigInteger(unsigned int value)
    : CBigInteger(static_cast<unsigned long long>(value)) {}

CBigInteger::CBigInteger(long value) : CBigInteger(static_cast<long long>(value)) {}

CBigInteger::CBigInteger(unsigned long value)
    : CBigInteger(static_cast<unsigned long long>(value)) {}

CBigInteger::CBigInteger(long long value) : m_sign(value < 0 ? -1 : 1) {
    // Unsigned negation keeps the most negative value exact.
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if (value < 0) magnitude = 0 - magnitude;
    m_limbs = FromUnsigned(magnitude);
}

CBigInteger::CBigInteger(unsigned long long value) : m_sign(1), m_limbs(FromUnsigned(value)) {}

CBigInteger::CBigInteger(double value) : m_sign(1) {
    if (std::isnan(value)) return;
    if (std::isinf(value)) ThrowInvalid("ERROR: Infinite value in CBigInteger(double)!");
    if (value < 0) m_sign = -1;
    double magnitude = std::fabs(value);
    double whole = std::floor(magnitude);
    // magnitude - whole is exact, so the half is detected exactly.
    if (magnitude - whole > 0.5) whole += 1;
    if (whole < 18446744073709551616.0) {
        m_limbs = FromUnsigned(static_cast<std::uint64_t>(whole));
        return;
    }
    // whole = mantissa * 2^exponent with a 53-bit integer mantissa.
    int exponent = 0;
    double fraction = std::frexp(whole, &exponent);
    m_limbs = FromUnsigned(static_cast<std::uint64_t>(std::ldexp(fraction, 53)));
    for (exponent -= 53; exponent > 0; exponent -= 29) {
        MultiplySmall(m_limbs, 1u << std::min(exponent, 29));
    }
}

CBigInteger::CBigInteger(const CDecimal& value) : CBigInteger(value.ToBigInteger()) {}

CBigInteger::CBigInteger(const char* text) : m_sign(1) { Parse(text); }

CBigInteger::CBigInteger(const std::string& text) : m_sign(1) { Parse(text.c_str()); }

CBigInteger::CBigInteger(int sign, const std::vector<char>& digits) : m_sign(sign < 0 ? -1 : 1) {
    m_limbs.assign((digits.size() + kLimbDigits - 1) / kLimbDigits, 0);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (digits[i] < 0 || digits[i] > 9) ThrowInvalid("ERROR: Invalid digit in CBigInteger!");
        m_limbs[i / kLimbDigits] += static_cast<std::uint32_t>(digits[i]) * kPow10[i % kLimbDigits];
    }
    Clean(m_limbs);
}

CBigInteger::CBigInteger(int sign, Limbs limbs)
    : m_sign(sign < 0 ? -1 : 1), m_limbs(std::move(limbs)) {
    Clean(m_limbs);
}

void CBigInteger::Parse(const char* text) {
    if (!text) text = "";
    bool negative = false;
    const char* first = nullptr;
    const char* last = nullptr;
    if (IsPlainInteger(text, negative, first, last)) {
        m_limbs = FromDigits(first, last);
        m_sign = negative ? -1 : 1;
        return;
    }
    *this = CDecimal::ParseInteger(text);
}

// ---------------------------------------------------------------------------
// Text

std::string CBigInteger::ToString() const {
    std::string out;
    if (IsZero()) return "0";
    out.reserve(m_limbs.size() * kLimbDigits + 1);
    if (m_sign < 0) out += '-';
    AppendDigits(m_limbs, out);
    return out;
}

void CBigInteger::AppendDigits(const Limbs& a, std::string& out) {
    if (a.empty()) {
        out += '0';
        return;
    }
    // The leading limb without its leading zeros, then every other limb
    // with all nine digits.
    char digits[kLimbDigits + 1];
    const char* const end = std::to_chars(digits, digits + sizeof digits, a.back()).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
    for (std::size_t i = a.size() - 1; i-- > 0;) {
        std::uint32_t limb = a[i];
        for (unsigned k = kLimbDigits; k-- > 0; limb /= 10) {
            digits[k] = static_cast<char>('0' + limb % 10);
        }
        out.append(digits, kLimbDigits);
    }
}

CBigInteger::Limbs CBigInteger::FromDigits(const char* first, const char* last) {
    Limbs limbs;
    limbs.reserve(static_cast<std::size_t>(last - first) / kLimbDigits + 1);
    while (last > first) {
        const char* chunk = last - std::min<std::ptrdiff_t>(last - first, kLimbDigits);
        std::uint32_t limb = 0;
        for (const char* p = chunk; p < last; ++p)
            limb = limb * 10 + static_cast<std::uint32_t>(*p - '0');
        limbs.push_back(limb);
        last = chunk;
    }
    Clean(limbs);
    return limbs;
}

CBigInteger::Limbs CBigInteger::FromUnsigned(std::uint64_t value) {
    Limbs limbs;
    while (value) {
        limbs.push_back(static_cast<std::uint32_t>(value % kBase));
        value /= kBase;
    }
    return limbs;
}

// ---------------------------------------------------------------------------
// Sign

void CBigInteger::Abs() { m_sign = 1; }

CBigInteger CBigInteger::GetAbs() const {
    CBigInteger copy(*this);
    copy.Abs();
    return copy;
}

void CBigInteger::Negate() { m_sign = -m_sign; }

CBigInteger CBigInteger::GetNegative() const {
    CBigInteger copy(*this);
    copy.Negate();
    return copy;
}

CBigInteger& CBigInteger::operator-() {
    Negate();
    return *this;
}

int CBigInteger::Order(const CBigInteger& a, const CBigInteger& b) {
    int sa = a.Signum();
    int sb = b.Signum();
    if (sa != sb) return sa < sb ? -1 : 1;
    if (sa == 0) return 0;
    int c = Compare(a.m_limbs, b.m_limbs);
    return sa > 0 ? c : -c;
}

// ---------------------------------------------------------------------------
// Arithmetic on signed values

CBigInteger CBigInteger::SignedAdd(const CBigInteger& a, int bSign, const Limbs& b) {
    if (a.m_sign == bSign) return CBigInteger(a.m_sign, Add(a.m_limbs, b));
    int c = Compare(a.m_limbs, b);
    if (c == 0) return CBigInteger();
    if (c > 0) return CBigInteger(a.m_sign, Subtract(a.m_limbs, b));
    return CBigInteger(bSign, Subtract(b, a.m_limbs));
}

CBigInteger operator+(const CBigInteger& a, const CBigInteger& b) {
    return CBigInteger::SignedAdd(a, b.m_sign, b.m_limbs);
}

CBigInteger operator-(const CBigInteger& a, const CBigInteger& b) {
    return CBigInteger::SignedAdd(a, -b.m_sign, b.m_limbs);
}

CBigInteger operator*(const CBigInteger& a, const CBigInteger& b) {
    return CBigInteger(a.m_sign * b.m_sign, CBigInteger::Multiply(a.m_limbs, b.m_limbs));
}

bool CBigInteger::DivMod(const CBigInteger& a, const CBigInteger& b, CBigInteger* q,
                         CBigInteger* r) {
    if (b.IsZero()) return false;
    if (a.IsZero()) {
        if (q) *q = CBigInteger();
        if (r) *r = CBigInteger();
        return true;
    }
    Limbs quotient;
    Limbs remainder;
    Divide(a.m_limbs, b.m_limbs, quotient, remainder);
    if (q) *q = CBigInteger(a.m_sign * b.m_sign, std::move(quotient));
    if (r) *r = CBigInteger(a.m_sign, std::move(remainder));
    return true;
}

CBigInteger operator/(const CBigInteger& a, const CBigInteger& b) {
    CBigInteger q;
    if (!CBigInteger::DivMod(a, b, &q, nullptr)) ThrowInvalid("ERROR: Overflow in operator/!");
    return q;
}

CBigInteger operator%(const CBigInteger& a, const CBigInteger& b) {
    CBigInteger r;
    if (!CBigInteger::DivMod(a, b, nullptr, &r)) ThrowInvalid("ERROR: Overflow in operator%!");
    return r;
}

CBigInteger& CBigInteger::operator+=(const CBigInteger& other) { return *this = *this + other; }

CBigInteger& CBigInteger::operator-=(const CBigInteger& other) { return *this = *this - other; }

CBigInteger& CBigInteger::operator*=(const CBigInteger& other) { return *this = *this * other; }

CBigInteger& CBigInteger::operator/=(const CBigInteger& other) {
    CBigInteger q;
    if (!DivMod(*this, other, &q, nullptr)) ThrowInvalid("ERROR: Overflow in operator /=!");
    return *this = std::move(q);
}

CBigInteger& CBigInteger::operator%=(const CBigInteger& other) {
    CBigInteger r;
    if (!DivMod(*this, other, nullptr, &r)) ThrowInvalid("ERROR: Overflow in operator%=!");
    return *this = std::move(r);
}

CBigInteger CBigInteger::SquareRoot() const {
    if (Signum() < 0) ThrowInvalid("ERROR: Negative Number in function SquareRoot()!");
    // Newton's iteration from 10^(number of base-100 digits), an upper bound,
    // decreases monotonically to the floor of the root. Zero would divide by
    // zero on the way down.
    if (IsZero()) ThrowInvalid("ERROR: Overflow in operator/!");
    CBigInteger x = Pow10(static_cast<unsigned>((Position(m_limbs) + 1) / 2));
    const CBigInteger two(2);
    for (;;) {
        CBigInteger next = (x + *this / x) / two;
        if (!(next < x)) return x;
        x = std::move(next);
    }
}

CBigInteger CBigInteger::Pow10(unsigned int n) {
    Limbs limbs(n / kLimbDigits, 0);
    limbs.push_back(kPow10[n % kLimbDigits]);
    return CBigInteger(1, std::move(limbs));
}

// ---------------------------------------------------------------------------
// Native conversions

std::uint64_t CBigInteger::CheckedMagnitude(std::uint64_t limit) const {
    std::uint64_t value = 0;
    for (std::size_t i = m_limbs.size(); i-- > 0;) {
        if (__builtin_mul_overflow(value, std::uint64_t{kBase}, &value) ||
            __builtin_add_overflow(value, std::uint64_t{m_limbs[i]}, &value)) {
            ThrowInvalid("ERROR: Domain in operator int()!");
        }
    }
    if (value > limit) ThrowInvalid("ERROR: Domain in operator int()!");
    return value;
}

CBigInteger::operator std::int32_t() const {
    const std::uint64_t limit = m_sign < 0 ? 2147483648ull : 2147483647ull;
    std::int64_t value = static_cast<std::int64_t>(CheckedMagnitude(limit));
    return static_cast<std::int32_t>(m_sign < 0 ? -value : value);
}

CBigInteger::operator std::int64_t() const {
    const std::uint64_t kMinMagnitude = 9223372036854775808ull;
    std::uint64_t magnitude = CheckedMagnitude(m_sign < 0 ? kMinMagnitude : kMinMagnitude - 1);
    if (m_sign > 0) return static_cast<std::int64_t>(magnitude);
    if (magnitude == kMinMagnitude) return std::numeric_limits<std::int64_t>::min();
    return -static_cast<std::int64_t>(magnitude);
}

// ---------------------------------------------------------------------------
// Magnitudes

void CBigInteger::Clean(Limbs& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}

std::size_t CBigInteger::Position(const Limbs& a) {
    if (a.empty()) return 1;
    return (a.size() - 1) * kLimbDigits + LimbDigits(a.back());
}

int CBigInteger::Compare(const Limbs& a, const Limbs& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

CBigInteger::Limbs CBigInteger::Add(const Limbs& a, const Limbs& b) {
    const Limbs& longer = a.size() >= b.size() ? a : b;
    const Limbs& shorter = a.size() >= b.size() ? b : a;
    Limbs out(longer.size() + 1, 0);
    std::uint32_t carry = 0;
    for (std::size_t i = 0; i < longer.size(); ++i) {
        std::uint32_t sum = longer[i] + carry + (i < shorter.size() ? shorter[i] : 0);
        carry = sum >= kBase ? 1 : 0;
        out[i] = sum - carry * kBase;
    }
    out[longer.size()] = carry;
    Clean(out);
    return out;
}

CBigInteger::Limbs CBigInteger::Subtract(const Limbs& a, const Limbs& b) {
    Limbs out(a.size(), 0);
    std::uint32_t borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::uint32_t sub = borrow + (i < b.size() ? b[i] : 0);
        borrow = a[i] < sub ? 1 : 0;
        out[i] = a[i] + borrow * kBase - sub;
    }
    Clean(out);
    return out;
}

void CBigInteger::MultiplySmall(Limbs& a, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : a) {
        std::uint64_t t = std::uint64_t{limb} * factor + carry;
        limb = static_cast<std::uint32_t>(t % kBase);
        carry = t / kBase;
    }
    while (carry) {
        a.push_back(static_cast<std::uint32_t>(carry % kBase));
        carry /= kBase;
    }
    Clean(a);
}

CBigInteger::Limbs CBigInteger::Multiply(const Limbs& a, const Limbs& b) {
    if (a.empty() || b.empty()) return Limbs();
    Limbs out(a.size() + b.size(), 0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::uint64_t carry = 0;
        const std::uint64_t ai = a[i];
        for (std::size_t j = 0; j < b.size(); ++j) {
            std::uint64_t t = out[i + j] + ai * b[j] + carry;
            out[i + j] = static_cast<std::uint32_t>(t % kBase);
            carry = t / kBase;
        }
        out[i + b.size()] = static_cast<std::uint32_t>(carry);
    }
    Clean(out);
    return out;
}

std::uint32_t CBigInteger::DivideSmall(Limbs& a, std::uint32_t divisor) {
    std::uint64_t rem = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        std::uint64_t cur = rem * kBase + a[i];
        a[i] = static_cast<std::uint32_t>(cur / divisor);
        rem = cur % divisor;
    }
    Clean(a);
    return static_cast<std::uint32_t>(rem);
}

namespace {

// Knuth, TAOCP vol. 2, 4.3.1, algorithm D, in base 10^9. u holds the
// normalised dividend with one extra top limb, v the normalised divisor
// (top limb at least base / 2, at least two limbs). u is left holding the
// normalised remainder in its low limbs.
void KnuthDivide(CLimbs& u, const CLimbs& v, CLimbs& q) {
    constexpr std::uint64_t B = 1000000000u;
    const std::size_t n = v.size();
    const std::size_t m = u.size() - n - 1;
    const std::uint64_t v1 = v[n - 1];
    const std::uint64_t v2 = v[n - 2];
    q.assign(m + 1, 0);
    for (std::size_t j = m + 1; j-- > 0;) {
        std::uint64_t num = u[j + n] * B + u[j + n - 1];
        std::uint64_t qhat = num / v1;
        std::uint64_t rhat = num % v1;
        if (qhat >= B) {
            qhat = B - 1;
            rhat = num - qhat * v1;
        }
        while (rhat < B && qhat * v2 > rhat * B + u[j + n - 2]) {
            --qhat;
            rhat += v1;
        }
        // u[j .. j+n] -= qhat * v
        std::uint64_t carry = 0;
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < n; ++i) {
            std::uint64_t p = qhat * v[i] + carry;
            carry = p / B;
            std::int64_t t =
                static_cast<std::int64_t>(u[i + j]) - static_cast<std::int64_t>(p % B) - borrow;
            borrow = t < 0 ? 1 : 0;
            u[i + j] = static_cast<std::uint32_t>(t + borrow * static_cast<std::int64_t>(B));
        }
        std::int64_t top =
            static_cast<std::int64_t>(u[j + n]) - static_cast<std::int64_t>(carry) - borrow;
        if (top < 0) {
            // qhat was one too large: add v back.
            --qhat;
            std::uint64_t c = 0;
            for (std::size_t i = 0; i < n; ++i) {
                std::uint64_t s = u[i + j] + v[i] + c;
                c = s >= B ? 1 : 0;
                u[i + j] = static_cast<std::uint32_t>(s - c * B);
            }
            top += static_cast<std::int64_t>(c);
        }
        u[j + n] = static_cast<std::uint32_t>(top);
        q[j] = static_cast<std::uint32_t>(qhat);
    }
}

}  // namespace

void CBigInteger::Divide(const Limbs& a, const Limbs& b, Limbs& q, Limbs& r) {
    if (Compare(a, b) < 0) {
        q.clear();
        r = a;
        return;
    }
    if (b.size() == 1) {
        q = a;
        r = FromUnsigned(DivideSmall(q, b[0]));
        return;
    }
    // Scale both so that the divisor's top limb is at least base / 2.
    const std::uint32_t d = kBase / (b.back() + 1);
    Limbs u(a);
    u.push_back(0);
    Limbs v(b);
    if (d > 1) {
        MultiplySmall(u, d);
        MultiplySmall(v, d);
        u.resize(a.size() + 1, 0);
    }
    KnuthDivide(u, v, q);
    Clean(q);
    u.resize(b.size());
    Clean(u);
    DivideSmall(u, d);
    r = std::move(u);
}

void CBigInteger::ShiftLeft(Limbs& a, std::size_t n) {
    if (a.empty() || n == 0) return;
    a.insert(a.begin(), n / kLimbDigits, 0u);
    if (n % kLimbDigits) MultiplySmall(a, kPow10[n % kLimbDigits]);
}

void CBigInteger::ShiftRight(Limbs& a, std::size_t n) {
    const std::size_t whole = n / kLimbDigits;
    if (whole >= a.size()) {
        a.clear();
        return;
    }
    a.erase(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(whole));
    if (n % kLimbDigits) DivideSmall(a, kPow10[n % kLimbDigits]);
}

unsigned CBigInteger::DigitAt(const Limbs& a, std::size_t n) {
    const std::size_t limb = n / kLimbDigits;
    if (limb >= a.size()) return 0;
    return a[limb] / kPow10[n % kLimbDigits] % 10;
}

bool CBigInteger::AnyDigitBelow(const Limbs& a, std::size_t n) {
    const std::size_t limb = std::min(n / kLimbDigits, a.size());
    for (std::size_t i = 0; i < limb; ++i) {
        if (a[i]) return true;
    }
    return limb < a.size() && a[limb] % kPow10[n % kLimbDigits] != 0;
}

std::size_t CBigInteger::TrailingZeros(const Limbs& a) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == 0) continue;
        std::size_t zeros = i * kLimbDigits;
        for (std::uint32_t limb = a[i]; limb % 10 == 0; limb /= 10) ++zeros;
        return zeros;
    }
    return 0;
}

void CBigInteger::RoundOff(Limbs& a, std::size_t n, bool sticky) {
    if (n == 0 || a.empty()) return;
    if (n > Position(a)) {
        a.clear();  // below a tenth of the unit: under half
        return;
    }
    const unsigned digit = DigitAt(a, n - 1);
    const bool below = sticky || AnyDigitBelow(a, n - 1);
    ShiftRight(a, n);
    if (digit > 5 || (digit == 5 && below)) a = Add(a, Limbs{1});
}

}  // namespace QbXmlLib5
