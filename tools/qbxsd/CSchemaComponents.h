// The schema components of a schema set, as XML Schema defines them:
// element and attribute declarations, complex and simple type definitions,
// model groups, particles, wildcards and attribute uses, with every QName
// reference resolved to the component it names. Components point at each
// other freely (content may hold its own type, a group may hold itself); the
// set owns them all. Each keeps the schema element it comes from, for
// messages.
#ifndef QBXSD_CSCHEMACOMPONENTS_H
#define QBXSD_CSCHEMACOMPONENTS_H

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "CSchemaSet.h"

namespace Qbxsd {

struct ComplexTypeDef;
struct SimpleTypeDef;
struct ElementDecl;
struct ModelGroup;
struct ModelGroupDef;

struct Component {
    Node node;        // the schema element it is declared by; empty for built-ins
    std::string doc;  // its xs:documentation
    // The target namespace of the schema document it stands in.
    const std::string& SchemaNamespace() const;
};

// A value constraint: the default or fixed value of a declaration or use.
struct ValueConstraint {
    bool hasDefault = false, hasFixed = false;
    std::string defaultValue, fixedValue;
};

struct TypeDef : Component {
    QName name;  // local name empty: anonymous
    bool builtin = false;
    bool complex = false;

    bool Anonymous() const { return name.second.empty(); }
    const ComplexTypeDef* AsComplex() const;
    const SimpleTypeDef* AsSimple() const;
};

struct Facet {
    std::string kind, value;
    Node node;
};

// The facets of a restriction (node: the xs:restriction).
struct FacetSet : Component {
    std::vector<Facet> facets;
};

struct SimpleTypeDef : TypeDef {
    enum Variety { Atomic, List, Union };
    enum Method { Restriction, ListOf, UnionOf };
    Variety variety = Atomic;
    Method method = Restriction;
    const SimpleTypeDef* base = nullptr;  // of a restriction (named or inline)
    FacetSet facets;                      // of a restriction
    const SimpleTypeDef* itemType = nullptr;
    std::string itemTypeName;                       // as written; empty for an inline item type
    std::vector<const SimpleTypeDef*> memberTypes;  // named ones, then inline ones
    std::string memberTypeNames;                    // as written
};

struct Wildcard : Component {
    enum Kind { Any, Other, Enumerated };
    Kind kind = Any;
    std::string namespaceText = "##any";  // the namespace attribute as written
    // Enumerated: the namespaces allowed ("" for no namespace); Other: the
    // one excluded beside no namespace.
    std::vector<std::string> namespaces;
    std::string processContents = "strict";

    bool Allows(const std::string& ns) const;
};

struct Particle : Component {
    int minOccurs = 1, maxOccurs = 1;  // maxOccurs -1: unbounded
    // The term: exactly one is set.
    const ElementDecl* element = nullptr;
    const ModelGroup* group = nullptr;
    const Wildcard* wildcard = nullptr;
    bool reference = false;                   // an element ref= (to a global declaration)
    const ModelGroupDef* groupDef = nullptr;  // the named group a group ref= names

    bool Emptiable() const;
};

struct ModelGroup : Component {
    enum Compositor { Sequence, Choice, All };
    Compositor compositor = Sequence;
    std::vector<const Particle*> particles;

