// Facet checks for every kind: each row builds a value from its text and
// checks it against a few facets, expecting success or the exact message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CQbException.h"
#include "support/ExceptionMessage.h"
#include "types/CPrimitiveRestrictions.h"
#include "types/QbVariant.h"

using namespace QbXmlLib5;

namespace {

// "name=value;name=value" to facets; names as the fields.
CPrimitiveRestrictions ParseFacets(const std::string& facets) {
    CPrimitiveRestrictions f("", -1, -1, "", "", "", "", -1, -1, -1);
    std::string* texts[] = {&f.pattern, &f.minInclusive, &f.maxInclusive, &f.minExclusive,
                            &f.maxExclusive};
    int* numbers[] = {&f.minLength, &f.maxLength, &f.length, &f.totalDigits, &f.fractionDigits};
    const char* textNames[] = {"pattern", "minInclusive", "maxInclusive", "minExclusive",
                               "maxExclusive"};
    const char* numberNames[] = {"minLength", "maxLength", "length", "totalDigits",
                                 "fractionDigits"};
    for (std::size_t start = 0; start < facets.size();) {
        std::size_t end = facets.find(';', start);
        if (end == std::string::npos) end = facets.size();
        const std::size_t eq = facets.find('=', start);
        const std::string name = facets.substr(start, eq - start);
        const std::string value = facets.substr(eq + 1, end - eq - 1);
        for (int i = 0; i < 5; ++i) {
            if (name == textNames[i]) *texts[i] = value;
            if (name == numberNames[i]) *numbers[i] = std::stoi(value);
        }
        start = end + 1;
    }
    return f;
}

struct FacetCase {
    ItemType kind;
    const char* value;
    const char* facets;
    const char* message;  // empty: the value passes
};

const std::vector<FacetCase> kCases = {
    // Lengths in characters, then the pattern.
    // clang-format off
    {it_string, "abc", "maxLength=3;minLength=3;length=3", ""},
    {it_string, "abcd", "maxLength=3", "Invalid Value for item [abcd]"},
    {it_string, "a", "minLength=2", "Invalid Value for item [a]"},
    {it_string, "ab", "length=3", "Invalid Value for item [ab]"},
    {it_string, "\xC3\xA9", "length=1", ""},
    {it_string, "\xC3\xA9", "minLength=2", "Invalid Value for item [\xC3\xA9]"},
    {it_string, "\xC3\xA9t\xC3\xA9", "maxLength=3", ""},
    {it_string, "\xF0\x9D\x84\x9E\xC3\xA9", "length=2", ""},
    {it_string, "a-b:c", "pattern=\\i\\c*", ""},
    {it_string, "1abc", "pattern=\\i\\c*", "Invalid Value for item [1abc]"},
    {it_string, "\\i", "pattern=\\\\i", ""},
    {it_string, "abcd", "pattern=abc", "Invalid Value for item [abcd]"},
    {it_string, "ab", "pattern=a|ab", ""},
    {it_string, "abcd", "pattern=a+;maxLength=2", "Invalid Value for item [abcd]"},
    // clang-format on
    {it_string, "", "pattern=a(b",
     "Invalid Regular Expression: a(b Error: 'missing ')' at offset 3' for 'item'"},
    // Binary lengths count bytes; messages print hex for both kinds.
    {it_hexBinary, "0a0b0c", "maxLength=2", "Invalid Value for item [0A0B0C]"},
    {it_base64Binary, "AQID", "length=3;minLength=1", ""},
    {it_base64Binary, "AQID", "length=2", "Invalid Value for item [010203]"},
    // Fixed-width integers; bound texts are collapsed before parsing.
    {it_i1, "-5", "minInclusive=-4", "Invalid Value for item [-5]"},
    {it_i1, "-5", "maxExclusive= -4 ;minInclusive=-128", ""},
    {it_i2, "-300", "maxInclusive=-301", "Invalid Value for item [-300]"},
    {it_i4, "10", "maxInclusive=10;minInclusive=10", ""},
    {it_i4, "10", "minExclusive=10", "Invalid Value for item [10]"},
    {it_i4, "-120", "totalDigits=3;fractionDigits=0", ""},
    {it_i4, "-120", "totalDigits=2", "Invalid Value for item [-120]"},
    {it_i4, "1", "minInclusive=abc", "The value [abc] can not be converted to a i4"},
    {it_ui1, "200", "minInclusive=100;maxInclusive=255", ""},
    {it_ui2, "7", "maxExclusive=7", "Invalid Value for item [7]"},
    {it_ui4, "4000000000", "maxInclusive=3000000000", "Invalid Value for item [4000000000]"},
    {it_i8, "9223372036854775807", "maxExclusive=9223372036854775807",
     "Invalid Value for item [9223372036854775807]"},
    {it_i8, "-9223372036854775808", "minInclusive=-9223372036854775808;totalDigits=19", ""},
    {it_ui8, "18446744073709551615", "maxInclusive=18446744073709551614",
     "Invalid Value for item [18446744073709551615]"},
    {it_ui8, "18446744073709551615", "totalDigits=19",
     "Invalid Value for item [18446744073709551615]"},
    // Floating point: NaN fails every bound, infinities are ordered.
    {it_r8, "1.5", "maxExclusive=1.5", "Invalid Value for item [1.500000]"},
    {it_r8, "1.5", "maxInclusive=1.5;minExclusive=-INF", ""},
    {it_r8, "NaN", "minInclusive=0", "Invalid Value for item [NaN]"},
    {it_r8, "NaN", "maxInclusive=INF", "Invalid Value for item [NaN]"},
    {it_r8, "INF", "maxInclusive=INF;minExclusive=1E308", ""},
    {it_r8, "INF", "maxInclusive=1E308", "Invalid Value for item [INF]"},
    {it_r8, "-INF", "minExclusive=-INF", "Invalid Value for item [-INF]"},
    {it_r8, "-INF", "pattern=-INF", ""},
    {it_r4, "0.1", "maxInclusive=0.1;minInclusive=0.1", ""},
    {it_r4, "0.25", "minExclusive=0.5", "Invalid Value for item [0.250000]"},
    // Durations and dates compare partially: indeterminate never fails.
    {it_duration, "P1M", "maxInclusive=P30D;minExclusive=P30D", ""},
    {it_duration, "P2M", "maxInclusive=P30D", "Invalid Value for item [P2M]"},
    {it_duration, "P1M", "minExclusive=P1M", "Invalid Value for item [P1M]"},
    {it_date, "2000-01-01", "minInclusive=2000-01-01Z;maxExclusive=2000-01-01Z", ""},
    {it_date, "1999-12-31", "minInclusive=2000-01-01Z", "Invalid Value for item [1999-12-31]"},
    {it_datetime, "2001-01-01T00:00:00Z", "minExclusive=2000-12-31T23:00:00-02:00",
     "Invalid Value for item [2001-01-01T00:00:00Z]"},
    {it_time, "10:00:00", "maxInclusive=09:00:00", "Invalid Value for item [10:00:00]"},
    // Zoned times stand on one day in UTC: no wrap at midnight.
    {it_time, "23:00:00-05:00", "maxInclusive=23:30:00Z",
     "Invalid Value for item [23:00:00-05:00]"},
    {it_time, "22:00:00-01:00", "maxInclusive=23:30:00Z;minInclusive=23:00:00Z", ""},
    {it_time, "01:00:00+02:00", "minInclusive=08:00:00Z",
     "Invalid Value for item [01:00:00+02:00]"},
    {it_time, "00:30:00+01:00", "maxExclusive=00:00:00Z", ""},
    {it_yearMonth, "2001-05", "minInclusive=2001-06", "Invalid Value for item [2001-05]"},
    {it_monthDay, "--05-01", "maxExclusive=--05-01", "Invalid Value for item [--05-01]"},
    {it_monthDay, "--05-01", "maxInclusive=--05-01", ""},
    // gYear, gMonth and gDay compare as numbers and have no digit facets.
    {it_year, "2005", "maxInclusive=2004", "Invalid Value for item [2005]"},
    {it_year, "2005", "totalDigits=1", ""},
    {it_month, "--05", "minInclusive=--06", "Invalid Value for item [5]"},
    {it_day, "---15", "maxExclusive=---15", "Invalid Value for item [15]"},
    // Exact numbers beyond 64 bits, and their digits.
    {it_decimal, "123.4500", "totalDigits=5;fractionDigits=2", ""},
    {it_decimal, "123.4500", "totalDigits=4", "Invalid Value for item [123.4500]"},
    {it_decimal, "123.4500", "fractionDigits=1", "Invalid Value for item [123.4500]"},
    {it_decimal, "-0.001", "totalDigits=3;fractionDigits=3", ""},
    {it_decimal, "0.00", "totalDigits=1;fractionDigits=0", ""},
    {it_decimal, "123456789012345678901234567890.5",
     "maxInclusive=123456789012345678901234567890.4",
     "Invalid Value for item [123456789012345678901234567890.5]"},
    {it_integer, "123456789012345678901234567891", "minExclusive=123456789012345678901234567890",
     ""},
    {it_integer, "123456789012345678901234567890", "minExclusive=123456789012345678901234567890",
     "Invalid Value for item [123456789012345678901234567890]"},
    {it_integer, "-123456789012345678901234567890", "totalDigits=29",
     "Invalid Value for item [-123456789012345678901234567890]"},
    // Small integers against plain, signed, spaced and long bounds.
    {it_integer, "100", "minInclusive=1;maxExclusive=100", "Invalid Value for item [100]"},
    {it_integer, "99", "minInclusive=1;maxExclusive=100", ""},
    {it_integer, "-5", "minExclusive=-5", "Invalid Value for item [-5]"},
    {it_integer, "-4", "minExclusive=-5;maxInclusive=+7", ""},
    {it_integer, "8", "maxInclusive= 7 ", "Invalid Value for item [8]"},
    {it_integer, "5", "maxInclusive=1234567890123456789012;minInclusive=5", ""},
    {it_integer, "4", "maxInclusive=1234567890123456789012;minInclusive=5",
     "Invalid Value for item [4]"},
    // Patterns hold for the text of every kind.
    {it_i4, "12", "pattern=\\d{3}", "Invalid Value for item [12]"},
    {it_date, "2001-01-01", "pattern=.*Z", "Invalid Value for item [2001-01-01]"},
    {it_date, "2001-01-01Z", "pattern=.*Z", ""},
    {it_decimal, "10.50", "pattern=\\d+\\.\\d{2}", ""},
    {it_decimal, "10.5", "pattern=\\d+\\.\\d{2}", "Invalid Value for item [10.5]"},
    // Booleans carry no other facet; char has no check at all.
    {it_boolean, "true", "minInclusive=x;maxLength=0", ""},
    {it_boolean, "1", "pattern=0|1", "Invalid Value for item [true]"},
};

}  // namespace

