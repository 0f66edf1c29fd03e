#pragma once
// What the walk-forward commands over one instrument and over several print
// alike: the weeks of a window, their dates, and the efficiency with why it
// may have no value.

#include "analysis/MonteCarlo.h"
#include "analysis/WalkForward.h"
#include "model/Instrument.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <ostream>
#include <string>

namespace quillet::cli {

/// "F..L".
std::string WeeksText(WeekRange w);

/// The date of a range's first (0) or last (1) week with data, or "-".
std::string WeekDate(const Instrument& inst, WeekRange weeks, int end);

/// {"weeks": [F, L], "dates": [first, last]}.
nlohmann::ordered_json SpanJson(const Instrument& inst, WeekRange weeks);

/// The end of an analysis's JSON: "efficiency_missing" when it has no
/// efficiency for a reason, "monte_carlo" when it was drawn.
void AddEfficiencyAndMonteCarlo(nlohmann::ordered_json& doc, EfficiencyGap missing,
                                const std::optional<MonteCarloOutcome>& mc);

/// "Эффективность: 0,77", or "-" with the reason; then the Monte Carlo.
void PrintEfficiencyAndMonteCarlo(std::ostream& os, const std::optional<long double>& efficiency,
                                  EfficiencyGap missing, const std::optional<MonteCarloOutcome>& mc);

} // namespace quillet::cli
