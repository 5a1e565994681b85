#include "core/CPlatformTime.h"

#include <time.h>

#include <climits>
#include <ctime>

#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

const std::int64_t kSecondsPerDay = 86400;
// Days from 1601-01-01 to 1970-01-01.
const std::int64_t kFileTimeEpochDays = 134774;

// Proleptic Gregorian date of a day count relative to 1970-01-01
// (H. Hinnant's civil_from_days); exact for every 64-bit input used here.
void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = yoe + era * 400 + (month <= 2 ? 1 : 0);
}

bool FieldsFromTm(const std::tm& tm, CCalendarFields& fields) {
    fields.year = static_cast<std::int64_t>(tm.tm_year) + 1900;
    fields.month = tm.tm_mon + 1;
    fields.day = tm.tm_mday;
    fields.hour = tm.tm_hour;
    fields.minute = tm.tm_min;
    fields.second = tm.tm_sec;
    fields.dayOfWeek = tm.tm_wday;
    return true;
}

}  // namespace

bool FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    if (fileTime == nullptr || systemTime == nullptr) return false;
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(fileTime->dwHighDateTime) << 32) | fileTime->dwLowDateTime;
    if (ticks > static_cast<std::uint64_t>(INT64_MAX)) return false;
    const std::int64_t totalMs = static_cast<std::int64_t>(ticks / 10000);
    const std::int64_t totalDays = totalMs / (kSecondsPerDay * 1000);
    const std::int64_t msOfDay = totalMs % (kSecondsPerDay * 1000);
    std::int64_t year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(totalDays - kFileTimeEpochDays, year, month, day);
    SYSTEMTIME result;
    result.wYear = static_cast<std::uint16_t>(year);
    result.wMonth = static_cast<std::uint16_t>(month);
    result.wDay = static_cast<std::uint16_t>(day);
    // 1601-01-01 was a Monday.
    result.wDayOfWeek = static_cast<std::uint16_t>((totalDays + 1) % 7);
    result.wHour = static_cast<std::uint16_t>(msOfDay / 3600000);
    result.wMinute = static_cast<std::uint16_t>(msOfDay / 60000 % 60);
    result.wSecond = static_cast<std::uint16_t>(msOfDay / 1000 % 60);
    result.wMilliseconds = static_cast<std::uint16_t>(msOfDay % 1000);
    *systemTime = result;
    return true;
}

bool CPlatformTime::SecondsToUtc(std::int64_t seconds, CCalendarFields& fields) {
    const time_t t = static_cast<time_t>(seconds);
    if (static_cast<std::int64_t>(t) != seconds) return false;
    std::tm tm{};
    if (::gmtime_r(&t, &tm) == nullptr) return false;
    return FieldsFromTm(tm, fields);
}

bool CPlatformTime::UtcToSeconds(const CCalendarFields& fields, std::int64_t& seconds) {
    if (fields.year - 1900 < INT_MIN || fields.year - 1900 > INT_MAX) return false;
    std::tm tm{};
    tm.tm_year = static_cast<int>(fields.year - 1900);
    tm.tm_mon = fields.month - 1;
    tm.tm_mday = fields.day;
    tm.tm_hour = fields.hour;
    tm.tm_min = fields.minute;
    tm.tm_sec = fields.second;
    tm.tm_isdst = 0;
    // timegm returns -1 both for failure and for 1969-12-31T23:59:59; the
    // day-of-week field, preset to an impossible value, tells them apart.
    tm.tm_wday = -1;
    const time_t t = ::timegm(&tm);
    if (t == static_cast<time_t>(-1) && tm.tm_wday == -1) return false;
    seconds = static_cast<std::int64_t>(t);
    return true;
}

SYSTEMTIME CPlatformTime::GetLocalTime() {
    struct timespec now {};
    std::tm tm{};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0 || ::localtime_r(&now.tv_sec, &tm) == nullptr) {
        throw CQbException("Failed to read the system clock");
    }
    SYSTEMTIME result;
    result.wYear = static_cast<std::uint16_t>(tm.tm_year + 1900);
    result.wMonth = static_cast<std::uint16_t>(tm.tm_mon + 1);
    result.wDayOfWeek = static_cast<std::uint16_t>(tm.tm_wday);
    result.wDay = static_cast<std::uint16_t>(tm.tm_mday);
    result.wHour = static_cast<std::uint16_t>(tm.tm_hour);
    result.wMinute = static_cast<std::uint16_t>(tm.tm_min);
    result.wSecond = static_cast<std::uint16_t>(tm.tm_sec);
    result.wMilliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
    return result;
}

}  // namespace QbXmlLib5
