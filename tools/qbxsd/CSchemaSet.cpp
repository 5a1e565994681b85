#include "CSchemaSet.h"

#include <cstdio>
#include <cstdlib>

#include "core/CQbException.h"
#include "types/CWhitespaceUtils.h"
#include "xml/CXmlAttribute.h"

namespace Qbxsd {

using QbXmlLib5::CXmlElement;

const char* const kXsdNamespace = "http://www.w3.org/2001/XMLSchema";
const char* const kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

namespace {

std::string Location(const Node& at) {
    if (!at.doc) return "qbxsd";
    std::string where = at.doc->path;
    if (at.element && at.element->GetLineNumber() != 0) {
        where += ":" + std::to_string(at.element->GetLineNumber());
    }
    return where;
}

std::string Directory(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string Node::Attr(const char* name) const { return element->GetAttribute(name, ""); }

bool Node::Has(const char* name) const {
    for (const QbXmlLib5::CXmlAttribute* attribute : element->GetAttributes()) {
        if (attribute->GetLocalName() == name && attribute->GetNamespaceURI().empty()) return true;
    }
    return false;
}

std::vector<Node> Node::Children() const {
    std::vector<Node> children;
    for (const CXmlElement* child = element->GetFirstElement(); child;
         child = child->GetNextSiblingElement()) {
        if (child->GetNamespaceURI() == kXsdNamespace && child->GetLocalName() != "annotation") {
            children.push_back(With(child));
        }
    }
    return children;
}

Node Node::Child(const char* name) const {
    for (const Node& child : Children()) {
        if (child.Name() == name) return child;
    }
    return Node{nullptr, doc};
}

std::string Node::Documentation() const {
    std::string text;
    for (const CXmlElement* child = element->GetFirstElement(); child;
         child = child->GetNextSiblingElement()) {
        if (child->GetNamespaceURI() != kXsdNamespace || child->GetLocalName() != "annotation") {
            continue;
        }
        for (const CXmlElement* item = child->GetFirstElement(); item;
             item = item->GetNextSiblingElement()) {
            if (item->GetLocalName() == "documentation") {
                if (!text.empty()) text += ' ';
                text += QbXmlLib5::CWhitespaceUtils::Collapse(item->GetText());
            }
        }
    }
    return text;
}

void CSchemaSet::Fail(const Node& at, const std::string& message) {
    throw CSchemaError(Location(at) + ": " + message);
}

void CSchemaSet::Warn(const Node& at, const std::string& message) {
    std::fprintf(stderr, "%s: warning: %s\n", Location(at).c_str(), message.c_str());
}

void CSchemaSet::Load(const std::string& path) { LoadDocument(path, nullptr, nullptr); }

const SchemaDoc* CSchemaSet::LoadDocument(const std::string& path,
                                          const std::string* chameleonNamespace, const Node* from) {
    // A document is known by its absolute location, however it was reached; a
    // chameleon include (no target namespace of its own) is read once per
    // namespace it takes.
    char* real = realpath(path.c_str(), nullptr);
    const std::string key = real ? real : path;
    std::free(real);
    const auto declared = m_declaredNamespaces.find(key);
    if (declared != m_declaredNamespaces.end()) {
        const bool chameleon = declared->second.empty() && chameleonNamespace;
        const auto known = m_loaded.find({key, chameleon ? *chameleonNamespace : declared->second});
        if (known != m_loaded.end()) {
            if (chameleonNamespace && !chameleon && declared->second != *chameleonNamespace) {
                Fail(*from, "the included schema has the target namespace " + declared->second +
                                ", not " + *chameleonNamespace);
            }
            return known->second;
        }
    }

    auto doc = std::make_unique<SchemaDoc>();
    doc->path = path;
    doc->document = std::make_unique<QbXmlLib5::CXmlDocument>();
    doc->document->SetKeepLineNumbers(true);
    try {
        doc->document->Load(path.c_str());
    } catch (const QbXmlLib5::CQbException& e) {
        const std::string message = "cannot read the schema " + path + ": " + e.GetFullMessage();
        if (from) Fail(*from, message);
        throw CSchemaError(message);
    }
    const Node root{doc->document->GetDocumentElement(), doc.get()};
    if (root.element->GetNamespaceURI() != kXsdNamespace || root.Name() != "schema") {
        Fail(root, "the document element is not xs:schema (namespace " +
                       std::string(kXsdNamespace) + ")");
    }
    doc->targetNamespace = root.Attr("targetNamespace");
    if (chameleonNamespace && doc->targetNamespace.empty()) {
        doc->targetNamespace = *chameleonNamespace;
    } else if (chameleonNamespace && doc->targetNamespace != *chameleonNamespace) {
        Fail(*from, "the included schema has the target namespace " + doc->targetNamespace +
                        ", not " + *chameleonNamespace);
    }
    doc->elementsQualified = root.Attr("elementFormDefault") == "qualified";
    doc->attributesQualified = root.Attr("attributeFormDefault") == "qualified";
    const SchemaDoc* loaded = doc.get();
    m_declaredNamespaces[key] = root.Attr("targetNamespace");
    m_loaded[{key, loaded->targetNamespace}] = loaded;
    m_docs.push_back(std::move(doc));
    IndexGlobals(*loaded);

    for (const Node& child : root.Children()) {
        const std::string& kind = child.Name();
        if (kind == "include" || kind == "import") {
            if (!child.Has("schemaLocation")) {
                if (kind == "import") continue;  // components come from elsewhere or are built in
                Fail(child, "xs:include without schemaLocation");
            }
            const std::string location = child.Attr("schemaLocation");
            if (location.find("://") != std::string::npos) {
                Fail(child, "schemaLocation " + location +
                                " is not a local file; download it and refer to the copy");
            }
            const std::string target = location[0] == '/' ? location : Directory(path) + location;
            if (kind == "include") {
                LoadDocument(target, &loaded->targetNamespace, &child);
            } else {
                const SchemaDoc* imported = LoadDocument(target, nullptr, &child);
                if (child.Has("namespace") &&
                    imported->targetNamespace != child.Attr("namespace")) {
                    Fail(child, "the imported schema has the target namespace " +
                                    imported->targetNamespace + ", not " + child.Attr("namespace"));
                }
            }
        } else if (kind == "redefine" || kind == "override") {
            Fail(child, "xs:" + kind + " is not supported; copy the changed components instead");
        }
    }
    return loaded;
}

void CSchemaSet::IndexGlobals(const SchemaDoc& doc) {
    const Node root{doc.document->GetDocumentElement(), &doc};
    for (const Node& child : root.Children()) {
        const std::string& kind = child.Name();
        std::map<QName, Node>* table = kind == "element"          ? &m_elements
                                       : kind == "complexType"    ? &m_complexTypes
                                       : kind == "simpleType"     ? &m_simpleTypes
                                       : kind == "group"          ? &m_groups
                                       : kind == "attributeGroup" ? &m_attributeGroups
                                       : kind == "attribute"      ? &m_attributes
                                                                  : nullptr;
        if (!table) continue;
        if (!child.Has("name")) Fail(child, "a global xs:" + kind + " needs a name");
        const QName name{doc.targetNamespace, child.Attr("name")};
        const auto existing = table->find(name);
        if (existing != table->end() && existing->second.element != child.element) {
            Fail(child, "xs:" + kind + " " + name.second + " is declared twice (also at " +
                            Location(existing->second) + ")");
        }
        (*table)[name] = child;
    }
}

QName CSchemaSet::Resolve(const Node& at, const std::string& value) const {
    const std::size_t colon = value.find(':');
    const std::string prefix = colon == std::string::npos ? std::string() : value.substr(0, colon);
    const std::string local = colon == std::string::npos ? value : value.substr(colon + 1);
    std::string uri = at.element->LookupNamespaceFromPrefix(prefix);
    if (!prefix.empty() && uri.empty()) Fail(at, "the prefix " + prefix + " is not declared");
    // A chameleon include's unprefixed names belong to its includer.
    if (prefix.empty() && uri.empty()) uri = at.doc->targetNamespace;
    return {uri, local};
}

}  // namespace Qbxsd
