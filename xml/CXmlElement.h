// CXmlElement: one element of a read-only document tree (see CXmlDocument).
//
// An element has a local name, a namespace URI (empty when in no namespace),
// its attributes in document order and one text string: all character data
// directly inside it, concatenated, with carriage returns removed. Each
// element knows where it stands in its parent's text (GetTextOffset), so
// mixed content can be taken apart again. Children form a singly linked list
// (first child, next sibling); there are no parent links and no text,
// comment or processing-instruction nodes.
//
// Elements are created only by the readers, through CXmlDocument, and live as
// long as their document, which allocates them (and their attributes) in
// blocks. Names are shared by all elements of a document that have them.
// Applications only navigate.
#ifndef QBXMLLIB5_XML_CXMLELEMENT_H
#define QBXMLLIB5_XML_CXMLELEMENT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "xml/CArena.h"
#include "xml/CBlockPool.h"
#include "xml/CXmlAttribute.h"
#include "xml/CXmlName.h"

namespace QbXmlLib5 {

class CXmlDocument;
class CExpatReader;

// One namespace declaration read into a document, linked to the declarations
// in scope around the element that made it. Elements without declarations
// share their parent's chain, so scopes cost nothing per element. Every chain
// ends in the document's own entry, whose prefix is null: it gives elements
// their document without a pointer of their own.
struct CNamespaceBinding {
    const std::string* prefix;  // "" for the default namespace
    const std::string* namespaceUri;
    const CNamespaceBinding* outer;
    const CXmlDocument* document;
};
class CFastInfosetReader;

// An element's attributes: a vector whose storage the document allocates.
using CXmlAttributeList = std::vector<CXmlAttribute*, CArenaAllocator<CXmlAttribute*>>;

class CXmlElement {
public:
    // Frees the element's own text and attribute list; children and
    // attributes belong to the document, which destroys them all together.
    // Not virtual: elements are made and destroyed only by their document,
    // and a table pointer in each of them would only cost memory.
    ~CXmlElement() = default;

    CXmlElement(const CXmlElement&) = delete;
    CXmlElement& operator=(const CXmlElement&) = delete;

    const CXmlDocument* GetDocument() const { return m_scope->document; }
    const CXmlElement* GetFirstElement() const { return m_firstChild; }
    const CXmlElement* GetNextSiblingElement() const { return m_nextSibling; }

    const std::string& GetLocalName() const { return *m_name->localName; }
    const std::string& GetNamespaceURI() const { return *m_name->namespaceUri; }
    const std::string& GetText() const { return m_text; }
    // The line, and the column (1-based, in bytes, of its '<'), of the start
    // tag in the XML text, when the document was asked to keep line numbers
    // (CXmlDocument::SetKeepLineNumbers); 0 otherwise, and 0 for documents
    // read from Fast Infoset. Numbers beyond 32 bits are kept as 0.
    unsigned long GetLineNumber() const { return m_line; }
    unsigned long GetColumnNumber() const { return m_column; }
    // How many bytes of its parent's text come before this element (0 for
    // the document element): the parent's text between two children is
    // text[previous->GetTextOffset(), next->GetTextOffset()).
    std::size_t GetTextOffset() const { return m_textOffset; }
    // In document order. The list's storage belongs to the document (a copy
    // of it is the caller's own).
    const CXmlAttributeList& GetAttributes() const { return m_attributes; }

    // Value of the first attribute whose local name and namespace URI both
    // equal the arguments (exact, case-sensitive). When none matches, a
    // reference to one empty string that lives as long as the process.
    const std::string& GetAttribute(const std::string& localName,
                                    const std::string& namespaceUri) const;

    // The namespace URI bound to `prefix` by the declarations in scope at
    // this element ("" asks for the default namespace); "" when it is not
    // bound. The prefix xml is always bound.
    std::string LookupNamespaceFromPrefix(const std::string& prefix) const;

private:
    friend class CXmlDocument;
    friend class CExpatReader;
    friend class CQuickXmlReader;
    friend class CFastInfosetReader;
    friend class CBlockPool<CXmlElement>;

    // The name and the scope must outlive the element (the document keeps
    // them); the scope's chain ends at the document.
    CXmlElement(const CXmlName* name, const CNamespaceBinding* scope, CArena* arena);

    // Appends to the text: up to the NUL, or exactly `length` bytes.
    void AppendText(const char* text);
    void AppendText(const char* text, std::size_t length);

    // Kept small: documents hold elements by the million. (The last child,
    // needed only while the element is open, lives on the document's stack.)
    const CXmlName* const m_name;
    const CNamespaceBinding* const m_scope;  // owned by the document, never null
    CXmlElement* m_nextSibling = nullptr;
    CXmlElement* m_firstChild = nullptr;
    CXmlAttributeList m_attributes;  // the attributes are owned by the document
    std::string m_text;
    // Where the start tag stood, for messages; 32 bits each keep the
    // element within one more word.
    std::uint32_t m_line = 0;
    std::uint32_t m_column = 0;
    std::size_t m_textOffset = 0;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLELEMENT_H
