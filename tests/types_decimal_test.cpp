#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/CQbException.h"
#include "support/ExceptionMessage.h"
#include "types/CBigInteger.h"
#include "types/CDecimal.h"

using namespace QbXmlLib5;

namespace {

// Every test starts and ends with the default of 30 places.
class DecimalTest : public ::testing::Test {
protected:
    void SetUp() override { CDecimal::SetMaxDecimalPlaces(30); }
    void TearDown() override { CDecimal::SetMaxDecimalPlaces(30); }
};

using QbTest::ExpectThrow;

std::string BadChar(int position, const std::string& text) {
    return "The string representing a Decimal, contained an invalid char at position " +
           std::to_string(position) + " [" + text + "]";
}

std::string S(const char* text) { return CDecimal(text).ToString(); }

// {max places, text, printed}: parsing, and the rounding to the places in force.
// clang-format off
const struct {
    int places;
    const char* text;
    const char* printed;
} kParsed[] = {
    {30, "-0.50", "-0.50"}, {30, "+3", "3"}, {30, ".5", "0.5"}, {30, "5.", "5"},
    {30, "1 000.25", "1000.25"}, {30, "\t1\r\n2 . 5 0 ", "12.50"}, {30, "1-2", "-12"},
    {30, "-+7", "7"}, {30, "", "0"}, {30, "-0", "0"}, {30, "-0.00", "0.00"},
    {30, "007.000", "7.000"}, {30, "1.5e2", "150"}, {30, "1.50e1", "15.0"},
    {30, "15E-1", "1.5"}, {30, "1e 5", "100000"}, {30, "2e-+3", "2000"}, {30, "1e", "1"},
    {30, "5e-99999999999999999999999999", "0"},
    // 31 digits, the last an exact half: toward zero.
    {30, "0.0000000000000000000000000000015", "0.000000000000000000000000000001"},
    {30, "-0.0000000000000000000000000000015", "-0.000000000000000000000000000001"},
    {30, "0.00000000000000000000000000000150001", "0.000000000000000000000000000002"},
    {2, "0.996", "1"}, {2, "0.125", "0.12"}, {2, "0.126", "0.13"}, {2, "-0.126", "-0.13"},
    // A rounded value keeps its places, whatever the path.
    {3, "0.1996", "0.200"}, {3, "0.01996e1", "0.200"}, {3, "1996e-4", "0.200"}, {0, "2.5", "2"},
    // Reading keeps the places written, trailing zeros included, up to the
    // maximum; beyond it the zeros go before rounding.
    {3, "0.200", "0.200"}, {3, "0.20000", "0.2"}, {2, "10.50", "10.50"}};
// clang-format on

TEST_F(DecimalTest, LenientParsingRoundsToTheMaximumNumberOfPlaces) {
    for (const auto& c : kParsed) {
        CDecimal::SetMaxDecimalPlaces(c.places);
        EXPECT_EQ(S(c.text), c.printed) << c.text << " with " << c.places;
    }
    CDecimal::SetMaxDecimalPlaces(30);
    EXPECT_EQ(CDecimal(static_cast<const char*>(nullptr)).ToString(), "0");
    EXPECT_EQ(S("1.7E+308"), "17" + std::string(307, '0'));
    EXPECT_EQ(CDecimal("0." + std::string(5000, '9')).ToString(), "1");
    const std::pair<const char*, int> bad[] = {{"12a", 2},  {"1e5 ", 3}, {"1.5.3", 3},
                                               {"1.-5", 2}, {"1e5x", 3}, {"1,5", 1}};
    for (const auto& b : bad) {
        ExpectThrow<CQbInvalidValueException>([&] { CDecimal{b.first}; },
                                              BadChar(b.second, b.first));
    }
    ExpectThrow<CQbInvalidValueException>(
        [] { CDecimal("1e100001"); },
        "The string representing a Decimal, contained an exponent out of range at position 2 "
        "[1e100001]");
    EXPECT_EQ(CDecimal("1e100000").ToString().size(), 100001u);
}

// Sums, products, quotients and comparisons, rounded or exact, are checked
// against Python by the numeric oracle (fixed and random operands).
TEST_F(DecimalTest, MaximumPlacesAreNeverNegative) {
    CDecimal::SetMaxDecimalPlaces(-4);
    EXPECT_EQ(CDecimal::GetMaxDecimalPlaces(), 0);
}

TEST_F(DecimalTest, ExactArithmeticAndComparison) {
    EXPECT_TRUE(CDecimal("-0") == CDecimal(0));
    EXPECT_FALSE(CDecimal("-0") < CDecimal(0));
    EXPECT_TRUE(CDecimal("-0.5") < CDecimal(0));
    EXPECT_TRUE(CDecimal("2") >= 2);
    EXPECT_TRUE(CDecimal("2.000001") > CBigInteger(2));
    // Trailing zeros make another text of the same value; sums are held
    // without them, as before.
    EXPECT_TRUE(CDecimal("10.50") == CDecimal("10.5"));
    EXPECT_FALSE(CDecimal("10.50") < CDecimal("10.5"));
    EXPECT_EQ((CDecimal("10.50") + CDecimal("0.50")).ToString(), "11");
    EXPECT_EQ((CDecimal("1.20") * CDecimal(2)).ToString(), "2.4");
    EXPECT_EQ(CDecimal("10.50").ToDouble(), 10.5);
    EXPECT_EQ(CDecimal("2.50").ToString(1), "2.5");

    CDecimal d("2.5");
    CDecimal old = d++;
    EXPECT_EQ(old.ToString(), "2.5");
    EXPECT_EQ(d.ToString(), "3.5");
    EXPECT_EQ((--d).ToString(), "2.5");
    EXPECT_EQ((d--).ToString(), "2.5");
    EXPECT_EQ(d.ToString(), "1.5");
    d += CDecimal("0.25");
    d -= CDecimal(1);
    d *= CDecimal(4);
    d /= CDecimal(-2);
    EXPECT_EQ(d.ToString(), "-1.5");
    EXPECT_EQ(d.GetNegative().ToString(), "1.5");
    d.Negate();
    EXPECT_EQ(d.ToString(), "1.5");

    ExpectThrow<CQbInvalidValueException>([] { CDecimal(1) / CDecimal("0.000"); },
                                          "ERROR: Overflow in operator/!");
    ExpectThrow<CQbInvalidValueException>([&] { d /= CDecimal(); },
                                          "ERROR: Overflow in operator/!");
    EXPECT_EQ(d.ToString(), "1.5");
}

// ToString(places), ToLong, ToLongLong, ToDouble and ToBigInteger of fixed and
// random values are checked against Python by the numeric oracle.
TEST_F(DecimalTest, PrintsAndConverts) {
    EXPECT_EQ(CDecimal("7").ToString(-3) + CDecimal("-0.05").ToString(), "7.-0.05");
    EXPECT_EQ(CDecimal("12.5").ToString(), "12.5");
    EXPECT_EQ(CDecimal("-2147483648").ToLong(), std::numeric_limits<std::int32_t>::min());
    ExpectThrow<CQbOverFlowException>([] { CDecimal("3000000000").ToLong(); },
                                      "The Decimal value if to large to fit into a LONG");
    // clang-format off
    const std::pair<CDecimal, const char*> natives[] = {
        {CDecimal(0.1), "0.1"}, {CDecimal(-2.5), "-2.5"}, {CDecimal(1e-14), "0"}, {CDecimal(), "0"},
        {CDecimal(1e20), "100000000000000000000"}, {CDecimal(-7L), "-7"},
        {CDecimal(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
        {CDecimal(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
        {CDecimal(CBigInteger("-12345678901234567890")), "-12345678901234567890"}};
    // clang-format on
    for (const auto& n : natives) EXPECT_EQ(n.first.ToString(), n.second);
    EXPECT_EQ(CDecimal(1e308).ToString().size(), 309u);
    EXPECT_THROW(CDecimal(std::nan("")), CQbInvalidValueException);
    EXPECT_THROW((void)CDecimal(HUGE_VAL), CQbInvalidValueException);
}

}  // namespace
