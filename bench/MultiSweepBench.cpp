// The sweep and the walk-forward analysis over several instruments: the
// seven demo pairs, each at costs of its own, over the full grid of the
// page's controls (signal 50..500 x stop-loss 0..150 x take-profit 0..100,
// no holding limit), weeks 0 to 535; and thirty instruments (the demo
// pairs' records under thirty names) for the memory a full table needs.
// Wall time on two threads.

#include "analysis/MultiWalkForward.h"
#include "demo/DemoData.h"
#include "engine/MultiSweep.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>
#include <sstream>
#include <string>

namespace quillet {
namespace {

// The demo pairs in slots 1..7, and the same records again under other
// names up to slot 30.
const InstrumentTable& DemoPairs()
{
    static test::TempDir dir;
    static const std::unique_ptr<InstrumentTable> table = [] {
        std::ostringstream progress;
        demo::WriteDemoData(dir.dir(), progress);
        auto t = std::make_unique<InstrumentTable>();
        const auto& pairs = demo::DemoPairs();
        for (int k = 0; k < kMaxSweptPairs; ++k) {
            const std::string name(pairs[static_cast<std::size_t>(k) % pairs.size()].Name);
            ReadBaseFile(dir.file(name + ".base"), k + 1, *t);
            if (k >= demo::kDemoPairCount)
                SetShortString((*t)[k + 1].Name, name.substr(0, 3) + std::to_string(k));
        }
        return t;
    }();
    return *table;
}

MultiSweepParams PairsParams(int count)
{
    MultiSweepParams params; // the full grid, weeks 0..535
    const InstrumentTable& table = DemoPairs();
    for (int k = 0; k < count; ++k) {
        // Costs that differ from pair to pair: spreads of 0.8 to 2.0 points.
        const TradeCosts costs{8 + 2 * (k % 7), 5, -3 - k % 3, 1};
        params.Pairs.push_back({ShortStringText(table[k + 1].Name), costs});
    }
    params.Threads = 2;
    return params;
}

std::vector<const Instrument*> Instruments(int count)
{
    std::vector<const Instrument*> out;
    for (int k = 0; k < count; ++k)
        out.push_back(&DemoPairs()[k + 1]);
    return out;
}

double PeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The target is at most 1.5 s for the seven pairs ranked by the total net;
// the other metrics show what the instruments' nets (worst-pair), the sums
// of all trades (sqn) and the weekly account (max-drawdown) add.
void MultiSweepSevenDemoPairs(benchmark::State& state)
{
    MultiSweepParams params = PairsParams(demo::kDemoPairCount);
    params.Metric = static_cast<PairsMetric>(state.range(0));
    const std::vector<const Instrument*> instruments = Instruments(demo::kDemoPairCount);
    MultiSweepOutcome out;
    for (auto _ : state) {
        out = RunMultiSweep(params, instruments);
        benchmark::DoNotOptimize(out.Combined.Cells.data());
    }
    state.SetLabel(std::string(NameOf(params.Metric).Option));
    state.counters["combinations"] = static_cast<double>(out.Combinations);
}
BENCHMARK(MultiSweepSevenDemoPairs)
    ->ArgName("metric")
    ->Arg(static_cast<int>(PairsMetric::Net))
    ->Arg(static_cast<int>(PairsMetric::WorstPair))
    ->Arg(static_cast<int>(PairsMetric::Sqn))
    ->Arg(static_cast<int>(PairsMetric::MaxDrawdown))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The target is at most 3 s: 156 in-sample and 52 out-of-sample weeks, rolling.
void MultiWalkForwardSevenDemoPairs(benchmark::State& state)
{
    MultiWalkForwardParams params;
    params.Sweep = PairsParams(demo::kDemoPairCount);
    const std::vector<const Instrument*> instruments = Instruments(demo::kDemoPairCount);
    MultiWalkForwardOutcome out;
    for (auto _ : state) {
        out = RunMultiWalkForward(params, instruments);
        benchmark::DoNotOptimize(out.Trades.data());
    }
    state.counters["windows"] = static_cast<double>(out.Windows.size());
    state.counters["trades"] = static_cast<double>(out.Trades.size());
}
BENCHMARK(MultiWalkForwardSevenDemoPairs)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// Thirty instruments: run alone (--benchmark_filter=ThirtyPairs) for the
// process's peak resident memory, the instruments' records included.
void MultiSweepThirtyPairs(benchmark::State& state)
{
    const MultiSweepParams params = PairsParams(kMaxSweptPairs);
    const std::vector<const Instrument*> instruments = Instruments(kMaxSweptPairs);
    MultiSweepOutcome out;
    for (auto _ : state) {
        out = RunMultiSweep(params, instruments);
        benchmark::DoNotOptimize(out.Combined.Cells.data());
    }
    state.counters["peak_rss_mb"] = PeakResidentMegabytes();
}
BENCHMARK(MultiSweepThirtyPairs)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
} // namespace quillet
