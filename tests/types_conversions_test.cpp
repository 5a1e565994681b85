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

TEST(WhitespaceTest, PreserveReplaceCollapse) {
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {WS::Preserve("a\r\nb\t c"), "a\nb\t c"},
        {WS::Preserve("a\rb\0c", 5), std::string("ab\0c", 4)},
        {WS::Preserve("abc", 0), ""}, {WS::Preserve("abc", -3), ""},
        {WS::Replace("plain"), "plain"},
        {WS::Replace("\ta\r\nb  c"), " a b  c"}, {WS::Collapse("  a  \t\n b \r\n"), "a b"},
        {WS::Collapse("a\rb"), "ab"}, {WS::Collapse(" \t\r\n "), ""},
        {WS::Collapse("x \r y"), "x y"},
        {WS::ApplyRule(kReplace, "a\tb"), "a b"}, {WS::ApplyRule(kCollapse, " a "), "a"},
        {WS::ApplyRule(kPreserve, " a\r "), " a "}};
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(c.first, c.second);
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

// i4 and ui4 parsing of edge and random texts is checked against Python by
// the numeric oracle.
TEST(ConversionsTest, ThirtyTwoBitIntegersQuoteTheProcessedText) {
    // The processed text is quoted.
    EXPECT_EQ(InvalidValue([] { CConversions::i4FromString(" 1\t2 ", kCollapse); }),
              "The value [1 2] can not be converted to a i4");
    EXPECT_EQ(InvalidValue([] { CConversions::i4FromString(std::string("1\0", 2), kPreserve); }),
              "The value [1] can not be converted to a i4");
}

// Reads `text` with `read` and prints the value, or gives the message of the
// CQbInvalidValueException it throws.
template <typename T>
std::string Read(T (*read)(const std::string&, WS::WhitespaceRule), const std::string& text,
                 WS::WhitespaceRule rule = kPreserve) {
    std::string result;
    const std::string message = InvalidValue([&] { result = std::to_string(read(text, rule)); });
    return message == "(no exception)" ? result : message;
}

TEST(ConversionsTest, IntegersCharsStringsAndCalendarNumbers) {
    using C = CConversions;
    const std::string large = "is to large to fit in a ";
    const std::string notChar =
        "can not be a char as it is either empty of greater than 1 char long";
    // Narrow kinds quote the unprocessed text; i8 and ui8 never fail.
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {Read(C::i1FromString, "-128"), "-128"}, {Read(C::i1FromString, " 127 ", kCollapse), "127"},
        {Read(C::i1FromString, " 200", kCollapse), "The value [ 200] " + large + "i1"},
        {Read(C::i1FromString, "abc", kCollapse), "The value [abc] can not be converted to a i4"},
        {Read(C::i2FromString, "-32768"), "-32768"}, {Read(C::ui1FromString, "255"), "255"},
        {Read(C::i2FromString, "32768"), "The value [32768] " + large + "i2"},
        {Read(C::ui1FromString, "-1"), "The value [-1] " + large + "ui1"},
        {Read(C::ui2FromString, "65535"), "65535"}, {Read(C::i8FromString, ""), "0"},
        {Read(C::ui2FromString, "65536\n", kCollapse), "The value [65536\n] " + large + "ui2"},
        {Read(C::ui2FromString, "4294967296"), "The value [4294967296] " + large + "ui4"},
        {Read(C::i8FromString, "12abc"), "12"}, {Read(C::i8FromString, "junk"), "0"},
        {Read(C::i8FromString, "  -9223372036854775808"), "-9223372036854775808"},
        {Read(C::ui8FromString, "-1"), "18446744073709551615"},
        {Read(C::ui8FromString, "18446744073709551615"), "18446744073709551615"},
        {C::i8ToString(INT64_MIN), "-9223372036854775808"}, {C::i1ToString(char{-5}), "-5"},
        {C::ui8ToString(UINT64_MAX), "18446744073709551615"}, {C::ui1ToString(255), "255"},
        {C::i4ToString(INT32_MIN), "-2147483648"}, {C::ui4ToString(UINT32_MAX), "4294967295"},
        {C::yearToString(12), "12"}, {C::yearToString(999), "999"}, {C::monthToString(5), "--05"},
        {std::to_string(C::yearFromString(" 12 ", kCollapse)), "12"},
        {C::dayToString(7), "---07"}, {C::charToString('\0'), ""}, {C::charToString('q'), "q"},
        {C::stringFromString(" a \r\n b ", kCollapse), "a b"}, {C::stringToString("s"), "s"},
        {Read(C::charFromString, " x ", kCollapse), std::to_string('x')},
        {Read(C::charFromString, ""), "The value [] " + notChar},
        {Read(C::charFromString, "ab"), "The value [ab] " + notChar}};
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(c.first, c.second);
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
    EXPECT_EQ(CConversions::r4FromString("1e300", kPreserve),
              std::numeric_limits<float>::infinity());
    EXPECT_EQ(CConversions::r4FromString("-3.4028235e38", kPreserve), -3.4028235e38f);
    EXPECT_EQ(CConversions::r4FromString("3.40282357e38", kPreserve),
              std::numeric_limits<float>::infinity());

    EXPECT_EQ(CConversions::r4ToString(0.1f), "0.1");
    EXPECT_EQ(CConversions::r4ToString(1.0f / 3.0f), "0.3333333");
    EXPECT_EQ(CConversions::r8ToString(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(CConversions::r8ToString(2.5, "%.3f"), "2.500");
    EXPECT_EQ(CConversions::r8ToString(1e300, "%f").size(), 308u);  // no truncation
    // Round trip of r8 through 17 significant digits.
    std::mt19937_64 rng(9);
    for (int i = 0; i < 1000; ++i) {
        const double d =
            std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 200) - 100);
        EXPECT_EQ(CConversions::r8FromString(CConversions::r8ToString(d, "%.17g"), kPreserve), d);
    }
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        EXPECT_EQ(CConversions::r8ToString(1.5), "1.5");
        EXPECT_EQ(CConversions::r8FromString("1.5", kPreserve), 1.5);
        std::setlocale(LC_ALL, "C");
    }
}

TEST(ConversionsTest, Booleans) {
    for (const char* t : {"true", "TRUE", "True", "1"})
        EXPECT_TRUE(CConversions::booleanFromString(t, kPreserve));
    for (const char* f : {"false", "FALSE", "fAlSe", "0"})
        EXPECT_FALSE(CConversions::booleanFromString(f, kPreserve));
    EXPECT_TRUE(CConversions::booleanFromString(" true\n", kCollapse));
    const char* bad[] = {"yes", "", "truee", "tru", "01", " true"};
    for (const char* b : bad) {
        EXPECT_EQ(InvalidValue([b] { CConversions::booleanFromString(b, kReplace); }),
                  std::string("A Boolean Value read from an XML document was invalid [") + b +
                      "]. Valid values are 'true', 'false', '1', or '0'");
    }
    EXPECT_EQ(CConversions::booleanToString(true), "true");
}

}  // namespace
