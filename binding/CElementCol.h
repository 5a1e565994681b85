// CElementCol: an ordered list of untyped elements (xs:any content, and the
// children of a CElement).
//
// The collection carries a wildcard namespace restriction and the target
// namespace it refers to; Add and reading test every element's namespace
// against them. Its namespace URI is the one Add with a name only uses.
#ifndef QBXMLLIB5_BINDING_CELEMENTCOL_H
#define QBXMLLIB5_BINDING_CELEMENTCOL_H

#include <string>

#include "binding/CElement.h"
#include "binding/CQbIterator.h"
#include "binding/CXmlCollection.h"
#include "core/CSmartPtr.h"
#include "core/CXmlSerializationContext.h"

namespace QbXmlLib5 {

class CElementCol : public CXmlCollection {
public:
    // The namespace URI used by Add with a name only follows the rule of
    // CAttributeCol::DefaultNamespace; when not empty it must satisfy the
    // restriction (CQbInvalidNamespaceException otherwise).
    CElementCol(const char* namespaceUri, const char* restriction, const char* targetNamespace,
                int minOccurs, int maxOccurs);
    CElementCol(const CElementCol&) = delete;
    CElementCol& operator=(const CElementCol&) = delete;

    CXmlObjectBase* GetBase() override { return this; }
    // The target namespace.
    std::string GetNamespace() override { return m_targetNamespace; }

    // Creates and appends an element after testing its namespace.
    CSmartPtr<CElement> Add(const char* name, const char* namespaceUri);
    // As above with the collection's namespace URI; CQbInvalidStateException
    // when the collection has none.
    CSmartPtr<CElement> Add(const char* name);
    // Appends an existing element after testing its namespace.
    CSmartPtr<CElement> Add(CElement* element);

    // The element at index; CQbInvalidParamException when out of range.
    CSmartPtr<CElement> Item(int index) const;
    // Insert after / before existing (null: first / last), after testing the
    // new element's namespace.
    void AddAfter(const CElement* existing, CElement* element);
    void AddBefore(const CElement* existing, CElement* element);

    CQbIterator<CElement> begin() const { return CQbIterator<CElement>(GetFirstNode()); }
    CQbIterator<CElement> end() const { return CQbIterator<CElement>(GetLastNode(), true); }

    std::string GetNamespaceRestriction() const { return m_restriction; }
    std::string GetCollectionNamespace() const { return m_namespaceUri; }

protected:
    friend class QbXmlLib5Data::CElementInfo;
    ~CElementCol() override;

    std::string GetTargetNamespace() override { return m_targetNamespace; }
    // ValidateCount, then every element writes itself.
    void ToXml_Int(CXmlWriter* writer, bool isRoot, const char* namespaceUri,
                   const CXmlSerializationContext& ctx, bool choiceFlag) const override;
    // Reads the run of siblings from current on whose namespaces pass the
    // restriction; returns the first element not read.
    const CXmlElement* FromXml_Int(const CXmlElement* parent, const CXmlElement* current,
                                   const CXmlSerializationContext& ctx, bool flag) override;
    // Reads the run of siblings from current on whose local name and
    // namespace are exactly name and namespaceUri.
    virtual const CXmlElement* FromXmlLockElementName_Int(std::string name,
                                                          std::string namespaceUri,
                                                          const CXmlElement* parent,
                                                          const CXmlElement* current,
                                                          const CXmlSerializationContext& ctx);

private:
    // Tests element's namespace against the restriction.
    void TestElement(const CElement* element) const;
    // Reads current into a new element built with restriction; appends it
    // and returns the next sibling, or returns current when nothing was read.
    const CXmlElement* ReadOne(const CXmlElement* parent, const CXmlElement* current,
                               const char* restriction, const CXmlSerializationContext& ctx);

    std::string m_restriction;
    std::string m_namespaceUri;
    std::string m_targetNamespace;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CELEMENTCOL_H
