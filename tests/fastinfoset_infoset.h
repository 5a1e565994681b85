// Infoset comparison for the Fast Infoset tests: the items a round trip must
// keep (elements, local names, namespace URIs, attributes, concatenated text
// per element), built from libxml2 (the reference parser) or from our
// document tree, and bindable objects that write scripted events or a
// libxml2 tree through any CXmlWriter.
#ifndef QBXMLLIB5_TESTS_FASTINFOSET_INFOSET_H
#define QBXMLLIB5_TESTS_FASTINFOSET_INFOSET_H

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "QbXmlLib5.h"
#include "support/InertObject.h"
#include "types/CBinaryData.h"
#include "xml/CXmlAttribute.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlWriter.h"

#ifdef QB_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#endif

namespace QbXmlLib5Test {

using namespace QbXmlLib5;

// The infoset items the comparison looks at.
struct Node {
    std::string ns;
    std::string name;
    std::vector<std::tuple<std::string, std::string, std::string>> attributes;  // sorted
    std::string text;                                                         // concatenated
    std::vector<Node> children;
};

inline std::string Describe(
    const std::vector<std::tuple<std::string, std::string, std::string>>& attributes) {
    std::string text = "[";
    for (const auto& a : attributes) {
        text += " {" + std::get<0>(a) + "}" + std::get<1>(a) + "=\"" + std::get<2>(a) + "\"";
    }
    return text + " ]";
}

// The same tree with carriage returns removed from the texts, as the readers
// store them.
inline Node WithoutCarriageReturns(Node node) {
    node.text.erase(std::remove(node.text.begin(), node.text.end(), '\r'), node.text.end());
    for (Node& child : node.children) child = WithoutCarriageReturns(std::move(child));
    return node;
}

// First difference between two trees, or "" when they match.
inline std::string Diff(const Node& a, const Node& b, const std::string& path) {
    const std::string here = path + "/{" + a.ns + "}" + a.name;
    if (a.ns != b.ns || a.name != b.name) {
        return here + ": element {" + b.ns + "}" + b.name + " instead";
    }
    if (a.attributes != b.attributes) {
        return here + ": attributes " + Describe(a.attributes) + " vs " + Describe(b.attributes);
    }
    if (a.text != b.text) return here + ": text [" + a.text + "] vs [" + b.text + "]";
    if (a.children.size() != b.children.size()) {
        return here + ": " + std::to_string(a.children.size()) + " vs " +
               std::to_string(b.children.size()) + " children";
    }
    for (std::size_t i = 0; i < a.children.size(); ++i) {
        std::string d = Diff(a.children[i], b.children[i], here);
        if (!d.empty()) return d;
    }
    return "";
}

// A bindable object whose ToXml_Int replays a script of writer events.
class CScriptedObject : public QbTest::CInertObject<CXmlObjectBase> {
public:
    explicit CScriptedObject(std::function<void(CXmlWriter&)> script)
        : m_script(std::move(script)) {}
    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return ""; }

protected:
    std::string GetTargetNamespace() override { return ""; }
    void ToXml_Int(CXmlWriter* writer, bool, const char*, const CXmlSerializationContext&,
                   bool) const override {
        m_script(*writer);
    }

private:
    std::function<void(CXmlWriter&)> m_script;
};

// The test corpus: every XML file of the Fast Infoset and untyped-content
// test folders, and the bundled sample.
inline std::vector<std::string> Corpus() {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (const char* dir : {QB_TEST_DATA_DIR "/fastinfoset", QB_TEST_DATA_DIR "/untyped"}) {
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().extension() == ".xml") files.push_back(entry.path().string());
        }
    }
    files.push_back(QB_SOURCE_DIR "/examples/data/sample.xml");
    std::sort(files.begin(), files.end());
    return files;
}

// Writes, under `dir`, a document with enough distinct element names,
// attribute names, values and text chunks to reach every index size class
// of every table, each used twice; returns its path.
inline std::string WriteVocabularyDocument(const std::string& dir) {
    const std::string path = dir + "/fastinfoset_vocabulary.xml";
    std::ofstream out(path);
    out << "<root xmlns:p='urn:p'>";
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 9000; ++i) {
            const std::string id = std::to_string(i);
            out << "<e" << (i % 2100) << " p:a" << (i % 100) << "='" << id << "'>" << id << "</e"
                << (i % 2100) << ">";
        }
    }
    out << "</root>";
    return path;
}

