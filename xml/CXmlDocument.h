// CXmlDocument: the light, read-only document tree that every reader builds
// and the data-binding framework walks.
//
// A document owns its document element and, through it, the whole tree. It
// is filled by Load (a file), LoadXml (a narrow or wide string) or
// LoadXmlStream (bytes); each load first empties the document, so one
// document can be loaded repeatedly. File and stream input may be gzip- or
// zlib-compressed, or Fast Infoset; strings are always XML text. All strings
// in the tree are in the local character encoding.
//
// Not thread-safe; one thread loads and walks a document at a time.
// Documents cannot be copied.
#ifndef QBXMLLIB5_XML_CXMLDOCUMENT_H
#define QBXMLLIB5_XML_CXMLDOCUMENT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/QbEnums.h"
#include "xml/CBlockPool.h"
#include "xml/CXmlAttribute.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlElementConsumer.h"
#include "xml/CXmlName.h"

namespace QbXmlLib5 {

class CExpatReader;
class CFastInfosetReader;
class CXmlStreamInput;

class CXmlDocument {
public:
    // With ST_NO_NAMESPACES, XML text is parsed without namespace processing:
    // a prefixed name such as p:a stays whole as the local name, and xmlns
    // declarations arrive as ordinary attributes.
    explicit CXmlDocument(SchemaType schemaType = ST_DEFAULT);
    virtual ~CXmlDocument();

    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // The root element, or null before a successful load.
    const CXmlElement* GetDocumentElement() const { return m_documentElement; }

    // The namespace URI of the last declaration of `alias` read anywhere in
    // the document (not the one in scope at some element), or "" when the
    // prefix was never declared. "" asks for the default namespace.
    std::string LookupNamespaceFromAlias(const char* alias) const;

    SchemaType GetSchemaType() const { return m_schemaType; }

    // Off by default. When on, loading XML text records the line and column
    // of each element's start tag (CXmlElement::GetLineNumber and
    // GetColumnNumber), for messages that say where; it costs a little
    // loading time. Reading generated objects turns it on.
    void SetKeepLineNumbers(bool keep) { m_keepLineNumbers = keep; }
    bool GetKeepLineNumbers() const { return m_keepLineNumbers; }
    // The line kept for `element` (of this document), or 0.
    unsigned long GetLineNumber(const CXmlElement* element) const {
        return element->GetLineNumber();
    }

    // Loading. Each throws CQbException on failure: the three file messages
    // ("Failed to open the file [%s] Error [0x%08x]" and its siblings),
    // "XML Stream is empty!", "XML String is empty!", Expat's error text as
    // "%s at line %d" (an unclosed document is an error too), Fast Infoset
    // errors, and "Invalid or empty XML document" when no element was read.
    // After a failure the document is empty: GetDocumentElement() is null.

    // A file: XML text, possibly compressed, or Fast Infoset. Text is parsed
    // as it is read (beyond a megabyte), so a large document's bytes are
    // never in memory whole; the file must keep the size it had when opened.
    void Load(const char* fileName);
    // XML text, UTF-8 unless its declaration names another encoding.
    void LoadXml(const char* text);
    // XML text as a NUL-terminated wide string: UTF-32 where wchar_t has 32
    // bits, UTF-16 where it has 16.
    void LoadXml(const wchar_t* text);
    // Bytes: XML text (any encoding Expat detects), a complete gzip or zlib
    // stream of it (parsed as it inflates, never inflated whole; bytes that
    // do not inflate to their end are read as they are), or a Fast Infoset
    // document, compressed or not.
    void LoadXmlStream(const unsigned char* data, std::size_t length);
    // XML text (any encoding Expat detects) pulled piece by piece: `read`
    // puts the next bytes into `buffer`, up to `size`, and returns how many;
    // 0 at the end. With an element consumer that takes what it is offered,
    // neither the text nor the tree is ever held whole. `rewind`, when
    // given, starts the bytes over from the beginning: the load may then
    // read most documents with the library's own parser and go back for
    // Expat where that parser declines. Exceptions from either pass through.
    using TextSource = std::function<std::size_t(unsigned char* buffer, std::size_t size)>;
    void LoadXmlFrom(const TextSource& read, const std::function<void()>& rewind = nullptr);

