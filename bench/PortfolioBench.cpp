// One all-pairs run over the seven demo instruments, loaded as start-up
// loads them: 536 weeks, each choosing among seven pairs, a linear search
// for the entry hour from index 0 and an hourly walk to the exit.

#include "demo/DemoData.h"
#include "engine/Portfolio.h"
#include "store/Startup.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace quillet {
namespace {

// The demo instruments, written and loaded once per process.
const InstrumentTable& DemoTable()
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

void PortfolioRunOverDemo(benchmark::State& state)
{
    const InstrumentTable& table = DemoTable();
    const PortfolioParams params; // the page's defaults: 85, 100, 50
    for (auto _ : state) {
        PortfolioResult result = RunPortfolioBacktest(params, {}, table);
        benchmark::DoNotOptimize(result);
    }
    const PortfolioResult result = RunPortfolioBacktest(params, {}, table);
    state.counters["entries"] = result.Entries;
}
BENCHMARK(PortfolioRunOverDemo)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace quillet
