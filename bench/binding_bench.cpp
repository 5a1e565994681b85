// Data binding at scale: a purchase order of 100,000 items (the Primer's
// po.xsd model) written to and read from XML text and Fast Infoset through
// the generated classes, against loading the same text into the document
// tree alone (the floor every typed read stands on).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "po.h"

using namespace QbXmlLib5;

namespace {

const int kItems = 100000;

CSmartPtr<Po::CUSAddress> Address(const char* element, const char* name) {
    CSmartPtr<Po::CUSAddress> address = new Po::CUSAddress(element);
    address->SetName(name);
    address->SetStreet("123 Maple Street");
    address->SetCity("Mill Valley");
    address->SetState("CA");
    address->SetZip(CDecimal("90952"));
    address->SetCountry("US");
    return address;
}

// The same order every run: varied products, prices, dates and tags.
CSmartPtr<Po::CPurchaseOrderType> BuildOrder(int items) {
    CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
    order->SetOrderDate(CDateTime(1999, 10, 20));
    order->SetShipTo(Address("shipTo", "Alice Smith"));
    order->SetBillTo(Address("billTo", "Robert Smith"));
    order->SetComment("Hurry, my lawn is going wild!");
    for (int i = 0; i < items; ++i) {
        CSmartPtr<Po::CItem> item = order->GetItems()->GetItem()->Add();
        char partNum[8];
        std::snprintf(partNum, sizeof partNum, "%03d-%c%c", i % 1000, 'A' + i % 26,
                      'A' + i / 26 % 26);
        item->SetPartNum(partNum);
        item->SetProductName("Product " + std::to_string(i));
        item->SetQuantity(1 + i % 99);
        item->SetUSPrice(CDecimal(std::to_string(i % 500) + "." + std::to_string(10 + i % 90)));
        if (i % 3 == 0) item->SetComment("Confirm this is electric");
        if (i % 2 == 0)
            item->SetShipDate(CDateTime(1999, 5, static_cast<std::uint8_t>(1 + i % 28)));
        if (i % 4 == 0) item->GetTag()->Add("garden");
    }
    return order;
}

struct Fixture {
    CSmartPtr<Po::CPurchaseOrderType> order = BuildOrder(kItems);
    std::string text = order->ToXml(false, false, EOL_LF);
    CBinaryData fastInfoset = order->ToFastInfosetStream(FI_DECL_NONE);
};

const Fixture& Data() {
    static const Fixture fixture;
    return fixture;
}

void Report(benchmark::State& state, std::size_t bytes) {
    state.counters["doc_bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kItems);
}

void BM_ModelWriteText(benchmark::State& state) {
    const Fixture& data = Data();
    for (auto _ : state) {
        std::string xml = data.order->ToXml(false, false, EOL_LF);
        benchmark::DoNotOptimize(xml.data());
    }
    Report(state, data.text.size());
}
BENCHMARK(BM_ModelWriteText)->Unit(benchmark::kMillisecond);

void BM_ModelReadText(benchmark::State& state) {
    const Fixture& data = Data();
    for (auto _ : state) {
        CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
        order->FromXml(data.text.c_str());
        benchmark::DoNotOptimize(order.GetPtr());
    }
    Report(state, data.text.size());
}
BENCHMARK(BM_ModelReadText)->Unit(benchmark::kMillisecond);

void BM_ModelWriteFastInfoset(benchmark::State& state) {
    const Fixture& data = Data();
    for (auto _ : state) {
        CBinaryData fi = data.order->ToFastInfosetStream(FI_DECL_NONE);
        benchmark::DoNotOptimize(fi.GetData());
    }
    Report(state, data.fastInfoset.GetLength());
}
BENCHMARK(BM_ModelWriteFastInfoset)->Unit(benchmark::kMillisecond);

void BM_ModelReadFastInfoset(benchmark::State& state) {
    const Fixture& data = Data();
    for (auto _ : state) {
        CSmartPtr<Po::CPurchaseOrderType> order = new Po::CPurchaseOrderType();
        order->FromXmlStream(data.fastInfoset);
        benchmark::DoNotOptimize(order.GetPtr());
    }
    Report(state, data.fastInfoset.GetLength());
}
BENCHMARK(BM_ModelReadFastInfoset)->Unit(benchmark::kMillisecond);

// The baseline: the same text into the document tree, no binding.
void BM_DocumentTreeLoadText(benchmark::State& state) {
    const Fixture& data = Data();
    for (auto _ : state) {
        CXmlDocument doc;
        doc.LoadXml(data.text.c_str());
        benchmark::DoNotOptimize(doc.GetDocumentElement());
    }
    Report(state, data.text.size());
}
BENCHMARK(BM_DocumentTreeLoadText)->Unit(benchmark::kMillisecond);

}  // namespace
