// CDateTimeSpan: the value type of xs:duration.
//
// A signed span of years, months, days, hours, minutes, seconds and a
// fraction down to nanoseconds. Components are magnitudes kept exactly as
// written (90 minutes stay 90 minutes); the sign belongs to the whole span.
// Durations are only partially ordered: CompareTo may answer Indeterminate
// (P1M against P30D), and then == and < are both false.
#ifndef QBXMLLIB5_TYPES_CDATETIMESPAN_H
#define QBXMLLIB5_TYPES_CDATETIMESPAN_H

#include <cstdint>
#include <string>

#include "types/CDateTime.h"

namespace QbXmlLib5 {

class CDateTimeSpan {
public:
    // All zero, positive.
    CDateTimeSpan();
    CDateTimeSpan(std::uint32_t hours, std::uint64_t minutes, std::uint64_t seconds);
    CDateTimeSpan(std::uint16_t years, std::uint32_t months, std::uint32_t days, std::uint32_t hours,
                  std::uint64_t minutes, std::uint64_t seconds);
    // Throws CQbInvalidValueException when a fraction field exceeds 999.
    CDateTimeSpan(std::uint16_t years, std::uint32_t months, std::uint32_t days, std::uint32_t hours,
                  std::uint64_t minutes, std::uint64_t seconds, std::uint16_t milliSeconds,
                  std::uint16_t microSeconds, std::uint16_t nanoSeconds);
    CDateTimeSpan(const CDateTimeSpan& other) = default;
    CDateTimeSpan& operator=(const CDateTimeSpan& other) = default;

    // Replace every component and make the span positive.
    void SetDateTimeSpan(std::uint32_t hours, std::uint64_t minutes, std::uint64_t seconds);
    void SetDateTimeSpan(std::uint16_t years, std::uint32_t months, std::uint32_t days,
                         std::uint32_t hours, std::uint64_t minutes, std::uint64_t seconds);
    // Throws CQbInvalidValueException (value unchanged) when a fraction field
    // exceeds 999.
    void SetDateTimeSpan(std::uint16_t years, std::uint32_t months, std::uint32_t days,
                         std::uint32_t hours, std::uint64_t minutes, std::uint64_t seconds,
                         std::uint16_t milliSeconds, std::uint16_t microSeconds,
                         std::uint16_t nanoSeconds);

    std::uint16_t GetYears() const { return m_years; }
    std::uint32_t GetMonths() const { return m_months; }
    std::uint32_t GetDays() const { return m_days; }
    std::uint32_t GetHours() const { return m_hours; }
    std::uint64_t GetMinutes() const { return m_minutes; }
    std::uint64_t GetSeconds() const { return m_seconds; }
    std::uint16_t GetMilliSeconds() const { return m_milliSeconds; }
    std::uint16_t GetMicroSeconds() const { return m_microSeconds; }
    std::uint16_t GetNanoSeconds() const { return m_nanoSeconds; }

    void SetYears(std::uint16_t years) { m_years = years; }
    void SetMonths(std::uint32_t months) { m_months = months; }
    void SetDays(std::uint32_t days) { m_days = days; }
    void SetHours(std::uint32_t hours) { m_hours = hours; }
    void SetMinutes(std::uint64_t minutes) { m_minutes = minutes; }
    void SetSeconds(std::uint64_t seconds) { m_seconds = seconds; }
    // The fraction setters take 0..999 and throw CQbInvalidValueException
    // otherwise: a larger group could not be printed without changing the value.
    void SetMilliSeconds(std::uint16_t milliSeconds);
    void SetMicroSeconds(std::uint16_t microSeconds);
    void SetNanoSeconds(std::uint16_t nanoSeconds);

    bool IsNegative() const { return m_negative; }
    // Flips the sign.
    void Negate() { m_negative = !m_negative; }
    // A copy with the sign set to negative, whatever this value's sign.
    CDateTimeSpan GetAsNegative() const;

    // Parses [-]P[nY][nM][nD][T[nH][nM][n[.fffffffff]S]]. Throws
    // CQbInvalidValueException; the value is then partly filled.
    void ParseXSDDuration(const char* text);
    // The lexical form; a span whose components are all zero is PT0S.
    std::string ToString() const;

    // The partial order of durations: both spans are added to four reference
    // date/times and the results compared, on fields wide enough for any
    // span. Never throws.
    CDateTime::DTCompareResult CompareTo(const CDateTimeSpan& other) const;
    bool operator==(const CDateTimeSpan& other) const;
    bool operator!=(const CDateTimeSpan& other) const;
    bool operator<(const CDateTimeSpan& other) const;
    bool operator>(const CDateTimeSpan& other) const;

private:
    void Clear();
    static void CheckFraction(std::uint16_t value, const char* format);

    std::uint16_t m_years;
    std::uint32_t m_months;
    std::uint32_t m_days;
    std::uint32_t m_hours;
    std::uint64_t m_minutes;
    std::uint64_t m_seconds;
    std::uint16_t m_milliSeconds;
    std::uint16_t m_microSeconds;
    std::uint16_t m_nanoSeconds;
    bool m_negative;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_TYPES_CDATETIMESPAN_H
