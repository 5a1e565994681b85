#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "binding/CQbIterator.h"
#include "binding/CXmlCollection.h"
#include "core/CQbException.h"
#include "core/CSmartPtr.h"
#include "core/CXmlSerializationContext.h"
#include "support/ExceptionMessage.h"
#include "support/InertObject.h"
#include "xml/CXmlTextWriter.h"

using namespace QbXmlLib5;

namespace {

// An item that counts its destruction and records OnEvent calls, so it can
// serve both as collection item and as listener.
class CItem : public QbTest::CInertObject<CXmlObjectBase> {
public:
    explicit CItem(int* deaths = nullptr, int itemId = 0) : id(itemId), m_deaths(deaths) {}
    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return ""; }
    std::int32_t Refs() {
        AddRef();
        return Release();
    }

    int id;
    std::vector<CXmlObjectBase*> sources;

protected:
    ~CItem() override {
        if (m_deaths) ++*m_deaths;
    }
    std::string GetTargetNamespace() override { return ""; }
    void OnEvent(CXmlObjectBase* source, MsgType type, void* data) override {
        EXPECT_EQ(type, MsgCollectionChanged);
        EXPECT_EQ(data, nullptr);
        sources.push_back(source);
    }
    void AttributesToXml_Int(CXmlWriter* writer, const CXmlSerializationContext&) const override {
        writer->WriteAttribute("a" + std::to_string(id), "", std::to_string(id * 10));
    }

private:
    int* m_deaths;
};

// A concrete collection exposing the protected list operations.
class CItemCol : public QbTest::CInertObject<CXmlCollection> {
public:
    CItemCol() = default;
    CItemCol(const char* name, int minOccurs, int maxOccurs)
        : CInertObject(name, "urn:items", minOccurs, maxOccurs) {}

    using CXmlCollection::AddAfterItem;
    using CXmlCollection::AddBeforeItem;
    using CXmlCollection::AddItemAt;
    using CXmlCollection::AppendItem;
    using CXmlCollection::GetNodeAtIndex;
    using CXmlCollection::GetNodeForItem;
    using CXmlCollection::PrependItem;
    using CXmlCollection::RemoveNode;

    CQbIterator<CItem> begin() const { return CQbIterator<CItem>(GetFirstNode()); }
    CQbIterator<CItem> end() const { return CQbIterator<CItem>(GetLastNode(), true); }

    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (CItem* item : *this) ids.push_back(item ? item->id : -1);
        return ids;
    }
    std::string TargetNamespace() { return GetTargetNamespace(); }
};

template <typename E = CQbInvalidParamException>
void ExpectThrowMessage(const std::function<void()>& f, const std::string& message) {
    QbTest::ExpectThrow<E>(f, message);
}

TEST(CollectionTest, InsertionFormsPlaceItemsAndFireOneEventEach) {
    CSmartPtr<CItemCol> col = new CItemCol;
    CSmartPtr<CItem> listener = new CItem;
    col->AddEventListener(listener);
    std::vector<CSmartPtr<CItem>> items;
    for (int i = 0; i < 7; ++i) items.push_back(new CItem(nullptr, i));

    col->AppendItem(items[1]);               // 1
    col->PrependItem(items[0]);              // 0 1
    col->AddAfterItem(nullptr, items[2]);    // 2 0 1
    col->AddBeforeItem(nullptr, items[3]);   // 2 0 1 3
    col->AddAfterItem(items[0], items[4]);   // 2 0 4 1 3
    col->AddBeforeItem(items[2], items[5]);  // 5 2 0 4 1 3
    col->AddItemAt(6, items[6]);             // count appends
    col->AddItemAt(2, nullptr);              // null items are allowed
    EXPECT_EQ(col->Ids(), (std::vector<int>{5, 2, -1, 0, 4, 1, 3, 6}));
    EXPECT_EQ(col->GetCount(), 8);
    ASSERT_EQ(listener->sources.size(), 8u);
    for (CXmlObjectBase* source : listener->sources) EXPECT_EQ(source, col.GetPtr());
    EXPECT_EQ(items[0]->Refs(), 2);  // ours and the collection's

    // Failures change nothing and fire nothing.
    CSmartPtr<CItem> stranger = new CItem(nullptr, 99);
    const std::string missing = "The object was not found in the collection";
    const std::pair<std::function<void()>, std::string> failures[] = {
        {[&] { col->AddItemAt(9, stranger); }, "Index out of range"},
        {[&] { col->AddItemAt(-1, stranger); }, "Index out of range"},
        {[&] { col->AddAfterItem(stranger, items[0]); }, missing},
        {[&] { col->AddBeforeItem(stranger, items[0]); }, missing},
        {[&] { col->GetNodeAtIndex(8); }, "Index 8 is out of range, use 0 - 8"},
        {[&] { col->Remove(-1); }, "Index -1 is out of range, use 0 - 8"}};
    for (const auto& f : failures) ExpectThrowMessage(f.first, f.second);
    EXPECT_EQ(col->GetCount(), 8);
    EXPECT_EQ(listener->sources.size(), 8u);
    EXPECT_EQ(stranger->Refs(), 1);
}

