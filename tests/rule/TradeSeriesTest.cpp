// What both runs share: the series of take-profits and stop-losses, and the
// 32-bit products of points and counts in both reports.

#include "rule/TradeSeries.h"
#include "engine/Portfolio.h"
#include "report/PortfolioReport.h"
#include "report/SinglePairReport.h"
#include "rule/Arithmetic32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace quillet {
namespace {

// --- The series ----------------------------------------------------------------

struct SeriesSteps {
    const char* name;
    const char* outcomes; // 'T' take-profit, 'S' stop-loss, one week each
    int firstWeek;
    const char* continued; // '+' where the trade continued a run of its kind
    int tpMax, slMax;
};

class TradeSeriesSteps : public ::testing::TestWithParam<SeriesSteps> {};

TEST_P(TradeSeriesSteps, ContinuesRunsOfItsOwnKind)
{
    const SeriesSteps& c = GetParam();
    TradeSeries series;
    std::string continued;
    int week = c.firstWeek;
    for (const char* o = c.outcomes; *o; ++o)
        continued += series.Step(*o == 'T', week++) ? '+' : '.';
    EXPECT_EQ(continued, c.continued);
    EXPECT_EQ(series.TpSeriesMax, c.tpMax);
    EXPECT_EQ(series.SlSeriesMax, c.slMax);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, TradeSeriesSteps,
                         ::testing::Values(
                             // A stop-loss before any take-profit continues a run nothing began.
                             SeriesSteps{"first_stop_loss_counts", "STTS", 1, "+.+.", 2, 1},
                             SeriesSteps{"alternating", "TSTS", 1, "....", 0, 0},
                             SeriesSteps{"three_and_two", "TTTSS", 1, ".++.+", 3, 2},
                             // Week 0 extends no run but sets what came last.
                             SeriesSteps{"week_zero_take_profit", "TT", 0, ".+", 1, 0},
                             SeriesSteps{"week_zero_stop_loss", "SS", 0, ".+", 0, 1}),
                         [](const ::testing::TestParamInfo<SeriesSteps>& info) {
                             return std::string(info.param.name);
                         });

TEST(Counters32, WrapInsteadOfOverflowing)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(Add32(kMax, 1), kMin);
    EXPECT_EQ(Add32(kMin, -1), kMax);
    EXPECT_EQ(Add32(5, -7), -2);
    EXPECT_EQ(Mul32(200, 10'737'419), -2'147'483'496);
    EXPECT_EQ(Mul32(128, 33'554'432), 0);
    EXPECT_EQ(Mul32(-3, 7), -21);
}

// --- The profitability in both reports -------------------------------------------

struct ProductCase {
    const char* name;
    int takeProfitPoints, stopLossPoints;
    std::int32_t takeProfits, stopLosses;
    const char* profitability;
};

class ProfitabilityProducts : public ::testing::TestWithParam<ProductCase> {};

TEST_P(ProfitabilityProducts, AreFormedAs32BitIntegersInBothReports)
{
    const ProductCase& c = GetParam();

    BacktestParams single;
    single.TakeProfitPoints = c.takeProfitPoints;
    single.StopLossPoints = c.stopLossPoints;
    BacktestResult r;
    r.Entries = Add32(c.takeProfits, c.stopLosses);
    r.TakeProfits = c.takeProfits;
    r.StopLosses = c.stopLosses;
    std::string singleText;
    for (const LabelText& l : MakeSinglePairReport(single, r).Labels)
        if (l.Label == "Label157")
            singleText = l.Text;
    EXPECT_EQ(singleText, c.profitability);

    PortfolioParams all;
    all.TakeProfitPoints = c.takeProfitPoints;
    all.StopLossPoints = c.stopLossPoints;
    PortfolioResult p;
    p.Entries = r.Entries;
    p.TakeProfits = c.takeProfits;
    p.StopLosses = c.stopLosses;
    std::string allText;
    for (const LabelText& l : MakePortfolioReport(all, p))
        if (l.Label == "Label158")
            allText = l.Text;
    EXPECT_EQ(allText, c.profitability);
}

INSTANTIATE_TEST_SUITE_P(
    Products, ProfitabilityProducts,
    ::testing::Values(ProductCase{"ordinary", 50, 100, 6, 2, "1,5"},
                      // 200 x 10737419 passes 2^31 and reads negative.
                      ProductCase{"points_won_wrap_negative", 200, 100, 10'737'419, 1, "-2,1E07"},
                      // 128 x 2^25 is 2^32: no point lost in 32 bits.
                      ProductCase{"points_lost_wrap_to_zero", 50, 128, 1, 33'554'432, "-"}),
    [](const ::testing::TestParamInfo<ProductCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace quillet
