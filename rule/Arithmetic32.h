#pragma once
// The 32-bit arithmetic of the run's counters: they wrap on overflow, as the
// totals always have. The sum and product are formed wide so that the wrap
// is defined behaviour. Costs are held at the bounds instead.

#include <algorithm>
#include <cstdint>

namespace quillet {

inline std::int32_t Add32(std::int32_t a, std::int64_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a + b));
}

inline std::int32_t Mul32(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a * b));
}

/// A sum held within 32 bits: only corrupt dates (years of nights) reach the bounds.
inline std::int32_t ClampToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

} // namespace quillet
