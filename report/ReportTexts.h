#pragma once
// The texts of the figures that both reports show: averages, shares, the
// profitability ratio and the longest series.

#include "engine/BacktestResult.h"

#include <cstdint>
#include <string>

namespace quillet {

/// One value label of a report: its control name and its text.
struct LabelText {
    std::string Label;
    std::string Text;
};

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
