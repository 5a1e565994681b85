#include "core/CQbException.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <utility>

#include "core/CCharEncoding.h"

namespace QbXmlLib5 {

CQbException::CQbException() : m_inner(nullptr) {}

CQbException::CQbException(std::string message)
    : m_message(std::move(message)), m_inner(nullptr) {}

CQbException::CQbException(std::string message, const CQbException& inner)
    : m_message(std::move(message)), m_inner(inner.Clone()) {}

CQbException::CQbException(const CQbException& other)
    : m_message(other.m_message),
      m_inner(other.m_inner ? other.m_inner->Clone() : nullptr) {}

CQbException& CQbException::operator=(const CQbException& other) {
    if (this == &other) return *this;
    // Clone first so that a failing clone leaves this object untouched, and
    // so that assigning an exception from its own chain stays safe.
    CQbException* inner = other.m_inner ? other.m_inner->Clone() : nullptr;
    m_message = other.m_message;
    delete m_inner;
    m_inner = inner;
    return *this;
}

CQbException::~CQbException() {
    // Chains are short (one link per object level), so recursion is fine.
    delete m_inner;
}

std::string CQbException::GetMessage() const { return m_message; }

std::string CQbException::GetFullMessage() const {
    std::string result = m_message;
    for (const CQbException* e = m_inner; e; e = e->m_inner) {
        result += '\n';
        result += e->m_message;
    }
    return result;
}

const CQbException* CQbException::GetInnerException() const { return m_inner; }

CQbException* CQbException::Clone() const { return new CQbException(*this); }

#define QBXMLLIB5_DEFINE_EXCEPTION(Name)                                       \
    Name::~Name() = default;                                                   \
    CQbException* Name::Clone() const { return new Name(*this); }

QBXMLLIB5_DEFINE_EXCEPTION(CQbValidationException)
QBXMLLIB5_DEFINE_EXCEPTION(CQbInvalidValueException)
QBXMLLIB5_DEFINE_EXCEPTION(CQbInvalidNamespaceException)
QBXMLLIB5_DEFINE_EXCEPTION(CQbInvalidStateException)
QBXMLLIB5_DEFINE_EXCEPTION(CQbInvalidParamException)
QBXMLLIB5_DEFINE_EXCEPTION(CQbOverFlowException)

namespace {

// One conversion of a format, taken apart.
struct CConversion {
    std::string flags;
    int width = -1;      // -1: none
    int precision = -1;  // -1: none
    std::string length;  // the standard C modifier this one stands for
    bool wide = false;   // %ls, %S, %lc, %C
    char kind = 0;
};

bool IsFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }

// Reads digits or '*' (an int argument).
int ReadNumber(const char*& p, va_list* args) {
    if (*p == '*') {
        ++p;
        return va_arg(*args, int);
    }
    int value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) value = value < 100000 ? value * 10 + (*p - '0') : value;
    return value;
}

// Parses the conversion after a '%', leaving `p` behind it. Windows code
// writes I64 (64 bits), I32 and I (pointer size): they become ll, none and z.
CConversion ParseConversion(const char*& p, va_list* args) {
    CConversion c;
    for (; IsFlag(*p); ++p) c.flags += *p;
    if (*p == '*' || (*p >= '0' && *p <= '9')) {
        c.width = ReadNumber(p, args);
        if (c.width < 0) {  // a negative '*' width means left-justified
            c.flags += '-';
            c.width = c.width == INT_MIN ? INT_MAX : -c.width;
        }
    }
    if (*p == '.') {
        ++p;
        c.precision = std::max(ReadNumber(p, args), -1);
    }
    static const struct {
        const char* text;
        const char* standard;
    } kLengths[] = {{"I64", "ll"}, {"I32", ""}, {"I", "z"}, {"hh", "hh"}, {"h", "h"},
                    {"ll", "ll"},  {"l", "l"},  {"q", "ll"}, {"L", "L"},  {"j", "j"},
                    {"z", "z"},    {"t", "t"}};
    for (const auto& length : kLengths) {
        const std::size_t n = std::strlen(length.text);
        if (std::strncmp(p, length.text, n) == 0) {
            c.length = length.standard;
            p += n;
            break;
        }
    }
    c.kind = *p ? *p++ : 0;
    c.wide = c.kind == 'S' || c.kind == 'C' || ((c.kind == 's' || c.kind == 'c') && c.length == "l");
    return c;
}

// The conversion as a C format, with width and precision as numbers.
std::string StandardFormat(const CConversion& c) {
    std::string format = "%" + c.flags;
    if (c.width >= 0) format += std::to_string(c.width);
    if (c.precision >= 0) format += "." + std::to_string(c.precision);
    return format + c.length + c.kind;
}

