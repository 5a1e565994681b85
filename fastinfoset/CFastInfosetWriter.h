// CFastInfosetWriter: the CXmlWriter that produces a binary Fast Infoset
// document (ITU-T X.891) instead of XML text.
//
// It streams: each event is encoded as soon as enough is known about it. An
// element's start tag (name and attributes) is held back until it closes, so
// that every prefix it uses can be declared on it. The vocabulary tables are built as the document
// is written (no initial or external vocabulary); strings shorter than six bytes are indexed so
// that repeated short values cost one or two octets. A table stops growing at 2^20 entries, the
// largest index X.891 can express; later strings of that table are written literally.
//
// Usage: WriteHeader, the element events, WriteEndDocument, GetOutput.
// Comments, processing instructions and in-line schemas are not written.
// Every element in a namespace carries a prefix in the binary form; the
// default namespace only appears as a declaration on the root. A prefix the
// writer invents (AA, AB, ...) is declared by a namespace attribute on the
// element that introduces it, as X.891 decoders need to report the mapping,
// and an element in no namespace below a declared default namespace carries
// the undeclaration.
#ifndef QBXMLLIB5_FASTINFOSET_CFASTINFOSETWRITER_H
#define QBXMLLIB5_FASTINFOSET_CFASTINFOSETWRITER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
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

    // Starts a document: empties the output and the vocabulary tables (a
    // writer may write several documents in turn), then writes the XML
    // declaration `decl` names (none for FI_DECL_NONE) and the X.891 header
    // of version 1 with no optional components. Throws "An Element has not
    // been closed." while an element is open.
    void WriteHeader(FInfoDecl decl);
    // The octets written so far.
    CBinaryData GetOutput() const;
    // The octets so far, moved into `octets`, which the writer then
    // forgets: a document written in pieces (CXmlStreamWriter) takes them
    // between elements. Nothing written later refers back to them.
    std::size_t GetOutputLength() const { return m_finishedBytes + m_encoder.Output().size(); }
    void TakeOutput(std::vector<unsigned char>& octets);

    // The base check ("An Element has not been closed."), then the document
    // terminator.
    void WriteEndDocument() override;
    void WriteComment(const std::string& text) override;
    // Closes the pending start tag, if any; the instruction itself is dropped.
    void WriteProcessingInstruction(const std::string& text) override;
    void WriteInLineSchema(const std::string& text) override;
    void WriteStartElement(const std::string& localName, const std::string& namespaceUri) override;
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
    void WriteCharacters(std::string_view text) override;

