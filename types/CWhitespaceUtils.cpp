#include "types/CWhitespaceUtils.h"

#include <algorithm>
#include <iterator>

#include "core/CQbException.h"

namespace QbXmlLib5 {

std::string CWhitespaceUtils::ApplyRule(WhitespaceRule rule, const std::string& value) {
    switch (rule) {
        case WhitespaceRule_Preserve:
            return Preserve(value);
        case WhitespaceRule_Replace:
            return Replace(value);
        case WhitespaceRule_Collapse:
            return Collapse(value);
    }
    throw CQbException("Unknown WhitespaceRule");
}

namespace {

bool IsSpaceChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool Unchanged(CWhitespaceUtils::WhitespaceRule rule, const std::string& value) {
    switch (rule) {
        case CWhitespaceUtils::WhitespaceRule_Preserve:
            return value.find('\r') == std::string::npos;
        case CWhitespaceUtils::WhitespaceRule_Replace:
            return value.find_first_of("\r\t\n") == std::string::npos;
        case CWhitespaceUtils::WhitespaceRule_Collapse:
            return std::none_of(value.begin(), value.end(), IsSpaceChar);
    }
    return false;  // an unknown rule: ApplyRule reports it
}

}  // namespace

const std::string& CWhitespaceUtils::ApplyRule(WhitespaceRule rule, const std::string& value,
                                               std::string& scratch) {
    if (Unchanged(rule, value)) return value;
    scratch = ApplyRule(rule, value);
    return scratch;
}

std::string CWhitespaceUtils::Preserve(const std::string& value) {
    if (value.find('\r') == std::string::npos) return value;
    std::string result;
    result.reserve(value.size());
    std::copy_if(value.begin(), value.end(), std::back_inserter(result),
                 [](char c) { return c != '\r'; });
    return result;
}

std::string CWhitespaceUtils::Preserve(const char* buffer, std::ptrdiff_t length) {
    if (!buffer || length <= 0) return std::string();
    return Preserve(std::string(buffer, static_cast<std::size_t>(length)));
}

std::string CWhitespaceUtils::Replace(const std::string& value) {
    std::string result = Preserve(value);
    std::replace_if(
        result.begin(), result.end(), [](char c) { return c == '\t' || c == '\n'; }, ' ');
    return result;
}

std::string CWhitespaceUtils::Collapse(const std::string& value) {
    // Values read from documents rarely hold any whitespace: those are
    // returned as they are, without rebuilding them character by character.
    if (std::none_of(value.begin(), value.end(), IsSpaceChar)) return value;
    std::string result;
    result.reserve(value.size());
    bool pendingSpace = false;
    for (char c : value) {
        if (c == '\r') continue;
        if (IsSpaceChar(c)) {
            pendingSpace = !result.empty();
            continue;
        }
        if (pendingSpace) result += ' ';
        pendingSpace = false;
        result += c;
    }
    return result;
}

bool CWhitespaceUtils::IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace QbXmlLib5
