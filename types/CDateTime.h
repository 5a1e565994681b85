// CDateTime: the value class behind the eight XSD date and time kinds
// (dateTime, date, time, gYear, gYearMonth, gMonth, gMonthDay, gDay).
//
// A value carries its kind, which decides the meaningful fields, the lexical
// form parsed and written, the getters that may be called and how values
// compare. Fields a kind lacks are kept at 0. Values compare by the XSD order
// relation, which is partial: a value with a time zone against one without
// can be Indeterminate, and then == is false and != is true.
//
// Years run from -9999 to 9999 without a year 0: adding a span steps from
// -0001 straight to 0001. Arithmetic results are not validated and may leave
// that range, up to +-32767 (see operator+).
#ifndef QBXMLLIB5_TYPES_CDATETIME_H
#define QBXMLLIB5_TYPES_CDATETIME_H

#include <cstdint>
#include <string>

#include "core/CPlatformTime.h"
#include "types/CCalendar.h"

namespace QbXmlLib5 {

class CDateTimeSpan;

class CDateTime {
public:
    enum DTType : std::int32_t {
        dt_none = 0,
        dt_dateTime = 1,
        dt_date = 2,
        dt_gYearMonth = 3,
        dt_gYear = 4,
        dt_time = 5,
        dt_gDay = 6,
        dt_gMonth = 7,
        dt_gMonthDay = 8
    };
    enum DTCompareResult : std::int32_t { Equal = 0, LessThan = 1, GreaterThan = 2, Indeterminate = 3 };

    // An empty value (kind dt_none).
    CDateTime();
    // Empty fields of the given kind.
    explicit CDateTime(DTType type);
    // ParseXSDDateTime of the text; throws on bad text.
    explicit CDateTime(const char* text);
    // The field and clock constructors never throw for invalid values: an
    // invalid date such as 2005-02-30 gives an empty value instead.
    CDateTime(std::int16_t year, std::uint8_t month, std::uint8_t day);
    CDateTime(std::int16_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
              std::uint8_t minute, std::uint8_t second);
    CDateTime(std::int16_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
              std::uint8_t minute, std::uint8_t second, std::uint16_t milliSecond,
              std::uint16_t microSecond, std::uint16_t nanoSecond);
    // Seconds since 1970-01-01T00:00:00 UTC, as a dateTime without zone.
    explicit CDateTime(const std::int64_t& seconds);
    // A dateTime without zone; the day of week is ignored.
    explicit CDateTime(const SYSTEMTIME& systemTime);
    explicit CDateTime(const FILETIME& fileTime);
    CDateTime(const CDateTime& other) = default;

    // The assignments throw CQbInvalidValueException for values that do not
    // convert; the target is then unchanged.
    CDateTime& operator=(const CDateTime& other) = default;
    CDateTime& operator=(const std::int64_t& seconds);
    CDateTime& operator=(const SYSTEMTIME& systemTime);
    CDateTime& operator=(const FILETIME& fileTime);

    // The current local time with milliseconds, without zone.
    static CDateTime GetTickCount();

    // Setters replace every field (clearing the zone), then validate. They
    // apply to an empty value or one of their own kind only, else throw
    // CQbInvalidStateException. On any failure the value is unchanged.
    void SetDateTime(std::int16_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
                     std::uint8_t minute, std::uint8_t second);
    void SetDateTime(std::int16_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
                     std::uint8_t minute, std::uint8_t second, std::uint16_t milliSecond,
                     std::uint16_t microSecond, std::uint16_t nanoSecond);
    void SetDate(std::int16_t year, std::uint8_t month, std::uint8_t day);
    void SetTime(std::uint8_t hour, std::uint8_t minute, std::uint8_t second);
    void SetTime(std::uint8_t hour, std::uint8_t minute, std::uint8_t second,
                 std::uint16_t milliSecond, std::uint16_t microSecond, std::uint16_t nanoSecond);
    void SetGYear(std::int16_t year);
    void SetGYearMonth(std::int16_t year, std::uint8_t month);
    void SetGMonth(std::uint8_t month);
    void SetGMonthDay(std::uint8_t month, std::uint8_t day);
    void SetGDay(std::uint8_t day);
    // Kind time at 00:00:00 with the given fraction.
    void SetFracTime(std::uint16_t milliSecond, std::uint16_t microSecond, std::uint16_t nanoSecond);

    // Converts `source` into `type` when it holds enough data (see
    // CheckConversion); fields the new kind lacks are dropped, the zone kept.
    // Throws CQbInvalidValueException otherwise.
    void SetDateTime(const CDateTime& source, DTType type);
    // Whether a value of kind `from` can become kind `to`. Throws
    // CQbInvalidValueException for an unknown `from`.
    static bool CheckConversion(DTType from, DTType to);

    // Offset -23..23 hours, 0..59 minutes; the hour carries the sign. An
    // offset parsed as -00:mm keeps its sign although GetZoneHour() is 0.
    void SetTimeZone(std::int16_t hour, std::uint8_t minute);
    // Zone Z.
    void SetUTC();
    // True when the value has zone information (Z or an offset).
    bool IsUTC() const { return m_isUTC; }
    // True when the zone is an explicit offset.
    bool HasTimeZone() const { return m_hasTimeZone; }
    // Both throw CQbInvalidStateException without an explicit offset.
    std::int16_t GetZoneHour() const;
    std::uint8_t GetZoneMinute() const;

