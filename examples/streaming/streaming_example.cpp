// Streaming on the purchase order: an order of many items is written one
// item at a time (the header from an order object without items, then the
// items, then the end) as XML text, gzip and Fast Infoset, and read back one
// item at a time, totals computed on the way, the order's header filled from
// the rest of the document. Neither side ever holds more than one item.
// Then a document with an invalid item, and what the reader says about it.
//
// Usage: streaming_example [directory for the files] [number of items]
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "po.h"

using namespace QbXmlLib5;

namespace {

// The order without its items: what comes before and after them.
CSmartPtr<Po::CPurchaseOrderType> MakeHeader() {
    CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
    CDateTime date;
    date.ParseXSDDate("2026-12-07");
    order->SetOrderDate(date);
    for (const char* who : {"shipTo", "billTo"}) {
        CSmartPtr<Po::CUSAddress> address = new Po::CUSAddress(who);
        address->SetName("Alice Smith");
        address->SetStreet("123 Maple Street");
        address->SetCity("Mill Valley");
        address->SetState("CA");
        address->SetZip(CDecimal("90952"));
        std::string(who) == "shipTo" ? order->SetShipTo(address) : order->SetBillTo(address);
    }
    order->SetItems(new Po::CItems("items"));
    return order;
}

CSmartPtr<Po::CItem> MakeItem(long i) {
    CSmartPtr<Po::CItem> item = new Po::CItem();
    item->SetPartNum(std::to_string(100 + i % 900) + "-AA");
    item->SetProductName("Lawnmower model " + std::to_string(i));
    item->SetQuantity(static_cast<int>(1 + i % 9));
    item->SetUSPrice(CDecimal("148.95"));
    return item;
}

struct Form {
    const char* name;
    const char* file;
    bool fastInfoset;
    CompressionType compression;
};

void Write(const std::string& path, const Form& form, long count) {
    CXmlStreamWriter::COptions options;
    options.fastInfoset = form.fastInfoset;
    options.compression = form.compression;
    CXmlStreamWriter writer(path.c_str(), options);
    CSmartPtr<Po::CPurchaseOrderType> header = MakeHeader();
    writer.Begin(header, "/purchaseOrder/items/item");
    for (long i = 1; i <= count; ++i) writer.Write(MakeItem(i));
    writer.End();
}

// Reads the items one by one; returns false when the totals are off.
bool Read(const std::string& path, const Form& form, long count) {
    CXmlStreamReader reader(path.c_str());
    CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
    long quantity = 0;
    CDecimal value("0");
    const std::size_t items = reader.ReadObjects<Po::CItem>(
        "/purchaseOrder/items/item",
        [&](const CSmartPtr<Po::CItem>& item) {
            const long q = std::atol(item->GetQuantity().ToString().c_str());
            quantity += q;
            CDecimal line = item->GetUSPrice();
            line *= CDecimal(std::to_string(q).c_str());
            value += line;
        },
        order);
    std::printf("  %-13s %ld items read, %ld pieces worth %s, shipped to %s on %s\n", form.name,
                static_cast<long>(items), quantity, value.ToString().c_str(),
                order->GetShipTo()->GetName().c_str(), order->GetOrderDate().ToString().c_str());
    long expected = 0;
    for (long i = 1; i <= count; ++i) expected += 1 + i % 9;
    return static_cast<long>(items) == count && quantity == expected;
}

// Item 2 of this order has a part number the schema refuses.
int ShowInvalidItem() {
    std::istringstream document(
        "<purchaseOrder><shipTo/><billTo/><items>"
        "<item partNum='872-AA'><productName>Mower</productName><quantity>1</quantity>"
        "<USPrice>148.95</USPrice></item>"
        "<item partNum='87-AA'><productName>Hose</productName><quantity>2</quantity>"
        "<USPrice>9.95</USPrice></item>"
        "</items></purchaseOrder>");
    CXmlStreamReader reader(document);
    long handedOver = 0;
    try {
        reader.ReadObjects<Po::CItem>("/purchaseOrder/items/item",
                                      [&](const CSmartPtr<Po::CItem>&) { ++handedOver; });
    } catch (const CQbException& e) {
        std::printf("An invalid item, after %ld good one:\n%s\n", handedOver,
                    e.GetFullMessage().c_str());
        return handedOver == 1 ? 0 : 1;
    }
    std::printf("The invalid item was not refused\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const long count = argc > 2 ? std::atol(argv[2]) : 100000;
    const Form forms[] = {{"XML text", "stream_po.xml", false, CT_NONE},
                          {"gzip", "stream_po.xml.gz", false, CT_GZIP},
                          {"Fast Infoset", "stream_po.finf", true, CT_NONE}};
    int failures = 0;
    try {
        std::printf("A purchase order of %ld items, written and read item by item:\n", count);
        for (const Form& form : forms) {
            const std::string path = dir + "/" + form.file;
            Write(path, form, count);
            failures += Read(path, form, count) ? 0 : 1;
            std::remove(path.c_str());
        }
        failures += ShowInvalidItem();
    } catch (const CQbException& e) {
        std::printf("Unexpected error:\n%s\n", e.GetFullMessage().c_str());
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
