// Test support: checks documents written by the library with libxml2, an
// independent parser. A document is parsed strictly (well-formed and
// namespace-well-formed) and compared with the tree the test meant to write.
#ifndef QBXMLLIB5_TESTS_SUPPORT_XMLORACLE_H
#define QBXMLLIB5_TESTS_SUPPORT_XMLORACLE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#ifdef QB_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#endif

namespace QbTest {

struct ExpectedAttribute {
    std::string localName;
    std::string namespaceUri;
    std::string value;  // as written, and as a parser must report it
};

// The tree a test wrote, in the terms of the writer's events.
struct ExpectedElement {
    ExpectedElement(std::string name, std::string uri,
                    std::vector<ExpectedAttribute> attrs = {})
        : localName(std::move(name)), namespaceUri(std::move(uri)), attributes(std::move(attrs)) {}

    std::string localName;
    std::string namespaceUri;
    std::vector<ExpectedAttribute> attributes;
    bool hasXsiType = false;
    std::string xsiTypeNamespace;
    std::string xsiTypeName;
    std::string text;  // all character content directly inside, as written
    std::vector<ExpectedElement> children;
};

// What a conforming parser reports for text written as `text`: the writer
// drops carriage returns and writes line feeds literally.
inline std::string ParsedText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c != '\r') out += c;
    }
    return out;
}

#ifdef QB_HAVE_LIBXML2

struct XmlDocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
typedef std::unique_ptr<xmlDoc, XmlDocDeleter> XmlDocPtr;

// Parses `bytes` (encoding detected by libxml2); null unless the document is
// well-formed and namespace-well-formed.
inline XmlDocPtr ParseStrict(const std::string& bytes, const char* encoding = nullptr) {
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) return nullptr;
    xmlDoc* doc = xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()),
                                    "written.xml", encoding,
                                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool ok = doc && ctxt->wellFormed && ctxt->nsWellFormed;
    xmlFreeParserCtxt(ctxt);
    if (!ok) {
        if (doc) xmlFreeDoc(doc);
        return nullptr;
    }
    return XmlDocPtr(doc);
}

inline std::string Str(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

inline std::string ContentOf(xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = Str(content);
    xmlFree(content);
    return text;
}

inline void ExpectXsiType(xmlDoc* doc, xmlNode* node, const ExpectedElement& expected) {
    static const char kXsi[] = "http://www.w3.org/2001/XMLSchema-instance";
    xmlChar* raw = xmlGetNsProp(node, BAD_CAST "type", BAD_CAST kXsi);
    ASSERT_TRUE(raw != nullptr) << "xsi:type missing on " << expected.localName;
    const std::string value = Str(raw);
    xmlFree(raw);
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos) {
        EXPECT_EQ(value, expected.xsiTypeName);
        xmlNs* defaultNs = xmlSearchNs(doc, node, nullptr);
        const std::string inForce = defaultNs ? Str(defaultNs->href) : "";
        if (!expected.xsiTypeNamespace.empty()) {
            EXPECT_EQ(inForce, expected.xsiTypeNamespace);
        }
        return;
    }
    EXPECT_EQ(value.substr(colon + 1), expected.xsiTypeName);
    xmlNs* ns = xmlSearchNs(doc, node, BAD_CAST value.substr(0, colon).c_str());
    ASSERT_TRUE(ns != nullptr) << "xsi:type prefix not declared: " << value;
    EXPECT_EQ(Str(ns->href), expected.xsiTypeNamespace);
}

// Compares names, namespaces, attributes, xsi:type and (when `withText`)
// character content of `node` and its descendants with `expected`.
inline void ExpectTree(xmlDoc* doc, xmlNode* node, const ExpectedElement& expected,
                       bool withText) {
    ASSERT_TRUE(node != nullptr);
    EXPECT_EQ(Str(node->name), expected.localName);
    EXPECT_EQ(node->ns ? Str(node->ns->href) : "", expected.namespaceUri)
        << "element " << expected.localName;
    std::size_t attributeCount = 0;
    for (xmlAttr* a = node->properties; a; a = a->next) ++attributeCount;
    EXPECT_EQ(attributeCount, expected.attributes.size() + (expected.hasXsiType ? 1 : 0))
        << "attributes of " << expected.localName;
    for (const ExpectedAttribute& attribute : expected.attributes) {
        xmlAttr* found = attribute.namespaceUri.empty()
                             ? xmlHasNsProp(node, BAD_CAST attribute.localName.c_str(), nullptr)
                             : xmlHasNsProp(node, BAD_CAST attribute.localName.c_str(),
                                            BAD_CAST attribute.namespaceUri.c_str());
        ASSERT_TRUE(found != nullptr) << "{" << attribute.namespaceUri << "}"
                                      << attribute.localName << " on " << expected.localName;
        EXPECT_EQ(ContentOf(reinterpret_cast<xmlNode*>(found)),
                  attribute.value);
    }
    if (expected.hasXsiType) ExpectXsiType(doc, node, expected);
    std::string text;
    std::size_t child = 0;
    for (xmlNode* n = node->children; n; n = n->next) {
        if (n->type == XML_TEXT_NODE) {
            text += ContentOf(n);
        } else if (n->type == XML_ELEMENT_NODE) {
            ASSERT_LT(child, expected.children.size()) << "extra child in " << expected.localName;
            ExpectTree(doc, n, expected.children[child++], withText);
        }
    }
    EXPECT_EQ(child, expected.children.size()) << "children of " << expected.localName;
    if (withText) {
        EXPECT_EQ(text, ParsedText(expected.text)) << "text of " << expected.localName;
    }
}

// Parses `bytes` strictly and compares the document element with `root`.
inline void ExpectDocument(const std::string& bytes, const ExpectedElement& root, bool withText,
                           const char* encoding = nullptr) {
    XmlDocPtr doc = ParseStrict(bytes, encoding);
    ASSERT_TRUE(doc != nullptr) << "libxml2 rejects:\n" << bytes;
    ExpectTree(doc.get(), xmlDocGetRootElement(doc.get()), root, withText);
}

#endif  // QB_HAVE_LIBXML2

}  // namespace QbTest

#endif  // QBXMLLIB5_TESTS_SUPPORT_XMLORACLE_H