    // Field getters throw CQbInvalidStateException when the kind lacks the field.
    std::int16_t GetYear() const;
    std::uint8_t GetMonth() const;
    std::uint8_t GetDay() const;
    std::uint8_t GetHour() const;
    std::uint8_t GetMinute() const;
    std::uint8_t GetSecond() const;
    // Seconds with the fraction.
    double GetRealSecond() const;
    std::uint16_t GetMilliSecond() const;
    std::uint16_t GetMicroSecond() const;
    std::uint16_t GetNanoSecond() const;
    // 1 = Sunday .. 7 = Saturday (dateTime and date only).
    std::uint8_t GetDayOfWeek() const;
    // 1..366 (dateTime and date only).
    std::uint16_t GetDayOfYear() const;

    DTType GetType() const { return m_type; }
    // Seconds since 1970-01-01T00:00:00 UTC of the normalized value; a date
    // counts from midnight, fractions are dropped. dateTime and date only.
    std::int64_t GetTime() const;
    // dateTime only, years from 1; wDayOfWeek 0 = Sunday.
    SYSTEMTIME GetAsSystemTime() const;

    // Parsers clear the value first and validate at the end. They throw
    // CQbInvalidValueException, leaving a partly filled value.
    void ParseXSDDateTime(const char* text);
    void ParseXSDDate(const char* text);
    void ParseXSDTime(const char* text);
    // Checks every field against the kind; throws CQbInvalidValueException.
    void Validate() const;

    // ToString("s").
    std::string ToString() const;
    // "s" gives the XSD lexical form; null or "G" the empty string; other
    // formats "Unknown Format: <format>". An empty value gives
    // "Invalid Year Zero".
    std::string ToString(const char* format) const;
    // The type name of a kind ("dateTime", ...), empty for unknown kinds.
    static std::string GetTypeAsString(DTType type);
    std::string GetTypeAsString() const;

    DTCompareResult CompareTo(const CDateTime& other) const;
    bool operator==(const CDateTime& other) const { return CompareTo(other) == Equal; }
    bool operator!=(const CDateTime& other) const { return CompareTo(other) != Equal; }
    bool operator<(const CDateTime& other) const { return CompareTo(other) == LessThan; }
    bool operator<=(const CDateTime& other) const;
    bool operator>(const CDateTime& other) const { return CompareTo(other) == GreaterThan; }
    bool operator>=(const CDateTime& other) const;

    // Span arithmetic (XML Schema Part 2, Appendix E, the day clamped to the
    // new month's length). Never throws. Kinds without a year (time, gDay,
    // gMonth, gMonthDay) have no limit: they are computed on a stand-in date
    // whose year may grow freely. A kind with a year whose result would leave
    // -32767..32767 saturates at the first or last instant of that range
    // (-32767-01-01T00:00:00 or 32767-12-31T23:59:59.999999999, cut to the
    // kind's fields), so a sum never runs backwards.
    CDateTime operator+(const CDateTimeSpan& span) const;
    CDateTime& operator+=(const CDateTimeSpan& span);
    CDateTime operator-(const CDateTimeSpan& span) const;
    CDateTime& operator-=(const CDateTimeSpan& span);
    void AddDateTimeSpan(const CDateTimeSpan& span);
    // Always an empty span.
    CDateTimeSpan operator-(const CDateTime& other) const;
    // A copy shifted to UTC when it has an explicit offset (the copy then has
    // offset +00:00); other values are returned unchanged.
    CDateTime GetNormalized() const;

private:
    void Clear();
    void BeginSet(DTType type) const;
    // The common body of the setters: all fields replaced, zone cleared.
    void SetFields(DTType type, std::int16_t year, std::uint8_t month, std::uint8_t day,
                   std::uint8_t hour, std::uint8_t minute, std::uint8_t second,
                   std::uint16_t milliSecond, std::uint16_t microSecond, std::uint16_t nanoSecond);
    void ParseDateSteps(const char* text);
    void ParseTimeSteps(const char* text);
    void ParseZone(const std::string& zone);
    void ValidateDate() const;
    void ValidateTime() const;
    // The signed offset in minutes (0 without an explicit offset).
    int ZoneOffsetMinutes() const;
    // All fields, wide; a kind's missing date fields read as 2000-01-01.
    CCalendar::Fields GetWideFields() const;
    // The wide fields shifted to UTC as if the offset were `offsetMinutes`.
    CCalendar::Fields GetUtcFields(int offsetMinutes) const;
    static DTCompareResult CompareFields(DTType typeA, const CCalendar::Fields& a, DTType typeB,
                                         const CCalendar::Fields& b);
    DTCompareResult CompareMixedZones(const CDateTime& other) const;
    void AssignClockFields(std::int64_t year, int month, int day, int hour, int minute, int second,
                           int milliSecond);

    DTType m_type;
    std::int16_t m_year;
    std::uint8_t m_month;
    std::uint8_t m_day;
    std::uint8_t m_hour;
    std::uint8_t m_minute;
    std::uint8_t m_second;
    std::uint16_t m_milliSecond;
    std::uint16_t m_microSecond;
    std::uint16_t m_nanoSecond;
    bool m_isUTC;
    bool m_hasTimeZone;
    std::int16_t m_zoneHour;
    std::uint8_t m_zoneMinute;
    // West of UTC; kept apart from the hour so that -00:30 keeps its sign.
    bool m_zoneNegative;
};

}  // namespace QbXmlLib5

// CDateTimeSpan needs the complete CDateTime (its comparison result type);
// including it here lets either header be included first.
#include "types/CDateTimeSpan.h"

#endif  // QBXMLLIB5_TYPES_CDATETIME_H
