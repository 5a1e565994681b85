#include "xml/CXmlAttribute.h"

#include <utility>

namespace QbXmlLib5 {

namespace {

const char kXsiNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";
const char kXmlnsNamespace[] = "http://www.w3.org/2000/xmlns/";

}  // namespace

CXmlAttribute::CXmlAttribute(std::string localName, std::string value, std::string namespaceUri)
    : m_localName(std::move(localName)),
      m_value(std::move(value)),
      m_namespaceUri(std::move(namespaceUri)) {}

CXmlAttribute::CXmlAttribute(FromViews, std::string_view localName, std::string_view value,
                             std::string_view namespaceUri)
    : m_localName(localName), m_value(value), m_namespaceUri(namespaceUri) {}

CXmlAttribute::~CXmlAttribute() = default;

bool CXmlAttribute::IsNamespaceAttribute() const {
    if (m_namespaceUri != kXsiNamespace && m_namespaceUri != kXmlnsNamespace) {
        return false;
    }
    return m_localName == "xmlns" || m_localName == "type" || m_localName == "schemaLocation" ||
           m_localName == "noNamespaceSchemaLocation";
}

}  // namespace QbXmlLib5
