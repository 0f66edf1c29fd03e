#pragma once
// The single-pair walk: the counter-trend rule replayed over the weekly
// candles of one instrument, every step handed on as an event to whoever
// reads along (the bookkeeping, the work log, a trade list).

#include "engine/BacktestParams.h"
#include "engine/BacktestResult.h"
#include "engine/ClosedTrade.h"
#include "engine/TradeEvents.h"
#include "model/Instrument.h"
#include "model/Units.h"

#include <optional>
#include <vector>

namespace quillet {

/// The rule itself: walks weeks FirstWeek..LastWeek of `instrument` at
/// params.Costs and hands every event to `reader`. Reads nothing but the
/// instrument; the costs are the caller's to check (CostsError).
void WalkSinglePair(const BacktestParams& params, const Instrument& instrument, TradeEventReader& reader);

/// The trades of a run over `instrument`, in the order they closed, with its
/// totals booked into `result`. Throws when the costs cannot be traded.
std::vector<ClosedTrade> RunSinglePairTrades(const BacktestParams& params, const Instrument& instrument,
                                             BacktestResult& result);

/// Throws the error of costs the run cannot trade with (CostsError).
void CheckCosts(const BacktestParams& params);

/// A trade at a recorded spread whose stop-loss is not larger than its
/// entry hour's spread: the run that would make it is refused, as one with a
/// stop-loss within the one spread is.
struct SpreadRefusal {
    int Week = 0;
    int EntryIndex = 0;
    Tenths Spread = 0;
};

/// The first such trade of the run; none without a recorded spread.
std::optional<SpreadRefusal> FirstEntryWithinSpread(const BacktestParams& params,
                                                    const Instrument& instrument);

/// CheckCosts, and with a recorded spread also that the instrument has one
/// of its length and that every trade's stop-loss clears its entry's spread.
void CheckCosts(const BacktestParams& params, const Instrument& instrument);

} // namespace quillet
