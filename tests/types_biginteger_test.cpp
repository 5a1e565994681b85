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
    EXPECT_EQ(CBigInteger("  -0042  ").ToString(), "-42");
    EXPECT_EQ(CBigInteger("").ToString(), "0");
    EXPECT_EQ(CBigInteger("   ").ToString(), "0");
    EXPECT_EQ(CBigInteger(static_cast<const char*>(nullptr)).ToString(), "0");
    EXPECT_EQ(CBigInteger("-0").ToString(), "0");
    EXPECT_EQ(CBigInteger("+5").ToString(), "5");
    EXPECT_EQ(CBigInteger(std::string("\t17\n")).ToString(), "17");
    // Blanks and signs among the digits read as they do for decimals.
    EXPECT_EQ(CBigInteger("1 2").ToString(), "12");
    EXPECT_EQ(CBigInteger("5-").ToString(), "-5");
    // Texts that are not plain integers round to a whole number.
    EXPECT_EQ(CBigInteger("1.9").ToString(), "2");
    EXPECT_EQ(CBigInteger("2.5").ToString(), "2");
    EXPECT_EQ(CBigInteger("-2.5").ToString(), "-2");
    // Through the decimal rule: rounded to the places in force first.
    EXPECT_EQ(CBigInteger("2.5000000000000000000000000000000000001").ToString(), "2");
    CDecimal::SetMaxDecimalPlaces(1);
    EXPECT_EQ(CBigInteger("2.51").ToString(), CBigInteger(CDecimal("2.51")).ToString());
    EXPECT_EQ(CBigInteger("2.51").ToString(), "2");
    CDecimal::SetMaxDecimalPlaces(30);
    EXPECT_EQ(CBigInteger("1.7E+308").ToString(), "17" + std::string(307, '0'));
    EXPECT_EQ(CBigInteger("1.7E+308"), CBigInteger::MAX_DOUBLE);
    ExpectInvalid([] { CBigInteger("12a"); },
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
    CBigInteger x(-5);
    x.Negate();
    EXPECT_EQ(x.ToString(), "5");
    EXPECT_EQ(x.GetNegative().ToString(), "-5");
    EXPECT_EQ(x.ToString(), "5");

    CBigInteger zero;
    zero.Negate();
    EXPECT_EQ(zero.ToString(), "0");
    EXPECT_TRUE(zero == CBigInteger(0));
    EXPECT_FALSE(zero < CBigInteger(0));
    EXPECT_FALSE(CBigInteger(0) < zero);
    EXPECT_TRUE(zero <= CBigInteger(0) && zero >= CBigInteger(0));
    EXPECT_EQ((CBigInteger(-10) % CBigInteger(5)).ToString(), "0");
    EXPECT_FALSE(CBigInteger(-10) % CBigInteger(5) < CBigInteger(0));

    // Unary minus negates the object itself.
    CBigInteger y(7);
    CBigInteger z = -y;
    EXPECT_EQ(y.ToString(), "-7");
    EXPECT_EQ(z.ToString(), "-7");

    CBigInteger w(-3);
    EXPECT_EQ(w.GetAbs().ToString(), "3");
    w.Abs();
    EXPECT_EQ(w.ToString(), "3");
    EXPECT_EQ(w.Signum(), 1);
    EXPECT_EQ(CBigInteger().Signum(), 0);
}

TEST(BigIntegerTest, NativeExtremesConvertExactly) {
    const std::int32_t min32 = std::numeric_limits<std::int32_t>::min();
    const std::int64_t min64 = std::numeric_limits<std::int64_t>::min();
    const std::int64_t max64 = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(CBigInteger(min32).ToString(), "-2147483648");
    EXPECT_EQ(CBigInteger(min64).ToString(), "-9223372036854775808");
    EXPECT_EQ(CBigInteger(std::numeric_limits<std::uint64_t>::max()).ToString(),
              "18446744073709551615");
    EXPECT_EQ(CBigInteger(4294967295u).ToString(), "4294967295");
    EXPECT_EQ(static_cast<std::int32_t>(CBigInteger(min32)), min32);
    EXPECT_EQ(static_cast<std::int64_t>(CBigInteger(min64)), min64);
    EXPECT_EQ(static_cast<std::int64_t>(CBigInteger(max64)), max64);
    EXPECT_EQ(static_cast<std::int32_t>(CBigInteger("-000123")), -123);

    EXPECT_EQ(CBigInteger::MAX_LONG.ToString(), "2147483647");
    EXPECT_EQ(CBigInteger::MIN_LONG.ToString(), "-2147483648");
    EXPECT_EQ(CBigInteger::MAX_LONGLONG.ToString(), "9223372036854775807");
    EXPECT_EQ(CBigInteger::MIN_LONGLONG.ToString(), "-9223372036854775808");
    EXPECT_EQ(CBigInteger::MAX_DOUBLE.ToString(), Digits('1', 0) + "7" + std::string(307, '0'));
    EXPECT_EQ(CBigInteger::MIN_DOUBLE.ToString(), "-17" + std::string(307, '0'));

    const std::string domain = "ERROR: Domain in operator int()!";
    ExpectInvalid([] { (void)static_cast<std::int32_t>(CBigInteger("2147483648")); }, domain);
    ExpectInvalid([] { (void)static_cast<std::int32_t>(CBigInteger("-2147483649")); }, domain);
    ExpectInvalid([] { (void)static_cast<std::int64_t>(CBigInteger("9223372036854775808")); },
                  domain);
    ExpectInvalid([] { (void)static_cast<std::int64_t>(CBigInteger("-9223372036854775809")); },
                  domain);
    ExpectInvalid([] { (void)static_cast<std::int64_t>(CBigInteger::Pow10(40)); }, domain);
}

