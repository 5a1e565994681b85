// CXmlEventParser: reads XML text through Expat and hands it to a
// CXmlEventSink as it goes, without building a tree: names with the prefixes
// they were written with, the namespace declarations of each element,
// text (each run between two other events in one call), comments and
// processing instructions. The XML declaration and a document type
// declaration are not passed on; entity and character references and CDATA
// sections arrive as their text. External entities are never loaded.
//
// Without namespace processing, names pass as written (prefix included, in
// the local name) and xmlns attributes as ordinary attributes.
#ifndef QBXMLLIB5_XML_CXMLEVENTPARSER_H
#define QBXMLLIB5_XML_CXMLEVENTPARSER_H

#include <cstddef>
#include <exception>
#include <string>
#include <vector>

#include "xml/CXmlEventSink.h"

namespace QbXmlLib5 {

class CXmlEventParser {
public:
    CXmlEventParser(CXmlEventSink& sink, bool namespaces = true);
    ~CXmlEventParser();
    CXmlEventParser(const CXmlEventParser&) = delete;
    CXmlEventParser& operator=(const CXmlEventParser&) = delete;

    // Parses the next `length` bytes of the document; `final` marks its end,
    // after which the sink's EndDocument has been called. Throws CQbException
    // "%s at line %lu" with Expat's message for text that is not well-formed
    // (an incomplete document included), and passes on what the sink throws.
    void Parse(const unsigned char* data, std::size_t length, bool final);

private:
    static void OnStartElement(void* userData, const char* name, const char** attributes);
    static void OnEndElement(void* userData, const char* name);
    static void OnStartNamespace(void* userData, const char* prefix, const char* uri);
    static void OnCharacterData(void* userData, const char* text, int length);
    static void OnComment(void* userData, const char* text);
    static void OnProcessingInstruction(void* userData, const char* target, const char* data);
    template <typename Body>
    static void Guarded(void* userData, Body body);

    void StartElement(const char* name, const char** attributes);
    // Passes the text gathered since the last event on, if any.
    void FlushText();
    CXmlEventSink::QName SplitName(const char* name) const;

    CXmlEventSink& m_sink;
    bool m_namespaces;
    void* m_parser;  // XML_Parser
    std::exception_ptr m_failure;
    std::string m_text;
    // The declarations Expat reported for the element about to start, their
    // strings held here until it has.
    std::vector<std::string> m_declarationStrings;
    std::vector<CXmlEventSink::Declaration> m_declarations;
    std::vector<CXmlEventSink::Attribute> m_attributes;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLEVENTPARSER_H
