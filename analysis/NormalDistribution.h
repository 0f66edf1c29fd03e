#pragma once
// The standard normal distribution's function and its inverse, in extended
// precision, for the deflated Sharpe ratio.

namespace quillet {

/// Phi(x): the probability that a standard normal value is at most x.
long double NormalCdf(long double x);

/// Phi^-1(p): the x with Phi(x) = p; -inf for 0, +inf for 1, NaN outside [0, 1].
long double NormalQuantile(long double p);

} // namespace quillet
