// The exception family of QbXmlLib5 and the printf-style message formatter.
//
// Every error of the library is thrown as one of the seven classes below, by
// value, and is meant to be caught by reference. An exception may carry an
// inner exception: a private deep copy (same dynamic class) of the exception
// that caused it, so a chain survives the death of the objects it was built
// from. GetFullMessage() joins the chain, outermost first.
#ifndef QBXMLLIB5_CORE_CQBEXCEPTION_H
#define QBXMLLIB5_CORE_CQBEXCEPTION_H

#include <cstdarg>
#include <string>
#include <utility>

namespace QbXmlLib5 {

class CQbException {
public:
    CQbException();
    explicit CQbException(std::string message);
    CQbException(std::string message, const CQbException& inner);
    CQbException(const CQbException& other);
    CQbException& operator=(const CQbException& other);
    virtual ~CQbException();

    // This exception's own message, without the inner chain.
    std::string GetMessage() const;
    // Own message, then each inner message, joined by single line feeds.
    std::string GetFullMessage() const;
    // Borrowed pointer to the owned inner exception, or null.
    const CQbException* GetInnerException() const;

protected:
    // A heap copy of the same dynamic class (message copied, inner cloned).
    virtual CQbException* Clone() const;

private:
    std::string m_message;
    CQbException* m_inner;
};

// Declares one derived class: same constructors, own dynamic type.
#define QBXMLLIB5_DECLARE_EXCEPTION(Name, Base)                                \
    class Name : public Base {                                                 \
    public:                                                                    \
        Name() = default;                                                      \
        explicit Name(std::string message) : Base(std::move(message)) {}       \
        Name(std::string message, const CQbException& inner)                   \
            : Base(std::move(message), inner) {}                               \
        Name(const Name& other) = default;                                     \
        Name& operator=(const Name& other) = default;                          \
        ~Name() override;                                                      \
                                                                               \
    protected:                                                                 \
        CQbException* Clone() const override;                                  \
    }

QBXMLLIB5_DECLARE_EXCEPTION(CQbValidationException, CQbException);
QBXMLLIB5_DECLARE_EXCEPTION(CQbInvalidValueException, CQbValidationException);
QBXMLLIB5_DECLARE_EXCEPTION(CQbInvalidNamespaceException, CQbValidationException);
QBXMLLIB5_DECLARE_EXCEPTION(CQbInvalidStateException, CQbException);
QBXMLLIB5_DECLARE_EXCEPTION(CQbInvalidParamException, CQbException);
QBXMLLIB5_DECLARE_EXCEPTION(CQbOverFlowException, CQbException);

// printf-style formatting into a string of whatever length the arguments
// need; nothing is ever truncated. A null "%s" argument prints "(null)".
// Wide arguments (%ls, %S, %lc, %C; UTF-32 where wchar_t has 32 bits) are
// converted to the local encoding by the library, whatever the process
// locale. The Windows size prefixes I64, I32 and I are read as ll, none and
// z (compilers' format checks do not know them: prefer the standard forms).
std::string FormatString(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatStringV(const char* format, va_list args);

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_CQBEXCEPTION_H
