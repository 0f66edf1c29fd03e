// demo-data: seven demo instruments generated from fixed seeds.
//
// All arithmetic here is on integers drawn from the raw outputs of
// std::mt19937_64, whose sequence the C++ standard fixes. No library
// distribution and no floating-point maths is involved, so the files come
// out byte for byte the same on every machine and with every compiler.

#include "demo/DemoData.h"

#include "model/Dates.h"
#include "model/Errors.h"
#include "store/Files.h"
#include "store/QuoteImport.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <random>
#include <system_error>
#include <vector>

namespace quillet::demo {
namespace {

using Rng = std::mt19937_64;

// Prices move in thousandths of a tick, so slow drifts are not lost to
// rounding; they are rounded to whole ticks where a candle is written.
constexpr std::int64_t kFine = 1000;

/// n / d rounded to the nearest integer, halves to even (d > 0).
std::int64_t DivRound(std::int64_t n, std::int64_t d)
{
    std::int64_t q = n / d;
    std::int64_t r = n % d;
    if (r < 0) {
        r += d;
        --q;
    }
    if (2 * r > d || (2 * r == d && (q & 1) != 0))
        ++q;
    return q;
}

/// A draw from 0 to n - 1.
std::int64_t Below(Rng& rng, std::int64_t n)
{
    return static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(n));
}

/// A draw that is close to standard normal, in units of 1/kNormalUnit: the
/// centred sum of twelve 16-bit uniforms (Irwin-Hall). Its tails stop at six
/// deviations; the odd violent hour is added on purpose instead.
constexpr std::int64_t kNormalUnit = 131072;
std::int64_t Normal(Rng& rng)
{
    std::int64_t sum = 0;
    for (int i = 0; i < 3; ++i) {
        std::uint64_t bits = rng();
        for (int j = 0; j < 4; ++j) {
            sum += static_cast<std::int64_t>(bits & 0xFFFF);
            bits >>= 16;
        }
    }
    return 2 * sum - 12 * 65535;
}

/// How lively each hour of the day is, in thousandths of the pair's typical
/// hourly move: quiet overnight, busiest when London and New York overlap.
constexpr std::array<std::int64_t, 24> kSessionActivity = {
    700,  650,  650,  700,  700,  750, 850, 1150, 1250, 1250, 1200, 1150,
    1400, 1450, 1450, 1350, 1200, 950, 850, 800,  750,  650,  600,  600,
};

/// Weeks of turmoil, when every pair moves harder (thousandths).
struct Turmoil {
    int FromYear, FromMonth, FromDay;
    int ToYear, ToMonth, ToDay;
    std::int64_t Activity;
};
constexpr std::array<Turmoil, 3> kTurmoil = {{
    {2008, 9, 7, 2009, 4, 26, 1800},   // the credit crunch
    {2010, 4, 25, 2010, 6, 27, 1300},  // the first euro debt scare
    {2011, 7, 31, 2011, 10, 30, 1300}, // the second one
}};

std::int64_t TurmoilActivity(double sunday)
{
    for (const Turmoil& t : kTurmoil)
        if (sunday >= DateSerial(t.FromYear, t.FromMonth, t.FromDay) &&
            sunday <= DateSerial(t.ToYear, t.ToMonth, t.ToDay))
            return t.Activity;
    return 1000;
}

/// Christmas Day and New Year's Day have no quotes.
bool IsHoliday(const CivilDate& d)
{
    return (d.Month == 12 && d.Day == 25) || (d.Month == 1 && d.Day == 1);
}

/// One candle in ticks while it is being written.
struct Bar {
    std::int64_t Open = 0, High = 0, Low = 0, Close = 0, Volume = 0;
    bool Started = false;

    void Add(const Bar& hour)
    {
        if (!Started) {
            *this = hour;
            return;
        }
        High = std::max(High, hour.High);
        Low = std::min(Low, hour.Low);
        Close = hour.Close;
        Volume += hour.Volume;
    }
};

void AppendDigits(std::string& out, std::int64_t value, int width)
{
    char buf[24];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < width; ++i)
        out += '0';
    while (n > 0)
        out += buf[--n];
}

/// A price of whole ticks with exactly `decimals` decimals and "." as the
/// decimal point, as quote files have it.
void AppendPrice(std::string& out, std::int64_t ticks, int decimals)
{
    const std::int64_t scale = decimals == 3 ? 1000 : 100000;
    AppendDigits(out, ticks / scale, 1);
    out += '.';
    AppendDigits(out, ticks % scale, decimals);
}

void AppendLine(std::string& out, const std::string& date, int hour, const Bar& bar, int decimals)
{
    out += date;
    out += ',';
    AppendDigits(out, hour, 2);
    out += ":00,";
    AppendPrice(out, bar.Open, decimals);
    out += ',';
    AppendPrice(out, bar.High, decimals);
    out += ',';
    AppendPrice(out, bar.Low, decimals);
    out += ',';
    AppendPrice(out, bar.Close, decimals);
    out += ',';
    AppendDigits(out, bar.Volume, 1);
    out += "\r\n";
}

