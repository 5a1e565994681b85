#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/CQbException.h"
#include "types/CConversions.h"
#include "types/CWhitespaceUtils.h"
#include "types/ItemType.h"

using namespace QbXmlLib5;
using WS = CWhitespaceUtils;

namespace {

const WS::WhitespaceRule kPreserve = WS::WhitespaceRule_Preserve;
const WS::WhitespaceRule kReplace = WS::WhitespaceRule_Replace;
const WS::WhitespaceRule kCollapse = WS::WhitespaceRule_Collapse;

// The message of the CQbInvalidValueException thrown by `f`, or a marker.
std::string InvalidValue(const std::function<void()>& f) {
    try {
        f();
    } catch (const CQbInvalidValueException& e) {
        return e.GetMessage();
    } catch (const CQbException& e) {
        return "(other exception) " + e.GetMessage();
    }
    return "(no exception)";
}

// Oracle for 32-bit parsing: 64-bit strtoll/strtoull with explicit limits.
std::string ExpectedI4(const std::string& s) {
    char* end;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) {
        return "The value [" + s + "] is to large to fit in a i4";
    }
    if (*end) return "The value [" + s + "] can not be converted to a i4";
    return std::to_string(v);
}

std::string ExpectedUi4(const std::string& s) {
    std::size_t i = s.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string::npos) i = s.size();
    const bool negative = i < s.size() && s[i] == '-';
    const bool sign = i < s.size() && (s[i] == '-' || s[i] == '+');
    const std::string rest = s.substr(sign ? i + 1 : i);
    char* end;
    errno = 0;
    const unsigned long long magnitude = std::strtoull(rest.c_str(), &end, 10);
    const bool digits = !rest.empty() && rest[0] >= '0' && rest[0] <= '9';
    if (digits && (errno == ERANGE || magnitude > UINT32_MAX)) {
        return "The value [" + s + "] is to large to fit in a ui4";
    }
    if (*end || (sign && !digits)) return "The value [" + s + "] can not be converted to a ui4";
    const std::uint32_t low = static_cast<std::uint32_t>(magnitude);
    return std::to_string(negative ? 0u - low : low);
}

TEST(WhitespaceTest, PreserveReplaceCollapse) {
    EXPECT_EQ(WS::Preserve("a\r\nb\t c"), "a\nb\t c");
    EXPECT_EQ(WS::Preserve("a\rb\0c", 5), std::string("ab\0c", 4));
    EXPECT_EQ(WS::Preserve("abc", 0), "");
    EXPECT_EQ(WS::Preserve("abc", -3), "");
    EXPECT_EQ(WS::Replace("\ta\r\nb  c"), " a b  c");
    EXPECT_EQ(WS::Replace("plain"), "plain");
    EXPECT_EQ(WS::Collapse("  a  \t\n b \r\n"), "a b");
    EXPECT_EQ(WS::Collapse("a\rb"), "ab");
    EXPECT_EQ(WS::Collapse(" \t\r\n "), "");
    EXPECT_EQ(WS::Collapse("x \r y"), "x y");
    EXPECT_EQ(WS::ApplyRule(kReplace, "a\tb"), "a b");
    EXPECT_EQ(WS::ApplyRule(kCollapse, " a "), "a");
    EXPECT_EQ(WS::ApplyRule(kPreserve, " a\r "), " a ");
    try {
        WS::ApplyRule(static_cast<WS::WhitespaceRule>(3), "x");
        ADD_FAILURE() << "no exception";
    } catch (const CQbException& e) {
        EXPECT_EQ(e.GetMessage(), "Unknown WhitespaceRule");
    }
    EXPECT_TRUE(WS::IsWhiteSpace('\r'));
    EXPECT_FALSE(WS::IsWhiteSpace('\v'));
}

TEST(ItemTypeTest, NamesAndValues) {
    EXPECT_EQ(sizeof(ItemType), 4u);
    EXPECT_STREQ(GetItemTypeName(it_hexBinary), "hexBinary");
    EXPECT_STREQ(GetItemTypeName(it_ui4), "ui4");
    EXPECT_STREQ(GetItemTypeName(it_datetime), "datetime");
    EXPECT_STREQ(GetItemTypeName(it_integer), "integer");
    EXPECT_EQ(it_integer, 26);
    EXPECT_EQ(it_XmlCollection, 28);
    EXPECT_EQ(GetItemTypeName(it_none), nullptr);
    EXPECT_EQ(GetItemTypeName(it_XmlObject), nullptr);
    EXPECT_EQ(GetItemTypeName(static_cast<ItemType>(-1)), nullptr);
}

