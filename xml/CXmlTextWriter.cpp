#include "xml/CXmlTextWriter.h"

#include <array>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/CCharEncoding.h"
#include "core/CQbException.h"
#include "types/CBinaryData.h"
#include "xml/CXmlNameCheck.h"

namespace QbXmlLib5 {

namespace {
const char kInvalidEolType[] = "Invalid EOL type.";

// The line end of `eolType`; throws for a value that names none.
const char* LineEndOf(EOLType eolType) {
    switch (eolType) {
        case EOL_CRLF:
            return "\r\n";
        case EOL_LF:
            return "\n";
    }
    throw CQbException(kInvalidEolType);
}

// Names may come from anywhere (a Fast Infoset document, a setter): one that
// is not an XML name would make the output malformed, so it is refused.
void CheckName(const std::string& name, const char* kind, bool localIsUtf8) {
    bool valid;
    if (localIsUtf8) {
        valid = IsXmlNCName(name);
    } else {
        const CBinaryData utf8 = LocalToUtf8(name.data(), name.size());
        valid = IsXmlNCName(
            std::string_view(reinterpret_cast<const char*>(utf8.GetData()), utf8.GetLength()));
    }
    if (!valid) {
        throw CQbException(FormatString("Cannot write %s [%s] as XML: it is not a valid XML name",
                                        kind, name.c_str()));
    }
}
}  // namespace

CXmlTextWriter::CXmlTextWriter()
    : CXmlWriter("CXmlTextWriter", false),
      m_output(new CStringBuffer()),
      m_lineEnd("\n"),
      m_eolType(EOL_LF),
      m_formatted(true),
      m_encoding(XE_NONE) {}

CXmlTextWriter::~CXmlTextWriter() = default;

void CXmlTextWriter::SetEOLType(EOLType eolType) {
    m_lineEnd = LineEndOf(eolType);
    m_eolType = eolType;
}

void CXmlTextWriter::SetFormatted(bool formatted) { m_formatted = formatted; }

void CXmlTextWriter::WriteStartDocument(XmlEncoding encoding) {
    PinEndTagNames();
    m_output->Reset();
    m_encoding = encoding;
    Write("<?xml version=\"1.0\"");
    if (encoding == XE_UTF8) {
        Write(" encoding=\"UTF-8\"");
    } else if (encoding == XE_UTF16) {
        Write(" encoding=\"UTF-16\"");
    }
    Write("?>");
    Write(m_lineEnd);
}

std::string CXmlTextWriter::GetXml() { return m_output->ToString(); }

std::string CXmlTextWriter::TakeXml() {
    std::string text = m_output->ToString();
    PinEndTagNames();
    m_output->Reset();
    return text;
}

CBinaryData CXmlTextWriter::GetXmlBytes(XmlEncoding encoding) {
    PinEndTagNames();
    if (encoding == XE_UTF8 && IsLocalCharEncodingUtf8()) {
        // The blocks go straight into the result: joining them first would
        // copy the whole document twice and hold it three times.
        const std::size_t length = m_output->GetLength();
        if (length == 0) return CBinaryData();
        std::unique_ptr<unsigned char[]> bytes(new unsigned char[length]);
        m_output->CopyTo(reinterpret_cast<char*>(bytes.get()));
        return CBinaryData(std::move(bytes), length);
    }
    const char* text = m_output->Join();
    const std::size_t length = m_output->GetLength();
    switch (encoding) {
        case XE_UTF8:
            return LocalToUtf8(text, length);
        case XE_UTF16:
        case XE_UTF16_NO_DECL:
            return LocalToUtf16(text, length);
        case XE_NONE:
            break;
    }
    throw CQbException(
        "Unknown Encoding, select UTF-8 (if you need another encoding, ask on the QbXmlLib5 "
        "issue tracker named in the README)");
}

#if defined(__SSE2__)
namespace {

// The first byte from `p` that ends a run of plain text (see WriteEscaped),
// looking at sixteen bytes at a time while sixteen remain before `end`; else
// where fewer than sixteen remain.
inline __attribute__((always_inline)) const char* SkipPlainBlocks(const char* p, const char* end,
                                                                  bool attribute) {
    const auto is = [](__m128i b, char c) { return _mm_cmpeq_epi8(b, _mm_set1_epi8(c)); };
    for (; end - p >= 16; p += 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i stop = _mm_or_si128(_mm_or_si128(is(b, '\0'), is(b, '&')),
                                    _mm_or_si128(is(b, '<'), is(b, '>')));
        stop = _mm_or_si128(stop, _mm_or_si128(_mm_or_si128(is(b, '"'), is(b, '\n')), is(b, '\r')));
        if (attribute) stop = _mm_or_si128(stop, is(b, '\t'));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(stop));
        if (mask != 0) return p + __builtin_ctz(mask);
    }
    return p;
}

}  // namespace
#endif

void CXmlTextWriter::WriteEscaped(const std::string& text, bool attribute) {
    WriteEscaped<true>(text.c_str(), text.size(), attribute);
}

