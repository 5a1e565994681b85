#include "types/CConversions.h"

#include <cinttypes>
#include <cstdio>

#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

// Prints one double with a caller's format, at whatever length it needs.
std::string FormatDouble(const char* format, double value) {
    char small[32];
    const int n = std::snprintf(small, sizeof small, format, value);
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(&text[0], text.size(), format, value);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

}  // namespace

std::string CConversions::i1ToString(char value) {
    return FormatString("%d", static_cast<int>(static_cast<signed char>(value)));
}

std::string CConversions::i2ToString(std::int16_t value) { return FormatString("%d", value); }

std::string CConversions::i4ToString(std::int32_t value) {
    return FormatString("%" PRId32, value);
}

std::string CConversions::i8ToString(std::int64_t value) {
    return FormatString("%" PRId64, value);
}

std::string CConversions::ui1ToString(std::uint8_t value) { return FormatString("%u", value); }

std::string CConversions::ui2ToString(std::uint16_t value) { return FormatString("%u", value); }

std::string CConversions::ui4ToString(std::uint32_t value) {
    return FormatString("%" PRIu32, value);
}

std::string CConversions::ui8ToString(std::uint64_t value) {
    return FormatString("%" PRIu64, value);
}

std::string CConversions::r4ToString(float value, const char* format) {
    return FormatDouble(format ? format : "%.7g", static_cast<double>(value));
}

std::string CConversions::r8ToString(double value, const char* format) {
    return FormatDouble(format ? format : "%.16g", value);
}

std::string CConversions::yearToString(std::uint16_t value) { return FormatString("%u", value); }

std::string CConversions::monthToString(std::uint8_t value) {
    return FormatString("--%02u", value);
}

std::string CConversions::dayToString(std::uint8_t value) {
    return FormatString("---%02u", value);
}

std::string CConversions::charToString(char value) {
    return value == '\0' ? std::string() : std::string(1, value);
}

std::string CConversions::stringToString(const std::string& value) { return value; }

std::string CConversions::booleanToString(bool value) { return value ? "true" : "false"; }

}  // namespace QbXmlLib5
