// The CConversions functions of the structured kinds: thin bridges to the
// value classes, which report bad text themselves.
#include <cstdlib>

#include "core/CQbException.h"
#include "types/CConversions.h"

namespace QbXmlLib5 {

namespace {

// A value after its whitespace rule, copied only when the rule changes it.
class Processed {
public:
    Processed(const std::string& value, CWhitespaceUtils::WhitespaceRule rule)
        : m_text(&CWhitespaceUtils::ApplyRule(rule, value, m_scratch)) {}
    Processed(const Processed&) = delete;
    Processed& operator=(const Processed&) = delete;
    const char* c_str() const { return m_text->c_str(); }
    operator const std::string&() const { return *m_text; }

private:
    std::string m_scratch;  // declared first: m_text may point to it
    const std::string* m_text;
};

CDateTime ParseDate(const std::string& value, CWhitespaceUtils::WhitespaceRule rule) {
    CDateTime result;
    result.ParseXSDDate(Processed(value, rule).c_str());
    return result;
}

bool IsBase64Digit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

// Copies the base64 text without its whitespace to `out`; false when it is
// not whole groups of four alphabet characters with at most two '=' at the
// end. Decoding anything looser would turn a damaged value into other bytes.
bool StripBase64(const std::string& text, std::string& out) {
    std::size_t padding = 0;
    for (const char c : text) {
        if (CWhitespaceUtils::IsWhiteSpace(c)) continue;
        if (c == '=') {
            ++padding;
        } else if (!IsBase64Digit(c) || padding > 0) {
            return false;
        }
        out += c;
    }
    return padding <= 2 && out.size() % 4 == 0;
}

}  // namespace

// --- to text ---------------------------------------------------------------

std::string CConversions::hexBinaryToString(const CBinaryData& value) {
    return value.GetAsHexString();
}

std::string CConversions::base64BinaryToString(const CBinaryData& value) {
    return value.GetAsBase64();
}

std::string CConversions::durationToString(const CDateTimeSpan& value) { return value.ToString(); }

std::string CConversions::dateToString(const CDateTime& value) { return value.ToString("s"); }

std::string CConversions::datetimeToString(const CDateTime& value) { return value.ToString("s"); }

std::string CConversions::timeToString(const CDateTime& value) { return value.ToString("s"); }

std::string CConversions::yearMonthToString(const CDateTime& value) { return value.ToString("s"); }

std::string CConversions::monthDayToString(const CDateTime& value) { return value.ToString("s"); }

std::string CConversions::decimalToString(const CDecimal& value, const char* format) {
    return format ? value.ToString(std::atoi(format)) : value.ToString();
}

std::string CConversions::integerToString(const CBigInteger& value) { return value.ToString(); }

// --- from text -------------------------------------------------------------

CBinaryData CConversions::hexBinaryFromString(const std::string& value, WhitespaceRule rule) {
    CBinaryData result;
    result.SetAsHexString(Processed(value, rule).c_str());
    return result;
}

CBinaryData CConversions::base64BinaryFromString(const std::string& value, WhitespaceRule rule) {
    const std::string text = Processed(value, rule);
    std::string digits;
    if (!StripBase64(text, digits)) {
        throw CQbInvalidValueException(
            FormatString("The value [%s] can not be converted to a base64Binary", text.c_str()));
    }
    CBinaryData result;
    result.SetAsBase64(digits.c_str());
    return result;
}

CDateTimeSpan CConversions::durationFromString(const std::string& value, WhitespaceRule rule) {
    CDateTimeSpan result;
    result.ParseXSDDuration(Processed(value, rule).c_str());
    return result;
}

CDateTime CConversions::dateFromString(const std::string& value, WhitespaceRule rule) {
    return ParseDate(value, rule);
}

CDateTime CConversions::yearMonthFromString(const std::string& value, WhitespaceRule rule) {
    return ParseDate(value, rule);
}

CDateTime CConversions::monthDayFromString(const std::string& value, WhitespaceRule rule) {
    return ParseDate(value, rule);
}

CDateTime CConversions::timeFromString(const std::string& value, WhitespaceRule rule) {
    CDateTime result;
    result.ParseXSDTime(Processed(value, rule).c_str());
    return result;
}

CDateTime CConversions::datetimeFromString(const std::string& value, WhitespaceRule rule) {
    CDateTime result(CDateTime::dt_dateTime);
    result.ParseXSDDateTime(Processed(value, rule).c_str());
    return result;
}

std::uint16_t CConversions::yearFromString(const std::string& value, WhitespaceRule rule) {
    // yearToString writes years before 1000 without leading zeros ("12"); read
    // those back too, although a gYear proper has four digits.
    const std::string text = Processed(value, rule);
    if (!text.empty() && text.size() < 4 &&
        text.find_first_not_of("0123456789") == std::string::npos && text != "0" &&
        text.find_first_not_of('0') != std::string::npos) {
        return static_cast<std::uint16_t>(std::strtoul(text.c_str(), nullptr, 10));
    }
    const std::int16_t year = ParseDate(value, rule).GetYear();
    // The kind is unsigned: a year before 1 would come back as another year.
    if (year < 1) {
        throw CQbInvalidValueException(FormatString("The value [%s] can not be converted to a year",
                                                    Processed(value, rule).c_str()));
    }
    return static_cast<std::uint16_t>(year);
}

std::uint8_t CConversions::monthFromString(const std::string& value, WhitespaceRule rule) {
    return ParseDate(value, rule).GetMonth();
}

std::uint8_t CConversions::dayFromString(const std::string& value, WhitespaceRule rule) {
    return ParseDate(value, rule).GetDay();
}

CDecimal CConversions::decimalFromString(const std::string& value, WhitespaceRule rule) {
    return CDecimal(Processed(value, rule).c_str());
}

CBigInteger CConversions::integerFromString(const std::string& value, WhitespaceRule rule) {
    return CBigInteger(Processed(value, rule).c_str());
}

}  // namespace QbXmlLib5
