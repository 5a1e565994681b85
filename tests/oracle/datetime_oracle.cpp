// Checks CDateTime and CDateTimeSpan against the cases written by
// gen_datetime_cases.py (expected results from Python's datetime/calendar and
// an independent duration addition). Usage: datetime_oracle CASEFILE.
#include <cstdint>
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

std::string OrderSymbol(CDateTime::DTCompareResult r) {
    switch (r) {
        case CDateTime::Equal: return "=";
        case CDateTime::LessThan: return "<";
        case CDateTime::GreaterThan: return ">";
        default: return "?";
    }
}

std::string Flip(const std::string& symbol) {
    return symbol == "<" ? ">" : symbol == ">" ? "<" : symbol;
}

std::string RunCase(const QbOracle::Fields& f) {
    const std::string& kind = f.at(0);
    if (kind == "add") {
        const CDateTime start = ParseAny("", f.at(1));
        const CDateTime result = f.at(2) == "+" ? start + Span(f.at(3)) : start - Span(f.at(3));
        const std::string got = result.ToString();
        return got == f.at(4) ? "" : "got " + got;
    }
    if (kind == "dow") {
        const CDateTime value = ParseAny("", f.at(1));
        const std::string got =
            std::to_string(value.GetDayOfWeek()) + " " + std::to_string(value.GetDayOfYear());
        return got == f.at(2) + " " + f.at(3) ? "" : "got " + got;
    }
    if (kind == "epoch") {
        const std::int64_t got = ParseAny("", f.at(1)).GetTime();
        return std::to_string(got) == f.at(2) ? "" : "got " + std::to_string(got);
    }
    if (kind == "fromepoch") {
        const std::string got = CDateTime(static_cast<std::int64_t>(std::stoll(f.at(1)))).ToString();
        return got == f.at(2) ? "" : "got " + got;
    }
    if (kind == "norm") {
        const std::string got = ParseAny("", f.at(1)).GetNormalized().ToString();
        return got == f.at(2) ? "" : "got " + got;
    }
    if (kind == "filetime") {
        const std::uint64_t ticks = std::stoull(f.at(1));
        const FILETIME ft{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
        const std::string got = CDateTime(ft).ToString();
        if (got != f.at(2)) return "got " + got;
        SYSTEMTIME st{};
        if (!FileTimeToSystemTime(&ft, &st)) return "FileTimeToSystemTime failed";
        if (got[0] != 'I' && std::to_string(st.wDayOfWeek) != f.at(3)) {
            return "got day of week " + std::to_string(st.wDayOfWeek);
        }
        if (got[0] != 'I' && CDateTime(ft).GetAsSystemTime().wDayOfWeek != st.wDayOfWeek) {
            return "GetAsSystemTime day of week differs";
        }
        return "";
    }
    if (kind == "rt") {
        const std::string got = ParseAny(f.at(1), f.at(2)).ToString();
        return got == f.at(3) ? "" : "got " + got;
    }
    if (kind == "rtdur") {
        const std::string got = Span(f.at(1)).ToString();
        return got == f.at(2) ? "" : "got " + got;
    }
    if (kind == "valid") {
        std::string valid = "1";
        try {
            ParseAny(f.at(1), f.at(2));
        } catch (const CQbInvalidValueException&) {
            valid = "0";
        }
        return valid == f.at(3) ? "" : "got validity " + valid;
    }
    if (kind == "cmp") {
        const CDateTime a = ParseAny("", f.at(1));
        const CDateTime b = ParseAny("", f.at(2));
        const std::string ab = OrderSymbol(a.CompareTo(b));
        const std::string ba = OrderSymbol(b.CompareTo(a));
        if (ab != f.at(3)) return "got " + ab;
        if (ba != Flip(f.at(3))) return "reversed operands got " + ba;
        if ((a == b) != (ab == "=") || (a != b) == (ab == "=") || (a < b) != (ab == "<") ||
            (a <= b) != (ab == "<" || ab == "=") || (a > b) != (ab == ">") ||
            (a >= b) != (ab == ">" || ab == "=")) {
            return "operators disagree with CompareTo";
        }
        return "";
    }
    if (kind == "dcmp") {
        const CDateTimeSpan a = Span(f.at(1));
        const CDateTimeSpan b = Span(f.at(2));
        const std::string ab = OrderSymbol(a.CompareTo(b));
        if (ab != f.at(3)) return "got " + ab;
        if ((a == b) != (ab == "=") || (a != b) == (ab == "=") || (a < b) != (ab == "<") ||
            (a > b) != (ab == ">")) {
            return "operators disagree with CompareTo";
        }
        return OrderSymbol(b.CompareTo(a)) == Flip(ab) ? "" : "reversed operands disagree";
    }
    return "unknown case kind";
}

}  // namespace

int main(int argc, char** argv) { return QbOracle::RunOracle(argc, argv, RunCase); }
