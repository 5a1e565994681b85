// CNamespaceAliasMap: namespace URI -> prefix table of a serialization
// context, ordered by byte-wise comparison of the URIs, so prefixes are
// declared on the root element in that order.
#ifndef QBXMLLIB5_CORE_CNAMESPACEALIASMAP_H
#define QBXMLLIB5_CORE_CNAMESPACEALIASMAP_H

#include <map>
#include <string>

namespace QbXmlLib5 {

class CNamespaceAliasMap {
public:
    CNamespaceAliasMap() = default;
    CNamespaceAliasMap(const CNamespaceAliasMap&) = default;
    CNamespaceAliasMap& operator=(const CNamespaceAliasMap&) = default;
    ~CNamespaceAliasMap() = default;

    // Sets the alias of namespaceUri, replacing any alias it had.
    void Add(const char* alias, const char* namespaceUri);
    void RemoveNamespace(const char* namespaceUri);

    // URI of the first entry (in URI order) whose alias is `alias`; throws
    // CQbException "Namespace alias [...] not found" when there is none.
    std::string GetNamespaceFromAlias(const char* alias) const;
    // Alias of namespaceUri. An unknown URI is added with an empty alias.
    std::string GetAliasFromNamespace(const char* namespaceUri);

    bool DoesNamespaceExist(const char* namespaceUri) const;
    bool DoesAliasExist(const char* alias) const;
    int GetNamespaceCount() const;
    // URI at position index (0 .. count-1) in URI order; throws
    // CQbInvalidParamException outside that range.
    std::string GetNamespaceAt(int index) const;

private:
    std::map<std::string, std::string> m_map;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_CNAMESPACEALIASMAP_H
