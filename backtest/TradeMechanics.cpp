#include "backtest/TradeMechanics.h"

#include "backtest/TradeRules.h"
#include "store/Numbers.h"

namespace quillet {

TradeLevels FormLevels(TradeDirection direction, double entryPrice, int takeProfitPoints, int stopLossPoints,
                       long double m)
{
    const long double entry = entryPrice;
    const long double takeProfitOffset = static_cast<long double>(takeProfitPoints) / m;
    const long double stopLossOffset = static_cast<long double>(stopLossPoints) / m;
    const bool sell = direction == TradeDirection::Sell;
    TradeLevels levels;
    levels.EntryPrice = entryPrice;
    levels.TakeProfitLevel = static_cast<double>(sell ? entry - takeProfitOffset : entry + takeProfitOffset);
    levels.StopLossLevel = static_cast<double>(sell ? entry + stopLossOffset : entry - stopLossOffset);
    return levels;
}

BarOutcome ClassifyCandle(const Candle& candle, const TradeLevels& levels)
{
    const std::string_view outcome =
        ClassifyBar(candle.High, candle.Low, levels.TakeProfitLevel, levels.StopLossLevel);
    if (outcome == kNoOutcome)
        return BarOutcome::None;
    return outcome == kTakeProfit ? BarOutcome::TakeProfit : BarOutcome::StopLoss;
}

std::int32_t AdverseExcursion(TradeDirection direction, double entryPrice, const Candle& candle,
                              long double m)
{
    const long double entry = entryPrice;
    if (direction == TradeDirection::Sell)
        return RoundToInt32((static_cast<long double>(candle.High) - entry) * m);
    return RoundToInt32((entry - static_cast<long double>(candle.Low)) * m);
}

const Candle& CandleOrEmpty(const CandleSeries& series, long long index)
{
    static const Candle kEmpty{};
    if (index < 0 || index > kLastCandleIndex)
        return kEmpty;
    return series[static_cast<int>(index)];
}

bool TradeSeries::Step(bool takeProfit, int week)
{
    bool continued = false;
    if (week > 0) {
        std::int32_t& current = takeProfit ? TpSeries : SlSeries;
        std::int32_t& longest = takeProfit ? TpSeriesMax : SlSeriesMax;
        // LastWasTakeProfit starts false, so a stop-loss before any
        // take-profit continues a run of stop-losses that nothing started.
        continued = LastWasTakeProfit == takeProfit;
        if (continued) {
            current = Add32(current, 1);
            if (current > longest)
                longest = current;
        } else {
            current = 1;
        }
    }
    LastWasTakeProfit = takeProfit;
    return continued;
}

std::string RoundedAverage(std::int32_t sum, std::int32_t count)
{
    if (count == 0)
        return "-";
    return std::to_string(RoundToInt32(static_cast<long double>(sum) / static_cast<long double>(count)));
}

std::string TakeProfitShare(std::int32_t takeProfits, std::int32_t entries)
{
    if (entries == 0)
        return "-";
    const long double perCent = static_cast<long double>(entries) / 100.0L;
    return FormatGeneral2(static_cast<long double>(takeProfits) / perCent) + "%";
}

std::string ProfitabilityText(std::int32_t pointsWon, std::int32_t pointsLost)
{
    if (pointsLost == 0)
        return "-";
    return FormatGeneral2(static_cast<long double>(pointsWon) / static_cast<long double>(pointsLost));
}

std::string SeriesText(std::int32_t longest)
{
    return longest == 0 ? "-" : std::to_string(longest);
}

} // namespace quillet
