// CCalendar: proleptic Gregorian arithmetic on wide fields, shared by the
// date/time value and the duration order.
//
// Years are numbered as written, without a year 0 (-0001 is followed by
// 0001), and the leap rule applies to that number. Every field is 64 bits
// wide, so adding any CDateTimeSpan to any date inside -32767..32767 (or to
// the stand-in year of a kind without a year) cannot overflow.
#ifndef QBXMLLIB5_TYPES_CCALENDAR_H
#define QBXMLLIB5_TYPES_CCALENDAR_H

#include <cstdint>

namespace QbXmlLib5 {

class CDateTimeSpan;

class CCalendar {
public:
    struct Fields {
        std::int64_t year, month, day, hour, minute, second, milli, micro, nano;
    };

    static bool IsLeapYear(std::int64_t year);
    static int DaysInMonth(std::int64_t year, std::int64_t month);
    // Days from 1970-01-01 to the date.
    static std::int64_t DayNumber(std::int64_t year, std::int64_t month, std::int64_t day);
    // The date `days` days after 1970-01-01.
    static void FromDayNumber(std::int64_t days, Fields& date);
    // XML Schema Part 2, Appendix E: months and years first (the day then
    // clamped to the new month's length), then the time with carries, then
    // the days.
    static void AddSpan(Fields& fields, const CDateTimeSpan& span);
    // -1, 0 or 1 as `a` is before, at or after `b` (all fields compared).
    static int Compare(const Fields& a, const Fields& b);
    // Floor division and its remainder, for negative operands too.
    static std::int64_t FloorDiv(std::int64_t a, std::int64_t b);
    static std::int64_t FloorMod(std::int64_t a, std::int64_t b);
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CCALENDAR_H
