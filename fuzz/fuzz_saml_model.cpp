// libFuzzer target: arbitrary bytes (text, compressed or Fast Infoset) read
// into the classes qbxsd generates from SAML 2.0 protocol and metadata, the
// assertion schema, XML Signature 1.1 and core and XML Encryption (seven
// namespaces that import one another, wildcards of every kind, mixed content,
// IDs, derived types chosen by xsi:type, base64 and integer values), with the
// class chosen from the document element, as a program reading whichever
// document comes does.
// Anything but an object or a CQbException is a bug. An accepted document must be a fixed
// point: what the object writes (as Fast Infoset, and as text where the text
// is well-formed) reads back and writes the same text again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz-entry.h"

using namespace QbXmlLib5;

namespace {

// The object for the document in `bytes`, read with `ctx`; null for a
// document element of no global element.
CSmartPtr<CXmlObjectBase> Read(const std::uint8_t* data, std::size_t size,
                               CXmlSerializationContext& ctx) {
    CXmlDocument doc;
    doc.LoadXmlStream(data, size);
    CSmartPtr<CXmlObjectBase> object = Saml::CreateDocument(doc.GetDocumentElement());
    if (object) object->FromXmlElement(doc.GetDocumentElement(), ctx);
    return object;
}

std::string Reread(const CBinaryData& bytes, CXmlSerializationContext& ctx) {
    CSmartPtr<CXmlObjectBase> copy = Read(bytes.GetData(), bytes.GetLength(), ctx);
    if (!copy) std::abort();  // written under a name no global element has
    return copy->ToXml(false, false, EOL_LF, ctx);
}

void Check(const std::uint8_t* data, std::size_t size, CXmlSerializationContext& ctx) {
    CSmartPtr<CXmlObjectBase> object;
    std::string text;
    try {
        object = Read(data, size, ctx);
        if (!object) return;
        text = object->ToXml(false, false, EOL_LF, ctx);
    } catch (const CQbException&) {
        return;  // refused input, or values the facets refuse on the way out
    }
    const CBinaryData fi = object->ToFastInfosetStream(FI_DECL_NONE, ctx, CT_NONE);
    if (Reread(fi, ctx) != text) std::abort();
    // Fast Infoset input may carry octets that are not UTF-8, which the text
    // writer passes on; such text is not well-formed, so only a text that
    // reads back is compared.
    try {
        const CBinaryData gzip = object->ToXmlStream(false, false, XE_UTF8, EOL_LF, ctx, CT_GZIP);
        if (Reread(gzip, ctx) != text) std::abort();
    } catch (const CQbException&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CXmlSerializationContext strict;
    CXmlSerializationContext lenient;
    lenient.SetIgnoreUnknownElements(true);
    lenient.SetIgnoreUnknownAttributes(true);
    Check(data, size, strict);
    Check(data, size, lenient);
    return 0;
}