std::string QuoteDate(const CivilDate& d)
{
    std::string text;
    AppendDigits(text, d.Year, 4);
    text += '.';
    AppendDigits(text, d.Month, 2);
    text += '.';
    AppendDigits(text, d.Day, 2);
    return text;
}

CivilDate Civil(double serial)
{
    CivilDate d{};
    DecodeDate(serial, d);
    return d;
}

/// The walk of one pair's price, in fine units (thousandths of a tick).
class PriceWalk {
  public:
    explicit PriceWalk(const DemoPair& pair)
        : pair_(pair), rng_(pair.Seed), price_(pair.StartTicks * kFine), floor_(pair.FloorTicks * kFine),
          ceiling_(pair.CeilingTicks * kFine)
    {
    }

    Rng& rng() { return rng_; }

    /// Sets the week's mood: how lively the market is and where it leans.
    void StartWeek(double sunday)
    {
        // Liveliness wanders around its mean and is pulled back to it.
        liveliness_ += DivRound(1000 - liveliness_, 6) + DivRound(170 * Normal(rng_), kNormalUnit);
        liveliness_ = std::clamp<std::int64_t>(liveliness_, 550, 2200);
        weekActivity_ = DivRound(liveliness_ * TurmoilActivity(sunday), 1000);

        // The lean (drift per hour) persists for some weeks, so trends form.
        const std::int64_t sigma = pair_.HourlySigmaTicks * kFine;
        lean_ = DivRound(lean_ * 6, 7) + DivRound(sigma * 22 / 1000 * Normal(rng_), kNormalUnit);
        // Near the edges of the pair's range the lean turns inwards.
        const std::int64_t margin = (ceiling_ - floor_) / 6;
        if (price_ > ceiling_ - margin)
            lean_ = std::min<std::int64_t>(lean_, 0) - sigma * 3 / 100;
        else if (price_ < floor_ + margin)
            lean_ = std::max<std::int64_t>(lean_, 0) + sigma * 3 / 100;
    }

    /// One hour of trading; `gap` marks the week's first hour, which opens
    /// away from Friday's close.
    Bar Hour(int hourOfDay, bool gap)
    {
        std::int64_t sigma =
            DivRound(pair_.HourlySigmaTicks * weekActivity_ * kSessionActivity[hourOfDay], 1000);
        if (Below(rng_, 1000) < 8)
            sigma *= 3; // news
        if (gap)
            Move(DivRound(sigma * Normal(rng_), 2 * kNormalUnit));

        Bar bar;
        bar.Open = bar.High = bar.Low = Ticks();
        // Four quarter-hour moves of half the hour's size make up the hour.
        for (int quarter = 0; quarter < 4; ++quarter) {
            Move(DivRound(lean_, 4) + DivRound(sigma * Normal(rng_), 2 * kNormalUnit));
            bar.High = std::max(bar.High, Ticks());
            bar.Low = std::min(bar.Low, Ticks());
        }
        bar.Close = Ticks();
        // Brief spikes between the quarters.
        bar.High =
            std::min(bar.High + DivRound(sigma * Below(rng_, 1000), 6 * kFine * 1000), pair_.CeilingTicks);
        bar.Low = std::max(bar.Low - DivRound(sigma * Below(rng_, 1000), 6 * kFine * 1000), pair_.FloorTicks);
        bar.Volume = 40 + (bar.High - bar.Low) * 12 / kTicksPerPoint + Below(rng_, 60);
        bar.Started = true;
        return bar;
    }

  private:
    void Move(std::int64_t delta)
    {
        price_ += delta;
        // The range's edges reflect the price.
        if (price_ > ceiling_)
            price_ = 2 * ceiling_ - price_;
        if (price_ < floor_)
            price_ = 2 * floor_ - price_;
        price_ = std::clamp(price_, floor_, ceiling_);
    }

    std::int64_t Ticks() const { return DivRound(price_, kFine); }

    const DemoPair& pair_;
    Rng rng_;
    std::int64_t price_;
    std::int64_t floor_;
    std::int64_t ceiling_;
    std::int64_t liveliness_ = 1000;   // thousandths
    std::int64_t weekActivity_ = 1000; // thousandths
    std::int64_t lean_ = 0;            // fine units per hour
};

