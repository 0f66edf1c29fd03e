#pragma once
// The trade list of a single-pair run as the trade page and the command line
// show it: the closed trades, where each one's story begins in the work log,
// and the equity curve they draw in points.

#include "backtest/BacktestParams.h"
#include "backtest/ClosedTrade.h"
#include "backtest/SinglePair.h"
#include "backtest/WorkLog.h"
#include "store/Instrument.h"

#include <cstdint>
#include <vector>

namespace quillet {

/// The trades of a run, in the order they closed.
struct TradeList {
    std::vector<ClosedTrade> Trades;
    /// Per trade, the index of the first work-log line of its signal week
    /// ("Берём недельную свечу от ..."), counting the run's first header
    /// line as 0; -1 for every trade when the run wrote no log.
    std::vector<int> FirstLogLines;
};

/// Runs as RunSinglePairBacktest does (the same totals, log lines, progress
/// steps and notices) and gathers the trade list on the way.
TradeList RunSinglePairTradeList(const BacktestParams& params, BacktestResult& result, const WorkLog& log,
                                 const ProgressStep& progress, const Notify& notify,
                                 const InstrumentTable& table = Table());

/// The account in points, trade by trade. It starts flat at 0 before the
/// first trade, so a first losing trade already falls from a peak.
struct EquityCurve {
    std::vector<std::int64_t> Cumulative; // the points summed up to and with each trade
    std::vector<std::int64_t> RunningMax; // the highest of 0 and the sums so far, per trade
    std::int64_t Total = 0;               // the last sum; 0 without trades
    /// The deepest fall of the sums below their running maximum, in points
    /// (0 when they never fell), and where it lies: the trade whose close
    /// last stood at that maximum (-1: the flat start) and the trade at the
    /// bottom of the fall (-1 when there was no fall). The first of equally
    /// deep falls counts.
    std::int64_t DeepestDrawdown = 0;
    int DrawdownPeak = -1;
    int DrawdownTrough = -1;
};

EquityCurve MakeEquityCurve(const std::vector<ClosedTrade>& trades);

/// The same account in tenths of a point of the trades' net points, after costs.
EquityCurve MakeNetEquityCurve(const std::vector<ClosedTrade>& trades);

} // namespace quillet
