#pragma once
// The figures that depend only on the net points of a run's trades in
// order, folded one trade at a time: what the sweep ranks by and what the
// statistics of a trade list start from. Every sum is kept exactly in tenths
// of a point; only the ratios are formed in extended precision.

#include <algorithm>
#include <cstdint>
#include <optional>

namespace quillet {

/// One step of the deepest fall of a running sum below its running maximum,
/// which starts at 0: `peak` and `deepest` follow the new `sum`. True when
/// the sum stands at its running maximum again.
inline bool FollowDrawdown(std::int64_t sum, std::int64_t& peak, std::int64_t& deepest)
{
    // Without a branch: the Monte Carlo runs this on every draw.
    const bool atPeak = sum >= peak;
    peak = std::max(peak, sum);
    deepest = std::max(deepest, peak - sum);
    return atPeak;
}

/// The sums of the nets of a trade list, in tenths of a point.
struct NetFolder {
    std::int64_t Trades = 0;
    std::int64_t NetTenths = 0;
    // Sum of the squared nets, tenths squared: exact up to 2^64, which real
    // trades never come near; corrupt quotes only lose its last digits.
    long double SquaresTenths = 0;
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

/// The order of two SQNs (both must have one, see Sqn): negative, 0 or
/// positive as a's is below, equal to or above b's. Compared exactly from
/// the sums, so that accounts whose SQNs are equal (one account's nets a
/// multiple of the other's, say) tie however their roots round.
int CompareSqn(const NetFolder& a, const NetFolder& b);

} // namespace quillet
