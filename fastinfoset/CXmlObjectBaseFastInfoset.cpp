// The Fast Infoset entry points of CXmlObjectBase; the text ones live with
// the text writer.
#include "core/CXmlObjectBase.h"
#include "fastinfoset/CFastInfosetWriter.h"
#include "types/CBinaryData.h"

namespace QbXmlLib5 {

CBinaryData CXmlObjectBase::ToFastInfosetStream(FInfoDecl decl,
                                                const CXmlSerializationContext& ctx,
                                                CompressionType compression) const {
    CFastInfosetWriter writer;
    writer.WriteHeader(decl);
    // GetTargetNamespace is not const in the generated-class contract.
    const std::string targetNamespace =
        const_cast<CXmlObjectBase*>(this)->GetTargetNamespace();
    ToXml_Int(&writer, true, targetNamespace.c_str(), ctx, false);
    writer.WriteEndDocument();
    CBinaryData output = writer.GetOutput();
    return output.CompressData(compression);
}

void CXmlObjectBase::ToFastInfosetFile(const char* path, FInfoDecl decl,
                                       const CXmlSerializationContext& ctx,
                                       CompressionType compression) const {
    if (compression == CT_ZLIB) {
        throw CQbException("ZLIB Compression only available for To Stream methods.");
    }
    ToFastInfosetStream(decl, ctx, compression).ToFile(path, XE_NONE);
}

}  // namespace QbXmlLib5
