#pragma once
// The two pure rules every run uses: did a bar reach a level, and how many
// points lie between two prices.

#include "rule/RuleSteps.h"

#include <string_view>

namespace quillet {

inline constexpr std::string_view kTakeProfit = "TP";
inline constexpr std::string_view kStopLoss = "SL";
inline constexpr std::string_view kNoOutcome = "None";

/// The text of a bar's outcome: "TP", "SL" or "None".
std::string_view OutcomeText(BarOutcome outcome);

/// "TP" when the bar's range holds the take-profit level, else "SL" when it
/// holds the stop-loss level, else "None"; both bounds inclusive. The runs
/// use the outcome itself (ClassifyBarOutcome); this is its text.
std::string_view ClassifyBar(double high, double low, double takeProfitLevel, double stopLossLevel);

/// toPrice x multiplier - fromPrice x multiplier, in extended precision.
long double PointDifference(double fromPrice, double toPrice, double multiplier);

/// Points per price unit: 100 for the five yen pairs (exact, case-sensitive
/// names), 10000 for every other pair.
int PointMultiplier(std::string_view pairName);

} // namespace quillet
