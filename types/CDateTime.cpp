#include "types/CDateTime.h"

#include <algorithm>
#include <cstring>

#include "core/CQbException.h"
#include "types/CDateTimeSpan.h"
#include "types/CFractionText.h"

namespace QbXmlLib5 {

namespace {

const int kMinYear = -9999;
const int kMaxYear = 9999;
// Arithmetic results may leave the lexical range but must fit the field.
const std::int64_t kMaxArithmeticYear = 32767;
// Kinds without a full date are computed on a stand-in date (a leap year,
// January, the 1st) so that the fields they do have follow the calendar.
const std::int64_t kStandInYear = 2000;
const int kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Value of `count` digits at text[pos], or -1 if any is not a digit.
int ReadDigits(const std::string& text, std::size_t pos, std::size_t count) {
    if (pos + count > text.size()) return -1;
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (!IsDigit(text[i])) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

using Wide = CCalendar::Fields;

bool IsLeapYear(std::int64_t year) { return CCalendar::IsLeapYear(year); }

int DaysInMonth(std::int64_t year, std::int64_t month) {
    return CCalendar::DaysInMonth(year, month);
}

bool KindHasYear(CDateTime::DTType t) {
    return t == CDateTime::dt_dateTime || t == CDateTime::dt_date ||
           t == CDateTime::dt_gYearMonth || t == CDateTime::dt_gYear;
}

bool KindHasMonth(CDateTime::DTType t) {
    return t == CDateTime::dt_dateTime || t == CDateTime::dt_date ||
           t == CDateTime::dt_gYearMonth || t == CDateTime::dt_gMonthDay ||
           t == CDateTime::dt_gMonth;
}

bool KindHasDay(CDateTime::DTType t) {
    return t == CDateTime::dt_dateTime || t == CDateTime::dt_date || t == CDateTime::dt_gDay ||
           t == CDateTime::dt_gMonthDay;
}

bool KindHasTime(CDateTime::DTType t) {
    return t == CDateTime::dt_dateTime || t == CDateTime::dt_time;
}

bool KindHasCalendarDate(CDateTime::DTType t) {
    return t == CDateTime::dt_dateTime || t == CDateTime::dt_date;
}

// The date part of a date text without its zone; fields the kind lacks are 0.
struct CDateFields {
    CDateTime::DTType type = CDateTime::dt_none;
    int year = 0, month = 0, day = 0;
};

// --MM (and the older --MM--), ---DD, --MM-DD.
bool ParseRecurringDate(const std::string& body, CDateFields& f) {
    if (body.size() == 4 || body.size() == 6) {
        f.type = CDateTime::dt_gMonth;
        f.month = ReadDigits(body, 2, 2);
        return f.month >= 0;
    }
    if (body.size() == 5 && body[2] == '-') {
        f.type = CDateTime::dt_gDay;
        f.day = ReadDigits(body, 3, 2);
        return f.day >= 0;
    }
    if (body.size() == 7 && body[4] == '-') {
        f.type = CDateTime::dt_gMonthDay;
        f.month = ReadDigits(body, 2, 2);
        f.day = ReadDigits(body, 5, 2);
        return f.month >= 0 && f.day >= 0;
    }
    return false;
}

// [-]CCYY, [-]CCYY-MM, [-]CCYY-MM-DD.
bool ParseYearDate(const std::string& body, CDateFields& f) {
    const std::size_t y = (!body.empty() && body[0] == '-') ? 1 : 0;
    const std::size_t length = body.size() - y;
    f.year = ReadDigits(body, y, 4);
    if (f.year < 0) return false;
    if (y == 1) f.year = -f.year;
    if (length == 4) {
        f.type = CDateTime::dt_gYear;
        return true;
    }
    if (length == 7 && body[y + 4] == '-') {
        f.type = CDateTime::dt_gYearMonth;
        f.month = ReadDigits(body, y + 5, 2);
        return f.month >= 0;
    }
    if (length == 10 && body[y + 4] == '-' && body[y + 7] == '-') {
        f.type = CDateTime::dt_date;
        f.month = ReadDigits(body, y + 5, 2);
        f.day = ReadDigits(body, y + 8, 2);
        return f.month >= 0 && f.day >= 0;
    }
    return false;
}

bool ParseDateBody(const std::string& body, CDateFields& f) {
    return body.compare(0, 2, "--") == 0 ? ParseRecurringDate(body, f) : ParseYearDate(body, f);
}

[[noreturn]] void ThrowValue(const std::string& message) {
    throw CQbInvalidValueException(message);
}

[[noreturn]] void ThrowState(const std::string& message) {
    throw CQbInvalidStateException(message);
}

// Throws "<format>" naming the kind unless `allowed`.
void RequireKind(bool allowed, const char* format, CDateTime::DTType type) {
    if (!allowed) ThrowState(FormatString(format, CDateTime::GetTypeAsString(type).c_str()));
}

// A field that the kind has must lie in [low, high]; one it lacks must be 0.
void CheckField(bool present, int value, int low, int high, const char* rangeFormat,
                const char* kindFormat, CDateTime::DTType type) {
    if (present) {
        if (value < low || value > high) ThrowValue(FormatString(rangeFormat, value));
    } else if (value != 0) {
        ThrowValue(FormatString(kindFormat, value, CDateTime::GetTypeAsString(type).c_str()));
    }
}

CDateTime::DTCompareResult CompareNumbers(std::int64_t a, std::int64_t b) {
    if (a < b) return CDateTime::LessThan;
    if (a > b) return CDateTime::GreaterThan;
    return CDateTime::Equal;
}

// A total offset in minutes as a span to add: west of UTC is added.
CDateTimeSpan ShiftToUtc(int offsetMinutes) {
    CDateTimeSpan shift(
        0, static_cast<std::uint64_t>(offsetMinutes < 0 ? -offsetMinutes : offsetMinutes), 0);
    if (offsetMinutes > 0) shift.Negate();
    return shift;
}

}  // namespace

// ---------------------------------------------------------------- creation

CDateTime::CDateTime() { Clear(); }

CDateTime::CDateTime(DTType type) {
    Clear();
    m_type = type;
}

CDateTime::CDateTime(const char* text) {
    Clear();
    ParseXSDDateTime(text);
}

CDateTime::CDateTime(std::int16_t year, std::uint8_t month, std::uint8_t day) {
    Clear();
    try {
        SetDate(year, month, day);
    } catch (const CQbInvalidValueException&) {
        Clear();
    }
}

CDateTime::CDateTime(std::int16_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
                     std::uint8_t minute, std::uint8_t second)
    : CDateTime(year, month, day, hour, minute, second, 0, 0, 0) {}

CDateTime::CDateTime(std::int16_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
                     std::uint8_t minute, std::uint8_t second, std::uint16_t milliSecond,
                     std::uint16_t microSecond, std::uint16_t nanoSecond) {
    Clear();
    try {
        SetDateTime(year, month, day, hour, minute, second, milliSecond, microSecond, nanoSecond);
    } catch (const CQbInvalidValueException&) {
        Clear();
    }
}

CDateTime::CDateTime(const std::int64_t& seconds) {
    Clear();
    try {
        *this = seconds;
    } catch (const CQbInvalidValueException&) {
        Clear();
    }
}

CDateTime::CDateTime(const SYSTEMTIME& systemTime) {
    Clear();
    try {
        *this = systemTime;
    } catch (const CQbInvalidValueException&) {
        Clear();
    }
}

CDateTime::CDateTime(const FILETIME& fileTime) {
    Clear();
    try {
        *this = fileTime;
    } catch (const CQbInvalidValueException&) {
        Clear();
    }
}

void CDateTime::AssignClockFields(std::int64_t year, int month, int day, int hour, int minute,
                                  int second, int milliSecond) {
    if (year < kMinYear || year > kMaxYear || year == 0) {
        ThrowValue(FormatString("Invalid Year [%lld] (%d <= year <= %d && year != 0)",
                                static_cast<long long>(year), kMinYear, kMaxYear));
    }
    CDateTime value;
    value.SetDateTime(static_cast<std::int16_t>(year), static_cast<std::uint8_t>(month),
                      static_cast<std::uint8_t>(day), static_cast<std::uint8_t>(hour),
                      static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second),
                      static_cast<std::uint16_t>(milliSecond), 0, 0);
    *this = value;
}

CDateTime& CDateTime::operator=(const std::int64_t& seconds) {
    CCalendarFields f;
    if (!CPlatformTime::SecondsToUtc(seconds, f)) {
        ThrowValue(FormatString("Failed to convert [%lld] seconds to a date and time",
                                static_cast<long long>(seconds)));
    }
    AssignClockFields(f.year, f.month, f.day, f.hour, f.minute, f.second, 0);
    return *this;
}

CDateTime& CDateTime::operator=(const SYSTEMTIME& st) {
    // Fields wider than ours are range-checked before narrowing.
    auto narrow = [](std::uint16_t v) { return v > 255 ? 255 : static_cast<int>(v); };
    AssignClockFields(st.wYear, narrow(st.wMonth), narrow(st.wDay), narrow(st.wHour),
                      narrow(st.wMinute), narrow(st.wSecond),
                      st.wMilliseconds > 999 ? 1000 : st.wMilliseconds);
    return *this;
}

CDateTime& CDateTime::operator=(const FILETIME& fileTime) {
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&fileTime, &st))
        ThrowValue("Failed to convert FILETIME to SYSTEMTIME");
    return *this = st;
}

