#pragma once
// The totals of a single-pair run, and the two figures every report forms
// from them.

#include <cstdint>
#include <limits>

namespace quillet {

/// The totals of one run, at their start values.
struct BacktestResult {
    std::int32_t Entries = 0;
    std::int32_t TakeProfits = 0;
    std::int32_t StopLosses = 0;
    std::int32_t TimeoutWins = 0;
    std::int32_t TimeoutWinPoints = 0;
    std::int32_t TimeoutLosses = 0;
    std::int32_t TimeoutLossPoints = 0;
    std::int32_t HoursSum = 0;
    std::int32_t HoursMin = 100;
    std::int32_t HoursMax = 0;
    std::int32_t DrawdownSum = 0;
    std::int32_t DrawdownMax = 0;
    std::int32_t TpSeries = 0;
    std::int32_t TpSeriesMax = 0;
    std::int32_t SlSeries = 0;
    std::int32_t SlSeriesMax = 0;
    bool LastWasTakeProfit = false;

    friend bool operator==(const BacktestResult&, const BacktestResult&) = default;
};

/// Take-profits per hundred entries, in extended precision; NaN without
/// entries.
inline long double TakeProfitPercent(std::int32_t takeProfits, std::int32_t entries)
{
    if (entries == 0)
        return std::numeric_limits<long double>::quiet_NaN();
    const long double perCent = static_cast<long double>(entries) / 100.0L;
    return static_cast<long double>(takeProfits) / perCent;
}

/// Points won per point lost; NaN while no point was lost.
inline long double ProfitabilityRatio(std::int32_t pointsWon, std::int32_t pointsLost)
{
    if (pointsLost == 0)
        return std::numeric_limits<long double>::quiet_NaN();
    return static_cast<long double>(pointsWon) / static_cast<long double>(pointsLost);
}

} // namespace quillet
