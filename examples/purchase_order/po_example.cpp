// The purchase-order model at work: reads the Primer's po.xml and ipo.xml
// into their model classes, changes a value, writes each as XML text, gzip
// and Fast Infoset, reads every form back and shows that nothing changed;
// then feeds three invalid documents and prints what the library says.
//
// Usage: po_example [directory holding po.xml and ipo.xml]
#include <cstdio>
#include <functional>
#include <string>

#include "ipo.h"
#include "po.h"

using namespace QbXmlLib5;

namespace {

// ipo.xml declares these prefixes; declaring them on the root again keeps the
// written document close to the original.
CXmlSerializationContext IpoContext() {
    CXmlSerializationContext ctx;
    ctx.GetNamespaceAliases().Add("ipo", Ipo::kTargetNamespace);
    ctx.GetNamespaceAliases().Add("xsi", "http://www.w3.org/2001/XMLSchema-instance");
    ctx.GetNamespaceAliases().Add("h", "http://www.w3.org/1999/xhtml");
    return ctx;
}

struct Form {
    const char* name;
    std::function<CBinaryData(const CXmlObjectBase&, const CXmlSerializationContext&)> write;
};

const Form kForms[] = {
    {"XML text",
     [](const CXmlObjectBase& o, const CXmlSerializationContext& c) {
         return o.ToXmlStream(true, true, XE_UTF8, EOL_LF, c, CT_NONE);
     }},
    {"gzip",
     [](const CXmlObjectBase& o, const CXmlSerializationContext& c) {
         return o.ToXmlStream(true, false, XE_UTF8, EOL_LF, c, CT_GZIP);
     }},
    {"Fast Infoset",
     [](const CXmlObjectBase& o, const CXmlSerializationContext& c) {
         return o.ToFastInfosetStream(FI_DECL_NONE, c, CT_NONE);
     }},
};

// Writes `order` in every form, reads each back into a fresh object made by
// `make` and compares the XML of the copy with the original's. Returns the
// number of forms that changed the document.
template <class T>
int RoundTrips(const T& order, const CXmlSerializationContext& ctx) {
    const std::string expected = order.ToXml(false, true, EOL_LF, ctx);
    int failures = 0;
    for (const Form& form : kForms) {
        CBinaryData bytes = form.write(order, ctx);
        CSmartPtr<T> copy = new T();
        copy->FromXmlStream(bytes, ctx);
        const bool same = copy->ToXml(false, true, EOL_LF, ctx) == expected;
        std::printf("  %-13s %6zu bytes, read back %s\n", form.name,
                    static_cast<std::size_t>(bytes.GetLength()), same ? "unchanged" : "CHANGED");
        failures += same ? 0 : 1;
    }
    return failures;
}

int ShowPo(const std::string& dir) {
    CSmartPtr<Po::CPurchaseOrderType> po = new Po::CPurchaseOrderType();
    po->FromXmlFile((dir + "/po.xml").c_str());
    CSmartPtr<Po::CItem> mower = po->GetItems()->GetItem()->Item(0);
    std::printf("po.xml: %d items, ship to %s; %s quantity %s -> 2\n",
                po->GetItems()->GetItem()->GetCount(), po->GetShipTo()->GetName().c_str(),
                mower->GetProductName().c_str(), mower->GetQuantity().ToString().c_str());
    mower->SetQuantity(2);
    mower->GetTag()->Add("sale");
    std::printf("%s\n", po->ToXml(true, true, EOL_LF).c_str());
    return RoundTrips(*po, CXmlSerializationContext());
}

int ShowIpo(const std::string& dir) {
    const CXmlSerializationContext ctx = IpoContext();
    CSmartPtr<Ipo::CPurchaseOrderType> ipo = new Ipo::CPurchaseOrderType();
    ipo->FromXmlFile((dir + "/ipo.xml").c_str(), ctx);
    CSmartPtr<Ipo::CShipAndBill> addresses = ipo->GetChoice()->GetShipAndBill();
    CSmartPtr<Ipo::CUKAddress> shipTo =
        dynamic_cast<Ipo::CUKAddress*>(addresses->GetShipTo().GetPtr());
    std::printf(
        "ipo.xml: ship to %s, %s (a UKAddress: %s); billed in %s\n",
        addresses->GetShipTo()->GetName().c_str(), addresses->GetShipTo()->GetCity().c_str(),
        shipTo ? shipTo->GetPostcode().c_str() : "no", addresses->GetBillTo()->GetCity().c_str());
    CSmartPtr<Ipo::CItem> necklace = ipo->GetItems()->GetItem()->Item(0);
    necklace->GetDeliveryDate()->Add(CDateTime(1999, 12, 10));
    necklace->GetOptions()->SetColour("blue");
    std::printf("%s\n", ipo->ToXml(true, true, EOL_LF, ctx).c_str());
    return RoundTrips(*ipo, ctx);
}

// An invalid document is refused with a message chain that leads from the
// root to the fault. Returns 1 when the document was accepted.
template <class T>
int ShowInvalid(const char* title, const char* xml, bool failsOnWrite = false) {
    std::printf("\n%s\n", title);
    try {
        CSmartPtr<T> order = new T();
        order->FromXml(xml);
        if (failsOnWrite) order->ToXml(false, false, EOL_LF);
    } catch (const CQbException& e) {
        std::printf("%s\n", e.GetFullMessage().c_str());
        return 0;
    }
    std::printf("ACCEPTED (unexpectedly)\n");
    return 1;
}

const char kNoBillTo[] =
    "<purchaseOrder><shipTo><name>A</name><street>B</street><city>C</city><state>CA</state>"
    "<zip>1</zip></shipTo><items/></purchaseOrder>";
const char kUnknownState[] =
    "<ipo:purchaseOrder xmlns:ipo='http://www.example.com/IPO'"
    " xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>"
    "<singleAddress xsi:type='ipo:USAddress'><name>A</name><street>B</street><city>C</city>"
    "<state>XX</state><zip>1</zip></singleAddress><items/></ipo:purchaseOrder>";
const char kTooMany[] =
    "<purchaseOrder><shipTo><name>A</name><street>B</street><city>C</city><state>CA</state>"
    "<zip>1</zip></shipTo><billTo><name>A</name><street>B</street><city>C</city>"
    "<state>CA</state><zip>1</zip></billTo><items><item partNum='872-AA'>"
    "<productName>Lawnmower</productName><quantity>100</quantity><USPrice>148.95</USPrice>"
    "</item></items></purchaseOrder>";

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : QB_PO_SAMPLES_DIR;
    int failures = 0;
    try {
        failures += ShowPo(dir);
        std::printf("\n");
        failures += ShowIpo(dir);
    } catch (const CQbException& e) {
        std::fprintf(stderr, "%s\n", e.GetFullMessage().c_str());
        return 1;
    }
    failures += ShowInvalid<Po::CPurchaseOrderType>("A purchase order without billTo:", kNoBillTo);
    failures +=
        ShowInvalid<Ipo::CPurchaseOrderType>("A state the enumeration lacks:", kUnknownState);
    failures += ShowInvalid<Po::CPurchaseOrderType>(
        "A quantity of 100 (below 100 allowed), refused when written:", kTooMany, true);
    return failures == 0 ? 0 : 1;
}