inline std::string TempDir() {
    const char* dir = std::getenv("QB_TEST_TMP");
    return dir ? dir : "/tmp";
}

// Our document tree, namespace declarations left out.
inline Node FromOurTree(const CXmlElement* element) {
    Node node;
    node.ns = element->GetNamespaceURI();
    node.name = element->GetLocalName();
    for (const CXmlAttribute* a : element->GetAttributes()) {
        if (a->GetNamespaceURI() == "http://www.w3.org/2000/xmlns/" ||
            (a->GetNamespaceURI().empty() && a->GetLocalName() == "xmlns")) {
            continue;
        }
        node.attributes.emplace_back(a->GetNamespaceURI(), a->GetLocalName(), a->GetValue());
    }
    std::sort(node.attributes.begin(), node.attributes.end());
    node.text = element->GetText();
    for (const CXmlElement* c = element->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        node.children.push_back(FromOurTree(c));
    }
    return node;
}

// Loads bytes with our stream loader (compressed, Fast Infoset or XML text).
inline Node LoadWithOurReader(const CBinaryData& bytes) {
    CXmlDocument document;
    document.LoadXmlStream(bytes.GetData(), bytes.GetLength());
    return FromOurTree(document.GetDocumentElement());
}

#ifdef QB_HAVE_LIBXML2

using XmlDocPtr = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

inline XmlDocPtr Parse(const std::string& path) {
    // Entities expanded and DTD default attributes added: the infoset that
    // SAX-based encoders see.
    const int options = XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET | XML_PARSE_HUGE;
    return XmlDocPtr(xmlReadFile(path.c_str(), nullptr, options),
                     &xmlFreeDoc);
}

inline std::string Str(const xmlChar* text) {
    return text ? reinterpret_cast<const char*>(text) : "";
}

inline std::string Content(const xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = Str(content);
    xmlFree(content);
    return text;
}

inline Node FromLibxml2(const xmlNode* element) {
    Node node;
    node.ns = element->ns ? Str(element->ns->href) : "";
    node.name = Str(element->name);
    for (const xmlAttr* a = element->properties; a; a = a->next) {
        node.attributes.emplace_back(a->ns ? Str(a->ns->href) : "", Str(a->name),
                                     Content(reinterpret_cast<const xmlNode*>(a)));
    }
    std::sort(node.attributes.begin(), node.attributes.end());
    for (const xmlNode* c = element->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE) node.children.push_back(FromLibxml2(c));
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
            node.text += Content(c);
        }
    }
    return node;
}

// Writes a libxml2 element and its subtree, text in document order.
inline void WriteLibxml2(CXmlWriter& w, const xmlNode* element) {
    w.WriteStartElement(Str(element->name), element->ns ? Str(element->ns->href) : "");
    for (const xmlAttr* a = element->properties; a; a = a->next) {
        w.WriteAttribute(Str(a->name), a->ns ? Str(a->ns->href) : "",
                         Content(reinterpret_cast<const xmlNode*>(a)));
    }
    for (const xmlNode* c = element->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE) WriteLibxml2(w, c);
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
            w.WriteText(Content(c));
        }
    }
    w.WriteEndElement();
}

// A bindable object writing a libxml2 document. The root's declarations are
// registered first, as a generated root does with the context's aliases.
inline CSmartPtr<CScriptedObject> Libxml2Object(const xmlDoc* doc) {
    const xmlNode* root = xmlDocGetRootElement(doc);
    return new CScriptedObject([root](CXmlWriter& w) {
        for (const xmlNs* ns = root->nsDef; ns; ns = ns->next) {
            if (ns->prefix) {
                w.AddNamespace(Str(ns->prefix), Str(ns->href));
            } else {
                w.SetDefaultNamespace(Str(ns->href));
            }
        }
        WriteLibxml2(w, root);
    });
}

inline Node Reference(const xmlDoc* doc) { return FromLibxml2(xmlDocGetRootElement(doc)); }

#endif  // QB_HAVE_LIBXML2

}  // namespace QbXmlLib5Test

#endif  // QBXMLLIB5_TESTS_FASTINFOSET_INFOSET_H