CDateTime CDateTime::GetTickCount() {
    CDateTime value;
    value = CPlatformTime::GetLocalTime();
    return value;
}

void CDateTime::Clear() {
    m_type = dt_none;
    m_year = 0;
    m_month = m_day = m_hour = m_minute = m_second = 0;
    m_milliSecond = m_microSecond = m_nanoSecond = 0;
    m_isUTC = m_hasTimeZone = false;
    m_zoneHour = 0;
    m_zoneMinute = 0;
    m_zoneNegative = false;
}

// ---------------------------------------------------------------- setters

void CDateTime::BeginSet(DTType type) const {
    if (m_type != dt_none && m_type != type) {
        ThrowState(FormatString("Failed to copy CDateTime. Invalid Date Type: %s, expected: %s.",
                                GetTypeAsString(type).c_str(), GetTypeAsString(m_type).c_str()));
    }
}

void CDateTime::SetFields(DTType type, std::int16_t year, std::uint8_t month, std::uint8_t day,
                          std::uint8_t hour, std::uint8_t minute, std::uint8_t second,
                          std::uint16_t milliSecond, std::uint16_t microSecond,
                          std::uint16_t nanoSecond) {
    BeginSet(type);
    CDateTime value(type);
    value.m_year = year;
    value.m_month = month;
    value.m_day = day;
    value.m_hour = hour;
    value.m_minute = minute;
    value.m_second = second;
    value.m_milliSecond = milliSecond;
    value.m_microSecond = microSecond;
    value.m_nanoSecond = nanoSecond;
    value.Validate();
    *this = value;
}

