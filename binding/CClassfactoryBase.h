// CClassfactoryBase: the base of generated class factories, which choose the
// concrete class of an abstract or substitutable member from the element
// being read, normally from its xsi:type attribute.
#ifndef QBXMLLIB5_BINDING_CCLASSFACTORYBASE_H
#define QBXMLLIB5_BINDING_CCLASSFACTORYBASE_H

#include <string>

namespace QbXmlLib5 {

class CXmlElement;

class CClassfactoryBase {
public:
    CClassfactoryBase() = default;
    CClassfactoryBase(const CClassfactoryBase&) = default;
    CClassfactoryBase& operator=(const CClassfactoryBase&) = default;
    virtual ~CClassfactoryBase();

protected:
    // The local part of the element's xsi:type value (the text after the
    // first colon); empty when the element has no xsi:type.
    static std::string GetElementType(const CXmlElement* element);
    // The namespace URI of the element's xsi:type value: the URI its prefix
    // is bound to in scope at the element; the element's own namespace URI
    // when the value has no prefix or the prefix is not bound.
    static std::string GetElementTypeNamespaceUri(const CXmlElement* element);
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CCLASSFACTORYBASE_H
