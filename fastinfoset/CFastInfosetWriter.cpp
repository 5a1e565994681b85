#include "fastinfoset/CFastInfosetWriter.h"

#include <cstring>
#include <memory>

#include "core/CCharEncoding.h"
#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

// Namespace attribute with a namespace name, without / with a prefix.
const unsigned char kDefaultNamespaceAttribute = 0xCD;
const unsigned char kPrefixedNamespaceAttribute = 0xCF;
// Namespace attribute with neither: xmlns="".
const unsigned char kDefaultNamespaceUndeclaration = 0xCC;

bool LocalEncodingIsUtf8() {
    const unsigned int codePage = GetLocalCharEncoding();
    return codePage == 65001 || codePage == 0 || codePage == 3;
}

using Encoder = CFastInfosetEncoder;
using Table = CFastInfosetEncoder::TableId;

// Sends the encoder's octets to `side` for as long as it lives.
class CDiversion {
public:
    CDiversion(Encoder& encoder, COctetBuffer& side) : m_encoder(encoder) {
        encoder.DivertTo(&side);
    }
    CDiversion(const CDiversion&) = delete;
    CDiversion& operator=(const CDiversion&) = delete;
    ~CDiversion() { m_encoder.DivertTo(nullptr); }

private:
    Encoder& m_encoder;
};

}  // namespace

CFastInfosetWriter::CFastInfosetWriter() : CFastInfosetWriter(CFastInfosetEncoder::kMaxTableSize) {}

CFastInfosetWriter::CFastInfosetWriter(std::uint32_t tableCapacity)
    : CXmlWriter("CFastInfosetWriter", false),
      m_encoder(tableCapacity),
      m_elementPending(false),
      m_terminatorPending(false),
      m_attributeCount(0),
      m_undeclareDefault(false),
      m_localIsUtf8(LocalEncodingIsUtf8()) {}

const std::string& CFastInfosetWriter::ConvertToUtf8(const std::string& local, int slot) {
    m_utf8[slot] = LocalToUtf8(local.data(), local.size()).GetString();
    return m_utf8[slot];
}

CFastInfosetWriter::~CFastInfosetWriter() = default;

const char* CFastInfosetWriter::GetDeclarationText(FInfoDecl decl) {
    switch (decl) {
        case FI_DECL_ENCODING:
            return "<?xml encoding='finf'?>";
        case FI_DECL_ENCODING_STANDALONE_YES:
            return "<?xml encoding='finf' standalone='yes'?>";
        case FI_DECL_ENCODING_STANDALONE_NO:
            return "<?xml encoding='finf' standalone='no'?>";
        case FI_DECL_1_0:
            return "<?xml version='1.0' encoding='finf'?>";
        case FI_DECL_1_0_STANDALONE_YES:
            return "<?xml version='1.0' encoding='finf' standalone='yes'?>";
        case FI_DECL_1_0_STANDALONE_NO:
            return "<?xml version='1.0' encoding='finf' standalone='no'?>";
        case FI_DECL_1_1:
            return "<?xml version='1.1' encoding='finf'?>";
        case FI_DECL_1_1_STANDALONE_YES:
            return "<?xml version='1.1' encoding='finf' standalone='yes'?>";
        case FI_DECL_1_1_STANDALONE_NO:
            return "<?xml version='1.1' encoding='finf' standalone='no'?>";
        default:
            return "";
    }
}

void CFastInfosetWriter::WriteHeader(FInfoDecl decl) {
    if (GetCurrentContext() != nullptr) throw CQbException("An Element has not been closed.");
    // A second document from the same writer starts afresh: indexes into
    // the first one's tables would make it unreadable.
    ForgetOutput();
    m_encoder.Reset();
    for (auto& hint : m_elementHints) hint = nullptr;
    for (auto& set : m_attributeHints) {
        for (auto& hint : set) hint = nullptr;
    }
    m_inventedPrefixes.clear();
    m_attributeOctets.clear();
    m_attributeCount = 0;
    m_literalNames = 0;
    m_elementPending = false;
    m_terminatorPending = false;
    m_encoder.AppendBytes(GetDeclarationText(decl));
    m_encoder.AppendHeader();
}