TEST(RestrictionsTest, ChecksEveryKindInItsOwnType) {
    for (const FacetCase& c : kCases) {
        QbVariant value;
        value.FromString(c.value, c.kind, CWhitespaceUtils::WhitespaceRule_Collapse);
        const std::string got = QbTest::MessageOf(
            [&] { CheckPrimitiveValue(c.kind, ParseFacets(c.facets), "item", value); });
        EXPECT_EQ(got, *c.message ? c.message : "(no exception)")
            << GetItemTypeName(c.kind) << " " << c.value << " " << c.facets;
    }
    QbVariant letter;
    letter.SetChar('a');
    QbTest::ExpectThrow<CQbInvalidValueException>(
        [&] { CheckPrimitiveValue(it_char, ParseFacets("maxLength=0"), "item", letter); },
        "unknown type [char]");
}

// Values read from text: the pattern sees the text after the whitespace
// rule, not the value's own form ("012" is not "12").
TEST(RestrictionsTest, MatchesPatternsAgainstTheTextRead) {
    const CPrimitiveRestrictions threeDigits = ParseFacets("pattern=\\d{3};maxInclusive=500");
    const auto check = [&](ItemType kind, const char* text) {
        QbVariant value;
        value.FromString(text, kind, CWhitespaceUtils::WhitespaceRule_Collapse);
        return QbTest::MessageOf([&] {
            CheckPrimitiveText(kind, threeDigits, "n", value, text,
                               CWhitespaceUtils::WhitespaceRule_Collapse);
        });
    };
    EXPECT_EQ(check(it_i4, " 012 "), "(no exception)");
    EXPECT_EQ(check(it_i4, "+12"), "Invalid Value for n [+12]");
    EXPECT_EQ(check(it_i4, "600"), "Invalid Value for n [600]");
    EXPECT_EQ(check(it_string, " 012 "), "(no exception)");
    EXPECT_EQ(check(it_integer, "0012"), "Invalid Value for n [0012]");
}