void CXmlTextWriter::WriteEscaped(std::string_view text, bool attribute) {
    WriteEscaped<false>(text.data(), text.size(), attribute);
}

// kTerminated: a NUL follows the text, and ends the scan where the text does
// without a test of every byte against the end.
template <bool kTerminated>
void CXmlTextWriter::WriteEscaped(const char* text, std::size_t size, bool attribute) {
    // Bytes that end a run of plain text: those replaced below, and the NUL
    // at which writing stops. In attribute values tab, line feed and carriage
    // return are written as references: a parser would turn them into blanks.
    static const std::array<std::array<bool, 256>, 2> kStopsRun = [] {
        std::array<std::array<bool, 256>, 2> tables{};
        for (auto& table : tables) {
            for (unsigned char c : {'\0', '&', '<', '>', '"', '\n', '\r'}) table[c] = true;
        }
        tables[1]['\t'] = true;
        return tables;
    }();
    const std::array<bool, 256>& stops = kStopsRun[attribute ? 1 : 0];
    const char* run = text;
    const char* const end = run + size;
    for (const char* p = run;; ++p) {
#if defined(__SSE2__)
        if (end - p >= 16) p = SkipPlainBlocks(p, end, attribute);
#endif
        if (kTerminated) {
            while (!stops[static_cast<unsigned char>(*p)]) ++p;
        } else {
            while (p != end && !stops[static_cast<unsigned char>(*p)]) ++p;
        }
        m_output->Append(run, static_cast<std::size_t>(p - run));
        if (!kTerminated && p == end) return;
        switch (*p) {
            case '\0':
                return;
            case '&':
                Write("&amp;");
                break;
            case '<':
                Write("&lt;");
                break;
            case '>':
                Write("&gt;");
                break;
            case '"':
                Write("&quot;");
                break;
            case '\t':
                Write("&#9;");
                break;
            case '\n':
                if (attribute) {
                    Write("&#10;");
                } else {
                    Write(m_lineEnd);
                }
                break;
            default:  // '\r': kept in attribute values, dropped in text
                if (attribute) Write("&#13;");
                break;
        }
        run = p + 1;
    }
}

void CXmlTextWriter::CloseOpenStartTag() {
    CXmlWriterContext* current = GetCurrentContext();
    if (current && current->IsStartTagOpen()) {
        m_output->Append('>');
        current->CloseStartTag();
    }
}

void CXmlTextWriter::WriteIndent(std::uint32_t depth) {
    for (std::uint32_t i = 0; i < depth; ++i) m_output->Append('\t');
}

void CXmlTextWriter::WriteDeclaration(const std::string& prefix, const std::string& namespaceUri,
                                      bool leadingBlank) {
    CheckName(prefix, "the namespace prefix", m_localIsUtf8);
    Write(leadingBlank ? " xmlns:" : "xmlns:");
    Write(prefix);
    Write("=\"");
    Write(namespaceUri);
    m_output->Append('"');
}

void CXmlTextWriter::WriteComment(const std::string& text) {
    // A comment inside an element is content: it closes an open start tag.
    CloseOpenStartTag();
    Write("<!--");
    WriteEscaped(text);
    Write("-->");
    Write(m_lineEnd);
}

void CXmlTextWriter::WriteProcessingInstruction(const std::string& text) {
    Write(text);
    Write(m_lineEnd);
    Write(m_lineEnd);
}

void CXmlTextWriter::WriteInLineSchema(const std::string& text) {
    // The schema is markup, so it becomes the first content of the current
    // element: written inside the start tag it would break the document.
    CloseOpenStartTag();
    Write(m_lineEnd);
    Write(text);
    Write(m_lineEnd);
}

void CXmlTextWriter::WriteStartElement(const std::string& localName,
                                       const std::string& namespaceUri) {
    StartElement(localName, namespaceUri, true);
}

void CXmlTextWriter::WriteStartCheckedElement(const std::string& localName,
                                              const std::string& namespaceUri) {
    StartElement(localName, namespaceUri, false);
}

inline void CXmlTextWriter::StartElement(const std::string& localName,
                                         const std::string& namespaceUri, bool checkName) {
    // The local encoding is taken once per document, at its root.
    if (!GetCurrentContext()) m_localIsUtf8 = IsLocalCharEncodingUtf8();
    if (checkName) CheckName(localName, "the element name", m_localIsUtf8);
    WriteMixedTextBeforeChild();
    const std::uint32_t depth = GetCurrentContext() ? GetCurrentContext()->GetDepth() + 1 : 0;
    if (depth < m_endTagNames.size()) m_endTagNames[depth].size = 0;
    const StartedElement started = BeginElement(localName, namespaceUri);
    // Inside mixed content every character counts: nothing is added.
    const bool format = m_formatted && !GetCurrentContext()->IsVerbatim();
    if (started.closesParentStartTag) {
        m_output->Append('>');
        if (format) Write(m_lineEnd);
    }
    if (format) WriteIndent(GetCurrentContext()->GetDepth());
    m_output->Append('<');
    WriteElementName(depth, *started.prefix, localName);
    if (started.declaresPrefix) WriteDeclaration(*started.prefix, namespaceUri, true);
    if (!started.isRoot) return;
    if (!GetPendingDefaultNamespace().empty()) {
        Write(" xmlns=\"");
        Write(GetPendingDefaultNamespace());
        m_output->Append('"');
    }
    for (const auto& declaration : GetPendingDeclarations()) {
        WriteDeclaration(declaration.second, declaration.first, true);
    }
}

