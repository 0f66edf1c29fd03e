#pragma once
// The runs of take-profits and stop-losses that both reports show.

#include <cstdint>

namespace quillet {

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

} // namespace quillet
