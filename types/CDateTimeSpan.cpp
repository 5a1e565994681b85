#include "types/CDateTimeSpan.h"

#include <cstring>

#include "core/CQbException.h"
#include "types/CCalendar.h"
#include "types/CFractionText.h"

namespace QbXmlLib5 {

namespace {

// Where the parser stands: the last component read.
enum ParseState { kAfterP, kYears, kMonths, kDays, kAfterT, kHours, kMinutes, kSeconds };

const char* const kGeneralMessage =
    "Invalid XSD Duration [%s] expected [-]P[nY][nM][nD][T[nH][nM][nS.ff]]";

[[noreturn]] void ThrowSyntax(const char* text) {
    throw CQbInvalidValueException(FormatString(kGeneralMessage, text));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a (possibly empty) run of digits as an unsigned 32-bit value; a run
// beyond 32 bits is a syntax error rather than a silently wrapped number.
std::uint32_t ReadNumber(const char*& p, const char* text) {
    std::uint64_t value = 0;
    for (; IsDigit(*p); ++p) {
        value = value * 10 + static_cast<std::uint64_t>(*p - '0');
        if (value > UINT32_MAX) ThrowSyntax(text);
    }
    return static_cast<std::uint32_t>(value);
}

// Reference points of the duration order (XML Schema Part 2, 3.2.6.2).
const CCalendar::Fields kReferenceDates[4] = {{1696, 9, 1, 0, 0, 0, 0, 0, 0},
                                              {1697, 2, 1, 0, 0, 0, 0, 0, 0},
                                              {1903, 3, 1, 0, 0, 0, 0, 0, 0},
                                              {1903, 7, 1, 0, 0, 0, 0, 0, 0}};

}  // namespace

CDateTimeSpan::CDateTimeSpan() { Clear(); }

CDateTimeSpan::CDateTimeSpan(std::uint32_t hours, std::uint64_t minutes, std::uint64_t seconds) {
    SetDateTimeSpan(0, 0, 0, hours, minutes, seconds, 0, 0, 0);
}

CDateTimeSpan::CDateTimeSpan(std::uint16_t years, std::uint32_t months, std::uint32_t days,
                             std::uint32_t hours, std::uint64_t minutes, std::uint64_t seconds) {
    SetDateTimeSpan(years, months, days, hours, minutes, seconds, 0, 0, 0);
}

CDateTimeSpan::CDateTimeSpan(std::uint16_t years, std::uint32_t months, std::uint32_t days,
                             std::uint32_t hours, std::uint64_t minutes, std::uint64_t seconds,
                             std::uint16_t milliSeconds, std::uint16_t microSeconds,
                             std::uint16_t nanoSeconds) {
    Clear();
    SetDateTimeSpan(years, months, days, hours, minutes, seconds, milliSeconds, microSeconds,
                    nanoSeconds);
}

void CDateTimeSpan::SetDateTimeSpan(std::uint32_t hours, std::uint64_t minutes,
                                    std::uint64_t seconds) {
    SetDateTimeSpan(0, 0, 0, hours, minutes, seconds, 0, 0, 0);
}

void CDateTimeSpan::SetDateTimeSpan(std::uint16_t years, std::uint32_t months, std::uint32_t days,
                                    std::uint32_t hours, std::uint64_t minutes,
                                    std::uint64_t seconds) {
    SetDateTimeSpan(years, months, days, hours, minutes, seconds, 0, 0, 0);
}

void CDateTimeSpan::SetDateTimeSpan(std::uint16_t years, std::uint32_t months, std::uint32_t days,
                                    std::uint32_t hours, std::uint64_t minutes,
                                    std::uint64_t seconds, std::uint16_t milliSeconds,
                                    std::uint16_t microSeconds, std::uint16_t nanoSeconds) {
    CheckFraction(milliSeconds, "Invalid Milli-Second [%d] (0 <= milli <= 999)");
    CheckFraction(microSeconds, "Invalid Micro-Second [%d] (0 <= micro <= 999)");
    CheckFraction(nanoSeconds, "Invalid Nano-Second [%d] (0 <= nano <= 999)");
    m_years = years;
    m_months = months;
    m_days = days;
    m_hours = hours;
    m_minutes = minutes;
    m_seconds = seconds;
    m_milliSeconds = milliSeconds;
    m_microSeconds = microSeconds;
    m_nanoSeconds = nanoSeconds;
    m_negative = false;
}

void CDateTimeSpan::CheckFraction(std::uint16_t value, const char* format) {
    if (value > 999) throw CQbInvalidValueException(FormatString(format, value));
}

void CDateTimeSpan::SetMilliSeconds(std::uint16_t milliSeconds) {
    CheckFraction(milliSeconds, "Invalid Milli-Second [%d] (0 <= milli <= 999)");
    m_milliSeconds = milliSeconds;
}

void CDateTimeSpan::SetMicroSeconds(std::uint16_t microSeconds) {
    CheckFraction(microSeconds, "Invalid Micro-Second [%d] (0 <= micro <= 999)");
    m_microSeconds = microSeconds;
}

void CDateTimeSpan::SetNanoSeconds(std::uint16_t nanoSeconds) {
    CheckFraction(nanoSeconds, "Invalid Nano-Second [%d] (0 <= nano <= 999)");
    m_nanoSeconds = nanoSeconds;
}

CDateTimeSpan CDateTimeSpan::GetAsNegative() const {
    CDateTimeSpan result = *this;
    result.m_negative = true;
    return result;
}

void CDateTimeSpan::Clear() {
    m_years = 0;
    m_months = m_days = m_hours = 0;
    m_minutes = m_seconds = 0;
    m_milliSeconds = m_microSeconds = m_nanoSeconds = 0;
    m_negative = false;
}

void CDateTimeSpan::ParseXSDDuration(const char* text) {
    if (text == nullptr) throw CQbInvalidValueException("Invalid XSD Duration (Null String)");
    if (*text == '\0') throw CQbInvalidValueException("Invalid XSD Duration (Empty String)");
    Clear();
    const char* p = text;
    if (*p == '-') {
        m_negative = true;
        ++p;
    }
    if (*p++ != 'P') ThrowSyntax(text);
    ParseState state = kAfterP;
    while (*p != '\0') {
        const std::uint32_t value = ReadNumber(p, text);
        const char designator = *p++;
        if (designator == 'Y') {
            if (value > UINT16_MAX) ThrowSyntax(text);
            m_years = static_cast<std::uint16_t>(value);
            state = kYears;
        } else if (designator == 'M' && (state == kAfterP || state == kYears)) {
            m_months = value;
            state = kMonths;
        } else if (designator == 'M' && (state == kAfterT || state == kHours)) {
            m_minutes = value;
            state = kMinutes;
        } else if (designator == 'D' && state <= kMonths) {
            m_days = value;
            state = kDays;
        } else if (designator == 'T' && state <= kDays) {
            state = kAfterT;
        } else if (designator == 'H' && state == kAfterT) {
            m_hours = value;
            state = kHours;
        } else if ((designator == 'S' || designator == '.') && state >= kAfterT && state <= kMinutes) {
            m_seconds = value;
            state = kSeconds;
            if (designator == '.') {
                p = CFractionText::Parse(p, m_milliSeconds, m_microSeconds, m_nanoSeconds);
                if (p == nullptr) {
                    throw CQbInvalidValueException(
                        FormatString("Invalid XSD Duration [%s] Fraction part too long", text));
                }
                if (*p++ != 'S') ThrowSyntax(text);
            }
        } else {
            ThrowSyntax(text);  // also a number without designator at the end
        }
    }
    if (state == kAfterP || state == kAfterT) ThrowSyntax(text);
}

std::string CDateTimeSpan::ToString() const {
    std::string out = m_negative ? "-P" : "P";
    if (m_years != 0) out += std::to_string(m_years) + "Y";
    if (m_months != 0) out += std::to_string(m_months) + "M";
    if (m_days != 0) out += std::to_string(m_days) + "D";
    const std::string fraction = CFractionText::Format(m_milliSeconds, m_microSeconds, m_nanoSeconds);
    const bool hasSeconds = m_seconds != 0 || !fraction.empty();
    if (m_hours != 0 || m_minutes != 0 || hasSeconds) {
        out += "T";
        if (m_hours != 0) out += std::to_string(m_hours) + "H";
        if (m_minutes != 0) out += std::to_string(m_minutes) + "M";
        if (hasSeconds) out += std::to_string(m_seconds) + fraction + "S";
    }
    // Nothing but the designator is no valid duration: zero is PT0S.
    if (out.back() == 'P') out += "T0S";
    return out;
}

// On wide fields: any two spans can be added to the reference dates, so a
// span always equals itself.
CDateTime::DTCompareResult CDateTimeSpan::CompareTo(const CDateTimeSpan& other) const {
    int common = 0;
    for (int i = 0; i < 4; ++i) {
        CCalendar::Fields mine = kReferenceDates[i];
        CCalendar::Fields theirs = kReferenceDates[i];
        CCalendar::AddSpan(mine, *this);
        CCalendar::AddSpan(theirs, other);
        const int order = CCalendar::Compare(mine, theirs);
        if (i > 0 && order != common) return CDateTime::Indeterminate;
        common = order;
    }
    return common < 0 ? CDateTime::LessThan : common > 0 ? CDateTime::GreaterThan : CDateTime::Equal;
}

bool CDateTimeSpan::operator==(const CDateTimeSpan& other) const {
    return CompareTo(other) == CDateTime::Equal;
}

bool CDateTimeSpan::operator!=(const CDateTimeSpan& other) const {
    return CompareTo(other) != CDateTime::Equal;
}

bool CDateTimeSpan::operator<(const CDateTimeSpan& other) const {
    return CompareTo(other) == CDateTime::LessThan;
}

bool CDateTimeSpan::operator>(const CDateTimeSpan& other) const {
    return CompareTo(other) == CDateTime::GreaterThan;
}

}  // namespace QbXmlLib5