TEST(ConversionsTest, ThirtyTwoBitIntegersAgainstWideOracle) {
    std::vector<std::string> cases = {
        "", "0", "-0", "+5", "007", " 12", "12abc", "abc", "-", "+", "0x10", "1 2",
        "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967295", "4294967296",
        "-4294967295", "-4294967296", "9223372036854775807", "9223372036854775808",
        "18446744073709551615", "18446744073709551616", "-18446744073709551616",
        "99999999999999999999999"};
    std::mt19937_64 rng(5);
    for (int i = 0; i < 200; ++i) {
        const std::int64_t around[] = {INT32_MAX, INT32_MIN, UINT32_MAX, -static_cast<std::int64_t>(UINT32_MAX)};
        cases.push_back(std::to_string(around[i % 4] + static_cast<std::int64_t>(rng() % 5) - 2));
    }
    for (const std::string& s : cases) {
        SCOPED_TRACE(s);
        std::string got;
        try {
            got = std::to_string(CConversions::i4FromString(s, kPreserve));
        } catch (const CQbInvalidValueException& e) {
            got = e.GetMessage();
        }
        EXPECT_EQ(got, ExpectedI4(s));
        try {
            got = std::to_string(CConversions::ui4FromString(s, kPreserve));
        } catch (const CQbInvalidValueException& e) {
            got = e.GetMessage();
        }
        EXPECT_EQ(got, ExpectedUi4(s));
    }
    // The processed text is quoted.
    EXPECT_EQ(InvalidValue([] { CConversions::i4FromString(" 1\t2 ", kCollapse); }),
              "The value [1 2] can not be converted to a i4");
    EXPECT_EQ(InvalidValue([] { CConversions::i4FromString(std::string("1\0", 2), kPreserve); }),
              "The value [1] can not be converted to a i4");
}

TEST(ConversionsTest, NarrowIntegersQuoteTheUnprocessedText) {
    EXPECT_EQ(CConversions::i1FromString("-128", kPreserve), static_cast<char>(-128));
    EXPECT_EQ(CConversions::i1FromString(" 127 ", kCollapse), 127);
    EXPECT_EQ(InvalidValue([] { CConversions::i1FromString(" 200", kCollapse); }),
              "The value [ 200] is to large to fit in a i1");
    EXPECT_EQ(InvalidValue([] { CConversions::i1FromString("abc", kCollapse); }),
              "The value [abc] can not be converted to a i4");
    EXPECT_EQ(CConversions::i2FromString("-32768", kPreserve), -32768);
    EXPECT_EQ(InvalidValue([] { CConversions::i2FromString("32768", kPreserve); }),
              "The value [32768] is to large to fit in a i2");
    EXPECT_EQ(CConversions::ui1FromString("255", kPreserve), 255);
    EXPECT_EQ(InvalidValue([] { CConversions::ui1FromString("-1", kPreserve); }),
              "The value [-1] is to large to fit in a ui1");
    EXPECT_EQ(CConversions::ui2FromString("65535", kPreserve), 65535);
    EXPECT_EQ(InvalidValue([] { CConversions::ui2FromString("65536\n", kCollapse); }),
              "The value [65536\n] is to large to fit in a ui2");
    EXPECT_EQ(InvalidValue([] { CConversions::ui2FromString("4294967296", kPreserve); }),
              "The value [4294967296] is to large to fit in a ui4");
}