    // Frees the tree and empties the alias map. The schema type stays.
    virtual void Cleanup();

    // The consumer that the loads offer each element to as it is completed
    // (null, the default: none). A consumer that takes an element's content
    // leaves that element empty in the tree. It is not owned and must
    // outlive the loads.
    void SetElementConsumer(CXmlElementConsumer* consumer) { m_consumer = consumer; }
    bool HasElementConsumer() const { return m_consumer != nullptr; }

protected:
    // Empties the tree and the alias map for the next tree, keeping the
    // names read so far (up to kKeptNames of them) and the memory blocks:
    // a reader that builds one small tree after another interns each name
    // once.
    void EmptyTree();
    static constexpr std::size_t kKeptNames = 4096;

    // Tree construction, for the readers (and subclasses).

    // Creates the document element and makes it the innermost open element.
    // Throws CQbInvalidStateException when the document already has one.
    CXmlElement* AddDocElement(const char* namespaceUri, const char* localName);
    CXmlElement* AddDocElement(std::string_view namespaceUri, std::string_view localName);
    // Appends a child to the innermost open element and opens it. Throws
    // CQbInvalidStateException when no element is open.
    CXmlElement* AddChildElement(const char* namespaceUri, const char* localName);
    CXmlElement* AddChildElement(std::string_view namespaceUri, std::string_view localName);
    // Closes the innermost open element (no effect when none is open).
    void EndElement() {
        if (!m_elementStack.empty()) {
            if (m_consumer != nullptr) {
                OfferToConsumer(m_elementStack.back());
            }
            m_elementStack.pop_back();
        }
        // Declarations made for the closed element go out of scope with it.
        m_pendingScope =
            m_elementStack.empty() ? &m_documentScope : m_elementStack.back().element->m_scope;
    }
    // The innermost open element, or null.
    CXmlElement* GetCurrentElement() const {
        return m_elementStack.empty() ? nullptr : m_elementStack.back().element;
    }
    // Records a namespace declaration; a later one of the same prefix wins.
    void AddNamespaceAlias(const std::string& prefix, const std::string& namespaceUri);

    // Appends an attribute to `element` (allocated by the element's
    // document); duplicates are accepted.
    static void AddElementAttribute(CXmlElement* element, std::string_view localName,
                                    std::string_view value, std::string_view namespaceUri);
    // Appends `text` to the element's text without its carriage returns,
    // stopping at the NUL or after `maxLength` bytes, whichever comes first.
    static void AppendTextExcludingCR(CXmlElement* element, const char* text,
                                      std::size_t maxLength);
    static void AppendTextExcludingCR(CXmlElement* element, const char* text);

private:
    friend class CExpatReader;
    friend class CQuickXmlReader;
    friend class CFastInfosetReader;

    static void SetPosition(CXmlElement* element, unsigned long line, unsigned long column) {
        const auto narrow = [](unsigned long n) {
            return n > 0xFFFFFFFFul ? std::uint32_t{0} : static_cast<std::uint32_t>(n);
        };
        element->m_line = narrow(line);
        element->m_column = narrow(column);
    }

    // Cleanup, keeping the pools' blocks when `keepBlocks`.
    void Empty(bool keepBlocks);
    // The same without the names.
    void ClearTree(bool keepBlocks);

