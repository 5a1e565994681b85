// The FromXml overloads of CElement. They only forward to the entry points
// of CXmlObjectBase, which read the document element itself into an
// untyped element; declaring them here keeps all three callable on a
// CElement next to the one-argument form.
#include "binding/CElement.h"

namespace QbXmlLib5 {

void CElement::FromXml(const char* xml) {
    FromXml(xml, CXmlSerializationContext::GetDefaultContext());
}

void CElement::FromXml(const char* xml, const CXmlSerializationContext& ctx) {
    CXmlObjectBase::FromXml(xml, ctx);
}

void CElement::FromXml(const wchar_t* xml, const CXmlSerializationContext& ctx) {
    CXmlObjectBase::FromXml(xml, ctx);
}

}  // namespace QbXmlLib5
