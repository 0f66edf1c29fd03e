// The deflated Sharpe ratio of a combination from its weekly nets.

#include "analysis/DeflatedSharpe.h"

#include "analysis/NormalDistribution.h"
#include "model/Errors.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace quillet {

long double ExpectedMaxSharpe(long double variance, std::int64_t trials)
{
    if (trials < 1 || std::isnan(variance))
        return std::numeric_limits<long double>::quiet_NaN();
    if (trials == 1)
        return 0;
    // Phi^-1(1 - q) = -Phi^-1(q), which keeps the small q's digits.
    const long double n = static_cast<long double>(trials);
    const long double first = -NormalQuantile(1 / n);
    const long double second = -NormalQuantile(1 / (n * std::numbers::e_v<long double>));
    return std::sqrt(variance) * ((1 - kEulerGamma) * first + kEulerGamma * second);
}

long double DeflatedSharpeRatio(long double sharpe, long double expectedMax, int weeks, long double skewness,
                                long double kurtosis)
{
    const long double spread = 1 - skewness * sharpe + (kurtosis - 1) / 4 * sharpe * sharpe;
    if (!(spread > 0) || weeks < 2)
        return std::numeric_limits<long double>::quiet_NaN();
    return NormalCdf((sharpe - expectedMax) * std::sqrt(static_cast<long double>(weeks - 1)) /
                     std::sqrt(spread));
}

DeflatedSharpe DeflateSharpe(const SweepTable& table, WeekRange weeks, const GridPoint& row,
                             const SharpeSpread& spread)
{
    const SweepGrid& grid = table.Grid();
    if (!grid.Signal.Contains(row.Signal))
        throw Error("Signal minimum " + std::to_string(row.Signal) + " is not on the sweep's grid");
    if (!table.Model().StopLossClearsSpread(row.StopLoss))
        throw Error("Stop-loss " + std::to_string(row.StopLoss) + " is within the spread");
    SweepTable::Column col;
    std::vector<SweepTable::WeekNet> nets;
    table.FoldWeekNets(row.StopLoss, row.TakeProfit, grid.Hold ? HoldLimitOf(row.Hold) : kNoHoldLimit, weeks,
                       col, nets);
    const std::int32_t group = col.GroupOfLane[static_cast<std::size_t>(row.Signal - grid.Signal.First)];

    DeflatedSharpe d;
    d.Row = row;
    d.Weeks = weeks.Last - weeks.First + 1;
    d.Spread = spread;
    // The weeks the row does not trade are weeks of a net of 0.
    std::int64_t sum = 0, squares = 0;
    std::vector<std::int64_t> traded;
    for (const SweepTable::WeekNet& n : nets)
        if (n.Groups > group) {
            traded.push_back(n.NetTenths);
            sum += n.NetTenths;
            squares += static_cast<std::int64_t>(n.NetTenths) * n.NetTenths;
        }
    d.Sharpe = SharpeOf(sum, squares, d.Weeks);
    const long double t = static_cast<long double>(d.Weeks);
    const long double mean = static_cast<long double>(sum) / t;
    const long double idle = t - static_cast<long double>(traded.size());
    long double m2 = idle * mean * mean, m3 = -idle * mean * mean * mean,
                m4 = idle * mean * mean * mean * mean;
    for (const std::int64_t x : traded) {
        const long double dev = static_cast<long double>(x) - mean;
        m2 += dev * dev;
        m3 += dev * dev * dev;
        m4 += dev * dev * dev * dev;
    }
    m2 /= t;
    m3 /= t;
    m4 /= t;
    if (m2 > 0) {
        d.Skewness = m3 / std::pow(m2, 1.5L);
        d.Kurtosis = m4 / (m2 * m2);
    }
    d.ExpectedMax = ExpectedMaxSharpe(spread.Variance, spread.Trials);
    if (!std::isnan(d.Sharpe))
        d.Probability = DeflatedSharpeRatio(d.Sharpe, d.ExpectedMax, d.Weeks, d.Skewness, d.Kurtosis);
    return d;
}

} // namespace quillet
