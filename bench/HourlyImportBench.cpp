// One hourly quote file of 65,000 lines to a saved ".base": read, checked,
// hours, days and weeks built, and the record written safely to disk. Once
// for each file format.

#include "model/Dates.h"
#include "model/Instrument.h"
#include "store/HourlyImport.h"
#include "support/HourlyText.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace quillet {
namespace {

constexpr int kHourLines = 65'000;

/// 65,000 hours around the clock from Monday 3 January 2000, five-decimal
/// prices that wander, in the given format; written once per format.
const std::string& HourlyFile(HourlyFormat format)
{
    static test::TempDir dir;
    static std::string paths[kHourlyFormatCount];
    std::string& path = paths[static_cast<int>(format) - 1];
    if (path.empty()) {
        std::vector<test::HourQuote> hours;
        hours.reserve(kHourLines);
        int ticks = 120'000;
        const auto price = [](int t) {
            const std::string frac = std::to_string(100'000 + t % 100'000).substr(1);
            return std::to_string(t / 100'000) + '.' + frac;
        };
        for (int i = 0; i < kHourLines; ++i) {
            CivilDate c{};
            DecodeDate(DateSerial(2000, 1, 3) + i / 24, c);
            const int next = ticks + (i * 7919 % 61) - 30;
            hours.push_back({c.Year, c.Month, c.Day, i % 24, price(ticks), price(std::max(ticks, next) + 17),
                             price(std::min(ticks, next) - 11), price(next), std::to_string(40 + i % 300)});
            ticks = next;
        }
        path = dir.file("hourly" + std::to_string(static_cast<int>(format)) + ".txt");
        test::WriteFile(path, test::HourlyText(format, hours));
    }
    return path;
}

void HourlyFileToSavedBase(benchmark::State& state)
{
    const auto format = static_cast<HourlyFormat>(state.range(0));
    const std::string& file = HourlyFile(format);
    test::TempDir out;
    const std::string base = out.file("EURUSD.base");
    InstrumentTable table;
    for (auto _ : state) {
        const HourlySummary s = MakeBaseFromHourlyFile(base, "EURUSD", file, {}, {}, table);
        if (s.Hours != kHourLines)
            state.SkipWithError("not every hour was built");
    }
    state.SetItemsProcessed(state.iterations() * kHourLines);
}
BENCHMARK(HourlyFileToSavedBase)
    ->DenseRange(1, kHourlyFormatCount)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same without the disk: the text already in memory, the record built.
void HourlyTextToRecord(benchmark::State& state)
{
    const std::string text = test::ReadFile(HourlyFile(static_cast<HourlyFormat>(state.range(0))));
    InstrumentTable table;
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildInstrumentFromHourly(table.ScratchSlot(), "EURUSD", text).Hours);
    state.SetItemsProcessed(state.iterations() * kHourLines);
}
BENCHMARK(HourlyTextToRecord)
    ->DenseRange(1, kHourlyFormatCount)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace quillet