    // Runs `load` on the emptied document and checks that it produced a
    // document element; on failure the document is left empty.
    template <typename LoadBody>
    void LoadWith(LoadBody load);
    // Stream input: inflates a complete zlib or gzip stream, then tries Fast
    // Infoset, otherwise parses XML text.
    void ParseStream(const unsigned char* data, std::size_t length);
    // A zlib or gzip stream: false, with nothing loaded, when it does not
    // inflate. Compressed text is parsed as it is inflated.
    bool ParseCompressed(const unsigned char* data, std::size_t length);
    static bool InflatesToTheEnd(CXmlStreamInput& input);
    // Text pulled from `read`: the library's parser first where `rewind` is
    // given, otherwise (or where it declines) Expat.
    void ParseTextFrom(const TextSource& read, const std::function<void()>& rewind);
    bool ParseFastInfoset(const unsigned char* data, std::size_t length);
    // XML text in `encoding`, or detected by Expat when null.
    void ParseText(const unsigned char* data, std::size_t length, const char* encoding);
    // Discards what a load built so far, for the load to start over.
    void RestartLoad();
    // AddElementAttribute without intermediate strings.
    static void AddAttributeFromViews(CXmlElement* element, std::string_view localName,
                                      std::string_view value, std::string_view namespaceUri);
    // The forms of AddDocElement, AddChildElement, AddAttributeFromViews and
    // AddNamespaceAlias for names that InternName returned: they cost no
    // lookup, however long the names.
    CXmlElement* AddInternedDocElement(const CXmlName* name);
    // (Inline: the readers call it for every element.)
    CXmlElement* AddInternedChildElement(const CXmlName* name) {
        if (m_elementStack.empty()) {
            ThrowNoOpenElement();
        }
        if (!m_holds.empty()) EndHeldRunBefore(name);
        const CBlockPool<CXmlElement>::Mark self = m_elementPool.GetMark();
        CXmlElement* element = m_elementPool.Create(name, m_pendingScope, &m_attributeLists);
        COpenElement& parent = m_elementStack.back();
        CXmlElement* previous = parent.lastChild;
        element->m_textOffset = parent.element->m_text.size();
        if (previous == nullptr) {
            parent.element->m_firstChild = element;
        } else {
            previous->m_nextSibling = element;
        }
        parent.lastChild = element;
        Open(element, previous, self);
        return element;
    }
    // Makes `element`, just created at `self`, the innermost open element.
    void Open(CXmlElement* element, CXmlElement* previous,
              const CBlockPool<CXmlElement>::Mark& self) {
        m_elementStack.push_back(COpenElement{
            element, nullptr, previous, self, m_elementPool.GetMark(), m_attributePool.GetMark(),
            m_heapValuedAttributes.size(), m_attributeLists.GetMark(), m_bindings.size()});
        if (m_consumer != nullptr) {
            m_consumer->ElementOpened(element);
        }
    }
    [[noreturn]] static void ThrowNoOpenElement();
    static void AddInternedAttribute(CXmlElement* element, const CXmlName* name,
                                     std::string_view value);
    void AddInternedAlias(const std::string* prefix, const std::string* namespaceUri);
    // An attribute of this document, not yet in any element's list.
    CXmlAttribute* CreateAttribute(const CXmlName* name, std::string_view value) {
        CXmlAttribute* attribute = m_attributePool.Create(name, value);
        // Short values live inside the string: such an attribute (and the
        // attributes of a document own no names) needs no destructor.
        if (attribute->m_value.capacity() > kInlineStringCapacity) {
            m_heapValuedAttributes.push_back(attribute);
        }
        return attribute;
    }
    // What a string holds without a buffer of its own.
    static const std::size_t kInlineStringCapacity;
    // The document's one copy of `name`, kept until Cleanup.
    const std::string* InternName(std::string_view name);
    // The document's one qualified name made of two interned strings.
    const CXmlName* InternQualifiedName(const std::string* namespaceUri,
                                        const std::string* localName);
    // What InternName returns for "".
    static const std::string& EmptyName();

