#include "xml/CXmlElement.h"

#include <algorithm>
#include <cstring>

#include "xml/CXmlDocument.h"

namespace QbXmlLib5 {

CXmlElement::CXmlElement(const CXmlName* name, const CNamespaceBinding* scope, CArena* arena)
    : m_name(name), m_scope(scope), m_attributes(CArenaAllocator<CXmlAttribute*>(arena)) {}

const std::string& CXmlElement::GetAttribute(const std::string& localName,
                                             const std::string& namespaceUri) const {
    for (const CXmlAttribute* attribute : m_attributes) {
        if (attribute->GetLocalName() == localName &&
            attribute->GetNamespaceURI() == namespaceUri) {
            return attribute->GetValue();
        }
    }
    static const std::string empty;
    return empty;
}

std::string CXmlElement::LookupNamespaceFromPrefix(const std::string& prefix) const {
    for (const CNamespaceBinding* binding = m_scope; binding->prefix; binding = binding->outer) {
        if (*binding->prefix == prefix) return *binding->namespaceUri;
    }
    if (prefix == "xml") return "http://www.w3.org/XML/1998/namespace";
    return std::string();
}

void CXmlElement::AppendText(const char* text) { AppendText(text, std::strlen(text)); }

void CXmlElement::AppendText(const char* text, std::size_t length) {
    if (length == 0) {
        return;
    }
    // Parsers deliver text in many small chunks: grow geometrically so that
    // appending costs amortised linear time.
    const std::size_t needed = m_text.size() + length;
    if (!m_text.empty() && needed > m_text.capacity()) {
        m_text.reserve(std::max(needed, 2 * m_text.capacity()));
    }
    m_text.append(text, length);
}

}  // namespace QbXmlLib5
