// CGlobalDeclarations: the global element and attribute declarations of a
// set of compiled schemas, through which wildcards that process their
// content (processContents strict or lax) read what they take.
//
// Generated code builds one per schema set (GlobalDeclarations()) and hands
// the function that returns it to its wildcard records. A global element of
// complex type is read through a new object of its class, so its whole
// content model, values and facets are checked; one of simple type has its
// text checked against its type; a global attribute its value.
// Strict processing refuses an element or attribute that has no global
// declaration; lax processing takes it as it is, and assesses the content of
// such an element the same way, element by element.
#ifndef QBXMLLIB5_BINDING_CGLOBALDECLARATIONS_H
#define QBXMLLIB5_BINDING_CGLOBALDECLARATIONS_H

#include <string>
#include <vector>

#include "core/CSmartPtr.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"
#include "types/CPrimitiveRestrictions.h"
#include "types/CWhitespaceUtils.h"
#include "types/ItemType.h"

namespace QbXmlLib5 {
class CXmlElement;
}

namespace QbXmlLib5Data {

// How a wildcard treats what it takes, as XML Schema's processContents.
enum ProcessContents { ProcessSkip = 0, ProcessLax = 1, ProcessStrict = 2 };

// A global declaration of simple type: its name and how its text is checked.
struct CSimpleDeclaration {
    const char* name;
    const char* namespaceUri;
    QbXmlLib5::ItemType itemType;
    QbXmlLib5::CWhitespaceUtils::WhitespaceRule whitespaceRule;
    QbXmlLib5::CPrimitiveRestrictions facets;
};

class CGlobalDeclarations {
public:
    // A new object for a global element of complex type (its class chosen
    // by xsi:type where the type has derived types), or null.
    typedef CSmartPtr<QbXmlLib5::CXmlObjectBase> (*ElementFactory)(
        const QbXmlLib5::CXmlElement* element);

    CGlobalDeclarations(ElementFactory createElement, std::vector<CSimpleDeclaration> elements,
                        std::vector<CSimpleDeclaration> attributes);

    // Checks an element a wildcard took; throws when it is invalid, or has
    // no declaration under strict processing.
    void CheckElement(const QbXmlLib5::CXmlElement* element, ProcessContents processing,
                      const QbXmlLib5::CXmlSerializationContext& ctx) const;
    // The same for an attribute.
    void CheckAttribute(const std::string& localName, const std::string& namespaceUri,
                        const std::string& value, ProcessContents processing) const;

private:
    // Whether `element` has a declaration; if so, checks it.
    bool CheckDeclared(const QbXmlLib5::CXmlElement* element,
                       const QbXmlLib5::CXmlSerializationContext& ctx) const;
    static const CSimpleDeclaration* Find(const std::vector<CSimpleDeclaration>& declarations,
                                          const std::string& localName,
                                          const std::string& namespaceUri);
    static void CheckValue(const CSimpleDeclaration& declaration, const std::string& text);

    ElementFactory m_createElement;
    std::vector<CSimpleDeclaration> m_elements;
    std::vector<CSimpleDeclaration> m_attributes;
};

// What generated code hands to wildcard records: the schema set's
// declarations, built on first use.
typedef const CGlobalDeclarations& (*GlobalDeclarationsFunction)();

}  // namespace QbXmlLib5Data

#endif  // QBXMLLIB5_BINDING_CGLOBALDECLARATIONS_H
