// CXmlAttribute: one attribute of a CXmlElement in a read-only document tree.
//
// All three strings are in the local character encoding. The namespace URI is
// empty for an unqualified attribute. Attributes read into a document belong
// to the document and share its copies of the names.
#ifndef QBXMLLIB5_XML_CXMLATTRIBUTE_H
#define QBXMLLIB5_XML_CXMLATTRIBUTE_H

#include <memory>
#include <string>
#include <string_view>

#include "xml/CBlockPool.h"
#include "xml/CXmlName.h"

namespace QbXmlLib5 {

class CXmlAttribute {
public:
    CXmlAttribute(std::string localName, std::string value, std::string namespaceUri);
    // Not virtual: a document holds its attributes by the million.
    ~CXmlAttribute();

    CXmlAttribute(const CXmlAttribute&) = delete;
    CXmlAttribute& operator=(const CXmlAttribute&) = delete;

    const std::string& GetLocalName() const { return *m_name->localName; }
    const std::string& GetValue() const { return m_value; }
    const std::string& GetNamespaceURI() const { return *m_name->namespaceUri; }

    // True for the attributes that drive XML machinery rather than carry data:
    // local name xmlns, type, schemaLocation or noNamespaceSchemaLocation in
    // either the XML Schema instance namespace or the xmlns namespace.
    bool IsNamespaceAttribute() const;

private:
    friend class CBlockPool<CXmlAttribute>;
    friend class CXmlDocument;

    // An attribute of a document, whose name is the document's shared copy
    // (it must outlive the attribute).
    CXmlAttribute(const CXmlName* name, std::string_view value);

    // Kept to two members: documents hold attributes by the million. The
    // name of an attribute made by the public constructor is its own (see
    // CXmlName::ownedByAttribute).
    const CXmlName* m_name;
    std::string m_value;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLATTRIBUTE_H
