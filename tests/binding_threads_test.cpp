// Separate objects serialized on separate threads at the same time, sharing
// the default context (configured before the threads start, with root
// attributes and aliases), the model's metadata, its class factory and the
// pattern cache. Each thread's results must equal those the same work gives
// on one thread. Built under ThreadSanitizer by CI, which fails on any race.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ipo.h"
#include "po.h"
#include "support/ExceptionMessage.h"
#include "support/Files.h"

using namespace QbXmlLib5;

namespace {

const int kThreads = 4;
const int kRounds = 12;
const char kXsi[] = "http://www.w3.org/2001/XMLSchema-instance";

std::string ReadSample(const char* name) {
    return QbTest::ReadFile(std::string(QB_PO_SAMPLES_DIR) + "/" + name);
}

void ConfigureDefaultContext() {
    CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext();
    ctx.GetNamespaceAliases().Add("ipo", Ipo::kTargetNamespace);
    ctx.GetNamespaceAliases().Add("xsi", kXsi);
    CSmartPtr<CAttributeCol> extra = ctx.GetAdditionalRootAttributes();
    if (extra->GetCount() == 0) extra->Add("schemaLocation", "urn:po po.xsd", kXsi);
}

// Every output form, each read back by `read` and written again as text:
// what one round of work on one object produces.
std::vector<std::string> AllForms(const CXmlObjectBase& object, const CXmlSerializationContext& ctx,
                                  const std::function<std::string(const CBinaryData&)>& read) {
    const CBinaryData forms[] = {object.ToXmlStream(true, true, XE_UTF8, EOL_LF, ctx, CT_NONE),
                                 object.ToXmlStream(false, false, XE_UTF16, EOL_CRLF, ctx, CT_GZIP),
                                 object.ToFastInfosetStream(FI_DECL_NONE, ctx, CT_NONE),
                                 object.ToFastInfosetStream(FI_DECL_ENCODING, ctx, CT_ZLIB)};
    std::vector<std::string> results{object.ToXml(false, false, EOL_LF, ctx)};
    for (const CBinaryData& bytes : forms) {
        results.push_back(bytes.GetString());
        results.push_back(read(bytes));
    }
    return results;
}

// One thread's work on purchase orders of its own, varied by `id` (the SKU
// pattern is checked on every write and read).
std::vector<std::string> PurchaseOrders(int id, const CXmlSerializationContext& ctx) {
    CSmartPtr<Po::CPurchaseOrderType> po = new Po::CPurchaseOrderType();
    po->FromXml(ReadSample("po.xml").c_str(), ctx);
    CSmartPtr<Po::CItem> item = po->GetItems()->GetItem()->Item(0);
    item->SetQuantity(id + 1);
    item->SetPartNum((std::to_string(100 + id) + "-AB").c_str());
    item->GetTag()->Add(("thread " + std::to_string(id)).c_str());
    std::vector<std::string> results = AllForms(*po, ctx, [&](const CBinaryData& bytes) {
        CSmartPtr<Po::CPurchaseOrderType> copy = new Po::CPurchaseOrderType();
        copy->FromXmlStream(bytes, ctx);
        return copy->ToXml(false, true, EOL_LF, ctx);
    });
    item->SetPartNum("bad");
    results.push_back(QbTest::FullMessageOf([&] { po->ToXml(false, false, EOL_LF, ctx); }));

    // The international order picks address classes by xsi:type.
    CSmartPtr<Ipo::CPurchaseOrderType> ipo = new Ipo::CPurchaseOrderType();
    ipo->FromXml(ReadSample("ipo.xml").c_str(), ctx);
    ipo->GetItems()->GetItem()->Item(0)->GetOptions()->SetColour(std::to_string(id).c_str());
    for (const std::string& text : AllForms(*ipo, ctx, [&](const CBinaryData& bytes) {
             CSmartPtr<Ipo::CPurchaseOrderType> copy = new Ipo::CPurchaseOrderType();
             copy->FromXmlStream(bytes, ctx);
             return copy->ToXml(false, true, EOL_LF, ctx);
         })) {
        results.push_back(text);
    }
    return results;
}

// The same with untyped elements: a document read whole, and a tree built
// by hand.
std::vector<std::string> Untyped(int id, const CXmlSerializationContext& ctx) {
    const auto read = [&](const CBinaryData& bytes) {
        CSmartPtr<CElement> copy = new CElement("x");
        copy->FromXmlStream(bytes, ctx);
        return copy->ToXml(false, true, EOL_LF, ctx);
    };
    CSmartPtr<CElement> doc = new CElement("x");
    doc->FromXml(ReadSample("ipo.xml").c_str(), ctx);
    doc->GetAttributes()->Add("thread", std::to_string(id).c_str(), "urn:test");
    std::vector<std::string> results = AllForms(*doc, ctx, read);

    CSmartPtr<CElement> built = new CElement("root", "urn:built");
    CElement* leaf = built;
    for (int i = 0; i <= id * 3; ++i) {
        leaf = leaf->GetChildElements()->Add("level", i % 2 ? "urn:odd" : "urn:built");
        leaf->SetText(("text " + std::to_string(i)).c_str());
    }
    for (const std::string& text : AllForms(*built, ctx, read)) results.push_back(text);
    return results;
}

typedef std::vector<std::string> (*Work)(int, const CXmlSerializationContext&);

// Runs `work` on kThreads threads for kRounds rounds each, half of them with
// the default context and half with a copy made on the thread, and returns
// how many rounds differed from the single-threaded results.
int MismatchesOnThreads(Work work) {
    const CXmlSerializationContext& shared = CXmlSerializationContext::GetDefaultContext();
    std::vector<std::vector<std::string>> expected;
    for (int id = 0; id < kThreads; ++id) expected.push_back(work(id, shared));

    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int id = 0; id < kThreads; ++id) {
        threads.emplace_back([&, id] {
            for (int round = 0; round < kRounds; ++round) {
                try {
                    const CXmlSerializationContext copy(shared);
                    const bool same = work(id, round % 2 ? copy : shared) == expected[id];
                    mismatches[id] += same ? 0 : 1;
                } catch (const CQbException&) {
                    ++mismatches[id];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    int total = 0;
    for (int count : mismatches) total += count;
    return total;
}

}  // namespace

TEST(Threads, GeneratedObjectsOnSeveralThreadsShareTheDefaultContext) {
    ConfigureDefaultContext();
    const std::vector<std::string> one = PurchaseOrders(1, CXmlSerializationContext());
    EXPECT_NE(one[0].find("<quantity>2</quantity>"), std::string::npos);
    const std::vector<std::string> shared =
        PurchaseOrders(1, CXmlSerializationContext::GetDefaultContext());
    EXPECT_NE(shared[0].find("<purchaseOrder xmlns:ipo=\"http://www.example.com/IPO\" "
                             "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                             "xsi:schemaLocation=\"urn:po po.xsd\""),
              std::string::npos)
        << shared[0];
    EXPECT_NE(shared[9].find("Invalid Value for partNum [bad]"), std::string::npos) << shared[9];
    EXPECT_EQ(MismatchesOnThreads(PurchaseOrders), 0);
}

TEST(Threads, UntypedElementsOnSeveralThreads) {
    ConfigureDefaultContext();
    EXPECT_EQ(MismatchesOnThreads(Untyped), 0);
}