CBinaryData CFastInfosetWriter::GetOutput() const {
    const std::size_t length = GetOutputLength();
    if (length == 0) return CBinaryData();
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[length]);
    CopyOutput(bytes.get());
    return CBinaryData(std::move(bytes), length);
}

void CFastInfosetWriter::TakeOutput(std::vector<unsigned char>& octets) {
    octets.resize(GetOutputLength());
    if (!octets.empty()) CopyOutput(octets.data());
    ForgetOutput();
}

void CFastInfosetWriter::CopyOutput(unsigned char* to) const {
    for (const COctetBuffer& block : m_finished) {
        std::memcpy(to, block.data(), block.size());
        to += block.size();
    }
    const COctetBuffer& out = m_encoder.Output();
    if (!out.empty()) std::memcpy(to, out.data(), out.size());
}

void CFastInfosetWriter::ForgetOutput() {
    m_finished.clear();
    m_finishedBytes = 0;
    m_encoder.Output().clear();
}

void CFastInfosetWriter::FinishBlock() {
    COctetBuffer& out = m_encoder.Output();
    m_finished.push_back(std::move(out));
    m_finishedBytes += m_finished.back().size();
    // Room for a block and the element that ends it, without growing.
    out.reserve(kBlockBytes + kBlockBytes / 2);
}

void CFastInfosetWriter::WriteEndDocument() {
    CXmlWriter::WriteEndDocument();
    // The last element's terminator and the document's share one octet.
    m_encoder.AppendOctet(m_terminatorPending ? Encoder::kDoubleTerminator : Encoder::kTerminator);
    m_terminatorPending = false;
}

void CFastInfosetWriter::WriteComment(const std::string&) {}

void CFastInfosetWriter::WriteProcessingInstruction(const std::string&) { WriteStartTag(); }

void CFastInfosetWriter::WriteInLineSchema(const std::string&) {}

void CFastInfosetWriter::WriteStartElement(const std::string& localName,
                                           const std::string& namespaceUri) {
    WriteMixedTextBeforeChild();
    WriteStartTag();
    WritePendingTerminator();
    const StartedElement started = BeginElement(localName, namespaceUri);
    m_elementPending = true;
    m_hintSet = HintOf(localName, namespaceUri);
    // The element's prefix is kept in its context: BeginElement stored the
    // one it found or invented there.
    CXmlWriterContext* current = GetCurrentContext();
    if (started.declaresPrefix) {
        m_inventedPrefixes.emplace_back(*started.prefix, namespaceUri);
    } else if (started.prefix->empty() && !namespaceUri.empty()) {
        // The binary form names the prefix even where the text form relies on
        // the default namespace.
        current->SetPrefix(PrefixFor(namespaceUri));
    }
    // An element in no namespace below a declared default namespace
    // undeclares it, or decoders would put it in that namespace.
    m_undeclareDefault = namespaceUri.empty() && !current->GetEffectiveDefaultNamespace().empty();
    if (m_undeclareDefault) current->SetDefaultNamespace(std::string());
    const std::string& prefix = current->GetPrefix();
    m_elementNameIndex = m_localIsUtf8
                             ? CFastInfosetEncoder::HintedIndex(m_elementHints[m_hintSet],
                                                                {prefix, namespaceUri, localName})
                             : 0;
    if (m_elementNameIndex == 0) {
        m_elementPrefix = prefix;
        m_elementNamespace = namespaceUri;
        m_elementLocalName = localName;
    }
}

void CFastInfosetWriter::WriteText(const std::string& text) { WriteCharacters(text); }

void CFastInfosetWriter::WriteCharacters(std::string_view text) {
    WriteStartTag();
    if (text.empty()) return;
    WritePendingTerminator();
    if (m_localIsUtf8) {
        m_encoder.CharacterChunk(text, text.size());
    } else {
        m_encoder.CharacterChunk(ConvertToUtf8(std::string(text), 0), text.size());
    }
}

