// Walk-forward analysis over the demo EURUSD: the full three-axis grid
// (signal 50..500 x stop-loss 0..150 x take-profit 0..100), 156 in-sample
// and 52 out-of-sample weeks, rolling over weeks 0 to 535, by the best cell
// and by the best plateau; and the Monte Carlo of 10,000 runs over 300
// trades. Wall time on two threads.

#include "analysis/MonteCarlo.h"
#include "analysis/WalkForward.h"
#include "demo/DemoData.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include "DemoEurUsd.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <sstream>

namespace quillet {
namespace {

using bench::DemoEurUsd;

void WalkForwardFullGrid(benchmark::State& state)
{
    const InstrumentTable& table = DemoEurUsd();
    WalkForwardParams params; // the full grid, weeks 0..535, 156 + 52 rolling
    params.Sweep.PairName = "EURUSD";
    params.Sweep.Threads = 2;
    if (state.range(0) != 0)
        params.Plateau = PlateauRadii{};
    WalkForwardOutcome out;
    for (auto _ : state) {
        out = RunWalkForward(params, table[1]);
        benchmark::DoNotOptimize(out.Trades.data());
    }
    state.counters["windows"] = static_cast<double>(out.Windows.size());
    state.counters["trades"] = static_cast<double>(out.Trades.size());
}
BENCHMARK(WalkForwardFullGrid)
    ->ArgName("plateau")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void MonteCarlo10000Runs300Trades(benchmark::State& state)
{
    std::vector<ClosedTrade> trades(300);
    std::mt19937 rng(5);
    for (ClosedTrade& t : trades)
        t.NetTenths = std::uniform_int_distribution<int>(-1000, 1000)(rng);
    for (auto _ : state) {
        const MonteCarloOutcome out = RunMonteCarlo(trades, 10000, 1);
        benchmark::DoNotOptimize(out.FinalNet.P50);
    }
}
BENCHMARK(MonteCarlo10000Runs300Trades)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace quillet
