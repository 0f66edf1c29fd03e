// Loading the instrument table and building an instrument from quote text.

#include "model/Instrument.h"
#include "store/Files.h"
#include "store/QuoteImport.h"
#include "store/Startup.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace quillet {
namespace {

constexpr int kFiles = 30;

std::string BaseFileName(int k)
{
    std::string name = "P";
    name += std::to_string(k);
    name += ".base";
    return name;
}

// Thirty full-size .base files with non-zero bytes throughout, read once so
// they sit in the page cache.
const test::TempDir& BaseFiles()
{
    static test::TempDir dir;
    static bool made = false;
    if (!made) {
        auto inst = std::make_unique<Instrument>();
        auto* bytes = reinterpret_cast<unsigned char*>(inst.get());
        for (std::size_t i = 0; i < sizeof(Instrument); ++i)
            bytes[i] = static_cast<unsigned char>(i * 131 + 7);
        InstrumentTable warm;
        for (int k = 1; k <= kFiles; ++k) {
            const std::string path = dir.file(BaseFileName(k));
            WriteBaseFile(path, *inst);
            ReadBaseFile(path, 1, warm);
        }
        made = true;
    }
    return dir;
}

void LoadThirtyIntoFreshTable(benchmark::State& state)
{
    const auto& dir = BaseFiles();
    for (auto _ : state) {
        state.PauseTiming();
        auto table = std::make_unique<InstrumentTable>();
        state.ResumeTiming();
        for (int k = 1; k <= kFiles; ++k)
            ReadBaseFile(dir.file(BaseFileName(k)), k, *table);
        benchmark::DoNotOptimize(table.get());
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kFiles * static_cast<std::int64_t>(kInstrumentSize));
}
BENCHMARK(LoadThirtyIntoFreshTable)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes read into memory that is already committed: the machine's
// copy speed from the page cache, the floor for any load.
void ReadThirtyIntoTouchedBuffer(benchmark::State& state)
{
    const auto& dir = BaseFiles();
    std::vector<unsigned char> buffer(kFiles * kInstrumentSize + kInstrumentSize, 1);
    for (auto _ : state) {
        for (int k = 1; k <= kFiles; ++k) {
            std::FILE* f = std::fopen(dir.file(BaseFileName(k)).c_str(), "rb");
            std::setvbuf(f, nullptr, _IONBF, 0);
            benchmark::DoNotOptimize(std::fread(&buffer[k * kInstrumentSize], 1, kInstrumentSize, f));
            std::fclose(f);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFiles * static_cast<std::int64_t>(kInstrumentSize));
}
BENCHMARK(ReadThirtyIntoTouchedBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

// Quote files of one instrument: 537 weeks, 2,685 days, 64,000 hours.
const test::TempDir& QuoteFiles()
{
    static test::TempDir dir;
    static bool made = false;
    if (!made) {
        auto write = [&](const char* name, int rows) {
            std::string text;
            text.reserve(static_cast<std::size_t>(rows) * 60);
            char line[128];
            for (int r = 0; r < rows; ++r) {
                const double base = 1.2 + (r % 977) * 0.0001;
                std::snprintf(line, sizeof line, "%04d.%02d.%02d,%02d:00,%.5f,%.5f,%.5f,%.5f,%d\r\n",
                              2005 + r / 8760, 1 + (r / 720) % 12, 1 + (r / 24) % 28, r % 24, base,
                              base + 0.0012, base - 0.0011, base + 0.0003, 100 + r % 50);
                text += line;
            }
            test::WriteFile(dir.file(name), text);
        };
        write("w.csv", 537);
        write("d.csv", 2685);
        write("h.csv", 64000);
        made = true;
    }
    return dir;
}

void ImportAndBuildOneInstrument(benchmark::State& state)
{
    const auto& dir = QuoteFiles();
    InstrumentTable table;
    for (auto _ : state)
        MakeBaseFromQuoteFiles(dir.file("B.base"), "EURUSD", dir.file("w.csv"), dir.file("d.csv"),
                               dir.file("h.csv"), table);
}
BENCHMARK(ImportAndBuildOneInstrument)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace quillet
