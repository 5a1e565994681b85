// Helpers of the schema compiler's stages: identifiers from XML names,
// regular-expression escapes, counts read from schema attributes and the
// bound on a schema's nesting.
#ifndef QBXSD_SCHEMAUTIL_H
#define QBXSD_SCHEMAUTIL_H

#include <cctype>
#include <cstring>
#include <string>

#include "CSchemaSet.h"

namespace Qbxsd {

// "purchase-order" -> "Purchase_order": a C++ identifier, first letter upper.
inline std::string Pascal(const std::string& name) {
    // Letters, digits and single underscores: "__" anywhere and "_X" at the
    // start are reserved in C++.
    std::string out;
    for (char c : name) {
        const bool ok = std::isalnum(static_cast<unsigned char>(c)) != 0;
        if (ok) {
            out += c;
        } else if (!out.empty() && out.back() != '_') {
            out += '_';
        }
    }
    if (out.empty() || std::isdigit(static_cast<unsigned char>(out[0]))) out = "X" + out;
    out[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[0])));
    return out;
}

inline std::string EscapeRegex(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::strchr("\\|.-^?*+{}()[]$", c)) out += '\\';
        out += c;
    }
    return out;
}

inline int ToInt(const Node& at, const std::string& text) {
    try {
        std::size_t used = 0;
        const long value = std::stol(text, &used);
        if (used == text.size() && value >= 0 && value <= 0x7fffffff)
            return static_cast<int>(value);
    } catch (const std::exception&) {
    }
    CSchemaSet::Fail(at, "[" + text + "] is not a count this compiler supports");
}

// Bounds the recursion over a schema's nesting, which a hostile or broken
// schema could make as deep as it likes.
class CDepthGuard {
public:
    CDepthGuard(int& depth, const Node& at) : m_depth(depth) {
        if (++m_depth > kMaxDepth) {
            --m_depth;
            CSchemaSet::Fail(at, "model groups and anonymous types nest more than " +
                                     std::to_string(kMaxDepth) +
                                     " levels deep (or a group contains itself)");
        }
    }
    ~CDepthGuard() { --m_depth; }
    CDepthGuard(const CDepthGuard&) = delete;
    CDepthGuard& operator=(const CDepthGuard&) = delete;

private:
    static constexpr int kMaxDepth = 1000;
    int& m_depth;
};

}  // namespace Qbxsd

#endif  // QBXSD_SCHEMAUTIL_H
