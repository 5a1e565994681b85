#include "binding/CGlobalDeclarations.h"

#include <utility>

#include "binding/CElementInfo.h"
#include "core/CQbException.h"
#include "types/QbVariant.h"
#include "xml/CXmlAttribute.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5Data {

using namespace QbXmlLib5;

namespace {

std::string Expanded(const std::string& namespaceUri, const std::string& localName) {
    return namespaceUri.empty() ? localName : "{" + namespaceUri + "}" + localName;
}

}  // namespace

CGlobalDeclarations::CGlobalDeclarations(ElementFactory createElement,
                                         std::vector<CSimpleDeclaration> elements,
                                         std::vector<CSimpleDeclaration> attributes)
    : m_createElement(createElement),
      m_elements(std::move(elements)),
      m_attributes(std::move(attributes)) {}

const CSimpleDeclaration* CGlobalDeclarations::Find(
    const std::vector<CSimpleDeclaration>& declarations, const std::string& localName,
    const std::string& namespaceUri) {
    for (const CSimpleDeclaration& declaration : declarations) {
        if (localName == declaration.name && namespaceUri == declaration.namespaceUri) {
            return &declaration;
        }
    }
    return nullptr;
}

void CGlobalDeclarations::CheckValue(const CSimpleDeclaration& declaration,
                                     const std::string& text) {
    QbVariant value;
    value.FromString(text, declaration.itemType, declaration.whitespaceRule);
    CheckPrimitiveValue(declaration.itemType, declaration.facets, declaration.name, value);
}

bool CGlobalDeclarations::CheckDeclared(const CXmlElement* element,
                                        const CXmlSerializationContext& ctx) const {
    if (const CSimpleDeclaration* simple =
            Find(m_elements, element->GetLocalName(), element->GetNamespaceURI())) {
        if (element->GetFirstElement()) {
            throw CQbValidationException(
                FormatString("The element [%s] has a simple type: it cannot hold the element [%s]",
                             element->GetLocalName().c_str(),
                             element->GetFirstElement()->GetLocalName().c_str()));
        }
        try {
            CheckValue(*simple, element->GetText());
        } catch (const CQbException& e) {
            throw CQbValidationException(
                FormatString("Failed to process the element [%s]", element->GetLocalName().c_str()),
                e);
        }
        return true;
    }
    const CSmartPtr<CXmlObjectBase> object = m_createElement ? m_createElement(element) : nullptr;
    if (!object) return false;
    CElementInfo::FromXml_Int(object, element, element->GetFirstElement(), ctx, false);
    return true;
}

void CGlobalDeclarations::CheckElement(const CXmlElement* element, ProcessContents processing,
                                       const CXmlSerializationContext& ctx) const {
    if (processing == ProcessSkip) return;
    if (CheckDeclared(element, ctx)) return;
    if (processing == ProcessStrict) {
        throw CQbValidationException(
            FormatString("No global declaration of the element [%s] for a strict wildcard",
                         Expanded(element->GetNamespaceURI(), element->GetLocalName()).c_str()));
    }
    // Lax: what has no declaration is assessed laxly in turn, attributes and
    // children, with a list rather than recursion, whatever the depth.
    std::vector<const CXmlElement*> pending = {element};
    while (!pending.empty()) {
        const CXmlElement* next = pending.back();
        pending.pop_back();
        for (const CXmlAttribute* attribute : next->GetAttributes()) {
            if (attribute->IsNamespaceAttribute()) continue;
            CheckAttribute(attribute->GetLocalName(), attribute->GetNamespaceURI(),
                           attribute->GetValue(), ProcessLax);
        }
        for (const CXmlElement* child = next->GetFirstElement(); child;
             child = child->GetNextSiblingElement()) {
            if (!CheckDeclared(child, ctx)) pending.push_back(child);
        }
    }
}

void CGlobalDeclarations::CheckAttribute(const std::string& localName,
                                         const std::string& namespaceUri, const std::string& value,
                                         ProcessContents processing) const {
    if (processing == ProcessSkip) return;
    if (const CSimpleDeclaration* declaration = Find(m_attributes, localName, namespaceUri)) {
        CheckValue(*declaration, value);
    } else if (processing == ProcessStrict) {
        throw CQbValidationException(
            FormatString("No global declaration of the attribute [%s] for a strict wildcard",
                         Expanded(namespaceUri, localName).c_str()));
    }
}

}  // namespace QbXmlLib5Data