// The end tag repeats the bytes the start tag wrote into the output, which
// stay in place until the output is taken or joined (PinEndTagNames); a name
// that straddled two blocks of the output is copied at once. Slots are
// indexed by depth: an element whose start failed half-way leaves an empty
// name, not another element's.
inline void CXmlTextWriter::WriteElementName(std::uint32_t depth, const std::string& prefix,
                                             const std::string& localName) {
    if (depth >= m_endTagNames.size()) m_endTagNames.resize(depth + 1);
    EndTagName& slot = m_endTagNames[depth];
    if (!prefix.empty()) {
        Write(prefix);
        m_output->Append(':');
    }
    Write(localName);
    const std::size_t size = localName.size() + (prefix.empty() ? 0 : prefix.size() + 1);
    if (const char* written = m_output->Last(size)) {
        slot.data = written;
    } else {
        slot.copy.clear();
        if (!prefix.empty()) slot.copy.append(prefix).append(1, ':');
        slot.copy.append(localName);
        slot.data = nullptr;
    }
    slot.size = size;
}

void CXmlTextWriter::PinEndTagNames() {
    const CXmlWriterContext* current = GetCurrentContext();
    if (!current) return;
    const std::size_t open = std::min<std::size_t>(current->GetDepth() + 1, m_endTagNames.size());
    for (std::size_t depth = 0; depth < open; ++depth) {
        EndTagName& slot = m_endTagNames[depth];
        if (!slot.data) continue;
        slot.copy.assign(slot.data, slot.size);
        slot.data = nullptr;
    }
}

inline bool CXmlTextWriter::StartText(std::size_t size) {
    if (size == 0) return false;
    RequireCurrentContext().SetVerbatim();
    CloseOpenStartTag();
    return true;
}

void CXmlTextWriter::WriteText(const std::string& text) {
    if (StartText(text.size())) WriteEscaped(text);
}

void CXmlTextWriter::WriteCharacters(std::string_view text) {
    if (StartText(text.size())) WriteEscaped(text);
}

void CXmlTextWriter::WriteEndElement() {
    WriteMixedTextAtEnd();
    const CXmlWriterContext* current = &RequireCurrentContext();
    const CXmlWriterContext* parent = current->GetParent();
    if (current->IsStartTagOpen()) {
        Write("/>");
    } else {
        if (m_formatted && !current->IsVerbatim() && current->GetChildCount() > 0) {
            WriteIndent(current->GetDepth());
        }
        Write("</");
        if (current->GetDepth() < m_endTagNames.size()) {
            const EndTagName& name = m_endTagNames[current->GetDepth()];
            m_output->Append(name.data ? name.data : name.copy.data(), name.size);
        }
        m_output->Append('>');
    }
    if (m_formatted && !(parent && parent->IsVerbatim())) Write(m_lineEnd);
    EndElementContext();
}

void CXmlTextWriter::WriteAttribute(const std::string& localName, const std::string& namespaceUri,
                                    const std::string& value) {
    Attribute(localName, namespaceUri, value, true);
}

void CXmlTextWriter::WriteCheckedAttribute(const std::string& localName,
                                           const std::string& namespaceUri,
                                           const std::string& value) {
    Attribute(localName, namespaceUri, value, false);
}

inline void CXmlTextWriter::Attribute(const std::string& localName, const std::string& namespaceUri,
                                      const std::string& value, bool checkName) {
    CheckAttributesAllowed();
    if (checkName) CheckName(localName, "the attribute name", m_localIsUtf8);
    bool generated = false;
    const std::string& prefix = ResolveAttributePrefix(namespaceUri, generated);
    m_output->Append(' ');
    if (generated) {
        WriteDeclaration(prefix, namespaceUri, false);
        m_output->Append(' ');
    }
    if (!prefix.empty()) {
        Write(prefix);
        m_output->Append(':');
    }
    Write(localName);
    Write("=\"");
    WriteEscaped(value, true);
    m_output->Append('"');
}

void CXmlTextWriter::WriteXsiType(const std::string& typeNamespaceUri,
                                  const std::string& typeName) {
    CheckAttributesAllowed();
    std::string generatedPrefix;
    const std::string value = ResolveXsiTypeValue(typeNamespaceUri, typeName, generatedPrefix);
    if (!generatedPrefix.empty()) {
        WriteDeclaration(generatedPrefix, typeNamespaceUri, true);
        m_output->Append(' ');
    }
    WriteAttribute("type", kXsiNamespace, value);
}

}  // namespace QbXmlLib5
