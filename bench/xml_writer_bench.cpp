// Throughput of the text writer: element events, escaping, the block buffer
// and the final conversion to bytes.
#include <benchmark/benchmark.h>

#include <string>

#include "types/CBinaryData.h"
#include "xml/CXmlTextWriter.h"

using namespace QbXmlLib5;

namespace {

// A flat list of `count` items in two namespaces, with attributes and text
// that needs escaping.
void WriteList(CXmlTextWriter& w, int count) {
    w.WriteStartDocument(XE_UTF8);
    w.AddNamespace("o", "urn:orders");
    w.WriteStartElement("orders", "urn:orders");
    for (int i = 0; i < count; ++i) {
        w.WriteStartElement("order", "urn:orders");
        w.WriteAttribute("id", "", std::to_string(i));
        w.WriteAttribute("ref", "urn:refs", "A&B");
        w.WriteStartElement("note", "urn:orders");
        w.WriteText("Deliver before 10:00 <front door> \"quickly\"");
        w.WriteEndElement();
        w.WriteEndElement();
    }
    w.WriteEndElement();
    w.WriteEndDocument();
}

void BM_WriteText(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        CXmlTextWriter w;
        WriteList(w, count);
        const std::string xml = w.GetXml();
        bytes = xml.size();
        benchmark::DoNotOptimize(xml.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_WriteText)->Arg(100)->Arg(10000)->Arg(100000);

void BM_WriteUtf16Bytes(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        CXmlTextWriter w;
        w.SetFormatted(false);
        WriteList(w, count);
        const CBinaryData data = w.GetXmlBytes(XE_UTF16);
        bytes = data.GetLength();
        benchmark::DoNotOptimize(data.GetData());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_WriteUtf16Bytes)->Arg(10000);

}  // namespace