void CDateTime::SetDateTime(std::int16_t year, std::uint8_t month, std::uint8_t day,
                            std::uint8_t hour, std::uint8_t minute, std::uint8_t second) {
    SetFields(dt_dateTime, year, month, day, hour, minute, second, 0, 0, 0);
}

void CDateTime::SetDateTime(std::int16_t year, std::uint8_t month, std::uint8_t day,
                            std::uint8_t hour, std::uint8_t minute, std::uint8_t second,
                            std::uint16_t milliSecond, std::uint16_t microSecond,
                            std::uint16_t nanoSecond) {
    SetFields(dt_dateTime, year, month, day, hour, minute, second, milliSecond, microSecond,
              nanoSecond);
}

void CDateTime::SetDate(std::int16_t year, std::uint8_t month, std::uint8_t day) {
    SetFields(dt_date, year, month, day, 0, 0, 0, 0, 0, 0);
}

void CDateTime::SetTime(std::uint8_t hour, std::uint8_t minute, std::uint8_t second) {
    SetFields(dt_time, 0, 0, 0, hour, minute, second, 0, 0, 0);
}

void CDateTime::SetTime(std::uint8_t hour, std::uint8_t minute, std::uint8_t second,
                        std::uint16_t milliSecond, std::uint16_t microSecond,
                        std::uint16_t nanoSecond) {
    SetFields(dt_time, 0, 0, 0, hour, minute, second, milliSecond, microSecond, nanoSecond);
}

void CDateTime::SetGYear(std::int16_t year) { SetFields(dt_gYear, year, 0, 0, 0, 0, 0, 0, 0, 0); }

void CDateTime::SetGYearMonth(std::int16_t year, std::uint8_t month) {
    SetFields(dt_gYearMonth, year, month, 0, 0, 0, 0, 0, 0, 0);
}

void CDateTime::SetGMonth(std::uint8_t month) {
    SetFields(dt_gMonth, 0, month, 0, 0, 0, 0, 0, 0, 0);
}

void CDateTime::SetGMonthDay(std::uint8_t month, std::uint8_t day) {
    SetFields(dt_gMonthDay, 0, month, day, 0, 0, 0, 0, 0, 0);
}

void CDateTime::SetGDay(std::uint8_t day) { SetFields(dt_gDay, 0, 0, day, 0, 0, 0, 0, 0, 0); }

void CDateTime::SetFracTime(std::uint16_t milliSecond, std::uint16_t microSecond,
                            std::uint16_t nanoSecond) {
    SetTime(0, 0, 0, milliSecond, microSecond, nanoSecond);
}

bool CDateTime::CheckConversion(DTType from, DTType to) {
    if (from < dt_none || from > dt_gMonthDay)
        ThrowValue(FormatString("Unknown date type %d.", static_cast<int>(from)));
    if (from == to || to == dt_none) return true;
    switch (from) {
        case dt_dateTime:
            return to > dt_none && to <= dt_gMonthDay;
        case dt_date:
            return to == dt_gYearMonth || to == dt_gYear || to == dt_gMonthDay || to == dt_gMonth ||
                   to == dt_gDay;
        case dt_gYearMonth:
            return to == dt_gYear || to == dt_gMonth;
        case dt_gMonthDay:
            return to == dt_gMonth || to == dt_gDay;
        default:
            return false;
    }
}

