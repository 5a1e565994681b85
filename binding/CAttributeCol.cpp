#include "binding/CAttributeCol.h"

#include "core/CQbException.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

namespace {
const char* Safe(const char* s) { return s ? s : ""; }
}  // namespace

std::string CAttributeCol::DefaultNamespace(const char* namespaceUri, const char* restriction) {
    if (namespaceUri && *namespaceUri) return namespaceUri;
    const std::string text = Safe(restriction);
    const std::string::size_type start = text.find_first_not_of(' ');
    if (start == std::string::npos) return "";
    const std::string token = text.substr(start, text.find(' ', start) - start);
    if (token.size() < 2 || token[0] == '#' || token[1] == '#') return "";
    return token;
}

CAttributeCol::CAttributeCol(const char* namespaceUri, const char* restriction,
                             const char* targetNamespace)
    : CXmlCollection("", DefaultNamespace(namespaceUri, restriction).c_str(), 0, -1),
      m_restriction(Safe(restriction)),
      m_targetNamespace(Safe(targetNamespace)) {}

CAttributeCol::~CAttributeCol() = default;

CSmartPtr<CAttribute> CAttributeCol::Add(const char* name, const char* value,
                                         const char* namespaceUri) {
    TestNamespace(namespaceUri, m_restriction.c_str(), m_targetNamespace.c_str());
    CSmartPtr<CAttribute> attribute = new CAttribute(name, value, namespaceUri);
    AppendItem(attribute);
    return attribute;
}

CSmartPtr<CAttribute> CAttributeCol::Add(const char* name, const char* value) {
    return Add(name, value, GetNamespace().c_str());
}

CSmartPtr<CAttribute> CAttributeCol::Add(const char* name) { return Add(name, ""); }

CSmartPtr<CAttribute> CAttributeCol::Add(CAttribute* attribute) {
    Throw_IfPropertyIsNull(attribute, "Attribute");
    CSmartPtr<CAttribute> held = attribute;
    AppendItem(attribute);
    return held;
}

CSmartPtr<CAttribute> CAttributeCol::Item(int index) const {
    return static_cast<CAttribute*>(GetNodeAtIndex(index)->item);
}

void CAttributeCol::AddAfter(const CAttribute* existing, CAttribute* attribute) {
    Throw_IfPropertyIsNull(attribute, "Attribute");
    AddAfterItem(existing, attribute);
}

void CAttributeCol::AddBefore(const CAttribute* existing, CAttribute* attribute) {
    Throw_IfPropertyIsNull(attribute, "Attribute");
    AddBeforeItem(existing, attribute);
}

void CAttributeCol::ToXml_Int(CXmlWriter* writer, bool, const char* namespaceUri,
                              const CXmlSerializationContext& ctx, bool) const {
    for (const CAttribute* attribute : *this) {
        CXmlObjectBase::ToXml_Int(attribute, writer, false, namespaceUri, ctx, false);
    }
}

const CXmlElement* CAttributeCol::FromXml_Int(const CXmlElement* element,
                                              const CXmlElement* current,
                                              const CXmlSerializationContext&, bool) {
    if (!element) return current;
    for (const CXmlAttribute* attribute : element->GetAttributes()) {
        const std::string& ns = attribute->GetNamespaceURI();
        if (!IsNamespaceValid(ns.c_str(), m_restriction.c_str(), m_targetNamespace.c_str())) {
            throw CQbInvalidNamespaceException(FormatString(
                "Invalid Attribute [%s]. The attributes namespace is Inappropriate.",
                attribute->GetLocalName().c_str()));
        }
        Add(attribute->GetLocalName().c_str(), attribute->GetValue().c_str(), ns.c_str());
    }
    return current;
}

}  // namespace QbXmlLib5
