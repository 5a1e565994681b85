#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "QbXmlLib5.h"

using namespace QbXmlLib5;

namespace {

// Keeps the compiler from proving the argument null at compile time.
const char* NullString() {
    static volatile bool yes = true;
    return yes ? nullptr : "";
}

TEST(ExceptionTest, ChainOfDerivedExceptionsSurvivesCopyAssignmentAndSourceDeath) {
    std::unique_ptr<CQbException> outer;
    {
        CQbInvalidValueException innermost("innermost");
        CQbValidationException middle("middle", innermost);
        outer = std::make_unique<CQbInvalidParamException>("outer", middle);
    }  // the sources are gone; the chain must be private copies
    EXPECT_EQ(outer->GetFullMessage(), "outer\nmiddle\ninnermost");
    EXPECT_EQ(outer->GetMessage(), "outer");

    const CQbException* middle = outer->GetInnerException();
    ASSERT_NE(middle, nullptr);
    EXPECT_NE(dynamic_cast<const CQbValidationException*>(middle), nullptr);
    EXPECT_EQ(dynamic_cast<const CQbInvalidValueException*>(middle), nullptr);
    const CQbException* innermost = middle->GetInnerException();
    ASSERT_NE(innermost, nullptr);
    EXPECT_NE(dynamic_cast<const CQbInvalidValueException*>(innermost), nullptr);
    EXPECT_EQ(innermost->GetInnerException(), nullptr);

    // Copy, then destroy the source: the copy keeps its own chain.
    CQbException copy(*outer);
    const CQbException* sourceInner = outer->GetInnerException();
    outer.reset();
    EXPECT_NE(copy.GetInnerException(), sourceInner);
    EXPECT_EQ(copy.GetFullMessage(), "outer\nmiddle\ninnermost");
    EXPECT_NE(dynamic_cast<const CQbInvalidValueException*>(
                  copy.GetInnerException()->GetInnerException()),
              nullptr);

    // Assignment replaces the chain; assigning a chainless one drops it.
    CQbException target("target", CQbOverFlowException("old inner"));
    target = copy;
    EXPECT_EQ(target.GetFullMessage(), "outer\nmiddle\ninnermost");
    target = CQbException("plain");
    EXPECT_EQ(target.GetInnerException(), nullptr);
    EXPECT_EQ(target.GetFullMessage(), "plain");

    // Self-assignment and assignment from a member of its own chain.
    target = copy;
    target = *target.GetInnerException();
    EXPECT_EQ(target.GetFullMessage(), "middle\ninnermost");
    CQbException& self = target;
    target = self;
    EXPECT_EQ(target.GetFullMessage(), "middle\ninnermost");
}

TEST(ExceptionTest, CaughtByBaseKeepsDynamicTypeAndDerivedCopiesKeepChain) {
    try {
        throw CQbInvalidNamespaceException("wrapped", CQbInvalidStateException("cause"));
    } catch (const CQbValidationException& e) {
        EXPECT_NE(dynamic_cast<const CQbInvalidNamespaceException*>(&e), nullptr);
        EXPECT_NE(dynamic_cast<const CQbInvalidStateException*>(e.GetInnerException()), nullptr);
        CQbException sliced(e);  // copying through the base keeps the chain
        EXPECT_EQ(sliced.GetFullMessage(), "wrapped\ncause");
    }
    CQbOverFlowException a("a", CQbException("b"));
    CQbOverFlowException b(a);
    CQbOverFlowException c;
    c = b;
    EXPECT_EQ(c.GetFullMessage(), "a\nb");
    EXPECT_EQ(CQbException().GetFullMessage(), "");
}

TEST(FormatStringTest, LongArgumentsNullStringsAndNumbers) {
    const std::string big(100000, 'x');
    const std::string out = FormatString("[%s|%s]", big.c_str(), big.c_str());
    EXPECT_EQ(out, "[" + big + "|" + big + "]");

    EXPECT_EQ(FormatString("%s", NullString()), "(null)");
    EXPECT_EQ(FormatString("Index %d is out of range, use 0 - %d", 5, 3),
              "Index 5 is out of range, use 0 - 3");
    EXPECT_EQ(FormatString("%-6s|%06.2f|%#x|%lld|%c|%%", "ab", 3.14159, 255, -9000000000LL, 'z'),
              "ab    |003.14|0xff|-9000000000|z|%");
    EXPECT_EQ(FormatString("%.3s", "abcdef"), "abc");
    EXPECT_EQ(FormatString("%*d", 12, 7), "           7");
    const std::string wide = FormatString("%f", 1e300);
    EXPECT_EQ(wide.size(), 301u + 7u);
    EXPECT_EQ(FormatString("caf\xc3\xa9 %s", "\xe2\x82\xac"), "caf\xc3\xa9 \xe2\x82\xac");
}

// Wide arguments are converted by the library itself, whatever the process
// locale (tests run in the C locale, where the C library cannot convert
// them). Compilers' format checks do not know the Windows size prefixes.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
TEST(FormatStringTest, WideArgumentsAndWindowsSizePrefixes) {
    const std::pair<std::string, std::string> cases[] = {
        {FormatString("%ls|%S", L"caf\u00e9", L"\U0001F600"), "caf\xC3\xA9|\xF0\x9F\x98\x80"},
        {FormatString("%lc%C", L'\u00e9', L'x'), "\xC3\xA9x"},
        {FormatString("[%6ls][%-4S][%.5ls]", L"\u00e9", L"a", L"\u00e9\u00e9\u00e9"),
         "[    \xC3\xA9][a   ][\xC3\xA9\xC3\xA9]"},
        {FormatString("%ls", reinterpret_cast<const wchar_t*>(NullString())), "(null)"},
        {FormatString("%I64d|%I64u|%I64X", std::int64_t{-9000000000LL}, std::uint64_t{1} << 40,
                      std::uint64_t{0xABCDEF0123ULL}),
         "-9000000000|1099511627776|ABCDEF0123"},
        {FormatString("%Id|%Iu|%I32d|%5.1f", std::ptrdiff_t{-5}, std::size_t{6}, 7, 2.25),
         "-5|6|7|  2.2"},
        {FormatString("[%c]%q", '\0'), "[]%q"},  // no embedded NUL; unknown kept
    };
    for (const auto& c : cases) EXPECT_EQ(c.first, c.second);
    SetLocalCharEncoding(1252);
    EXPECT_EQ(FormatString("%ls", L"caf\u00e9\u65e5"), "caf\xE9?");
    SetLocalCharEncoding(65001);
}
#pragma GCC diagnostic pop

}  // namespace
