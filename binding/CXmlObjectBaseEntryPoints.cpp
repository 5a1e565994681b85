// The public entry points of CXmlObjectBase: thin drivers that create a text
// writer or a document, let the object write or read itself through its
// virtual ToXml_Int / FromXml_Int, and package the result.
#include <memory>
#include <string>

#include "binding/CElement.h"
#include "binding/CReadAhead.h"
#include "binding/CReadLocation.h"
#include "binding/CXmlGeneratedClass.h"
#include "core/CQbException.h"
#include "core/CXmlObjectBase.h"
#include "types/CBinaryData.h"
#include "xml/CXmlDocument.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlTextWriter.h"

namespace QbXmlLib5 {

namespace {

// Runs the object's own writer over a configured text writer.
void WriteDocument(const CXmlObjectBase& object, CXmlTextWriter& writer, bool declaration,
                   bool formatted, XmlEncoding encoding, EOLType eol,
                   const std::string& targetNamespace, const CXmlSerializationContext& ctx) {
    writer.SetFormatted(formatted);
    writer.SetEOLType(eol);
    if (declaration) writer.WriteStartDocument(encoding);
    CXmlObjectBase::ToXml_Int(&object, &writer, true, targetNamespace.c_str(), ctx, false);
    if (declaration) writer.WriteEndDocument();
}

// The document as uncompressed bytes in `encoding`.
CBinaryData EncodeDocument(const CXmlObjectBase& object, bool declaration, bool formatted,
                           XmlEncoding encoding, EOLType eol, const std::string& targetNamespace,
                           const CXmlSerializationContext& ctx) {
    CXmlTextWriter writer;
    WriteDocument(object, writer, declaration, formatted, encoding, eol, targetNamespace, ctx);
    return writer.GetXmlBytes(encoding);
}

// Lets the object read `element`; a refusal says where in the document it
// happened, ahead of its own chain.
void ReadLocated(CXmlObjectBase& object, const CXmlElement* element,
                 const CXmlSerializationContext& ctx) {
    CReadLocation::Reset();
    try {
        CXmlObjectBase::FromXml_Int(&object, element, element->GetFirstElement(), ctx);
    } catch (const CQbException& e) {
        const std::string where = CReadLocation::TakeFailure();
        if (where.empty()) throw;
        throw CQbValidationException("Failed to read the document at " + where, e);
    }
    CReadLocation::Reset();
}

// Loads a document with `load` and lets the object read its document element.
// The document lives for this call only. A generated object reads what it
// can while the document loads, so that the tree is never whole.
template <typename Load>
void ReadDocument(CXmlObjectBase& object, const CXmlSerializationContext& ctx, Load load) {
    // An untyped element takes the whole document: the document element
    // itself, not its first child.
    const bool untyped = dynamic_cast<CElement*>(object.GetBase()) != nullptr;
    auto* generated = dynamic_cast<CXmlGeneratedClass*>(object.GetBase());
    const std::unique_ptr<CReadAhead> ahead(generated ? new CReadAhead(generated, ctx) : nullptr);
    CXmlDocument document(ctx.GetSchemaType());
    document.SetKeepLineNumbers(!untyped);
    document.SetElementConsumer(ahead.get());
    load(document);
    document.SetElementConsumer(nullptr);
    const CXmlElement* root = document.GetDocumentElement();
    if (!root) throw CQbException("Invalid or empty XML document");
    if (untyped) {
        CXmlObjectBase::FromXml_Int(&object, nullptr, root, ctx);
        return;
    }
    if (!ahead) {
        ReadLocated(object, root, ctx);
        return;
    }
    const CReadAhead::CInUse use(*ahead);
    ReadLocated(object, root, ctx);
}

}  // namespace

std::string CXmlObjectBase::ToXml(bool declaration, bool formatted, EOLType eol,
                                  const CXmlSerializationContext& ctx) const {
    CXmlTextWriter writer;
    WriteDocument(*this, writer, declaration, formatted, XE_NONE, eol,
                  const_cast<CXmlObjectBase*>(this)->GetTargetNamespace(), ctx);
    return writer.GetXml();
}

CBinaryData CXmlObjectBase::ToXmlStream(bool declaration, bool formatted, XmlEncoding encoding,
                                        EOLType eol, const CXmlSerializationContext& ctx,
                                        CompressionType compression) const {
    CBinaryData bytes =
        EncodeDocument(*this, declaration, formatted, encoding, eol,
                       const_cast<CXmlObjectBase*>(this)->GetTargetNamespace(), ctx);
    return bytes.CompressData(compression);
}

void CXmlObjectBase::ToXmlFile(const char* fileName, bool declaration, bool formatted,
                               XmlEncoding encoding, EOLType eol,
                               const CXmlSerializationContext& ctx,
                               CompressionType compression) const {
    if (compression == CT_ZLIB) {
        throw CQbException("ZLIB Compression only available for To Stream methods.");
    }
    CBinaryData bytes =
        EncodeDocument(*this, declaration, formatted, encoding, eol,
                       const_cast<CXmlObjectBase*>(this)->GetTargetNamespace(), ctx);
    const bool utf16 = encoding == XE_UTF16 || encoding == XE_UTF16_NO_DECL;
    if (compression == CT_GZIP && utf16) {
        // A byte-order mark in front of gzip data would spoil the gzip file,
        // so a compressed UTF-16 file carries its mark inside: inflated, it
        // is the same file as the uncompressed one.
        unsigned char bom[] = {0xFF, 0xFE};
        CBinaryData marked(bom, sizeof bom, false);
        marked.Append(bytes);
        marked.CompressData(CT_GZIP).ToFile(fileName, XE_UTF8);
        return;
    }
    bytes.CompressData(compression).ToFile(fileName, encoding);
}

void CXmlObjectBase::FromXml(const char* xml, const CXmlSerializationContext& ctx) {
    ReadDocument(*this, ctx, [xml](CXmlDocument& document) { document.LoadXml(xml); });
}

void CXmlObjectBase::FromXml(const wchar_t* xml, const CXmlSerializationContext& ctx) {
    ReadDocument(*this, ctx, [xml](CXmlDocument& document) { document.LoadXml(xml); });
}

void CXmlObjectBase::FromXmlFile(const char* fileName, const CXmlSerializationContext& ctx) {
    ReadDocument(*this, ctx, [fileName](CXmlDocument& document) { document.Load(fileName); });
}

void CXmlObjectBase::FromXmlStream(const unsigned char* bytes, unsigned long length,
                                   const CXmlSerializationContext& ctx) {
    ReadDocument(*this, ctx, [bytes, length](CXmlDocument& document) {
        document.LoadXmlStream(bytes, length);
    });
}

void CXmlObjectBase::FromXmlStream(const CBinaryData& data, const CXmlSerializationContext& ctx) {
    FromXmlStream(data.GetData(), data.GetLength(), ctx);
}

void CXmlObjectBase::FromXmlElement(const CXmlElement* element, CXmlSerializationContext& ctx) {
    if (!element) throw CQbInvalidParamException("The element to read from is NULL");
    ReadLocated(*this, element, ctx);
}

}  // namespace QbXmlLib5