void CDateTime::SetDateTime(const CDateTime& source, DTType type) {
    if (!CheckConversion(source.m_type, type)) {
        ThrowValue(FormatString(
            "Attempting to set a CDateTime of type %s using an XmlDateTime of type %s. The source "
            "CDateTime does not contian enough data to allow the conversion.",
            GetTypeAsString(type).c_str(), GetTypeAsString(source.m_type).c_str()));
    }
    CDateTime value = source;
    value.m_type = type;
    if (type == dt_none) value.Clear();
    if (!KindHasYear(type)) value.m_year = 0;
    if (!KindHasMonth(type)) value.m_month = 0;
    if (!KindHasDay(type)) value.m_day = 0;
    if (!KindHasTime(type)) {
        value.m_hour = value.m_minute = value.m_second = 0;
        value.m_milliSecond = value.m_microSecond = value.m_nanoSecond = 0;
    }
    *this = value;
}

// ---------------------------------------------------------------- zone

void CDateTime::SetTimeZone(std::int16_t hour, std::uint8_t minute) {
    if (hour < -23 || hour > 23 || minute >= 60) {
        ThrowValue(FormatString("Invalid TimeZone [%d:%d]", hour, minute));
    }
    m_isUTC = true;
    m_hasTimeZone = true;
    m_zoneHour = hour;
    m_zoneMinute = minute;
    m_zoneNegative = hour < 0;
}

void CDateTime::SetUTC() {
    m_isUTC = true;
    m_hasTimeZone = false;
    m_zoneHour = 0;
    m_zoneMinute = 0;
    m_zoneNegative = false;
}

std::int16_t CDateTime::GetZoneHour() const {
    if (!m_hasTimeZone) ThrowState("TimeZone is not been used");
    return m_zoneHour;
}

std::uint8_t CDateTime::GetZoneMinute() const {
    if (!m_hasTimeZone) ThrowState("TimeZone is not been used");
    return m_zoneMinute;
}

// ---------------------------------------------------------------- getters

std::int16_t CDateTime::GetYear() const {
    RequireKind(KindHasYear(m_type), "Failed to GetYear. Invalid Date Type: %s.", m_type);
    return m_year;
}

std::uint8_t CDateTime::GetMonth() const {
    RequireKind(KindHasMonth(m_type), "Failed to GetMonth. Invalid Date Type: %s.", m_type);
    return m_month;
}

std::uint8_t CDateTime::GetDay() const {
    RequireKind(KindHasDay(m_type), "Failed to GetDay. Invalid Date Type: %s.", m_type);
    return m_day;
}

std::uint8_t CDateTime::GetHour() const {
    RequireKind(KindHasTime(m_type), "Failed to GetHour. Invalid Date Type: %s.", m_type);
    return m_hour;
}

std::uint8_t CDateTime::GetMinute() const {
    RequireKind(KindHasTime(m_type), "Failed to GetMinute. Invalid Date Type: %s.", m_type);
    return m_minute;
}

std::uint8_t CDateTime::GetSecond() const {
    RequireKind(KindHasTime(m_type), "Failed to GetSecond. Invalid Date Type: %s.", m_type);
    return m_second;
}

double CDateTime::GetRealSecond() const {
    RequireKind(KindHasTime(m_type), "Failed to GetRealSecond. Invalid Date Type: %s.", m_type);
    return m_second + m_milliSecond / 1000.0 + m_microSecond / 1000000.0 +
           m_nanoSecond / 1000000000.0;
}

std::uint16_t CDateTime::GetMilliSecond() const {
    RequireKind(KindHasTime(m_type), "Failed to GetMilliSecond. Invalid Date Type: %s.", m_type);
    return m_milliSecond;
}

std::uint16_t CDateTime::GetMicroSecond() const {
    RequireKind(KindHasTime(m_type), "Failed to GetMicroSecond. Invalid Date Type: %s.", m_type);
    return m_microSecond;
}

std::uint16_t CDateTime::GetNanoSecond() const {
    RequireKind(KindHasTime(m_type), "Failed to GetNanoSecond. Invalid Date Type: %s.", m_type);
    return m_nanoSecond;
}

std::uint8_t CDateTime::GetDayOfWeek() const {
    RequireKind(KindHasCalendarDate(m_type), "Failed to GetDayOfWeek. Invalid Date Type: %s.",
                m_type);
    // 1970-01-01 was a Thursday (4 counting from Sunday = 0).
    const std::int64_t days = CCalendar::DayNumber(m_year, m_month, m_day);
    return static_cast<std::uint8_t>(CCalendar::FloorMod(days + 4, 7) + 1);
}

