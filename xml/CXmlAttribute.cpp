#include "xml/CXmlAttribute.h"

#include <utility>

namespace QbXmlLib5 {

namespace {

const char kXsiNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";
const char kXmlnsNamespace[] = "http://www.w3.org/2000/xmlns/";

}  // namespace

CXmlAttribute::CXmlAttribute(std::string localName, std::string value, std::string namespaceUri)
    : m_value(std::move(value)),
      m_ownNames(new std::string[2]{std::move(localName), std::move(namespaceUri)}) {
    m_localName = &m_ownNames[0];
    m_namespaceUri = &m_ownNames[1];
}

CXmlAttribute::CXmlAttribute(const std::string* localName, std::string_view value,
                             const std::string* namespaceUri)
    : m_localName(localName), m_namespaceUri(namespaceUri), m_value(value) {}

CXmlAttribute::~CXmlAttribute() = default;

bool CXmlAttribute::IsNamespaceAttribute() const {
    const std::string& namespaceUri = *m_namespaceUri;
    const std::string& localName = *m_localName;
    if (namespaceUri != kXsiNamespace && namespaceUri != kXmlnsNamespace) {
        return false;
    }
    return localName == "xmlns" || localName == "type" || localName == "schemaLocation" ||
           localName == "noNamespaceSchemaLocation";
}

}  // namespace QbXmlLib5
