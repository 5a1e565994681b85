// CSimpleTypeMapper: the simple types of a schema set as the library holds
// their values: the built-in type, whitespace rule and facets of each,
// enumerations as C++ enums, lists and unions as their text checked by a
// pattern built from their items or members.
#ifndef QBXSD_CSIMPLETYPEMAPPER_H
#define QBXSD_CSIMPLETYPEMAPPER_H

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "CSchemaModel.h"
#include "CSchemaSet.h"

namespace Qbxsd {

class CSimpleTypeMapper {
public:
    // `uniqueName` gives an enumeration a C++ name no class or other
    // enumeration has.
    CSimpleTypeMapper(const CSchemaSet& schemas,
                      std::function<std::string(const std::string&)> uniqueName)
        : m_schemas(schemas), m_uniqueName(std::move(uniqueName)) {}

    // The named simple type `type` (built-in or declared); `at` for messages.
    SimpleInfo Of(const Node& at, const QName& type, const std::string& hint);
    // An anonymous xs:simpleType; `hint` names an enumeration it makes.
    SimpleInfo FromNode(const Node& simpleType, const std::string& hint);
    // Adds the facets among the children of `restriction` to `info`.
    void ApplyFacets(SimpleInfo& info, const Node& restriction, const std::string& hint);

    const std::vector<std::unique_ptr<EnumModel>>& Enums() const { return m_enums; }
    // The built-in type table; null for a name that is none.
    static const BuiltinType* Builtin(const std::string& name);

private:
    // A pattern admitting the lexical forms of the type, "" when any text is.
    static std::string LexicalPattern(const SimpleInfo& info);
    // The pattern of a list's values from its item pattern and item counts.
    static std::string ListPattern(const SimpleInfo& info);

    const CSchemaSet& m_schemas;
    std::function<std::string(const std::string&)> m_uniqueName;
    std::vector<std::unique_ptr<EnumModel>> m_enums;
    std::map<QName, SimpleInfo> m_simpleTypes;
    std::set<QName> m_resolvingSimple;  // simple types being resolved: a cycle is an error
    int m_depth = 0;                    // nesting of anonymous simple types
};

}  // namespace Qbxsd

#endif  // QBXSD_CSIMPLETYPEMAPPER_H