std::uint16_t CDateTime::GetDayOfYear() const {
    RequireKind(KindHasCalendarDate(m_type), "Failed to GetDayOfYear. Invalid Date Type: %s.",
                m_type);
    int result = kDaysBeforeMonth[(m_month + 11) % 12] + m_day;
    if (m_month > 2 && IsLeapYear(m_year)) ++result;
    return static_cast<std::uint16_t>(result);
}

std::int64_t CDateTime::GetTime() const {
    if (!KindHasCalendarDate(m_type)) {
        ThrowValue(FormatString(
            "Failed to GetTime, Date Status must be dateTime or date. Invalid Date Type: %s.",
            GetTypeAsString().c_str()));
    }
    const CDateTime utc = GetNormalized();
    CCalendarFields f{utc.m_year,   utc.m_month,  utc.m_day, utc.m_hour,
                      utc.m_minute, utc.m_second, 0};
    std::int64_t seconds = 0;
    if (!CPlatformTime::UtcToSeconds(f, seconds)) {
        ThrowValue(FormatString("Failed to GetTime of [%s]", ToString().c_str()));
    }
    return seconds;
}

SYSTEMTIME CDateTime::GetAsSystemTime() const {
    if (m_type != dt_dateTime) {
        ThrowValue(FormatString(
            "Failed to GetAsSystemTime, Date Status must be dateTime. Invalid Date Type: %s.",
            GetTypeAsString().c_str()));
    }
    // SYSTEMTIME has no years before year 1.
    if (m_year < 1) {
        ThrowValue(FormatString("Failed to GetAsSystemTime, Invalid Year [%d].", m_year));
    }
    SYSTEMTIME st;
    st.wYear = static_cast<std::uint16_t>(m_year);
    st.wMonth = m_month;
    st.wDayOfWeek = static_cast<std::uint16_t>(GetDayOfWeek() - 1);
    st.wDay = m_day;
    st.wHour = m_hour;
    st.wMinute = m_minute;
    st.wSecond = m_second;
    st.wMilliseconds = m_milliSecond;
    return st;
}

// ---------------------------------------------------------------- parsing

void CDateTime::ParseXSDDate(const char* text) {
    Clear();
    ParseDateSteps(text);
    Validate();
}

void CDateTime::ParseXSDTime(const char* text) {
    Clear();
    ParseTimeSteps(text);
    Validate();
}

void CDateTime::ParseXSDDateTime(const char* text) {
    if (text == nullptr) ThrowValue("Invalid DateTime (Null String)");
    const char* t = std::strchr(text, 'T');
    if (t == nullptr) ThrowValue(FormatString("Invalid XSD DateTime [%s]", text));
    Clear();
    ParseDateSteps(std::string(text, t).c_str());
    if (m_type != dt_date) {
        ThrowValue(
            FormatString("Invalid XSD DateTime [%s] expected CCYY-MM-DDThh:mm:ss[.ff]", text));
    }
    ParseTimeSteps(t + 1);
    m_type = dt_dateTime;
    Validate();
}

void CDateTime::ParseDateSteps(const char* text) {
    if (text == nullptr) ThrowValue("Invalid Date (Null String)");
    const std::string s(text);
    if (s.empty()) ThrowValue("Invalid Date (Empty String)");
    if (s.find('T') != std::string::npos) ThrowValue("Invalid Date ('T' not allowed)");
    const bool hasColon = s.find(':') != std::string::npos;
    std::size_t zoneLength = 0;
    if (s.back() == 'Z') {
        if (hasColon) ThrowValue("Invalid Date (Bad Zone value)");
        zoneLength = 1;
    } else if (hasColon) {
        zoneLength = 6;
    }
    // The message is only built on failure: dates are parsed by the hundred
    // thousand when documents are read.
    const auto fail = [text] {
        ThrowValue(FormatString("Invalid XSD Date [%s] expected CCYY-MM-DD[Z|[+|-]hh:mm]", text));
    };
    if (zoneLength > s.size()) fail();
    CDateFields f;
    if (!ParseDateBody(s.substr(0, s.size() - zoneLength), f)) fail();
    m_type = f.type;
    m_year = static_cast<std::int16_t>(f.year);
    m_month = static_cast<std::uint8_t>(f.month);
    m_day = static_cast<std::uint8_t>(f.day);
    if (zoneLength > 0) ParseZone(s.substr(s.size() - zoneLength));
}

