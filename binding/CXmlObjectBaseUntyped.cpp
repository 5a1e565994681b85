// The conversions between untyped elements and other bindable objects. They
// go through the entry points, so they live apart from CElement: programs
// that use untyped content without them need not link the writers.
#include "binding/CElement.h"
#include "core/CQbException.h"
#include "types/CBinaryData.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

// Writes the object and reads the text back into this element.
CElement::CElement(CXmlObjectBase* object) {
    Init("", "", "##any", "");
    Throw_IfPropertyIsNull(object, "Object");
    const CXmlSerializationContext ctx;
    const CBinaryData bytes = object->ToXmlStream(false, false, XE_UTF8, EOL_LF, ctx, CT_NONE);
    CXmlDocument document(ctx.GetSchemaType());
    document.LoadXmlStream(bytes.GetData(), static_cast<unsigned long>(bytes.GetLength()));
    CopyXmlElement(document.GetDocumentElement());
}

// The untyped form of the entry point: the element goes through its own
// text form, read back with the caller's context.
void CXmlObjectBase::FromXmlElement(const CElement* element, CXmlSerializationContext& ctx) {
    Throw_IfPropertyIsNull(element, "Element");
    const std::string xml = element->ToXml(false, false, EOL_LF,
                                           CXmlSerializationContext::GetDefaultContext());
    FromXml(xml.c_str(), ctx);
}

}  // namespace QbXmlLib5
