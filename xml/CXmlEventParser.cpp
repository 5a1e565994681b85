#include "xml/CXmlEventParser.h"

#include <expat.h>

#include <climits>
#include <cstring>
#include <new>

#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

// Expat reports namespaced names as "uri|local|prefix" (the prefix part only
// when there is one); it refuses namespace URIs that contain the separator.
const char kSeparator = '|';

// Expat takes int lengths; larger inputs go in pieces of this size.
const std::size_t kMaxPiece = INT_MAX / 2;

XML_Parser AsParser(void* parser) { return static_cast<XML_Parser>(parser); }

}  // namespace

CXmlEventParser::CXmlEventParser(CXmlEventSink& sink, bool namespaces)
    : m_sink(sink),
      m_namespaces(namespaces),
      m_parser(namespaces ? XML_ParserCreateNS(nullptr, kSeparator) : XML_ParserCreate(nullptr)) {
    if (m_parser == nullptr) throw std::bad_alloc();
    XML_Parser parser = AsParser(m_parser);
    XML_SetUserData(parser, this);
    if (namespaces) {
        XML_SetReturnNSTriplet(parser, XML_TRUE);
        XML_SetStartNamespaceDeclHandler(parser, OnStartNamespace);
    }
    XML_SetElementHandler(parser, OnStartElement, OnEndElement);
    XML_SetCharacterDataHandler(parser, OnCharacterData);
    XML_SetCommentHandler(parser, OnComment);
    XML_SetProcessingInstructionHandler(parser, OnProcessingInstruction);
}

CXmlEventParser::~CXmlEventParser() { XML_ParserFree(AsParser(m_parser)); }

void CXmlEventParser::Parse(const unsigned char* data, std::size_t length, bool final) {
    XML_Parser parser = AsParser(m_parser);
    XML_Status status = XML_STATUS_OK;
    do {
        const std::size_t piece = length < kMaxPiece ? length : kMaxPiece;
        const bool last = final && piece == length;
        status = XML_Parse(parser, reinterpret_cast<const char*>(data), static_cast<int>(piece),
                           last ? XML_TRUE : XML_FALSE);
        data += piece;
        length -= piece;
    } while (status == XML_STATUS_OK && length > 0);
    if (m_failure) std::rethrow_exception(m_failure);
    if (status != XML_STATUS_OK) {
        throw CQbException(
            FormatString("%s at line %lu", XML_ErrorString(XML_GetErrorCode(parser)),
                         static_cast<unsigned long>(XML_GetCurrentLineNumber(parser))));
    }
    if (final) {
        FlushText();  // text after the document element is markup's whitespace
        m_sink.EndDocument();
    }
}

// An exception never unwinds through Expat: it stops the parser and is
// thrown again by Parse.
template <typename Body>
void CXmlEventParser::Guarded(void* userData, Body body) {
    auto* reader = static_cast<CXmlEventParser*>(userData);
    if (reader->m_failure) return;
    try {
        body(reader);
    } catch (...) {
        reader->m_failure = std::current_exception();
        XML_StopParser(AsParser(reader->m_parser), XML_FALSE);
    }
}

void CXmlEventParser::OnStartElement(void* userData, const char* name, const char** attributes) {
    Guarded(userData, [=](CXmlEventParser* reader) { reader->StartElement(name, attributes); });
}

void CXmlEventParser::OnEndElement(void* userData, const char*) {
    Guarded(userData, [](CXmlEventParser* reader) {
        reader->FlushText();
        reader->m_sink.EndElement();
    });
}

void CXmlEventParser::OnStartNamespace(void* userData, const char* prefix, const char* uri) {
    Guarded(userData, [=](CXmlEventParser* reader) {
        reader->m_declarationStrings.emplace_back(prefix ? prefix : "");
        reader->m_declarationStrings.emplace_back(uri ? uri : "");
    });
}

void CXmlEventParser::OnCharacterData(void* userData, const char* text, int length) {
    Guarded(userData, [=](CXmlEventParser* reader) {
        reader->m_text.append(text, static_cast<std::size_t>(length));
    });
}

void CXmlEventParser::OnComment(void* userData, const char* text) {
    Guarded(userData, [=](CXmlEventParser* reader) {
        reader->FlushText();
        reader->m_sink.Comment(text);
    });
}

void CXmlEventParser::OnProcessingInstruction(void* userData, const char* target,
                                              const char* data) {
    Guarded(userData, [=](CXmlEventParser* reader) {
        reader->FlushText();
        reader->m_sink.ProcessingInstruction(target, data ? data : "");
    });
}

void CXmlEventParser::FlushText() {
    if (m_text.empty()) return;
    m_sink.Text(m_text);
    m_text.clear();
}

CXmlEventSink::QName CXmlEventParser::SplitName(const char* name) const {
    CXmlEventSink::QName result;
    const char* first = m_namespaces ? std::strchr(name, kSeparator) : nullptr;
    if (first == nullptr) {
        result.localName = name;
        return result;
    }
    result.namespaceUri = std::string_view(name, static_cast<std::size_t>(first - name));
    const char* local = first + 1;
    const char* second = std::strchr(local, kSeparator);
    if (second == nullptr) {
        result.localName = local;
    } else {
        result.localName = std::string_view(local, static_cast<std::size_t>(second - local));
        result.prefix = second + 1;
    }
    return result;
}

void CXmlEventParser::StartElement(const char* name, const char** attributes) {
    FlushText();
    m_declarations.clear();
    for (std::size_t i = 0; i + 1 < m_declarationStrings.size(); i += 2) {
        m_declarations.push_back({m_declarationStrings[i], m_declarationStrings[i + 1]});
    }
    m_attributes.clear();
    for (const char** a = attributes; *a; a += 2) {
        m_attributes.push_back({SplitName(a[0]), a[1]});
    }
    m_sink.StartElement(SplitName(name), m_declarations, m_attributes);
    m_declarationStrings.clear();
}

}  // namespace QbXmlLib5
