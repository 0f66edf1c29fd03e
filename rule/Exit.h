#pragma once
// How a position ends, once for both engines: the walk, which meets the
// candles one by one, and the sweep's table, which knows the first offset at
// which each level is reached.

#include "model/Units.h"
#include "rule/RuleSteps.h"

#include <algorithm>
#include <limits>

namespace quillet {

enum class ExitKind {
    TakeProfit,
    StopLoss,
    TimeOut,      // closed at the candle's close at the holding limit
    OutOfCandles, // the hourly data ended; closed at the last candle's close
};

/// The offset of a level that is never reached.
inline constexpr int kNeverReached = std::numeric_limits<int>::max();

/// Where a walk ends, and how.
struct ExitPoint {
    ExitKind Kind = ExitKind::TakeProfit;
    int Offset = 0; // from the entry candle
};

/// The end of a walk from the offsets at which the take-profit and the
/// stop-loss are first reached (kNeverReached, or any offset beyond the
/// holding limit and lastOffset, when they are not),
/// the holding limit (one below 0 is never reached) and the last offset the
/// data has: the holding limit wins over a level on its own candle, the
/// take-profit over the stop-loss on one candle, and the last candle closes
/// what nothing closed before.
constexpr ExitPoint FirstExit(int takeProfitAt, int stopLossAt, int holdLimit, int lastOffset)
{
    const int hold = holdLimit < 0 ? kNeverReached : holdLimit;
    const int level = std::min(takeProfitAt, stopLossAt);
    if (level < hold)
        return {takeProfitAt <= stopLossAt ? ExitKind::TakeProfit : ExitKind::StopLoss, level};
    if (hold <= lastOffset)
        return {ExitKind::TimeOut, hold};
    return {ExitKind::OutOfCandles, lastOffset};
}

/// Whether an exit closed at a price of the market rather than at a level.
constexpr bool ClosesAtMarket(ExitKind kind)
{
    return kind == ExitKind::TimeOut || kind == ExitKind::OutOfCandles;
}

/// The points of a closed trade: +take-profit or -stop-loss at a level, the
/// signed rounded distance of a close at the market (0 when even).
constexpr Points ExitPoints(ExitKind kind, const MarketClose& close, Points takeProfit, Points stopLoss)
{
    switch (kind) {
    case ExitKind::TakeProfit:
        return takeProfit;
    case ExitKind::StopLoss:
        return static_cast<Points>(-static_cast<std::int64_t>(stopLoss));
    case ExitKind::TimeOut:
    case ExitKind::OutOfCandles:
        break;
    }
    return close.Result == TradeResult::Lost ? -close.Distance : close.Distance;
}

} // namespace quillet
