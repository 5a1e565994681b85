// CXmlCollection: an ordered list of reference-counted bindable objects, the
// base of the typed collections of generated classes and of the untyped
// CElementCol and CAttributeCol.
//
// Each item is held by one CNode carrying one counted reference (a null item
// is allowed and is not counted). Every insertion and every Remove fires one
// change event to the listeners; Clear fires one per removed item. The list
// operations are protected: concrete collections wrap them in typed members.
// A failed operation leaves the list and the count unchanged.
//
// A copy shares the items (one more reference each) and has no listeners;
// assignment replaces the items the same way, keeps the target's listeners
// and fires nothing.
#ifndef QBXMLLIB5_BINDING_CXMLCOLLECTION_H
#define QBXMLLIB5_BINDING_CXMLCOLLECTION_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "binding/CXmlCollectionBase.h"
#include "core/CXmlObjectBase.h"
#include "core/CXmlSerializationContext.h"

namespace QbXmlLib5 {

class CXmlWriter;

// One link of a CXmlCollection.
struct CNode {
    CXmlObjectBase* item;  // one counted reference; may be null
    CNode* next;
    CNode* prev;
};

class CXmlCollection : public CXmlCollectionBase {
public:
    int GetCount() const override { return m_count; }
    // Removes every item, firing one change event per item.
    void Clear() override;
    // Removes the item at index (0 .. count - 1), firing one change event.
    void Remove(int index) override;

protected:
    CXmlCollection();
    CXmlCollection(const char* elementName, const char* namespaceUri, int minOccurs, int maxOccurs);
    CXmlCollection(const CXmlCollection& other);
    CXmlCollection& operator=(const CXmlCollection& other);
    // Releases the items without telling the listeners.
    ~CXmlCollection() override;

    // Writes the attributes of every item, in order, onto the element that is
    // open in the writer.
    void AttributesToXml_Int(CXmlWriter* writer,
                             const CXmlSerializationContext& ctx) const override;

    void AppendItem(CXmlObjectBase* item);
    void PrependItem(CXmlObjectBase* item);
    // Inserts after the node holding existing; a null existing inserts first.
    void AddAfterItem(const CXmlObjectBase* existing, CXmlObjectBase* item);
    // Inserts before the node holding existing; a null existing appends.
    void AddBeforeItem(const CXmlObjectBase* existing, CXmlObjectBase* item);
    // Inserts so that item gets position index (0 .. count; count appends).
    void AddItemAt(int index, CXmlObjectBase* item);

    // The node at index (0 .. count - 1); CQbInvalidParamException otherwise.
    CNode* GetNodeAtIndex(int index) const;
    // The first node whose item is the same object (compared through
    // GetBase); CQbInvalidParamException when there is none.
    CNode* GetNodeForItem(const CXmlObjectBase* item) const;
    // Unlinks and deletes node, releasing its item. Fires nothing.
    void RemoveNode(CNode* node);

    CNode* GetFirstNode() const { return m_first; }
    CNode* GetLastNode() const { return m_last; }

private:
    // Takes over a new chain holding a reference to each item of `from`.
    void CopyItemsFrom(const CXmlCollection& from);
    // Releases the items of a detached chain and frees its nodes, without
    // recursion however deep the items' own collections nest.
    static void FreeChain(CNode* first);

    // Links a new node for item in front of before (null: at the end) and
    // fires the change event.
    void InsertBefore(CNode* before, CXmlObjectBase* item);

    // Position of `node` in m_index (the node must be in the list).
    std::size_t IndexOfNode(const CNode* node) const;

    CNode* m_first;
    CNode* m_last;
    std::int32_t m_count;
    // Indexes the list once it holds kIndexFrom nodes.
    void BuildIndex();

    // The nodes in list order, so that Item(i) costs constant time: loops
    // over a collection by index would otherwise walk the list quadratically.
    // Short lists (most of them) are walked and keep no index, which would
    // cost allocations for every element; the index is either empty or holds
    // every node. Removing the first node only moves the start, so that
    // Clear (which removes from the front) stays linear.
    static constexpr int kIndexFrom = 16;
    struct CNodeIndex {
        std::vector<CNode*> nodes;
        std::size_t start = 0;
        std::size_t Size() const { return nodes.size() - start; }
        CNode* At(std::size_t i) const { return nodes[start + i]; }
        std::size_t Find(const CNode* node) const;
        void Insert(std::size_t position, CNode* node);
        void Erase(std::size_t position);
    };
    CNodeIndex m_index;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CXMLCOLLECTION_H
