// CXmlEventSink: a document as a stream of events in document order, with
// the names as written (prefix, namespace and local name), the namespace
// declarations made on each element, text, comments and processing
// instructions. Readers that stream (CXmlEventParser for XML text,
// CFastInfosetReader for Fast Infoset) call it, and writers that keep the
// document as it was written (CXmlTextEventWriter, CFastInfosetEventWriter)
// implement it, so a document can be converted without building a tree.
//
// Every string is UTF-8 and lives only for the duration of the call.
#ifndef QBXMLLIB5_XML_CXMLEVENTSINK_H
#define QBXMLLIB5_XML_CXMLEVENTSINK_H

#include <string_view>
#include <vector>

namespace QbXmlLib5 {

class CXmlEventSink {
public:
    // A name as written; prefix and namespace are empty when absent.
    struct QName {
        std::string_view prefix;
        std::string_view namespaceUri;
        std::string_view localName;
    };
    struct Attribute {
        QName name;
        std::string_view value;
    };
    // xmlns:prefix="uri"; an empty prefix declares the default namespace,
    // and an empty prefix with an empty URI undeclares it (xmlns="").
    struct Declaration {
        std::string_view prefix;
        std::string_view namespaceUri;
    };

    virtual ~CXmlEventSink() = default;

    virtual void StartElement(const QName& name, const std::vector<Declaration>& declarations,
                              const std::vector<Attribute>& attributes) = 0;
    virtual void EndElement() = 0;
    // Character content; a reader hands over each run of text between two
    // other events in one call.
    virtual void Text(std::string_view text) = 0;
    virtual void Comment(std::string_view text) = 0;
    virtual void ProcessingInstruction(std::string_view target, std::string_view data) = 0;
    // After the last event of a well-formed document.
    virtual void EndDocument() = 0;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLEVENTSINK_H
