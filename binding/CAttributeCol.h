// CAttributeCol: the untyped attributes of an element (xs:anyAttribute), and
// the context's additional root attributes.
//
// The collection carries a wildcard namespace restriction ("##any",
// "##other", "##local", "##targetNamespace" or a blank-separated list of
// URIs) and the target namespace it refers to; Add by name and reading test
// every attribute's namespace against them. Its namespace (GetNamespace) is
// the default namespace of Add without one.
#ifndef QBXMLLIB5_BINDING_CATTRIBUTECOL_H
#define QBXMLLIB5_BINDING_CATTRIBUTECOL_H

#include <string>

#include "binding/CAttribute.h"
#include "binding/CQbIterator.h"
#include "binding/CXmlCollection.h"
#include "core/CSmartPtr.h"
#include "core/CXmlSerializationContext.h"

namespace QbXmlLib5 {

class CAttributeCol : public CXmlCollection {
public:
    // The default namespace is namespaceUri when not empty, else the first
    // token of the restriction when it is a URI (see DefaultNamespace).
    CAttributeCol(const char* namespaceUri, const char* restriction,
                  const char* targetNamespace);
    CAttributeCol(const CAttributeCol&) = delete;
    CAttributeCol& operator=(const CAttributeCol&) = delete;

    CXmlObjectBase* GetBase() override { return this; }

    // Create and append an attribute after testing its namespace; throw
    // CQbInvalidNamespaceException when the restriction rejects it. The
    // shorter forms use the default namespace and an empty value.
    CSmartPtr<CAttribute> Add(const char* name, const char* value, const char* namespaceUri);
    CSmartPtr<CAttribute> Add(const char* name, const char* value);
    CSmartPtr<CAttribute> Add(const char* name);
    // Appends an existing attribute as it is (no namespace test).
    CSmartPtr<CAttribute> Add(CAttribute* attribute);

    // The attribute at index; CQbInvalidParamException when out of range.
    CSmartPtr<CAttribute> Item(int index) const;
    // Insert after / before existing (null: first / last).
    void AddAfter(const CAttribute* existing, CAttribute* attribute);
    void AddBefore(const CAttribute* existing, CAttribute* attribute);

    CQbIterator<CAttribute> begin() const { return CQbIterator<CAttribute>(GetFirstNode()); }
    CQbIterator<CAttribute> end() const {
        return CQbIterator<CAttribute>(GetLastNode(), true);
    }

    std::string GetNamespaceRestriction() const { return m_restriction; }

    // namespaceUri when not empty; otherwise the first blank-separated token
    // of the restriction when it has two characters or more and neither of
    // its first two is '#'; otherwise "".
    static std::string DefaultNamespace(const char* namespaceUri, const char* restriction);

protected:
    ~CAttributeCol() override;

    // The default namespace.
    std::string GetTargetNamespace() override { return GetNamespace(); }
    // Every attribute writes itself onto the open element.
    void ToXml_Int(CXmlWriter* writer, bool isRoot, const char* namespaceUri,
                   const CXmlSerializationContext& ctx, bool choiceFlag) const override;
    // Adds every attribute of element; an attribute outside the restriction
    // throws CQbInvalidNamespaceException. Returns current.
    const CXmlElement* FromXml_Int(const CXmlElement* element, const CXmlElement* current,
                                   const CXmlSerializationContext& ctx, bool flag) override;

private:
    std::string m_restriction;
    std::string m_targetNamespace;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CATTRIBUTECOL_H