TEST(RestrictionsTest, ConstructsCopiesAndRefusesNull) {
    const CPrimitiveRestrictions unset;
    EXPECT_EQ(unset.pattern, "");
    EXPECT_LT(unset.length, 0);
    EXPECT_LT(unset.totalDigits, 0);
    const CPrimitiveRestrictions facets("p", 1, 2, "a", "b", "c", "d", 3);
    CPrimitiveRestrictions copy(facets);
    EXPECT_EQ(copy.pattern + copy.minInclusive + copy.maxInclusive + copy.minExclusive +
                  copy.maxExclusive,
              "pabcd");
    EXPECT_EQ(copy.minLength * 100 + copy.maxLength * 10 + copy.length, 123);
    EXPECT_EQ(copy.fractionDigits, -1);
    copy = CPrimitiveRestrictions("", 0, 0, "", "", "", "", 0, 7, 2);
    EXPECT_EQ(copy.totalDigits * 10 + copy.fractionDigits, 72);
    EXPECT_THROW(CPrimitiveRestrictions(nullptr, 1, 2, "", "", "", "", 3),
                 CQbInvalidParamException);
    EXPECT_THROW(CPrimitiveRestrictions("", 1, 2, "", "", "", nullptr, 3),
                 CQbInvalidParamException);
}

TEST(RestrictionsTest, ChecksOnePatternOnManyValues) {
    const CPrimitiveRestrictions f("[A-Z]{2}\\d{3}", -1, 5, "", "", "", "", -1);
    QbVariant value;
    for (int i = 0; i < 20000; ++i) {
        value.SetString("AB" + std::to_string(100 + i % 900));
        CheckPrimitiveValue(it_string, f, "code", value);
    }
    value.SetString("AB1000");
    EXPECT_THROW(CheckPrimitiveValue(it_string, f, "code", value), CQbException);
}
