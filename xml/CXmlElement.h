// CXmlElement: one element of a read-only document tree (see CXmlDocument).
//
// An element has a local name, a namespace URI (empty when in no namespace),
// its attributes in document order and one text string: all character data
// directly inside it, concatenated, with carriage returns removed. Children
// form a singly linked list (first child, next sibling); there are no parent
// links and no text, comment or processing-instruction nodes.
//
// Elements are created only by the readers, through CXmlDocument, and live as
// long as their document. Applications only navigate.
#ifndef QBXMLLIB5_XML_CXMLELEMENT_H
#define QBXMLLIB5_XML_CXMLELEMENT_H

#include <cstddef>
#include <string>
#include <vector>

#include "xml/CXmlAttribute.h"

namespace QbXmlLib5 {

class CXmlDocument;
class CExpatReader;
class CFastInfosetReader;

class CXmlElement {
public:
    // Frees the whole subtree without recursion, so a document nested a
    // million levels deep is freed without exhausting the stack.
    virtual ~CXmlElement();

    CXmlElement(const CXmlElement&) = delete;
    CXmlElement& operator=(const CXmlElement&) = delete;

    const CXmlDocument* GetDocument() const { return m_document; }
    const CXmlElement* GetFirstElement() const { return m_firstChild; }
    const CXmlElement* GetNextSiblingElement() const { return m_nextSibling; }

    const std::string& GetLocalName() const { return m_localName; }
    const std::string& GetNamespaceURI() const { return m_namespaceUri; }
    const std::string& GetText() const { return m_text; }
    const std::vector<CXmlAttribute*>& GetAttributes() const { return m_attributes; }

    // Value of the first attribute whose local name and namespace URI both
    // equal the arguments (exact, case-sensitive). When none matches, a
    // reference to one empty string that lives as long as the process.
    const std::string& GetAttribute(const std::string& localName,
                                    const std::string& namespaceUri) const;

private:
    friend class CXmlDocument;
    friend class CExpatReader;
    friend class CFastInfosetReader;

    explicit CXmlElement(const CXmlDocument* document);

    // Appends a new, empty last child bound to the same document.
    CXmlElement* CreateNewChildElement();
    // Appends an attribute; duplicates are accepted.
    void AddAttribute(const std::string& localName, const std::string& value,
                      const std::string& namespaceUri);
    // Appends to the text: up to the NUL, or exactly `length` bytes.
    void AppendText(const char* text);
    void AppendText(const char* text, std::size_t length);
    void SetElementName(const char* localName) { m_localName = localName; }
    void SetNamespace(const char* namespaceUri) { m_namespaceUri = namespaceUri; }

    const CXmlDocument* const m_document;
    CXmlElement* m_nextSibling = nullptr;
    CXmlElement* m_firstChild = nullptr;  // owns the chain of children
    CXmlElement* m_lastChild = nullptr;   // constant-time append
    std::vector<CXmlAttribute*> m_attributes;  // owned
    std::string m_text;
    std::string m_localName;
    std::string m_namespaceUri;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLELEMENT_H
