// CModelBuilder: turns the components of a schema set into the classes and
// enumerations qbxsd writes.
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

#include "CSchemaModel.h"
#include "CSchemaSet.h"
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
    explicit CModelBuilder(const CSchemaSet& schemas)
        : m_schemas(schemas),
          m_simple(schemas, [this](const std::string& name) { return UniqueClassName(name); }) {}

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
    ClassModel* NewClass(const std::string& name, const Node& node, const std::string& ns);
    ClassModel* NamedClass(const Node& at, const QName& name);
    ClassModel* AnonymousClass(const Node& complexType, const std::string& hint,
                               const std::string& elementName);
    void Build(ClassModel* cls);
    // The base a complex type names in its complexContent or simpleContent,
    // or an empty name.
    QName DerivationBase(const Node& type) const;
    // A complex type of the schemas read, not a built-in one.
    bool IsDeclaredComplexType(const QName& name) const;
    // Whether the named type `type` is `ancestor` or derives from it.
    bool DerivesFrom(const QName& type, const QName& ancestor) const;
    void BuildComplexType(ClassModel* cls, const Node& type);
    void BuildComplexContent(ClassModel* cls, const Node& content);
    void BuildSimpleContent(ClassModel* cls, const Node& content);
    // The facets of a simple-content restriction of a complex type.
    void RestrictText(ClassModel* cls, const Node& restriction);
    void Inherit(ClassModel* cls, const Node& at, const QName& baseName);
    // The records of a restriction: its content and attributes over its base's
    // properties where they map onto them, otherwise over properties of its own.
    void Restrict(ClassModel* cls, const Node& derivation);

    // Content: the top compositor of a class.
    void SetContent(ClassModel* cls, const Node& particle);
    void AddParticles(ClassModel* cls, const Node& compositor);
    void AddParticle(ClassModel* cls, const Node& particle);
    void AddElement(ClassModel* cls, const Node& element);
    void AddAny(ClassModel* cls, const Node& any);
    void AddGroupMember(ClassModel* cls, const Node& particle, const Node& compositor,
                        ClassModel* groupClass, const std::string& prop);
    ClassModel* SubstitutionClass(const Node& at, const Node& head);
    // The class of a nillable element of simple type: its value and xsi:nil.
    ClassModel* NillableClass(const Node& decl, const Member& member);
    void AddAttributes(ClassModel* cls, const Node& container, std::set<const void*>& seen);
    void AddAttribute(ClassModel* cls, const Node& attribute);

    // Naming.
    std::string UniqueClassName(const std::string& wanted);
    std::string UniquePropName(const ClassModel* cls, const std::string& wanted) const;
    static void Occurs(const Node& particle, Member& member);
    static std::string ProcessContentsOf(const Node& wildcard);

    const CSchemaSet& m_schemas;
    CSimpleTypeMapper m_simple;
    std::vector<std::unique_ptr<ClassModel>> m_classes;
    std::vector<RootElement> m_roots;
    std::vector<Member> m_simpleGlobals;
    std::set<std::string> m_usedNames;
    std::map<QName, ClassModel*> m_named;
    std::map<QName, ClassModel*> m_groupClasses;
    std::map<QName, ClassModel*> m_substitutions;
    std::map<const void*, ClassModel*> m_anonymous;
    std::set<std::string> m_warned;
    int m_depth = 0;  // nesting of model groups and anonymous types
    std::map<std::string, std::set<const ClassModel*>> m_elementTypes;  // by element name
};

}  // namespace Qbxsd

#endif  // QBXSD_CMODELBUILDER_H
