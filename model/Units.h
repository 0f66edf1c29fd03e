#pragma once
// The units a distance or an amount of the rule is counted in, named where a
// bare integer would hide which one a value is.

#include <cstdint>

namespace quillet {

/// Whole points: the rule's distances, a trade's result before costs.
using Points = std::int32_t;

/// Tenths of a point: costs, and a trade's result after them.
using Tenths = std::int32_t;

/// A sum of tenths over many trades.
using TenthsSum = std::int64_t;

} // namespace quillet
