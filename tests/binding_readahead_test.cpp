// Reading generated objects while the document loads (CReadAhead) must be
// invisible: for every document, every form and every leniency switch, a
// read gives the objects, or the message chain and location, that reading
// the whole tree gives. The whole-tree oracle loads the document itself and
// hands its root to FromXmlElement, which never reads ahead. Optional
// collections created only when needed are checked here too.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "binding/CElement.h"
#include "ledger.h"
#include "po.h"
#include "support/ExceptionMessage.h"
#include "types/CBinaryData.h"
#include "xml/CXmlDocument.h"

using namespace QbXmlLib5;
using QbTest::FullMessageOf;

namespace {

// A purchase order of `count` items; `item(i)` may replace the text of
// item i, and `tail` is written after the items, inside <items>.
std::string Order(int count, const std::function<std::string(int)>& item = nullptr,
                  const std::string& shipToName = "Alice", const std::string& tail = "") {
    std::string text =
        "<purchaseOrder orderDate=\"1999-10-20\">\n"
        "  <shipTo country=\"US\"><name>" +
        shipToName +
        "</name><street>1 Main</street><city>Town</city><state>CA</state><zip>90952</zip>"
        "</shipTo>\n"
        "  <billTo country=\"US\"><name>Bob</name><street>2 Main</street><city>Town</city>"
        "<state>CA</state><zip>90952</zip></billTo>\n"
        "  <items>\n";
    for (int i = 0; i < count; ++i) {
        std::string own = item ? item(i) : std::string();
        if (own.empty()) {
            own = "<item partNum=\"" + std::to_string(100 + i) + "-AB\"><productName>P" +
                  std::to_string(i) + "</productName><quantity>" + std::to_string(1 + i % 50) +
                  "</quantity><USPrice>1.50</USPrice>" +
                  (i % 3 == 0 ? "<tag>a</tag><tag>b</tag>" : "") + "</item>";
        }
        text += "    " + own + "\n";
    }
    return text + tail + "  </items>\n</purchaseOrder>\n";
}

std::function<std::string(int)> At(int index, const std::string& replacement) {
    return [=](int i) { return i == index ? replacement : std::string(); };
}

struct Form {
    const char* name;
    std::function<CBinaryData(const std::string&)> bytes;  // empty: read the text itself
};

CBinaryData FastInfoset(const std::string& text) {
    // An untyped element carries any document, valid for the model or not.
    CSmartPtr<CElement> tree = new CElement("");
    tree->FromXml(text.c_str());
    return tree->ToFastInfosetStream(FI_DECL_NONE);
}

const Form kForms[] = {
    {"text", nullptr},
    {"gzip",
     [](const std::string& text) {
         CBinaryData plain(reinterpret_cast<const unsigned char*>(text.data()), text.size());
         return plain.CompressData(CT_GZIP);
     }},
    {"fastinfoset", FastInfoset},
};

// What a read left: the full message chain, or the objects as text.
std::string Outcome(const std::function<void(Po::CPurchaseOrderType&)>& read) {
    CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
    const std::string message = FullMessageOf([&] { read(*order); });
    if (message != "(no exception)") return message;
    // What a lenient read kept may not be writable: that counts as well.
    std::string written;
    const std::string refused =
        FullMessageOf([&] { written = order->ToXml(false, false, EOL_LF); });
    return written.empty() ? "not written: " + refused : written;
}

std::string ReadAhead(const Form& form, const std::string& text,
                      const CXmlSerializationContext& ctx) {
    return Outcome([&](Po::CPurchaseOrderType& order) {
        if (!form.bytes) {
            order.FromXml(text.c_str(), ctx);
        } else {
            order.FromXmlStream(form.bytes(text), ctx);
        }
    });
}

std::string ReadWholeTree(const Form& form, const std::string& text,
                          CXmlSerializationContext& ctx) {
    return Outcome([&](Po::CPurchaseOrderType& order) {
        CXmlDocument document(ctx.GetSchemaType());
        document.SetKeepLineNumbers(true);
        if (!form.bytes) {
            document.LoadXml(text.c_str());
        } else {
            const CBinaryData bytes = form.bytes(text);
            document.LoadXmlStream(bytes.GetData(), bytes.GetLength());
        }
        order.FromXmlElement(document.GetDocumentElement(), ctx);
    });
}

struct Case {
    const char* what;
    std::string text;
    const char* expected;  // a piece of the outcome, to know the case tests what it says
};

std::vector<Case> Cases() {
    const std::string good =
        "<productName>P</productName><quantity>1</quantity>"
        "<USPrice>1</USPrice>";
    const std::string bad = "<item partNum=\"bad\">" + good + "</item>";
    return {
        {"valid", Order(40), "<item partNum=\"139-AB\">"},
        {"no items", Order(0), "<items/>"},
        {"one item", Order(1), "<item partNum=\"100-AB\">"},
        {"facet of item 7", Order(12, At(6, "<item partNum=\"1-AB\">x</item>")), "items/item[7]"},
        {"value of item 3",
         Order(9, At(2,
                     "<item partNum=\"102-AB\"><productName>P</productName><quantity>100"
                     "</quantity><USPrice>1</USPrice></item>")),
         "item[3]/quantity"},
        {"attribute of the first item",
         Order(5, At(0, "<item partNum=\"bad\">" + good + "</item>")), "item[1]/@partNum"},
        {"missing member of the last item",
         Order(6, At(5, "<item partNum=\"105-AB\"><quantity>1</quantity></item>")), "item[6]"},
        {"unknown element in item 2",
         Order(4, At(1, "<item partNum=\"101-AB\">" + good + "<bogus/></item>")), "bogus"},
        {"two faulty items: the first is reported",
         Order(8,
               [&](int i) {
                   return i == 2 || i == 6
                              ? "<item partNum=\"x" + std::to_string(i) + "\">" + good + "</item>"
                              : std::string();
               }),
         "[x2]"},
        {"a fault before the items comes first",
         Order(5, At(3, "<item partNum=\"bad\">" + good + "</item>"),
               "Alice</name><bogus/><name>Alice"),
         "shipTo"},
        {"an element between runs of items",
         Order(6, nullptr, "Alice", "<stray/><item partNum=\"200-AB\">" + good + "</item>"),
         "stray"},
        {"an item after an unexpected element", Order(3, At(1, "<other/>")), "other"},
        {"a nil item",
         Order(4, At(2,
                     "<item partNum=\"102-AB\" xmlns:xsi=\"http://www.w3.org/"
                     "2001/XMLSchema-instance\" xsi:nil=\"true\"/>")),
         "nil"},
        // Runs longer than the batches they are read in: faults at each
        // place of a batch, and a run cut short by another element.
        {"valid, several batches", Order(100), "<item partNum=\"199-AB\">"},
        {"a fault first in a batch", Order(80, At(1, bad)), "item[2]"},
        {"a fault inside a batch", Order(80, At(16, bad)), "item[17]"},
        {"a fault last in a batch", Order(80, At(32, bad)), "item[33]"},
        {"a fault after a batch", Order(80, At(33, bad)), "item[34]"},
        {"a fault among the items held at the end", Order(80, At(75, bad)), "item[76]"},
        {"a long run cut short by an element",
         Order(50, nullptr, "Alice", "<stray/><item partNum=\"200-AB\">" + good + "</item>"),
         "stray"},
        {"truncated document", Order(10).substr(0, 700), "at line"},
        {"not well-formed inside an item", Order(5, At(3, "<item partNum=\"1\"><a></b></item>")),
         "mismatched tag"},
    };
}

struct Leniency {
    const char* name;
    std::function<void(CXmlSerializationContext&)> apply;
};

const Leniency kLeniencies[] = {
    {"strict", [](CXmlSerializationContext&) {}},
    {"unknown elements ignored",
     [](CXmlSerializationContext& c) { c.SetIgnoreUnknownElements(true); }},
    {"invalid values ignored",
     [](CXmlSerializationContext& c) {
         c.SetIgnoreInvalidValues(true);
         c.SetIgnoreUnknownAttributes(true);
     }},
    {"missing elements ignored",
     [](CXmlSerializationContext& c) { c.SetIgnoreMissingMandatoryElements(true); }},
};

TEST(ReadAhead, EveryOutcomeIsThatOfTheWholeTree) {
    for (const Case& c : Cases()) {
        // In the strict form, the case must show what it is about.
        CXmlSerializationContext strict;
        const std::string outcome = ReadAhead(kForms[0], c.text, strict);
        EXPECT_NE(outcome.find(c.expected), std::string::npos) << c.what << ": " << outcome;
        for (const Leniency& leniency : kLeniencies) {
            for (const Form& form : kForms) {
                CXmlSerializationContext ctx;
                leniency.apply(ctx);
                EXPECT_EQ(ReadAhead(form, c.text, ctx), ReadWholeTree(form, c.text, ctx))
                    << c.what << ", " << leniency.name << ", " << form.name;
            }
        }
    }
}

TEST(ReadAhead, ReadsAgainIntoTheSameObject) {
    // The second read replaces the first, read ahead or not.
    CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
    order->FromXml(Order(30).c_str());
    order->FromXml(Order(3).c_str());
    EXPECT_EQ(order->GetItems()->GetItem()->GetCount(), 3);
    EXPECT_EQ(order->GetItems()->GetItem()->Item(2)->GetProductName(), "P2");
    // An item read ahead that fails is reported when its turn comes.
    EXPECT_NE(
        FullMessageOf([&] { order->FromXml(Order(5, At(4, "<item/>")).c_str()); }).find("item[5]"),
        std::string::npos);
}

// A document the library's own parser gives up on late (a declaration of the
// prefix xml, which it leaves to Expat) is read again from the start by
// Expat: what was read ahead so far is dropped, not kept twice or mixed in.
TEST(ReadAhead, StartsOverWhenTheParserChanges) {
    const auto declaring = [](std::string text, int item) {
        const std::string tag = "<item partNum=\"" + std::to_string(100 + item) + "-AB\"";
        return text.replace(text.find(tag), 5,
                            "<item xmlns:xml=\"http://www.w3.org/XML/1998/namespace\"");
    };
    const auto read = [](const std::string& text) {
        return Outcome([&](Po::CPurchaseOrderType& order) { order.FromXml(text.c_str()); });
    };
    EXPECT_EQ(read(declaring(Order(40), 30)), read(Order(40)));
    const std::string faulty = Order(40, At(35, "<item partNum=\"bad\"/>"));
    EXPECT_EQ(read(declaring(faulty, 30)), read(faulty));
    EXPECT_NE(read(faulty).find("item[36]"), std::string::npos);
}

// A compressed document is read as it inflates: damaged near its end, it
// does not inflate, and is read as it is (as text, which it is not), however
// many items were read ahead by then.
TEST(ReadAhead, StartsOverWhenTheInputDoesNotInflate) {
    const std::string text = Order(4000);  // inflates to more than one piece
    const CBinaryData packed = kForms[1].bytes(text);
    std::vector<unsigned char> gz(packed.GetData(), packed.GetData() + packed.GetLength());
    const auto read = [](const std::vector<unsigned char>& bytes) {
        return Outcome([&](Po::CPurchaseOrderType& order) {
            order.FromXmlStream(bytes.data(), static_cast<unsigned long>(bytes.size()));
        });
    };
    const std::string whole = read(gz);
    EXPECT_EQ(whole, read(std::vector<unsigned char>(text.begin(), text.end())));
    gz[gz.size() - 6] ^= 0x55;  // the checksum
    const std::string damaged = read(gz);
    EXPECT_NE(damaged.find("not well-formed (invalid token) at line 1"), std::string::npos)
        << damaged;
}

// Two runs in a row, of two collections of one class: each run goes to its
// own collection, however the batches fall.
TEST(ReadAhead, RunsOfTwoCollectionsInARowStayApart) {
    for (const int entries : {1, 2, 31, 32, 33, 70}) {
        std::string text =
            "<ledger xmlns=\"urn:ledger\"><title>t</title><entries><opening>1</opening>";
        for (int i = 1; i <= entries + 40; ++i) {
            text += std::string(i <= entries ? "<entry" : "<adjustment") + " id=\"" +
                    std::to_string(i) + "\"><amount>1</amount></" +
                    (i <= entries ? "entry>" : "adjustment>");
        }
        text += "<closing>2</closing></entries><signature>s</signature></ledger>";
        CSmartPtr<Ledger::CLedger> ledger = new Ledger::CLedger("ledger");
        ledger->FromXml(text.c_str());
        const auto& run = *ledger->GetEntries();
        ASSERT_EQ(run.GetEntry()->GetCount(), entries);
        ASSERT_EQ(run.GetAdjustment()->GetCount(), 40);
        EXPECT_EQ(run.GetAdjustment()->Item(0)->GetId().ToString(), std::to_string(entries + 1));
    }
}

// The tag collection as the item holds it, without creating it.
CXmlCollectionBase* Peek(const CSmartPtr<Po::CItem>& item) {
    const CXmlGeneratedClass& object = *item;
    return object.PeekCollection(Po::CItem::PropTag);
}

TEST(CollectionsWhenNeeded, CreatedOnlyWhenAskedFor) {
    CSmartPtr<Po::CItem> item = new Po::CItem();
    item->SetPartNum("123-AB");
    item->SetProductName("P");
    item->SetQuantity(CBigInteger("1"));
    EXPECT_EQ(Peek(item), nullptr);
    // Writing an object with no collection creates none, and writes no tag.
    const std::string written = item->ToXml(false, false, EOL_LF);
    EXPECT_EQ(written.find("<tag"), std::string::npos) << written;
    EXPECT_EQ(Peek(item), nullptr);
    // Asking creates it once; the same collection is kept and written.
    CSmartPtr<CstringCol> tags = item->GetTag();
    ASSERT_NE(tags.GetPtr(), nullptr);
    EXPECT_EQ(item->GetTag().GetPtr(), tags.GetPtr());
    EXPECT_EQ(Peek(item), tags.GetPtr());
    tags->Add("t1");
    EXPECT_NE(item->ToXml(false, false, EOL_LF).find("<tag>t1</tag>"), std::string::npos);

    // Reading creates it only for an element of its name; reading again
    // starts from none.
    CSmartPtr<Po::CItem> read = new Po::CItem();
    read->FromXml(
        "<item partNum=\"123-AB\"><productName>P</productName><quantity>1</quantity>"
        "<USPrice>1</USPrice><tag>x</tag><tag>y</tag></item>");
    ASSERT_NE(Peek(read), nullptr);
    EXPECT_EQ(read->GetTag()->GetCount(), 2);
    read->FromXml(
        "<item partNum=\"123-AB\"><productName>P</productName><quantity>1</quantity>"
        "<USPrice>1</USPrice></item>");
    EXPECT_EQ(Peek(read), nullptr);
    EXPECT_EQ(read->GetTag()->GetCount(), 0);

    // A copy shares what the original holds, as with any collection.
    Po::CItem copy(*item);
    EXPECT_EQ(copy.GetTag()->GetCount(), 1);
}

}  // namespace
