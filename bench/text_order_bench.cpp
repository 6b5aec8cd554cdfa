// Text order (Keystack): one comparison of two descriptions in text order beside the ordinal
// comparison, the sort key that spares most of them, and Store of 8000 new descriptions in
// text order beside the same in ordinal order.
#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "platform/text_order.h"
#include "ratio_summary.h"

namespace {

using bench::Order;

// Two neighbours in an index: they differ late, where the comparison has the most to read.
const Text kFirst = u"Entry 04711 of the report", kSecond = u"Entry 04712 of the report";

const platform::TextOrder& English() {
    static const auto order = platform::TextOrder::Open(u"en-US");
    return *order;
}

void OrdinalCompare(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(kFirst.compare(kSecond));
}

void TextCompare(benchmark::State& state) {
    const platform::TextOrder& order = English();
    for (auto _ : state) benchmark::DoNotOptimize(order.Compare(kFirst, kSecond));
}

void TextSortKey(benchmark::State& state) {
    const platform::TextOrder& order = English();
    for (auto _ : state) benchmark::DoNotOptimize(order.SortKey(kFirst));
}

void SortKeyCompare(benchmark::State& state) {
    const std::string first = English().SortKey(kFirst), second = English().SortKey(kSecond);
    for (auto _ : state) benchmark::DoNotOptimize(first.compare(second));
}

void StoreInTextOrder(benchmark::State& state, Order order) {
    const std::vector<Text> descriptions = bench::Descriptions(order);
    const Text page = u"123";
    Entry table;
    table.SetOrder(u"text:en-US");
    for (auto _ : state) {
        table.Clear();
        for (const Text& d : descriptions) benchmark::DoNotOptimize(table.Store(d, page));
    }
    state.SetItemsProcessed(state.iterations() * bench::kRows);
}

BENCHMARK(OrdinalCompare);
BENCHMARK(TextCompare);
BENCHMARK(TextSortKey);
BENCHMARK(SortKeyCompare);
BENCHMARK_CAPTURE(StoreInTextOrder, ascending, Order::kAscending)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(StoreInTextOrder, descending, Order::kDescending)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(StoreInTextOrder, random, Order::kRandom)->Unit(benchmark::kMillisecond)->UseRealTime();

// Per comparison, and per Store (the 8000 of a run each).
const bool kRatios =
    AddRatio({"one text comparison / ordinal", "TextCompare", 1, "OrdinalCompare", 1}) &&
    AddRatio({"one sort key / ordinal comparison", "TextSortKey", 1, "OrdinalCompare", 1}) &&
    AddRatio({"one Store, ascending, text / ordinal", "StoreInTextOrder/ascending/real_time", bench::kRows,
              "Store/ascending/real_time", bench::kRows}) &&
    AddRatio({"one Store, descending, text / ordinal", "StoreInTextOrder/descending/real_time", bench::kRows,
              "Store/descending/real_time", bench::kRows}) &&
    AddRatio({"one Store, random, text / ordinal", "StoreInTextOrder/random/real_time", bench::kRows,
              "Store/random/real_time", bench::kRows});

}  // namespace
