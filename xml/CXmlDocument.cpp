// Tree construction and navigation. Loading lives in CXmlDocumentLoad.cpp.
#include "xml/CXmlDocument.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "core/CQbException.h"

namespace QbXmlLib5 {

CXmlDocument::CXmlDocument(SchemaType schemaType) : m_schemaType(schemaType) {}

CXmlDocument::~CXmlDocument() { CXmlDocument::Cleanup(); }

void CXmlDocument::Cleanup() { Empty(m_reloading); }

void CXmlDocument::EmptyTree() {
    if (m_names.size() > kKeptNames) {
        Empty(true);
        return;
    }
    ClearTree(true);
}

void CXmlDocument::Empty(bool keepBlocks) {
    ClearTree(keepBlocks);
    m_names.clear();
    m_nameCache.fill(nullptr);
    m_qualifiedNameIndex.clear();
    m_qualifiedNames.clear();
}

void CXmlDocument::ClearTree(bool keepBlocks) {
    m_documentElement = nullptr;
    m_elementStack.clear();
    for (CXmlAttribute* attribute : m_heapValuedAttributes) {
        attribute->~CXmlAttribute();
    }
    m_heapValuedAttributes.clear();
    if (keepBlocks) {
        m_elementPool.Reset();
        m_attributePool.Rewind();
        m_attributeLists.Reset();
    } else {
        m_elementPool.Clear();
        m_attributePool.Release();
        m_attributeLists.Release();
    }
    m_aliasMap.clear();
    m_bindings.clear();
    m_holds.clear();
    m_pendingScope = &m_documentScope;
}

std::string CXmlDocument::LookupNamespaceFromAlias(const char* alias) const {
    const std::string_view name = alias != nullptr ? alias : "";
    const std::string* prefix = &EmptyName();
    if (!name.empty()) {
        const auto interned = m_names.find(name);
        if (interned == m_names.end()) return std::string();
        prefix = interned->second.get();
    }
    const auto found = m_aliasMap.find(prefix);
    return found != m_aliasMap.end() ? *found->second : std::string();
}

namespace {

std::string_view View(const char* text) { return text != nullptr ? text : std::string_view(); }

}  // namespace

const std::size_t CXmlDocument::kInlineStringCapacity = std::string().capacity();

const std::string& CXmlDocument::EmptyName() {
    static const std::string empty;
    return empty;
}

CXmlElement* CXmlDocument::AddDocElement(const char* namespaceUri, const char* localName) {
    return AddDocElement(View(namespaceUri), View(localName));
}

CXmlElement* CXmlDocument::AddDocElement(std::string_view namespaceUri,
                                         std::string_view localName) {
    return AddInternedDocElement(
        InternQualifiedName(InternName(namespaceUri), InternName(localName)));
}

CXmlElement* CXmlDocument::AddInternedDocElement(const CXmlName* name) {
    if (m_documentElement != nullptr) {
        throw CQbInvalidStateException("The document already has a document element");
    }
    const CBlockPool<CXmlElement>::Mark self = m_elementPool.GetMark();
    CXmlElement* element = m_elementPool.Create(name, m_pendingScope, &m_attributeLists);
    m_documentElement = element;
    Open(element, nullptr, self);
    return element;
}

std::size_t CXmlDocument::OwnDeclarations(const CXmlElement* element, const CXmlElement* parent) {
    std::size_t own = 0;
    for (const CNamespaceBinding* scope = element->m_scope; scope != parent->m_scope;
         scope = scope->outer) {
        ++own;
    }
    return own;
}

void CXmlDocument::OfferToConsumer(const COpenElement& open) {
    using Taken = CXmlElementConsumer::Taken;
    CXmlElement* element = open.element;
    const std::size_t depth = m_elementStack.size() - 1;
    if (!m_holds.empty() && m_holds.back().parent == depth) EndHeldRun(false);
    Taken taken = m_consumer->ElementClosed(element);
    if (depth == 0) {
        // The document element is never freed whole.
        if (taken == Taken::kHold) return;
        if (taken != Taken::kNothing) taken = Taken::kContent;
    }
    COpenElement& parent = m_elementStack[depth == 0 ? 0 : depth - 1];
    const bool holding = !m_holds.empty() && m_holds.back().parent + 1 == depth;
    if (taken == Taken::kHold) {
        if (!holding) {
            m_holds.push_back(
                CHold{depth - 1, open, open.bindings - OwnDeclarations(element, parent.element)});
        }
        return;
    }
    if (taken == Taken::kNothing || taken == Taken::kContent) {
        if (holding) m_holds.pop_back();
        if (taken == Taken::kContent) FreeContent(open);
        return;
    }
    // The element, and the siblings held before it, go as one.
    const CHold whole{depth - 1, open, open.bindings - OwnDeclarations(element, parent.element)};
    FreeSiblings(holding ? m_holds.back() : whole, parent, taken == Taken::kElementAndSpace);
    if (holding) m_holds.pop_back();
}

void CXmlDocument::FreeSiblings(const CHold& from, COpenElement& parent, bool space) {
    // Everything created since the first of them was opened.
    DropAttributes(from.first);
    CXmlElement* previous = from.first.previous;
    parent.lastChild = previous;
    (previous ? previous->m_nextSibling : parent.element->m_firstChild) = nullptr;
    m_elementPool.DestroyBackTo(from.first.self);
    m_attributeLists.RewindTo(from.first.attributeLists);
    m_bindings.resize(from.bindings);
    if (space) {
        // Only layout has been added to the parent's text since.
        std::string& text = parent.element->m_text;
        const std::size_t start = previous ? previous->m_textOffset : 0;
        if (text.find_first_not_of(" \t\r\n", start) == std::string::npos) text.resize(start);
    }
}

void CXmlDocument::EndHeldRunBefore(const CXmlName* name) {
    const CHold& hold = m_holds.back();
    if (hold.parent + 1 == m_elementStack.size() && hold.first.element->m_name != name) {
        EndHeldRun(true);
    }
}

void CXmlDocument::EndHeldRun(bool pending) {
    using Taken = CXmlElementConsumer::Taken;
    const CHold hold = m_holds.back();
    m_holds.pop_back();
    COpenElement& parent = m_elementStack[hold.parent];
    const Taken taken = m_consumer->HeldRunEnds(parent.element);
    if (taken != Taken::kElement && taken != Taken::kElementAndSpace) return;
    // The next element's declarations were recorded after the held ones':
    // they are recorded again once those are gone.
    std::vector<CNamespaceBinding> declarations;
    if (pending) {
        for (const CNamespaceBinding* scope = m_pendingScope; scope != parent.element->m_scope;
             scope = scope->outer) {
            declarations.push_back(*scope);
        }
    }
    FreeSiblings(hold, parent, taken == Taken::kElementAndSpace);
    if (!pending) return;
    m_pendingScope = parent.element->m_scope;
    for (auto it = declarations.rbegin(); it != declarations.rend(); ++it) {
        m_bindings.push_back(CNamespaceBinding{it->prefix, it->namespaceUri, m_pendingScope, this});
        m_pendingScope = &m_bindings.back();
    }
}

void CXmlDocument::EndHeldRunsOnFailure() {
    if (m_consumer == nullptr) return;
    // Outer runs come first in the document.
    const std::vector<CHold> holds = std::move(m_holds);
    m_holds.clear();
    for (const CHold& hold : holds) m_consumer->HeldRunEnds(m_elementStack[hold.parent].element);
}

void CXmlDocument::FreeContent(const COpenElement& open) {
    // Everything created since the element was opened is its content; the
    // slots are reused for the elements that follow.
    CXmlElement* element = open.element;
    DropAttributes(open);
    m_elementPool.DestroyBackTo(open.descendants);
    m_bindings.resize(open.bindings);  // the descendants' declarations
    element->m_attributes = CXmlAttributeList(element->m_attributes.get_allocator());
    m_attributeLists.RewindTo(open.attributeLists);
    std::string().swap(element->m_text);
    element->m_firstChild = nullptr;
}

void CXmlDocument::DropAttributes(const COpenElement& open) {
    for (std::size_t i = open.heapValuedAttributes; i < m_heapValuedAttributes.size(); ++i) {
        m_heapValuedAttributes[i]->~CXmlAttribute();
    }
    m_heapValuedAttributes.resize(open.heapValuedAttributes);
    m_attributePool.RewindTo(open.attributes);
}

CXmlElement* CXmlDocument::AddChildElement(const char* namespaceUri, const char* localName) {
    return AddChildElement(View(namespaceUri), View(localName));
}

CXmlElement* CXmlDocument::AddChildElement(std::string_view namespaceUri,
                                           std::string_view localName) {
    return AddInternedChildElement(
        InternQualifiedName(InternName(namespaceUri), InternName(localName)));
}

void CXmlDocument::ThrowNoOpenElement() {
    throw CQbInvalidStateException("No open element to add a child element to");
}

const std::string* CXmlDocument::InternName(std::string_view name) {
    if (name.empty()) {
        return &EmptyName();
    }
    // A document uses few names over and over: a small direct-mapped cache
    // answers most lookups without hashing the whole name.
    const std::uint32_t key =
        static_cast<std::uint32_t>(name.size()) << 24 ^
        static_cast<std::uint32_t>(static_cast<unsigned char>(name.front())) << 16 ^
        static_cast<std::uint32_t>(static_cast<unsigned char>(name[name.size() / 2])) << 8 ^
        static_cast<unsigned char>(name.back());
    const std::size_t slot = (key * 0x9E3779B1u) >> (32 - kNameCacheBits);
    const std::string* cached = m_nameCache[slot];
    if (cached != nullptr && *cached == name) {
        return cached;
    }
    const auto found = m_names.find(name);
    const std::string* result;
    if (found != m_names.end()) {
        result = found->second.get();
    } else {
        auto stored = std::make_unique<const std::string>(name);
        result = stored.get();
        m_names.emplace(std::string_view(*result), std::move(stored));
    }
    m_nameCache[slot] = result;
    return result;
}

const CXmlName* CXmlDocument::InternQualifiedName(const std::string* namespaceUri,
                                                  const std::string* localName) {
    const auto key = std::make_pair(namespaceUri, localName);
    const auto found = m_qualifiedNameIndex.find(key);
    if (found != m_qualifiedNameIndex.end()) {
        return found->second;
    }
    m_qualifiedNames.push_back(CXmlName{namespaceUri, localName, false});
    const CXmlName* name = &m_qualifiedNames.back();
    m_qualifiedNameIndex.emplace(key, name);
    return name;
}

void CXmlDocument::AddNamespaceAlias(const std::string& prefix, const std::string& namespaceUri) {
    AddInternedAlias(InternName(prefix), InternName(namespaceUri));
}

void CXmlDocument::AddInternedAlias(const std::string* prefix, const std::string* namespaceUri) {
    m_aliasMap[prefix] = namespaceUri;
    // Readers report declarations before the element that makes them.
    m_bindings.push_back(CNamespaceBinding{prefix, namespaceUri, m_pendingScope, this});
    m_pendingScope = &m_bindings.back();
}

void CXmlDocument::AddElementAttribute(CXmlElement* element, std::string_view localName,
                                       std::string_view value, std::string_view namespaceUri) {
    AddAttributeFromViews(element, localName, value, namespaceUri);
}

void CXmlDocument::AddAttributeFromViews(CXmlElement* element, std::string_view localName,
                                         std::string_view value, std::string_view namespaceUri) {
    // Elements are created only by a document, which stays writable while it
    // builds them; the element merely remembers it as const for navigation.
    CXmlDocument* document = const_cast<CXmlDocument*>(element->GetDocument());
    AddInternedAttribute(element,
                         document->InternQualifiedName(document->InternName(namespaceUri),
                                                       document->InternName(localName)),
                         value);
}

void CXmlDocument::AddInternedAttribute(CXmlElement* element, const CXmlName* name,
                                        std::string_view value) {
    CXmlDocument* document = const_cast<CXmlDocument*>(element->GetDocument());
    if (element->m_attributes.capacity() == 0) {
        element->m_attributes.reserve(4);  // readers that cannot count first
    }
    element->m_attributes.push_back(document->CreateAttribute(name, value));
}

void CXmlDocument::AppendTextExcludingCR(CXmlElement* element, const char* text,
                                         std::size_t maxLength) {
    const char* const end = text + strnlen(text, maxLength);
    while (text < end) {
        const void* cr = std::memchr(text, '\r', static_cast<std::size_t>(end - text));
        const char* runEnd = cr != nullptr ? static_cast<const char*>(cr) : end;
        element->AppendText(text, static_cast<std::size_t>(runEnd - text));
        text = runEnd + (cr != nullptr ? 1 : 0);
    }
}

void CXmlDocument::AppendTextExcludingCR(CXmlElement* element, const char* text) {
    AppendTextExcludingCR(element, text, std::strlen(text));
}

}  // namespace QbXmlLib5
