#include "xml/CXmlWriter.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <utility>

#include "core/CQbException.h"
#include "xml/CMixedText.h"

namespace QbXmlLib5 {

const char CXmlWriter::kXsiNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";
const char CXmlWriter::kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";

namespace {
const std::string kXmlPrefix = "xml";
const std::string kNoName;

// Most contexts are reused by elements of the same writer: an empty name
// (a writer that keeps none) costs no call.
inline void AssignName(std::string& to, const std::string& from) {
    if (from.empty()) {
        to.clear();
    } else {
        to.assign(from);
    }
}
}  // namespace

// ---------------------------------------------------------------------------
// CXmlWriterContext

CXmlWriter::CXmlWriterContext::CXmlWriterContext(const std::string& localName,
                                                 const std::string& namespaceUri,
                                                 const std::string& defaultNamespace,
                                                 const NamespaceMap& declarations)
    : m_childCount(0),
      m_startTagOpen(true),
      m_depth(0),
      m_namespaceUri(namespaceUri),
      m_localName(localName),
      m_defaultNamespace(defaultNamespace),
      m_map(new NamespaceMap(declarations)),
      m_scope(this),
      m_outerScope(nullptr),
      m_declaredCount(0) {}

CXmlWriter::CXmlWriterContext::CXmlWriterContext(const std::string& localName,
                                                 const std::string& namespaceUri,
                                                 std::unique_ptr<CXmlWriterContext> parent)
    : m_childCount(0),
      m_startTagOpen(true),
      m_verbatim(parent->m_verbatim),
      m_depth(parent->m_depth + 1),
      m_namespaceUri(namespaceUri),
      m_localName(localName),
      m_parent(std::move(parent)),
      m_scope(m_parent->m_scope),
      m_outerScope(nullptr),
      m_declaredCount(0) {}

void CXmlWriter::CXmlWriterContext::Reuse(const std::string& localName,
                                          const std::string& namespaceUri,
                                          std::unique_ptr<CXmlWriterContext> parent) {
    m_childCount = 0;
    m_startTagOpen = true;
    m_depth = parent->m_depth + 1;
    m_verbatim = parent->m_verbatim;
    m_mixedText = nullptr;
    AssignName(m_namespaceUri, namespaceUri);
    AssignName(m_localName, localName);
    m_prefix.clear();
    m_parent = std::move(parent);
    m_defaultNamespace.clear();
    m_scope = m_parent->m_scope;
    m_outerScope = nullptr;
    m_declaredCount = 0;
}

CXmlWriter::CXmlWriterContext::~CXmlWriterContext() {
    // Unlink the outer chain one context at a time instead of letting each
    // destructor recurse into its parent.
    std::unique_ptr<CXmlWriterContext> outer = std::move(m_parent);
    while (outer) {
        outer = std::move(outer->m_parent);
    }
}

const std::string& CXmlWriter::CXmlWriterContext::GetEffectiveDefaultNamespace() const {
    return m_scope->m_defaultNamespace;
}

template <class Visit>
void CXmlWriter::CXmlWriterContext::ForEachDeclaration(Visit visit) const {
    if (!m_outerScope) {
        for (const auto& entry : *m_map) visit(entry.first, entry.second);
        return;
    }
    for (std::size_t i = 0; i < m_declaredCount; ++i) {
        visit(m_declared[i].namespaceUri, m_declared[i].prefix);
    }
}

const CXmlWriter::NamespaceMap& CXmlWriter::CXmlWriterContext::GetEffectiveMap() const {
    const CXmlWriterContext* scope = m_scope;
    if (!scope->m_outerScope) return *scope->m_map;
    // Outermost first, so that inner declarations replace outer ones.
    std::vector<const CXmlWriterContext*> chain;
    for (const CXmlWriterContext* s = scope; s; s = s->m_outerScope) chain.push_back(s);
    std::unique_ptr<NamespaceMap> map(new NamespaceMap());
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        (*it)->ForEachDeclaration([&](const std::string& namespaceUri, const std::string& prefix) {
            (*map)[namespaceUri] = prefix;
        });
    }
    scope->m_effectiveMap = std::move(map);
    return *scope->m_effectiveMap;
}

namespace {
bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}
}  // namespace

const std::string* CXmlWriter::CXmlWriterContext::FindPrefix(
    const std::string& namespaceUri) const {
    // The xml prefix is bound by definition and may not be bound to anything
    // else, so it is never generated or declared.
    if (namespaceUri.size() == sizeof kXmlNamespace - 1 && namespaceUri == kXmlNamespace) {
        return &kXmlPrefix;
    }
    for (const CXmlWriterContext* scope = m_scope; scope; scope = scope->m_outerScope) {
        if (scope->m_outerScope) {
            for (std::size_t i = 0; i < scope->m_declaredCount; ++i) {
                const Declaration& declaration = scope->m_declared[i];
                if (SameText(declaration.namespaceUri, namespaceUri)) return &declaration.prefix;
            }
            continue;
        }
        const NamespaceMap& map = *scope->m_map;
        // A document uses a handful of namespaces: comparing lengths first
        // finds the one asked for with a single full comparison, where the
        // ordered lookup compares the URIs' common beginnings ("http://www.",
        // "urn:") at every step.
        constexpr std::size_t kScanned = 8;
        if (map.size() > kScanned) {
            const auto it = map.find(namespaceUri);
            return it == map.end() ? nullptr : &it->second;
        }
        for (const auto& entry : map) {
            if (SameText(entry.first, namespaceUri)) return &entry.second;
        }
        return nullptr;
    }
    return nullptr;
}

std::string CXmlWriter::CXmlWriterContext::InventPrefix() const {
    // The prefixes in scope: those of declarations not replaced by a
    // declaration of the same namespace further in.
    std::vector<const std::string*> namespaces;
    std::vector<const std::string*> prefixes;
    for (const CXmlWriterContext* scope = m_scope; scope; scope = scope->m_outerScope) {
        const std::size_t outerFrom = namespaces.size();
        scope->ForEachDeclaration([&](const std::string& namespaceUri, const std::string& prefix) {
            for (std::size_t i = 0; i < outerFrom; ++i) {
                if (SameText(*namespaces[i], namespaceUri)) return;
            }
            namespaces.push_back(&namespaceUri);
            prefixes.push_back(&prefix);
        });
    }
    return FirstFreePrefix(prefixes);
}

void CXmlWriter::CXmlWriterContext::OwnScope() {
    if (m_scope == this) return;
    m_outerScope = m_scope;
    m_defaultNamespace = m_scope->m_defaultNamespace;
    m_declaredCount = 0;
    m_scope = this;
}

const std::string& CXmlWriter::CXmlWriterContext::AddNamespace(const std::string& prefix,
                                                               const std::string& namespaceUri) {
    OwnScope();
    if (!m_outerScope) return (*m_map)[namespaceUri] = prefix;
    for (std::size_t i = 0; i < m_declaredCount; ++i) {
        if (SameText(m_declared[i].namespaceUri, namespaceUri)) {
            return m_declared[i].prefix = prefix;
        }
    }
    if (m_declaredCount == m_declared.size()) m_declared.emplace_back();
    m_declared[m_declaredCount].namespaceUri = namespaceUri;
    m_declared[m_declaredCount].prefix = prefix;
    return m_declared[m_declaredCount++].prefix;
}

void CXmlWriter::CXmlWriterContext::SetDefaultNamespace(const std::string& namespaceUri) {
    OwnScope();
    m_defaultNamespace = namespaceUri;
}

// ---------------------------------------------------------------------------
// CXmlWriter

CXmlWriter::CXmlWriter(const char* /*className*/, bool keepsNames) : m_keepsNames(keepsNames) {}

CXmlWriter::~CXmlWriter() = default;

void CXmlWriter::SetDefaultNamespace(const std::string& namespaceUri) {
    if (m_current) {
        m_current->SetDefaultNamespace(namespaceUri);
    } else {
        m_pendingDefaultNamespace = namespaceUri;
    }
}

void CXmlWriter::AddNamespace(const std::string& prefix, const std::string& namespaceUri) {
    if (m_current) {
        m_current->AddNamespace(prefix, namespaceUri);
    } else {
        m_pendingDeclarations[namespaceUri] = prefix;
    }
}

void CXmlWriter::WriteEndDocument() {
    if (m_current) throw CQbException("An Element has not been closed.");
}

CXmlWriter::StartedElement CXmlWriter::BeginElement(const std::string& localName,
                                                    const std::string& namespaceUri) {
    StartedElement started;
    const std::string& keptName = m_keepsNames ? localName : kNoName;
    const std::string& keptNamespace = m_keepsNames ? namespaceUri : kNoName;
    if (m_current) {
        m_current->IncrementChildCount();
        if (m_current->IsStartTagOpen()) {
            m_current->CloseStartTag();
            started.closesParentStartTag = true;
        }
        if (m_spareContexts.empty()) {
            m_current.reset(new CXmlWriterContext(keptName, keptNamespace, std::move(m_current)));
        } else {
            std::unique_ptr<CXmlWriterContext> context = std::move(m_spareContexts.back());
            m_spareContexts.pop_back();
            context->Reuse(keptName, keptNamespace, std::move(m_current));
            m_current = std::move(context);
        }
    } else {
        started.isRoot = true;
        m_current.reset(new CXmlWriterContext(keptName, keptNamespace, m_pendingDefaultNamespace,
                                              m_pendingDeclarations));
    }
    started.prefix = &m_current->GetPrefix();
    if (namespaceUri.empty() || namespaceUri == m_current->GetEffectiveDefaultNamespace()) {
        return started;
    }
    m_current->SetPrefix(ResolveAttributePrefix(namespaceUri, started.declaresPrefix));
    return started;
}

void CXmlWriter::SetMixedContent(const CMixedText* text) {
    CXmlWriterContext& current = RequireCurrentContext();
    current.SetVerbatim();
    current.SetMixedText(text);
}

void CXmlWriter::WriteSegmentBeforeChild(const CMixedText& text) {
    const int child = static_cast<int>(m_current->GetChildCount());
    if (child < text.GetSegmentCount() - 1) WriteCharacters(text.GetSegmentView(child));
}

void CXmlWriter::WriteMixedTextRest() {
    const CMixedText* text = m_current->GetMixedText();
    // Written once: the text is what ends the element.
    m_current->SetMixedText(nullptr);
    const int count = text->GetSegmentCount();
    const auto written = static_cast<int>(m_current->GetChildCount());
    for (int segment = written < count - 1 ? written : count - 1; segment < count; ++segment) {
        WriteCharacters(text->GetSegmentView(segment));
    }
}

CXmlWriter::CXmlWriterContext& CXmlWriter::RequireCurrentContext() const {
    if (!m_current) throw CQbInvalidStateException("No element is open.");
    return *m_current;
}

void CXmlWriter::CheckAttributesAllowed() const {
    if (!m_current || !m_current->IsStartTagOpen()) {
        throw CQbException("Attributes must be added before elements");
    }
}

const std::string& CXmlWriter::ResolveAttributePrefix(const std::string& namespaceUri,
                                                      bool& generated) {
    generated = false;
    if (namespaceUri.empty()) return kNoName;
    if (const std::string* prefix = m_current->FindPrefix(namespaceUri)) return *prefix;
    generated = true;
    return m_current->AddNamespace(m_current->InventPrefix(), namespaceUri);
}

std::string CXmlWriter::ResolveXsiTypeValue(const std::string& typeNamespaceUri,
                                            const std::string& typeName,
                                            std::string& generatedPrefix) {
    generatedPrefix.clear();
    if (typeNamespaceUri.empty() || typeNamespaceUri == m_current->GetEffectiveDefaultNamespace()) {
        return typeName;
    }
    bool generated = false;
    const std::string prefix = ResolveAttributePrefix(typeNamespaceUri, generated);
    if (generated) generatedPrefix = prefix;
    return prefix + ":" + typeName;
}

std::string CXmlWriter::GetUniquePrefix(const NamespaceMap& map) {
    std::vector<const std::string*> prefixes;
    prefixes.reserve(map.size());
    for (const auto& entry : map) prefixes.push_back(&entry.second);
    return FirstFreePrefix(prefixes);
}

std::string CXmlWriter::FirstFreePrefix(const std::vector<const std::string*>& prefixes) {
    // Invented prefixes are two capital letters, so only such prefixes can
    // collide; mark them in a bitmap instead of building a set per call.
    constexpr int kTwoLetterPrefixes = 26 * 26;
    std::bitset<kTwoLetterPrefixes> taken;
    for (const std::string* prefix : prefixes) {
        const std::string& p = *prefix;
        if (p.size() == 2 && p[0] >= 'A' && p[0] <= 'Z' && p[1] >= 'A' && p[1] <= 'Z') {
            taken.set(static_cast<std::size_t>((p[0] - 'A') * 26 + (p[1] - 'A')));
        }
    }
    int n = 0;
    while (n < kTwoLetterPrefixes && taken.test(static_cast<std::size_t>(n))) ++n;
    if (n < kTwoLetterPrefixes) return NsIntToString(n);
    // Beyond ZZ (more than 676 namespaces in scope) fall back to a search.
    for (int k = n;; ++k) {
        std::string candidate = NsIntToString(k);
        if (std::none_of(prefixes.begin(), prefixes.end(),
                         [&](const std::string* prefix) { return *prefix == candidate; })) {
            return candidate;
        }
    }
}

std::string CXmlWriter::NsIntToString(int n) {
    std::string text(2, 'A');
    text[0] = static_cast<char>('A' + n / 26);
    text[1] = static_cast<char>('A' + n % 26);
    return text;
}

}  // namespace QbXmlLib5
