#pragma once
// The combined figures of several instruments written out plainly, for the
// tests of the fast folds: a map of the weeks' summed nets walked in order,
// and every sum over every trade.

#include "engine/ClosedTrade.h"
#include "engine/MultiSweep.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <vector>

namespace quillet::test {

struct PlainCombined {
    std::vector<std::int64_t> PairNets;
    std::int64_t Trades = 0, Net = 0, GrossProfit = 0, GrossLoss = 0, Squares = 0, Wins = 0, Losses = 0;
    std::int64_t WeeklyDrawdown = 0;
};

inline PlainCombined PlainCombine(const std::vector<std::vector<ClosedTrade>>& pairs)
{
    PlainCombined c;
    std::map<int, std::int64_t> byWeek;
    for (const auto& trades : pairs) {
        std::int64_t net = 0;
        for (const ClosedTrade& t : trades) {
            net += t.NetTenths;
            byWeek[t.Week] += t.NetTenths;
            ++c.Trades;
            c.Squares += std::int64_t{t.NetTenths} * t.NetTenths;
            if (t.NetTenths > 0) {
                c.GrossProfit += t.NetTenths;
                ++c.Wins;
            }
            if (t.NetTenths < 0) {
                c.GrossLoss -= t.NetTenths;
                ++c.Losses;
            }
        }
        c.PairNets.push_back(net);
        c.Net += net;
    }
    std::int64_t sum = 0, best = 0;
    for (const auto& [week, net] : byWeek) {
        sum += net;
        best = std::max(best, sum);
        c.WeeklyDrawdown = std::max(c.WeeklyDrawdown, best - sum);
    }
    return c;
}

/// The metric as its definition reads; NaN where a divisor is 0.
inline long double PlainMetric(PairsMetric metric, const PlainCombined& c)
{
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    switch (metric) {
    case PairsMetric::Net:
        return c.Net / 10.0L;
    case PairsMetric::WorstPair:
        return *std::min_element(c.PairNets.begin(), c.PairNets.end()) / 10.0L;
    case PairsMetric::ProfitablePairs:
        return static_cast<long double>(
            std::count_if(c.PairNets.begin(), c.PairNets.end(), [](std::int64_t n) { return n > 0; }));
    case PairsMetric::RecoveryFactor:
        return c.WeeklyDrawdown == 0 ? nan : static_cast<long double>(c.Net) / c.WeeklyDrawdown;
    case PairsMetric::ProfitFactor:
        return c.GrossLoss == 0 ? nan : static_cast<long double>(c.GrossProfit) / c.GrossLoss;
    case PairsMetric::Sqn: {
        // net * sqrt(n - 1) / sqrt(n * squares - net^2), from the exact sums.
        const long double n = static_cast<long double>(c.Trades);
        const long double net = static_cast<long double>(c.Net);
        const long double spread = n * static_cast<long double>(c.Squares) - net * net;
        if (c.Trades < 2 || spread <= 0)
            return nan;
        return net * std::sqrt(n - 1) / std::sqrt(spread);
    }
    case PairsMetric::MaxDrawdown:
        return c.Trades == 0 ? nan : c.WeeklyDrawdown / 10.0L;
    }
    return nan;
}

} // namespace quillet::test