void CDateTime::ParseTimeSteps(const char* text) {
    if (text == nullptr) ThrowValue("Invalid Time (Null String)");
    const std::string s(text);
    if (s.empty()) ThrowValue("Invalid XSD Time (Empty String)");
    const int hour = ReadDigits(s, 0, 2);
    const int minute = ReadDigits(s, 3, 2);
    const int second = ReadDigits(s, 6, 2);
    if (s.size() < 8 || s[2] != ':' || s[5] != ':' || hour < 0 || hour >= 24 || minute < 0 ||
        minute >= 60 || second < 0 || second >= 60) {
        ThrowValue(FormatString("Invalid XSD Time [%s] expected hh:mm:ss[.ff]", text));
    }
    m_hour = static_cast<std::uint8_t>(hour);
    m_minute = static_cast<std::uint8_t>(minute);
    m_second = static_cast<std::uint8_t>(second);
    const char* rest = text + 8;
    if (*rest == '.') {
        rest = CFractionText::Parse(rest + 1, m_milliSecond, m_microSecond, m_nanoSecond);
        if (rest == nullptr)
            ThrowValue(FormatString("Invalid XSD Time [%s] Fraction part too long", text));
    }
    ParseZone(rest);
    m_type = dt_time;
}

void CDateTime::ParseZone(const std::string& zone) {
    if (zone.empty()) return;
    if (zone[0] == 'Z') {
        SetUTC();
        return;
    }
    if (zone[0] != '+' && zone[0] != '-') return;
    const int hour = ReadDigits(zone, 1, 2);
    const int minute = ReadDigits(zone, 4, 2);
    if (zone.size() != 6 || zone[3] != ':' || hour < 0 || minute < 0) {
        ThrowValue(FormatString("Invalid XSD Time Zone [%s]", zone.c_str()));
    }
    const int signedHour = (hour == 24 ? 0 : hour) * (zone[0] == '-' ? -1 : 1);
    SetTimeZone(static_cast<std::int16_t>(signedHour), static_cast<std::uint8_t>(minute));
    // -00:30 is west of UTC although its hour carries no sign.
    m_zoneNegative = zone[0] == '-' && ZoneOffsetMinutes() != 0;
}

// ---------------------------------------------------------------- validation

void CDateTime::Validate() const {
    if (m_type == dt_none) ThrowValue("Invalid Year Zero");
    ValidateDate();
    ValidateTime();
}

void CDateTime::ValidateDate() const {
    CheckField(KindHasMonth(m_type), m_month, 1, 12, "Invalid Month [%d] (1 <= month <= 12)",
               "Invalid Month [%d] for type %s", m_type);
    if (KindHasYear(m_type)) {
        if (m_year == 0 || m_year < kMinYear || m_year > kMaxYear) {
            ThrowValue(FormatString("Invalid Year [%d] (%d <= year <= %d && year != 0)", m_year,
                                    kMinYear, kMaxYear));
        }
    } else if (m_year != 0) {
        ThrowValue(
            FormatString("Invalid Year [%d] for type %s", m_year, GetTypeAsString().c_str()));
    }
    if (KindHasCalendarDate(m_type)) {
        CheckField(true, m_day, 1, DaysInMonth(m_year, m_month),
                   "Invalid Day [%d] (1 <= day <= days in month", nullptr, m_type);
    } else if (m_type == dt_gMonthDay) {
        CheckField(true, m_day, 1, kDaysInMonth[m_month - 1],
                   "Invalid Day [%d] (1 <= day <= days in month)", nullptr, m_type);
    } else {
        CheckField(m_type == dt_gDay, m_day, 1, 31, "Invalid Day [%d] (1 <= day <= 31)",
                   "Invalid Day [%d] for type %s", m_type);
    }
}

void CDateTime::ValidateTime() const {
    const bool t = KindHasTime(m_type);
    CheckField(t, m_hour, 0, 23, "Invalid Hour [%d] (0 <= hour <= 23)",
               "Invalid Hour [%d] for type %s", m_type);
    CheckField(t, m_minute, 0, 59, "Invalid Minute [%d] (0 <= minute <= 59)",
               "Invalid Minute [%d] for type %s", m_type);
    CheckField(t, m_second, 0, 59, "Invalid Second [%d] (0 <= second <= 59)",
               "Invalid Second [%d] for type %s", m_type);
    CheckField(t, m_milliSecond, 0, 999, "Invalid Milli-Second [%d] (0 <= milli <= 999)",
               "Invalid Milli-Second [%d] for type %s", m_type);
    CheckField(t, m_microSecond, 0, 999, "Invalid Micro-Second [%d] (0 <= micro <= 999)",
               "Invalid Micro-Second [%d] for type %s", m_type);
    CheckField(t, m_nanoSecond, 0, 999, "Invalid Nano-Second [%d] (0 <= nano <= 999)",
               "Invalid Nano-Second [%d] for type %s", m_type);
}

// ---------------------------------------------------------------- text