TEST(CollectionTest, RemovalReleasesItemsAndFiresEvents) {
    int deaths = 0;
    CSmartPtr<CItemCol> col = new CItemCol;
    CSmartPtr<CItem> listener = new CItem;
    col->AddEventListener(listener);
    col->AddEventListener(listener);  // registered twice: told twice
    for (int i = 0; i < 3; ++i) col->AppendItem(new CItem(&deaths, i));
    EXPECT_EQ(listener->sources.size(), 6u);

    ExpectThrowMessage([&] { col->Remove(3); }, "Index 3 is out of range, use 0 - 3");
    col->Remove(1);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(col->Ids(), (std::vector<int>{0, 2}));
    EXPECT_EQ(listener->sources.size(), 8u);

    col->RemoveEventListener(listener);  // removes both registrations
    col->AppendItem(new CItem(&deaths, 3));
    EXPECT_EQ(listener->sources.size(), 8u);

    col->AddEventListener(listener);
    col->Clear();  // one event per item
    EXPECT_EQ(col->GetCount(), 0);
    EXPECT_EQ(deaths, 4);
    EXPECT_EQ(listener->sources.size(), 11u);
    col->Clear();
    EXPECT_EQ(listener->sources.size(), 11u);

    // RemoveNode and the destructor fire nothing; the destructor releases
    // what is left.
    col->AppendItem(new CItem(&deaths, 5));
    col->AppendItem(new CItem(&deaths, 6));
    col->RemoveNode(col->GetNodeAtIndex(0));
    EXPECT_EQ(listener->sources.size(), 13u);
    EXPECT_EQ(col->Ids(), (std::vector<int>{6}));
    col = nullptr;
    EXPECT_EQ(deaths, 6);
    EXPECT_EQ(listener->sources.size(), 13u);
}

// Long lists are indexed for Item(i): every insertion and removal form, at
// both ends and in the middle, checked against a plain vector at every step.
TEST(CollectionTest, IndexedPositionsFollowEveryChange) {
    int deaths = 0;
    CSmartPtr<CItemCol> col = new CItemCol;
    std::vector<int> model;
    unsigned state = 12345;
    const auto next = [&](unsigned n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    };
    for (int step = 0; step < 600; ++step) {
        const int count = static_cast<int>(model.size());
        const unsigned op = count == 0 ? 0 : next(count > 40 ? 7 : 5);
        const int at = count == 0 ? 0 : static_cast<int>(next(static_cast<unsigned>(count)));
        if (op == 0) {
            col->AppendItem(new CItem(&deaths, step));
            model.push_back(step);
        } else if (op == 1) {
            col->PrependItem(new CItem(&deaths, step));
            model.insert(model.begin(), step);
        } else if (op == 2) {
            col->AddItemAt(at, new CItem(&deaths, step));
            model.insert(model.begin() + at, step);
        } else if (op == 3) {
            col->AddAfterItem(col->GetNodeAtIndex(at)->item, new CItem(&deaths, step));
            model.insert(model.begin() + at + 1, step);
        } else if (op == 4) {
            col->AddBeforeItem(col->GetNodeAtIndex(at)->item, new CItem(&deaths, step));
            model.insert(model.begin() + at, step);
        } else if (op == 5) {
            col->Remove(at);
            model.erase(model.begin() + at);
        } else {
            col->Remove(0);
            model.erase(model.begin());
        }
        if (step == 300) {
            col->Clear();
            model.clear();
        }
        ASSERT_EQ(col->GetCount(), static_cast<int>(model.size())) << step;
        ASSERT_EQ(col->Ids(), model) << step;
        for (int i = 0; i < col->GetCount(); ++i) {
            ASSERT_EQ(static_cast<CItem*>(col->GetNodeAtIndex(i)->item)->id,
                      model[static_cast<std::size_t>(i)])
                << step << " " << i;
        }
    }
    const CItemCol copy(*col);
    EXPECT_EQ(copy.Ids(), model);
    // Assigned over a long list whose index starts past removed nodes.
    CSmartPtr<CItemCol> target = new CItemCol;
    for (int i = 0; i < 20; ++i) target->AppendItem(new CItem(&deaths, -1));
    target->Remove(0);
    target->Remove(0);
    *target = copy;
    ASSERT_GE(copy.GetCount(), 16);
    for (int i = 0; i < copy.GetCount(); ++i) {
        EXPECT_EQ(static_cast<CItem*>(copy.GetNodeAtIndex(i)->item)->id,
                  model[static_cast<std::size_t>(i)]);
        EXPECT_EQ(static_cast<CItem*>(target->GetNodeAtIndex(i)->item)->id,
                  model[static_cast<std::size_t>(i)]);
    }
}

