#pragma once
// What the front ends say about a recorded spread that a run cannot use: an
// instrument without one, or a stop-loss within an entry hour's spread.

#include "engine/BacktestParams.h"
#include "engine/SinglePair.h"
#include "model/Instrument.h"
#include "model/RecordedSpread.h"

#include <string>
#include <string_view>

namespace quillet {

/// The instrument `pair` has no recorded spread: no file beside its ".base",
/// or one that could not be used (`spread.Problem()`).
std::string NoRecordedSpreadMessage(std::string_view pair, const RecordedSpread& spread);

/// The run's stop-loss is not larger than the spread of the entry `refusal`.
std::string EntrySpreadMessage(int stopLossPoints, const SpreadRefusal& refusal,
                               const Instrument& instrument);

/// Why the single run cannot trade at the recorded spread of
/// `params.Spread` (null or empty: none), or empty when it can or when its
/// costs ask for no recorded spread.
std::string RecordedSpreadMessage(const BacktestParams& params, const Instrument& instrument);

} // namespace quillet
