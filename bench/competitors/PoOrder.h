// The benchmark purchase order built with the generated Po classes, from the
// item values every library of the comparison uses (PoBench.h).
#ifndef QBXMLLIB5_BENCH_POORDER_H
#define QBXMLLIB5_BENCH_POORDER_H

#include <cstdint>

#include "PoBench.h"
#include "po.h"

namespace pobench {

inline CSmartPtr<Po::CUSAddress> OurAddress(const char* element, const char* name) {
    CSmartPtr<Po::CUSAddress> address = new Po::CUSAddress(element);
    address->SetName(name);
    address->SetStreet("123 Maple Street");
    address->SetCity("Mill Valley");
    address->SetState("CA");
    address->SetZip(QbXmlLib5::CDecimal("90952"));
    address->SetCountry("US");
    return address;
}

inline CSmartPtr<Po::CPurchaseOrderType> BuildOurOrder(int items) {
    using QbXmlLib5::CDateTime;
    CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
    order->SetOrderDate(CDateTime(1999, 10, 20));
    order->SetShipTo(OurAddress("shipTo", "Alice Smith"));
    order->SetBillTo(OurAddress("billTo", "Robert Smith"));
    order->SetComment("Hurry, my lawn is going wild!");
    for (int i = 0; i < items; ++i) {
        const ItemValues v = MakeItem(i);
        CSmartPtr<Po::CItem> item = order->GetItems()->GetItem()->Add();
        item->SetPartNum(v.partNum);
        item->SetProductName(v.productName);
        item->SetQuantity(v.quantity);
        item->SetUSPrice(QbXmlLib5::CDecimal(v.usPrice));
        if (v.hasComment) item->SetComment("Confirm this is electric");
        if (v.hasShipDate) {
            item->SetShipDate(CDateTime(1999, 5, static_cast<std::uint8_t>(v.shipDay)));
        }
        if (v.hasTag) item->GetTag()->Add("garden");
    }
    return order;
}

}  // namespace pobench

#endif  // QBXMLLIB5_BENCH_POORDER_H
