// One single-pair run over the demo EURUSD (weeks 0 to 535, the page's
// defaults), with the work log off and with every line kept in memory.

#include "demo/DemoData.h"
#include "report/SinglePairReport.h"
#include "report/SinglePairRun.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include "DemoEurUsd.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace quillet {
namespace {

using bench::DemoEurUsd;

BacktestParams FullRun(bool log)
{
    BacktestParams params; // 85, 100, 50, hold 119, weeks 0 to 535
    params.Slot = 1;
    params.PairName = "EURUSD";
    params.LogEnabled = log;
    return params;
}

void SinglePairRunLogOff(benchmark::State& state)
{
    const InstrumentTable& table = DemoEurUsd();
    const BacktestParams params = FullRun(false);
    int progress = 0;
    for (auto _ : state) {
        BacktestResult result;
        RunSinglePairBacktest(params, table[params.Slot], result, {}, [&progress] { ++progress; }, {});
        benchmark::DoNotOptimize(result);
    }
    BacktestResult result;
    RunSinglePairBacktest(params, table[params.Slot], result, {}, {}, {});
    state.counters["entries"] = result.Entries;
}
BENCHMARK(SinglePairRunLogOff)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void SinglePairRunLogOn(benchmark::State& state)
{
    const InstrumentTable& table = DemoEurUsd();
    const BacktestParams params = FullRun(true);
    std::size_t lines = 0;
    for (auto _ : state) {
        BacktestResult result;
        std::vector<std::string> log;
        RunSinglePairBacktest(params, table[params.Slot], result,
                              [&log](const std::string& line) { log.push_back(line); }, {}, {});
        log.push_back(MakeSinglePairReport(params, result).ClosingLine);
        lines = log.size();
        benchmark::DoNotOptimize(log.data());
    }
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(SinglePairRunLogOn)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace quillet
