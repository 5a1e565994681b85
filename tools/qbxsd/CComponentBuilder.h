// CComponentBuilder: the schema components of a schema set. Every QName a
// schema document uses is resolved here, once, in the namespace scope of the
// element that carries it; what names nothing is an error ("file:line:
// message"), as are derivation cycles.
//
// Three passes: an empty component for every global one, so that references
// (cycles included) can point at it; then each global component with the
// anonymous ones inside it; then what needs the whole graph: substitution
// group members, types taken from a substitution group head, derivation
// cycles, varieties and content types.
#ifndef QBXSD_CCOMPONENTBUILDER_H
#define QBXSD_CCOMPONENTBUILDER_H

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "CSchemaComponents.h"
#include "CSchemaSet.h"

namespace Qbxsd {

class CComponentBuilder {
public:
    explicit CComponentBuilder(const CSchemaSet& schemas) : m_schemas(schemas) {}

    // The components of every schema document read; throws CSchemaError.
    std::unique_ptr<CSchemaComponents> Build();

private:
    // A new component declared by `node`, in `store`.
    template <typename T>
    static T& Shell(std::deque<T>& store, const Node& node) {
        T& component = store.emplace_back();
        component.node = node;
        component.doc = node.Documentation();
        return component;
    }
    // An empty component for each global one of a kind, under its name.
    template <typename T>
    static void ShellsOf(const std::map<QName, Node>& globals, std::deque<T>& store,
                         std::map<QName, const T*>& table);

    void MakeShells();
    void FillGlobals();
    void Complete();

    // Declarations.
    void FillElement(ElementDecl& element, const Node& node, bool global);
    const ElementDecl* LocalElement(const Node& node);
    void FillAttribute(AttributeDecl& attribute, const Node& node, bool global);
    AttributeUse MakeUse(const Node& node);
    const AttributeDecl* XmlAttribute(const QName& name);
    // The attribute uses of `container`, attribute groups expanded (each
    // once: `seen`), with the wildcard where it stands.
    void ExpandAttributes(const Node& container, std::set<const void*>& seen,
                          std::vector<AttributeUse>& uses);

    // Types.
    void FillComplexType(ComplexTypeDef& type, const Node& node);
    void FillDerivation(ComplexTypeDef& type, const Node& content);
    void FillSimpleType(SimpleTypeDef& type, const Node& node);
    void FillList(SimpleTypeDef& type, const Node& list);
    void FillUnion(SimpleTypeDef& type, const Node& unionType);
    void FillFacets(FacetSet& facets, const Node& restriction);
    const ComplexTypeDef* AnonymousComplex(const Node& node);
    const SimpleTypeDef* AnonymousSimple(const Node& node);
    const SimpleTypeDef* BuiltinSimple(const std::string& name);
    const ComplexTypeDef* AnyType();
    // The type an element's type= names (anyType, a declared complex type or
    // a simple one), and the simple type a simple type reference names.
    const TypeDef* TypeRef(const Node& at, const QName& name);
    const SimpleTypeDef* SimpleRef(const Node& at, const QName& name);
    // A complex type of the schemas read, not a built-in one.
    bool IsDeclaredComplexType(const QName& name) const;

    // Content.
    const Particle* MakeParticle(const Node& node);
    void FillModelGroup(ModelGroup& group, const Node& compositor);
    const Wildcard* WildcardOf(const Node& node);

    // Completion.
    void TakeHeadType(ElementDecl& element);
    void CheckDerivationCycles() const;
    void CheckSimpleCycles(const SimpleTypeDef* type, std::vector<const SimpleTypeDef*>& stack,
                           std::set<const SimpleTypeDef*>& done);
    static SimpleTypeDef::Variety VarietyOf(const SimpleTypeDef* type);
    static ComplexTypeDef::Content ContentOf(const ComplexTypeDef* type);

    // A global component; Fail with `at` when the name is not declared.
    template <typename T>
    const T* Require(const std::map<QName, const T*>& table, const Node& at, const QName& name,
                     const char* kind) const;

    const CSchemaSet& m_schemas;
    std::unique_ptr<CSchemaComponents> m_out;
    CSchemaComponents* m_set = nullptr;
    std::map<const void*, const ElementDecl*> m_localElements;
    std::map<const void*, const AttributeDecl*> m_localAttributes;
    std::map<const void*, const Wildcard*> m_wildcards;
    std::map<std::string, const SimpleTypeDef*> m_builtins;
    std::map<QName, const AttributeDecl*> m_xmlAttributes;
    std::map<const ModelGroupDef*, ModelGroup*> m_groupContents;
    const ComplexTypeDef* m_anyType = nullptr;
    int m_depth = 0;
};

}  // namespace Qbxsd

#endif  // QBXSD_CCOMPONENTBUILDER_H
