#pragma once
// The deflated Sharpe ratio (Bailey and Lopez de Prado): the probability
// that a combination's true Sharpe ratio is above zero, once the ratio is
// judged against the best that N trials would show by luck and against the
// skew and the tails of its weekly nets.

#include "analysis/OverfitSums.h"
#include "engine/Sweep.h"

#include <cstdint>
#include <limits>

namespace quillet {

/// The Euler-Mascheroni constant of the expected maximum.
inline constexpr long double kEulerGamma = 0.5772156649015328606065120900824024L;

/// SR0 = sqrt(V) ((1 - g) Phi^-1(1 - 1/N) + g Phi^-1(1 - 1/(N e))): the
/// Sharpe ratio the best of N trials reaches by luck; 0 for one trial.
long double ExpectedMaxSharpe(long double variance, std::int64_t trials);

/// Phi((SR - SR0) sqrt(T - 1) / sqrt(1 - g3 SR + (g4 - 1) / 4 SR^2)); NaN
/// where that root has no positive value.
long double DeflatedSharpeRatio(long double sharpe, long double expectedMax, int weeks, long double skewness,
                                long double kurtosis);

/// A combination's deflated Sharpe ratio with what it is formed from.
struct DeflatedSharpe {
    GridPoint Row;
    int Weeks = 0; // T
    /// Mean / sample standard deviation of the T weekly nets, per week.
    long double Sharpe = std::numeric_limits<long double>::quiet_NaN();
    /// Skewness and kurtosis (not excess) of the weekly nets: the third and
    /// fourth central moments over the second's powers, dividing by T.
    long double Skewness = std::numeric_limits<long double>::quiet_NaN();
    long double Kurtosis = std::numeric_limits<long double>::quiet_NaN();
    SharpeSpread Spread;                                                     // N and V
    long double ExpectedMax = std::numeric_limits<long double>::quiet_NaN(); // SR0
    long double Probability = std::numeric_limits<long double>::quiet_NaN(); // DSR
};

/// The deflated Sharpe ratio of one combination of the table's grid over
/// `weeks` (Hold its holding-limit position, 0 without a hold axis),
/// against the spread of the grid's eligible combinations.
DeflatedSharpe DeflateSharpe(const SweepTable& table, WeekRange weeks, const GridPoint& row,
                             const SharpeSpread& spread);

} // namespace quillet
