// CModelBuilder: turns the components of a schema set into the classes and
// enumerations qbxsd writes.
//
// Mapping, in short:
// - a complex type (named, or anonymous in an element) is a class; a named
//   model group, a nested sequence or choice that is optional or repeated, a
//   choice inside a sequence and a substitution group are classes without an
//   element of their own (model-group classes);
// - extension of a complex type is C++ inheritance (base records first);
//   restriction derives too, with the base's records, so that an instance of
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
    explicit CModelBuilder(const CSchemaSet& schemas) : m_schemas(schemas) {}

    // Builds every named complex type and every global element.
    void BuildAll();

    const std::vector<std::unique_ptr<ClassModel>>& Classes() const { return m_classes; }
    const std::vector<std::unique_ptr<EnumModel>>& Enums() const { return m_enums; }
    const std::vector<RootElement>& Roots() const { return m_roots; }
    // The global elements of simple type and the global attributes.
    const std::vector<Member>& SimpleGlobals() const { return m_simpleGlobals; }
    // The built-in type table, for the code writer.
    static const BuiltinType* Builtin(const std::string& name);
    // Whether the content of `cls` (its own members) can match nothing.
    static bool IsEmptiable(const ClassModel* cls);

private:
    ClassModel* NewClass(const std::string& name, const Node& node, const std::string& ns);
    ClassModel* NamedClass(const Node& at, const QName& name);
    ClassModel* AnonymousClass(const Node& complexType, const std::string& hint,
                               const std::string& elementName);
    void Build(ClassModel* cls);
    void BuildComplexType(ClassModel* cls, const Node& type);
    void BuildComplexContent(ClassModel* cls, const Node& content);
    void BuildSimpleContent(ClassModel* cls, const Node& content);
    void Inherit(ClassModel* cls, const Node& at, const QName& baseName);
    // Maps a restriction's content and attributes onto its base's properties;
    // false (with a warning) when they do not map.
    bool Restrict(ClassModel* cls, const Node& derivation);

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

    // Simple types.
    SimpleInfo SimpleOf(const Node& at, const QName& type, const std::string& hint);
    SimpleInfo SimpleFromNode(const Node& simpleType, const std::string& hint);
    void ApplyFacets(SimpleInfo& info, const Node& restriction, const std::string& hint);
    // A pattern admitting the lexical forms of the type, "" when any text is.
    static std::string LexicalPattern(const SimpleInfo& info);
    // The pattern of a list's values from its item pattern and item counts.
    static std::string ListPattern(const SimpleInfo& info);

    // Naming.
    std::string UniqueClassName(const std::string& wanted);
    std::string UniquePropName(const ClassModel* cls, const std::string& wanted) const;
    static void Occurs(const Node& particle, Member& member);
    static std::string ProcessContentsOf(const Node& wildcard);

    const CSchemaSet& m_schemas;
    std::vector<std::unique_ptr<ClassModel>> m_classes;
    std::vector<std::unique_ptr<EnumModel>> m_enums;
    std::vector<RootElement> m_roots;
    std::vector<Member> m_simpleGlobals;
    std::set<std::string> m_usedNames;
    std::map<QName, ClassModel*> m_named;
    std::map<QName, ClassModel*> m_groupClasses;
    std::map<QName, ClassModel*> m_substitutions;
    std::map<const void*, ClassModel*> m_anonymous;
    std::map<QName, SimpleInfo> m_simpleTypes;
    std::set<std::string> m_warned;
    std::set<QName> m_resolvingSimple;  // simple types being resolved: a cycle is an error
    int m_depth = 0;                    // nesting of model groups and anonymous types
    std::map<std::string, std::set<const ClassModel*>> m_elementTypes;  // by element name
};

// "purchase-order" -> "Purchase_order": a C++ identifier, first letter upper.
std::string Pascal(const std::string& name);

}  // namespace Qbxsd

#endif  // QBXSD_CMODELBUILDER_H
