#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/CQbException.h"
#include "types/CDateTimeSpan.h"

using namespace QbXmlLib5;

namespace {

CDateTimeSpan Span(const char* text) {
    CDateTimeSpan span;
    span.ParseXSDDuration(text);
    return span;
}

std::string Fields(const CDateTimeSpan& s) {
    return std::to_string(s.GetYears()) + " " + std::to_string(s.GetMonths()) + " " +
           std::to_string(s.GetDays()) + " " + std::to_string(s.GetHours()) + " " +
           std::to_string(s.GetMinutes()) + " " + std::to_string(s.GetSeconds()) + " " +
           std::to_string(s.GetMilliSeconds()) + " " + std::to_string(s.GetMicroSeconds()) + " " +
           std::to_string(s.GetNanoSeconds()) + (s.IsNegative() ? " -" : " +");
}

std::string ParseError(const char* text) {
    try {
        Span(text);
    } catch (const CQbInvalidValueException& e) {
        return e.GetMessage();
    }
    return "no error";
}

std::string General(const std::string& text) {
    return "Invalid XSD Duration [" + text + "] expected [-]P[nY][nM][nD][T[nH][nM][nS.ff]]";
}

TEST(DateTimeSpanTest, ParsesAndPrintsComponentsAsWritten) {
    // {text, fields (or empty), printed}
    // clang-format off
    const char* const cases[][3] = {
        {"P1Y2M3DT4H5M6.789S", "1 2 3 4 5 6 789 0 0 +", "P1Y2M3DT4H5M6.789S"},
        {"PT36H", "", "PT36H"},
        {"PT0.000000123S", "0 0 0 0 0 0 0 0 123 +", ""}, {"PT.5S", "0 0 0 0 0 0 500 0 0 +", ""},
        {"PT1.S", "0 0 0 0 0 1 0 0 0 +", ""}, {"PYT0S", "0 0 0 0 0 0 0 0 0 +", ""},
        {"PT90M", "", "PT90M"},
        {"P4294967295D", "0 0 4294967295 0 0 0 0 0 0 +", ""},
        {"P65535Y", "65535 0 0 0 0 0 0 0 0 +", ""},
        {"PT1.500S", "", "PT1.5S"}, {"PT0.020S", "", "PT0.02S"}, {"PT0.000001S", "", "PT0.000001S"},
        {"P0D", "", "PT0S"}, {"-PT0S", "", "-PT0S"}, {"-P1D", "0 0 1 0 0 0 0 0 0 -", "-P1D"}};
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(*c[1] ? Fields(Span(c[0])) : "", c[1]) << c[0];
        EXPECT_EQ(*c[2] ? Span(c[0]).ToString() : "", c[2]) << c[0];
    }
    EXPECT_EQ(CDateTimeSpan().ToString(), "PT0S");
    CDateTimeSpan negative = Span("-P1D");
    negative.Negate();
    EXPECT_EQ(negative.ToString() + negative.GetAsNegative().ToString() +
                  negative.GetAsNegative().GetAsNegative().ToString(),
              "P1D-P1D-P1D");
    EXPECT_FALSE(negative.IsNegative());
}

TEST(DateTimeSpanTest, RejectsBadTextWithExactMessages) {
    try {
        Span(nullptr);
        ADD_FAILURE();
    } catch (const CQbInvalidValueException& e) {
        EXPECT_EQ(e.GetMessage(), "Invalid XSD Duration (Null String)");
    }
    EXPECT_EQ(ParseError(""), "Invalid XSD Duration (Empty String)");
    for (const char* bad : {"P",       "PT",    "P1",   "P1S",          "PT1H2D",  "P1.5Y", "-",
                            "1D",      "+P1D",  "P-1D", "P1D1D",        "PT1H1H",  "P1DT",  "PT1.5",
                            "PT1.5SX", "P1M1M", "P 1D", "P4294967296D", "P65536Y", "PT1S2M"}) {
        EXPECT_EQ(ParseError(bad), General(bad)) << bad;
    }
    EXPECT_EQ(ParseError("PT1.1234567891S"),
              "Invalid XSD Duration [PT1.1234567891S] Fraction part too long");
}

TEST(DateTimeSpanTest, ConstructorsAndSettersAssignWithoutCarrying) {
    EXPECT_EQ(Fields(CDateTimeSpan(25, 61, 61)), "0 0 0 25 61 61 0 0 0 +");
    EXPECT_EQ(Fields(CDateTimeSpan(1, 2, 3, 4, 5, 6)), "1 2 3 4 5 6 0 0 0 +");
    EXPECT_EQ(Fields(CDateTimeSpan(1, 2, 3, 4, 5, 6, 7, 8, 9)), "1 2 3 4 5 6 7 8 9 +");
    CDateTimeSpan span = Span("-P9Y");
    span.SetDateTimeSpan(1, 2, 3);
    EXPECT_EQ(Fields(span), "0 0 0 1 2 3 0 0 0 +");
    span.SetDateTimeSpan(9, 8, 7, 6, UINT64_MAX, 4);
    EXPECT_EQ(span.ToString(), "P9Y8M7DT6H18446744073709551615M4S");
    span.SetNanoSeconds(999);
    EXPECT_EQ(span.ToString(), "P9Y8M7DT6H18446744073709551615M4.000000999S");
    EXPECT_THROW(span.SetMilliSeconds(1000), CQbInvalidValueException);
    EXPECT_THROW(span.SetDateTimeSpan(0, 0, 0, 0, 0, 0, 0, 1000, 0), CQbInvalidValueException);
    EXPECT_EQ(span.GetMicroSeconds(), 0);
    EXPECT_EQ(span.GetYears(), 9);  // unchanged by the failed call
}

TEST(DateTimeSpanTest, ComparesByThePartialOrderOfDurations) {
    // {a, b, order}; any size compares, and equals itself.
    // clang-format off
    const char* const cases[][3] = {
        {"PT36H", "P1DT12H", "="}, {"P1M", "P30D", "?"}, {"P1M", "P32D", "<"}, {"P1M", "P27D", ">"},
        {"P1Y", "P12M", "="}, {"P1Y", "P365D", "?"}, {"-P1D", "PT0S", "<"}, {"-PT0S", "PT0S", "="},
        {"PT60M", "PT1H", "="}, {"PT0.000000001S", "PT0S", ">"}, {"P40000Y", "P40000Y", "="},
        {"P65535Y", "P1D", ">"}, {"P4294967295D", "P4294967295D", "="},
        {"-P65535Y4294967295M", "-P65535Y4294967294M", "<"}};
    // clang-format on
    for (const auto& c : cases) {
        const CDateTimeSpan a = Span(c[0]), b = Span(c[1]);
        const char order = "=<>?"[a.CompareTo(b)];
        EXPECT_EQ(order, *c[2]) << c[0] << " " << c[1];
        const int flags = (a == b) + 2 * (a != b) + 4 * (a < b) + 8 * (a > b);
        EXPECT_EQ(flags,
                  (order == '=') + 2 * (order != '=') + 4 * (order == '<') + 8 * (order == '>'))
            << c[0] << " " << c[1];
    }
    const CDateTimeSpan widest(65535, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT64_MAX, UINT64_MAX,
                               999, 999, 999);
    EXPECT_TRUE(widest == widest && widest.GetAsNegative() == widest.GetAsNegative());
    EXPECT_TRUE(widest.GetAsNegative() < widest);
}

}  // namespace
