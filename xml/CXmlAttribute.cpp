#include "xml/CXmlAttribute.h"

#include <utility>

namespace QbXmlLib5 {

namespace {

const char kXsiNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";
const char kXmlnsNamespace[] = "http://www.w3.org/2000/xmlns/";

// The name of an attribute made by the public constructor, with its parts.
struct COwnedName : CXmlName {
    COwnedName(std::string local, std::string uri)
        : CXmlName{nullptr, nullptr, true},
          ownLocalName(std::move(local)),
          ownNamespaceUri(std::move(uri)) {
        localName = &ownLocalName;
        namespaceUri = &ownNamespaceUri;
    }
    std::string ownLocalName;
    std::string ownNamespaceUri;
};

}  // namespace

CXmlAttribute::CXmlAttribute(std::string localName, std::string value, std::string namespaceUri)
    : m_name(new COwnedName(std::move(localName), std::move(namespaceUri))),
      m_value(std::move(value)) {}

CXmlAttribute::CXmlAttribute(const CXmlName* name, std::string_view value)
    : m_name(name), m_value(value) {}

CXmlAttribute::~CXmlAttribute() {
    if (m_name->ownedByAttribute) {
        delete static_cast<const COwnedName*>(m_name);
    }
}

bool CXmlAttribute::IsNamespaceAttribute() const {
    const std::string& namespaceUri = GetNamespaceURI();
    const std::string& localName = GetLocalName();
    if (namespaceUri != kXsiNamespace && namespaceUri != kXmlnsNamespace) {
        return false;
    }
    return localName == "xmlns" || localName == "type" || localName == "schemaLocation" ||
           localName == "noNamespaceSchemaLocation";
}

}  // namespace QbXmlLib5
