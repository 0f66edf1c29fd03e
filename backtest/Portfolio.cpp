#include "backtest/Portfolio.h"

#include "backtest/TradeRules.h"
#include "store/Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace quillet {
namespace {

// The entry bar lies on day 8 to 12 after the signal candle's date: with
// weekly candles dated on the Sunday before their week, the Monday to Friday
// of the week after the signal.
constexpr long double kFirstEntryDay = 8;
constexpr long double kLastEntryDay = 12;

enum class Exit { TakeProfit, StopLoss, RanOut };

// The pair traded in one week: the slot with the longest weekly candle.
struct WeekChoice {
    int Slot = 0;  // 0: no slot had a candle longer than 0 points
    std::int32_t Length = 0;
};

// The series of take-profits and stop-losses, in trade order across all pairs.
struct SeriesState {
    bool LastWasTakeProfit = false;
    std::int32_t TpSeries = 0;
    std::int32_t SlSeries = 0;
};

// Sums of hours and points stay at the 32-bit bound instead of wrapping when
// corrupt quotes produce absurd drawdowns.
void AddCapped(std::int32_t& sum, std::int32_t value)
{
    const std::int64_t total = static_cast<std::int64_t>(sum) + value;
    sum = static_cast<std::int32_t>(std::clamp<std::int64_t>(total, std::numeric_limits<std::int32_t>::min(),
                                                             std::numeric_limits<std::int32_t>::max()));
}

std::int32_t CandleLength(const Candle& week, int multiplier)
{
    return RoundToInt32(std::fabs(PointDifference(week.Open, week.Close, multiplier)));
}

// Ties go to the lower slot: a later slot must be strictly longer.
WeekChoice ChoosePair(const InstrumentTable& table, const std::array<int, kPortfolioPairCount>& multipliers,
                      int week)
{
    WeekChoice choice;
    for (int slot = 1; slot <= kPortfolioPairCount; ++slot) {
        const std::int32_t length = CandleLength(table[slot].Week[week], multipliers[slot - 1]);
        if (length > choice.Length) {
            choice.Slot = slot;
            choice.Length = length;
        }
    }
    return choice;
}

// The first hourly bar, from index 0 up to the series' end mark, dated 8 to
// 12 days after the signal candle; -1 when the data has none.
int FindEntryBar(const CandleSeries& hour, double signalDate)
{
    const long double signalDay = std::trunc(signalDate);
    const int end = std::min(FirstEmptyIndex(hour, 1), kLastCandleIndex + 1);
    for (int e = 0; e < end; ++e) {
        const long double daysAfter = std::trunc(hour[e].Date) - signalDay;
        if (daysAfter >= kFirstEntryDay && daysAfter <= kLastEntryDay)
            return e;
    }
    return -1;
}

bool BarExists(const CandleSeries& series, int index)
{
    return index <= kLastCandleIndex && CandleExists(series[index]);
}

struct TradeOutcome {
    Exit How = Exit::RanOut;
    std::int32_t Hours = 0;
    std::int32_t Drawdown = 0;
};

// Walks the hourly bars from the entry bar until one reaches a level. The
// adverse excursion of every bar that reached none is measured before moving
// on, so the entry bar counts and the exit bar does not.
TradeOutcome WalkTrade(const CandleSeries& hour, int entry, bool sell, double takeProfitLevel,
                       double stopLossLevel, long double m)
{
    const long double entryPrice = hour[entry].Open;
    TradeOutcome t;
    for (int k = 0;; ++k) {
        const Candle& bar = hour[entry + k];
        const std::string_view outcome = ClassifyBar(bar.High, bar.Low, takeProfitLevel, stopLossLevel);
        if (outcome != kNoOutcome) {
            t.How = outcome == kTakeProfit ? Exit::TakeProfit : Exit::StopLoss;
            t.Hours = k;
            return t;
        }
        if (!BarExists(hour, entry + k + 1)) {
            t.How = Exit::RanOut;
            return t;
        }
        const long double adverse = sell ? (static_cast<long double>(bar.High) - entryPrice) * m
                                         : (entryPrice - static_cast<long double>(bar.Low)) * m;
        t.Drawdown = std::max(t.Drawdown, RoundToInt32(adverse));
    }
}

// A series only counts from week 1 on; week 0 still sets what came last.
void StepSeries(PortfolioResult& r, SeriesState& s, int week, bool takeProfit)
{
    if (week > 0) {
        if (takeProfit) {
            if (s.LastWasTakeProfit) {
                ++s.TpSeries;
                r.TpSeriesMax = std::max(r.TpSeriesMax, s.TpSeries);
            } else {
                s.TpSeries = 1;
            }
        } else {
            if (!s.LastWasTakeProfit) {
                ++s.SlSeries;
                r.SlSeriesMax = std::max(r.SlSeriesMax, s.SlSeries);
            } else {
                s.SlSeries = 1;
            }
        }
    }
    s.LastWasTakeProfit = takeProfit;
}

// The share of take-profits in per cent with its "%", or "-" without trades.
std::string TakeProfitShare(std::int32_t takeProfits, std::int32_t entries)
{
    if (entries == 0)
        return "-";
    const long double perCent = static_cast<long double>(entries) / 100;
    return FormatGeneral2(static_cast<long double>(takeProfits) / perCent) + "%";
}

std::string RoundedAverage(std::int32_t sum, std::int32_t count)
{
    if (count == 0)
        return "-";
    return std::to_string(RoundToInt32(static_cast<long double>(sum) / count));
}

std::string SeriesText(std::int32_t length)
{
    return length == 0 ? "-" : std::to_string(length);
}

}  // namespace

