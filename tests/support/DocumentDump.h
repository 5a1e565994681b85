// Test support: everything a loaded document tree holds, as one string, for
// comparing the trees two readers build from the same text: names and
// namespaces, attributes in order, text, each child's place in its parent's
// text, line and column, and what each prefix of `prefixes` is bound to at
// every element. Iterative, so any depth will do.
#ifndef QBXMLLIB5_TESTS_SUPPORT_DOCUMENTDUMP_H
#define QBXMLLIB5_TESTS_SUPPORT_DOCUMENTDUMP_H

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xml/CXmlAttribute.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlEventSink.h"

namespace QbTest {

// The prefixes that `text` declares ("xmlns:p"), and "" for the default one.
inline std::vector<std::string> DeclaredPrefixes(std::string_view text) {
    std::vector<std::string> prefixes{""};
    for (std::size_t at = text.find("xmlns:"); at != std::string_view::npos;
         at = text.find("xmlns:", at + 1)) {
        std::size_t end = at + 6;
        while (end < text.size() && text[end] != '=' && text[end] != ' ' && text[end] != '>') ++end;
        prefixes.emplace_back(text.substr(at + 6, end - at - 6));
    }
    return prefixes;
}

inline std::string DumpDocument(const QbXmlLib5::CXmlDocument& document,
                                const std::vector<std::string>& prefixes) {
    using QbXmlLib5::CXmlElement;
    std::string out;
    std::vector<std::pair<const CXmlElement*, bool>> pending;  // bool: closing
    if (const CXmlElement* root = document.GetDocumentElement()) pending.push_back({root, false});
    while (!pending.empty()) {
        const auto [e, closing] = pending.back();
        pending.pop_back();
        if (closing) {
            out += ")\"" + e->GetText() + "\"";
            continue;
        }
        out += "{" + e->GetNamespaceURI() + "}" + e->GetLocalName() + "@" +
               std::to_string(e->GetLineNumber()) + ":" + std::to_string(e->GetColumnNumber()) +
               "+" + std::to_string(e->GetTextOffset()) + "[";
        for (const QbXmlLib5::CXmlAttribute* a : e->GetAttributes()) {
            out += "{" + a->GetNamespaceURI() + "}" + a->GetLocalName() + "=" + a->GetValue() + ";";
        }
        out += "]<";
        for (const std::string& prefix : prefixes) {
            out += prefix + "=" + e->LookupNamespaceFromPrefix(prefix) + ";";
        }
        out += ">(";
        pending.push_back({e, true});
        std::vector<const CXmlElement*> children;
        for (const CXmlElement* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
            children.push_back(c);
        }
        for (auto c = children.rbegin(); c != children.rend(); ++c) pending.push_back({*c, false});
    }
    return out;
}

// Every event a reader hands over, as one string.
class CEventRecorder : public QbXmlLib5::CXmlEventSink {
public:
    void StartElement(const QName& name, const std::vector<Declaration>& declarations,
                      const std::vector<Attribute>& attributes) override {
        log += "<" + Name(name);
        for (const Declaration& d : declarations) {
            log += " xmlns:" + std::string(d.prefix) + "=" + std::string(d.namespaceUri);
        }
        for (const Attribute& a : attributes)
            log += " " + Name(a.name) + "=" + std::string(a.value);
        log += ">";
    }
    void EndElement() override { log += "</>"; }
    void Text(std::string_view text) override { log += "T[" + std::string(text) + "]"; }
    void Comment(std::string_view text) override { log += "C[" + std::string(text) + "]"; }
    void ProcessingInstruction(std::string_view target, std::string_view data) override {
        log += "P[" + std::string(target) + "|" + std::string(data) + "]";
    }
    void EndDocument() override { log += "$"; }
    std::string log;

private:
    static std::string Name(const QName& name) {
        return std::string(name.prefix) + "{" + std::string(name.namespaceUri) + "}" +
               std::string(name.localName);
    }
};

}  // namespace QbTest

#endif  // QBXMLLIB5_TESTS_SUPPORT_DOCUMENTDUMP_H
