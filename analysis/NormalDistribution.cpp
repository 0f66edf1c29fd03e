// Phi from erfc, which keeps its precision far into the lower tail; Phi^-1
// from Acklam's rational approximation (relative error below 1.2e-9),
// refined by Halley's steps on Phi to the last digits of a long double.

#include "analysis/NormalDistribution.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace quillet {
namespace {

// Acklam's coefficients: the central region, then the tails.
constexpr long double kA[] = {-3.969683028665376e+01L, 2.209460984245205e+02L,  -2.759285104469687e+02L,
                              1.383577518672690e+02L,  -3.066479806614716e+01L, 2.506628277459239e+00L};
constexpr long double kB[] = {-5.447609879822406e+01L, 1.615858368580409e+02L, -1.556989798598866e+02L,
                              6.680131188771972e+01L, -1.328068155288572e+01L};
constexpr long double kC[] = {-7.784894002430293e-03L, -3.223964580411365e-01L, -2.400758277161838e+00L,
                              -2.549732539343734e+00L, 4.374664141464968e+00L,  2.938163982698783e+00L};
constexpr long double kD[] = {7.784695709041462e-03L, 3.224671290700398e-01L, 2.445134137142996e+00L,
                              3.754408661907416e+00L};
constexpr long double kLowRegion = 0.02425L;

// The approximation for 0 < p <= 1/2.
long double LowerHalfGuess(long double p)
{
    if (p < kLowRegion) {
        const long double q = std::sqrt(-2 * std::log(p));
        return (((((kC[0] * q + kC[1]) * q + kC[2]) * q + kC[3]) * q + kC[4]) * q + kC[5]) /
               ((((kD[0] * q + kD[1]) * q + kD[2]) * q + kD[3]) * q + 1);
    }
    const long double q = p - 0.5L;
    const long double r = q * q;
    return (((((kA[0] * r + kA[1]) * r + kA[2]) * r + kA[3]) * r + kA[4]) * r + kA[5]) * q /
           (((((kB[0] * r + kB[1]) * r + kB[2]) * r + kB[3]) * r + kB[4]) * r + 1);
}

} // namespace

long double NormalCdf(long double x)
{
    return 0.5L * std::erfc(-x / std::numbers::sqrt2_v<long double>);
}

long double NormalQuantile(long double p)
{
    if (std::isnan(p) || p < 0 || p > 1)
        return std::numeric_limits<long double>::quiet_NaN();
    if (p == 0)
        return -std::numeric_limits<long double>::infinity();
    if (p == 1)
        return std::numeric_limits<long double>::infinity();
    // 1 - p is exact for p >= 1/2, and the lower half keeps Phi's precision.
    if (p > 0.5L)
        return -NormalQuantile(1 - p);
    long double x = LowerHalfGuess(p);
    const long double sqrt2pi = std::sqrt(2 * std::numbers::pi_v<long double>);
    for (int step = 0; step < 3; ++step) {
        const long double u = (NormalCdf(x) - p) * sqrt2pi * std::exp(x * x / 2);
        x -= u / (1 + x * u / 2);
    }
    return x;
}

} // namespace quillet
