#include "types/CCalendar.h"

#include <algorithm>

#include "types/CDateTimeSpan.h"

namespace QbXmlLib5 {

namespace {

const int kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// H. Hinnant's days_from_civil and civil_from_days, on astronomical years
// (where year 0 exists).
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = CCalendar::FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

void CivilFromDays(std::int64_t z, CCalendar::Fields& f) {
    z += 719468;
    const std::int64_t era = CCalendar::FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    f.day = doy - (153 * mp + 2) / 5 + 1;
    f.month = mp < 10 ? mp + 3 : mp - 9;
    f.year = yoe + era * 400 + (f.month <= 2 ? 1 : 0);
}

// Astronomical year 0 is a leap year; leaving it out shifts every negative
// year forward by its 366 days.
const std::int64_t kYearZeroDays = 366;

// The year `delta` years after `year`, skipping the absent year 0.
std::int64_t AddYears(std::int64_t year, std::int64_t delta) {
    const std::int64_t continuous = (year > 0 ? year : year + 1) + delta;
    return continuous > 0 ? continuous : continuous - 1;
}

// A span's time part carried into whole days plus a remainder below one
// day, computed on the magnitudes so that nothing overflows.
struct CSpanParts {
    std::int64_t days, hours, minutes, seconds, milli, micro, nano;
};

CSpanParts SplitSpan(const CDateTimeSpan& span) {
    CSpanParts p;
    std::uint64_t carry = 0;
    auto carryInto = [&carry](std::uint64_t value, std::uint64_t base) {
        const std::uint64_t rest = value % base + carry;
        carry = value / base + rest / base;
        return static_cast<std::int64_t>(rest % base);
    };
    p.nano = carryInto(span.GetNanoSeconds(), 1000);
    p.micro = carryInto(span.GetMicroSeconds(), 1000);
    p.milli = carryInto(span.GetMilliSeconds(), 1000);
    p.seconds = carryInto(span.GetSeconds(), 60);
    p.minutes = carryInto(span.GetMinutes(), 60);
    p.hours = carryInto(span.GetHours(), 24);
    p.days = static_cast<std::int64_t>(carry + span.GetDays());
    return p;
}

// Adds `delta` to `field`, keeps the remainder modulo `base` and returns
// the carry.
std::int64_t AddWithCarry(std::int64_t& field, std::int64_t delta, std::int64_t base) {
    const std::int64_t sum = field + delta;
    field = CCalendar::FloorMod(sum, base);
    return CCalendar::FloorDiv(sum, base);
}

}  // namespace

std::int64_t CCalendar::FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

std::int64_t CCalendar::FloorMod(std::int64_t a, std::int64_t b) { return a - FloorDiv(a, b) * b; }

int CCalendar::Compare(const Fields& a, const Fields& b) {
    const std::int64_t left[] = {a.year, a.month, a.day, a.hour, a.minute, a.second, a.milli, a.micro, a.nano};
    const std::int64_t right[] = {b.year, b.month, b.day, b.hour, b.minute, b.second, b.milli, b.micro, b.nano};
    for (int i = 0; i < 9; ++i) {
        if (left[i] != right[i]) return left[i] < right[i] ? -1 : 1;
    }
    return 0;
}

bool CCalendar::IsLeapYear(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int CCalendar::DaysInMonth(std::int64_t year, std::int64_t month) {
    if (month == 2 && !IsLeapYear(year)) return 28;
    return kDaysInMonth[month - 1];
}

std::int64_t CCalendar::DayNumber(std::int64_t year, std::int64_t month, std::int64_t day) {
    return DaysFromCivil(year, month, day) + (year < 0 ? kYearZeroDays : 0);
}

void CCalendar::FromDayNumber(std::int64_t days, Fields& date) {
    CivilFromDays(days, date);
    if (date.year <= 0) CivilFromDays(days - kYearZeroDays, date);
}

void CCalendar::AddSpan(Fields& w, const CDateTimeSpan& span) {
    const std::int64_t sign = span.IsNegative() ? -1 : 1;
    const std::int64_t t = w.month + sign * static_cast<std::int64_t>(span.GetMonths());
    w.month = FloorMod(t - 1, 12) + 1;
    w.year = AddYears(w.year, sign * span.GetYears() + FloorDiv(t - 1, 12));
    w.day = std::min<std::int64_t>(w.day, DaysInMonth(w.year, w.month));

    const CSpanParts p = SplitSpan(span);
    std::int64_t carry = AddWithCarry(w.nano, sign * p.nano, 1000);
    carry = AddWithCarry(w.micro, sign * p.micro + carry, 1000);
    carry = AddWithCarry(w.milli, sign * p.milli + carry, 1000);
    carry = AddWithCarry(w.second, sign * p.seconds + carry, 60);
    carry = AddWithCarry(w.minute, sign * p.minutes + carry, 60);
    carry = AddWithCarry(w.hour, sign * p.hours + carry, 24);
    FromDayNumber(DayNumber(w.year, w.month, w.day) + sign * p.days + carry, w);
}

}  // namespace QbXmlLib5