constexpr std::array<DemoPair, kDemoPairCount> kDemoPairs = {{
    // name     decimals start     floor     ceiling   sigma seed
    {"AUDJPY", 3, 80'600, 75'000, 110'000, 64, 0x51'55'49'4C'4C'01'00'01},
    {"AUDUSD", 5, 77'800, 62'000, 110'000, 64, 0x51'55'49'4C'4C'01'00'02},
    {"EURJPY", 3, 138'800, 105'000, 150'000, 66, 0x51'55'49'4C'4C'01'00'03},
    {"GBPUSD", 5, 152'000, 130'000, 165'000, 65, 0x51'55'49'4C'4C'01'00'04},
    {"EURAUD", 5, 145'000, 120'000, 165'000, 68, 0x51'55'49'4C'4C'01'00'05},
    {"EURUSD", 5, 134'300, 105'000, 160'000, 61, 0x51'55'49'4C'4C'01'00'06},
    {"EURCAD", 5, 155'000, 120'000, 165'000, 55, 0x51'55'49'4C'4C'01'00'07},
}};

} // namespace

const std::array<DemoPair, kDemoPairCount>& DemoPairs()
{
    return kDemoPairs;
}

double DemoFirstWeekDate()
{
    return DateSerial(2005, 1, 9);
}

DemoQuotes GenerateDemoQuotes(const DemoPair& pair)
{
    DemoQuotes out;
    out.Week.reserve(kDemoWeekCount * 64);
    out.Day.reserve(kDemoWeekCount * 5 * 64);
    out.Hour.reserve(kDemoWeekCount * 120 * 64);

    PriceWalk walk(pair);
    for (int w = 0; w < kDemoWeekCount; ++w) {
        const double sunday = DemoFirstWeekDate() + 7.0 * w;
        walk.StartWeek(sunday);
        // Now and then a Monday passes without quotes; the week then starts on Tuesday.
        const bool mondayIdle = w > 0 && Below(walk.rng(), 1000) < 15;

        Bar week;
        for (int weekday = 1; weekday <= 5; ++weekday) {
            const double serial = sunday + weekday;
            const CivilDate civil = Civil(serial);
            if ((weekday == 1 && mondayIdle) || IsHoliday(civil))
                continue; // the market rests, and so does the price
            const std::string date = QuoteDate(civil);
            Bar day;
            for (int hour = 0; hour < 24; ++hour) {
                const Bar bar = walk.Hour(hour, !week.Started && !day.Started && hour == 0);
                // A few hours are missing from the feed; the price moved on all the same.
                if (Below(walk.rng(), 10000) < 15)
                    continue;
                AppendLine(out.Hour, date, hour, bar, pair.Decimals);
                ++out.HourCount;
                day.Add(bar);
            }
            if (day.Started) {
                AppendLine(out.Day, date, 0, day, pair.Decimals);
                ++out.DayCount;
                week.Add(day);
            }
        }
        AppendLine(out.Week, QuoteDate(Civil(sunday)), 0, week, pair.Decimals);
        ++out.WeekCount;
    }
    return out;
}

std::vector<std::string> DemoInstrumentFiles()
{
    std::vector<std::string> files;
    for (const DemoPair& pair : DemoPairs()) {
        const std::string name(pair.Name);
        for (const char* tf : {"_W1.csv", "_D1.csv", "_H1.csv"})
            files.push_back("quotes/" + name + tf);
        files.push_back(name + ".base");
    }
    return files;
}

std::vector<std::string> WriteDemoInstruments(const std::string& dir,
                                              const std::function<void(int, const std::string&)>& pairWritten)
{
    namespace fs = std::filesystem;
    const fs::path root(dir);
    const fs::path quotes = root / "quotes";
    std::error_code ec;
    fs::create_directories(quotes, ec);
    if (ec)
        throw Error("Не удаётся создать папку '" + quotes.string() + "': " + FileErrorText(ec.value()));

    std::vector<std::string> names;
    for (const DemoPair& pair : DemoPairs()) {
        const std::string name(pair.Name);
        const DemoQuotes q = GenerateDemoQuotes(pair);
        const std::string week = (quotes / (name + "_W1.csv")).string();
        const std::string day = (quotes / (name + "_D1.csv")).string();
        const std::string hour = (quotes / (name + "_H1.csv")).string();
        WriteFileAtomically(week, q.Week.data(), q.Week.size());
        WriteFileAtomically(day, q.Day.data(), q.Day.size());
        WriteFileAtomically(hour, q.Hour.data(), q.Hour.size());

        const std::string base = (root / (name + ".base")).string();
        MakeBaseFromQuoteFiles(base, name, week, day, hour);
        names.push_back(name);
        if (pairWritten)
            pairWritten(static_cast<int>(names.size()), name + ": Week " + std::to_string(q.WeekCount) +
                                                            ", Day " + std::to_string(q.DayCount) +
                                                            ", Hour " + std::to_string(q.HourCount) + " -> " +
                                                            base);
    }
    return names;
}

void WriteDemoData(const std::string& dir, std::ostream& progress)
{
    const std::vector<std::string> names =
        WriteDemoInstruments(dir, [&progress](int, const std::string& line) { progress << line << '\n'; });
    const std::string config = (std::filesystem::path(dir) / "config").string();
    WriteInstrumentList(config, names);
    progress << "Готово: " << config << '\n';
}

} // namespace quillet::demo
