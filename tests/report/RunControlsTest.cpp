// The controls every front end shares: the week-range check, the ratio texts
// and one cell per column of the best rows.

#include "engine/Sweep.h"
#include "model/ControlRanges.h"
#include "report/Catalogue.h"
#include "report/SweepTexts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace quillet {
namespace {

TEST(RunControls, WeekRangeCheckNamesTheBoundItBreaks)
{
    EXPECT_EQ(WeekRangeError(0, 535), "");
    EXPECT_EQ(WeekRangeError(7, 7), "");
    EXPECT_EQ(WeekRangeError(300, 100), "FIRST 300 is after LAST 100"); // it would be an empty run
    EXPECT_EQ(WeekRangeError(-1, 10), "FIRST -1 not in range 0 to 535");
    EXPECT_EQ(WeekRangeError(536, 536), "FIRST 536 not in range 0 to 535");
    EXPECT_EQ(WeekRangeError(0, 0), "LAST 0 not in range 1 to 535");
    EXPECT_EQ(WeekRangeError(3, 536), "LAST 536 not in range 1 to 535");
}

TEST(RunControls, RatiosArePlainDecimals)
{
    EXPECT_EQ(RatioText(std::numeric_limits<long double>::quiet_NaN(), "%"), "-");
    EXPECT_EQ(RatioText(4.0L / 3.0L), "1,3");
    EXPECT_EQ(RatioText(200.0L / 3.0L, "%"), "66,7%");
    EXPECT_EQ(RatioText(100.0L, "%"), "100%"); // not 1E02
    EXPECT_EQ(RatioText(150.0L), "150");
    EXPECT_EQ(RatioText(0.04L), "0");
    EXPECT_EQ(RatioText(-0.04L), "0");
    EXPECT_EQ(RatioText(0.05L), "0,1");
}

// Points always with their decimal, so that -4 does not stand beside -65,8.
TEST(RunControls, MetricsInPointsKeepTheirDecimal)
{
    const struct {
        SweepMetric Metric;
        long double Value;
        const char* Text;
    } rows[] = {{SweepMetric::Net, -4, "-4,0"},
                {SweepMetric::Net, -65.8L, "-65,8"},
                {SweepMetric::Net, 1752, "1752,0"},
                {SweepMetric::MaxDrawdown, 0, "0,0"},
                {SweepMetric::MaxDrawdown, 12.3L, "12,3"},
                {SweepMetric::Entries, 12, "12"},
                {SweepMetric::Sqn, 1.26L, "1,3"},
                {SweepMetric::Net, std::nanl(""), "-"}};
    for (const auto& row : rows)
        EXPECT_EQ(MetricText(row.Metric, row.Value), row.Text) << row.Text;
}

TEST(RunControls, ABestRowHasOneCellPerColumn)
{
    SweepRow row;
    row.Signal = 85;
    row.StopLoss = 100;
    row.TakeProfit = 50;
    row.Result.Entries = 12;
    row.Figures = FiguresOf(row.Result, row.StopLoss, row.TakeProfit);
    const std::vector<std::string> plain = BestRowCells(row);
    ASSERT_EQ(plain.size(), kBestRowColumns.size());
    EXPECT_EQ(plain[0], "85");
    EXPECT_EQ(plain[3], "-"); // no holding limit
    EXPECT_EQ(plain[4], "12");
    EXPECT_EQ(plain[8], "-"); // nothing lost at stop-loss

    row.Hold = 24;
    row.Forward = row.Result;
    row.ForwardFigures = row.Figures;
    const std::vector<std::string> checked = BestRowCells(row);
    ASSERT_EQ(checked.size(), kBestRowColumns.size() + kForwardColumns.size());
    EXPECT_EQ(checked[3], "24");
    EXPECT_EQ(checked[kBestRowColumns.size()], "12");
}

TEST(RunControls, MetricNamesFollowTheMetrics)
{
    for (std::size_t i = 0; i < kMetricNames.size(); ++i)
        EXPECT_EQ(static_cast<std::size_t>(kMetricNames[i].Metric), i) << kMetricNames[i].Option;
    EXPECT_EQ(NameOf(SweepMetric::TpShare).Option, "tp-share");
}

} // namespace
} // namespace quillet
