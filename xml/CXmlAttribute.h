// CXmlAttribute: one attribute of a CXmlElement in a read-only document tree.
//
// All three strings are in the local character encoding. The namespace URI is
// empty for an unqualified attribute. Attributes are owned by their element.
#ifndef QBXMLLIB5_XML_CXMLATTRIBUTE_H
#define QBXMLLIB5_XML_CXMLATTRIBUTE_H

#include <string>
#include <string_view>

#include "xml/CBlockPool.h"

namespace QbXmlLib5 {

class CXmlAttribute {
public:
    CXmlAttribute(std::string localName, std::string value, std::string namespaceUri);
    virtual ~CXmlAttribute();

    CXmlAttribute(const CXmlAttribute&) = delete;
    CXmlAttribute& operator=(const CXmlAttribute&) = delete;

    const std::string& GetLocalName() const { return m_localName; }
    const std::string& GetValue() const { return m_value; }
    const std::string& GetNamespaceURI() const { return m_namespaceUri; }

    // True for the attributes that drive XML machinery rather than carry data:
    // local name xmlns, type, schemaLocation or noNamespaceSchemaLocation in
    // either the XML Schema instance namespace or the xmlns namespace.
    bool IsNamespaceAttribute() const;

private:
    friend class CBlockPool<CXmlAttribute>;
    friend class CXmlDocument;

    // Readers build attributes straight from the parser's buffers.
    struct FromViews {};
    CXmlAttribute(FromViews, std::string_view localName, std::string_view value,
                  std::string_view namespaceUri);

    std::string m_localName;
    std::string m_value;
    std::string m_namespaceUri;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLATTRIBUTE_H
