// libFuzzer target: arbitrary bytes read into the purchase-order model (both
// schemas) through FromXmlStream, so text, compressed and Fast Infoset input
// all reach the generated-class reader. Anything but an object or a
// CQbException is a bug. Reading checks the facets (the SKU pattern, the
// quantity's bounds, the postcodes), so a document it accepts must write
// without a refusal; with the check on reading turned off, writing may
// refuse. An accepted document must also be a fixed point: what the model
// writes (as Fast Infoset, and as text where the text is well-formed) reads
// back and writes the same text again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ipo.h"
#include "po.h"

using namespace QbXmlLib5;

namespace {

template <class T>
std::string Reread(const CBinaryData& bytes, const CXmlSerializationContext& ctx) {
    CSmartPtr<T> copy = new T();
    copy->FromXmlStream(bytes, ctx);
    return copy->ToXml(false, false, EOL_LF, ctx);
}

template <class T>
void Check(const std::uint8_t* data, std::size_t size, const CXmlSerializationContext& ctx) {
    CSmartPtr<T> order = new T();
    try {
        order->FromXmlStream(data, static_cast<unsigned long>(size), ctx);
    } catch (const CQbException&) {
        return;  // refused input
    }
    std::string text;
    try {
        text = order->ToXml(false, false, EOL_LF, ctx);
    } catch (const CQbException&) {
        // Values the facets refuse on the way out came in unchecked only.
        if (!ctx.GetIgnoreInvalidValues()) std::abort();
        return;
    }
    const CBinaryData fi = order->ToFastInfosetStream(FI_DECL_NONE, ctx, CT_NONE);
    if (Reread<T>(fi, ctx) != text) std::abort();
    // Fast Infoset input may carry octets that are not UTF-8, which the text
    // writer passes on; such text is not well-formed, so only a text that
    // reads back is compared.
    try {
        const CBinaryData utf8 = order->ToXmlStream(false, false, XE_UTF8, EOL_LF, ctx, CT_NONE);
        if (Reread<T>(utf8, ctx) != text) std::abort();
    } catch (const CQbException&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CXmlSerializationContext lenient;
    lenient.SetIgnoreUnknownElements(true);
    lenient.SetIgnoreUnknownAttributes(true);
    lenient.SetIgnoreInvalidValues(true);
    Check<Po::CPurchaseOrderType>(data, size, CXmlSerializationContext());
    Check<Ipo::CPurchaseOrderType>(data, size, CXmlSerializationContext());
    Check<Ipo::CPurchaseOrderType>(data, size, lenient);
    return 0;
}
