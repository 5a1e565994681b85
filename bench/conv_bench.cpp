// Throughput of the byte-buffer and character-encoding layers on the shapes
// the readers and writers produce: many short names, and whole documents.
#include <benchmark/benchmark.h>

#include <string>

#include "core/CCharEncoding.h"
#include "types/CBinaryData.h"
#include "types/CConversions.h"

using namespace QbXmlLib5;

namespace {

std::string Document() {
    std::string text;
    for (int i = 0; text.size() < 65536; ++i) {
        text += "<item id=\"" + std::to_string(i) + "\">caf\xC3\xA9 " + std::to_string(i * 7) + "</item>";
    }
    return text;
}

void BM_Utf8ToLocalShort(benchmark::State& state) {
    SetLocalCharEncoding(static_cast<unsigned int>(state.range(0)));
    const std::string name = "caf\xC3\xA9" "Element";
    char scratch[512];
    for (auto _ : state) {
        benchmark::DoNotOptimize(Utf8ToLocal(name.data(), name.size(), scratch, sizeof scratch));
    }
    SetLocalCharEncoding(65001);
}
BENCHMARK(BM_Utf8ToLocalShort)->Arg(65001)->Arg(1252);

void BM_LocalToUtf16Document(benchmark::State& state) {
    const std::string text = Document();
    for (auto _ : state) benchmark::DoNotOptimize(LocalToUtf16(text.c_str(), text.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LocalToUtf16Document);

void BM_Base64RoundTrip(benchmark::State& state) {
    const CBinaryData data(Document().c_str());
    for (auto _ : state) {
        const std::string text = data.GetAsBase64();
        CBinaryData back;
        back.SetAsBase64(text.c_str());
        benchmark::DoNotOptimize(back.GetLength());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.GetLength()));
}
BENCHMARK(BM_Base64RoundTrip);

void BM_CompressAndInflate(benchmark::State& state) {
    const std::string text = Document();
    for (auto _ : state) {
        CBinaryData data(text.c_str());
        data.CompressData(CT_GZIP);
        CBinaryData::DecompressBuffer(data);
        benchmark::DoNotOptimize(data.GetLength());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CompressAndInflate);

void BM_I4FromString(benchmark::State& state) {
    const std::string text = "-2147483648";
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            CConversions::i4FromString(text, CWhitespaceUtils::WhitespaceRule_Collapse));
    }
}
BENCHMARK(BM_I4FromString);

}  // namespace
