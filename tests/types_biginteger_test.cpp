#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/CQbException.h"
#include "types/CBigInteger.h"
#include "types/CDecimal.h"

using namespace QbXmlLib5;

namespace {

// Expects `op` to throw CQbInvalidValueException with exactly `message`.
template <typename Op>
void ExpectInvalid(Op op, const std::string& message) {
    try {
        op();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const CQbInvalidValueException& e) {
        EXPECT_EQ(e.GetMessage(), message);
    }
}

std::string Digits(char first, std::size_t zeros) { return first + std::string(zeros, '0'); }

TEST(BigIntegerTest, ParsesPlainAndLenientTexts) {
    // Blanks and signs among the digits read as they do for decimals; texts
    // that are not plain integers round through the decimal rule.
    // clang-format off
    const char* const cases[][2] = {
        {"  -0042  ", "-42"}, {"", "0"}, {"   ", "0"}, {"-0", "0"}, {"+5", "5"}, {"\t17\n", "17"},
        {"1 2", "12"}, {"5-", "-5"}, {"1.9", "2"}, {"2.5", "2"}, {"-2.5", "-2"},
        {"2.5000000000000000000000000000000000001", "2"},
        {"-98765432109876543210", "-98765432109876543210"}};
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(CBigInteger(c[0]).ToString(), c[1]) << c[0];
    EXPECT_EQ(CBigInteger(static_cast<const char*>(nullptr)).ToString(), "0");
    CDecimal::SetMaxDecimalPlaces(1);
    EXPECT_EQ(CBigInteger("2.51").ToString(), CBigInteger(CDecimal("2.51")).ToString());
    EXPECT_EQ(CBigInteger("2.51").ToString(), "2");
    CDecimal::SetMaxDecimalPlaces(30);
    EXPECT_EQ(CBigInteger("1.7E+308"), CBigInteger::MAX_DOUBLE);
    ExpectInvalid(
        [] { CBigInteger("12a"); },
        "The string representing a Decimal, contained an invalid char at position 2 [12a]");
    CBigInteger parsed;
    parsed.Parse("-98765432109876543210");
    EXPECT_EQ(parsed.ToString(), "-98765432109876543210");
    // No digit limit, and leading zeros of any length vanish.
    std::string longText(3000, '7');
    EXPECT_EQ(CBigInteger(longText).ToString(), longText);
    EXPECT_EQ(CBigInteger(std::string(2000, '0') + "31").ToString(), "31");
}

TEST(BigIntegerTest, NegationAndSignedZero) {
    CBigInteger x(-5), zero, y(7), w(-3);
    x.Negate();
    zero.Negate();
    CBigInteger z = -y;  // unary minus negates the object itself
    EXPECT_EQ(x.ToString() + x.GetNegative().ToString() + x.ToString() + zero.ToString(), "5-550");
    EXPECT_EQ(y.ToString() + z.ToString() + w.GetAbs().ToString(), "-7-73");
    EXPECT_TRUE(zero == CBigInteger(0) && zero <= CBigInteger(0) && zero >= CBigInteger(0));
    EXPECT_FALSE(zero < CBigInteger(0) || CBigInteger(0) < zero);
    EXPECT_EQ((CBigInteger(-10) % CBigInteger(5)).ToString(), "0");
    EXPECT_FALSE(CBigInteger(-10) % CBigInteger(5) < CBigInteger(0));
    w.Abs();
    EXPECT_EQ(w.ToString(), "3");
    EXPECT_EQ(w.Signum() * 10 + CBigInteger().Signum(), 10);
}

// Arithmetic, native conversions and doubles are also checked against Python
// by the numeric oracle (tests/oracle), extremes included.
TEST(BigIntegerTest, ConstantsAndNativeExtremes) {
    const std::pair<const CBigInteger*, const char*> constants[] = {
        {&CBigInteger::MAX_LONG, "2147483647"},
        {&CBigInteger::MIN_LONG, "-2147483648"},
        {&CBigInteger::MAX_LONGLONG, "9223372036854775807"},
        {&CBigInteger::MIN_LONGLONG, "-9223372036854775808"}};
    for (const auto& c : constants) EXPECT_EQ(c.first->ToString(), c.second);
    EXPECT_EQ(CBigInteger::MAX_DOUBLE.ToString(), "17" + std::string(307, '0'));
    EXPECT_EQ(CBigInteger::MIN_DOUBLE.ToString(), "-17" + std::string(307, '0'));
    const std::int32_t min32 = std::numeric_limits<std::int32_t>::min();
    const std::int64_t min64 = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(static_cast<std::int32_t>(CBigInteger(min32)), min32);
    EXPECT_EQ(static_cast<std::int64_t>(CBigInteger(min64)), min64);
    EXPECT_EQ(CBigInteger(std::numeric_limits<std::uint64_t>::max()).ToString(),
              "18446744073709551615");
    EXPECT_EQ(CBigInteger(4294967295u).ToString() + CBigInteger(-2.5).ToString(), "4294967295-2");
    ExpectInvalid([] { (void)static_cast<std::int32_t>(CBigInteger("2147483648")); },
                  "ERROR: Domain in operator int()!");
}

TEST(BigIntegerTest, DivisionRefusesZero) {
    CBigInteger target("123456789012345678901234567890");
    ExpectInvalid([&] { target /= CBigInteger(); }, "ERROR: Overflow in operator /=!");
    ExpectInvalid([&] { target %= CBigInteger("-0"); }, "ERROR: Overflow in operator%=!");
    EXPECT_EQ(target.ToString(), "123456789012345678901234567890");

    target /= CBigInteger(10);
    EXPECT_EQ(target.ToString(), "12345678901234567890123456789");
    target %= CBigInteger(1000);
    EXPECT_EQ(target.ToString(), "789");
    target += 11;
    target -= 300;
    target *= -2;
    EXPECT_EQ(target.ToString(), "-1000");
}

TEST(BigIntegerTest, NativeOperandsAndPowersOfTen) {
    CBigInteger x(42);
    EXPECT_TRUE(x == 42 && 42 == x && x < 43L && x > "41");
    EXPECT_EQ((x + 8).ToString() + (100 - x).ToString(), "5058");
    EXPECT_EQ(CBigInteger::Pow10(0).ToString() + CBigInteger::Pow10(9).ToString(), "11000000000");
    EXPECT_EQ(CBigInteger::Pow10(20).ToString(), Digits('1', 20));
}

// Reaches the protected constructor from a sign and decimal digit values.
class DigitBigInteger : public CBigInteger {
public:
    DigitBigInteger(int sign, const std::vector<char>& digits) : CBigInteger(sign, digits) {}
};

TEST(BigIntegerTest, ConstructsFromDigitValues) {
    EXPECT_EQ(DigitBigInteger(-1, {3, 2, 1, 0, 0}).ToString(), "-123");
    EXPECT_EQ(DigitBigInteger(1, {}).ToString(), "0");
    std::vector<char> many(20, 9);
    EXPECT_EQ(DigitBigInteger(1, many).ToString(), std::string(20, '9'));
    ExpectInvalid([] { DigitBigInteger(1, {1, 10}); }, "ERROR: Invalid digit in CBigInteger!");
}

}  // namespace
