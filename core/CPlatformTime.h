// CPlatformTime: the library's only access to the operating system's clock
// and calendar functions, plus the Win32-shaped clock structures that the
// date/time value classes convert from and to.
#ifndef QBXMLLIB5_CORE_CPLATFORMTIME_H
#define QBXMLLIB5_CORE_CPLATFORMTIME_H

#include <cstdint>

namespace QbXmlLib5 {

// A broken-down calendar time with the Win32 field layout. wDayOfWeek counts
// from 0 = Sunday.
struct SYSTEMTIME {
    std::uint16_t wYear;
    std::uint16_t wMonth;
    std::uint16_t wDayOfWeek;
    std::uint16_t wDay;
    std::uint16_t wHour;
    std::uint16_t wMinute;
    std::uint16_t wSecond;
    std::uint16_t wMilliseconds;
};

// 100-nanosecond intervals since 1601-01-01T00:00:00 UTC, split into two
// 32-bit halves as in Win32.
struct FILETIME {
    std::uint32_t dwLowDateTime;
    std::uint32_t dwHighDateTime;
};

// Breaks a FILETIME down into UTC calendar fields. Returns false (and leaves
// `systemTime` untouched) for null arguments or values of 2^63 and above,
// which Win32 rejects too.
bool FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);

// Calendar fields as the C library sees them: year in full (not minus 1900),
// month 1..12, day of week 0 = Sunday.
struct CCalendarFields {
    std::int64_t year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
    int dayOfWeek;
};

class CPlatformTime {
public:
    // Breaks seconds since 1970-01-01T00:00:00 UTC down as UTC (gmtime_r).
    // Returns false when the C library cannot represent the result.
    static bool SecondsToUtc(std::int64_t seconds, CCalendarFields& fields);

    // Seconds since 1970-01-01T00:00:00 UTC of fields read as UTC (timegm).
    // Returns false when the C library cannot represent the result.
    static bool UtcToSeconds(const CCalendarFields& fields, std::int64_t& seconds);

    // The current local wall-clock time with milliseconds
    // (clock_gettime + localtime_r). Throws CQbException if the clock fails.
    static SYSTEMTIME GetLocalTime();
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_CPLATFORMTIME_H