    CXmlElement* m_documentElement = nullptr;  // in m_elementPool
    // The storage of the elements' attribute lists (before the elements:
    // destroyed after them).
    CArena m_attributeLists;
    CBlockPool<CXmlElement> m_elementPool;
    CBlockPool<CXmlAttribute> m_attributePool;
    // The attributes of m_attributePool whose values are on the heap: the
    // only ones whose destructor has work to do. The others are released
    // without being visited again.
    std::vector<CXmlAttribute*> m_heapValuedAttributes;
    // True while a load empties the document: its blocks then stay for the
    // new tree (Cleanup being virtual, a flag rather than an argument).
    bool m_reloading = false;
    // Element names repeat throughout a document: each is stored once.
    std::unordered_map<std::string_view, std::unique_ptr<const std::string>> m_names;
    static constexpr unsigned kNameCacheBits = 8;
    static constexpr std::size_t kNameCacheSize = std::size_t{1} << kNameCacheBits;
    std::array<const std::string*, kNameCacheSize> m_nameCache{};  // into m_names
    // Qualified names, keyed by their interned parts (a deque keeps addresses).
    struct CNamePairHash {
        std::size_t operator()(const std::pair<const std::string*, const std::string*>& key) const {
            return std::hash<const void*>()(key.first) * 31u ^ std::hash<const void*>()(key.second);
        }
    };
    std::unordered_map<std::pair<const std::string*, const std::string*>, const CXmlName*,
                       CNamePairHash>
        m_qualifiedNameIndex;
    std::deque<CXmlName> m_qualifiedNames;
    // The open elements (not owned), each with its last child so far and
    // where the pools stood when it was opened: what was created after that
    // is its content.
    struct COpenElement {
        CXmlElement* element;
        CXmlElement* lastChild;
        CXmlElement* previous;  // its previous sibling
        CBlockPool<CXmlElement>::Mark self;
        CBlockPool<CXmlElement>::Mark descendants;
        CBlockPool<CXmlAttribute>::Mark attributes;
        std::size_t heapValuedAttributes;
        CArena::Mark attributeLists;
        std::size_t bindings;  // m_bindings' size after the element's own
    };
    // Siblings a consumer holds (Taken::kHold): the index in m_elementStack
    // of their parent, the first one's marks, and m_bindings' size before
    // that one's own declarations.
    struct CHold {
        std::size_t parent;
        COpenElement first;
        std::size_t bindings;
    };
    // The number of declarations `element` made itself, inside `parent`.
    static std::size_t OwnDeclarations(const CXmlElement* element, const CXmlElement* parent);
    // Lets the consumer take the element being closed (the innermost open
    // one), and frees what it took.
    void OfferToConsumer(const COpenElement& open);
    // Frees what `open`'s element holds (Taken::kContent).
    void FreeContent(const COpenElement& open);
    // Frees the siblings from `from.first` on, the last child of `parent`
    // included, and with `space` the white-space-only text of `parent`
    // since the previous remaining sibling.
    void FreeSiblings(const CHold& from, COpenElement& parent, bool space);
    // An element named `name` opens: a run of held siblings of another name
    // in the innermost open element ends.
    void EndHeldRunBefore(const CXmlName* name);
    // Lets the consumer answer for the innermost run of held siblings, and
    // frees them if it takes them; declarations made for an element not yet
    // created are kept, with `pending`.
    void EndHeldRun(bool pending);
    // The load fails: the consumer sees every run it holds.
    void EndHeldRunsOnFailure();
    // Frees the attributes created since `open` was opened.
    void DropAttributes(const COpenElement& open);
    CXmlElementConsumer* m_consumer = nullptr;
    std::vector<COpenElement> m_elementStack;
    std::vector<CHold> m_holds;  // innermost parent last
    // Interned prefix -> interned namespace URI.
    std::unordered_map<const std::string*, const std::string*> m_aliasMap;
    // Every declaration read, chained by scope (a deque keeps addresses).
    std::deque<CNamespaceBinding> m_bindings;
    // The end of every chain of declarations: no prefix, only the document.
    const CNamespaceBinding m_documentScope{nullptr, nullptr, nullptr, this};
    // The declarations in scope for the next element opened.
    const CNamespaceBinding* m_pendingScope = &m_documentScope;
    const SchemaType m_schemaType;
    bool m_keepLineNumbers = false;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLDOCUMENT_H
