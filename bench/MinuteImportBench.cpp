// A minute file of a million lines (two years of one-minute candles, about
// 55 MB) to a saved ".base": read piece by piece, every line checked, folded
// into hours, days and weeks built, the record written safely. Lines per
// second, on one core; in two formats, the shortest and the longest line.

#include "model/Dates.h"
#include "store/HourlyImport.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace quillet {
namespace {

constexpr int kMinuteLines = 1'000'000;

/// Every minute from Sunday 22:00 to Friday 22:00 of each week, from 2 January
/// 2000, with five-decimal prices that wander; written once per format.
const std::string& MinuteFile(HourlyFormat format)
{
    static test::TempDir dir;
    static std::string paths[kHourlyFormatCount];
    std::string& path = paths[static_cast<int>(format) - 1];
    if (!path.empty())
        return path;
    std::string text =
        format == HourlyFormat::DayFirstSeconds ? "Gmt time,Open,High,Low,Close,Volume\r\n" : "";
    text.reserve(kMinuteLines * 64);
    long long ticks = 130'000;
    const auto price = [](long long t) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%lld.%05lld", t / 100'000, t % 100'000);
        return std::string(buf);
    };
    for (long long m = 0, written = 0; written < kMinuteLines; ++m) {
        const long long inWeek = m % (7 * 1440);
        if (inWeek < 22 * 60 || inWeek >= (5 * 24 + 22) * 60)
            continue; // the weekend
        CivilDate c{};
        DecodeDate(DateSerial(2000, 1, 2) + static_cast<double>(m / 1440), c);
        const int hour = static_cast<int>(m % 1440 / 60), minute = static_cast<int>(m % 60);
        const long long next = ticks + (m * 7919 % 13) - 6;
        const std::string o = price(ticks), h = price(std::max(ticks, next) + 3),
                          l = price(std::min(ticks, next) - 2), cl = price(next);
        char line[128];
        if (format == HourlyFormat::DayFirstSeconds)
            std::snprintf(line, sizeof line, "%02d.%02d.%04d %02d:%02d:00.000,%s,%s,%s,%s,%lld\r\n", c.Day,
                          c.Month, c.Year, hour, minute, o.c_str(), h.c_str(), l.c_str(), cl.c_str(),
                          10 + m % 90);
        else
            std::snprintf(line, sizeof line, "%04d.%02d.%02d,%02d:%02d,%s,%s,%s,%s,%lld\r\n", c.Year, c.Month,
                          c.Day, hour, minute, o.c_str(), h.c_str(), l.c_str(), cl.c_str(), 10 + m % 90);
        text += line;
        ticks = next;
        ++written;
    }
    path = dir.file("minutes" + std::to_string(static_cast<int>(format)) + ".csv");
    test::WriteFile(path, text);
    return path;
}

void MinuteFileToSavedBase(benchmark::State& state)
{
    const auto format = static_cast<HourlyFormat>(state.range(0));
    const std::string& file = MinuteFile(format);
    test::TempDir out;
    const std::string base = out.file("EURUSD.base");
    InstrumentTable table;
    for (auto _ : state) {
        const HourlySummary s = MakeBaseFromQuoteFile(base, "EURUSD", file, {}, {}, table);
        if (s.Candles != kMinuteLines || s.StepMinutes != 1)
            state.SkipWithError("not every minute was read");
    }
    state.SetItemsProcessed(state.iterations() * kMinuteLines);
}
BENCHMARK(MinuteFileToSavedBase)
    ->Arg(static_cast<int>(HourlyFormat::QuoteLine))
    ->Arg(static_cast<int>(HourlyFormat::DayFirstSeconds))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace quillet
