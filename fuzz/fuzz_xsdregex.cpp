// libFuzzer target: hostile XML Schema patterns and values. The input is a
// pattern, a zero byte, and a value. A CQbException is an expected answer to
// a bad pattern; a crash, a sanitizer report, any other exception, or a
// pattern whose grouped or doubled form ("(P)", "P|P") disagrees with it is a
// bug, reported by abort(). A pattern that is a fixed sequence of ASCII sets
// is matched without PCRE2 on ASCII values, and its grouped form is not, so
// the two matchers are compared too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/CQbException.h"
#include "types/CXsdRegex.h"

using namespace QbXmlLib5;

namespace {

// 1 match, 0 no match, -1 refused pattern, -2 matcher limits exceeded.
int Match(const std::string& pattern, const std::string& value) {
    try {
        const CXsdRegex regex(pattern, "fuzz");
        try {
            return regex.Matches(value) ? 1 : 0;
        } catch (const CQbException&) {
            return -2;
        }
    } catch (const CQbException&) {
        return -1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string pattern = input.substr(0, split);
    const std::string value = split == std::string::npos ? "" : input.substr(split + 1);
    const int plain = Match(pattern, value);
    if (plain < 0) return 0;
    const int grouped = Match("(" + pattern + ")", value);
    const int doubled = Match(pattern + "|" + pattern, value);
    if ((grouped >= 0 && grouped != plain) || (doubled >= 0 && doubled != plain)) {
        std::fprintf(stderr, "pattern forms disagree: %d %d %d\n", plain, grouped, doubled);
        std::abort();
    }
    // Keep the cache from growing with every input.
    if (CXsdRegex::GetCacheSize() > 512) CXsdRegex::ClearCache();
    return 0;
}
