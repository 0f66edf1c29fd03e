// The rounding of the program against the library's own nearbyint: the same
// integer for every value, halves and the 32-bit bounds included.

#include "model/Numbers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace quillet {
namespace {

std::int32_t ReferenceRoundToInt32(long double v)
{
    if (std::isnan(v))
        return 0;
    const long double r = std::nearbyintl(v);
    if (r >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (r <= std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

std::vector<long double> Values()
{
    std::vector<long double> v;
    std::mt19937_64 rng(2024);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> exponent(-20, 70);
    for (int n = 0; n < test::Scaled(200000); ++n)
        v.push_back(std::ldexp(static_cast<long double>(unit(rng)), exponent(rng)));
    // Halves, and values one step either side of them, over the whole 32-bit range.
    for (long double k : {0.0L, 1.0L, 2.0L, 84.0L, 85.0L, 1e6L, 2147483645.0L, 2147483646.0L, 2147483647.0L,
                          2147483648.0L, 4294967296.0L, 9.2e18L})
        for (const long double sign : {1.0L, -1.0L})
            for (const long double half : {k + 0.5L, k - 0.5L}) {
                const long double x = sign * half;
                v.push_back(x);
                v.push_back(std::nextafterl(x, 0.0L));
                v.push_back(std::nextafterl(x, sign * 1e30L));
            }
    for (const long double odd :
         {std::numeric_limits<long double>::quiet_NaN(), std::numeric_limits<long double>::infinity(),
          -std::numeric_limits<long double>::infinity(), std::numeric_limits<long double>::max(),
          -std::numeric_limits<long double>::max(), std::numeric_limits<long double>::denorm_min(), -0.0L})
        v.push_back(odd);
    return v;
}

TEST(RoundingAgainstNearbyint, SameIntegerForEveryValue)
{
    int checked = 0;
    for (const long double v : Values()) {
        ASSERT_EQ(RoundToInt32(v), ReferenceRoundToInt32(v)) << static_cast<double>(v);
        if (!std::isnan(v) && std::fabs(v) < 9e18L) {
            ASSERT_EQ(RoundHalfEven(v), static_cast<std::int64_t>(std::nearbyintl(v)))
                << static_cast<double>(v);
        }
        ++checked;
    }
    EXPECT_GT(checked, test::Scaled(200000));
}

} // namespace
} // namespace quillet
