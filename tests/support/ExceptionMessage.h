// Test support: the message of the CQbException an action throws.
#ifndef QBXMLLIB5_TESTS_SUPPORT_EXCEPTIONMESSAGE_H
#define QBXMLLIB5_TESTS_SUPPORT_EXCEPTIONMESSAGE_H

#include <functional>
#include <string>

#include "core/CQbException.h"

namespace QbTest {

// The exception's own message, or "(no exception)".
inline std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const QbXmlLib5::CQbException& e) {
        return e.GetMessage();
    }
    return "(no exception)";
}

}  // namespace QbTest

#endif  // QBXMLLIB5_TESTS_SUPPORT_EXCEPTIONMESSAGE_H
