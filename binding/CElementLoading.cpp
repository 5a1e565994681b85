// The loading entry points of CElement: each reads the document element
// itself into the element (the generic entry points would hand it the
// document element's first child).
#include "binding/CElement.h"
#include "types/CBinaryData.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

void CElement::ReadDocument(const CXmlDocument& document, const CXmlSerializationContext& ctx) {
    const CXmlElement* root = document.GetDocumentElement();
    FromXml_Int(nullptr, root, ctx, false);
}

void CElement::FromXml(const char* xml) {
    FromXml(xml, CXmlSerializationContext::GetDefaultContext());
}

void CElement::FromXml(const char* xml, const CXmlSerializationContext& ctx) {
    CXmlDocument document(ctx.GetSchemaType());
    document.LoadXml(xml);
    ReadDocument(document, ctx);
}

void CElement::FromXml(const wchar_t* xml, const CXmlSerializationContext& ctx) {
    CXmlDocument document(ctx.GetSchemaType());
    document.LoadXml(xml);
    ReadDocument(document, ctx);
}

void CElement::FromXmlFile(const char* fileName, const CXmlSerializationContext& ctx) {
    CXmlDocument document(ctx.GetSchemaType());
    document.Load(fileName);
    ReadDocument(document, ctx);
}

void CElement::FromXmlStream(const unsigned char* bytes, unsigned long length,
                             const CXmlSerializationContext& ctx) {
    CXmlDocument document(ctx.GetSchemaType());
    document.LoadXmlStream(bytes, length);
    ReadDocument(document, ctx);
}

void CElement::FromXmlStream(const CBinaryData& data, const CXmlSerializationContext& ctx) {
    FromXmlStream(data.GetData(), static_cast<unsigned long>(data.GetLength()), ctx);
}

}  // namespace QbXmlLib5
