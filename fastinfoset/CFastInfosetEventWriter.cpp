#include "fastinfoset/CFastInfosetEventWriter.h"

#include <utility>

#include "core/CQbException.h"
#include "fastinfoset/CFastInfosetWriter.h"

namespace QbXmlLib5 {

namespace {

const std::size_t kFlushSize = 64 * 1024;

const unsigned char kProcessingInstruction = 0xE1;
const unsigned char kComment = 0xE2;
// Namespace attribute: 110011 then the prefix and namespace-name bits.
const unsigned char kNamespaceAttribute = 0xCC;

bool IsWhitespace(std::string_view text) {
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
    }
    return true;
}

using Encoder = CFastInfosetEncoder;
using Table = CFastInfosetEncoder::TableId;

}  // namespace

CFastInfosetEventWriter::CFastInfosetEventWriter(Output output, FInfoDecl decl)
    : m_output(std::move(output)), m_depth(0), m_terminatorPending(false), m_dropWhitespace(false) {
    m_encoder.AppendBytes(CFastInfosetWriter::GetDeclarationText(decl));
    m_encoder.AppendHeader();
}

CFastInfosetEventWriter::~CFastInfosetEventWriter() = default;

const std::string& CFastInfosetEventWriter::Slot(std::string_view text, int slot) {
    return m_slots[slot].assign(text.data(), text.size());
}

void CFastInfosetEventWriter::FlushIfFull() {
    COctetBuffer& out = m_encoder.Output();
    if (out.size() < kFlushSize) return;
    m_output(out.data(), out.size());
    out.clear();
}

void CFastInfosetEventWriter::WritePendingTerminator() {
    if (!m_terminatorPending) return;
    m_encoder.AppendOctet(Encoder::kTerminator);
    m_terminatorPending = false;
}

void CFastInfosetEventWriter::StartElement(const QName& name,
                                           const std::vector<Declaration>& declarations,
                                           const std::vector<Attribute>& attributes) {
    WritePendingTerminator();
    unsigned char bits = attributes.empty() ? 0x00 : Encoder::kElementHasAttributes;
    if (!declarations.empty()) {
        m_encoder.AppendOctet(bits | Encoder::kElementHasNamespaceAttributes);
        for (const Declaration& declaration : declarations) {
            const bool hasPrefix = !declaration.prefix.empty();
            const bool hasNamespace = !declaration.namespaceUri.empty();
            m_encoder.AppendOctet(static_cast<unsigned char>(
                kNamespaceAttribute | (hasPrefix ? 0x02 : 0x00) | (hasNamespace ? 0x01 : 0x00)));
            if (hasPrefix)
                m_encoder.IdentifyingString(Table::TBL_PREFIXES, Slot(declaration.prefix, 0));
            if (hasNamespace) {
                m_encoder.IdentifyingString(Table::TBL_NAMESPACES,
                                            Slot(declaration.namespaceUri, 1));
            }
        }
        m_encoder.AppendOctet(Encoder::kTerminator);
        bits = 0x00;  // the name starts on the third bit of a fresh octet
    }
    m_encoder.ElementName(
        bits, {Slot(name.prefix, 0), Slot(name.namespaceUri, 1), Slot(name.localName, 2)});
    for (const Attribute& attribute : attributes) {
        m_encoder.AttributeName({Slot(attribute.name.prefix, 0),
                                 Slot(attribute.name.namespaceUri, 1),
                                 Slot(attribute.name.localName, 2)});
        m_encoder.AttributeValue(Slot(attribute.value, 3));
    }
    if (!attributes.empty()) m_encoder.AppendOctet(Encoder::kTerminator);
    ++m_depth;
    FlushIfFull();
}

void CFastInfosetEventWriter::EndElement() {
    if (m_depth == 0) throw CQbException("No element is open.");
    // Two terminators in a row share the octet FF.
    if (m_terminatorPending) {
        m_encoder.AppendOctet(Encoder::kDoubleTerminator);
        m_terminatorPending = false;
    } else {
        m_terminatorPending = true;
    }
    --m_depth;
    FlushIfFull();
}

void CFastInfosetEventWriter::Text(std::string_view text) {
    if (text.empty() || m_depth == 0) return;
    if (m_dropWhitespace && IsWhitespace(text)) return;
    WritePendingTerminator();
    m_encoder.CharacterChunk(Slot(text, 3));
    FlushIfFull();
}

void CFastInfosetEventWriter::WriteLiteralString(std::string_view text) {
    // A length at the literal limit is never indexed nor added.
    m_encoder.AttributeValue(Slot(text, 3), CFastInfosetEncoder::kLiteralLengthLimit);
}

void CFastInfosetEventWriter::Comment(std::string_view text) {
    WritePendingTerminator();
    m_encoder.AppendOctet(kComment);
    WriteLiteralString(text);
    FlushIfFull();
}

void CFastInfosetEventWriter::ProcessingInstruction(std::string_view target,
                                                    std::string_view data) {
    if (target.empty()) throw CQbException("Failed to write FastInfoset. Empty name.");
    WritePendingTerminator();
    m_encoder.AppendOctet(kProcessingInstruction);
    // The target is an identifying string of a table the writer never
    // refers to: written literally (the reader adds it there).
    m_encoder.LengthOnSecondBit(0x00, target.size());
    m_encoder.AppendBytes(Slot(target, 0));
    WriteLiteralString(data);
    FlushIfFull();
}

void CFastInfosetEventWriter::EndDocument() {
    if (m_depth != 0) throw CQbException("An Element has not been closed.");
    // The last element's terminator and the document's share one octet.
    m_encoder.AppendOctet(m_terminatorPending ? Encoder::kDoubleTerminator : Encoder::kTerminator);
    m_terminatorPending = false;
    COctetBuffer& out = m_encoder.Output();
    m_output(out.data(), out.size());
    out.clear();
}

}  // namespace QbXmlLib5
