// Data binding at scale: a purchase order of 100,000 items (the Primer's
// po.xsd model) written to and read from XML text and Fast Infoset through
// the generated classes, against loading the same text into the document
// tree alone (the floor every typed read stands on).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "competitors/PoOrder.h"
#include "po.h"

using namespace QbXmlLib5;

namespace {

const int kItems = 100000;

struct Fixture {
    CSmartPtr<Po::CPurchaseOrderType> order = pobench::BuildOurOrder(kItems);
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