TEST(BigIntegerTest, DoublesRoundHalfTowardZeroAndConvertExactly) {
    EXPECT_EQ(CBigInteger(2.5).ToString(), "2");
    EXPECT_EQ(CBigInteger(2.6).ToString(), "3");
    EXPECT_EQ(CBigInteger(-2.6).ToString(), "-3");
    EXPECT_EQ(CBigInteger(-2.5).ToString(), "-2");
    EXPECT_EQ(CBigInteger(0.5).ToString(), "0");
    EXPECT_EQ(CBigInteger(1e20).ToString(), "100000000000000000000");
    // 2^52 + 1 is odd; subtracting a half before ceil() would lose it.
    EXPECT_EQ(CBigInteger(4503599627370497.0).ToString(), "4503599627370497");
    // Every digit of a large double is its exact value.
    EXPECT_EQ(CBigInteger(1e300).ToString().substr(0, 20), "10000000000000000525");
    EXPECT_EQ(CBigInteger(std::ldexp(1.0, 100)).ToString(), "1267650600228229401496703205376");
    EXPECT_EQ(CBigInteger(std::nan("")).ToString(), "0");
    ExpectInvalid([] { (void)CBigInteger(HUGE_VAL); }, "ERROR: Infinite value in CBigInteger(double)!");
}

TEST(BigIntegerTest, DivisionTruncatesAndRefusesZero) {
    EXPECT_EQ((CBigInteger(-7) / CBigInteger(2)).ToString(), "-3");
    EXPECT_EQ((CBigInteger(-7) % CBigInteger(2)).ToString(), "-1");
    EXPECT_EQ((CBigInteger(7) / CBigInteger(-2)).ToString(), "-3");
    EXPECT_EQ((CBigInteger(7) % CBigInteger(-2)).ToString(), "1");
    EXPECT_EQ((CBigInteger(0) / CBigInteger(-2)).ToString(), "0");
    EXPECT_EQ((CBigInteger(3) / CBigInteger(7)).ToString(), "0");

    ExpectInvalid([] { CBigInteger(1) / CBigInteger(0); }, "ERROR: Overflow in operator/!");
    ExpectInvalid([] { CBigInteger(1) % CBigInteger(0); }, "ERROR: Overflow in operator%!");
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

    // A divisor whose top limb is small forces the largest normalisation.
    CBigInteger a = CBigInteger::Pow10(90) - CBigInteger(1);
    CBigInteger b = CBigInteger::Pow10(45) + CBigInteger(1);
    EXPECT_EQ(((a / b) * b + a % b), a);

    // Operands (quotient and remainder from Python) on which the estimated
    // quotient limb survives both corrections and the divisor is added back.
    const CBigInteger u("150084035946431421557933580771769706338470565917174515891609015539105810974");
    const CBigInteger v("659623988654657707983020541337478681012316284512856310175064");
    EXPECT_EQ((u / v).ToString(), "227529681345483");
    EXPECT_EQ((u % v).ToString(), "659623988654657707983020541337478681012316284512856310175062");
}

TEST(BigIntegerTest, SquareRoot) {
    EXPECT_EQ(CBigInteger(99).SquareRoot().ToString(), "9");
    EXPECT_EQ(CBigInteger(100).SquareRoot().ToString(), "10");
    EXPECT_EQ(CBigInteger(1).SquareRoot().ToString(), "1");
    CBigInteger root = CBigInteger::Pow10(500) + CBigInteger(1);
    EXPECT_EQ((root * root).SquareRoot(), root);
    EXPECT_EQ((root * root - CBigInteger(1)).SquareRoot(), root - CBigInteger(1));
    ExpectInvalid([] { CBigInteger(-1).SquareRoot(); },
                  "ERROR: Negative Number in function SquareRoot()!");
    ExpectInvalid([] { CBigInteger(0).SquareRoot(); }, "ERROR: Overflow in operator/!");
}

TEST(BigIntegerTest, MixesWithNativeOperandsAndPowersOfTen) {
    CBigInteger x(42);
    EXPECT_TRUE(x == 42);
    EXPECT_TRUE(42 == x);
    EXPECT_TRUE(x < 43L);
    EXPECT_TRUE(x > "41");
    EXPECT_EQ((x + 8).ToString(), "50");
    EXPECT_EQ((100 - x).ToString(), "58");
    EXPECT_EQ(CBigInteger::Pow10(0).ToString(), "1");
    EXPECT_EQ(CBigInteger::Pow10(9).ToString(), "1000000000");
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
