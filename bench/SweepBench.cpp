// The optimisation sweep over the demo EURUSD, weeks 0 to 535: the full grid
// of the page's controls (signal 50..500 x stop-loss 0..150 x take-profit
// 0..100, no holding limit), and the same grid with the holding limit as a
// fourth axis (1..120); at costs, with one spread and with the spread of
// each hour. Wall time on every core of the machine.

#include "demo/DemoData.h"
#include "engine/Sweep.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include "DemoEurUsd.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

namespace quillet {
namespace {

using bench::DemoEurUsd;

SweepParams FullGrid()
{
    SweepParams params; // signal 50..500, sl 0..150, tp 0..100, weeks 0..535
    params.PairName = "EURUSD";
    return params;
}

void Report(benchmark::State& state, const SweepOutcome& outcome)
{
    state.counters["combinations"] = static_cast<double>(outcome.Combinations);
    state.counters["combinations/s"] = benchmark::Counter(static_cast<double>(outcome.Combinations),
                                                          benchmark::Counter::kIsIterationInvariantRate);
    state.counters["best_net"] =
        outcome.Best.empty() ? 0.0 : static_cast<double>(outcome.Best[0].Figures.Net);
}

void SweepFullGridNoHold(benchmark::State& state)
{
    const InstrumentTable& table = DemoEurUsd();
    SweepParams params = FullGrid();
    params.Threads = static_cast<int>(state.range(0));
    SweepOutcome outcome;
    for (auto _ : state) {
        outcome = RunSweep(params, table[1]);
        benchmark::DoNotOptimize(outcome.Cells.data());
    }
    Report(state, outcome);
}
BENCHMARK(SweepFullGridNoHold)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The same grid at the costs of a real account: its spread leaves out the
// stop-losses up to 1 point, every trade's net is folded after its costs.
// Compare with SweepFullGridNoHold/2 (the target is at most 1.5 times it);
// the second run ranks by the maximum drawdown, which folds every trade in
// order.
void SweepFullGridAtCosts(benchmark::State& state)
{
    const InstrumentTable& table = DemoEurUsd();
    SweepParams params = FullGrid();
    params.Threads = 2;
    params.Costs = {12, 7, -3, 1};
    params.Metric = state.range(0) == 0 ? SweepMetric::Net : SweepMetric::MaxDrawdown;
    SweepOutcome outcome;
    for (auto _ : state) {
        outcome = RunSweep(params, table[1]);
        benchmark::DoNotOptimize(outcome.Cells.data());
    }
    Report(state, outcome);
}
BENCHMARK(SweepFullGridAtCosts)
    ->ArgName("max_drawdown")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The spread a broker's quotes record for each hour of the demo EURUSD, as
// the README's command writes it: 6.0 points in the day's first hour, 2.5 in
// its last three, 1.2 otherwise; or, for the worst case of a week that meets
// a different spread nearly every hour, a random 0.0 to 3.0 points an hour.
const RecordedSpread& DemoSpread(bool random)
{
    static const auto make = [](bool random) {
        const Instrument& inst = DemoEurUsd()[1];
        std::mt19937_64 rng(34);
        std::vector<std::uint16_t> tenths;
        for (int h = 1; h < FirstEmptyIndex(inst.Hour, 1); ++h) {
            const int hour = (inst.Hour[h].Time.Chars[0] - '0') * 10 + (inst.Hour[h].Time.Chars[1] - '0');
            tenths.push_back(static_cast<std::uint16_t>(random       ? rng() % 31
                                                        : hour == 0  ? 60
                                                        : hour >= 21 ? 25
                                                                     : 12));
        }
        return RecordedSpread(tenths);
    };
    static const RecordedSpread session = make(false), noisy = make(true);
    return random ? noisy : session;
}

// The grid at the costs above with the spread of each hour instead of one:
// compare with SweepFullGridAtCosts/max_drawdown:0 (the target is at most
// 1.5 times it).
void SweepFullGridAtRecordedSpread(benchmark::State& state)
{
    const InstrumentTable& table = DemoEurUsd();
    SweepParams params = FullGrid();
    params.Threads = 2;
    params.Costs = {0, 7, -3, 1, true};
    params.Spread = &DemoSpread(state.range(0) != 0);
    SweepOutcome outcome;
    for (auto _ : state) {
        outcome = RunSweep(params, table[1]);
        benchmark::DoNotOptimize(outcome.Cells.data());
    }
    Report(state, outcome);
}
BENCHMARK(SweepFullGridAtRecordedSpread)
    ->ArgName("random")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// 825 million combinations: one iteration is the figure.
void SweepFullGridWithHoldAxis(benchmark::State& state)
{
    const InstrumentTable& table = DemoEurUsd();
    SweepParams params = FullGrid();
    params.Grid.Hold = AxisRange{1, 120};
    params.Threads = 2;
    SweepOutcome outcome;
    for (auto _ : state) {
        outcome = RunSweep(params, table[1]);
        benchmark::DoNotOptimize(outcome.Cells.data());
    }
    Report(state, outcome);
}
BENCHMARK(SweepFullGridWithHoldAxis)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

// The walk of every signal week for every level: the part of a sweep that
// does not grow with the grid's signal axis.
void SweepTableOfDemoEurUsd(benchmark::State& state)
{
    const InstrumentTable& table = DemoEurUsd();
    const SweepGrid grid;
    for (auto _ : state) {
        SweepTable sweep(table[1], "EURUSD", grid, {0, 535});
        benchmark::DoNotOptimize(sweep.TradeWeekCount());
    }
}
BENCHMARK(SweepTableOfDemoEurUsd)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The same walk at the spread of each hour: a sell's levels move with it.
void SweepTableAtRecordedSpread(benchmark::State& state)
{
    const InstrumentTable& table = DemoEurUsd();
    const SweepGrid grid;
    const TradeCosts costs{0, 0, 0, 0, true};
    for (auto _ : state) {
        SweepTable sweep(table[1], "EURUSD", grid, {0, 535}, costs, &DemoSpread(state.range(0) != 0));
        benchmark::DoNotOptimize(sweep.TradeWeekCount());
    }
}
BENCHMARK(SweepTableAtRecordedSpread)
    ->ArgName("random")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace quillet
