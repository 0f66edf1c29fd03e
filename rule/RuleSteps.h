#pragma once
// The steps of the trading rule, each once: the signal test of a weekly
// candle, the position's direction and levels, the test of an hourly candle
// against a level, the adverse excursion and the close at a candle's price.
// The single-pair walk, the all-pairs run and the sweep's table all call
// these; the small ones are inline so that the sweep's loops keep their speed.

#include "model/Instrument.h"
#include "model/Numbers.h"

#include <cmath>
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

/// The spread in price units, sigma = tenths / (10 m), in extended precision.
inline long double SpreadPrice(int spreadTenths, long double m)
{
    return static_cast<long double>(spreadTenths) / (10.0L * m);
}

/// The price a position fills at. Quotes are bid prices: a sell fills at the
/// bid, the entry candle's open; a buy at the ask, the open plus the spread.
inline double FillPrice(TradeDirection direction, double open, int spreadTenths, long double m)
{
    if (direction == TradeDirection::Sell)
        return open;
    return static_cast<double>(static_cast<long double>(open) + SpreadPrice(spreadTenths, m));
}

/// The take-profit level `points` away from the fill price on the side of
/// the position's gain, as a bid price the candles are compared with; formed
/// in extended precision, stored as a Double. A sell leaves at the ask, so
/// its bid level lies the spread further down.
inline double TakeProfitLevel(TradeDirection direction, double fillPrice, int points, long double m,
                              int spreadTenths = 0)
{
    const long double entry = fillPrice;
    if (direction == TradeDirection::Sell)
        return static_cast<double>(entry - (10.0L * points + spreadTenths) / (10.0L * m));
    return static_cast<double>(entry + static_cast<long double>(points) / m);
}

/// The stop-loss level `points` away from the fill price on the side of the
/// position's loss, as a bid price; a sell's lies the spread nearer.
inline double StopLossLevel(TradeDirection direction, double fillPrice, int points, long double m,
                            int spreadTenths = 0)
{
    const long double entry = fillPrice;
    if (direction == TradeDirection::Sell)
        return static_cast<double>(entry + (10.0L * points - spreadTenths) / (10.0L * m));
    return static_cast<double>(entry - static_cast<long double>(points) / m);
}

/// The fill price and the two bid levels of a position, as stored Doubles.
struct TradeLevels {
    double EntryPrice = 0;
    double TakeProfitLevel = 0;
    double StopLossLevel = 0;
};

/// The levels of a position opened at the bid `open`.
TradeLevels FormLevels(TradeDirection direction, double open, int takeProfitPoints, int stopLossPoints,
                       long double m, int spreadTenths = 0);

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

/// How far the candle went against the position from its fill, in points,
/// rounded: for a sell its ask High above the fill price, for a buy its Low
/// below it.
inline std::int32_t AdverseExcursion(TradeDirection direction, double entryPrice, const Candle& candle,
                                     long double m, int spreadTenths = 0)
{
    const long double entry = entryPrice;
    if (direction == TradeDirection::Sell)
        return RoundToInt32((static_cast<long double>(candle.High) - entry) * m + spreadTenths / 10.0L);
    return RoundToInt32((entry - static_cast<long double>(candle.Low)) * m);
}

/// Whether a closed position gained, lost or closed exactly at its entry
/// price (only a time-out can). A take-profit counts as gained and a
/// stop-loss as lost whatever their distances.
enum class TradeResult : std::uint8_t { Gained, Lost, Even };

/// A position closed at a price of the market (a time-out, or the end of
/// the data): whether it gained, and the rounded distance in points from the
/// fill to the close, a sell's at the ask (0 when even; a loss's distance is
/// not negated).
struct MarketClose {
    TradeResult Result = TradeResult::Even;
    std::int32_t Distance = 0;
};

inline MarketClose CloseAtMarket(TradeDirection direction, double entryPrice, double close, long double m,
                                 int spreadTenths = 0)
{
    const long double entry = entryPrice;
    const long double x = close;
    // The gain in points before rounding; its sign decides the result.
    const long double gain =
        direction == TradeDirection::Sell ? (entry - x) * m - spreadTenths / 10.0L : (x - entry) * m;
    if (gain > 0)
        return {TradeResult::Gained, RoundToInt32(gain)};
    if (gain == 0)
        return {TradeResult::Even, 0};
    return {TradeResult::Lost, RoundToInt32(-gain)};
}

/// The price a sell pays to leave at the bid price `bid`: the ask.
inline double SellExitPrice(double bid, int spreadTenths, long double m)
{
    return static_cast<double>(static_cast<long double>(bid) + SpreadPrice(spreadTenths, m));
}

/// The swap nights of a position: the midnights from its entry candle's day
/// (exclusive) to its exit candle's day (inclusive), in the quotes' clock, as
/// a broker charges rollovers. The midnights that start a Sunday or a Monday
/// carry no swap (no trading day ends on them), the one that starts a
/// Thursday counts three (it carries the weekend), every other one counts
/// one: seven for a full week.
inline int NightsHeld(double entryDate, double exitDate)
{
    // Corrupt dates (NaN, or far beyond any calendar) hold no nights.
    constexpr double kFarthest = 1e7;
    if (!(std::fabs(entryDate) < kFarthest && std::fabs(exitDate) < kFarthest))
        return 0;
    const long long from = static_cast<long long>(std::floor(entryDate));
    const long long to = static_cast<long long>(std::floor(exitDate));
    if (to <= from)
        return 0;
    // Day 0 of the serials, 30 December 1899, was a Saturday, so a day's
    // weekday is its serial mod 7 from Saturday. The nights up to a day,
    // counted from far enough back that the division never meets a negative
    // number: seven a week, and within the week the running sum of the
    // weights Sat 1, Sun 0, Mon 0, Tue 1, Wed 1, Thu 3, Fri 1.
    constexpr int kNightsThrough[7] = {1, 1, 1, 2, 3, 6, 7};
    const auto nightsUpTo = [&](long long day) {
        const long long d = day + 7 * 2000000LL;
        return 7 * (d / 7) + kNightsThrough[d % 7];
    };
    return static_cast<int>(nightsUpTo(to) - nightsUpTo(from));
}

} // namespace quillet
