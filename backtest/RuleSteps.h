#pragma once
// The steps of the trading rule, each once: the signal test of a weekly
// candle, the position's direction and levels, the test of an hourly candle
// against a level, the adverse excursion and the close at a candle's price.
// The single-pair walk, the all-pairs run and the sweep's table all call
// these; the small ones are inline so that the sweep's loops keep their speed.

#include "store/Instrument.h"
#include "store/Numbers.h"

#include <cstdint>
#include <string_view>

namespace quillet {

/// A signal needs the weekly candle eight weeks on, so the last eight weekly
/// candles of a series never signal.
inline constexpr int kLaterWeeksNeeded = 8;

/// The candle at `index`, or an empty one outside the series' array.
inline const Candle& CandleOrEmpty(const CandleSeries& series, long long index)
{
    static const Candle kEmpty{};
    if (index < 0 || index > kLastCandleIndex)
        return kEmpty;
    return series[static_cast<int>(index)];
}

/// The weekly candle's body, Close less Open, in points with m points per
/// price unit, in extended precision.
long double SignedBody(const Candle& week, long double m);

/// Why a weekly candle gives a signal or not.
enum class WeekVerdict {
    Signal,
    BodyTooShort, // the body is below the minimum
    NoLaterWeeks, // the weekly candle eight weeks on does not exist
};

/// The signal test of one weekly candle: its rounded body and the verdict.
struct SignalTest {
    std::int32_t Body = 0; // rounded, never negative
    WeekVerdict Verdict = WeekVerdict::BodyTooShort;
};

SignalTest TestSignal(const CandleSeries& weeks, int week, long double signedBody, int signalMinPoints);

enum class TradeDirection { Buy, Sell };

/// A position trades against its weekly candle: a sell after a rising week
/// (a positive signed body), a buy otherwise.
inline TradeDirection DirectionAgainst(long double signedBody)
{
    return signedBody > 0 ? TradeDirection::Sell : TradeDirection::Buy;
}

/// The take-profit level `points` away from the entry price on the side of
/// the position's gain; formed in extended precision, stored as a Double.
inline double TakeProfitLevel(TradeDirection direction, double entryPrice, int points, long double m)
{
    const long double entry = entryPrice;
    const long double offset = static_cast<long double>(points) / m;
    return static_cast<double>(direction == TradeDirection::Sell ? entry - offset : entry + offset);
}

/// The stop-loss level `points` away from the entry price on the side of the
/// position's loss.
inline double StopLossLevel(TradeDirection direction, double entryPrice, int points, long double m)
{
    const long double entry = entryPrice;
    const long double offset = static_cast<long double>(points) / m;
    return static_cast<double>(direction == TradeDirection::Sell ? entry + offset : entry - offset);
}

/// The entry price and the two levels of a position, as stored Doubles.
struct TradeLevels {
    double EntryPrice = 0;
    double TakeProfitLevel = 0;
    double StopLossLevel = 0;
};

TradeLevels FormLevels(TradeDirection direction, double entryPrice, int takeProfitPoints, int stopLossPoints,
                       long double m);

/// Whether a bar's range holds the level, both bounds inclusive.
inline bool BarReaches(double high, double low, double level)
{
    return low <= level && level <= high;
}

/// Which level a bar's range reached; the take-profit wins when it holds both.
enum class BarOutcome { None, TakeProfit, StopLoss };

inline BarOutcome ClassifyBarOutcome(double high, double low, double takeProfitLevel, double stopLossLevel)
{
    if (BarReaches(high, low, takeProfitLevel))
        return BarOutcome::TakeProfit;
    if (BarReaches(high, low, stopLossLevel))
        return BarOutcome::StopLoss;
    return BarOutcome::None;
}

inline BarOutcome ClassifyCandle(const Candle& candle, const TradeLevels& levels)
{
    return ClassifyBarOutcome(candle.High, candle.Low, levels.TakeProfitLevel, levels.StopLossLevel);
}

/// How far the candle went against the position, in points, rounded: for a
/// sell its High above the entry price, for a buy its Low below it.
inline std::int32_t AdverseExcursion(TradeDirection direction, double entryPrice, const Candle& candle,
                                     long double m)
{
    const long double entry = entryPrice;
    if (direction == TradeDirection::Sell)
        return RoundToInt32((static_cast<long double>(candle.High) - entry) * m);
    return RoundToInt32((entry - static_cast<long double>(candle.Low)) * m);
}

/// Whether a closed position gained, lost or closed exactly at its entry
/// price (only a time-out can). A take-profit counts as gained and a
/// stop-loss as lost whatever their distances.
enum class TradeResult : std::uint8_t { Gained, Lost, Even };

/// A position closed at a price of the market (a time-out, or the end of
/// the data): whether it gained, and the rounded distance from the entry
/// price in points (0 when even; a loss's distance is not negated).
struct MarketClose {
    TradeResult Result = TradeResult::Even;
    std::int32_t Distance = 0;
};

inline MarketClose CloseAtMarket(TradeDirection direction, double entryPrice, double close, long double m)
{
    const bool sell = direction == TradeDirection::Sell;
    const long double entry = entryPrice;
    const long double x = close;
    if ((sell && entryPrice > close) || (!sell && entryPrice < close))
        return {TradeResult::Gained, RoundToInt32((sell ? entry - x : x - entry) * m)};
    if (entryPrice == close)
        return {TradeResult::Even, 0};
    return {TradeResult::Lost, RoundToInt32((sell ? x - entry : entry - x) * m)};
}

} // namespace quillet