// A listener that unregisters another one (and itself) when told.
class CUnregistering : public CItem {
public:
    CXmlCollectionBase* collection = nullptr;
    CXmlObjectBase* victim = nullptr;

protected:
    void OnEvent(CXmlObjectBase* source, MsgType type, void* data) override {
        CItem::OnEvent(source, type, data);
        collection->RemoveEventListener(victim);
        collection->RemoveEventListener(this);
    }
};

TEST(CollectionTest, ListenersRemovedDuringAnEventAreNotCalled) {
    CSmartPtr<CItemCol> col = new CItemCol;
    CSmartPtr<CUnregistering> first = new CUnregistering;
    CSmartPtr<CItem> second = new CItem;
    CSmartPtr<CItem> third = new CItem;
    first->collection = col;
    first->victim = second;
    col->AddEventListener(first);
    col->AddEventListener(second);
    col->AddEventListener(third);
    col->AppendItem(new CItem);
    col->AppendItem(new CItem);
    EXPECT_EQ(first->sources.size(), 1u);
    EXPECT_EQ(second->sources.size(), 0u);
    EXPECT_EQ(third->sources.size(), 2u);
}

TEST(CollectionTest, SameObjectTwiceKeepsTwoReferencesAndIdentityUsesFirstNode) {
    CSmartPtr<CItemCol> col = new CItemCol;
    CSmartPtr<CItem> a = new CItem(nullptr, 1);
    CSmartPtr<CItem> b = new CItem(nullptr, 2);
    col->AppendItem(a);
    col->AppendItem(b);
    col->AppendItem(a);
    EXPECT_EQ(a->Refs(), 3);
    EXPECT_EQ(col->GetNodeForItem(a), col->GetNodeAtIndex(0));
    col->AddAfterItem(a, new CItem(nullptr, 7));
    EXPECT_EQ(col->Ids(), (std::vector<int>{1, 7, 2, 1}));
    col->Clear();
    EXPECT_EQ(a->Refs(), 1);
}

TEST(CollectionTest, CopiesShareItemsWithoutListeners) {
    int deaths = 0;
    CSmartPtr<CItem> listener = new CItem;
    CSmartPtr<CItem> a = new CItem(&deaths, 1);
    CSmartPtr<CItemCol> col = new CItemCol("entry", 1, 5);
    col->AddEventListener(listener);
    col->AppendItem(a);
    col->AppendItem(nullptr);
    CSmartPtr<CItemCol> copy = new CItemCol(*col);  // the implicit copy of a derived class
    EXPECT_EQ(copy->Ids(), (std::vector<int>{1, -1}));
    EXPECT_EQ(copy->GetMaxOccurs(), 5);
    EXPECT_EQ(a->Refs(), 3);
    copy->AppendItem(new CItem(&deaths, 2));  // the copy has no listeners
    EXPECT_EQ(listener->sources.size(), 2u);

    *col = *copy;  // assignment keeps the target's listeners and fires nothing
    CItemCol& alias = *col;
    *col = alias;
    EXPECT_EQ(col->Ids(), (std::vector<int>{1, -1, 2}));
    EXPECT_EQ(a->Refs(), 3);
    EXPECT_EQ(listener->sources.size(), 2u);
    col->Remove(0);
    EXPECT_EQ(listener->sources.size(), 3u);
    col = nullptr;
    copy = nullptr;
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(a->Refs(), 1);
}

