#include "analysis/DataCheck.h"

#include "model/Numbers.h"
#include "rule/TradeRules.h"

#include <algorithm>
#include <bitset>
#include <cmath>

namespace quillet {
namespace {

constexpr int kHoursPerDay = 24;
constexpr int kHoursPerWeek = 7 * kHoursPerDay;
constexpr int kSessionCloseHour = 5 * kHoursPerDay + kSessionOpenHour; // Friday 22:00, hour of the week
constexpr int kSaturdayHour = 6 * kHoursPerDay;

std::int64_t SundayOf(std::int64_t day)
{
    // Day 0, 30 December 1899, was a Saturday.
    return day - ((day - 1) % 7 + 7) % 7;
}

/// The hour of the day a candle's time names ("13" or "13:00"); false when
/// it names none.
bool HourOfCandle(const Candle& c, int& hour)
{
    const int length = std::min<int>(c.Time.Length, 7);
    int digits = 0;
    hour = 0;
    while (digits < length && digits < 2 && c.Time.Chars[digits] >= '0' && c.Time.Chars[digits] <= '9')
        hour = hour * 10 + (c.Time.Chars[digits++] - '0');
    return digits > 0 && hour < kHoursPerDay && std::isfinite(c.Date);
}

HourStamp StampOf(std::int64_t hour)
{
    const std::int64_t day = hour >= 0 ? hour / kHoursPerDay : -((-hour + kHoursPerDay - 1) / kHoursPerDay);
    return {static_cast<double>(day), static_cast<int>(hour - day * kHoursPerDay)};
}

/// An hourly candle of the weeks looked at.
struct Placed {
    std::int64_t Hour;   // day * 24 + hour of the day
    std::int64_t Sunday; // of its week
    const Candle* Bar;
};

std::vector<Placed> PlaceHours(const Instrument& inst, const DataCheckOptions& options)
{
    std::vector<Placed> placed;
    const int end = FirstEmptyIndex(inst.Hour, 1);
    placed.reserve(static_cast<std::size_t>(end));
    for (int i = 1; i < end; ++i) {
        const Candle& c = inst.Hour[i];
        int hour = 0;
        if (!HourOfCandle(c, hour) || std::fabs(c.Date) > 1e7)
            continue;
        const auto day = static_cast<std::int64_t>(std::floor(c.Date));
        const std::int64_t sunday = SundayOf(day);
        if ((options.FromSunday && sunday < *options.FromSunday) ||
            (options.ToSunday && sunday > *options.ToSunday))
            continue;
        placed.push_back({day * kHoursPerDay + hour, sunday, &c});
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed& a, const Placed& b) { return a.Hour < b.Hour; });
    return placed;
}

long double RangeOf(const Candle& c)
{
    return static_cast<long double>(c.High) - static_cast<long double>(c.Low);
}

std::int64_t Tenths(long double priceDifference, int multiplier)
{
    return RoundHalfEven(std::fabs(priceDifference) * multiplier * 10);
}

long double Median(std::vector<long double>& values)
{
    const std::size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid), values.end());
    const long double upper = values[mid];
    if (values.size() % 2 != 0)
        return upper;
    const long double lower =
        *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid));
    return (lower + upper) / 2;
}

/// Spikes and Saturday hours of one week's candles [begin, end).
void CheckWeek(std::vector<Placed>::const_iterator begin, std::vector<Placed>::const_iterator end,
               int multiplier, DataCheck& check)
{
    std::vector<long double> ranges;
    for (auto it = begin; it != end; ++it) {
        ranges.push_back(RangeOf(*it->Bar));
        if (it->Hour - it->Sunday * kHoursPerDay >= kSaturdayHour)
            check.SaturdayHours.push_back(StampOf(it->Hour));
    }
    const long double median = Median(ranges);
    // A week of flat candles has no usual range to compare with.
    if (!(median > 0))
        return;
    for (auto it = begin; it != end; ++it) {
        const Candle& c = *it->Bar;
        if (!(RangeOf(c) > kSpikeFactor * median))
            continue;
        const long double top = std::max(c.Open, c.Close), bottom = std::min(c.Open, c.Close);
        const long double wick = std::max(c.High - top, bottom - c.Low);
        check.Spikes.push_back({StampOf(it->Hour), Tenths(RangeOf(c), multiplier), Tenths(median, multiplier),
                                Tenths(wick, multiplier), wick > kSpikeFactor * median});
    }
}

