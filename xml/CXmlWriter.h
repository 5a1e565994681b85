// CXmlWriter: the event interface through which every bindable object writes
// itself (start element, attributes, xsi:type, text, end element, plus a few
// document-level items), and the part both encodings share: the stack of open
// elements and the scoping of namespace declarations.
//
// Callers pass namespace URIs, never prefixes: the writer decides whether an
// element or attribute needs a prefix and invents one (AA, AB, ...) for a
// namespace nobody declared, declaring it on the element that first needs it.
// Namespaces registered before the root element (AddNamespace,
// SetDefaultNamespace) are declared on the root and hold for the whole
// document. Registrations made while an element is open change later prefix
// decisions inside that element only and write no declaration of their own.
//
// A writer serves one document on one thread.
#ifndef QBXMLLIB5_XML_CXMLWRITER_H
#define QBXMLLIB5_XML_CXMLWRITER_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace QbXmlLib5 {

class CMixedText;

class CXmlWriter {
public:
    // Namespace URI -> prefix, ordered by byte-wise comparison of the URIs.
    typedef std::map<std::string, std::string> NamespaceMap;

    // The XML Schema instance namespace (prefix xsi by convention) and the
    // namespace permanently bound to the prefix "xml".
    static const char kXsiNamespace[];
    static const char kXmlNamespace[];

    // One open element. Its namespace scope is either its own or that of the
    // nearest enclosing element with a scope of its own; the first change
    // made through it starts a scope of its own (copy on write), so changes
    // reach this element and its descendants only. The root's scope is a
    // default namespace and a map; any other scope holds its default
    // namespace and only the declarations made in it, over the scope it
    // started from (which cannot change while it is open: only the innermost
    // element's scope is ever changed). A context owns its parent: the chain
    // of open elements is a stack from the innermost element outwards.
    class CXmlWriterContext {
    public:
        // Root element: its own scope, starting from the given default
        // namespace and declarations.
        CXmlWriterContext(const std::string& localName, const std::string& namespaceUri,
                          const std::string& defaultNamespace, const NamespaceMap& declarations);
        // Child element: inherits the scope of `parent`, which it now owns.
        CXmlWriterContext(const std::string& localName, const std::string& namespaceUri,
                          std::unique_ptr<CXmlWriterContext> parent);
        CXmlWriterContext(const CXmlWriterContext&) = delete;
        CXmlWriterContext& operator=(const CXmlWriterContext&) = delete;
        // Deletes the whole outer chain (iteratively, so depth is no limit).
        virtual ~CXmlWriterContext();

        std::uint32_t GetChildCount() const { return m_childCount; }
        void IncrementChildCount() { ++m_childCount; }
        bool IsStartTagOpen() const { return m_startTagOpen; }
        void CloseStartTag() { m_startTagOpen = false; }
        // Whether formatting adds nothing inside this element: it, or an
        // element around it, has mixed content.
        bool IsVerbatim() const { return m_verbatim; }
        void SetVerbatim() { m_verbatim = true; }
        // The text to place between this element's children, or null.
        const CMixedText* GetMixedText() const { return m_mixedText; }
        void SetMixedText(const CMixedText* text) { m_mixedText = text; }
        // 0 for the root element.
        std::uint32_t GetDepth() const { return m_depth; }
        // The element's names; empty when the writer does not keep them
        // (see the CXmlWriter constructor).
        const std::string& GetNamespaceUri() const { return m_namespaceUri; }
        const std::string& GetLocalName() const { return m_localName; }
        // The prefix the start tag was written with; empty when none.
        const std::string& GetPrefix() const { return m_prefix; }
        void SetPrefix(const std::string& prefix) { m_prefix = prefix; }
        CXmlWriterContext* GetParent() const { return m_parent.get(); }
        std::unique_ptr<CXmlWriterContext> DetachParent() { return std::move(m_parent); }
        // Makes a finished context the child context of `parent` again, reusing
        // its string buffers (writers recycle contexts instead of allocating one
        // per element).
        void Reuse(const std::string& localName, const std::string& namespaceUri,
                   std::unique_ptr<CXmlWriterContext> parent);

