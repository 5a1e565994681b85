#include "core/CNamespaceAliasMap.h"

#include <iterator>

#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {
std::string Str(const char* s) { return s ? std::string(s) : std::string(); }
}  // namespace

void CNamespaceAliasMap::Add(const char* alias, const char* namespaceUri) {
    m_map[Str(namespaceUri)] = Str(alias);
}

void CNamespaceAliasMap::RemoveNamespace(const char* namespaceUri) {
    m_map.erase(Str(namespaceUri));
}

std::string CNamespaceAliasMap::GetNamespaceFromAlias(const char* alias) const {
    const std::string wanted = Str(alias);
    for (const auto& entry : m_map) {
        if (entry.second == wanted) return entry.first;
    }
    throw CQbException(FormatString("Namespace alias [%s] not found", wanted.c_str()));
}

std::string CNamespaceAliasMap::GetAliasFromNamespace(const char* namespaceUri) {
    return m_map[Str(namespaceUri)];
}

bool CNamespaceAliasMap::DoesNamespaceExist(const char* namespaceUri) const {
    return m_map.count(Str(namespaceUri)) != 0;
}

bool CNamespaceAliasMap::DoesAliasExist(const char* alias) const {
    const std::string wanted = Str(alias);
    for (const auto& entry : m_map) {
        if (entry.second == wanted) return true;
    }
    return false;
}

int CNamespaceAliasMap::GetNamespaceCount() const { return static_cast<int>(m_map.size()); }

std::string CNamespaceAliasMap::GetNamespaceAt(int index) const {
    if (index < 0 || index >= GetNamespaceCount()) {
        throw CQbInvalidParamException(FormatString(
            "Index %d is out of range, use 0 - %d", index, GetNamespaceCount() - 1));
    }
    return std::next(m_map.begin(), index)->first;
}

}  // namespace QbXmlLib5