    bool Emptiable() const;
    // "sequence", "choice" or "all".
    const char* CompositorName() const;
};

struct ModelGroupDef : Component {
    QName name;
    const ModelGroup* group = nullptr;
};

struct ElementDecl : Component {
    QName name;  // namespace empty when unqualified
    bool global = false;
    bool abstract = false, nillable = false;
    const TypeDef* type = nullptr;  // anyType when none is given or inherited
    bool typeFromHead = false;      // the type is its substitution group head's
    ValueConstraint value;
    std::string block, final;
    std::vector<const ElementDecl*> substitutionHeads;    // as declared
    std::vector<const ElementDecl*> substitutionMembers;  // direct members, by name
    std::vector<Node> identityConstraints;                // xs:key, xs:keyref, xs:unique
};

struct AttributeDecl : Component {
    QName name;
    bool global = false;
    const SimpleTypeDef* type = nullptr;  // anySimpleType when none is given
    ValueConstraint value;
};

// An attribute use, or the attribute wildcard where it stands among them.
struct AttributeUse : Component {
    const AttributeDecl* decl = nullptr;
    const Wildcard* wildcard = nullptr;
    bool required = false, prohibited = false;
    bool reference = false;  // ref= to a global declaration
    ValueConstraint value;   // the use's own
};

struct AttributeGroupDef : Component {
    QName name;
    std::vector<AttributeUse> uses;  // groups it refers to expanded
};

struct ComplexTypeDef : TypeDef {
    ComplexTypeDef() { complex = true; }
    enum Model { Implicit, ComplexContent, SimpleContent };
    enum Derivation { Extension, Restriction };
    enum Content { Empty, Simple, ElementOnly, Mixed };
    Model model = Implicit;
    Derivation derivation = Restriction;
    Content content = Empty;
    bool abstract = false;
    bool mixed = false;
    std::string block, final;
    const TypeDef* base = nullptr;                // anyType for an implicit restriction
    Node derivationNode;                          // the xs:extension or xs:restriction
    const Particle* particle = nullptr;           // the content this definition states
    std::vector<AttributeUse> attributes;         // in order, attribute groups expanded
    const Wildcard* attributeWildcard = nullptr;  // the first one stated, or null
    // A simple-content restriction: its inline simple type and its facets.
    const SimpleTypeDef* textType = nullptr;
    FacetSet textFacets;
};

class CSchemaComponents {
public:
    const std::map<QName, const ElementDecl*>& Elements() const { return m_elements; }
    const std::map<QName, const AttributeDecl*>& Attributes() const { return m_attributes; }
    const std::map<QName, const ComplexTypeDef*>& ComplexTypes() const { return m_complexTypes; }
    const std::map<QName, const SimpleTypeDef*>& SimpleTypes() const { return m_simpleTypes; }
    const std::map<QName, const ModelGroupDef*>& Groups() const { return m_groups; }
    const std::map<QName, const AttributeGroupDef*>& AttributeGroups() const {
        return m_attributeGroups;
    }
    // A global component by name, or null.
    const ElementDecl* Element(const QName& name) const { return Find(m_elements, name); }
    const ComplexTypeDef* ComplexType(const QName& name) const {
        return Find(m_complexTypes, name);
    }
    const SimpleTypeDef* SimpleType(const QName& name) const { return Find(m_simpleTypes, name); }
    const AttributeDecl* Attribute(const QName& name) const { return Find(m_attributes, name); }
    const ModelGroupDef* Group(const QName& name) const { return Find(m_groups, name); }
    const AttributeGroupDef* AttributeGroup(const QName& name) const {
        return Find(m_attributeGroups, name);
    }

private:
    friend class CComponentBuilder;
    template <typename T>
    static const T* Find(const std::map<QName, const T*>& table, const QName& name) {
        const auto found = table.find(name);
        return found == table.end() ? nullptr : found->second;
    }

    std::map<QName, const ElementDecl*> m_elements;
    std::map<QName, const AttributeDecl*> m_attributes;
    std::map<QName, const ComplexTypeDef*> m_complexTypes;
    std::map<QName, const SimpleTypeDef*> m_simpleTypes;
    std::map<QName, const ModelGroupDef*> m_groups;
    std::map<QName, const AttributeGroupDef*> m_attributeGroups;
    // Storage: deques keep addresses as they grow.
    std::deque<ElementDecl> m_elementStore;
    std::deque<AttributeDecl> m_attributeStore;
    std::deque<ComplexTypeDef> m_complexStore;
    std::deque<SimpleTypeDef> m_simpleStore;
    std::deque<ModelGroupDef> m_groupDefStore;
    std::deque<ModelGroup> m_modelGroupStore;
    std::deque<AttributeGroupDef> m_attributeGroupStore;
    std::deque<Wildcard> m_wildcardStore;
    std::deque<Particle> m_particleStore;
};

}  // namespace Qbxsd

#endif  // QBXSD_CSCHEMACOMPONENTS_H
