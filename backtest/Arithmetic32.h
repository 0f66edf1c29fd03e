#pragma once
// The 32-bit arithmetic of the run's counters: they wrap on overflow, as the
// totals of the original program did. The sum and product are formed wide
// so that the wrap is defined behaviour.

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

} // namespace quillet
