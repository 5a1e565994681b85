// CFastInfosetEventWriter: writes the events of a CXmlEventSink as a Fast
// Infoset document (ITU-T X.891), keeping it as it was read: every name with
// the prefix it was written with, the namespace declarations as namespace
// attributes of the elements that made them, text, comments and processing
// instructions. The vocabulary tables are built as the document is written,
// as CFastInfosetWriter builds them (CFastInfosetEncoder).
//
// Output goes to the callback given to the constructor in pieces of about
// 64 KiB, so that memory does not grow with the document.
#ifndef QBXMLLIB5_FASTINFOSET_CFASTINFOSETEVENTWRITER_H
#define QBXMLLIB5_FASTINFOSET_CFASTINFOSETEVENTWRITER_H

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/QbEnums.h"
#include "fastinfoset/CFastInfosetEncoder.h"
#include "xml/CXmlEventSink.h"

namespace QbXmlLib5 {

class CFastInfosetEventWriter : public CXmlEventSink {
public:
    // Receives the output bytes in order.
    using Output = std::function<void(const unsigned char* data, std::size_t length)>;

    // Writes the XML declaration `decl` names (none for FI_DECL_NONE) and the
    // X.891 header.
    CFastInfosetEventWriter(Output output, FInfoDecl decl);
    ~CFastInfosetEventWriter() override;

    // Whitespace-only text is dropped when `drop` is true.
    void SetDropWhitespace(bool drop) { m_dropWhitespace = drop; }

    void StartElement(const QName& name, const std::vector<Declaration>& declarations,
                      const std::vector<Attribute>& attributes) override;
    void EndElement() override;
    void Text(std::string_view text) override;
    void Comment(std::string_view text) override;
    void ProcessingInstruction(std::string_view target, std::string_view data) override;
    // Throws CQbException "An Element has not been closed." when an element
    // is still open.
    void EndDocument() override;

private:
    void WritePendingTerminator();
    // A string that X.891 encodes without adding it to a vocabulary table
    // (comment and instruction content).
    void WriteLiteralString(std::string_view text);
    void FlushIfFull();
    // `text` as a std::string the encoder takes, in one of three slots.
    const std::string& Slot(std::string_view text, int slot);

    Output m_output;
    CFastInfosetEncoder m_encoder;
    std::size_t m_depth;
    bool m_terminatorPending;
    bool m_dropWhitespace;
    std::string m_slots[4];
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_FASTINFOSET_CFASTINFOSETEVENTWRITER_H
