#pragma once
// The all-pairs backtest: each week only the pair with the longest weekly
// candle among slots 1 to 7 is traded, against its candle; the totals and
// one tally per pair.

#include "engine/TradeEvents.h"
#include "model/Instrument.h"
#include "rule/RuleSteps.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillet {

/// Slots 1 to 7 take part in the all-pairs run.
inline constexpr int kPortfolioPairCount = 7;
/// Weeks 0 to 535 are walked, one progress step each.
inline constexpr int kPortfolioWeekCount = 536;

/// The run's parameters, in points.
struct PortfolioParams {
    std::int32_t SignalMinPoints = 85;
    std::int32_t StopLossPoints = 100;
    std::int32_t TakeProfitPoints = 50;
};

/// One pair's counted trades (those that ended at a level) and take-profits.
struct PairTally {
    std::int32_t Entries = 0;
    std::int32_t TakeProfits = 0;
};

/// The totals of one all-pairs run and its seven pair rows (slot 1 first).
struct PortfolioResult {
    std::int32_t Entries = 0;
    std::int32_t TakeProfits = 0;
    std::int32_t StopLosses = 0;
    std::int32_t HoursSum = 0;
    std::int32_t DrawdownSum = 0;
    std::int32_t DrawdownMax = 0;
    std::int32_t TpSeriesMax = 0;
    std::int32_t SlSeriesMax = 0;
    std::array<PairTally, kPortfolioPairCount> Pairs{};
};

/// Replays the all-pairs rule over weeks 0 to 535 of slots 1 to 7, calling
/// `progress` once per week. Only reads the table.
PortfolioResult RunPortfolioBacktest(const PortfolioParams& params, const ProgressStep& progress,
                                     const InstrumentTable& table);

} // namespace quillet
