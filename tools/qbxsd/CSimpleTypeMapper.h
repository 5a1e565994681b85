// CSimpleTypeMapper: the simple types of a schema set as the library holds
// their values: the built-in type, whitespace rule and facets of each,
// enumerations as C++ enums, lists and unions as their text checked by a
// pattern built from their items or members.
#ifndef QBXSD_CSIMPLETYPEMAPPER_H
#define QBXSD_CSIMPLETYPEMAPPER_H

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CSchemaComponents.h"
#include "CSchemaModel.h"

namespace Qbxsd {

class CSimpleTypeMapper {
public:
    // `uniqueName` gives an enumeration a C++ name no class or other
    // enumeration has.
    explicit CSimpleTypeMapper(std::function<std::string(const std::string&)> uniqueName)
        : m_uniqueName(std::move(uniqueName)) {}

    // A simple type: built-in, named (mapped once) or anonymous (mapped at
    // each use; `hint` names an enumeration it makes).
    SimpleInfo Of(const SimpleTypeDef* type, const std::string& hint);
    // Adds the facets of a restriction to `info`.
    void ApplyFacets(SimpleInfo& info, const FacetSet& facets, const std::string& hint);

    const std::vector<std::unique_ptr<EnumModel>>& Enums() const { return m_enums; }
    // The built-in type table; null for a name that is none.
    static const BuiltinType* Builtin(const std::string& name);

private:
    SimpleInfo FromDefinition(const SimpleTypeDef& type, const std::string& hint);
    const EnumModel* MakeEnum(const SimpleInfo& info, const FacetSet& facets,
                              const std::vector<std::string>& values, const std::string& hint);
    // A pattern admitting the lexical forms of the type, "" when any text is.
    static std::string LexicalPattern(const SimpleInfo& info);
    // The pattern of a list's values from its item pattern and item counts.
    static std::string ListPattern(const SimpleInfo& info);

    std::function<std::string(const std::string&)> m_uniqueName;
    std::vector<std::unique_ptr<EnumModel>> m_enums;
    std::map<const SimpleTypeDef*, SimpleInfo> m_named;
    int m_depth = 0;  // nesting of simple types
};

}  // namespace Qbxsd

#endif  // QBXSD_CSIMPLETYPEMAPPER_H
