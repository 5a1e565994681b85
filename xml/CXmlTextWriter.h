// CXmlTextWriter: the CXmlWriter that produces XML text. The output is fixed
// byte for byte: declaration, escaping, tab indentation and line ends are
// what applications receive. Text is assembled in the local character
// encoding and converted to UTF-8 or UTF-16LE bytes only by GetXmlBytes.
//
// Escaping of text, attribute values and comments: & < > and the double
// quote become entities, a line feed becomes the selected line end, a
// carriage return is dropped, every other byte (apostrophes, tabs, bytes of
// 128 and above) is written as is; the text ends at its first NUL. Names,
// namespace URIs, processing instructions and the in-line schema are written
// unescaped.
#ifndef QBXMLLIB5_XML_CXMLTEXTWRITER_H
#define QBXMLLIB5_XML_CXMLTEXTWRITER_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/QbEnums.h"
#include "xml/CStringBuffer.h"
#include "xml/CXmlWriter.h"

namespace QbXmlLib5 {

class CBinaryData;

class CXmlTextWriter : public CXmlWriter {
public:
    // Formatted, line feeds, no declaration written. Comments and the in-line
    // schema inside an element count as content and close its start tag.
    CXmlTextWriter();
    ~CXmlTextWriter() override;

    // EOL_CRLF or EOL_LF; anything else throws "Invalid EOL type.".
    void SetEOLType(EOLType eolType);
    // When true (the default), line ends and tab indentation are written
    // around elements.
    void SetFormatted(bool formatted);
    // Empties the output and writes the XML declaration naming `encoding`
    // (UTF-8 for XE_UTF8, UTF-16 for XE_UTF16, none otherwise), then a line
    // end.
    void WriteStartDocument(XmlEncoding encoding);

    // The whole output in the local character encoding.
    std::string GetXml();
    // The output as UTF-8 (XE_UTF8) or UTF-16LE without byte-order mark
    // (XE_UTF16, XE_UTF16_NO_DECL); other values throw "Unknown Encoding,
    // select UTF-8 ...".
    CBinaryData GetXmlBytes(XmlEncoding encoding);
    // The output so far, which the writer then forgets: a document written
    // in pieces (CXmlStreamWriter) takes it between elements. Its length
    // first, to decide when.
    std::size_t GetXmlLength() const { return m_output->GetLength(); }
    std::string TakeXml();

    void WriteComment(const std::string& text) override;
    void WriteProcessingInstruction(const std::string& text) override;
    // The schema text unchanged between two line ends, as the first content
    // of the current element (an open start tag is closed first).
    void WriteInLineSchema(const std::string& text) override;
    void WriteStartElement(const std::string& localName, const std::string& namespaceUri) override;
    void WriteStartCheckedElement(const std::string& localName,
                                  const std::string& namespaceUri) override;
    void WriteText(const std::string& text) override;
    void WriteEndElement() override;
    void WriteAttribute(const std::string& localName, const std::string& namespaceUri,
                        const std::string& value) override;
    void WriteCheckedAttribute(const std::string& localName, const std::string& namespaceUri,
                               const std::string& value) override;
    void WriteXsiType(const std::string& typeNamespaceUri, const std::string& typeName) override;

protected:
    void WriteCharacters(std::string_view text) override;

private:
    void Write(const std::string& text) { m_output->Append(text.data(), text.size()); }
    void StartElement(const std::string& localName, const std::string& namespaceUri,
                      bool checkName);
    void Attribute(const std::string& localName, const std::string& namespaceUri,
                   const std::string& value, bool checkName);
    // Literals: their length is known, no strlen.
    template <std::size_t N>
    void Write(const char (&literal)[N]) {
        m_output->Append(literal, N - 1);
    }
    // Escapes markup characters; `attribute` also keeps tab, line feed and
    // carriage return as character references.
    void WriteEscaped(const std::string& text, bool attribute = false);
    void WriteEscaped(std::string_view text, bool attribute = false);
    template <bool kTerminated>
    void WriteEscaped(const char* text, std::size_t size, bool attribute);
    // Makes the current element's content mixed and closes its start tag;
    // false for empty text, which writes nothing.
    bool StartText(std::size_t size);
    void WriteIndent(std::uint32_t depth);
    // Writes "prefix:localName" (or the local name alone) for the start tag
    // of the element at `depth`, remembering it for the end tag.
    void WriteElementName(std::uint32_t depth, const std::string& prefix,
                          const std::string& localName);
    // Copies the open elements' end-tag names out of the output, before the
    // output lets go of its bytes.
    void PinEndTagNames();
    // Writes ">" when the current element's start tag is still open.
    void CloseOpenStartTag();
    // " xmlns:prefix=\"uri\"" (or without the leading blank).
    void WriteDeclaration(const std::string& prefix, const std::string& namespaceUri,
                          bool leadingBlank);

    std::unique_ptr<CStringBuffer> m_output;
    std::string m_lineEnd;
    EOLType m_eolType;
    bool m_formatted;
    XmlEncoding m_encoding;
    bool m_localIsUtf8 = true;
    // The name each open element's end tag writes, by depth: where the start
    // tag put it in the output, or (data null) its own copy.
    struct EndTagName {
        const char* data = nullptr;
        std::size_t size = 0;
        std::string copy;
    };
    std::vector<EndTagName> m_endTagNames;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLTEXTWRITER_H