// Collections nested in collections, held by a static pointer, are freed
// after main returns, when thread-local state may already be gone.
TEST(CollectionTest, StaticHolderIsFreedAtExit) {
    EXPECT_EXIT(
        {
            static CSmartPtr<CItemCol> held = new CItemCol;
            CItemCol* inner = held;
            for (int i = 0; i < 1000; ++i) {
                CItemCol* next = new CItemCol;
                inner->AppendItem(next);
                inner->AppendItem(new CItem);
                inner = next;
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(CollectionTest, ValidateCountChecksMaximumFirstThenMinimum) {
    CSmartPtr<CItemCol> col = new CItemCol("entry", 2, 3);
    EXPECT_EQ(col->GetMinOccurs(), 2);
    EXPECT_EQ(col->GetMaxOccurs(), 3);
    EXPECT_EQ(col->GetNamespace(), "urn:items");
    CXmlSerializationContext ctx;
    col->AppendItem(new CItem);
    ExpectThrowMessage<CQbValidationException>(
        [&] { col->ValidateCount(ctx); },
        "The Minimum number of [entry] elements allowed in this collection is 2");
    for (int i = 0; i < 2; ++i) col->AppendItem(new CItem);
    EXPECT_NO_THROW(col->ValidateCount(ctx));
    col->AppendItem(new CItem);
    ExpectThrowMessage<CQbValidationException>(
        [&] { col->ValidateCount(ctx); },
        "The Maximum number of [entry] elements allowed in this collection is 3");
    ctx.SetIgnoreInvalidCollectionCounts(true);
    EXPECT_NO_THROW(col->ValidateCount(ctx));

    // Unbounded: never fails the maximum test. Defaults: 0 and -1.
    CSmartPtr<CItemCol> open = new CItemCol;
    EXPECT_EQ(open->GetMinOccurs(), 0);
    EXPECT_EQ(open->GetMaxOccurs(), -1);
    for (int i = 0; i < 50; ++i) open->AppendItem(new CItem);
    EXPECT_NO_THROW(open->ValidateCount(CXmlSerializationContext()));

    ExpectThrowMessage<CQbException>([&] { open->TargetNamespace(); },
                                     "CXmlCollectionBase::GetTargetNamespace Should not be "
                                     "used from within a Collection (program logic error)");
}

TEST(CollectionTest, AttributesOfAllItemsGoOntoTheOpenElement) {
    CSmartPtr<CItemCol> col = new CItemCol;
    col->AppendItem(new CItem(nullptr, 2));
    col->AppendItem(nullptr);
    col->AppendItem(new CItem(nullptr, 1));
    CXmlTextWriter writer;
    writer.SetFormatted(false);
    writer.WriteStartElement("e", "");
    CXmlObjectBase::AttributesToXml_Int(col, &writer, CXmlSerializationContext());
    writer.WriteEndElement();
    EXPECT_EQ(writer.GetXml(), "<e a2=\"20\" a1=\"10\"/>");
}

TEST(CollectionTest, IteratorVisitsEveryItemOnceInBothLoopForms) {
    for (int n = 0; n <= 4; ++n) {
        CSmartPtr<CItemCol> col = new CItemCol;
        std::vector<int> expected;
        for (int i = 0; i < n; ++i) {
            col->AppendItem(new CItem(nullptr, i));
            expected.push_back(i);
        }
        EXPECT_EQ(col->Ids(), expected) << n;  // range-based for

        std::vector<int> seen;
        for (CQbIterator<CItem> it = col->begin(); it != col->end(); ++it) {
            seen.push_back(it->id);
            EXPECT_EQ(*it, (*it)->GetBase());
        }
        EXPECT_EQ(seen, expected) << n;

        seen.clear();
        for (auto it = col->begin(); it != col->end(); it++) seen.push_back((*it)->id);
        EXPECT_EQ(seen, expected) << n;

        // Backwards from end: the last item first.
        seen.clear();
        for (auto it = col->end(); it != col->begin();) seen.insert(seen.begin(), (*--it)->id);
        EXPECT_EQ(seen, expected) << n;

        EXPECT_EQ(col->begin() == col->end(), n == 0);
        EXPECT_EQ(std::distance(col->begin(), col->end()), n);
    }
}

}  // namespace
