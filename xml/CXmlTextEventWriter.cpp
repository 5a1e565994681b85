#include "xml/CXmlTextEventWriter.h"

#include <utility>

#include "core/CQbException.h"
#include "xml/CXmlNameCheck.h"

namespace QbXmlLib5 {

namespace {

const std::size_t kFlushSize = 64 * 1024;
const std::size_t kNoMixedElement = static_cast<std::size_t>(-1);

bool IsWhitespace(std::string_view text) {
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
    }
    return true;
}

// Names, comments and instructions may come from a Fast Infoset document,
// which takes any string: what XML text cannot hold is refused rather than
// written malformed.
void CheckName(std::string_view name, const char* kind) {
    if (!IsXmlNCName(name)) {
        throw CQbException(FormatString("Cannot write %s [%s] as XML: it is not a valid XML name",
                                        kind, std::string(name).c_str()));
    }
}

void CheckQName(const CXmlEventSink::QName& name, const char* kind) {
    if (!name.prefix.empty()) CheckName(name.prefix, "the namespace prefix");
    CheckName(name.localName, kind);
}

void CheckMarkup(std::string_view text, std::string_view forbidden, const char* kind) {
    if (text.find(forbidden) != std::string_view::npos ||
        (forbidden == "--" && !text.empty() && text.back() == '-')) {
        throw CQbException(FormatString("Cannot write %s [%s] as XML: it contains \"%s\"", kind,
                                        std::string(text).c_str(), std::string(forbidden).c_str()));
    }
}

}  // namespace

CXmlTextEventWriter::CXmlTextEventWriter(Output output, WhitespaceMode mode, EOLType eol,
                                         const char* declarationEncoding)
    : m_output(std::move(output)),
      m_mode(mode),
      m_lineEnd(eol == EOL_CRLF ? "\r\n" : "\n"),
      m_mixedDepth(kNoMixedElement),
      m_startTagOpen(false) {
    if (eol != EOL_CRLF && eol != EOL_LF) throw CQbException("Invalid EOL type.");
    if (declarationEncoding) {
        Write("<?xml version=\"1.0\" encoding=\"");
        Write(declarationEncoding);
        Write("\"?>");
        Write(m_lineEnd);
    }
}

CXmlTextEventWriter::~CXmlTextEventWriter() = default;

bool CXmlTextEventWriter::Formatting() const {
    return m_mode == WS_FORMATTED && m_mixedDepth == kNoMixedElement;
}

void CXmlTextEventWriter::Indent(std::size_t depth) {
    if (!Formatting()) return;
    Write(m_lineEnd);
    m_buffer.append(depth, '\t');
}

void CXmlTextEventWriter::BeginItem() {
    CloseStartTag();
    if (m_open.empty()) {
        // Items around the document element go on lines of their own.
        if (!m_buffer.empty() && m_buffer.back() != '\n') Write(m_lineEnd);
        return;
    }
    m_open.back().hasChildren = true;
    Indent(m_open.size());
}

void CXmlTextEventWriter::FlushIfFull() {
    if (m_buffer.size() < kFlushSize) return;
    m_output(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

void CXmlTextEventWriter::CloseStartTag() {
    if (!m_startTagOpen) return;
    Write(">");
    m_startTagOpen = false;
}

void CXmlTextEventWriter::WriteName(const QName& name) {
    if (!name.prefix.empty()) {
        Write(name.prefix);
        Write(":");
    }
    Write(name.localName);
}

void CXmlTextEventWriter::WriteEscaped(std::string_view text, bool attribute) {
    std::size_t plain = 0;  // start of the run not written yet
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* replacement = nullptr;
        switch (text[i]) {
            case '&':
                replacement = "&amp;";
                break;
            case '<':
                replacement = "&lt;";
                break;
            case '>':
                replacement = "&gt;";
                break;
            case '\r':
                replacement = "&#13;";
                break;
            case '"':
                replacement = attribute ? "&quot;" : nullptr;
                break;
            case '\t':
                replacement = attribute ? "&#9;" : nullptr;
                break;
            case '\n':
                replacement = attribute ? "&#10;" : m_lineEnd.c_str();
                break;
            default:
                if (static_cast<unsigned char>(text[i]) < 0x20) {
                    throw CQbException(FormatString(
                        "Cannot write the character %#x as XML 1.0: it has no representation",
                        static_cast<unsigned>(text[i])));
                }
                break;
        }
        if (replacement == nullptr) continue;
        Write(text.substr(plain, i - plain));
        Write(replacement);
        plain = i + 1;
    }
    Write(text.substr(plain));
}

void CXmlTextEventWriter::StartElement(const QName& name,
                                       const std::vector<Declaration>& declarations,
                                       const std::vector<Attribute>& attributes) {
    CheckQName(name, "the element name");
    BeginItem();
    Write("<");
    const std::size_t nameStart = m_buffer.size();
    WriteName(name);
    m_open.push_back({m_buffer.substr(nameStart), false});
    for (const Declaration& declaration : declarations) {
        if (!declaration.prefix.empty()) CheckName(declaration.prefix, "the namespace prefix");
        Write(declaration.prefix.empty() ? " xmlns" : " xmlns:");
        Write(declaration.prefix);
        Write("=\"");
        WriteEscaped(declaration.namespaceUri, true);
        Write("\"");
    }
    for (const Attribute& attribute : attributes) {
        CheckQName(attribute.name, "the attribute name");
        Write(" ");
        WriteName(attribute.name);
        Write("=\"");
        WriteEscaped(attribute.value, true);
        Write("\"");
    }
    m_startTagOpen = true;
    FlushIfFull();
}

void CXmlTextEventWriter::EndElement() {
    if (m_open.empty()) throw CQbException("No element is open.");
    if (m_startTagOpen) {
        Write("/>");
        m_startTagOpen = false;
    } else {
        if (m_open.back().hasChildren) Indent(m_open.size() - 1);
        Write("</");
        Write(m_open.back().name);
        Write(">");
    }
    m_open.pop_back();
    if (m_mixedDepth == m_open.size()) m_mixedDepth = kNoMixedElement;
    FlushIfFull();
}

void CXmlTextEventWriter::Text(std::string_view text) {
    if (text.empty() || m_open.empty()) return;
    if (IsWhitespace(text)) {
        if (m_mode != WS_AS_READ) return;
    } else if (m_mixedDepth == kNoMixedElement) {
        m_mixedDepth = m_open.size() - 1;
    }
    CloseStartTag();
    WriteEscaped(text, false);
    FlushIfFull();
}

void CXmlTextEventWriter::Comment(std::string_view text) {
    CheckMarkup(text, "--", "the comment");
    BeginItem();
    Write("<!--");
    Write(text);
    Write("-->");
    FlushIfFull();
}

void CXmlTextEventWriter::ProcessingInstruction(std::string_view target, std::string_view data) {
    CheckName(target, "the processing instruction target");
    CheckMarkup(data, "?>", "the processing instruction");
    BeginItem();
    Write("<?");
    Write(target);
    if (!data.empty()) {
        Write(" ");
        Write(data);
    }
    Write("?>");
    FlushIfFull();
}

void CXmlTextEventWriter::EndDocument() {
    if (!m_open.empty()) throw CQbException("An Element has not been closed.");
    Write(m_lineEnd);
    m_output(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

}  // namespace QbXmlLib5
