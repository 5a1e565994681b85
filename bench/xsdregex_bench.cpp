// One pattern facet checked on 10^6 values: through the cache of compiled
// patterns, and compiling the pattern afresh for every value.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "types/CPrimitiveRestrictions.h"
#include "types/CXsdRegex.h"
#include "types/QbVariant.h"

using namespace QbXmlLib5;

namespace {

constexpr int kValues = 1000000;
const char* const kPattern = "[A-Z]{2}-\\d{4}(-[a-z-[aeiou]]+)?";

std::vector<std::string> Values() {
    std::vector<std::string> values;
    values.reserve(256);
    for (int i = 0; i < 256; ++i) values.push_back("QB-" + std::to_string(1000 + i * 7) + "-xyz");
    return values;
}

void BM_PatternCached(benchmark::State& state) {
    const std::vector<std::string> values = Values();
    for (auto _ : state) {
        int matched = 0;
        for (int i = 0; i < kValues; ++i) matched += CXsdRegex(kPattern).Matches(values[i & 255]);
        benchmark::DoNotOptimize(matched);
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_PatternCached)->Unit(benchmark::kMillisecond);

void BM_PatternCompiledEachTime(benchmark::State& state) {
    const std::vector<std::string> values = Values();
    for (auto _ : state) {
        int matched = 0;
        for (int i = 0; i < kValues; ++i) {
            CXsdRegex::ClearCache();
            matched += CXsdRegex(kPattern).Matches(values[i & 255]);
        }
        benchmark::DoNotOptimize(matched);
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_PatternCompiledEachTime)->Unit(benchmark::kMillisecond)->Iterations(1);

// The whole facet check as the collections run it, pattern included.
void BM_StringFacetCheck(benchmark::State& state) {
    const std::vector<std::string> values = Values();
    const CPrimitiveRestrictions facets(kPattern, 1, 32, "", "", "", "", -1);
    QbVariant value;
    value.SetString(values[0]);
    for (auto _ : state) {
        for (int i = 0; i < kValues; ++i) CheckPrimitiveValue(it_string, facets, "code", value);
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_StringFacetCheck)->Unit(benchmark::kMillisecond);

}  // namespace
