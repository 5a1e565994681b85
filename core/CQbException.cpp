#include "core/CQbException.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

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

std::string FormatString(const char* format, ...) {
    if (!format) return std::string();
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    // glibc prints "(null)" for a null %s, so measuring and formatting agree.
    char small[256];
    int length = std::vsnprintf(small, sizeof small, format, measure);
    va_end(measure);
    std::string result;
    if (length < 0) {
        va_end(args);
        return result;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        result.assign(small, static_cast<size_t>(length));
    } else {
        result.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&result[0], result.size(), format, args);
        result.resize(static_cast<size_t>(length));
    }
    va_end(args);
    return result;
}

}  // namespace QbXmlLib5