/// The trading hours of every week from the first hour to the last: those
/// present, those expected, the thin weeks and the longest run of missing ones.
void CountTradingHours(const std::vector<Placed>& placed, const DataCheckOptions& options, DataCheck& check)
{
    const std::int64_t first = placed.front().Hour, last = placed.back().Hour;
    const std::int64_t firstSunday = placed.front().Sunday, lastSunday = placed.back().Sunday;
    const auto weeks = static_cast<std::size_t>((lastSunday - firstSunday) / 7 + 1);
    std::vector<std::bitset<kHoursPerWeek>> present(weeks);
    for (const Placed& p : placed)
        present[static_cast<std::size_t>((p.Sunday - firstSunday) / 7)].set(
            static_cast<std::size_t>(p.Hour - p.Sunday * kHoursPerDay));
    check.Weeks = static_cast<int>(weeks);
    check.FirstSunday = static_cast<double>(firstSunday);
    check.LastSunday = static_cast<double>(lastSunday);
    DataGap run;
    for (std::size_t w = 0; w < weeks; ++w) {
        const std::int64_t sunday = firstSunday + 7 * static_cast<std::int64_t>(w);
        int expected = 0, found = 0;
        for (int h = kSessionOpenHour; h < kSessionCloseHour; ++h) {
            const std::int64_t hour = sunday * kHoursPerDay + h;
            if (hour < first || hour > last)
                continue;
            ++expected;
            if (present[w].test(static_cast<std::size_t>(h))) {
                ++found;
                run.Hours = 0;
                continue;
            }
            if (run.Hours++ == 0)
                run.First = StampOf(hour);
            run.Last = StampOf(hour);
            if (run.Hours > check.LongestGap.Hours)
                check.LongestGap = run;
        }
        check.ExpectedHours += expected;
        check.PresentHours += found;
        if (expected > 0 && found < options.MinWeekShare * expected)
            check.ThinWeeks.push_back({static_cast<double>(sunday), found, expected});
    }
}

void FindFlatRuns(const std::vector<Placed>& placed, DataCheck& check)
{
    std::size_t start = 0;
    for (std::size_t i = 1; i <= placed.size(); ++i) {
        if (i < placed.size() && placed[i].Bar->Close == placed[start].Bar->Close)
            continue;
        const auto length = static_cast<int>(i - start);
        if (length >= kFlatRunHours)
            check.FlatRuns.push_back(
                {StampOf(placed[start].Hour), StampOf(placed[i - 1].Hour), length, placed[start].Bar->Close});
        start = i;
    }
}

/// The candle the hours [begin, end) make.
struct Made {
    double Open, High, Low, Close;
};

Made MakeCandle(std::vector<Placed>::const_iterator begin, std::vector<Placed>::const_iterator end)
{
    Made m{begin->Bar->Open, begin->Bar->High, begin->Bar->Low, (end - 1)->Bar->Close};
    for (auto it = begin; it != end; ++it) {
        m.High = std::max(m.High, it->Bar->High);
        m.Low = std::min(m.Low, it->Bar->Low);
    }
    return m;
}

