// CQbIterator: walks the items of a CXmlCollection as pointers to T.
//
// The collections return `begin` positioned at the first node and `end`
// positioned at the last node. An end iterator stands for the position just
// after the node it holds, so both
//
//   for (CElement* e : *elements) ...
//   for (CQbIterator<CElement> it = elements->begin(); it != elements->end(); ++it) ...
//
// visit every item exactly once, in order (and nothing for an empty
// collection). Decrementing an end iterator gives the last item. Dereferencing
// yields the item pointer (null for a null item), borrowed from the
// collection. Inserting or removing items invalidates iterators at the
// removed node; other iterators stay valid.
#ifndef QBXMLLIB5_BINDING_CQBITERATOR_H
#define QBXMLLIB5_BINDING_CQBITERATOR_H

#include <cstddef>
#include <iterator>

#include "binding/CXmlCollection.h"

namespace QbXmlLib5 {

template <class T>
class CQbIterator {
public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = T*;
    using difference_type = std::ptrdiff_t;
    using pointer = T* const*;
    using reference = T*;

    CQbIterator() : m_node(nullptr), m_isEnd(false) {}
    // An iterator at node. With isEnd true it stands just after node (the
    // form `end` returns, holding the last node).
    explicit CQbIterator(CNode* node, bool isEnd = false) : m_node(node), m_isEnd(isEnd) {}

    T* operator*() const {
        CNode* node = Position();
        return node ? static_cast<T*>(node->item) : nullptr;
    }
    T* operator->() const { return **this; }

    CQbIterator& operator++() {
        m_node = Position();
        if (m_node) m_node = m_node->next;
        m_isEnd = false;
        return *this;
    }
    CQbIterator operator++(int) {
        CQbIterator old = *this;
        ++*this;
        return old;
    }
    CQbIterator& operator--() {
        if (m_isEnd) {
            m_isEnd = false;
        } else if (m_node) {
            m_node = m_node->prev;
        }
        return *this;
    }
    CQbIterator operator--(int) {
        CQbIterator old = *this;
        --*this;
        return old;
    }

    friend bool operator==(const CQbIterator& a, const CQbIterator& b) {
        return a.Position() == b.Position();
    }
    friend bool operator!=(const CQbIterator& a, const CQbIterator& b) { return !(a == b); }

private:
    // The node this iterator refers to; null past the last item.
    CNode* Position() const {
        if (!m_isEnd) return m_node;
        return m_node ? m_node->next : nullptr;
    }

    CNode* m_node;
    bool m_isEnd;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CQBITERATOR_H
