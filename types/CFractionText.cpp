#include "types/CFractionText.h"

namespace QbXmlLib5 {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void AppendGroup(std::string& out, std::uint16_t value) {
    out += static_cast<char>('0' + value / 100 % 10);
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

const char* CFractionText::Parse(const char* text, std::uint16_t& milli, std::uint16_t& micro,
                                 std::uint16_t& nano) {
    static const std::uint16_t kWeights[3] = {100, 10, 1};
    std::uint16_t* groups[3] = {&milli, &micro, &nano};
    milli = micro = nano = 0;
    int count = 0;
    for (; IsDigit(*text); ++text, ++count) {
        if (count == 9) return nullptr;
        *groups[count / 3] = static_cast<std::uint16_t>(*groups[count / 3] +
                                                        (*text - '0') * kWeights[count % 3]);
    }
    return text;
}

std::string CFractionText::Format(std::uint16_t milli, std::uint16_t micro, std::uint16_t nano) {
    if (milli == 0 && micro == 0 && nano == 0) return std::string();
    std::string out = ".";
    AppendGroup(out, milli);
    if (micro != 0 || nano != 0) AppendGroup(out, micro);
    if (nano != 0) AppendGroup(out, nano);
    // The last group written is non-zero, so its first digit never goes.
    while (out.back() == '0') out.pop_back();
    return out;
}

}  // namespace QbXmlLib5
