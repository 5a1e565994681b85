// CFastInfosetWriter: the CXmlWriter that produces a binary Fast Infoset
// document (ITU-T X.891) instead of XML text.
//
// It streams: each event is encoded as soon as enough is known about it. An
// element's start is held back until the next event says whether attributes
// follow. The vocabulary tables are built as the document is written (no
// initial or external vocabulary); strings shorter than six bytes are indexed
// so that repeated short values cost one or two octets. A table stops growing
// at 2^20 entries, the largest index X.891 can express; later strings of that
// table are written literally.
//
// Usage: WriteHeader, the element events, WriteEndDocument, GetOutput.
// Comments, processing instructions and in-line schemas are not written.
// Every element in a namespace carries a prefix in the binary form; the
// default namespace only appears as a declaration on the root.
#ifndef QBXMLLIB5_FASTINFOSET_CFASTINFOSETWRITER_H
#define QBXMLLIB5_FASTINFOSET_CFASTINFOSETWRITER_H

#include <cstdint>
#include <string>
#include <vector>

#include "core/QbEnums.h"
#include "fastinfoset/CFastInfosetEncoder.h"
#include "types/CBinaryData.h"
#include "xml/CXmlWriter.h"

namespace QbXmlLib5 {

class CFastInfosetWriter : public CXmlWriter {
public:
    CFastInfosetWriter();
    ~CFastInfosetWriter() override;

    // Empties the output, then writes the XML declaration `decl` names (none
    // for FI_DECL_NONE) and the X.891 header of version 1 with no optional
    // components.
    void WriteHeader(FInfoDecl decl);
    // The octets written so far.
    CBinaryData GetOutput() const;

    // The base check ("An Element has not been closed."), then the document
    // terminator.
    void WriteEndDocument() override;
    void WriteComment(const std::string& text) override;
    // Writes the pending element, if any; the instruction itself is dropped.
    void WriteProcessingInstruction(const std::string& text) override;
    void WriteInLineSchema(const std::string& text) override;
    void WriteStartElement(const std::string& localName,
                           const std::string& namespaceUri) override;
    void WriteText(const std::string& text) override;
    void WriteEndElement() override;
    void WriteAttribute(const std::string& localName, const std::string& namespaceUri,
                        const std::string& value) override;
    void WriteXsiType(const std::string& typeNamespaceUri, const std::string& typeName) override;

    // The declaration text of `decl`, "" for FI_DECL_NONE or an unknown value.
    static const char* GetDeclarationText(FInfoDecl decl);

protected:
    // For tests of the full-table behaviour: every table holds at most
    // `tableCapacity` entries instead of 2^20.
    explicit CFastInfosetWriter(std::uint32_t tableCapacity);

private:
    // Encodes the element whose start is held back, with the attribute bit
    // set when `withAttributes`.
    void WritePendingElement(bool withAttributes);
    void WriteRootNamespaceAttributes();
    // Ends the current element's attribute list when its start tag is open.
    void CloseStartTag();
    void WritePendingTerminator();
    void WriteAttributeOctets(const std::string& prefix, const std::string& localName,
                              const std::string& namespaceUri, const std::string& value);

    CFastInfosetEncoder m_encoder;
    bool m_elementPending;
    bool m_terminatorPending;
    // One flag per open element: its attribute list needs a closing F0.
    std::vector<bool> m_hasAttributes;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_FASTINFOSET_CFASTINFOSETWRITER_H