std::string CDateTime::GetTypeAsString(DTType type) {
    static const char* const kNames[] = {"yearZero", "dateTime", "date",   "gYearMonth", "gYear",
                                         "time",     "gDay",     "gMonth", "gMonthDay"};
    if (type < dt_none || type > dt_gMonthDay) return std::string();
    return kNames[type];
}

std::string CDateTime::GetTypeAsString() const { return GetTypeAsString(m_type); }

std::string CDateTime::ToString() const { return ToString("s"); }

namespace {

// Appends `value` (not negative) in decimal, zero-padded to `width` digits.
// Dates are written by the hundred thousand in data binding; formatting
// them through printf cost more than the rest of an element together.
void AppendPadded(std::string& out, int value, int width) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < width; ++i) out += '0';
    while (n > 0) out += digits[--n];
}

}  // namespace

std::string CDateTime::ToString(const char* format) const {
    if (m_type == dt_none) return "Invalid Year Zero";
    if (format == nullptr || std::strcmp(format, "G") == 0) return std::string();
    if (std::strcmp(format, "s") != 0) return std::string("Unknown Format: ") + format;
    std::string out;
    out.reserve(32);
    const auto yearPart = [&] {
        if (m_year < 0) out += '-';
        AppendPadded(out, m_year < 0 ? -m_year : m_year, 4);
    };
    const auto two = [&](char before, int value) {
        if (before) out += before;
        AppendPadded(out, value, 2);
    };
    switch (m_type) {
        case dt_dateTime:
            yearPart();
            two('-', m_month);
            two('-', m_day);
            two('T', m_hour);
            two(':', m_minute);
            two(':', m_second);
            break;
        case dt_date:
            yearPart();
            two('-', m_month);
            two('-', m_day);
            break;
        case dt_gYearMonth:
            yearPart();
            two('-', m_month);
            break;
        case dt_gYear:
            yearPart();
            break;
        case dt_time:
            two(0, m_hour);
            two(':', m_minute);
            two(':', m_second);
            break;
        case dt_gDay:
            out += "--";
            two('-', m_day);
            break;
        case dt_gMonth:
            out += '-';
            two('-', m_month);
            break;
        default:
            out += '-';
            two('-', m_month);
            two('-', m_day);
            break;
    }
    if (KindHasTime(m_type))
        out += CFractionText::Format(m_milliSecond, m_microSecond, m_nanoSecond);
    if (m_hasTimeZone) {
        two(m_zoneNegative ? '-' : '+', m_zoneHour < 0 ? -m_zoneHour : m_zoneHour);
        two(':', m_zoneMinute);
    } else if (m_isUTC) {
        out += 'Z';
    }
    return out;
}

// ---------------------------------------------------------------- comparison

int CDateTime::ZoneOffsetMinutes() const {
    if (!m_hasTimeZone) return 0;
    const int minutes = (m_zoneHour < 0 ? -m_zoneHour : m_zoneHour) * 60 + m_zoneMinute;
    return m_zoneNegative ? -minutes : minutes;
}

CCalendar::Fields CDateTime::GetWideFields() const {
    return {KindHasYear(m_type) ? m_year : kStandInYear,
            KindHasMonth(m_type) ? m_month : 1,
            KindHasDay(m_type) ? m_day : 1,
            m_hour,
            m_minute,
            m_second,
            m_milliSecond,
            m_microSecond,
            m_nanoSecond};
}

CCalendar::Fields CDateTime::GetUtcFields(int offsetMinutes) const {
    Wide w = GetWideFields();
    if (offsetMinutes != 0) CCalendar::AddSpan(w, ShiftToUtc(offsetMinutes));
    return w;
}

// Compares the fields both kinds have; a field only one kind has makes the
// result Indeterminate.
CDateTime::DTCompareResult CDateTime::CompareFields(DTType typeA, const CCalendar::Fields& a,
                                                    DTType typeB, const CCalendar::Fields& b) {
    bool (*const presence[])(DTType) = {KindHasYear, KindHasMonth, KindHasDay, KindHasTime,
                                        KindHasTime};
    const std::int64_t mine[] = {a.year, a.month, a.day, a.hour, a.minute};
    const std::int64_t theirs[] = {b.year, b.month, b.day, b.hour, b.minute};
    // Times stand on one reference date, so a shift to UTC that crosses
    // midnight moves to the day before or after: 23:00:00-05:00 is later
    // than 23:30:00Z.
    const bool times = typeA == dt_time && typeB == dt_time;
    for (int i = 0; i < 5; ++i) {
        const bool present = presence[i](typeA) || (times && i < 3);
        if (present != (presence[i](typeB) || (times && i < 3))) return Indeterminate;
        if (!present) continue;
        const DTCompareResult r = CompareNumbers(mine[i], theirs[i]);
        if (r != Equal) return r;
    }
    if (!KindHasTime(typeA)) return Equal;
    // The real second, compared exactly as nanoseconds.
    auto nanos = [](const Wide& v) {
        return ((v.second * 1000 + v.milli) * 1000 + v.micro) * 1000 + v.nano;
    };
    return CompareNumbers(nanos(a), nanos(b));
}

