#pragma once
// The sweep's figures as the window's table and the command line's table
// show them.

#include "engine/Sweep.h"

#include <string>
#include <vector>

namespace quillet {

/// A ratio of the sweep's pages and tables, plainly with one decimal
/// ("1,3", "66,7", "100" with `suffix`), or "-" where it has no value (NaN).
std::string RatioText(long double value, const char* suffix = "");

/// A metric's value as the tables show it: points with one decimal always
/// ("-4,0" beside "-65,8"), entries whole, the ratios as RatioText.
std::string MetricText(SweepMetric metric, long double value);

/// The cells of one best row in the order of kBestRowColumns, then those of
/// kForwardColumns when the row has a forward check.
std::vector<std::string> BestRowCells(const SweepRow& row);

} // namespace quillet
