// The purchase-order model (examples/purchase_order) against the Primer's
// samples: every form of output reads back to the same object, libxml2 sees
// the sample's infoset in what the model writes, invalid documents get their
// message chains, and no reference outlives its holder.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ipo.h"
#include "po.h"
#include "support/ExceptionMessage.h"

#ifdef QB_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#endif

using namespace QbXmlLib5;

namespace {

const char kXsi[] = "http://www.w3.org/2001/XMLSchema-instance";

std::string ReadSample(const char* name) {
    std::ifstream in(std::string(QB_PO_SAMPLES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

CXmlSerializationContext Context() {
    CXmlSerializationContext ctx;
    ctx.GetNamespaceAliases().Add("ipo", Ipo::kTargetNamespace);
    ctx.GetNamespaceAliases().Add("xsi", kXsi);
    return ctx;
}

typedef std::function<CBinaryData(const CXmlObjectBase&, const CXmlSerializationContext&)> Writer;

struct Form {
    const char* name;
    Writer write;
};

const Form kForms[] = {
    {"text",
     [](const CXmlObjectBase& o, const CXmlSerializationContext& c) {
         return o.ToXmlStream(true, true, XE_UTF8, EOL_LF, c, CT_NONE);
     }},
    {"utf16",
     [](const CXmlObjectBase& o, const CXmlSerializationContext& c) {
         return o.ToXmlStream(true, false, XE_UTF16, EOL_CRLF, c, CT_NONE);
     }},
    {"gzip",
     [](const CXmlObjectBase& o, const CXmlSerializationContext& c) {
         return o.ToXmlStream(true, false, XE_UTF8, EOL_LF, c, CT_GZIP);
     }},
    {"fastinfoset",
     [](const CXmlObjectBase& o, const CXmlSerializationContext& c) {
         return o.ToFastInfosetStream(FI_DECL_NONE, c, CT_NONE);
     }},
    {"fastinfoset-zlib",
     [](const CXmlObjectBase& o, const CXmlSerializationContext& c) {
         return o.ToFastInfosetStream(FI_DECL_ENCODING, c, CT_ZLIB);
     }},
};

#ifdef QB_HAVE_LIBXML2
// The infoset of an element as one string: expanded names, attributes
// sorted (xsi:type resolved to its expanded name), text of leaves with
// surrounding whitespace trimmed, children in order (sorted for the
// all-group options, whose order carries no meaning).
std::string Infoset(xmlNode* node) {
    auto str = [](const xmlChar* s) {
        return std::string(s ? reinterpret_cast<const char*>(s) : "");
    };
    std::string out = "<{" + (node->ns ? str(node->ns->href) : "") + "}" + str(node->name);
    std::vector<std::string> attributes;
    for (xmlAttr* a = node->properties; a; a = a->next) {
        xmlChar* raw = xmlNodeGetContent(reinterpret_cast<xmlNode*>(a));
        std::string value = str(raw);
        xmlFree(raw);
        const std::string ns = a->ns ? str(a->ns->href) : "";
        const std::size_t colon = value.find(':');
        if (ns == kXsi && str(a->name) == "type" && colon != std::string::npos) {
            xmlNs* bound = xmlSearchNs(node->doc, node, BAD_CAST value.substr(0, colon).c_str());
            value = "{" + (bound ? str(bound->href) : "?") + "}" + value.substr(colon + 1);
        }
        attributes.push_back(" {" + ns + "}" + str(a->name) + "=" + value);
    }
    std::sort(attributes.begin(), attributes.end());
    std::vector<std::string> children;
    for (xmlNode* c = node->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE) children.push_back(Infoset(c));
    }
    if (str(node->name) == "options") std::sort(children.begin(), children.end());
    for (const std::string& a : attributes) out += a;
    out += ">";
    for (const std::string& c : children) out += c;
    if (children.empty()) {
        xmlChar* raw = xmlNodeGetContent(node);
        std::string text = str(raw);
        xmlFree(raw);
        const std::size_t b = text.find_first_not_of(" \t\r\n");
        out +=
            b == std::string::npos ? "" : text.substr(b, text.find_last_not_of(" \t\r\n") - b + 1);
    }
    return out + "</>";
}

std::string Infoset(const std::string& xml) {
    xmlDoc* doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "po.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc == nullptr) return "(not well-formed)";
    std::string out = Infoset(xmlDocGetRootElement(doc));
    xmlFreeDoc(doc);
    return out;
}
#endif

template <class T>
void ExpectRoundTrips(const char* sample) {
    const CXmlSerializationContext ctx = Context();
    const std::string original = ReadSample(sample);
    CSmartPtr<T> order = new T();
    order->FromXml(original.c_str(), ctx);
    const std::string written = order->ToXml(true, true, EOL_LF, ctx);
#ifdef QB_HAVE_LIBXML2
    EXPECT_EQ(Infoset(written), Infoset(original)) << written;
#endif
    for (const Form& form : kForms) {
        CSmartPtr<T> copy = new T();
        copy->FromXmlStream(form.write(*order, ctx), ctx);
        EXPECT_EQ(copy->ToXml(true, true, EOL_LF, ctx), written) << sample << " as " << form.name;
    }
}

TEST(PoModel, SamplesSurviveEveryForm) {
    ExpectRoundTrips<Po::CPurchaseOrderType>("po.xml");
    ExpectRoundTrips<Ipo::CPurchaseOrderType>("ipo.xml");
}

TEST(PoModel, SampleValuesReachTheProperties) {
    CSmartPtr<Ipo::CPurchaseOrderType> ipo = new Ipo::CPurchaseOrderType();
    ipo->FromXml(ReadSample("ipo.xml").c_str(), Context());
    CSmartPtr<Ipo::CShipAndBill> addresses = ipo->GetChoice()->GetShipAndBill();
    ASSERT_TRUE(addresses);
    auto* uk = dynamic_cast<Ipo::CUKAddress*>(addresses->GetShipTo().GetPtr());
    auto* us = dynamic_cast<Ipo::CUSAddress*>(addresses->GetBillTo().GetPtr());
    ASSERT_TRUE(uk && us);
    EXPECT_EQ(uk->GetPostcode(), "CB1 1JR");
    EXPECT_EQ(us->GetState(), Ipo::USState_PA);
    CSmartPtr<Ipo::CItem> item = ipo->GetItems()->GetItem()->Item(0);
    EXPECT_EQ(item->GetDeliveryDate()->GetCount(), 2);
    EXPECT_EQ(item->GetOptions()->GetEngraving(), "For Helen");
    EXPECT_TRUE(item->GetOptions()->GetGiftWrap());
    EXPECT_FALSE(item->GetOptions()->IsValidColour());
    EXPECT_EQ(item->GetDescription()->GetAny()->Item(0)->GetText(),
              "Lapis lazuli on a silver chain.");
    EXPECT_EQ(item->GetDescription()->GetAnyAttribute()->Item(0)->GetValue(), "Necklace");
}

struct InvalidCase {
    bool ipo;  // which model reads it
    const char* xml;
    const char* where;    // the location that leads the chain
    const char* message;  // GetFullMessage after it
    // The context switch that lets the document through, if any.
    void (*relax)(CXmlSerializationContext& ctx);
};

#define PO_ADDR(tag) \
    "<" tag "><name>A</name><street>B</street><city>C</city><state>CA</state><zip>1</zip></" tag ">"
#define IPO_OPEN                                                            \
    "<ipo:purchaseOrder xmlns:ipo='http://www.example.com/IPO' xmlns:xsi='" \
    "http://www.w3.org/2001/XMLSchema-instance'>"
#define IPO_ADDR(tag, type) \
    "<" tag " xsi:type='ipo:" type "'><name>A</name><street>B</street><city>C</city>"
#define IPO_ITEM(content) \
    IPO_OPEN IPO_ADDR("singleAddress", "Address") "</singleAddress><items><item "         \
    "partNum='123-AB'><productName>P</productName><quantity>1</quantity><USPrice>1" \
    "</USPrice>" content "</item></items></ipo:purchaseOrder>"

// clang-format off
const InvalidCase kInvalid[] = {
    {false, "<purchaseOrder>" PO_ADDR("shipTo") "<items/></purchaseOrder>", "line 1, column 1: /purchaseOrder",
     "Failed to process the element [purchaseOrder]\nFailed to find a required element [billTo]",
     [](CXmlSerializationContext& ctx) { ctx.SetIgnoreMissingMandatoryElements(true); }},
    {false,
     "<purchaseOrder>" PO_ADDR("shipTo") PO_ADDR("billTo") "<items/><extra/></purchaseOrder>",
     "line 1, column 208: /purchaseOrder/extra",
     "Failed to process the element [purchaseOrder]\nFailed read all the elements held within "
     "the element [purchaseOrder]. The unexpected element [extra] remains un processed",
     [](CXmlSerializationContext& ctx) { ctx.SetIgnoreUnknownElements(true); }},
    {false,
     "<purchaseOrder>" PO_ADDR("shipTo") PO_ADDR("billTo") "<items><item><productName>P"
     "</productName><quantity>1</quantity><USPrice>1</USPrice></item></items></purchaseOrder>",
     "line 1, column 207: /purchaseOrder/items/item",
     "Failed to process the element [purchaseOrder]\nFailed to process the element [items]\n"
     "Failed to process the element [item]\nFailed to find the required Attribute [partNum]",
     nullptr},
    {false,
     "<purchaseOrder>" PO_ADDR("shipTo") PO_ADDR("billTo") "<items><item partNum='12-AB'>"
     "<productName>P</productName><quantity>1</quantity><USPrice>1</USPrice></item></items>"
     "</purchaseOrder>",
     "line 1, column 207: /purchaseOrder/items/item/@partNum",
     "Failed to process the element [purchaseOrder]\nFailed to process the element [items]\n"
     "Failed to process the element [item]\nInvalid Value for partNum [12-AB]",
     [](CXmlSerializationContext& ctx) { ctx.SetIgnoreInvalidValues(true); }},
    {false,
     "<purchaseOrder>" PO_ADDR("shipTo") PO_ADDR("billTo") "<items><item partNum='123-AB'>"
     "<productName>P</productName><quantity>100</quantity><USPrice>1</USPrice></item></items>"
     "</purchaseOrder>",
     "line 1, column 258: /purchaseOrder/items/item/quantity",
     "Failed to process the element [purchaseOrder]\nFailed to process the element [items]\n"
     "Failed to process the element [item]\nInvalid Value for quantity [100]",
     [](CXmlSerializationContext& ctx) { ctx.SetIgnoreInvalidValues(true); }},
    {true,
     IPO_OPEN IPO_ADDR("singleAddress", "CAAddress") "</singleAddress><items/></ipo:purchaseOrder>",
     "line 1, column 1: /purchaseOrder",
     "Failed to process the element [purchaseOrder]\nFailed to find a required element "
     "[Choice]",
     nullptr},
    {true, IPO_ITEM("<options><colour>red</colour></options>"), "line 1, column 313: /purchaseOrder/items/item/options",
     "Failed to process the element [purchaseOrder]\nFailed to process the element [items]\n"
     "Failed to process the element [item]\nFailed to process the element [options]\n"
     "Failed to find the mandatory element [giftWrap]",
     nullptr},
    {true, IPO_ITEM("<description xmlns:h='urn:other' h:x='1'/>"), "line 1, column 313: /purchaseOrder/items/item/description/@x",
     "Failed to process the element [purchaseOrder]\nFailed to process the element [items]\n"
     "Failed to process the element [item]\nFailed to process the element [description]\n"
     "Invalid namespace [urn:other]. The namespace must be one of "
     "[http://www.w3.org/1999/xhtml] where the target namespace is "
     "[http://www.example.com/IPO]",
     nullptr},
};
// clang-format on

std::string Outcome(const InvalidCase& c, const CXmlSerializationContext& ctx) {
    try {
        CSmartPtr<CXmlObjectBase> order;
        if (c.ipo) {
            order = new Ipo::CPurchaseOrderType();
        } else {
            order = new Po::CPurchaseOrderType();
        }
        order->FromXml(c.xml, ctx);
    } catch (const CQbException& e) {
        return e.GetFullMessage();
    }
    return "(accepted)";
}

TEST(PoModel, InvalidDocumentsAreRefusedWithTheirChain) {
    for (const InvalidCase& c : kInvalid) {
        // Where the refusal happened, then the chain to the fault.
        const std::string expected =
            std::string("Failed to read the document at ") + c.where + "\n" + c.message;
        const std::string message = Outcome(c, Context());
        EXPECT_EQ(message.substr(0, expected.size()), expected) << c.xml;
        if (c.relax != nullptr) {
            CXmlSerializationContext relaxed = Context();
            c.relax(relaxed);
            EXPECT_EQ(Outcome(c, relaxed), "(accepted)") << c.xml;
        }
    }
}

// A value read with the facet check turned off is still refused on the way
// out: what the library writes is valid.
TEST(PoModel, ValuesReadUncheckedAreRefusedWhenWritten) {
    CXmlSerializationContext unchecked = Context();
    unchecked.SetIgnoreInvalidValues(true);
    std::string xml = ReadSample("po.xml");
    const std::size_t sku = xml.find("872-AA");
    ASSERT_NE(sku, std::string::npos);
    xml.replace(sku, 6, "872-aa");
    CSmartPtr<Po::CPurchaseOrderType> po = new Po::CPurchaseOrderType();
    EXPECT_THROW(po->FromXml(xml.c_str(), Context()), CQbValidationException);
    po->FromXml(xml.c_str(), unchecked);
    EXPECT_EQ(po->GetItems()->GetItem()->Item(0)->GetPartNum(), "872-aa");
    const std::string message =
        QbTest::FullMessageOf([&] { po->ToXml(false, false, EOL_LF, unchecked); });
    EXPECT_NE(message.find("Invalid Value for partNum [872-aa]"), std::string::npos) << message;
}

// A nil object is refused where its element is not nillable: a single
// member and an item of a collection.
TEST(PoModel, NilObjectsWhereNoneMayBeAreRefusedWhenWritten) {
    for (const char* name : {"shipTo", "item"}) {
        CSmartPtr<Po::CPurchaseOrderType> po = new Po::CPurchaseOrderType();
        po->FromXml(ReadSample("po.xml").c_str(), Context());
        CSmartPtr<CXmlGeneratedClass> nil;
        if (std::string(name) == "item") {
            nil = po->GetItems()->GetItem()->Item(1).GetPtr();
        } else {
            nil = po->GetShipTo().GetPtr();
        }
        nil->SetNil(true);
        const std::string message =
            QbTest::FullMessageOf([&] { po->ToXml(false, false, EOL_LF, Context()); });
        EXPECT_NE(
            message.find(std::string("The element [") + name + "] is nil, but it is not nillable"),
            std::string::npos)
            << message;
    }
}

TEST(PoModel, ReferencesEndWithTheirHolders) {
    CSmartPtr<Po::CPurchaseOrderType> po = new Po::CPurchaseOrderType();
    po->FromXml(ReadSample("po.xml").c_str());
    CSmartPtr<Po::CItemCol> items = po->GetItems()->GetItem();
    CSmartPtr<Po::CItem> first = items->Item(0);
    CSmartPtr<CstringCol> tags = first->GetTag();
    po = nullptr;
    items = nullptr;
    // Only this test's pointers are left.
    EXPECT_EQ(first->AddRef(), 2);
    EXPECT_EQ(first->Release(), 1);
    EXPECT_EQ(tags->AddRef(), 3);  // the item and this test
    EXPECT_EQ(tags->Release(), 2);
    // A refused setter keeps no reference.
    CSmartPtr<Po::CPurchaseOrderType> other = new Po::CPurchaseOrderType();
    CSmartPtr<Po::CUSAddress> misnamed = new Po::CUSAddress("billTo");
    EXPECT_THROW(other->SetShipTo(misnamed), CQbInvalidParamException);
    EXPECT_EQ(misnamed->AddRef(), 2);
    EXPECT_EQ(misnamed->Release(), 1);
}

}  // namespace
