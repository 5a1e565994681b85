#include "binding/CElement.h"

#include <cstring>

#include "binding/CElementCol.h"
#include "core/CQbException.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlWriter.h"

namespace QbXmlLib5 {

namespace {

const char* Safe(const char* s) { return s ? s : ""; }

bool IsWildcardKeyword(const char* ns) {
    static const char* const kKeywords[] = {"##any", "##other", "##local", "##targetNamespace"};
    for (const char* keyword : kKeywords) {
        if (std::strcmp(ns, keyword) == 0) return true;
    }
    return false;
}

// Reading and copying recurse once per level of the document; deeper
// documents are refused rather than allowed to exhaust the stack. The limit
// leaves room for sanitizer builds and for threads with small stacks.
constexpr int kMaxDepth = 1000;
thread_local int t_depth = 0;

class CDepthGuard {
public:
    explicit CDepthGuard(const CXmlElement* element) {
        if (++t_depth > kMaxDepth) {
            --t_depth;
            throw CQbException(FormatString("The element [%s] is nested more than %d levels deep",
                                            element->GetLocalName().c_str(), kMaxDepth));
        }
    }
    CDepthGuard(const CDepthGuard&) = delete;
    CDepthGuard& operator=(const CDepthGuard&) = delete;
    ~CDepthGuard() { --t_depth; }
};

const char kRestrictionMismatch[] = "The namespace %s in the class %s is invalid against restriction %s";

}  // namespace

CElement::CElement(const char* name) { Init(name, "", "##any", ""); }

CElement::CElement(const char* name, const char* namespaceUri) {
    if (namespaceUri && IsWildcardKeyword(namespaceUri)) {
        throw CQbInvalidNamespaceException(FormatString("Invalid Namespace [%s]", namespaceUri));
    }
    Init(name, namespaceUri, Safe(namespaceUri), "");
}

CElement::CElement(const char* name, const char* namespaceUri, const char* restriction,
                   const char* targetNamespace) {
    Init(name, namespaceUri, restriction, targetNamespace);
}

CElement::~CElement() = default;

void CElement::Init(const char* name, const char* namespaceUri, const char* restriction,
                    const char* targetNamespace) {
    if (!name) throw CQbInvalidNamespaceException("Element Name must have a value");
    if (!restriction) throw CQbInvalidNamespaceException("Namespace Restriction must have a value");
    if (!targetNamespace) throw CQbInvalidNamespaceException("Target Namespace must have a value");
    TestNamespace(namespaceUri, restriction, targetNamespace);
    m_name = name;
    m_namespaceUri = Safe(namespaceUri);
    m_restriction = restriction;
    m_targetNamespace = targetNamespace;
    m_attributes = new CAttributeCol(m_namespaceUri.c_str(), "##any", targetNamespace);
    m_childElements = new CElementCol(m_namespaceUri.c_str(), "##any", targetNamespace, 0, -1);
}

CSmartPtr<CElementCol> CElement::GetChildElements() const { return m_childElements; }

void CElement::SetName(const char* name) {
    m_name = Safe(name);
    FireOnChangeName();
}

void CElement::SetText(const char* text) {
    m_text = Safe(text);
    FireOnChangeText();
}

void CElement::SetNamespace(const char* namespaceUri) {
    m_namespaceUri = Safe(namespaceUri);
    FireOnChangeNamespace();
}

void CElement::SetNamespaceRestrictions(const char* restriction, const char* targetNamespace) {
    const std::string newRestriction = Safe(restriction);
    const std::string newTarget = Safe(targetNamespace);
    CheckRestriction(newRestriction, newTarget);
    StoreRestriction(newRestriction, newTarget);
}

void CElement::CheckRestriction(const std::string& restriction,
                                const std::string& targetNamespace) const {
    TestNamespace(m_namespaceUri.c_str(), restriction.c_str(), targetNamespace.c_str());
    const std::string mismatch = FormatString(kRestrictionMismatch, m_namespaceUri.c_str(),
                                              m_name.c_str(), restriction.c_str());
    for (CAttribute* attribute : *m_attributes) {
        if (!IsNamespaceValid(attribute->GetNamespace().c_str(), restriction.c_str(),
                              targetNamespace.c_str())) {
            throw CQbInvalidNamespaceException(mismatch);
        }
    }
    for (const CElement* child : *m_childElements) {
        try {
            child->CheckRestriction(restriction, targetNamespace);
        } catch (const CQbInvalidNamespaceException& e) {
            throw CQbInvalidNamespaceException(mismatch, e);
        }
    }
}

void CElement::StoreRestriction(const std::string& restriction,
                                const std::string& targetNamespace) {
    m_restriction = restriction;
    m_targetNamespace = targetNamespace;
    for (CElement* child : *m_childElements) child->StoreRestriction(restriction, targetNamespace);
}

void CElement::ToXml_Int(CXmlWriter* writer, bool, const char* namespaceUri,
                         const CXmlSerializationContext& ctx, bool) const {
    writer->WriteStartElement(m_name, m_namespaceUri);
    CXmlObjectBase::ToXml_Int(m_attributes, writer, false, namespaceUri, ctx, false);
    CXmlObjectBase::ToXml_Int(m_childElements, writer, false, namespaceUri, ctx, false);
    if (!m_text.empty()) writer->WriteText(m_text);
    writer->WriteEndElement();
}

const CXmlElement* CElement::FromXml_Int(const CXmlElement*, const CXmlElement* current,
                                         const CXmlSerializationContext& ctx, bool) {
    if (!current || !IsNamespaceValid(current->GetNamespaceURI().c_str(), m_restriction.c_str(),
                                      m_targetNamespace.c_str())) {
        return current;
    }
    const CDepthGuard guard(current);
    // Read into new collections so that a failure leaves this element as
    // it was.
    CSmartPtr<CAttributeCol> attributes =
        new CAttributeCol(m_namespaceUri.c_str(), "##any", m_targetNamespace.c_str());
    CSmartPtr<CElementCol> children =
        new CElementCol(m_namespaceUri.c_str(), "##any", m_targetNamespace.c_str(), 0, -1);
    CXmlObjectBase::FromXml_Int(attributes, current, nullptr, ctx);
    const CXmlElement* first = current->GetFirstElement();
    const CXmlElement* rest = CXmlObjectBase::FromXml_Int(children, current, first, ctx);
    if (rest) {
        throw CQbValidationException(FormatString("Invalid Element [%s] found in element [%s]",
                                                  rest->GetLocalName().c_str(),
                                                  current->GetLocalName().c_str()));
    }
    m_attributes->Clear();
    for (CAttribute* attribute : *attributes) m_attributes->Add(attribute);
    m_childElements->Clear();
    for (CElement* child : *children) m_childElements->Add(child);
    m_text = current->GetText();
    m_name = current->GetLocalName();
    m_namespaceUri = current->GetNamespaceURI();
    return current->GetNextSiblingElement();
}

void CElement::CopyXmlElement(const CXmlElement* element) {
    if (!element) return;
    const CDepthGuard guard(element);
    m_name = element->GetLocalName();
    m_namespaceUri = element->GetNamespaceURI();
    m_text = element->GetText();
    m_attributes->Clear();
    m_childElements->Clear();
    for (const CXmlAttribute* attribute : element->GetAttributes()) {
        m_attributes->Add(attribute->GetLocalName().c_str(), attribute->GetValue().c_str(),
                          attribute->GetNamespaceURI().c_str());
    }
    for (const CXmlElement* child = element->GetFirstElement(); child;
         child = child->GetNextSiblingElement()) {
        CSmartPtr<CElement> copy = new CElement(child->GetLocalName().c_str());
        copy->CopyXmlElement(child);
        m_childElements->Add(copy);
    }
}

}  // namespace QbXmlLib5
