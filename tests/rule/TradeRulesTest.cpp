#include "rule/TradeRules.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

struct BarCase {
    const char* title;
    double high, low, takeProfit, stopLoss;
    std::string_view outcome;
};

class ClassifyBarTest : public ::testing::TestWithParam<BarCase> {};

TEST_P(ClassifyBarTest, DecidesByTheBarsRange)
{
    const auto& c = GetParam();
    EXPECT_EQ(ClassifyBar(c.high, c.low, c.takeProfit, c.stopLoss), c.outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Bars, ClassifyBarTest,
    ::testing::Values(BarCase{"low_touches_take_profit", 1.2050, 1.2000, 1.2000, 1.2100, kTakeProfit},
                      BarCase{"high_touches_stop_loss", 1.2050, 1.2000, 1.1900, 1.2050, kStopLoss},
                      BarCase{"both_inside_take_profit_wins", 1.2050, 1.1900, 1.1950, 1.2000, kTakeProfit},
                      BarCase{"neither", 1.2050, 1.2000, 1.1990, 1.2060, kNoOutcome},
                      BarCase{"empty_candle", 0, 0, 1.2, 1.1, kNoOutcome},
                      BarCase{"high_touches_take_profit_of_a_buy", 1.2050, 1.2000, 1.2050, 1.1900,
                              kTakeProfit},
                      BarCase{"low_touches_stop_loss_of_a_buy", 1.2050, 1.2000, 1.2100, 1.2000, kStopLoss},
                      BarCase{"zero_width_bar_on_level", 1.2, 1.2, 1.2, 1.3, kTakeProfit},
                      BarCase{"just_below_low", 1.2050, 1.2000, 1.19999999, 1.3, kNoOutcome}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(PointDifference, SignedPointsInExtendedPrecision)
{
    EXPECT_NEAR(static_cast<double>(PointDifference(1.2000, 1.2085, 10000)), 85, 1e-9);
    EXPECT_GT(PointDifference(1.2000, 1.2085, 10000), 0);
    EXPECT_NEAR(static_cast<double>(PointDifference(150.00, 149.20, 100)), -80, 1e-9);
    EXPECT_EQ(PointDifference(1.3, 1.3, 10000), 0);
    // The two products are formed in long double, not reduced to double first.
    const long double expected =
        1.2085L * 0 + static_cast<long double>(1.2085) * 10000 - static_cast<long double>(1.2) * 10000;
    EXPECT_EQ(PointDifference(1.2, 1.2085, 10000), expected);
    EXPECT_NE(PointDifference(1.2, 1.2085, 10000), static_cast<long double>(1.2085 * 10000 - 1.2 * 10000));
}

TEST(PointMultiplier, YenPairsByExactName)
{
    for (const char* yen : {"AUDJPY", "EURJPY", "GBPJPY", "NZDJPY", "CADJPY"})
        EXPECT_EQ(PointMultiplier(yen), 100) << yen;
    for (const char* other : {"EURUSD", "gbpjpy", "USDJPY", "CHFJPY", "GBPJPY ", "", "AUDJP"})
        EXPECT_EQ(PointMultiplier(other), 10000) << other;
}

} // namespace
} // namespace quillet
