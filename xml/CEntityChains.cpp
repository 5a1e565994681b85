#include "xml/CEntityChains.h"

#include <algorithm>
#include <utility>

namespace QbXmlLib5 {

namespace {

// Whether `c` ends a name in a reference: the references of well-formed
// text end with ';', and anything else that stops a name ends the scan.
bool EndsName(char c) {
    return c == ';' || c == '&' || c == '%' || c == '<' || c == '"' || c == '\'' || c == ' ' ||
           c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

void CEntityChains::Declare(const char* name, bool parameter, const char* value,
                            std::size_t length) {
    std::string key = parameter ? "%" : "";
    key += name;
    if (m_references.count(key)) return;
    std::vector<std::string>& references = m_references[key];
    for (std::size_t i = 0; i < length; ++i) {
        const char kind = value[i];
        // Character references (&#...;) name no entity.
        if ((kind != '&' && kind != '%') || i + 1 >= length || value[i + 1] == '#') continue;
        std::size_t end = i + 1;
        while (end < length && !EndsName(value[end])) ++end;
        if (end < length && value[end] == ';' && end > i + 1) {
            references.push_back((kind == '%' ? "%" : "") +
                                 std::string(value + i + 1, end - i - 1));
            i = end;
        }
    }
}

int CEntityChains::LongestChain() const {
    // Depth-first, without recursion: the chains are what may be too deep.
    enum : int { kInProgress = -1 };
    std::unordered_map<const std::string*, int> depth;
    int longest = 0;
    for (const auto& entity : m_references) {
        if (depth.count(&entity.first)) continue;
        // (entity, index of the next reference to visit)
        std::vector<std::pair<const std::string*, std::size_t>> path{{&entity.first, 0}};
        depth[&entity.first] = kInProgress;
        while (!path.empty()) {
            auto& [name, next] = path.back();
            const std::vector<std::string>& references = m_references.at(*name);
            if (next < references.size()) {
                const auto target = m_references.find(references[next++]);
                if (target == m_references.end() || depth.count(&target->first)) continue;
                depth[&target->first] = kInProgress;
                path.emplace_back(&target->first, 0);
                continue;
            }
            int deepest = 0;
            for (const std::string& reference : references) {
                const auto target = m_references.find(reference);
                if (target == m_references.end()) continue;
                deepest = std::max(deepest, depth[&target->first]);  // a cycle gives -1
            }
            depth[name] = deepest + 1;
            longest = std::max(longest, deepest + 1);
            path.pop_back();
        }
    }
    return longest;
}

}  // namespace QbXmlLib5
