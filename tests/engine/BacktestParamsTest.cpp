// The page's controls as the run's parameters: the week range counts only
// when restricted, and the holding limit is the hours less one.

#include "engine/BacktestParams.h"

#include <gtest/gtest.h>

#include <string>

namespace quillet {
namespace {

struct ControlsCase {
    const char* name;
    bool holdLimited;
    int holdPosition;
    bool rangeRestricted;
    int firstPosition, lastPosition;
    int holdLimit, firstWeek, lastWeek;
};

class ParamsFromControlsTest : public ::testing::TestWithParam<ControlsCase> {};

TEST_P(ParamsFromControlsTest, HoldingLimitAndWeekRange)
{
    const ControlsCase& c = GetParam();
    SinglePairControls controls;
    controls.Slot = 4;
    controls.PairName = "GBPJPY";
    controls.SignalPosition = 120;
    controls.StopLossPosition = 0;
    controls.TakeProfitPosition = 100;
    controls.HoldLimited = c.holdLimited;
    controls.HoldPosition = c.holdPosition;
    controls.RangeRestricted = c.rangeRestricted;
    controls.FirstWeekPosition = c.firstPosition;
    controls.LastWeekPosition = c.lastPosition;
    controls.LogEnabled = true;

    const BacktestParams p = ParamsFromControls(controls);
    EXPECT_EQ(p.HoldLimit, c.holdLimit);
    EXPECT_EQ(p.RangeRestricted, c.rangeRestricted);
    EXPECT_EQ(p.FirstWeek, c.firstWeek);
    EXPECT_EQ(p.LastWeek, c.lastWeek);
    // The rest is taken as it stands.
    EXPECT_EQ(p.Slot, 4);
    EXPECT_EQ(p.PairName, "GBPJPY");
    EXPECT_EQ(p.SignalMinPoints, 120);
    EXPECT_EQ(p.StopLossPoints, 0);
    EXPECT_EQ(p.TakeProfitPoints, 100);
    EXPECT_TRUE(p.LogEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ParamsFromControlsTest,
    ::testing::Values(
        // Unchecked boxes ignore their track bars: 120 hourly candles, weeks 0 to 535.
        ControlsCase{"nothing_restricted", false, 48, false, 20, 300, 119, 0, 535},
        ControlsCase{"hold_48_hours", true, 48, false, 1, 535, 47, 0, 535},
        ControlsCase{"hold_1_hour_closes_on_the_entry_candle", true, 1, false, 1, 535, 0, 0, 535},
        ControlsCase{"hold_120_hours_is_the_unlimited_walk", true, 120, false, 1, 535, 119, 0, 535},
        ControlsCase{"weeks_20_to_300", false, 48, true, 20, 300, 119, 20, 300},
        // The positions are taken as they are, even when they cross.
        ControlsCase{"range_ending_before_it_starts", true, 30, true, 535, 534, 29, 535, 534}),
    [](const ::testing::TestParamInfo<ControlsCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace quillet