// Formats one argument with the C library.
template <typename T>
void AppendOne(std::string& out, const CConversion& c, T value) {
    const std::string format = StandardFormat(c);
    char small[128];
    const int length = std::snprintf(small, sizeof small, format.c_str(), value);
    if (length < 0) return;
    if (static_cast<std::size_t>(length) < sizeof small) {
        out.append(small, static_cast<std::size_t>(length));
        return;
    }
    std::string big(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(&big[0], big.size(), format.c_str(), value);
    out.append(big, 0, static_cast<std::size_t>(length));
}

// Text already in the local encoding, cut to the precision and padded to the
// width. A wide text is converted by the library itself, so that the result
// does not depend on the process locale; the precision counts bytes and
// never splits a character.
void AppendText(std::string& out, const CConversion& c, const char* text, const wchar_t* wide,
                std::size_t wideCount) {
    std::string value;
    if (!wide) {
        value = text ? text : "(null)";
        if (c.precision >= 0 && value.size() > static_cast<std::size_t>(c.precision)) {
            value.resize(static_cast<std::size_t>(c.precision));
        }
    } else if (c.precision < 0) {
        value = WideToLocal(wide, wideCount);
    } else {
        for (std::size_t i = 0; i < wideCount; ++i) {
            const std::string one = WideToLocal(wide + i, 1);
            if (value.size() + one.size() > static_cast<std::size_t>(c.precision)) break;
            value += one;
        }
    }
    const std::size_t width = c.width > 0 ? static_cast<std::size_t>(c.width) : 0;
    const std::size_t pad = width > value.size() ? width - value.size() : 0;
    const bool left = c.flags.find('-') != std::string::npos;
    if (!left) out.append(pad, ' ');
    out += value;
    if (left) out.append(pad, ' ');
}

template <typename Signed, typename Unsigned>
void AppendInteger(std::string& out, const CConversion& c, va_list* args) {
    if (c.kind == 'd' || c.kind == 'i') {
        AppendOne(out, c, va_arg(*args, Signed));
    } else {
        AppendOne(out, c, va_arg(*args, Unsigned));
    }
}

void AppendIntegerArgument(std::string& out, const CConversion& c, va_list* args) {
    const std::string& l = c.length;
    if (l == "ll") return AppendInteger<long long, unsigned long long>(out, c, args);
    if (l == "l") return AppendInteger<long, unsigned long>(out, c, args);
    if (l == "j") return AppendInteger<std::intmax_t, std::uintmax_t>(out, c, args);
    if (l == "z") return AppendInteger<std::ptrdiff_t, std::size_t>(out, c, args);
    if (l == "t") return AppendInteger<std::ptrdiff_t, std::size_t>(out, c, args);
    AppendInteger<int, unsigned int>(out, c, args);  // h and hh arrive promoted
}

// Returns false for an unknown conversion, which takes no argument.
bool AppendArgument(std::string& out, const CConversion& c, va_list* args) {
    switch (c.kind) {
        case 'd': case 'i': case 'o': case 'u': case 'x': case 'X':
            AppendIntegerArgument(out, c, args);
            break;
        case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
            if (c.length == "L") {
                AppendOne(out, c, va_arg(*args, long double));
            } else {
                AppendOne(out, c, va_arg(*args, double));
            }
            break;
        case 'p':
            AppendOne(out, c, va_arg(*args, void*));
            break;
        case 'n':  // writes nothing: a message has no use for it
            (void)va_arg(*args, void*);
            break;
        case 's': case 'S': {
            const void* text = va_arg(*args, const void*);
            const wchar_t* wide = c.wide ? static_cast<const wchar_t*>(text) : nullptr;
            AppendText(out, c, wide ? nullptr : static_cast<const char*>(text), wide,
                       wide ? std::wcslen(wide) : 0);
            break;
        }
        case 'c': case 'C': {
            if (c.wide) {
                const wchar_t one = static_cast<wchar_t>(va_arg(*args, std::wint_t));
                AppendText(out, c, nullptr, &one, 1);
            } else {
                const char one[2] = {static_cast<char>(va_arg(*args, int)), '\0'};
                AppendText(out, c, one, nullptr, 0);  // a NUL prints nothing
            }
            break;
        }
        default:
            return false;
    }
    return true;
}

}  // namespace

std::string FormatStringV(const char* format, va_list args) {
    std::string out;
    if (!format) return out;
    va_list copy;
    va_copy(copy, args);
    for (const char* p = format; *p;) {
        const char* percent = std::strchr(p, '%');
        if (!percent) {
            out += p;
            break;
        }
        out.append(p, static_cast<std::size_t>(percent - p));
        p = percent + 1;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        // An unknown conversion is copied as it stands.
        if (!AppendArgument(out, ParseConversion(p, &copy), &copy)) out.append(percent, p);
    }
    va_end(copy);
    return out;
}

std::string FormatString(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string result = FormatStringV(format, args);
    va_end(args);
    return result;
}

}  // namespace QbXmlLib5
