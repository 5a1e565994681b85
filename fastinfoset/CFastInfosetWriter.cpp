#include "fastinfoset/CFastInfosetWriter.h"

namespace QbXmlLib5 {

namespace {

// X.891 identification, version 1, then the padding bit and the seven
// optional-component bits, all clear.
const unsigned char kHeader[] = {0xE0, 0x00, 0x00, 0x01, 0x00};

const unsigned char kTerminator = 0xF0;
const unsigned char kDoubleTerminator = 0xFF;
// Element bits: attributes present, namespace attributes present.
const unsigned char kElementHasAttributes = 0x40;
const unsigned char kElementHasNamespaceAttributes = 0x38;
// Namespace attribute with a namespace name, without / with a prefix.
const unsigned char kDefaultNamespaceAttribute = 0xCD;
const unsigned char kPrefixedNamespaceAttribute = 0xCF;

// Texts arrive in the local encoding. The process default is UTF-8, which is
// what the document carries.
const std::string& Utf8(const std::string& local) { return local; }

using Table = CFastInfosetEncoder::TableId;

}  // namespace

CFastInfosetWriter::CFastInfosetWriter()
    : CFastInfosetWriter(CFastInfosetEncoder::kMaxTableSize) {}

CFastInfosetWriter::CFastInfosetWriter(std::uint32_t tableCapacity)
    : CXmlWriter("CFastInfosetWriter"),
      m_encoder(tableCapacity),
      m_elementPending(false),
      m_terminatorPending(false) {}

CFastInfosetWriter::~CFastInfosetWriter() = default;

const char* CFastInfosetWriter::GetDeclarationText(FInfoDecl decl) {
    switch (decl) {
        case FI_DECL_ENCODING: return "<?xml encoding='finf'?>";
        case FI_DECL_ENCODING_STANDALONE_YES: return "<?xml encoding='finf' standalone='yes'?>";
        case FI_DECL_ENCODING_STANDALONE_NO: return "<?xml encoding='finf' standalone='no'?>";
        case FI_DECL_1_0: return "<?xml version='1.0' encoding='finf'?>";
        case FI_DECL_1_0_STANDALONE_YES:
            return "<?xml version='1.0' encoding='finf' standalone='yes'?>";
        case FI_DECL_1_0_STANDALONE_NO:
            return "<?xml version='1.0' encoding='finf' standalone='no'?>";
        case FI_DECL_1_1: return "<?xml version='1.1' encoding='finf'?>";
        case FI_DECL_1_1_STANDALONE_YES:
            return "<?xml version='1.1' encoding='finf' standalone='yes'?>";
        case FI_DECL_1_1_STANDALONE_NO:
            return "<?xml version='1.1' encoding='finf' standalone='no'?>";
        default: return "";
    }
}

void CFastInfosetWriter::WriteHeader(FInfoDecl decl) {
    m_encoder.Output().clear();
    m_encoder.AppendBytes(GetDeclarationText(decl));
    for (unsigned char octet : kHeader) m_encoder.AppendOctet(octet);
}

CBinaryData CFastInfosetWriter::GetOutput() const {
    const std::vector<unsigned char>& out = m_encoder.Output();
    return CBinaryData(out.empty() ? nullptr : const_cast<unsigned char*>(out.data()),
                       out.size(), false);
}

void CFastInfosetWriter::WriteEndDocument() {
    CXmlWriter::WriteEndDocument();
    // The last element's terminator and the document's share one octet.
    m_encoder.AppendOctet(m_terminatorPending ? kDoubleTerminator : kTerminator);
    m_terminatorPending = false;
}

void CFastInfosetWriter::WriteComment(const std::string&) {}

void CFastInfosetWriter::WriteProcessingInstruction(const std::string&) {
    WritePendingElement(false);
}

void CFastInfosetWriter::WriteInLineSchema(const std::string&) {}

void CFastInfosetWriter::WriteStartElement(const std::string& localName,
                                           const std::string& namespaceUri) {
    WritePendingElement(false);
    WritePendingTerminator();
    const bool parentHasAttributes = !m_hasAttributes.empty() && m_hasAttributes.back();
    const StartedElement started = BeginElement(localName, namespaceUri);
    if (started.closesParentStartTag && parentHasAttributes) m_encoder.AppendOctet(kTerminator);
    m_hasAttributes.push_back(false);
    m_elementPending = true;
}

void CFastInfosetWriter::WriteText(const std::string& text) {
    WritePendingElement(false);
    CloseStartTag();
    if (text.empty()) return;
    WritePendingTerminator();
    m_encoder.CharacterChunk(Utf8(text), text.size());
}

void CFastInfosetWriter::WriteEndElement() {
    WritePendingElement(false);
    CloseStartTag();
    // Two terminators in a row share the octet FF, so the element's own
    // terminator waits for whatever comes next.
    if (m_terminatorPending) {
        m_encoder.AppendOctet(kDoubleTerminator);
        m_terminatorPending = false;
    } else {
        m_terminatorPending = true;
    }
    EndElementContext();
    m_hasAttributes.pop_back();
}

void CFastInfosetWriter::WriteAttribute(const std::string& localName,
                                        const std::string& namespaceUri,
                                        const std::string& value) {
    WritePendingElement(true);
    CheckAttributesAllowed();
    bool generated = false;
    const std::string prefix = ResolveAttributePrefix(namespaceUri, generated);
    WriteAttributeOctets(prefix, localName, namespaceUri, value);
}

void CFastInfosetWriter::WriteXsiType(const std::string& typeNamespaceUri,
                                      const std::string& typeName) {
    WritePendingElement(true);
    CheckAttributesAllowed();
    std::string generated;
    const std::string value = ResolveXsiTypeValue(typeNamespaceUri, typeName, generated);
    // Without a prefix in scope the instance namespace is entered with an
    // empty prefix and the attribute carries its namespace name alone.
    CXmlWriterContext* current = GetCurrentContext();
    std::string prefix;
    if (const std::string* found = current->FindPrefix(kXsiNamespace)) {
        prefix = *found;
    } else {
        current->AddNamespace(std::string(), kXsiNamespace);
    }
    WriteAttributeOctets(prefix, "type", kXsiNamespace, value);
}

void CFastInfosetWriter::WriteAttributeOctets(const std::string& prefix,
                                              const std::string& localName,
                                              const std::string& namespaceUri,
                                              const std::string& value) {
    m_encoder.AttributeName({Utf8(prefix), Utf8(namespaceUri), Utf8(localName)});
    m_encoder.AttributeValue(Utf8(value), value.size());
}

void CFastInfosetWriter::WritePendingElement(bool withAttributes) {
    if (!m_elementPending) return;
    m_elementPending = false;
    CXmlWriterContext* current = GetCurrentContext();
    unsigned char bits = withAttributes ? kElementHasAttributes : 0x00;
    if (current->GetDepth() == 0 &&
        (!GetPendingDefaultNamespace().empty() || !GetPendingDeclarations().empty())) {
        m_encoder.AppendOctet(bits | kElementHasNamespaceAttributes);
        WriteRootNamespaceAttributes();
        bits = 0x00;  // the name starts on the third bit of a fresh octet
    }
    const std::string& namespaceUri = current->GetNamespaceUri();
    bool generated = false;
    const std::string prefix = ResolveAttributePrefix(namespaceUri, generated);
    m_encoder.ElementName(bits, {Utf8(prefix), Utf8(namespaceUri), Utf8(current->GetLocalName())});
    m_hasAttributes.back() = withAttributes;
}

void CFastInfosetWriter::WriteRootNamespaceAttributes() {
    if (!GetPendingDefaultNamespace().empty()) {
        m_encoder.AppendOctet(kDefaultNamespaceAttribute);
        m_encoder.LiteralIdentifyingString(Table::TBL_NAMESPACES,
                                           Utf8(GetPendingDefaultNamespace()));
    }
    for (const auto& declaration : GetPendingDeclarations()) {
        // An empty prefix can only declare the default namespace.
        if (declaration.second.empty()) {
            m_encoder.AppendOctet(kDefaultNamespaceAttribute);
        } else {
            m_encoder.AppendOctet(kPrefixedNamespaceAttribute);
            m_encoder.LiteralIdentifyingString(Table::TBL_PREFIXES, Utf8(declaration.second));
        }
        m_encoder.LiteralIdentifyingString(Table::TBL_NAMESPACES, Utf8(declaration.first));
    }
    m_encoder.AppendOctet(kTerminator);
}

void CFastInfosetWriter::CloseStartTag() {
    CXmlWriterContext* current = GetCurrentContext();
    if (!current->IsStartTagOpen()) return;
    current->CloseStartTag();
    if (m_hasAttributes.back()) m_encoder.AppendOctet(kTerminator);
}

void CFastInfosetWriter::WritePendingTerminator() {
    if (!m_terminatorPending) return;
    m_encoder.AppendOctet(kTerminator);
    m_terminatorPending = false;
}

}  // namespace QbXmlLib5
