#include "binding/CClassfactoryBase.h"

#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

namespace {

const char* const kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";

const std::string& TypeValue(const CXmlElement* element) {
    static const std::string none;
    return element ? element->GetAttribute("type", kXsiNamespace) : none;
}

}  // namespace

CClassfactoryBase::~CClassfactoryBase() = default;

std::string CClassfactoryBase::GetElementType(const CXmlElement* element) {
    const std::string& value = TypeValue(element);
    const std::size_t colon = value.find(':');
    return colon == std::string::npos ? value : value.substr(colon + 1);
}

std::string CClassfactoryBase::GetElementTypeNamespaceUri(const CXmlElement* element) {
    if (!element) return "";
    const std::string& value = TypeValue(element);
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos) return element->GetNamespaceURI();
    // The prefix is resolved where the value stands, not document-wide.
    const std::string uri = element->LookupNamespaceFromPrefix(value.substr(0, colon));
    return uri.empty() ? element->GetNamespaceURI() : uri;
}

}  // namespace QbXmlLib5