void CFastInfosetWriter::WriteEndElement() {
    WriteMixedTextAtEnd();
    WriteStartTag();
    // Two terminators in a row share the octet FF, so the element's own
    // terminator waits for whatever comes next.
    if (m_terminatorPending) {
        m_encoder.AppendOctet(Encoder::kDoubleTerminator);
        m_terminatorPending = false;
    } else {
        m_terminatorPending = true;
    }
    EndElementContext();
    if (m_encoder.Output().size() >= kBlockBytes) FinishBlock();
}

void CFastInfosetWriter::WriteAttribute(const std::string& localName,
                                        const std::string& namespaceUri, const std::string& value) {
    CheckAttributesAllowed();
    // The slots of earlier start tags are kept, so their strings' storage is
    // reused instead of allocated for every attribute.
    if (m_attributeCount == m_attributes.size()) m_attributes.emplace_back();
    PendingAttribute& attribute = m_attributes[m_attributeCount];
    // An index found now is the one found when the start tag is written:
    // only literal names add to the attribute name table, at that time.
    // No namespace, no prefix: the empty namespace stands for both.
    const std::uint32_t nameIndex =
        namespaceUri.empty()
            ? AttributeNameIndex(attribute, namespaceUri, namespaceUri, localName)
            : AttributeNameIndex(attribute, PrefixFor(namespaceUri), namespaceUri, localName);
    attribute.nameIndex = nameIndex;
    attribute.start = m_attributeOctets.size();
    // The value's table grows in document order all the same.
    const CDiversion aside(m_encoder, m_attributeOctets);
    if (nameIndex != 0) m_encoder.AttributeNameIndex(nameIndex);
    m_encoder.AttributeValue(Utf8(value, 0), value.size());
    ++m_attributeCount;
}

// The name where this element's attribute at this position was found last,
// compared in place; any other name is looked up.
inline std::uint32_t CFastInfosetWriter::AttributeNameIndex(PendingAttribute& slot,
                                                            const std::string& prefix,
                                                            const std::string& namespaceUri,
                                                            const std::string& localName) {
    if (m_localIsUtf8 && m_attributeCount < kHintPositions) {
        const std::uint32_t index = CFastInfosetEncoder::HintedIndex(
            m_attributeHints[m_hintSet][m_attributeCount], {prefix, namespaceUri, localName});
        if (index != 0) return index;
    }
    return LookUpAttributeName(slot, prefix, namespaceUri, localName);
}

std::uint32_t CFastInfosetWriter::LookUpAttributeName(PendingAttribute& slot,
                                                      const std::string& prefix,
                                                      const std::string& namespaceUri,
                                                      const std::string& localName) {
    CFastInfosetEncoder::NameHint none = nullptr;
    const std::size_t position = m_attributeCount;
    const std::uint32_t index = m_encoder.FindAttributeName(
        {Utf8(prefix, 0), Utf8(namespaceUri, 1), Utf8(localName, 2)},
        position < kHintPositions ? m_attributeHints[m_hintSet][position] : none);
    if (index == 0) {
        ++m_literalNames;
        slot.prefix = prefix;
        slot.namespaceUri = namespaceUri;
        slot.localName = localName;
    }
    return index;
}

void CFastInfosetWriter::WriteXsiType(const std::string& typeNamespaceUri,
                                      const std::string& typeName) {
    CheckAttributesAllowed();
    std::string invented;
    const std::string value = ResolveXsiTypeValue(typeNamespaceUri, typeName, invented);
    if (!invented.empty()) m_inventedPrefixes.emplace_back(invented, typeNamespaceUri);
    WriteAttribute("type", kXsiNamespace, value);
}

const std::string& CFastInfosetWriter::PrefixFor(const std::string& namespaceUri) {
    bool invented = false;
    const std::string& prefix = ResolveAttributePrefix(namespaceUri, invented);
    if (invented) m_inventedPrefixes.emplace_back(prefix, namespaceUri);
    return prefix;
}

void CFastInfosetWriter::WriteHeldBackStartTag() {
    m_elementPending = false;
    GetCurrentContext()->CloseStartTag();
    unsigned char bits = m_attributeCount == 0 ? 0x00 : Encoder::kElementHasAttributes;
    if (HasNamespaceAttributes()) {
        m_encoder.AppendOctet(bits | Encoder::kElementHasNamespaceAttributes);
        WriteNamespaceAttributes();
        bits = 0x00;  // the name starts on the third bit of a fresh octet
    }
    WriteElementName(bits);
    if (m_attributeCount != 0) WriteAttributes();
    if (!m_inventedPrefixes.empty()) m_inventedPrefixes.clear();
}

