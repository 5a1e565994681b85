// CXmlTextEventWriter: writes the events of a CXmlEventSink as XML text in
// UTF-8, keeping the document as it was read: names with their prefixes,
// namespace declarations where they were made, text in its place, comments
// and processing instructions. Nothing is invented, so the events must
// describe a namespace-well-formed document (a reader's events do).
//
// Whitespace follows the mode: WS_AS_READ writes every text as it comes;
// WS_COMPACT drops text that is only whitespace; WS_FORMATTED drops it too and
// puts each element on a line of its own, indented with tabs, except inside
// an element that has held other text (mixed content), whose content is
// written as it comes. Both modes that drop whitespace change documents whose
// mixed content has blank runs between elements.
//
// Output goes to the callback given to the constructor in pieces of about
// 64 KiB, so that memory does not grow with the document.
#ifndef QBXMLLIB5_XML_CXMLTEXTEVENTWRITER_H
#define QBXMLLIB5_XML_CXMLTEXTEVENTWRITER_H

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/QbEnums.h"
#include "xml/CXmlEventSink.h"

namespace QbXmlLib5 {

class CXmlTextEventWriter : public CXmlEventSink {
public:
    enum WhitespaceMode { WS_AS_READ, WS_COMPACT, WS_FORMATTED };
    // Receives the output bytes in order.
    using Output = std::function<void(const char* data, std::size_t length)>;

    // `declarationEncoding`: the encoding named by the XML declaration (such
    // as "UTF-8"), or null for no declaration.
    CXmlTextEventWriter(Output output, WhitespaceMode mode, EOLType eol,
                        const char* declarationEncoding);
    ~CXmlTextEventWriter() override;

    void StartElement(const QName& name, const std::vector<Declaration>& declarations,
                      const std::vector<Attribute>& attributes) override;
    void EndElement() override;
    void Text(std::string_view text) override;
    void Comment(std::string_view text) override;
    void ProcessingInstruction(std::string_view target, std::string_view data) override;
    // Writes what is left; throws CQbException "An Element has not been
    // closed." when an element is still open.
    void EndDocument() override;

private:
    struct OpenElement {
        std::string name;          // as written in the tag
        bool hasChildren = false;  // elements, comments or instructions
    };

    void Write(std::string_view text) { m_buffer.append(text.data(), text.size()); }
    void WriteName(const QName& name);
    // Escapes &, <, > and, in attribute values, the double quote, tab and
    // line feed; a carriage return becomes &#13; so that it is read back.
    void WriteEscaped(std::string_view text, bool attribute);
    void CloseStartTag();
    // A line end and `depth` tabs, when formatting.
    void Indent(std::size_t depth);
    // Before an element, comment or instruction: closes the parent's start
    // tag and starts the item's line.
    void BeginItem();
    bool Formatting() const;
    void FlushIfFull();

    Output m_output;
    WhitespaceMode m_mode;
    std::string m_lineEnd;
    std::string m_buffer;
    std::vector<OpenElement> m_open;
    // Index in m_open of the outermost element holding text other than
    // whitespace (mixed content), or npos.
    std::size_t m_mixedDepth;
    bool m_startTagOpen;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLTEXTEVENTWRITER_H
