#include "binding/CElement.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>
#include <utility>
#include <vector>

#include "binding/CElementCol.h"
#include "core/CQbException.h"
#include "xml/CXmlElement.h"
#include "xml/CXmlWriter.h"

namespace QbXmlLib5 {

namespace {

const char* Safe(const char* s) { return s ? s : ""; }

bool IsWildcardKeyword(const char* ns) {
    static const char* const kKeywords[] = {"##any", "##other", "##local", "##targetNamespace"};
    for (const char* keyword : kKeywords) {
        if (std::strcmp(ns, keyword) == 0) return true;
    }
    return false;
}

const char kRestrictionMismatch[] =
    "The namespace %s in the class %s is invalid against restriction %s";

// A failure deep in a tree names at most this many of its ancestors (those
// nearest the element the check started at), so that the exception stays
// small whatever the depth.
constexpr std::size_t kMaxNamedAncestors = 32;

// Writing a large tree is bound by memory latency: each element is a handful
// of small objects (the element, its collections, list nodes, attributes,
// strings), and a walk from one to the next waits for every load. A tree read
// from a document lies in memory roughly in the order writing visits it (see
// CopyTree), so the walk asks for the memory a little ahead of the element it
// is at, once per cache line, and finds it in the cache when it gets there. On
// a tree laid out otherwise the requests are merely wasted.
class CReadAhead {
public:
    void Near(const void* object) {
#if defined(__GNUC__)
        const char* from = static_cast<const char*>(object) + kDistance;
        const char* to = from + kSpan;
        // Continue where the last request stopped when it lies in this window;
        // after a jump elsewhere start afresh.
        if (m_next > from && m_next < to) from = m_next;
        for (; from < to; from += kLine) __builtin_prefetch(from);
        m_next = to;
#else
        (void)object;
#endif
    }

private:
    // How far ahead, and how much at most per element (after a jump). Found
    // by measurement on the 20 MB data-oriented benchmark document, where an
    // element takes about 1.4 KB of memory.
    static constexpr std::ptrdiff_t kDistance = 16384;
    static constexpr std::ptrdiff_t kSpan = 2048;
    static constexpr std::ptrdiff_t kLine = 64;
    const char* m_next = nullptr;
};

}  // namespace

// An element whose children are being visited, and the next child to visit.
struct CElement::Visit {
    const CElement* element;
    CQbIterator<CElement> next;
};

CElement::CElement(const char* name) { Init(name, "", "##any", ""); }

CElement::CElement(const char* name, const char* namespaceUri) {
    if (namespaceUri && IsWildcardKeyword(namespaceUri)) {
        throw CQbInvalidNamespaceException(FormatString("Invalid Namespace [%s]", namespaceUri));
    }
    Init(name, namespaceUri, Safe(namespaceUri), "");
}

CElement::CElement(const char* name, const char* namespaceUri, const char* restriction,
                   const char* targetNamespace) {
    Init(name, namespaceUri, restriction, targetNamespace);
}

CElement::~CElement() = default;

void CElement::Init(const char* name, const char* namespaceUri, const char* restriction,
                    const char* targetNamespace) {
    if (!name) throw CQbInvalidNamespaceException("Element Name must have a value");
    if (!restriction) throw CQbInvalidNamespaceException("Namespace Restriction must have a value");
    if (!targetNamespace) throw CQbInvalidNamespaceException("Target Namespace must have a value");
    TestNamespace(namespaceUri, restriction, targetNamespace);
    m_name = name;
    m_namespaceUri = Safe(namespaceUri);
    m_restriction = restriction;
    m_targetNamespace = targetNamespace;
    m_attributes = new CAttributeCol(m_namespaceUri.c_str(), "##any", targetNamespace);
    m_childElements = new CElementCol(m_namespaceUri.c_str(), "##any", targetNamespace, 0, -1);
}

CSmartPtr<CElementCol> CElement::GetChildElements() const { return m_childElements; }

void CElement::SetName(const char* name) {
    m_name = Safe(name);
    FireOnChangeName();
}

void CElement::SetText(const char* text) {
    m_text.SetText(Safe(text));
    FireOnChangeText();
}

void CElement::SetNamespace(const char* namespaceUri) {
    m_namespaceUri = Safe(namespaceUri);
    FireOnChangeNamespace();
}

void CElement::SetNamespaceRestrictions(const char* restriction, const char* targetNamespace) {
    const std::string newRestriction = Safe(restriction);
    const std::string newTarget = Safe(targetNamespace);
    CheckRestriction(newRestriction, newTarget);
    StoreRestriction(newRestriction, newTarget);
}

// Visits the tree depth-first with an explicit stack, which also gives the
// ancestors of a failing element.
void CElement::CheckRestriction(const std::string& restriction,
                                const std::string& targetNamespace) const {
    std::vector<Visit> ancestors;
    const CElement* element = this;
    while (element) {
        try {
            element->CheckOwnRestriction(restriction, targetNamespace);
        } catch (const CQbInvalidNamespaceException& e) {
            CQbInvalidNamespaceException error = e;
            for (std::size_t i = std::min(ancestors.size(), kMaxNamedAncestors); i-- > 0;) {
                error = CQbInvalidNamespaceException(
                    ancestors[i].element->RestrictionMismatch(restriction), error);
            }
            throw error;
        }
        ancestors.push_back({element, element->m_childElements->begin()});
        element = NextToVisit(ancestors);
    }
}

void CElement::CheckOwnRestriction(const std::string& restriction,
                                   const std::string& targetNamespace) const {
    TestNamespace(m_namespaceUri.c_str(), restriction.c_str(), targetNamespace.c_str());
    for (CAttribute* attribute : *m_attributes) {
        if (!IsNamespaceValid(attribute->GetNamespace().c_str(), restriction.c_str(),
                              targetNamespace.c_str())) {
            throw CQbInvalidNamespaceException(RestrictionMismatch(restriction));
        }
    }
}

std::string CElement::RestrictionMismatch(const std::string& restriction) const {
    return FormatString(kRestrictionMismatch, m_namespaceUri.c_str(), m_name.c_str(),
                        restriction.c_str());
}

// The next child of the innermost element in `open` that has one left,
// closing (popping) the elements that have none; null when all are done.
const CElement* CElement::NextToVisit(std::vector<Visit>& open) {
    while (!open.empty()) {
        Visit& top = open.back();
        if (top.next != top.element->m_childElements->end()) return *top.next++;
        open.pop_back();
    }
    return nullptr;
}

void CElement::StoreRestriction(const std::string& restriction,
                                const std::string& targetNamespace) {
    std::vector<CElement*> pending = {this};
    while (!pending.empty()) {
        CElement* element = pending.back();
        pending.pop_back();
        element->m_restriction = restriction;
        element->m_targetNamespace = targetNamespace;
        for (CElement* child : *element->m_childElements) pending.push_back(child);
    }
}

// Written with an explicit stack of open elements, whatever the depth. A
// child of a class derived from CElement writes itself.
void CElement::ToXml_Int(CXmlWriter* writer, bool, const char* namespaceUri,
                         const CXmlSerializationContext& ctx, bool) const {
    std::vector<Visit> open;
    CReadAhead readAhead;
    WriteStartTag(writer, namespaceUri, ctx, open);
    while (!open.empty()) {
        Visit& top = open.back();
        if (top.next == top.element->m_childElements->end()) {
            // Mixed content was handed to the writer with the start tag.
            if (top.element->m_childElements->GetCount() == 0) {
                writer->WriteText(top.element->m_text.GetText());
            }
            writer->WriteEndElement();
            open.pop_back();
            continue;
        }
        const CElement* child = *top.next++;
        readAhead.Near(child);
        if (typeid(*child) == typeid(CElement)) {
            child->WriteStartTag(writer, namespaceUri, ctx, open);
        } else {
            CXmlObjectBase::ToXml_Int(child, writer, false, namespaceUri, ctx, false);
        }
    }
}

// Start tag and attributes; the element is then open, its children next.
void CElement::WriteStartTag(CXmlWriter* writer, const char* namespaceUri,
                             const CXmlSerializationContext& ctx, std::vector<Visit>& open) const {
    writer->WriteStartElement(m_name, m_namespaceUri);
    CXmlObjectBase::ToXml_Int(m_attributes, writer, false, namespaceUri, ctx, false);
    m_childElements->ValidateCount(ctx);
    if (!m_text.IsEmpty() && m_childElements->GetCount() > 0) writer->SetMixedContent(&m_text);
    open.push_back({this, m_childElements->begin()});
}

const CXmlElement* CElement::FromXml_Int(const CXmlElement*, const CXmlElement* current,
                                         const CXmlSerializationContext&, bool) {
    if (!current || !IsNamespaceValid(current->GetNamespaceURI().c_str(), m_restriction.c_str(),
                                      m_targetNamespace.c_str())) {
        return current;
    }
    // Read into a new element so that a failure leaves this one as it was.
    CSmartPtr<CElement> read =
        new CElement(current->GetLocalName().c_str(), current->GetNamespaceURI().c_str(), "##any",
                     m_targetNamespace.c_str());
    read->CopyTree(current, m_targetNamespace);
    m_attributes->Clear();
    for (CAttribute* attribute : *read->m_attributes) m_attributes->Add(attribute);
    m_childElements->Clear();
    for (CElement* child : *read->m_childElements) m_childElements->Add(child);
    m_text = std::move(read->m_text);
    m_name = read->m_name;
    m_namespaceUri = read->m_namespaceUri;
    return current->GetNextSiblingElement();
}

void CElement::CopyXmlElement(const CXmlElement* element) {
    if (!element) return;
    m_name = element->GetLocalName();
    m_namespaceUri = element->GetNamespaceURI();
    m_attributes->Clear();
    m_childElements->Clear();
    CopyTree(element, "");
}

// An explicit stack of the originals still to copy, each with the copy of its
// parent, whatever the depth. The copies are made in document order, the
// order in which writing visits them: the objects of one element and of its
// neighbours then lie close together in memory, which a writer walking a
// large tree feels more than anything else.
void CElement::CopyTree(const CXmlElement* source, const std::string& targetNamespace) {
    std::vector<std::pair<CElement*, const CXmlElement*>> pending;
    CElement* copy = this;
    const CXmlElement* original = source;
    for (;;) {
        copy->m_text.Read(original);
        for (const CXmlAttribute* attribute : original->GetAttributes()) {
            copy->m_attributes->Add(attribute->GetLocalName().c_str(),
                                    attribute->GetValue().c_str(),
                                    attribute->GetNamespaceURI().c_str());
        }
        // Children pushed last to first, so that the first is copied next.
        const std::size_t mark = pending.size();
        for (const CXmlElement* child = original->GetFirstElement(); child;
             child = child->GetNextSiblingElement()) {
            pending.emplace_back(copy, child);
        }
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(mark), pending.end());
        if (pending.empty()) return;
        CElement* parent = pending.back().first;
        original = pending.back().second;
        pending.pop_back();
        CSmartPtr<CElement> element =
            new CElement(original->GetLocalName().c_str(), original->GetNamespaceURI().c_str(),
                         "##any", targetNamespace.c_str());
        parent->m_childElements->Add(element);
        copy = element;
    }
}

}  // namespace QbXmlLib5
