#pragma once
// The entry searches of the two runs written plainly, candle by candle: the
// reference the day index is compared with in the tests and benchmarks.

#include "model/Instrument.h"

namespace quillet {

/// The plain search of the single-pair run: from index 1 up to `hourEnd`, the
/// first candle on one of the seven days after the signal week's Sunday + 7;
/// `hourEnd` when none is.
int PlainSinglePairEntry(const CandleSeries& hour, int hourEnd, double signalDate);

/// The plain search of the all-pairs run: from index 0 up to the hourly end
/// mark, the first candle dated 8 to 12 days after the signal candle; -1
/// when none is.
int PlainPortfolioEntry(const CandleSeries& hour, double signalDate);

} // namespace quillet