/// Compares the candles of a series with the hours of their spans; a span
/// is compared only when hours lie before it and after it.
void CompareSeries(const CandleSeries& series, bool weekly, const std::vector<Placed>& placed, int multiplier,
                   const DataCheckOptions& options, DataCheck& check)
{
    const int end = FirstEmptyIndex(series, 1);
    const std::int64_t spanHours = (weekly ? 7 : 1) * kHoursPerDay;
    for (int i = 1; i < end; ++i) {
        const Candle& c = series[i];
        if (!std::isfinite(c.Date) || std::fabs(c.Date) > 1e7)
            continue;
        const auto day = static_cast<std::int64_t>(std::floor(c.Date));
        const std::int64_t sunday = SundayOf(day);
        if ((options.FromSunday && sunday < *options.FromSunday) ||
            (options.ToSunday && sunday > *options.ToSunday))
            continue;
        const std::int64_t from = day * kHoursPerDay, to = from + spanHours;
        if (placed.front().Hour >= from || placed.back().Hour < to)
            continue;
        const auto lower = [](const Placed& p, std::int64_t h) { return p.Hour < h; };
        const auto b = std::lower_bound(placed.begin(), placed.end(), from, lower);
        const auto e = std::lower_bound(b, placed.end(), to, lower);
        if (b == e)
            continue;
        ++(weekly ? check.WeeksCompared : check.DaysCompared);
        const Made m = MakeCandle(b, e);
        const double candle[] = {c.Open, c.High, c.Low, c.Close};
        const double made[] = {m.Open, m.High, m.Low, m.Close};
        CandleDisagreement worst{weekly, c.Date};
        for (int f = 0; f < 4; ++f) {
            const std::int64_t tenths =
                Tenths(static_cast<long double>(candle[f]) - static_cast<long double>(made[f]), multiplier);
            if (tenths > worst.Tenths)
                worst = {weekly, c.Date, static_cast<CandleField>(f), candle[f], made[f], tenths};
        }
        if (worst.Tenths > kDisagreementTenths)
            check.Disagreements.push_back(worst);
    }
}

} // namespace

std::int64_t DataCheck::SharePerMille() const
{
    if (ExpectedHours == 0)
        return 1000;
    return RoundHalfEven(static_cast<long double>(PresentHours) * 1000 / ExpectedHours);
}

std::size_t DataCheck::WickSpikes() const
{
    return static_cast<std::size_t>(
        std::count_if(Spikes.begin(), Spikes.end(), [](const DataSpike& s) { return s.InWick; }));
}

DataCheck CheckQuoteData(const Instrument& instrument, const DataCheckOptions& options)
{
    DataCheck check;
    const std::vector<Placed> placed = PlaceHours(instrument, options);
    if (placed.empty())
        return check;
    const int multiplier = PointMultiplier(ShortStringText(instrument.Name));
    CountTradingHours(placed, options, check);
    for (auto b = placed.begin(); b != placed.end();) {
        const auto e = std::find_if(b, placed.end(), [&](const Placed& p) { return p.Sunday != b->Sunday; });
        CheckWeek(b, e, multiplier, check);
        b = e;
    }
    FindFlatRuns(placed, check);
    if (options.CompareCandles) {
        CompareSeries(instrument.Week, true, placed, multiplier, options, check);
        CompareSeries(instrument.Day, false, placed, multiplier, options, check);
    }
    return check;
}

DataCheckOptions RunWeeks(const Instrument& instrument, int firstWeek, int lastWeek, DataCheckOptions options)
{
    const int first = std::max(firstWeek, 1);
    const int last = std::min(lastWeek, FirstEmptyIndex(instrument.Week, 1) - 1);
    if (first > last) {
        // No weekly candle is walked, so no hour is used.
        options.FromSunday = 1;
        options.ToSunday = 0;
        return options;
    }
    if (!std::isfinite(instrument.Week[first].Date) || !std::isfinite(instrument.Week[last].Date))
        return options;
    const auto sundayOf = [&](int week) {
        return static_cast<double>(
            SundayOf(static_cast<std::int64_t>(std::floor(instrument.Week[week].Date))));
    };
    options.FromSunday = sundayOf(first);
    options.ToSunday = sundayOf(last) + 7;
    return options;
}

} // namespace quillet
