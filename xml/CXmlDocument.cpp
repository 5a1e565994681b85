// Tree construction and navigation. Loading lives in CXmlDocumentLoad.cpp.
#include "xml/CXmlDocument.h"

#include <cstring>

#include "core/CQbException.h"

namespace QbXmlLib5 {

CXmlDocument::CXmlDocument(SchemaType schemaType) : m_schemaType(schemaType) {}

CXmlDocument::~CXmlDocument() { CXmlDocument::Cleanup(); }

void CXmlDocument::Cleanup() {
    delete m_documentElement;
    m_documentElement = nullptr;
    m_elementStack.clear();
    m_aliasMap.clear();
}

std::string CXmlDocument::LookupNamespaceFromAlias(const char* alias) const {
    const auto found = m_aliasMap.find(alias != nullptr ? alias : "");
    return found != m_aliasMap.end() ? found->second : std::string();
}

CXmlElement* CXmlDocument::AddDocElement(const char* namespaceUri, const char* localName) {
    if (m_documentElement != nullptr) {
        throw CQbInvalidStateException("The document already has a document element");
    }
    CXmlElement* element = new CXmlElement(this);
    m_documentElement = element;
    element->SetNamespace(namespaceUri);
    element->SetElementName(localName);
    m_elementStack.push_back(element);
    return element;
}

CXmlElement* CXmlDocument::AddChildElement(const char* namespaceUri, const char* localName) {
    if (m_elementStack.empty()) {
        throw CQbInvalidStateException("No open element to add a child element to");
    }
    CXmlElement* element = m_elementStack.back()->CreateNewChildElement();
    element->SetNamespace(namespaceUri);
    element->SetElementName(localName);
    m_elementStack.push_back(element);
    return element;
}

void CXmlDocument::EndElement() {
    if (!m_elementStack.empty()) {
        m_elementStack.pop_back();
    }
}

CXmlElement* CXmlDocument::GetCurrentElement() const {
    return m_elementStack.empty() ? nullptr : m_elementStack.back();
}

void CXmlDocument::AddNamespaceAlias(const std::string& prefix, const std::string& namespaceUri) {
    m_aliasMap[prefix] = namespaceUri;
}

void CXmlDocument::AddElementAttribute(CXmlElement* element, const std::string& localName,
                                       const std::string& value, const std::string& namespaceUri) {
    element->AddAttribute(localName, value, namespaceUri);
}

void CXmlDocument::AppendTextExcludingCR(CXmlElement* element, const char* text,
                                         std::size_t maxLength) {
    const char* const end = text + strnlen(text, maxLength);
    while (text < end) {
        const void* cr = std::memchr(text, '\r', static_cast<std::size_t>(end - text));
        const char* runEnd = cr != nullptr ? static_cast<const char*>(cr) : end;
        element->AppendText(text, static_cast<std::size_t>(runEnd - text));
        text = runEnd + (cr != nullptr ? 1 : 0);
    }
}

void CXmlDocument::AppendTextExcludingCR(CXmlElement* element, const char* text) {
    AppendTextExcludingCR(element, text, std::strlen(text));
}

}  // namespace QbXmlLib5
