// Parsing, printing and arithmetic of CBigInteger and CDecimal.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "types/CBigInteger.h"
#include "types/CDecimal.h"

using namespace QbXmlLib5;

namespace {

std::string RandomDigits(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '0');
    for (char& c : s) c = static_cast<char>('0' + rng() % 10);
    s[0] = '7';
    return s;
}

void BM_BigIntegerParse1000(benchmark::State& state) {
    const std::string text = RandomDigits(1000, 1);
    for (auto _ : state) benchmark::DoNotOptimize(CBigInteger(text));
}
BENCHMARK(BM_BigIntegerParse1000);

void BM_BigIntegerToString1000(benchmark::State& state) {
    const CBigInteger value(RandomDigits(1000, 2));
    for (auto _ : state) benchmark::DoNotOptimize(value.ToString());
}
BENCHMARK(BM_BigIntegerToString1000);

void BM_DecimalParse1000(benchmark::State& state) {
    const std::string text = RandomDigits(970, 3) + "." + RandomDigits(30, 4);
    for (auto _ : state) benchmark::DoNotOptimize(CDecimal(text));
}
BENCHMARK(BM_DecimalParse1000);

void BM_DecimalToString1000(benchmark::State& state) {
    const CDecimal value(RandomDigits(970, 5) + "." + RandomDigits(30, 6));
    for (auto _ : state) benchmark::DoNotOptimize(value.ToString());
}
BENCHMARK(BM_DecimalToString1000);

void BM_DecimalParseMoney(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(CDecimal("-1234567.89"));
}
BENCHMARK(BM_DecimalParseMoney);

void BM_DecimalDivide30Places(benchmark::State& state) {
    const CDecimal a("1234567.89");
    const CDecimal b("3.07");
    for (auto _ : state) benchmark::DoNotOptimize(a / b);
}
BENCHMARK(BM_DecimalDivide30Places);

void BM_DecimalDivide1000Digits(benchmark::State& state) {
    const CDecimal a(RandomDigits(1000, 7) + ".5");
    const CDecimal b(RandomDigits(500, 8) + ".25");
    for (auto _ : state) benchmark::DoNotOptimize(a / b);
}
BENCHMARK(BM_DecimalDivide1000Digits);

void BM_DecimalAddMoney(benchmark::State& state) {
    const CDecimal a("1234567.89");
    const CDecimal b("0.015");
    for (auto _ : state) benchmark::DoNotOptimize(a + b);
}
BENCHMARK(BM_DecimalAddMoney);

void BM_BigIntegerMultiply1000(benchmark::State& state) {
    const CBigInteger a(RandomDigits(1000, 9));
    const CBigInteger b(RandomDigits(1000, 10));
    for (auto _ : state) benchmark::DoNotOptimize(a * b);
}
BENCHMARK(BM_BigIntegerMultiply1000);

void BM_BigIntegerDivide2000By1000(benchmark::State& state) {
    const CBigInteger a(RandomDigits(2000, 11));
    const CBigInteger b(RandomDigits(1000, 12));
    for (auto _ : state) benchmark::DoNotOptimize(a / b);
}
BENCHMARK(BM_BigIntegerDivide2000By1000);

void BM_BigIntegerSquareRoot1000(benchmark::State& state) {
    const CBigInteger a(RandomDigits(1000, 13));
    for (auto _ : state) benchmark::DoNotOptimize(a.SquareRoot());
}
BENCHMARK(BM_BigIntegerSquareRoot1000);

}  // namespace
