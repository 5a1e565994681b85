#include "binding/CXmlCollection.h"

#include <algorithm>

#include "core/CQbException.h"

namespace QbXmlLib5 {

CXmlCollection::CXmlCollection() : m_first(nullptr), m_last(nullptr), m_count(0) {}

CXmlCollection::CXmlCollection(const char* elementName, const char* namespaceUri, int minOccurs,
                               int maxOccurs)
    : CXmlCollectionBase(elementName, namespaceUri, minOccurs, maxOccurs),
      m_first(nullptr),
      m_last(nullptr),
      m_count(0) {}

CXmlCollection::CXmlCollection(const CXmlCollection& other)
    : CXmlCollectionBase(other), m_first(nullptr), m_last(nullptr), m_count(0) {
    CopyItemsFrom(other);
}

CXmlCollection& CXmlCollection::operator=(const CXmlCollection& other) {
    if (this == &other) return *this;
    CXmlCollectionBase::operator=(other);
    CNode* old = m_first;
    CopyItemsFrom(other);
    // (CopyItemsFrom replaced m_index.)
    // Last: releasing may destroy items, whose destructors may run arbitrary
    // code (even reach `other`); this collection is complete by then.
    FreeChain(old);
    return *this;
}

void CXmlCollection::CopyItemsFrom(const CXmlCollection& from) {
    CNode* first = nullptr;
    CNode* last = nullptr;
    CNodeIndex index;
    const bool indexed = from.m_count >= kIndexFrom;
    try {
        if (indexed) index.nodes.reserve(static_cast<std::size_t>(from.m_count));
        for (const CNode* node = from.m_first; node; node = node->next) {
            CNode* copy = new CNode{node->item, nullptr, last};
            if (copy->item) copy->item->AddRef();
            (last ? last->next : first) = copy;
            last = copy;
            if (indexed) index.nodes.push_back(copy);
        }
    } catch (...) {
        FreeChain(first);
        throw;
    }
    m_first = first;
    m_last = last;
    m_count = from.m_count;
    m_index.nodes.swap(index.nodes);
    m_index.start = 0;
}

// Releasing an item may free a collection it holds, and so on down a tree of
// any depth; CXmlObjectBase::Release queues those deletions behind the
// outermost one, so this loop never nests.
void CXmlCollection::FreeChain(CNode* first) {
    while (first) {
        CNode* node = first;
        first = node->next;
        CXmlObjectBase* item = node->item;
        delete node;
        if (item) item->Release();
    }
}

CXmlCollection::~CXmlCollection() {
    // No events here: the usual listener is the object that owns this
    // collection, and it is typically being destroyed itself right now.
    FreeChain(m_first);
}

void CXmlCollection::Clear() {
    while (GetCount() > 0) Remove(0);
}

void CXmlCollection::Remove(int index) {
    RemoveNode(GetNodeAtIndex(index));
    FireOnCollectionChange();
}

void CXmlCollection::AttributesToXml_Int(CXmlWriter* writer,
                                         const CXmlSerializationContext& ctx) const {
    for (const CNode* node = m_first; node; node = node->next) {
        if (node->item) CXmlObjectBase::AttributesToXml_Int(node->item, writer, ctx);
    }
}

void CXmlCollection::InsertBefore(CNode* before, CXmlObjectBase* item) {
    const bool indexed = m_index.Size() != 0;
    const std::size_t position = indexed && before ? IndexOfNode(before) : m_index.Size();
    CNode* node = new CNode{item, before, before ? before->prev : m_last};
    // Indexed before it is linked: if that fails, nothing has changed.
    if (indexed) {
        try {
            m_index.Insert(position, node);
        } catch (...) {
            delete node;
            throw;
        }
    }
    if (item) item->AddRef();
    if (node->prev) {
        node->prev->next = node;
    } else {
        m_first = node;
    }
    if (before) {
        before->prev = node;
    } else {
        m_last = node;
    }
    ++m_count;
    if (!indexed && m_count >= kIndexFrom) BuildIndex();
    FireOnCollectionChange();
}

void CXmlCollection::BuildIndex() {
    try {
        m_index.nodes.reserve(static_cast<std::size_t>(m_count) * 2);
        for (CNode* node = m_first; node; node = node->next) m_index.nodes.push_back(node);
    } catch (...) {
        // Out of memory: the list stays unindexed and is walked.
        m_index.nodes.clear();
    }
    m_index.start = 0;
}

void CXmlCollection::AppendItem(CXmlObjectBase* item) { InsertBefore(nullptr, item); }

void CXmlCollection::PrependItem(CXmlObjectBase* item) { InsertBefore(m_first, item); }

void CXmlCollection::AddAfterItem(const CXmlObjectBase* existing, CXmlObjectBase* item) {
    if (!existing) {
        PrependItem(item);
        return;
    }
    InsertBefore(GetNodeForItem(existing)->next, item);
}

void CXmlCollection::AddBeforeItem(const CXmlObjectBase* existing, CXmlObjectBase* item) {
    if (!existing) {
        AppendItem(item);
        return;
    }
    InsertBefore(GetNodeForItem(existing), item);
}

void CXmlCollection::AddItemAt(int index, CXmlObjectBase* item) {
    if (index < 0 || index > m_count) throw CQbInvalidParamException("Index out of range");
    CNode* before = nullptr;
    if (index < m_count) {
        if (m_index.Size() != 0) {
            before = m_index.At(static_cast<std::size_t>(index));
        } else {
            before = m_first;
            for (int i = 0; i < index; ++i) before = before->next;
        }
    }
    InsertBefore(before, item);
}

CNode* CXmlCollection::GetNodeAtIndex(int index) const {
    const int count = GetCount();
    // The virtual count may differ from the node count in a derived class;
    // never walk past the list whatever it says.
    if (index < 0 || index >= count || index >= m_count) {
        throw CQbInvalidParamException(
            FormatString("Index %d is out of range, use 0 - %d", index, count));
    }
    if (m_index.Size() != 0) return m_index.At(static_cast<std::size_t>(index));
    CNode* node = m_first;
    for (int i = 0; i < index; ++i) node = node->next;
    return node;
}

std::size_t CXmlCollection::IndexOfNode(const CNode* node) const { return m_index.Find(node); }

std::size_t CXmlCollection::CNodeIndex::Find(const CNode* node) const {
    // Either end is the common case (Clear, appending, removing the last).
    if (nodes[start] == node) return 0;
    const auto found = std::find(nodes.rbegin(), nodes.rend(), node);
    return static_cast<std::size_t>(nodes.rend() - found) - 1 - start;
}

void CXmlCollection::CNodeIndex::Insert(std::size_t position, CNode* node) {
    if (position == 0 && start > 0) {
        nodes[--start] = node;
        return;
    }
    nodes.insert(nodes.begin() + static_cast<std::ptrdiff_t>(start + position), node);
}

void CXmlCollection::CNodeIndex::Erase(std::size_t position) {
    if (position == 0) {
        ++start;
    } else {
        nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(start + position));
    }
    if (start == nodes.size()) {
        nodes.clear();
        start = 0;
    }
}

CNode* CXmlCollection::GetNodeForItem(const CXmlObjectBase* item) const {
    const CXmlObjectBase* wanted = item ? item->GetBase() : nullptr;
    for (CNode* node = m_first; node; node = node->next) {
        const CXmlObjectBase* held = node->item ? node->item->GetBase() : nullptr;
        if (held == wanted) return node;
    }
    throw CQbInvalidParamException("The object was not found in the collection");
}

void CXmlCollection::RemoveNode(CNode* node) {
    if (m_index.Size() != 0) m_index.Erase(IndexOfNode(node));
    if (node->prev) {
        node->prev->next = node->next;
    } else {
        m_first = node->next;
    }
    if (node->next) {
        node->next->prev = node->prev;
    } else {
        m_last = node->prev;
    }
    --m_count;
    CXmlObjectBase* item = node->item;
    delete node;
    // Last: releasing may destroy the item, whose destructor may run
    // arbitrary code; the list is consistent by then.
    if (item) item->Release();
}

}  // namespace QbXmlLib5
