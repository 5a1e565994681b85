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
    const CDateTimeSpan full = Span("P1Y2M3DT4H5M6.789S");
    EXPECT_EQ(Fields(full), "1 2 3 4 5 6 789 0 0 +");
    EXPECT_EQ(full.ToString(), "P1Y2M3DT4H5M6.789S");
    EXPECT_EQ(Span("PT36H").ToString(), "PT36H");
    EXPECT_EQ(Span("PT90M").ToString(), "PT90M");
    EXPECT_EQ(Fields(Span("PT0.000000123S")), "0 0 0 0 0 0 0 0 123 +");
    EXPECT_EQ(Fields(Span("PT.5S")), "0 0 0 0 0 0 500 0 0 +");
    EXPECT_EQ(Fields(Span("PT1.S")), "0 0 0 0 0 1 0 0 0 +");
    EXPECT_EQ(Fields(Span("PYT0S")), "0 0 0 0 0 0 0 0 0 +");
    EXPECT_EQ(Fields(Span("P4294967295D")), "0 0 4294967295 0 0 0 0 0 0 +");
    EXPECT_EQ(Fields(Span("P65535Y")), "65535 0 0 0 0 0 0 0 0 +");
    EXPECT_EQ(Span("PT1.500S").ToString(), "PT1.5S");
    EXPECT_EQ(Span("PT0.020S").ToString(), "PT0.02S");
    EXPECT_EQ(Span("PT0.000001S").ToString(), "PT0.000001S");
    EXPECT_EQ(Span("P0D").ToString(), "PT0S");
    EXPECT_EQ(Span("-PT0S").ToString(), "-PT0S");
    EXPECT_EQ(CDateTimeSpan().ToString(), "PT0S");

    CDateTimeSpan negative = Span("-P1D");
    EXPECT_TRUE(negative.IsNegative());
    EXPECT_EQ(negative.ToString(), "-P1D");
    negative.Negate();
    EXPECT_EQ(negative.ToString(), "P1D");
    EXPECT_EQ(negative.GetAsNegative().ToString(), "-P1D");
    EXPECT_EQ(negative.GetAsNegative().GetAsNegative().ToString(), "-P1D");
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
    EXPECT_EQ(Span("PT36H").CompareTo(Span("P1DT12H")), CDateTime::Equal);
    EXPECT_TRUE(Span("PT36H") == Span("P1DT12H"));
    const CDateTimeSpan month = Span("P1M");
    const CDateTimeSpan days30 = Span("P30D");
    EXPECT_EQ(month.CompareTo(days30), CDateTime::Indeterminate);
    EXPECT_FALSE(month == days30);
    EXPECT_FALSE(month < days30);
    EXPECT_FALSE(month > days30);
    EXPECT_TRUE(month != days30);
    EXPECT_TRUE(month < Span("P32D"));
    EXPECT_TRUE(month > Span("P27D"));
    EXPECT_TRUE(Span("P1Y") == Span("P12M"));
    EXPECT_EQ(Span("P1Y").CompareTo(Span("P365D")), CDateTime::Indeterminate);
    EXPECT_TRUE(Span("-P1D") < Span("PT0S"));
    EXPECT_TRUE(Span("-PT0S") == Span("PT0S"));
    EXPECT_TRUE(Span("PT60M") == Span("PT1H"));
    EXPECT_TRUE(Span("PT0.000000001S") > Span("PT0S"));
    // Any size compares, and equals itself.
    EXPECT_TRUE(Span("P40000Y") == Span("P40000Y"));
    EXPECT_TRUE(Span("P65535Y") > Span("P1D"));
    EXPECT_TRUE(Span("P4294967295D") == Span("P4294967295D"));
    EXPECT_TRUE(Span("-P65535Y4294967295M") < Span("-P65535Y4294967294M"));
    const CDateTimeSpan widest(65535, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT64_MAX, UINT64_MAX,
                               999, 999, 999);
    EXPECT_TRUE(widest == widest && widest.GetAsNegative() == widest.GetAsNegative());
    EXPECT_TRUE(widest.GetAsNegative() < widest);
}

}  // namespace
