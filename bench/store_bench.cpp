// Store: 8000 new descriptions in three orders, and 8000 new pages for descriptions held,
// each beside a table that finds its row by a scan from row 0.
#include <benchmark/benchmark.h>

#include "core/build.h"
#include "bench_data.h"
#include "ratio_summary.h"

namespace {

using bench::Order;

// The table done the simplest way: every Store scans from row 0. Keystack stops at the
// first row that does not sort before the description and inserts there; Pagestack looks
// for an equal description and otherwise appends.
class LinearTable {
public:
    void Clear() { count_ = 0; }
    Text Store(const Text& description, const Text& page) {
        int i = 0;
        if constexpr (Build::kSorted) {
            while (i < count_ && rows_[i].description < description) ++i;
        } else {
            while (i < count_ && rows_[i].description != description) ++i;
        }
        if (i < count_ && rows_[i].description == description) {
            rows_[i].page = page;
            return description;
        }
        if (count_ >= Entry::kStoreLimit) return Text(Build::kTableFullText);
        std::move_backward(rows_.begin() + i, rows_.begin() + count_, rows_.begin() + count_ + 1);
        rows_[i].description = description;
        rows_[i].page = page;
        ++count_;
        return description;
    }

private:
    struct Row {
        Text description, page;
    };
    std::vector<Row> rows_ = std::vector<Row>(Entry::kRowCount);
    int count_ = 0;
};

const Text kPage = u"123";

template <typename Table>
void StoreNew(benchmark::State& state, Order order) {
    const std::vector<Text> descriptions = bench::Descriptions(order);
    Table table;
    for (auto _ : state) {
        table.Clear();
        for (const Text& d : descriptions) benchmark::DoNotOptimize(table.Store(d, kPage));
    }
    state.SetItemsProcessed(state.iterations() * bench::kRows);
}

template <typename Table>
void StoreUpdates(benchmark::State& state) {
    Table table;
    for (const Text& d : bench::Descriptions(Order::kAscending)) table.Store(d, kPage);
    const std::vector<Text> descriptions = bench::Descriptions(Order::kRandom);
    const Text page = u"456";
    for (auto _ : state) {
        for (const Text& d : descriptions) benchmark::DoNotOptimize(table.Store(d, page));
    }
    state.SetItemsProcessed(state.iterations() * bench::kRows);
}

void Store(benchmark::State& state, Order order) { StoreNew<Entry>(state, order); }
void LinearStore(benchmark::State& state, Order order) { StoreNew<LinearTable>(state, order); }
void StoreUpdate(benchmark::State& state) { StoreUpdates<Entry>(state); }
void LinearStoreUpdate(benchmark::State& state) { StoreUpdates<LinearTable>(state); }

BENCHMARK_CAPTURE(Store, ascending, Order::kAscending)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(LinearStore, ascending, Order::kAscending)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Store, descending, Order::kDescending)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(LinearStore, descending, Order::kDescending)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Store, random, Order::kRandom)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(LinearStore, random, Order::kRandom)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(StoreUpdate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LinearStoreUpdate)->Unit(benchmark::kMillisecond)->UseRealTime();

const std::string kBuildName(Build::kIdentity.libraryName.begin(), Build::kIdentity.libraryName.end());
const bool kRatios = AddRatio({kBuildName + " Store 8000 new, ascending", "Store/ascending/real_time", 1,
                               "LinearStore/ascending/real_time", 1}) &&
                     AddRatio({kBuildName + " Store 8000 new, descending", "Store/descending/real_time", 1,
                               "LinearStore/descending/real_time", 1}) &&
                     AddRatio({kBuildName + " Store 8000 new, random", "Store/random/real_time", 1,
                               "LinearStore/random/real_time", 1}) &&
                     AddRatio({kBuildName + " Store 8000 updates, random", "StoreUpdate/real_time", 1,
                               "LinearStoreUpdate/real_time", 1});

}  // namespace
