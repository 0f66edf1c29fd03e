// Walk-forward analysis: the windows at the range's ends, and over the demo
// EURUSD every window's choice against a sweep of its in-sample weeks alone
// and every out-of-sample result against the single run over its weeks.

#include "analysis/WalkForward.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <tuple>
#include <vector>

namespace quillet {
namespace {

constexpr int kEurUsd = 6; // the demo EURUSD

struct SpanCase {
    WeekRange Range;
    int InSample, OutOfSample;
    bool Anchored;
    int Windows;
    WalkForwardSpan First, Last;
};

class WalkForwardSpans_ : public ::testing::TestWithParam<SpanCase> {};

TEST_P(WalkForwardSpans_, StartAndEndAsDefined)
{
    const SpanCase& c = GetParam();
    const std::vector<WalkForwardSpan> spans =
        WalkForwardSpans(c.Range, c.InSample, c.OutOfSample, c.Anchored);
    ASSERT_EQ(static_cast<int>(spans.size()), c.Windows);
    if (spans.empty())
        return;
    auto same = [](const WalkForwardSpan& a, const WalkForwardSpan& b) {
        return a.InSample.First == b.InSample.First && a.InSample.Last == b.InSample.Last &&
               a.OutOfSample.First == b.OutOfSample.First && a.OutOfSample.Last == b.OutOfSample.Last;
    };
    EXPECT_TRUE(same(spans.front(), c.First));
    EXPECT_TRUE(same(spans.back(), c.Last));
    for (std::size_t k = 1; k < spans.size(); ++k)
        EXPECT_EQ(spans[k].OutOfSample.First, spans[k - 1].OutOfSample.Last + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, WalkForwardSpans_,
    ::testing::Values(
        // 0..535 with 156 + 52: the eighth window's out-of-sample weeks are cut at 535.
        SpanCase{{0, 535}, 156, 52, false, 8, {{0, 155}, {156, 207}}, {{364, 519}, {520, 535}}},
        SpanCase{{0, 535}, 156, 52, true, 8, {{0, 155}, {156, 207}}, {{0, 519}, {520, 535}}},
        // The out-of-sample weeks end exactly on the range's last week.
        SpanCase{{10, 20}, 5, 3, false, 2, {{10, 14}, {15, 17}}, {{13, 17}, {18, 20}}},
        SpanCase{{10, 21}, 5, 3, true, 3, {{10, 14}, {15, 17}}, {{10, 20}, {21, 21}}},
        // One week left after the in-sample weeks; none left.
        SpanCase{{0, 5}, 5, 3, false, 1, {{0, 4}, {5, 5}}, {{0, 4}, {5, 5}}},
        SpanCase{{0, 4}, 5, 3, false, 0, {}, {}}));

WalkForwardParams DemoParams(bool anchored, std::optional<PlateauRadii> plateau)
{
    WalkForwardParams p;
    p.Sweep.PairName = "EURUSD";
    p.Sweep.Grid = {{60, 140}, {10, 60}, {10, 60}, {}};
    if (plateau)
        p.Sweep.Grid = {{60, 120}, {10, 40}, {10, 40}, AxisRange{30, 34}};
    p.Sweep.Weeks = {20, 535};
    p.Sweep.MinEntries = 8;
    p.InSample = 120;
    p.OutOfSample = 60;
    p.Anchored = anchored;
    p.Plateau = plateau;
    return p;
}

class WalkForwardOverDemo : public ::testing::TestWithParam<int> {};

TEST_P(WalkForwardOverDemo, EveryWindowIsItsSweepAndItsSingleRun)
{
    const int variant = GetParam();
    const WalkForwardParams params =
        DemoParams(variant == 1, variant == 2 ? std::optional(PlateauRadii{3, 2, 2, 1}) : std::nullopt);
    const InstrumentTable& table = test::DemoTable();
    const WalkForwardOutcome out = RunWalkForward(params, table[kEurUsd]);
    const auto spans =
        WalkForwardSpans(params.Sweep.Weeks, params.InSample, params.OutOfSample, params.Anchored);
    ASSERT_EQ(out.Windows.size(), spans.size());

    std::vector<ClosedTrade> joined;
    std::int64_t chosen = 0;
    for (const WalkForwardWindow& w : out.Windows) {
        SCOPED_TRACE(testing::Message()
                     << "in-sample " << w.Span.InSample.First << ".." << w.Span.InSample.Last);
        // The sweep of the in-sample weeks alone, as sweep --range runs it.
        SweepParams alone = params.Sweep;
        alone.Weeks = w.Span.InSample;
        alone.KeepHoldCells = true;
        const SweepOutcome swept = RunSweep(alone, table[kEurUsd]);
        const std::optional<PlateauChoice> best =
            params.Plateau ? BestPlateau(swept, *params.Plateau) : std::nullopt;
        ASSERT_EQ(w.Chosen, params.Plateau ? best.has_value() : !swept.Best.empty());
        if (!w.Chosen)
            continue;
        ++chosen;
        if (best) {
            EXPECT_EQ(std::tie(w.Signal, w.StopLoss, w.TakeProfit, w.Hold),
                      std::tie(best->Signal, best->StopLoss, best->TakeProfit, best->Hold));
        } else {
            const SweepRow& row = swept.Best.front();
            EXPECT_EQ(std::tie(w.Signal, w.StopLoss, w.TakeProfit, w.Hold),
                      std::tie(row.Signal, row.StopLoss, row.TakeProfit, row.Hold));
            EXPECT_EQ(w.InSampleResult, row.Result);
        }
        // The out-of-sample result is backtest --range over its weeks.
        BacktestParams run;
        run.Slot = kEurUsd;
        run.PairName = "EURUSD";
        run.RangeRestricted = true;
        run.FirstWeek = w.Span.OutOfSample.First;
        run.LastWeek = w.Span.OutOfSample.Last;
        run.SignalMinPoints = w.Signal;
        run.StopLossPoints = w.StopLoss;
        run.TakeProfitPoints = w.TakeProfit;
        run.HoldLimit = w.Hold ? *w.Hold - 1 : kUnlimitedHoldLimit;
        BacktestResult result;
        const std::vector<ClosedTrade> trades = RunSinglePairTrades(run, table[run.Slot], result);
        EXPECT_EQ(w.OutOfSampleResult, result);
        ASSERT_EQ(w.TradeCount, trades.size());
        EXPECT_EQ(w.FirstTrade, joined.size());
        joined.insert(joined.end(), trades.begin(), trades.end());
    }
    EXPECT_GT(chosen, 0);
    ASSERT_EQ(out.Trades.size(), joined.size());
    for (std::size_t i = 0; i < joined.size(); ++i)
        EXPECT_EQ(out.Trades[i].EntryIndex, joined[i].EntryIndex);
}

INSTANTIATE_TEST_SUITE_P(RollingAnchoredPlateau, WalkForwardOverDemo, ::testing::Values(0, 1, 2));

TEST(WalkForward, WindowDatesAreThoseOfWeeksWithData)
{
    const CandleSeries& weeks = test::DemoTable()[6].Week;
    const int last = FirstEmptyIndex(weeks, 1) - 1;
    // Week 0 is empty: a range from 0 starts at week 1; past the data there is none.
    EXPECT_EQ(WeekRangeDates(weeks, {0, 5})[0], weeks[1].Date);
    EXPECT_EQ(WeekRangeDates(weeks, {0, 5})[1], weeks[5].Date);
    EXPECT_EQ(WeekRangeDates(weeks, {last - 1, last + 9})[1], weeks[last].Date);
    EXPECT_EQ(WeekRangeDates(weeks, {last + 1, last + 9})[0], 0.0);
}

TEST(WalkForward, EfficiencyIsTheRatioOfNetPerWeek)
{
    std::vector<WalkForwardWindow> windows(2);
    windows[0].Span = {{0, 9}, {10, 14}};
    windows[0].InSampleNetTenths = 400;
    windows[0].OutOfSampleNetTenths = 50;
    windows[1].Span = {{5, 14}, {15, 17}};
    windows[1].InSampleNetTenths = 200;
    windows[1].OutOfSampleNetTenths = -10;
    // (40 / 8 weeks) / (600 / 20 weeks) = 5 / 30
    EfficiencyGap gap = EfficiencyGap::NoWeeks;
    EXPECT_EQ(*WalkForwardEfficiency(windows, &gap), 5.0L / 30.0L);
    EXPECT_EQ(gap, EfficiencyGap::None);
    // In-sample nets that sum to nothing or to a loss promise nothing: a
    // ratio of two losses would read as success.
    for (const std::int64_t first : {-200, -201, -1000}) {
        windows[0].InSampleNetTenths = first;
        EXPECT_FALSE(WalkForwardEfficiency(windows, &gap).has_value()) << first;
        EXPECT_EQ(gap, EfficiencyGap::InSampleNotProfit) << first;
    }
    EXPECT_FALSE(WalkForwardEfficiency({}, &gap).has_value());
    EXPECT_EQ(gap, EfficiencyGap::NoWeeks);
}

// Why a window chose nothing, over the demo EURUSD: each grid below leaves
// windows without a choice for one reason, and every window says its own.
struct NoChoiceCase {
    const char* Label;
    SweepGrid Grid;
    SweepMetric Metric;
    int MinEntries;
    TradeCosts Costs;
    std::optional<PlateauRadii> Plateau;
    NoChoice Expected;
    bool EveryWindow; // or at least one, the others chosen or short of entries
};

void PrintTo(const NoChoiceCase& c, std::ostream* os)
{
    *os << c.Label;
}

class WindowWithoutChoice : public ::testing::TestWithParam<NoChoiceCase> {};

TEST_P(WindowWithoutChoice, SaysWhy)
{
    const NoChoiceCase& c = GetParam();
    WalkForwardParams p;
    p.Sweep.PairName = "EURUSD";
    p.Sweep.Grid = c.Grid;
    p.Sweep.Metric = c.Metric;
    p.Sweep.MinEntries = c.MinEntries;
    p.Sweep.Costs = c.Costs;
    p.InSample = 120;
    p.OutOfSample = 60;
    p.Plateau = c.Plateau;
    const WalkForwardOutcome out = RunWalkForward(p, test::DemoTable()[kEurUsd]);
    int expected = 0;
    for (const WalkForwardWindow& w : out.Windows) {
        EXPECT_EQ(w.Chosen, w.NoChoiceReason == NoChoice::None);
        if (c.EveryWindow) {
            EXPECT_EQ(w.NoChoiceReason, c.Expected);
        } else if (!w.Chosen && w.NoChoiceReason != c.Expected) {
            EXPECT_EQ(w.NoChoiceReason, NoChoice::TooFewEntries);
        }
        expected += w.NoChoiceReason == c.Expected ? 1 : 0;
        if (!w.Chosen) {
            EXPECT_EQ(w.OutOfSampleNetTenths, 0);
        }
    }
    EXPECT_GT(expected, 0);
}

INSTANTIATE_TEST_SUITE_P(Reasons, WindowWithoutChoice,
                         ::testing::Values(NoChoiceCase{"TooFewEntries",
                                                        {{60, 70}, {30, 30}, {30, 30}, {}},
                                                        SweepMetric::Net,
                                                        10000,
                                                        {},
                                                        std::nullopt,
                                                        NoChoice::TooFewEntries,
                                                        true},
                                           // No weekly body reaches 500 points: no trade, so no SQN.
                                           NoChoiceCase{"NoMetricValue",
                                                        {{500, 500}, {30, 30}, {30, 30}, {}},
                                                        SweepMetric::Sqn,
                                                        0,
                                                        {},
                                                        std::nullopt,
                                                        NoChoice::NoMetricValue,
                                                        true},
                                           // A few small signal values have 40 entries; a box of 51 of them
                                           // never is half eligible.
                                           NoChoiceCase{"NoPlateau",
                                                        {{60, 120}, {30, 30}, {30, 30}, {}},
                                                        SweepMetric::Net,
                                                        40,
                                                        {},
                                                        PlateauRadii{50, 0, 0, 0},
                                                        NoChoice::NoPlateau,
                                                        false},
                                           NoChoiceCase{"StopLossWithinSpread",
                                                        {{60, 70}, {0, 2}, {10, 12}, {}},
                                                        SweepMetric::Net,
                                                        0,
                                                        TradeCosts{25, 0, 0, 0},
                                                        std::nullopt,
                                                        NoChoice::StopLossWithinSpread,
                                                        true}),
                         [](const auto& info) { return std::string(info.param.Label); });

// Weeks past the instrument's data would give windows that trade nothing:
// the range ends at the last weekly candle instead.
TEST(WalkForward, ARangeBeyondTheDataIsCutToIt)
{
    auto inst = std::make_unique<Instrument>(test::DemoTable()[kEurUsd]);
    inst->Week[301] = Candle{};
    ASSERT_EQ(FirstEmptyIndex(inst->Week, 1), 301);
    EXPECT_EQ(ClipToWeeklyData({0, 535}, inst->Week).Last, 300);
    EXPECT_EQ(ClipToWeeklyData({0, 299}, inst->Week).Last, 299);

    WalkForwardParams p = DemoParams(false, std::nullopt);
    const WalkForwardOutcome out = RunWalkForward(p, *inst);
    EXPECT_TRUE(out.RangeClipped);
    EXPECT_EQ(out.Weeks.First, 20);
    EXPECT_EQ(out.Weeks.Last, 300);
    ASSERT_FALSE(out.Windows.empty());
    EXPECT_EQ(out.Windows.back().Span.OutOfSample.Last, 300);
    EXPECT_EQ(out.Windows.size(), WalkForwardSpans({20, 300}, p.InSample, p.OutOfSample, false).size());
    EXPECT_FALSE(RunWalkForward(p, test::DemoTable()[kEurUsd]).RangeClipped);
}

} // namespace
} // namespace quillet