private:
    // An attribute of the held-back start tag. Its value is encoded at once
    // into m_attributeOctets (the value table grows in document order all
    // the same), and so is its name when the vocabulary holds it
    // (nameIndex); a literal name waits for the start tag, as it adds to
    // the tables the element name adds to, and is copied meanwhile.
    struct PendingAttribute {
        std::uint32_t nameIndex = 0;
        std::size_t start = 0;  // its octets in m_attributeOctets
        std::string prefix;
        std::string namespaceUri;
        std::string localName;
    };

    // Encodes the held-back start tag, if any, and closes it.
    void WriteStartTag() {
        if (m_elementPending) WriteHeldBackStartTag();
    }
    void WriteHeldBackStartTag();
    // The namespace attributes of the held-back element; false when it has
    // none.
    bool HasNamespaceAttributes() const;
    bool DeclaresRegisteredDefault() const;
    bool UndeclaresDefault() const;
    void WriteNamespaceAttributes();
    void WritePendingTerminator() {
        if (!m_terminatorPending) return;
        m_encoder.AppendOctet(CFastInfosetEncoder::kTerminator);
        m_terminatorPending = false;
    }
    // The held-back element's name, through the name where it was found last.
    void WriteElementName(unsigned char bits);
    // The index the vocabulary gives the attribute name of `slot` (0: none,
    // and the slot then holds the name).
    std::uint32_t AttributeNameIndex(PendingAttribute& slot, const std::string& prefix,
                                     const std::string& namespaceUri, const std::string& localName);
    // The same without a remembered place to try first.
    std::uint32_t LookUpAttributeName(PendingAttribute& slot, const std::string& prefix,
                                      const std::string& namespaceUri,
                                      const std::string& localName);
    // Where a name was found last, for names met again and again: elements
    // by a small hash of their name, and the attributes of a start tag by
    // that of the element and their position. A wrong hint costs a lookup.
    static std::size_t HintOf(const std::string& localName, const std::string& namespaceUri) {
        const std::size_t n = localName.size();
        const std::uint32_t first = n == 0 ? 0 : static_cast<unsigned char>(localName[0]);
        const std::uint32_t last = n == 0 ? 0 : static_cast<unsigned char>(localName[n - 1]);
        const std::uint32_t key = static_cast<std::uint32_t>(n) ^ (first << 8) ^ (last << 16) ^
                                  (static_cast<std::uint32_t>(namespaceUri.size()) << 24);
        // The top bits of the product mix every field of the key.
        return (key * 0x9E3779B1u) >> (32 - kHintBits);
    }
    static constexpr unsigned kHintBits = 6;
    static constexpr std::size_t kHintSets = std::size_t{1} << kHintBits;
    static constexpr std::size_t kHintPositions = 8;
    void WriteAttributes();
    // The document's octets: copied to `to` (GetOutputLength() octets),
    // forgotten, or the encoder's full buffer set aside as a block.
    void CopyOutput(unsigned char* to) const;
    void ForgetOutput();
    void FinishBlock();
    // `local` in UTF-8: itself when the local encoding is UTF-8, else a
    // conversion kept in one of three slots (one per part of a name).
    const std::string& Utf8(const std::string& local, int slot) {
        return m_localIsUtf8 ? local : ConvertToUtf8(local, slot);
    }
    const std::string& ConvertToUtf8(const std::string& local, int slot);
    // Prefix of namespaceUri for the current element, invented and queued for
    // declaration when none is in scope; "" for no namespace.
    const std::string& PrefixFor(const std::string& namespaceUri);

    CFastInfosetEncoder m_encoder;
    // Filled blocks of the document's octets, which the encoder's buffer
    // continues: a long document is neither one buffer grown and copied
    // again and again nor pages faulted in afresh by every write, and its
    // octets are copied once, into the result.
    static constexpr std::size_t kBlockBytes = std::size_t{64} << 10;
    std::vector<COctetBuffer> m_finished;
    std::size_t m_finishedBytes = 0;
    bool m_elementPending;
    bool m_terminatorPending;
    // The held-back start tag (its prefix is the current context's):
    // invented prefixes to declare (prefix, namespace URI), attributes in
    // call order.
    std::vector<std::pair<std::string, std::string>> m_inventedPrefixes;
    std::vector<PendingAttribute> m_attributes;  // the first m_attributeCount are pending
    std::size_t m_attributeCount;
    std::size_t m_literalNames = 0;  // pending attributes without a name index
    COctetBuffer m_attributeOctets;
    CFastInfosetEncoder::NameHint m_elementHints[kHintSets] = {};
    CFastInfosetEncoder::NameHint m_attributeHints[kHintSets][kHintPositions] = {};
    std::size_t m_hintSet = 0;  // of the held-back start tag
    // The held-back element's name: its index in the name table when its
    // hint found it at the start, otherwise (0) a copy of its parts, the
    // caller's strings being gone by the time the tag is written.
    std::uint32_t m_elementNameIndex = 0;
    std::string m_elementPrefix;
    std::string m_elementNamespace;
    std::string m_elementLocalName;
    // The held-back element has no namespace while a default one is declared.
    bool m_undeclareDefault;
    bool m_localIsUtf8;
    std::string m_utf8[3];
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_FASTINFOSET_CFASTINFOSETWRITER_H
