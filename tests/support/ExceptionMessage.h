// Test support: checking the exceptions an action throws.
#ifndef QBXMLLIB5_TESTS_SUPPORT_EXCEPTIONMESSAGE_H
#define QBXMLLIB5_TESTS_SUPPORT_EXCEPTIONMESSAGE_H

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>
#include <typeinfo>

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

// The exception's message with those of its inner exceptions, one a line,
// or "(no exception)".
inline std::string FullMessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const QbXmlLib5::CQbException& e) {
        return e.GetFullMessage();
    }
    return "(no exception)";
}

// Expects `action` to throw an E (exactly E when `exactType`) whose own
// message is `message`.
template <typename E>
void ExpectThrow(const std::function<void()>& action, const std::string& message,
                 bool exactType = false) {
    try {
        action();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const QbXmlLib5::CQbException& e) {
        if constexpr (!std::is_same_v<E, QbXmlLib5::CQbException>) {
            if (!dynamic_cast<const E*>(&e)) {
                ADD_FAILURE() << "wrong exception type for: " << e.GetMessage();
                return;
            }
        }
        EXPECT_EQ(e.GetMessage(), message);
        if (exactType) {
            EXPECT_EQ(typeid(e), typeid(E)) << message;
        }
    }
}

}  // namespace QbTest

#endif  // QBXMLLIB5_TESTS_SUPPORT_EXCEPTIONMESSAGE_H
