// Test support: a document tree or an untyped element as one line, so that a
// whole tree is checked by one comparison. The form is
//   {ns}name[{ns}attr=value,...](child child ...)"text"
// with "{ns}" left out for the empty namespace and each part only when it is
// not empty.
#ifndef QBXMLLIB5_TESTS_SUPPORT_TREEDUMP_H
#define QBXMLLIB5_TESTS_SUPPORT_TREEDUMP_H

#include <string>
#include <utility>
#include <vector>

#include "binding/CElement.h"
#include "xml/CXmlAttribute.h"
#include "xml/CXmlElement.h"

#ifdef QB_HAVE_LIBXML2
#include <libxml/tree.h>
#endif

namespace QbTest {

inline std::string Qualified(const std::string& ns, const std::string& name) {
    return ns.empty() ? name : "{" + ns + "}" + name;
}

// Appends the attribute list, the child list and the text to `head`.
template <typename Attributes, typename Children, typename Dumper>
std::string DumpParts(std::string head, const Attributes& attributes, const Children& children,
                      const std::string& text, Dumper dump) {
    std::string list;
    for (const auto& a : attributes) {
        list +=
            (list.empty() ? "" : ",") + Qualified(a.first, a.second.first) + "=" + a.second.second;
    }
    if (!list.empty()) head += "[" + list + "]";
    list.clear();
    for (auto c : children) list += (list.empty() ? "" : " ") + dump(c);
    if (!list.empty()) head += "(" + list + ")";
    return text.empty() ? head : head + "\"" + text + "\"";
}

inline std::string Dump(const QbXmlLib5::CXmlElement* e) {
    if (!e) return "<none>";
    using Attribute = std::pair<std::string, std::pair<std::string, std::string>>;
    std::vector<Attribute> attributes;
    for (const auto* a : e->GetAttributes()) {
        attributes.push_back({a->GetNamespaceURI(), {a->GetLocalName(), a->GetValue()}});
    }
    std::vector<const QbXmlLib5::CXmlElement*> children;
    for (auto* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement()) children.push_back(c);
    return DumpParts(Qualified(e->GetNamespaceURI(), e->GetLocalName()), attributes, children,
                     e->GetText(), [](const QbXmlLib5::CXmlElement* c) { return Dump(c); });
}

inline std::string Dump(QbXmlLib5::CElement* e) {
    using Attribute = std::pair<std::string, std::pair<std::string, std::string>>;
    std::vector<Attribute> attributes;
    for (QbXmlLib5::CAttribute* a : *e->GetAttributes()) {
        attributes.push_back({a->GetNamespace(), {a->GetName(), a->GetValue()}});
    }
    std::vector<QbXmlLib5::CElement*> children;
    for (QbXmlLib5::CElement* c : *e->GetChildElements()) children.push_back(c);
    return DumpParts(Qualified(e->GetNamespace(), e->GetName()), attributes, children, e->GetText(),
                     [](QbXmlLib5::CElement* c) { return Dump(c); });
}

#ifdef QB_HAVE_LIBXML2
// The same for a libxml2 element; carriage returns are left out of the text
// (the document tree drops them), CDATA counts as text.
inline std::string Dump(const xmlNode* e) {
    const auto str = [](const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : ""; };
    using Attribute = std::pair<std::string, std::pair<std::string, std::string>>;
    std::vector<Attribute> attributes;
    for (const xmlAttr* a = e->properties; a; a = a->next) {
        xmlChar* value = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(a));
        attributes.push_back({a->ns ? str(a->ns->href) : "", {str(a->name), str(value)}});
        xmlFree(value);
    }
    std::vector<const xmlNode*> children;
    std::string text;
    for (const xmlNode* c = e->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE) children.push_back(c);
        if (c->type != XML_TEXT_NODE && c->type != XML_CDATA_SECTION_NODE) continue;
        for (const char* p = str(c->content); *p; ++p) {
            if (*p != '\r') text += *p;
        }
    }
    return DumpParts(Qualified(e->ns ? str(e->ns->href) : "", str(e->name)), attributes, children,
                     text, [](const xmlNode* c) { return Dump(c); });
}
#endif

}  // namespace QbTest

#endif  // QBXMLLIB5_TESTS_SUPPORT_TREEDUMP_H
