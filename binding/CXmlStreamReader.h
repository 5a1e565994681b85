// CXmlStreamReader: reads a document of any size and hands over, one at a
// time, each element at a path the caller names (for example
// "/purchaseOrder/items/item"), read into a new generated object with every
// check of a whole-document read. Only the element being handed over is held
// in memory, so memory follows the largest such element, not the document.
//
//   CXmlStreamReader reader("order.xml");
//   CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
//   reader.ReadObjects<Po::CItem>("/purchaseOrder/items/item",
//       [&](const CSmartPtr<Po::CItem>& item) { total += item->GetQuantity(); },
//       order);
//
// Input: XML text, gzip- or zlib-compressed XML text, or Fast Infoset
// (compressed or not), from a file or a std::istream; the form is recognised
// from the first bytes. Fast Infoset that is not a plain file is copied to a
// nameless temporary file first (it is decoded from a mapping).
//
// The objects above the streamed elements: given a parent object (the
// document element's class), the reader fills it at the end from everything
// else the document holds, before and after the streamed elements, with the
// usual checks, and leaves the collection of the streamed elements empty.
// That collection's own count is checked as if it held the first streamed
// element alone (so a minOccurs of 0 or 1 holds; a larger one is reported).
// Everything outside the streamed elements is kept for this until the end,
// so it should be small; without a parent object nothing is kept.
//
// Errors: an element that does not read is refused with a
// CQbValidationException "Failed to read item %zu at %s" (index from 1,
// the path) around the usual message; the objects handed over before stay
// as they are. Malformed or truncated input throws the parser's
// CQbException. What the handler throws passes through unchanged. Either
// way the reader stops there.
//
// A reader reads its input once.
#ifndef QBXMLLIB5_BINDING_CXMLSTREAMREADER_H
#define QBXMLLIB5_BINDING_CXMLSTREAMREADER_H

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "binding/TXmlObjectCol.h"
#include "core/CSmartPtr.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

class CXmlStreamInput;

class CXmlStreamReader {
public:
    // The element at the path (a tree valid for the call) and its index,
    // counted from 1.
    using ElementHandler = std::function<void(const CXmlElement& element, std::size_t index)>;

    // Opens the file (the file messages of CXmlDocument::Load on failure).
    explicit CXmlStreamReader(
        const char* fileName,
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext());
    // Reads from `stream`, which must outlive the reader.
    explicit CXmlStreamReader(
        std::istream& stream,
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext());
    ~CXmlStreamReader();
    CXmlStreamReader(const CXmlStreamReader&) = delete;
    CXmlStreamReader& operator=(const CXmlStreamReader&) = delete;

    // Each element at `path` as an untyped tree, then `parent` (may be
    // null) as described above. Returns the number of elements handed over.
    // Throws CQbInvalidParamException "The document element [%s] does not
    // match the path [%s]" when the document starts elsewhere and "The path
    // [%s] names the document element: there is no parent to read" for a
    // parent with a one-name path, and
    // CQbInvalidStateException "The document has already been read." on a
    // second call.
    std::size_t ReadElements(const std::string& path, const ElementHandler& handler,
                             CXmlObjectBase* parent = nullptr);

    // Each element at `path` read into a new T (a generated class), handed
    // to `handler` as a CSmartPtr<T> the handler may keep.
    template <class T, class Handler>
    std::size_t ReadObjects(const std::string& path, Handler&& handler,
                            CXmlObjectBase* parent = nullptr) {
        return ReadElements(
            path,
            [&](const CXmlElement& element, std::size_t index) {
                CSmartPtr<T> item = Detail::NewForReading<T>(element.GetLocalName().c_str(), 0);
                ReadItem(item, element, path, index);
                handler(item);
            },
            parent);
    }

private:
    // Reads `item` from `element`, naming the index and path on failure.
    void ReadItem(CXmlObjectBase* item, const CXmlElement& element, const std::string& path,
                  std::size_t index) const;
    // Reads the parent from the skeleton, saying where it failed.
    void ReadParent(CXmlObjectBase* parent, const CXmlElement* root) const;

    std::unique_ptr<CXmlStreamInput> m_input;
    CXmlSerializationContext m_ctx;
    bool m_used = false;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CXMLSTREAMREADER_H