PortfolioResult RunPortfolioBacktest(const PortfolioParams& params, const ProgressStep& progress,
                                     const InstrumentTable& table)
{
    PortfolioResult result;
    SeriesState series;

    std::array<int, kPortfolioPairCount> multipliers{};
    for (int slot = 1; slot <= kPortfolioPairCount; ++slot)
        multipliers[slot - 1] = PointMultiplier(ShortStringText(table[slot].Name));

    for (int week = 0; week < kPortfolioWeekCount; ++week) {
        const WeekChoice choice = ChoosePair(table, multipliers, week);
        if (progress)
            progress();
        if (choice.Slot == 0 || choice.Length <= params.SignalMinPoints)
            continue;

        const Instrument& pair = table[choice.Slot];
        const Candle& signal = pair.Week[week];
        const int entry = FindEntryBar(pair.Hour, signal.Date);
        if (entry < 0)
            continue;  // no hourly data in the following week: nothing to trade

        const long double m = multipliers[choice.Slot - 1];
        const bool sell = PointDifference(signal.Open, signal.Close, m) > 0;
        const long double entryPrice = pair.Hour[entry].Open;
        const long double takeProfitOffset = params.TakeProfitPoints / m;
        const long double stopLossOffset = params.StopLossPoints / m;
        const double takeProfitLevel =
            static_cast<double>(sell ? entryPrice - takeProfitOffset : entryPrice + takeProfitOffset);
        const double stopLossLevel =
            static_cast<double>(sell ? entryPrice + stopLossOffset : entryPrice - stopLossOffset);

        const TradeOutcome trade = WalkTrade(pair.Hour, entry, sell, takeProfitLevel, stopLossLevel, m);
        if (trade.How == Exit::RanOut)
            continue;  // a trade the data cannot finish is left out of every count

        PairTally& tally = result.Pairs[choice.Slot - 1];
        ++result.Entries;
        ++tally.Entries;
        if (trade.How == Exit::TakeProfit) {
            ++result.TakeProfits;
            ++tally.TakeProfits;
            StepSeries(result, series, week, true);
            AddCapped(result.HoursSum, trade.Hours);
            AddCapped(result.DrawdownSum, trade.Drawdown);
            result.DrawdownMax = std::max(result.DrawdownMax, trade.Drawdown);
        } else {
            ++result.StopLosses;
            StepSeries(result, series, week, false);
        }
    }
    return result;
}

std::vector<LabelText> MakePortfolioReport(const PortfolioParams& params, const PortfolioResult& r)
{
    std::vector<LabelText> labels;
    labels.reserve(10 + kPortfolioPairCount);
    labels.push_back({"Label148", std::to_string(r.Entries)});
    labels.push_back({"Label142", std::to_string(r.TakeProfits)});
    labels.push_back({"Label144", std::to_string(r.StopLosses)});
    labels.push_back({"Label146", TakeProfitShare(r.TakeProfits, r.Entries)});
    labels.push_back({"Label154", RoundedAverage(r.HoursSum, r.TakeProfits)});
    labels.push_back({"Label150", RoundedAverage(r.DrawdownSum, r.TakeProfits)});
    labels.push_back({"Label152", std::to_string(r.DrawdownMax)});

    // Points won over points lost; without a loss the ratio has no value.
    const std::int64_t pointsWon = static_cast<std::int64_t>(params.TakeProfitPoints) * r.TakeProfits;
    const std::int64_t pointsLost = static_cast<std::int64_t>(params.StopLossPoints) * r.StopLosses;
    labels.push_back({"Label158", pointsLost == 0 ? "-"
                                                  : FormatGeneral2(static_cast<long double>(pointsWon) /
                                                                   static_cast<long double>(pointsLost))});
    labels.push_back({"Label167", SeriesText(r.TpSeriesMax)});
    labels.push_back({"Label169", SeriesText(r.SlSeriesMax)});

    for (int row = 0; row < kPortfolioPairCount; ++row) {
        const PairTally& pair = r.Pairs[row];
        const std::string text =
            std::to_string(pair.Entries) + " (" + TakeProfitShare(pair.TakeProfits, pair.Entries) + ")";
        labels.push_back({"Label" + std::to_string(133 + row), text});
    }
    return labels;
}

}  // namespace quillet
