#include "xml/CXmlElement.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace QbXmlLib5 {

CXmlElement::CXmlElement(const CXmlDocument* document) : m_document(document) {}

CXmlElement::~CXmlElement() {
    // Depth-first over a work list threaded through the sibling links: the
    // children of each node taken off the list are spliced in front of the
    // rest before the node dies, so each delete sees an element without
    // children and the destructor never nests.
    CXmlElement* pending = m_firstChild;
    m_firstChild = m_lastChild = nullptr;
    while (pending != nullptr) {
        CXmlElement* node = pending;
        if (node->m_firstChild != nullptr) {
            node->m_lastChild->m_nextSibling = node->m_nextSibling;
            pending = node->m_firstChild;
            node->m_firstChild = node->m_lastChild = nullptr;
        } else {
            pending = node->m_nextSibling;
        }
        delete node;
    }
    for (CXmlAttribute* attribute : m_attributes) {
        delete attribute;
    }
}

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

CXmlElement* CXmlElement::CreateNewChildElement() {
    CXmlElement* child = new CXmlElement(m_document);
    if (m_lastChild == nullptr) {
        m_firstChild = child;
    } else {
        m_lastChild->m_nextSibling = child;
    }
    m_lastChild = child;
    return child;
}

void CXmlElement::AddAttribute(const std::string& localName, const std::string& value,
                               const std::string& namespaceUri) {
    auto attribute = std::make_unique<CXmlAttribute>(localName, value, namespaceUri);
    m_attributes.push_back(attribute.get());
    attribute.release();
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
