// Checks CDateTime and CDateTimeSpan against the cases written by
// gen_datetime_cases.py (expected results from Python's datetime/calendar and
// an independent duration addition). Usage: datetime_oracle CASEFILE.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "OracleMain.h"
#include "core/CPlatformTime.h"
#include "core/CQbException.h"
#include "types/CDateTime.h"
#include "types/CDateTimeSpan.h"

using namespace QbXmlLib5;

namespace {

CDateTime ParseAny(const std::string& kind, const std::string& text) {
    CDateTime value;
    if (kind == "dateTime" || text.find('T') != std::string::npos) {
        value.ParseXSDDateTime(text.c_str());
    } else if (kind == "time" || (text.size() >= 8 && text[2] == ':')) {
        value.ParseXSDTime(text.c_str());
    } else {
        value.ParseXSDDate(text.c_str());
    }
    return value;
}

CDateTimeSpan Span(const std::string& text) {
    CDateTimeSpan span;
    span.ParseXSDDuration(text.c_str());
    return span;
}

std::string OrderSymbol(CDateTime::DTCompareResult r) { return std::string(1, "=<>?"[r]); }

// The order of a and b, checked against the reversed comparison and every
// operator the type has.
template <typename T>
std::string Order(const T& a, const T& b) {
    const std::string ab = OrderSymbol(a.CompareTo(b)), ba = OrderSymbol(b.CompareTo(a));
    if (ba != (ab == "<" ? ">" : ab == ">" ? "<" : ab)) return "reversed operands got " + ba;
    const bool consistent = (a == b) == (ab == "=") && (a != b) != (ab == "=") &&
                            (a < b) == (ab == "<") && (a > b) == (ab == ">");
    return consistent ? ab : "operators disagree with CompareTo";
}

// Dates also have <= and >=, which must agree with the order.
std::string CompareDates(const QbOracle::Fields& f) {
    const CDateTime a = ParseAny("", f.at(1)), b = ParseAny("", f.at(2));
    const std::string order = Order(a, b);
    const bool weak =
        (a <= b) == (order == "<" || order == "=") && (a >= b) == (order == ">" || order == "=");
    return weak ? order : "<= or >= disagrees with CompareTo";
}

std::string Valid(const QbOracle::Fields& f) {
    try {
        ParseAny(f.at(1), f.at(2));
    } catch (const CQbInvalidValueException&) {
        return "0";
    }
    return "1";
}

std::string FileTime(const QbOracle::Fields& f) {
    const std::uint64_t ticks = std::stoull(f.at(1));
    const FILETIME ft{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
    const std::string text = CDateTime(ft).ToString();
    SYSTEMTIME st{};
    if (!FileTimeToSystemTime(&ft, &st)) return "FileTimeToSystemTime failed";
    if (text[0] == 'I') return text + " 0";
    if (CDateTime(ft).GetAsSystemTime().wDayOfWeek != st.wDayOfWeek) return "day of week differs";
    return text + " " + std::to_string(st.wDayOfWeek);
}

using Runner = std::function<std::string(const QbOracle::Fields&)>;

// Each case kind gives a text to compare with its expected fields (all the
// fields after the input ones, joined by blanks).
const std::map<std::string, std::pair<std::size_t, Runner>> kRunners = {
    {"add",
     {4,
      [](const auto& f) {
          const CDateTime start = ParseAny("", f.at(1));
          return (f.at(2) == "+" ? start + Span(f.at(3)) : start - Span(f.at(3))).ToString();
      }}},
    {"dow",
     {2,
      [](const auto& f) {
          const CDateTime value = ParseAny("", f.at(1));
          return std::to_string(value.GetDayOfWeek()) + " " + std::to_string(value.GetDayOfYear());
      }}},
    {"epoch", {2, [](const auto& f) { return std::to_string(ParseAny("", f.at(1)).GetTime()); }}},
    {"fromepoch",
     {2, [](const auto& f) { return CDateTime(std::int64_t{std::stoll(f.at(1))}).ToString(); }}},
    {"norm", {2, [](const auto& f) { return ParseAny("", f.at(1)).GetNormalized().ToString(); }}},
    {"filetime", {2, FileTime}},
    {"rt", {3, [](const auto& f) { return ParseAny(f.at(1), f.at(2)).ToString(); }}},
    {"rtdur", {2, [](const auto& f) { return Span(f.at(1)).ToString(); }}},
    {"valid", {3, Valid}},
    {"cmp", {3, CompareDates}},
    {"dcmp", {3, [](const auto& f) { return Order(Span(f.at(1)), Span(f.at(2))); }}}};

std::string RunCase(const QbOracle::Fields& f) {
    const auto runner = kRunners.find(f.at(0));
    if (runner == kRunners.end()) return "unknown case kind";
    std::string expected;
    for (std::size_t i = runner->second.first; i < f.size(); ++i) {
        expected += (expected.empty() ? "" : " ") + f[i];
    }
    const std::string got = runner->second.second(f);
    return got == expected ? "" : "got " + got;
}

}  // namespace

int main(int argc, char** argv) { return QbOracle::RunOracle(argc, argv, RunCase); }
