// CXmlObjectBase::DoesElementNameMatch, which needs the document tree.
#include "core/CXmlObjectBase.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

bool CXmlObjectBase::DoesElementNameMatch(const CXmlSerializationContext& ctx,
                                          const CXmlElement* element, const char* name,
                                          const char* namespaceUri) const {
    if (!element || element->GetLocalName() != (name ? name : "")) return false;
    // Also true for schema type 2, documents without namespaces.
    if (ctx.GetIgnoreNamespaces()) return true;
    return element->GetNamespaceURI() == (namespaceUri ? namespaceUri : "");
}

}  // namespace QbXmlLib5
