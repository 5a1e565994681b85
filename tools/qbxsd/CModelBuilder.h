// CModelBuilder: turns the schema components of a schema set (every
// reference already resolved, see CComponentBuilder) into the classes and
// enumerations qbxsd writes. Its own messages are about what the classes
// cannot hold; schema nodes serve only to place them.
//
// Mapping, in short:
// - a complex type (named, or anonymous in an element) is a class; a named
//   model group, a nested sequence or choice that is optional or repeated, a
//   choice inside a sequence and a substitution group are classes without an
//   element of their own (model-group classes);
// - extension of a complex type is C++ inheritance (base records first);
//   restriction derives too, with records of its own, so that an instance of
//   the restricted type reads and writes wherever the base is expected;
// - simple types map to the value types of the library; enumerations become
//   C++ enums; lists and unions are held as their text.
#ifndef QBXSD_CMODELBUILDER_H
#define QBXSD_CMODELBUILDER_H

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "CSchemaComponents.h"
#include "CSchemaModel.h"
#include "CSimpleTypeMapper.h"
#include "SchemaUtil.h"

namespace Qbxsd {

// A global element a document may start with.
struct RootElement {
    QName name;
    ClassModel* cls;
    // A class of its own when the element's namespace is not its type's: it
    // writes the document element in the element's namespace.
    std::string wrapper;
};

class CModelBuilder {
public:
    explicit CModelBuilder(const CSchemaComponents& components)
        : m_components(components),
          m_simple([this](const std::string& name) { return UniqueClassName(name); }) {}

    // Builds every named complex type and every global element.
    void BuildAll();

    const std::vector<std::unique_ptr<ClassModel>>& Classes() const { return m_classes; }
    const std::vector<std::unique_ptr<EnumModel>>& Enums() const { return m_simple.Enums(); }
    const std::vector<RootElement>& Roots() const { return m_roots; }
    // The global elements of simple type and the global attributes.
    const std::vector<Member>& SimpleGlobals() const { return m_simpleGlobals; }
    // The built-in type table, for the code writer.
    static const BuiltinType* Builtin(const std::string& name) {
        return CSimpleTypeMapper::Builtin(name);
    }
    // Whether the content of `cls` (its own members) can match nothing.
    static bool IsEmptiable(const ClassModel* cls);

private:
    void BuildRoots();
    void BuildGlobals();
    void FindOwnElements();
    ClassModel* NewClass(const std::string& name, const std::string& doc, const std::string& ns);
    ClassModel* NamedClass(const ComplexTypeDef* type);
    ClassModel* AnonymousClass(const ComplexTypeDef* type, const std::string& hint,
                               const std::string& elementName);
    // The class of an element's complex type, anonymous or named.
    ClassModel* ClassOf(const ComplexTypeDef* type, const std::string& elementName,
                        const std::string& doc);
    void Build(ClassModel* cls);

    // Derivation (CModelDerivation.cpp).
    void BuildComplexType(ClassModel* cls, const ComplexTypeDef& type);
    void BuildComplexContent(ClassModel* cls, const ComplexTypeDef& type);
    void BuildSimpleContent(ClassModel* cls, const ComplexTypeDef& type);
    // The facets of a simple-content restriction of a complex type.
    void RestrictText(ClassModel* cls, const ComplexTypeDef& type);
    void Inherit(ClassModel* cls, const ComplexTypeDef* base);
    // The records of a restriction: its content and attributes over its base's
    // properties where they map onto them, otherwise over properties of its own.
    void Restrict(ClassModel* cls, const ComplexTypeDef& type);

    // Content (CModelContent.cpp): the top compositor of a class.
    void SetContent(ClassModel* cls, const Particle& particle);
    void AddParticles(ClassModel* cls, const ModelGroup& group);
    void AddParticle(ClassModel* cls, const Particle& particle);
    // An element of `cls`: a particle's, or a global declaration of its own.
    void AddElement(ClassModel* cls, const ElementDecl& decl, const Particle* particle);
    void TypeElement(Member& member, const ElementDecl& decl);
    void SimpleElement(Member& member, const ElementDecl& decl);
    void WarnIdentityConstraints(const ElementDecl& decl);
    void AddAny(ClassModel* cls, const Particle& particle);
    void AddGroupMember(ClassModel* cls, const Particle& particle, ClassModel* groupClass,
                        const std::string& prop);
    ClassModel* SubstitutionClass(const ElementDecl& head);
    // The class of a nillable element of simple type: its value and xsi:nil.
    ClassModel* NillableClass(const ElementDecl& decl, const Member& member);

    // Attributes (CModelAttributes.cpp).
    void AddAttributes(ClassModel* cls, const std::vector<AttributeUse>& uses);
    void AddAttribute(ClassModel* cls, const AttributeUse& use);

    // A fixed value checked as a facet where the value type allows.
    static void CheckFixed(Member& member, const std::string& fixed, const Node& at);

    // Naming.
    std::string UniqueClassName(const std::string& wanted);
    std::string UniquePropName(const ClassModel* cls, const std::string& wanted) const;

    const CSchemaComponents& m_components;
    CSimpleTypeMapper m_simple;
    std::vector<std::unique_ptr<ClassModel>> m_classes;
    std::vector<RootElement> m_roots;
    std::vector<Member> m_simpleGlobals;
    std::set<std::string> m_usedNames;
    std::map<const ComplexTypeDef*, ClassModel*> m_named;
    std::map<const ModelGroupDef*, ClassModel*> m_groupClasses;
    std::map<const ElementDecl*, ClassModel*> m_substitutions;
    std::map<const void*, ClassModel*> m_anonymous;  // by type, or by nillable element
    std::set<std::string> m_warned;
    int m_depth = 0;  // nesting of model groups and anonymous types
    std::map<std::string, std::set<const ClassModel*>> m_elementTypes;  // by element name
};

}  // namespace Qbxsd

#endif  // QBXSD_CMODELBUILDER_H
