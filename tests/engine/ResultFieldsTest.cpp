// The table of the seventeen result fields: every member of BacktestResult
// once, in its order, each reached through its own entry.

#include "engine/ResultFields.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <string_view>

namespace quillet {
namespace {

// Sixteen 32-bit counters and a flag padded to four bytes: a member added to
// the result without an entry in the table changes the size.
static_assert(sizeof(BacktestResult) == 16 * sizeof(std::int32_t) + 4);

TEST(ResultFields, EachEntryReachesItsOwnMember)
{
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < kResultFieldCount; ++i) {
        BacktestResult r;
        std::memset(static_cast<void*>(&r), 0, sizeof r);
        SetResultField(r, kResultFields[i], 1);
        for (std::size_t j = 0; j < kResultFieldCount; ++j)
            EXPECT_EQ(ResultFieldValue(r, kResultFields[j]), i == j ? 1 : 0)
                << kResultFields[i].Name << " also sets " << kResultFields[j].Name;
        names.insert(kResultFields[i].Name);
    }
    EXPECT_EQ(names.size(), kResultFieldCount);
}

TEST(ResultFields, FollowTheOrderOfTheResult)
{
    const BacktestResult r;
    for (std::size_t i = 1; i + 1 < kResultFieldCount; ++i)
        EXPECT_LT(&(r.*kResultFields[i - 1].Count), &(r.*kResultFields[i].Count)) << kResultFields[i].Name;
    EXPECT_EQ(kResultFields.back().Name, "LastWasTakeProfit");
    EXPECT_EQ(ResultFieldIndex(&BacktestResult::LastWasTakeProfit), kResultFieldCount - 1);
    EXPECT_EQ(ResultFieldValue(r, kResultFields[ResultFieldIndex(&BacktestResult::HoursMin)]), 100);
}

} // namespace
} // namespace quillet
