#pragma once
// The demo instruments: seven pairs of made-up but plausible history, the
// same bytes on every run and on every machine. Each pair is written as the
// three quote text files a broker would give, and its ".base" is built from
// them by the ordinary import, so the demo exercises the user's own path.

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::demo {

/// One demo pair and the character of its history. Prices are held as whole
/// ticks, a tick being one unit of the last decimal the quotes carry
/// (0.00001 for most pairs, 0.001 for yen pairs); a point is 10 ticks either way.
struct DemoPair {
    std::string_view Name;
    int Decimals;                  // 5, or 3 for yen pairs
    std::int64_t StartTicks;       // the first hour's open
    std::int64_t FloorTicks;       // the price never trades below this ...
    std::int64_t CeilingTicks;     // ... nor above this
    std::int64_t HourlySigmaTicks; // typical hourly move in a calm week
    std::uint64_t Seed;
};

inline constexpr int kDemoPairCount = 7;
inline constexpr int kDemoWeekCount = 537;
inline constexpr int kTicksPerPoint = 10;

/// The pairs in the order of the demo "config".
const std::array<DemoPair, kDemoPairCount>& DemoPairs();

/// Day serial of the Sunday that dates the first weekly candle; weekly
/// candle w (from 0) is dated seven days later per week.
double DemoFirstWeekDate();

/// The three quote texts of one pair: one line per candle,
/// "yyyy.mm.dd,HH:00,open,high,low,close,volume" with CR LF line ends.
struct DemoQuotes {
    std::string Week;
    std::string Day;
    std::string Hour;
    int WeekCount = 0;
    int DayCount = 0;
    int HourCount = 0;
};

/// Generates one pair's history. The hourly path comes first; every daily and
/// weekly candle is the aggregate of its hours.
DemoQuotes GenerateDemoQuotes(const DemoPair& pair);

/// The files that writing the demo instruments into DIR makes, "config"
/// aside: for each pair quotes/NAME_W1.csv, NAME_D1.csv, NAME_H1.csv and
/// NAME.base, as paths relative to DIR.
std::vector<std::string> DemoInstrumentFiles();

/// Writes the quote files and the ".base" of each pair into DIR (made when
/// missing), calling `pairWritten` after each pair with the count written so
/// far and a line that describes it. "config" is not touched. Returns the
/// names in the order of the demo "config".
std::vector<std::string>
WriteDemoInstruments(const std::string& dir,
                     const std::function<void(int written, const std::string& line)>& pairWritten = {});

/// Writes DIR/quotes/NAME_W1.csv, NAME_D1.csv and NAME_H1.csv for each pair,
/// builds DIR/NAME.base from them and lists the pairs in DIR/config. Creates
/// DIR when needed. One line per pair goes to `progress`.
void WriteDemoData(const std::string& dir, std::ostream& progress);

} // namespace quillet::demo
