// The overfitting figures over the demo EURUSD's full grid (signal 50..500
// x stop-loss 0..150 x take-profit 0..100, weeks 0..535): the splits of 10
// blocks (252) and of 16 (12,870) on a table already built, as the window
// has it after a sweep, and the command's whole work with 10 blocks: the
// table, the splits, the sweep's best row and its deflated Sharpe ratio.
// Wall time on two threads.

#include "analysis/DeflatedSharpe.h"
#include "analysis/Overfit.h"

#include "DemoEurUsd.h"

#include <benchmark/benchmark.h>

namespace quillet {
namespace {

using bench::DemoEurUsd;

OverfitParams FullGrid(int blocks, OverfitMeasure measure)
{
    OverfitParams params; // the full grid, weeks 0..535
    params.Sweep.PairName = "EURUSD";
    params.Sweep.Threads = 2;
    params.Blocks = blocks;
    params.Measure = measure;
    return params;
}

const SweepTable& FullTable()
{
    static const SweepTable table(DemoEurUsd()[1], "EURUSD", SweepGrid{}, WeekRange{});
    return table;
}

void OverfitSplitsFullGrid(benchmark::State& state)
{
    const OverfitParams params = FullGrid(static_cast<int>(state.range(0)),
                                          state.range(1) != 0 ? OverfitMeasure::Sharpe : OverfitMeasure::Net);
    const SweepTable& table = FullTable();
    OverfitOutcome out;
    for (auto _ : state) {
        out = RunOverfit(params, table);
        benchmark::DoNotOptimize(out.Splits.data());
    }
    state.counters["splits"] = static_cast<double>(out.Splits.size());
    state.counters["N"] = static_cast<double>(out.Combinations);
    state.counters["distinct"] = static_cast<double>(out.Distinct);
    state.counters["sum_MB"] = static_cast<double>(out.SumBytes) / (1 << 20);
    state.counters["pbo"] = out.Best.Pbo;
}
BENCHMARK(OverfitSplitsFullGrid)
    ->ArgNames({"blocks", "sharpe"})
    ->Args({10, 0})
    ->Args({10, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(OverfitSplitsFullGrid)
    ->ArgNames({"blocks", "sharpe"})
    ->Args({16, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void OverfitCommandFullGrid(benchmark::State& state)
{
    const OverfitParams params = FullGrid(10, OverfitMeasure::Net);
    const Instrument& inst = DemoEurUsd()[1];
    for (auto _ : state) {
        const SweepTable table(inst, "EURUSD", params.Sweep.Grid, params.Sweep.Weeks);
        const OverfitOutcome out = RunOverfit(params, table);
        SweepParams best = params.Sweep;
        best.Top = 1;
        const SweepRow row = RunSweep(best, table).Best.front();
        const DeflatedSharpe d = DeflateSharpe(table, params.Sweep.Weeks,
                                               {row.Signal, row.StopLoss, row.TakeProfit, 0}, out.Spread);
        benchmark::DoNotOptimize(&d);
    }
}
BENCHMARK(OverfitCommandFullGrid)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace quillet