        // True while the element has declared nothing of its own.
        bool InheritsScope() const { return m_scope != this; }
        const std::string& GetEffectiveDefaultNamespace() const;
        // Every namespace in scope with its prefix (built on request below
        // the root).
        const NamespaceMap& GetEffectiveMap() const;
        // Prefix of namespaceUri in scope, or null. The "xml" namespace always
        // has the prefix "xml".
        const std::string* FindPrefix(const std::string& namespaceUri) const;
        // The first of AA, AB, ... that is not a prefix in scope (as
        // GetUniquePrefix(GetEffectiveMap()), without building the map).
        std::string InventPrefix() const;
        // Records namespaceUri -> prefix in this element's own scope; returns
        // the prefix as recorded.
        const std::string& AddNamespace(const std::string& prefix, const std::string& namespaceUri);
        // Sets the default namespace of this element's own scope.
        void SetDefaultNamespace(const std::string& namespaceUri);

    private:
        struct Declaration {
            std::string namespaceUri;
            std::string prefix;
        };

        void OwnScope();
        // Calls visit(namespaceUri, prefix) for every declaration of this
        // scope (which must be a scope holder).
        template <class Visit>
        void ForEachDeclaration(Visit visit) const;

        std::uint32_t m_childCount;
        bool m_startTagOpen;
        bool m_verbatim = false;
        const CMixedText* m_mixedText = nullptr;
        std::uint32_t m_depth;
        std::string m_namespaceUri;
        std::string m_localName;
        std::string m_prefix;
        std::unique_ptr<CXmlWriterContext> m_parent;
        std::string m_defaultNamespace;       // meaningful when own scope
        std::unique_ptr<NamespaceMap> m_map;  // the root's declarations
        const CXmlWriterContext* m_scope;     // context holding the scope
        // Own scope below the root: the scope it started from, and the
        // declarations made in it (the first m_declaredCount; the slots are
        // kept when the context is reused). Null for the root.
        const CXmlWriterContext* m_outerScope;
        std::vector<Declaration> m_declared;
        std::size_t m_declaredCount;
        mutable std::unique_ptr<NamespaceMap> m_effectiveMap;  // see GetEffectiveMap
    };

    CXmlWriter(const CXmlWriter&) = delete;
    CXmlWriter& operator=(const CXmlWriter&) = delete;
    virtual ~CXmlWriter();

    // Before the root element: the default namespace declared on the root.
    // With an element open: the default namespace of that element's subtree.
    virtual void SetDefaultNamespace(const std::string& namespaceUri);
    // Before the root element: a declaration written on the root. With an
    // element open: a prefix used inside that element's subtree. A later
    // registration of the same URI replaces its prefix.
    virtual void AddNamespace(const std::string& prefix, const std::string& namespaceUri);
    // Throws CQbException "An Element has not been closed." when an element
    // is still open.
    virtual void WriteEndDocument();

    virtual void WriteComment(const std::string& text) = 0;
    // A whole processing instruction ("<?target data?>"), before the root.
    virtual void WriteProcessingInstruction(const std::string& text) = 0;
    // The in-line schema, offered after the root element's attributes.
    virtual void WriteInLineSchema(const std::string& text) = 0;
    virtual void WriteStartElement(const std::string& localName,
                                   const std::string& namespaceUri) = 0;
    // As WriteStartElement, for a local name the caller has already found to
    // be an ASCII XML name without a colon (the names of metadata records,
    // checked once): writers that check every name skip the check.
    virtual void WriteStartCheckedElement(const std::string& localName,
                                          const std::string& namespaceUri) {
        WriteStartElement(localName, namespaceUri);
    }
    // Character content of the current element; empty text writes nothing.
    // Text makes the element's content mixed: formatting adds nothing after
    // it inside the element.
    virtual void WriteText(const std::string& text) = 0;
    // The current element has mixed content: formatting adds nothing inside
    // it, and `text` (when not null) is written between its children, each
    // segment before the child it belongs to and the rest before the end
    // tag. The text must stay unchanged until the element ends.
    void SetMixedContent(const CMixedText* text);
    virtual void WriteEndElement() = 0;
    // Attributes are written while the current element's start tag is open;
    // afterwards they throw "Attributes must be added before elements".
    virtual void WriteAttribute(const std::string& localName, const std::string& namespaceUri,
                                const std::string& value) = 0;
    // As WriteAttribute, for a local name already found to be an ASCII XML
    // name without a colon (see WriteStartCheckedElement).
    virtual void WriteCheckedAttribute(const std::string& localName,
                                       const std::string& namespaceUri, const std::string& value) {
        WriteAttribute(localName, namespaceUri, value);
    }
    virtual void WriteXsiType(const std::string& typeNamespaceUri, const std::string& typeName) = 0;

protected:
    // How a new element is to be written (see BeginElement).
    struct StartedElement {
        bool closesParentStartTag = false;  // the parent's start tag must be closed first
        bool isRoot = false;                // pending declarations go on this element
        bool declaresPrefix = false;        // `prefix` was generated: declare it here
        // The new element's prefix, held by its context; empty: the local
        // name alone.
        const std::string* prefix = nullptr;
    };

