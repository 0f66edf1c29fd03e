#pragma once
// The account a trade list draws, trade by trade, with its deepest fall.

#include "engine/ClosedTrade.h"

#include <cstdint>
#include <vector>

namespace quillet {

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
