// The purchase order through gSOAP, from code that wsdl2h and soapcpp2
// generated out of the same po.xsd at build time (wsdl2h's default mapping:
// decimals, dates and integers stay strings). Plain XML in tree mode (no
// id/href), strings kept in UTF-8; text goes through memory callbacks.
#include <cstring>
#include <stdexcept>

#include "PoBench.h"
#include "gsH.h"
#include "soap.nsmap"

namespace pobench {
namespace {

class GsoapLibrary : public Library {
public:
    GsoapLibrary() {
        m_soap = soap_new1(SOAP_XML_TREE | SOAP_C_UTFSTRING);
        m_soap->fsend = Send;
        m_soap->frecv = Receive;
        m_soap->user = this;
    }
    ~GsoapLibrary() override {
        soap_destroy(m_soap);
        soap_end(m_soap);
        soap_free(m_soap);
    }
    const char* Name() const override { return "gSOAP"; }

    void Build(int items) override {
        soap_destroy(m_soap);
        soap_end(m_soap);
        m_order = soap_new_PurchaseOrderType(m_soap);
        m_order->shipTo = Address("Alice Smith");
        m_order->billTo = Address("Robert Smith");
        m_order->comment = soap_new_std__string(m_soap);
        *m_order->comment = "Hurry, my lawn is going wild!";
        m_order->items = soap_new_Items(m_soap);
        m_order->orderDate = soap_new_std__string(m_soap);
        *m_order->orderDate = "1999-10-20";
        std::vector<Items_item>& sequence = m_order->items->item;
        sequence.resize(static_cast<std::size_t>(items));
        for (int i = 0; i < items; ++i) {
            const ItemValues v = MakeItem(i);
            Items_item& item = sequence[static_cast<std::size_t>(i)];
            item.productName = v.productName;
            item.quantity = std::to_string(v.quantity);
            item.USPrice = v.usPrice;
            item.partNum = v.partNum;
            if (v.hasComment) {
                item.comment = soap_new_std__string(m_soap);
                *item.comment = "Confirm this is electric";
            }
            if (v.hasShipDate) {
                char date[16];
                std::snprintf(date, sizeof date, "1999-05-%02d", v.shipDay);
                item.shipDate = soap_new_std__string(m_soap);
                *item.shipDate = date;
            }
            if (v.hasTag) item.tag.push_back("garden");
        }
    }

    void Write(std::string& out) override {
        out.clear();
        m_out = &out;
        if (soap_write_purchaseOrder(m_soap, m_order) != SOAP_OK) Fail();
        m_out = nullptr;
    }

    void Read(const std::string& text) override {
        // A context of its own, so that the objects read are all freed here.
        struct soap* soap = NewReader(text);
        PurchaseOrderType order;
        if (soap_read_purchaseOrder(soap, &order) != SOAP_OK) Fail(soap);
        soap_destroy(soap);
        soap_end(soap);
        soap_free(soap);
    }

    Summary Summarize(const std::string& text) override {
        struct soap* soap = NewReader(text);
        PurchaseOrderType order;
        if (soap_read_purchaseOrder(soap, &order) != SOAP_OK) Fail(soap);
        Summary s;
        for (const Items_item& item : order.items->item) {
            ++s.items;
            s.quantitySum += std::stol(item.quantity);
            s.tags += item.tag.size();
            s.lastPartNum = item.partNum;
        }
        soap_destroy(soap);
        soap_end(soap);
        soap_free(soap);
        return s;
    }

private:
    USAddress* Address(const char* name) {
        USAddress* address = soap_new_USAddress(m_soap);
        address->name = name;
        address->street = "123 Maple Street";
        address->city = "Mill Valley";
        address->state = "CA";
        address->zip = "90952";
        address->country = "US";
        return address;
    }

    struct soap* NewReader(const std::string& text) {
        struct soap* soap = soap_new1(SOAP_XML_TREE | SOAP_C_UTFSTRING);
        soap->frecv = Receive;
        soap->user = this;
        m_in = text.data();
        m_inLeft = text.size();
        return soap;
    }

    static int Send(struct soap* soap, const char* data, std::size_t length) {
        static_cast<GsoapLibrary*>(soap->user)->m_out->append(data, length);
        return SOAP_OK;
    }

    static std::size_t Receive(struct soap* soap, char* buffer, std::size_t length) {
        GsoapLibrary* self = static_cast<GsoapLibrary*>(soap->user);
        const std::size_t n = length < self->m_inLeft ? length : self->m_inLeft;
        std::memcpy(buffer, self->m_in, n);
        self->m_in += n;
        self->m_inLeft -= n;
        return n;
    }

    [[noreturn]] void Fail(struct soap* soap = nullptr) {
        soap_print_fault(soap ? soap : m_soap, stderr);
        throw std::runtime_error("gSOAP failed");
    }

    struct soap* m_soap;
    PurchaseOrderType* m_order = nullptr;
    std::string* m_out = nullptr;
    const char* m_in = nullptr;
    std::size_t m_inLeft = 0;
};

}  // namespace

std::unique_ptr<Library> MakeGsoapLibrary() { return std::make_unique<GsoapLibrary>(); }

}  // namespace pobench
