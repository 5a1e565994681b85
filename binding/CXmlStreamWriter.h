// CXmlStreamWriter: writes a document of any size in constant memory. Begin
// writes the start of the document (from a root object: the document element
// and every member before the repeated element named by a path, such as
// "/purchaseOrder/items/item"), Write adds one element of that path at a
// time, End writes the members after them and closes the document. Output
// goes to a file or a std::ostream as it is produced, as XML text (UTF-8 or
// UTF-16, optionally gzip- or zlib-compressed) or as Fast Infoset.
//
//   CXmlStreamWriter writer("order.xml");
//   writer.Begin(order, "/purchaseOrder/items/item");
//   for (...) writer.Write(item);
//   writer.End();
//
// The bytes are those the whole-document writers (ToXmlStream, ToXmlFile,
// ToFastInfosetStream) give for the root object holding the same elements:
// the root's own elements of that collection, if any, come first, then the
// written ones. The root and the objects on the path stay the caller's and
// must live until End; members after the streamed elements may still be
// changed until then (a total, say). The objects on the path must be set,
// written as ordinary elements (no model groups among them or around the
// collection), and without mixed content.
//
// Errors: Begin and End throw what writing the root throws; an element that
// cannot be written is refused with a CQbValidationException
// "Failed to write item %zu at %s" (index from 1, the path) around the
// usual message. After any error the output is incomplete and the writer
// refuses further calls (CQbInvalidStateException "The stream writer has
// failed."). Calls out of order throw CQbInvalidStateException.
#ifndef QBXMLLIB5_BINDING_CXMLSTREAMWRITER_H
#define QBXMLLIB5_BINDING_CXMLSTREAMWRITER_H

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "core/CSmartPtr.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"
#include "core/QbEnums.h"

namespace QbXmlLib5 {

class CFastInfosetWriter;
class CXmlStreamOutput;
class CXmlStreamPath;
class CXmlTextWriter;
class CXmlWriter;

class CXmlStreamWriter {
public:
    // How the document is written; the fields mean what the arguments of
    // ToXmlStream and ToFastInfosetStream mean.
    struct COptions {
        bool fastInfoset = false;
        // Text only.
        bool declaration = true;
        bool formatted = true;
        XmlEncoding encoding = XE_UTF8;
        EOLType eol = EOL_LF;
        // Fast Infoset only.
        FInfoDecl fastInfosetDeclaration = FI_DECL_NONE;
        CompressionType compression = CT_NONE;
    };

    // A file, as ToXmlFile and ToFastInfosetFile write it (UTF-16 text with
    // its byte-order mark); zlib compression throws "ZLIB Compression only
    // available for To Stream methods." as they do.
    CXmlStreamWriter(
        const char* fileName, const COptions& options,
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext());
    // UTF-8 text with declaration, formatted, line feeds.
    explicit CXmlStreamWriter(const char* fileName);
    // A stream, as ToXmlStream and ToFastInfosetStream produce the bytes.
    // The stream must outlive the writer.
    CXmlStreamWriter(
        std::ostream& stream, const COptions& options,
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext());
    explicit CXmlStreamWriter(std::ostream& stream);
    ~CXmlStreamWriter();
    CXmlStreamWriter(const CXmlStreamWriter&) = delete;
    CXmlStreamWriter& operator=(const CXmlStreamWriter&) = delete;

    // Throws CQbInvalidParamException when `path` does not lead from `root`
    // to a collection (see CXmlStreamPath::Locate).
    void Begin(CXmlObjectBase* root, const std::string& path);
    void Write(const CXmlObjectBase* item);
    void End();
    // Elements written so far with Write.
    std::size_t GetCount() const { return m_count; }

private:
    enum class State { Created, Open, Ended, Failed };

    void Setup(const COptions& options, bool file);
    void CheckState(State expected, const char* call) const;
    // Writes the root through a writer that stops (Begin) or starts (End)
    // where the streamed elements go.
    void WriteRootPart(bool head);
    // Passes the writer's output on once there is enough of it (or all).
    void Drain(bool all);
    void SendText(const std::string& text);

    COptions m_options;
    CXmlSerializationContext m_ctx;
    std::unique_ptr<CXmlStreamOutput> m_output;
    std::unique_ptr<CXmlTextWriter> m_text;
    std::unique_ptr<CFastInfosetWriter> m_fastInfoset;
    CXmlWriter* m_writer = nullptr;
    std::unique_ptr<CXmlStreamPath> m_path;
    CSmartPtr<CXmlObjectBase> m_root;
    std::vector<std::string> m_namesAfter;
    std::string m_itemNamespace;
    std::vector<unsigned char> m_octets;
    bool m_byteOrderMark = false;  // still to be written
    State m_state = State::Created;
    std::size_t m_count = 0;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CXMLSTREAMWRITER_H
