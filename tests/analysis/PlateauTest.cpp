// The plateau choice against a plain box mean over the sweep's combinations,
// each folded on its own, on small grids of the demo EURUSD: the mean of
// whole tenths, exactly, for the metrics in points, with and without costs.

#include "analysis/Plateau.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace quillet {
namespace {

constexpr int kEurUsd = 6; // slot of the demo EURUSD

struct PlateauCase {
    SweepGrid Grid;
    PlateauRadii Radii;
    int MinEntries;
    SweepMetric Metric = SweepMetric::Net;
    TradeCosts Costs{};
};

class PlateauOverDemo : public ::testing::TestWithParam<PlateauCase> {};

TEST_P(PlateauOverDemo, ChoiceIsThePlainBoxMeanOfTheTenths)
{
    const PlateauCase& c = GetParam();
    SweepParams params;
    params.PairName = "EURUSD";
    params.Grid = c.Grid;
    params.Weeks = {100, 300};
    params.MinEntries = c.MinEntries;
    params.Metric = c.Metric;
    params.Costs = c.Costs;
    params.KeepHoldCells = true;
    const SweepOutcome out = RunSweep(params, test::DemoTable()[kEurUsd]);
    const std::optional<PlateauChoice> got = BestPlateau(out, c.Radii);

    // Every combination's net or drawdown in tenths, folded alone.
    const SweepTable table(test::DemoTable()[kEurUsd], "EURUSD", c.Grid, params.Weeks, c.Costs);
    const SweepGrid& g = c.Grid;
    const AxisRange hold = g.Hold.value_or(AxisRange{0, 0});
    std::map<std::tuple<int, int, int, int>, std::optional<std::int64_t>> values;
    auto net = [&](int s, int sl, int tp, int h) {
        auto [at, fresh] = values.try_emplace({s, sl, tp, h});
        if (fresh) {
            NetFolder f;
            const BacktestResult r =
                table.FoldOne(s, sl, tp, g.Hold ? HoldLimitOf(h) : kNoHoldLimit, params.Weeks, &f);
            if (r.Entries >= c.MinEntries && (c.Metric == SweepMetric::Net || f.Trades > 0))
                at->second = c.Metric == SweepMetric::Net ? f.NetTenths : f.MaxDrawdownTenths;
        }
        return at->second;
    };
    const bool lowest = NameOf(c.Metric).LowestIsBest;
    std::optional<PlateauChoice> want;
    for (int s = g.Signal.First; s <= g.Signal.Last; ++s)
        for (int sl = g.StopLoss.First; sl <= g.StopLoss.Last; ++sl)
            for (int tp = g.TakeProfit.First; tp <= g.TakeProfit.Last; ++tp)
                for (int h = hold.First; h <= hold.Last; ++h) {
                    if (!net(s, sl, tp, h))
                        continue;
                    std::int64_t sum = 0;
                    int eligible = 0, box = 0;
                    const int rh = g.Hold ? c.Radii.Hold : 0;
                    for (int s2 = s - c.Radii.Signal; s2 <= s + c.Radii.Signal; ++s2)
                        for (int sl2 = sl - c.Radii.StopLoss; sl2 <= sl + c.Radii.StopLoss; ++sl2)
                            for (int tp2 = tp - c.Radii.TakeProfit; tp2 <= tp + c.Radii.TakeProfit; ++tp2)
                                for (int h2 = h - rh; h2 <= h + rh; ++h2) {
                                    if (!g.Signal.Contains(s2) || !g.StopLoss.Contains(sl2) ||
                                        !g.TakeProfit.Contains(tp2) || !hold.Contains(h2))
                                        continue;
                                    ++box;
                                    if (const auto v = net(s2, sl2, tp2, h2)) {
                                        sum += *v;
                                        ++eligible;
                                    }
                                }
                    if (2 * eligible < box)
                        continue;
                    const double score = static_cast<double>(sum) / (10.0 * eligible);
                    // Visited in tie order: signal first.
                    if (!want || (lowest ? score < want->Score : score > want->Score))
                        want = PlateauChoice{s,     sl,
                                             tp,    g.Hold ? std::optional<int>(h) : std::nullopt,
                                             score, static_cast<double>(*net(s, sl, tp, h)) / 10};
                }
    ASSERT_EQ(got.has_value(), want.has_value());
    if (!want)
        return;
    EXPECT_EQ(got->Signal, want->Signal);
    EXPECT_EQ(got->StopLoss, want->StopLoss);
    EXPECT_EQ(got->TakeProfit, want->TakeProfit);
    EXPECT_EQ(got->Hold, want->Hold);
    EXPECT_EQ(got->Score, want->Score);
    EXPECT_EQ(got->Metric, want->Metric);
}

INSTANTIATE_TEST_SUITE_P(
    Grids, PlateauOverDemo,
    ::testing::Values(
        PlateauCase{{{80, 95}, {20, 32}, {20, 32}, {}}, {2, 3, 1, 0}, 5},
        PlateauCase{{{60, 70}, {10, 16}, {30, 36}, AxisRange{40, 46}}, {1, 2, 1, 2}, 10},
        PlateauCase{{{85, 90}, {5, 8}, {5, 8}, {}}, {0, 0, 0, 0}, 1000},
        // At costs the nets have tenths; the drawdown's lowest mean is the best.
        PlateauCase{{{80, 95}, {20, 32}, {20, 32}, {}}, {2, 3, 1, 0}, 5, SweepMetric::Net, {12, 7, -3, 1}},
        PlateauCase{{{60, 70}, {10, 16}, {30, 36}, AxisRange{40, 46}},
                    {1, 2, 1, 2},
                    10,
                    SweepMetric::MaxDrawdown,
                    {12, 7, -3, 1}}));

} // namespace
} // namespace quillet
