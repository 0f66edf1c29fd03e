// The entry search of the two runs over the demo instruments, plain scan
// against the day index: every signal week of demo EURUSD at the page's
// default signal (85 points), and for the all-pairs rule every week's pair
// with the longest weekly candle among the seven.

#include "demo/DemoData.h"
#include "model/Numbers.h"
#include "rule/EntryIndex.h"
#include "rule/TradeRules.h"
#include "store/Startup.h"
#include "support/PlainEntryScans.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace quillet {
namespace {

const InstrumentTable& DemoPairs()
{
    static test::TempDir dir;
    static const std::unique_ptr<InstrumentTable> table = [] {
        std::ostringstream progress;
        demo::WriteDemoData(dir.dir(), progress);
        auto t = std::make_unique<InstrumentTable>();
        std::vector<std::string> names;
        LoadInstruments(dir.dir(), names, {}, *t);
        return t;
    }();
    return *table;
}

std::int32_t Body(const Candle& week, int multiplier)
{
    return RoundToInt32(std::fabs(PointDifference(week.Open, week.Close, multiplier)));
}

// The signal dates of one pair as the single-pair run meets them.
std::vector<double> SignalDates(const Instrument& inst, int signal)
{
    const int m = PointMultiplier(ShortStringText(inst.Name));
    std::vector<double> dates;
    for (int i = 0; i <= 535; ++i)
        if (Body(inst.Week[i], m) >= signal && CandleExists(inst.Week[i + 8]))
            dates.push_back(inst.Week[i].Date);
    return dates;
}

// Slot of the week's longest candle among slots 1 to 7 (0: none).
std::vector<std::pair<int, double>> PortfolioSearches(const InstrumentTable& table)
{
    std::vector<std::pair<int, double>> out;
    for (int week = 0; week < 536; ++week) {
        int best = 0;
        std::int32_t length = 0;
        for (int slot = 1; slot <= 7; ++slot) {
            const std::int32_t l =
                Body(table[slot].Week[week], PointMultiplier(ShortStringText(table[slot].Name)));
            if (l > length) {
                best = slot;
                length = l;
            }
        }
        if (best != 0 && length > 85)
            out.emplace_back(best, table[best].Week[week].Date);
    }
    return out;
}

void SinglePairEntriesPlain(benchmark::State& state)
{
    const Instrument& eurusd = DemoPairs()[6];
    const std::vector<double> dates = SignalDates(eurusd, 85);
    for (auto _ : state) {
        const int end = FirstEmptyIndex(eurusd.Hour, 1);
        long sum = 0;
        for (const double d : dates)
            sum += PlainSinglePairEntry(eurusd.Hour, end, d);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["searches"] = static_cast<double>(dates.size());
}
BENCHMARK(SinglePairEntriesPlain)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void SinglePairEntriesIndexed(benchmark::State& state)
{
    const Instrument& eurusd = DemoPairs()[6];
    const std::vector<double> dates = SignalDates(eurusd, 85);
    for (auto _ : state) {
        EntryIndex index(eurusd.Hour, 1, FirstEmptyIndex(eurusd.Hour, 1));
        long sum = 0;
        for (const double d : dates)
            sum += index.SinglePairEntry(d);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["searches"] = static_cast<double>(dates.size());
}
BENCHMARK(SinglePairEntriesIndexed)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void AllPairsEntriesPlain(benchmark::State& state)
{
    const InstrumentTable& table = DemoPairs();
    const auto searches = PortfolioSearches(table);
    for (auto _ : state) {
        long sum = 0;
        for (const auto& [slot, date] : searches)
            sum += PlainPortfolioEntry(table[slot].Hour, date);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["searches"] = static_cast<double>(searches.size());
}
BENCHMARK(AllPairsEntriesPlain)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void AllPairsEntriesIndexed(benchmark::State& state)
{
    const InstrumentTable& table = DemoPairs();
    const auto searches = PortfolioSearches(table);
    for (auto _ : state) {
        // One index per pair, built when the run first trades it.
        std::optional<EntryIndex> indexes[7];
        long sum = 0;
        for (const auto& [slot, date] : searches) {
            std::optional<EntryIndex>& index = indexes[slot - 1];
            if (!index)
                index.emplace(table[slot].Hour, 0, FirstEmptyIndex(table[slot].Hour, 1));
            sum += index->PortfolioEntry(date);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["searches"] = static_cast<double>(searches.size());
}
BENCHMARK(AllPairsEntriesIndexed)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace quillet