inline void CFastInfosetWriter::WriteElementName(unsigned char bits) {
    if (m_elementNameIndex != 0) {
        m_encoder.ElementNameIndex(bits, m_elementNameIndex);
        return;
    }
    m_encoder.ElementName(
        bits, {Utf8(m_elementPrefix, 0), Utf8(m_elementNamespace, 1), Utf8(m_elementLocalName, 2)},
        m_elementHints[m_hintSet]);
}

// The octets encoded by WriteAttribute, with the literal names between them.
void CFastInfosetWriter::WriteAttributes() {
    COctetBuffer& output = m_encoder.Output();
    const unsigned char* octets = m_attributeOctets.data();
    std::size_t written = 0;
    for (std::size_t i = 0; m_literalNames != 0 && i < m_attributeCount; ++i) {
        const PendingAttribute& a = m_attributes[i];
        if (a.nameIndex != 0) continue;
        output.Append(octets + written, a.start - written);
        written = a.start;
        m_encoder.AttributeName({Utf8(a.prefix, 0), Utf8(a.namespaceUri, 1), Utf8(a.localName, 2)});
    }
    output.Append(octets + written, m_attributeOctets.size() - written);
    m_encoder.AppendOctet(Encoder::kTerminator);
    m_attributeOctets.clear();
    m_attributeCount = 0;
    m_literalNames = 0;
}

// A root in no namespace leaves the registered default namespace out rather
// than declaring and undeclaring it on the same element.
bool CFastInfosetWriter::DeclaresRegisteredDefault() const {
    return GetCurrentContext()->GetDepth() == 0 && !GetPendingDefaultNamespace().empty() &&
           !m_undeclareDefault;
}

bool CFastInfosetWriter::UndeclaresDefault() const {
    return m_undeclareDefault && GetCurrentContext()->GetDepth() != 0;
}

bool CFastInfosetWriter::HasNamespaceAttributes() const {
    if (!m_inventedPrefixes.empty()) return true;
    // Below the root, only an undeclared default namespace adds one.
    if (GetCurrentContext()->GetDepth() != 0) return m_undeclareDefault;
    return DeclaresRegisteredDefault() || !GetPendingDeclarations().empty();
}

void CFastInfosetWriter::WriteNamespaceAttributes() {
    // The root declares what was registered before it, always as literals.
    if (GetCurrentContext()->GetDepth() == 0) {
        if (DeclaresRegisteredDefault()) {
            m_encoder.AppendOctet(kDefaultNamespaceAttribute);
            m_encoder.LiteralIdentifyingString(Table::TBL_NAMESPACES,
                                               Utf8(GetPendingDefaultNamespace(), 0));
        }
        for (const auto& declaration : GetPendingDeclarations()) {
            // An empty prefix can only declare the default namespace.
            if (declaration.second.empty()) {
                m_encoder.AppendOctet(kDefaultNamespaceAttribute);
            } else {
                m_encoder.AppendOctet(kPrefixedNamespaceAttribute);
                m_encoder.LiteralIdentifyingString(Table::TBL_PREFIXES,
                                                   Utf8(declaration.second, 0));
            }
            m_encoder.LiteralIdentifyingString(Table::TBL_NAMESPACES, Utf8(declaration.first, 0));
        }
    }
    for (const auto& invented : m_inventedPrefixes) {
        m_encoder.AppendOctet(kPrefixedNamespaceAttribute);
        m_encoder.IdentifyingString(Table::TBL_PREFIXES, Utf8(invented.first, 0));
        m_encoder.IdentifyingString(Table::TBL_NAMESPACES, Utf8(invented.second, 0));
    }
    if (UndeclaresDefault()) m_encoder.AppendOctet(kDefaultNamespaceUndeclaration);
    m_encoder.AppendOctet(Encoder::kTerminator);
}

}  // namespace QbXmlLib5
