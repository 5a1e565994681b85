// CSchemaSet: the schema documents of one qbxsd run, loaded with the
// library's document tree (line numbers kept for messages), with include and
// import followed, and the global declarations and definitions indexed by
// qualified name (CComponentBuilder makes components of them).
#ifndef QBXSD_CSCHEMASET_H
#define QBXSD_CSCHEMASET_H

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"

namespace Qbxsd {

extern const char* const kXsdNamespace;
extern const char* const kXmlNamespace;

// A schema error: "file:line: message".
class CSchemaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// (namespace URI, local name)
using QName = std::pair<std::string, std::string>;

struct SchemaDoc {
    std::string path;
    std::unique_ptr<QbXmlLib5::CXmlDocument> document;
    std::string targetNamespace;  // a chameleon include takes its includer's
    bool elementsQualified = false;
    bool attributesQualified = false;
    bool blockedByDefault = false;
};

// A schema element and the document it is in.
struct Node {
    const QbXmlLib5::CXmlElement* element = nullptr;
    const SchemaDoc* doc = nullptr;

    explicit operator bool() const { return element != nullptr; }
    std::string Attr(const char* name) const;
    bool Has(const char* name) const;
    const std::string& Name() const { return element->GetLocalName(); }
    Node With(const QbXmlLib5::CXmlElement* other) const { return Node{other, doc}; }
    // The schema children (annotations and foreign elements skipped).
    std::vector<Node> Children() const;
    // The first child named `name`, or an empty node.
    Node Child(const char* name) const;
    // The text of xs:annotation/xs:documentation, whitespace collapsed.
    std::string Documentation() const;
};

class CSchemaSet {
public:
    // Loads a schema file given on the command line, and everything it
    // includes and imports.
    void Load(const std::string& path);

    [[noreturn]] static void Fail(const Node& at, const std::string& message);
    // A warning in the same form, on stderr.
    static void Warn(const Node& at, const std::string& message);

    // Resolves a QName attribute value with the declarations in scope.
    QName Resolve(const Node& at, const std::string& value) const;

    // The global schema elements of each kind, by name.
    const std::map<QName, Node>& Elements() const { return m_elements; }
    const std::map<QName, Node>& ComplexTypes() const { return m_complexTypes; }
    const std::map<QName, Node>& SimpleTypes() const { return m_simpleTypes; }
    const std::map<QName, Node>& Attributes() const { return m_attributes; }
    const std::map<QName, Node>& Groups() const { return m_groups; }
    const std::map<QName, Node>& AttributeGroups() const { return m_attributeGroups; }
    // Documents in load order; the first is the first schema given.
    const std::vector<std::unique_ptr<SchemaDoc>>& Documents() const { return m_docs; }

private:
    const SchemaDoc* LoadDocument(const std::string& path, const std::string* chameleonNamespace,
                                  const Node* from);
    void IndexGlobals(const SchemaDoc& doc);

    std::vector<std::unique_ptr<SchemaDoc>> m_docs;
    // By absolute path and the target namespace the document was read with.
    std::map<std::pair<std::string, std::string>, const SchemaDoc*> m_loaded;
    std::map<std::string, std::string> m_declaredNamespaces;  // by absolute path
    std::map<QName, Node> m_elements, m_complexTypes, m_simpleTypes, m_groups, m_attributeGroups,
        m_attributes;
};

}  // namespace Qbxsd

#endif  // QBXSD_CSCHEMASET_H