// Compared on wide fields, so that no year is too large to compare.
CDateTime::DTCompareResult CDateTime::CompareTo(const CDateTime& other) const {
    if (m_isUTC == other.m_isUTC) {
        return CompareFields(m_type, GetUtcFields(ZoneOffsetMinutes()), other.m_type,
                             other.GetUtcFields(other.ZoneOffsetMinutes()));
    }
    return CompareMixedZones(other);
}

// One operand has zone information, the other not: the one without is
// shifted by the widest offsets, +14:00 and -14:00; if both tests agree the
// answer is determinate.
CDateTime::DTCompareResult CDateTime::CompareMixedZones(const CDateTime& other) const {
    const int kWidest = 14 * 60;
    const DTType a = m_type;
    const DTType b = other.m_type;
    if (m_isUTC) {
        const Wide mine = GetUtcFields(ZoneOffsetMinutes());
        if (CompareFields(a, mine, b, other.GetUtcFields(kWidest)) == LessThan) return LessThan;
        if (CompareFields(a, mine, b, other.GetUtcFields(-kWidest)) == GreaterThan)
            return GreaterThan;
    } else {
        const Wide theirs = other.GetUtcFields(other.ZoneOffsetMinutes());
        if (CompareFields(a, GetUtcFields(kWidest), b, theirs) == GreaterThan) return GreaterThan;
        if (CompareFields(a, GetUtcFields(-kWidest), b, theirs) == LessThan) return LessThan;
    }
    return Indeterminate;
}

bool CDateTime::operator<=(const CDateTime& other) const {
    const DTCompareResult r = CompareTo(other);
    return r == LessThan || r == Equal;
}

bool CDateTime::operator>=(const CDateTime& other) const {
    const DTCompareResult r = CompareTo(other);
    return r == GreaterThan || r == Equal;
}

// ---------------------------------------------------------------- arithmetic

CDateTime CDateTime::operator+(const CDateTimeSpan& span) const {
    CDateTime result = *this;
    result.AddDateTimeSpan(span);
    return result;
}

CDateTime& CDateTime::operator+=(const CDateTimeSpan& span) {
    AddDateTimeSpan(span);
    return *this;
}

CDateTime CDateTime::operator-(const CDateTimeSpan& span) const {
    CDateTimeSpan reversed = span;
    reversed.Negate();
    CDateTime result = *this;
    result.AddDateTimeSpan(reversed);
    return result;
}

CDateTime& CDateTime::operator-=(const CDateTimeSpan& span) {
    *this = *this - span;
    return *this;
}

CDateTimeSpan CDateTime::operator-(const CDateTime& /*other*/) const { return CDateTimeSpan(); }

CDateTime CDateTime::GetNormalized() const {
    CDateTime result = *this;
    if (!m_hasTimeZone) return result;
    result.AddDateTimeSpan(ShiftToUtc(ZoneOffsetMinutes()));
    result.m_zoneHour = 0;
    result.m_zoneMinute = 0;
    result.m_zoneNegative = false;
    return result;
}

void CDateTime::AddDateTimeSpan(const CDateTimeSpan& span) {
    if (m_type == dt_none) return;
    Wide w = GetWideFields();
    CCalendar::AddSpan(w, span);
    if (KindHasYear(m_type) && (w.year > kMaxArithmeticYear || w.year < -kMaxArithmeticYear)) {
        // Saturate at the first or last instant the fields can hold.
        const bool last = w.year > 0;
        w = last ? Wide{kMaxArithmeticYear, 12, 31, 23, 59, 59, 999, 999, 999}
                 : Wide{-kMaxArithmeticYear, 1, 1, 0, 0, 0, 0, 0, 0};
    }
    if (KindHasYear(m_type)) m_year = static_cast<std::int16_t>(w.year);
    if (KindHasMonth(m_type)) m_month = static_cast<std::uint8_t>(w.month);
    if (KindHasDay(m_type)) m_day = static_cast<std::uint8_t>(w.day);
    if (KindHasTime(m_type)) {
        m_hour = static_cast<std::uint8_t>(w.hour);
        m_minute = static_cast<std::uint8_t>(w.minute);
        m_second = static_cast<std::uint8_t>(w.second);
        m_milliSecond = static_cast<std::uint16_t>(w.milli);
        m_microSecond = static_cast<std::uint16_t>(w.micro);
        m_nanoSecond = static_cast<std::uint16_t>(w.nano);
    }
}

}  // namespace QbXmlLib5
