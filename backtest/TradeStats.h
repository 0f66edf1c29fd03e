#pragma once
// The figures traders compare, over the net points of a run's trades:
// profit factor, expectancy, drawdown, recovery factor, SQN and the rest,
// and the same by year of entry. Every sum is kept exactly in tenths of a
// point; only the ratios are formed in extended precision.

#include "backtest/ClosedTrade.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

/// The figures that depend only on the net points of the trades in order,
/// folded one trade at a time. The sweep folds the same sums.
struct NetFolder {
    std::int64_t Trades = 0;
    std::int64_t NetTenths = 0;
    std::int64_t SquaresTenths = 0; // sum of the squared nets, tenths squared
    std::int64_t GrossProfitTenths = 0;
    std::int64_t GrossLossTenths = 0; // positive
    std::int64_t Wins = 0;            // net > 0
    std::int64_t Losses = 0;          // net < 0
    std::int64_t Peak = 0;            // running maximum of the cumulative net, from 0
    std::int64_t MaxDrawdownTenths = 0;
    std::int64_t LosingStreak = 0;
    std::int64_t LongestLosingStreak = 0;

    void Add(std::int64_t netTenths);
};

/// A ratio of the figures, or nothing where its divisor is 0.
using Ratio = std::optional<long double>;

Ratio ProfitFactor(const NetFolder& f);   // gross profit / gross loss
Ratio Expectancy(const NetFolder& f);     // net / trades, points
Ratio WinRate(const NetFolder& f);        // wins / trades
Ratio AverageWin(const NetFolder& f);     // gross profit / wins, points
Ratio AverageLoss(const NetFolder& f);    // gross loss / losses, points (positive)
Ratio RecoveryFactor(const NetFolder& f); // net / maximum drawdown
/// sqrt(trades) * mean / sample standard deviation of the nets (on points,
/// not R-multiples), formed from the exact sums as
/// net * sqrt(n - 1) / sqrt(n * squares - net^2); nothing below two trades or
/// when every net is the same.
Ratio Sqn(const NetFolder& f);

/// One year of entries.
struct YearFigures {
    int Year = 0;
    std::int64_t Trades = 0;
    std::int64_t Wins = 0;
    std::int64_t NetTenths = 0;
    std::int64_t MaxDrawdownTenths = 0; // of the year's own cumulative net, from 0
};

/// Every figure of a trade list.
struct TradeStats {
    NetFolder All;
    Ratio AverageHoursHeld;          // mean exit offset; nothing without trades
    std::vector<YearFigures> ByYear; // ascending years of entry
};

TradeStats ComputeTradeStats(const std::vector<ClosedTrade>& trades);

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
