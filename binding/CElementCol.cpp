#include "binding/CElementCol.h"

#include "binding/CAttributeCol.h"
#include "core/CQbException.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

namespace {
const char* Safe(const char* s) { return s ? s : ""; }
}  // namespace

CElementCol::CElementCol(const char* namespaceUri, const char* restriction,
                         const char* targetNamespace, int minOccurs, int maxOccurs)
    : CXmlCollection("", "", minOccurs, maxOccurs),
      m_restriction(Safe(restriction)),
      m_namespaceUri(CAttributeCol::DefaultNamespace(namespaceUri, restriction)),
      m_targetNamespace(Safe(targetNamespace)) {
    if (!m_namespaceUri.empty()) {
        TestNamespace(m_namespaceUri.c_str(), m_restriction.c_str(), m_targetNamespace.c_str());
    }
}

CElementCol::~CElementCol() = default;

void CElementCol::TestElement(const CElement* element) const {
    Throw_IfPropertyIsNull(element, "Element");
    TestNamespace(element->m_namespaceUri.c_str(), m_restriction.c_str(),
                  m_targetNamespace.c_str());
}

CSmartPtr<CElement> CElementCol::Add(const char* name, const char* namespaceUri) {
    TestNamespace(namespaceUri, m_restriction.c_str(), m_targetNamespace.c_str());
    CSmartPtr<CElement> element =
        new CElement(name, Safe(namespaceUri), m_restriction.c_str(), m_targetNamespace.c_str());
    AppendItem(element);
    return element;
}

CSmartPtr<CElement> CElementCol::Add(const char* name) {
    if (m_namespaceUri.empty()) {
        throw CQbInvalidStateException("A Namespace has not been set for this Collection");
    }
    return Add(name, m_namespaceUri.c_str());
}

CSmartPtr<CElement> CElementCol::Add(CElement* element) {
    TestElement(element);
    CSmartPtr<CElement> held = element;
    AppendItem(element);
    return held;
}

CSmartPtr<CElement> CElementCol::Item(int index) const {
    return static_cast<CElement*>(GetNodeAtIndex(index)->item);
}

void CElementCol::AddAfter(const CElement* existing, CElement* element) {
    TestElement(element);
    AddAfterItem(existing, element);
}

void CElementCol::AddBefore(const CElement* existing, CElement* element) {
    TestElement(element);
    AddBeforeItem(existing, element);
}

void CElementCol::ToXml_Int(CXmlWriter* writer, bool, const char* namespaceUri,
                            const CXmlSerializationContext& ctx, bool) const {
    ValidateCount(ctx);
    for (const CElement* element : *this) {
        CXmlObjectBase::ToXml_Int(element, writer, false, namespaceUri, ctx, false);
    }
}

const CXmlElement* CElementCol::ReadOne(const CXmlElement* parent, const CXmlElement* current,
                                        const char* restriction,
                                        const CXmlSerializationContext& ctx) {
    CSmartPtr<CElement> element =
        new CElement(current->GetLocalName().c_str(), current->GetNamespaceURI().c_str(),
                     restriction, m_targetNamespace.c_str());
    const CXmlElement* next = CXmlObjectBase::FromXml_Int(element, parent, current, ctx);
    if (next != current) Add(element);
    return next;
}

const CXmlElement* CElementCol::FromXml_Int(const CXmlElement* parent,
                                            const CXmlElement* current,
                                            const CXmlSerializationContext& ctx, bool) {
    while (current && IsNamespaceValid(current->GetNamespaceURI().c_str(),
                                       m_restriction.c_str(), m_targetNamespace.c_str())) {
        const CXmlElement* next = ReadOne(parent, current, m_restriction.c_str(), ctx);
        if (next == current) break;
        current = next;
    }
    return current;
}

const CXmlElement* CElementCol::FromXmlLockElementName_Int(std::string name,
                                                           std::string namespaceUri,
                                                           const CXmlElement* parent,
                                                           const CXmlElement* current,
                                                           const CXmlSerializationContext& ctx) {
    while (current && current->GetLocalName() == name &&
           current->GetNamespaceURI() == namespaceUri) {
        const CXmlElement* next = ReadOne(parent, current, "##any", ctx);
        if (next == current) break;
        current = next;
    }
    return current;
}

}  // namespace QbXmlLib5
