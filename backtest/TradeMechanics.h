#pragma once
// What the single-pair and the all-pairs runs share: the two levels of a
// position, its adverse excursion, the series of take-profits and
// stop-losses, the 32-bit arithmetic of the counters, and the texts of the
// figures both reports show.

#include "store/Instrument.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quillet {

/// Called once per analysed week.
using ProgressStep = std::function<void()>;

/// One value label of a report: its control name and its text.
struct LabelText {
    std::string Label;
    std::string Text;
};

enum class TradeDirection { Buy, Sell };

/// A position trades against its weekly candle: a sell after a rising week
/// (a positive signed body), a buy otherwise.
inline TradeDirection DirectionAgainst(long double signedBody)
{
    return signedBody > 0 ? TradeDirection::Sell : TradeDirection::Buy;
}

/// The entry price and the two levels of a position, as stored Doubles.
struct TradeLevels {
    double EntryPrice = 0;
    double TakeProfitLevel = 0;
    double StopLossLevel = 0;
};

/// Sets the levels `takeProfitPoints` and `stopLossPoints` away from the
/// entry price, with m points per price unit; each is formed in extended
/// precision and then stored as a Double.
TradeLevels FormLevels(TradeDirection direction, double entryPrice, int takeProfitPoints, int stopLossPoints,
                       long double m);

/// Which level a candle's range reached; the take-profit wins when it holds
/// both.
enum class BarOutcome { None, TakeProfit, StopLoss };

BarOutcome ClassifyCandle(const Candle& candle, const TradeLevels& levels);

/// How far the candle went against the position, in points, rounded: for a
/// sell its High above the entry price, for a buy its Low below it.
std::int32_t AdverseExcursion(TradeDirection direction, double entryPrice, const Candle& candle,
                              long double m);

/// The candle at `index`, or an empty one outside the series' array.
const Candle& CandleOrEmpty(const CandleSeries& series, long long index);

/// The runs of take-profits and stop-losses, in trade order. A trade only
/// extends a run from week 1 on; week 0 still sets what came last.
struct TradeSeries {
    bool LastWasTakeProfit = false;
    std::int32_t TpSeries = 0;
    std::int32_t TpSeriesMax = 0;
    std::int32_t SlSeries = 0;
    std::int32_t SlSeriesMax = 0;

    /// Books one trade that ended at a level; true when it continued a run
    /// of its own kind.
    bool Step(bool takeProfit, int week);
};

/// 32-bit counters wrap on overflow; the sum and product are formed wide so
/// that the wrap is defined behaviour.
inline std::int32_t Add32(std::int32_t a, std::int64_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a + b));
}

inline std::int32_t Mul32(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a * b));
}

/// The rounded quotient of a sum over a count, or "-" over no count.
std::string RoundedAverage(std::int32_t sum, std::int32_t count);

/// The share of take-profits in per cent with its "%", or "-" without entries.
std::string TakeProfitShare(std::int32_t takeProfits, std::int32_t entries);

/// Points won over points lost (each a 32-bit product of points and count),
/// or "-" while no point was lost.
std::string ProfitabilityText(std::int32_t pointsWon, std::int32_t pointsLost);

/// The longest run, or "-" when there was none.
std::string SeriesText(std::int32_t longest);

} // namespace quillet
