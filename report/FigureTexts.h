#pragma once
// The figures of a trade list as every front end shows them: ratios with two
// decimals, points with one, "," as separator, "-" where a divisor is 0.

#include "analysis/TradeStats.h"

#include <string>
#include <vector>

namespace quillet {

/// A ratio rounded to `decimals` (halves to even) with `separator`, or "-".
std::string RatioFigureText(const Ratio& value, int decimals = 2, char separator = ',');

/// One figure as every front end shows it: ratios with two decimals, points
/// with one, "," as separator, "-" where a divisor is 0.
struct FigureText {
    const char* Key;     // its name in the JSON of backtest --json's "stats"
    const char* Caption; // what it is, in Russian
    const char* Short;   // the same, short enough for the window's panel
    const char* Unit;    // "пп" (points), "ч" (hours) or "" (a count or a ratio)
    std::string Value;
};

/// The figures of a trade list in the order shown.
std::vector<FigureText> FigureTexts(const TradeStats& stats);

/// The caption with its unit: "Валовая прибыль (пп)".
inline std::string FigureCaption(const FigureText& figure)
{
    return *figure.Unit ? std::string(figure.Caption) + " (" + figure.Unit + ")"
                        : std::string(figure.Caption);
}

} // namespace quillet
