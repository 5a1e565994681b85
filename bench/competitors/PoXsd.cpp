// The purchase order through CodeSynthesis XSD C++/Tree (on Xerces-C), from
// code that xsdcxx generated out of the same po.xsd at build time. Documents
// are read from memory without schema validation (the instances name no
// schema location) and written compact, without declaration, as ours are.
#include <sstream>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include "PoBench.h"
#include "po.hxx"

namespace pobench {
namespace {

xsdpo::USAddress Address(const char* name) {
    // country is fixed to "US": the mapping gives it no setter.
    return xsdpo::USAddress(name, "123 Maple Street", "Mill Valley", "CA", 90952);
}

class XsdLibrary : public Library {
public:
    XsdLibrary() { xercesc::XMLPlatformUtils::Initialize(); }
    ~XsdLibrary() override {
        m_order.reset();
        xercesc::XMLPlatformUtils::Terminate();
    }
    const char* Name() const override { return "XSD C++/Tree"; }

    void Build(int items) override {
        m_order.reset(new xsdpo::PurchaseOrderType(Address("Alice Smith"), Address("Robert Smith"),
                                                   xsdpo::Items()));
        m_order->orderDate(xml_schema::date(1999, 10, 20));
        m_order->comment("Hurry, my lawn is going wild!");
        xsdpo::Items::item_sequence& sequence = m_order->items().item();
        for (int i = 0; i < items; ++i) {
            const ItemValues v = MakeItem(i);
            xsdpo::item item(v.productName, xsdpo::quantity(static_cast<unsigned>(v.quantity)),
                             v.usPriceValue, xsdpo::SKU(v.partNum));
            if (v.hasComment) item.comment("Confirm this is electric");
            if (v.hasShipDate)
                item.shipDate(xml_schema::date(1999, 5, static_cast<unsigned short>(v.shipDay)));
            if (v.hasTag) item.tag().push_back("garden");
            sequence.push_back(item);
        }
    }

    void Write(std::string& out) override {
        std::ostringstream stream;
        xsdpo::purchaseOrder(
            stream, *m_order, xml_schema::namespace_infomap(), "UTF-8",
            kFlags | xml_schema::flags::no_xml_declaration | xml_schema::flags::dont_pretty_print);
        out = stream.str();
    }

    void Read(const std::string& text) override { Parse(text); }

    Summary Summarize(const std::string& text) override {
        std::unique_ptr<xsdpo::PurchaseOrderType> order = Parse(text);
        Summary s;
        for (const xsdpo::item& item : order->items().item()) {
            ++s.items;
            s.quantitySum += static_cast<long>(item.quantity());
            s.tags += item.tag().size();
            s.lastPartNum = item.partNum();
        }
        return s;
    }

private:
    static const unsigned long kFlags = xml_schema::flags::dont_initialize;

    static std::unique_ptr<xsdpo::PurchaseOrderType> Parse(const std::string& text) {
        xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()),
                                          text.size(), "po.xml", false);
        return xsdpo::purchaseOrder(source, kFlags | xml_schema::flags::dont_validate);
    }

    std::unique_ptr<xsdpo::PurchaseOrderType> m_order;
};

}  // namespace

std::unique_ptr<Library> MakeXsdLibrary() { return std::make_unique<XsdLibrary>(); }

}  // namespace pobench
