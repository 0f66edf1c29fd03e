// The all-pairs run. Its own rules, apart from the single-pair run: the pair
// of each week is the one with the longest weekly candle and must beat the
// minimum strictly; the entry bar lies on day 8 to 12 after the signal,
// searched from index 0; the drawdown is measured on each bar before moving
// on; there is no holding limit, and a trade the data cannot finish counts
// nowhere.

#include "engine/Portfolio.h"

#include "model/Numbers.h"
#include "rule/Arithmetic32.h"
#include "rule/EntryIndex.h"
#include "rule/TradeRules.h"
#include "rule/TradeSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace quillet {
namespace {

enum class Exit { TakeProfit, StopLoss, RanOut };

// The pair traded in one week: the slot with the longest weekly candle.
struct WeekChoice {
    int Slot = 0; // 0: no slot had a candle longer than 0 points
    std::int32_t Length = 0;
};

// Sums of hours and points stay at the 32-bit bound instead of wrapping when
// corrupt quotes produce absurd drawdowns.
void AddCapped(std::int32_t& sum, std::int32_t value)
{
    const std::int64_t total = static_cast<std::int64_t>(sum) + value;
    sum = static_cast<std::int32_t>(std::clamp<std::int64_t>(total, std::numeric_limits<std::int32_t>::min(),
                                                             std::numeric_limits<std::int32_t>::max()));
}

// The weekly body in points, rounded, as the single-pair signal test takes it.
std::int32_t CandleLength(const Candle& week, int multiplier)
{
    return RoundToInt32(std::fabs(SignedBody(week, multiplier)));
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
TradeOutcome WalkTrade(const CandleSeries& hour, int entry, TradeDirection direction,
                       const TradeLevels& levels, long double m)
{
    TradeOutcome t;
    for (int k = 0;; ++k) {
        const Candle& bar = hour[entry + k];
        const BarOutcome outcome = ClassifyCandle(bar, levels);
        if (outcome != BarOutcome::None) {
            t.How = outcome == BarOutcome::TakeProfit ? Exit::TakeProfit : Exit::StopLoss;
            t.Hours = k;
            return t;
        }
        if (!BarExists(hour, entry + k + 1)) {
            t.How = Exit::RanOut;
            return t;
        }
        t.Drawdown = std::max(t.Drawdown, AdverseExcursion(direction, levels.EntryPrice, bar, m));
    }
}

} // namespace

PortfolioResult RunPortfolioBacktest(const PortfolioParams& params, const ProgressStep& progress,
                                     const InstrumentTable& table)
{
    PortfolioResult result;
    TradeSeries series;

    std::array<int, kPortfolioPairCount> multipliers{};
    for (int slot = 1; slot <= kPortfolioPairCount; ++slot)
        multipliers[slot - 1] = PointMultiplier(ShortStringText(table[slot].Name));
    // One entry index per pair, made the first time the pair is traded.
    std::array<std::optional<EntryIndex>, kPortfolioPairCount> entryIndexes;

    for (int week = 0; week < kPortfolioWeekCount; ++week) {
        const WeekChoice choice = ChoosePair(table, multipliers, week);
        if (progress)
            progress();
        if (choice.Slot == 0 || choice.Length <= params.SignalMinPoints)
            continue;

        const Instrument& pair = table[choice.Slot];
        const Candle& signal = pair.Week[week];
        // The first hourly bar dated 8 to 12 days after the signal candle,
        // looked up by calendar day in an index built as the weeks need it.
        std::optional<EntryIndex>& index = entryIndexes[choice.Slot - 1];
        if (!index)
            index.emplace(pair.Hour, 0, FirstEmptyIndex(pair.Hour, 1));
        const int entry = index->PortfolioEntry(signal.Date);
        if (entry < 0)
            continue; // no hourly data in the following week: nothing to trade

        const long double m = multipliers[choice.Slot - 1];
        const TradeDirection direction = DirectionAgainst(PointDifference(signal.Open, signal.Close, m));
        const TradeLevels levels =
            FormLevels(direction, pair.Hour[entry].Open, params.TakeProfitPoints, params.StopLossPoints, m);

        const TradeOutcome trade = WalkTrade(pair.Hour, entry, direction, levels, m);
        if (trade.How == Exit::RanOut)
            continue; // a trade the data cannot finish is left out of every count

        PairTally& tally = result.Pairs[choice.Slot - 1];
        ++result.Entries;
        ++tally.Entries;
        if (trade.How == Exit::TakeProfit) {
            ++result.TakeProfits;
            ++tally.TakeProfits;
            series.Step(true, week);
            AddCapped(result.HoursSum, trade.Hours);
            AddCapped(result.DrawdownSum, trade.Drawdown);
            result.DrawdownMax = std::max(result.DrawdownMax, trade.Drawdown);
        } else {
            ++result.StopLosses;
            series.Step(false, week);
        }
    }
    result.TpSeriesMax = series.TpSeriesMax;
    result.SlSeriesMax = series.SlSeriesMax;
    return result;
}

} // namespace quillet