TEST(ConversionsTest, SixtyFourBitIntegersNeverFail) {
    EXPECT_EQ(CConversions::i8FromString("", kPreserve), 0);
    EXPECT_EQ(CConversions::i8FromString("12abc", kPreserve), 12);
    EXPECT_EQ(CConversions::i8FromString("  -9223372036854775808", kPreserve), INT64_MIN);
    EXPECT_EQ(CConversions::i8FromString("junk", kPreserve), 0);
    EXPECT_EQ(CConversions::ui8FromString("18446744073709551615", kPreserve), UINT64_MAX);
    EXPECT_EQ(CConversions::ui8FromString("-1", kPreserve), UINT64_MAX);
    EXPECT_EQ(CConversions::i8ToString(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(CConversions::ui8ToString(UINT64_MAX), "18446744073709551615");
}

TEST(ConversionsTest, FloatingPoint) {
    EXPECT_EQ(CConversions::r8FromString("", kPreserve), 0.0);
    EXPECT_EQ(CConversions::r8FromString(" 1.5e3 ", kCollapse), 1500.0);
    EXPECT_TRUE(std::isinf(CConversions::r8FromString("1e999", kPreserve)));
    EXPECT_TRUE(std::isnan(CConversions::r8FromString("NaN", kPreserve)));
    EXPECT_EQ(CConversions::r8FromString("-INF", kPreserve), -HUGE_VAL);
    EXPECT_EQ(InvalidValue([] { CConversions::r4FromString("1.5x", kPreserve); }),
              "The value [1.5x] can not be converted to a r8");
    EXPECT_EQ(InvalidValue([] { CConversions::r8FromString(" 2 ", kPreserve); }),
              "The value [ 2 ] can not be converted to a r8");
    // Narrowing follows IEEE rounding, overflow included.
    EXPECT_EQ(CConversions::r4FromString("0.1", kPreserve), 0.1f);
    EXPECT_EQ(CConversions::r4FromString("1e300", kPreserve), std::numeric_limits<float>::infinity());
    EXPECT_EQ(CConversions::r4FromString("-3.4028235e38", kPreserve), -3.4028235e38f);
    EXPECT_EQ(CConversions::r4FromString("3.40282357e38", kPreserve), std::numeric_limits<float>::infinity());

    EXPECT_EQ(CConversions::r4ToString(0.1f), "0.1");
    EXPECT_EQ(CConversions::r4ToString(1.0f / 3.0f), "0.3333333");
    EXPECT_EQ(CConversions::r8ToString(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(CConversions::r8ToString(2.5, "%.3f"), "2.500");
    EXPECT_EQ(CConversions::r8ToString(1e300, "%f").size(), 308u);  // no truncation
    // Round trip of r8 through 17 significant digits.
    std::mt19937_64 rng(9);
    for (int i = 0; i < 1000; ++i) {
        const double d = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 200) - 100);
        EXPECT_EQ(CConversions::r8FromString(CConversions::r8ToString(d, "%.17g"), kPreserve), d);
    }
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        EXPECT_EQ(CConversions::r8ToString(1.5), "1.5");
        EXPECT_EQ(CConversions::r8FromString("1.5", kPreserve), 1.5);
        std::setlocale(LC_ALL, "C");
    }
}

TEST(ConversionsTest, CharStringBooleanAndCalendarNumbers) {
    EXPECT_EQ(CConversions::charFromString(" x ", kCollapse), 'x');
    EXPECT_EQ(InvalidValue([] { CConversions::charFromString("", kPreserve); }),
              "The value [] can not be a char as it is either empty of greater than 1 char long");
    EXPECT_EQ(InvalidValue([] { CConversions::charFromString("ab", kPreserve); }),
              "The value [ab] can not be a char as it is either empty of greater than 1 char long");
    EXPECT_EQ(CConversions::charToString('\0'), "");
    EXPECT_EQ(CConversions::charToString('q'), "q");
    EXPECT_EQ(CConversions::stringFromString(" a \r\n b ", kCollapse), "a b");
    EXPECT_EQ(CConversions::stringToString("s"), "s");

    for (const char* t : {"true", "TRUE", "True", "1"}) EXPECT_TRUE(CConversions::booleanFromString(t, kPreserve));
    for (const char* f : {"false", "FALSE", "fAlSe", "0"}) EXPECT_FALSE(CConversions::booleanFromString(f, kPreserve));
    EXPECT_TRUE(CConversions::booleanFromString(" true\n", kCollapse));
    const char* bad[] = {"yes", "", "truee", "tru", "01", " true"};
    for (const char* b : bad) {
        EXPECT_EQ(InvalidValue([b] { CConversions::booleanFromString(b, kReplace); }),
                  std::string("A Boolean Value read from an XML document was invalid [") + b +
                      "]. Valid values are 'true', 'false', '1', or '0'");
    }
    EXPECT_EQ(CConversions::booleanToString(true), "true");

    EXPECT_EQ(CConversions::i1ToString(static_cast<char>(-5)), "-5");
    EXPECT_EQ(CConversions::ui1ToString(255), "255");
    EXPECT_EQ(CConversions::i4ToString(INT32_MIN), "-2147483648");
    EXPECT_EQ(CConversions::ui4ToString(UINT32_MAX), "4294967295");
    EXPECT_EQ(CConversions::yearToString(12), "0012");
    EXPECT_EQ(CConversions::yearToString(999), "0999");
    EXPECT_EQ(CConversions::monthToString(5), "--05");
    EXPECT_EQ(CConversions::dayToString(7), "---07");
}

}  // namespace