    // `className` names the concrete writer; nothing is kept from it. A
    // writer that never asks a context for its element's names passes false
    // for `keepsNames`, sparing a copy of both names per element.
    explicit CXmlWriter(const char* className, bool keepsNames = true);

    // WriteText for text that need not be a string of its own (the segments
    // of mixed text): writers override it to save the copy.
    virtual void WriteCharacters(std::string_view text) { WriteText(std::string(text)); }

    // The innermost open element, or null.
    CXmlWriterContext* GetCurrentContext() const { return m_current.get(); }
    // The innermost open element; throws CQbInvalidStateException
    // "No element is open." when there is none (a caller's mistake).
    CXmlWriterContext& RequireCurrentContext() const;
    const std::string& GetPendingDefaultNamespace() const { return m_pendingDefaultNamespace; }
    const NamespaceMap& GetPendingDeclarations() const { return m_pendingDeclarations; }

    // Opens an element: counts it as a child of the current element, pushes
    // its context and names it (generating a prefix when its namespace has
    // none in scope). Writes nothing.
    StartedElement BeginElement(const std::string& localName, const std::string& namespaceUri);
    // Closes the current element: removes its context (kept for reuse).
    void EndElementContext() {
        if (!m_current) return;
        std::unique_ptr<CXmlWriterContext> ended = std::move(m_current);
        m_current = ended->DetachParent();
        m_spareContexts.push_back(std::move(ended));
    }
    // Mixed content (SetMixedContent): concrete writers call the first when a
    // child element starts and the second when the element ends, before
    // anything of their own.
    // (Inline: most elements have no mixed text, and the test is then all
    // that they cost.)
    void WriteMixedTextBeforeChild() {
        if (m_current && m_current->GetMixedText()) {
            WriteSegmentBeforeChild(*m_current->GetMixedText());
        }
    }
    void WriteMixedTextAtEnd() {
        if (m_current && m_current->GetMixedText()) WriteMixedTextRest();
    }
    void WriteSegmentBeforeChild(const CMixedText& text);
    void WriteMixedTextRest();
    // Throws "Attributes must be added before elements" unless the current
    // element's start tag is open.
    void CheckAttributesAllowed() const;
    // Prefix of an attribute namespace on the current element: empty for no
    // namespace; generated and scoped when none is in scope, in which case
    // `generated` becomes true and the caller declares it. The reference
    // stays valid until the next declaration on the current element.
    const std::string& ResolveAttributePrefix(const std::string& namespaceUri, bool& generated);
    // Value of xsi:type for the current element; `generatedPrefix` receives
    // a prefix the caller must declare, or is emptied.
    std::string ResolveXsiTypeValue(const std::string& typeNamespaceUri,
                                    const std::string& typeName, std::string& generatedPrefix);

    // The first of AA, AB, ... that is not a prefix in `map`.
    static std::string GetUniquePrefix(const NamespaceMap& map);
    // The same over the prefixes themselves.
    static std::string FirstFreePrefix(const std::vector<const std::string*>& prefixes);
    // Two characters: 'A' + n / 26, then 'A' + n % 26 (0 -> AA, 675 -> ZZ).
    static std::string NsIntToString(int n);

private:
    std::string m_pendingDefaultNamespace;
    std::unique_ptr<CXmlWriterContext> m_current;
    NamespaceMap m_pendingDeclarations;
    // Contexts of closed elements, kept for reuse by later elements.
    std::vector<std::unique_ptr<CXmlWriterContext>> m_spareContexts;
    bool m_keepsNames;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLWRITER_H
