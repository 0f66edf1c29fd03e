// The plateau choice against a plain box mean over the sweep's combinations,
// each folded on its own, on small grids of the demo EURUSD.

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
};

class PlateauOverDemo : public ::testing::TestWithParam<PlateauCase> {};

TEST_P(PlateauOverDemo, ChoiceIsThePlainBoxMeanOfTheNets)
{
    const PlateauCase& c = GetParam();
    SweepParams params;
    params.PairName = "EURUSD";
    params.Grid = c.Grid;
    params.Weeks = {100, 300};
    params.MinEntries = c.MinEntries;
    params.KeepHoldCells = true;
    const SweepOutcome out = RunSweep(params, test::DemoTable()[kEurUsd]);
    const std::optional<PlateauChoice> got = BestPlateau(out, c.Radii);

    // Every combination's net (the sweep CSV's column), folded alone.
    const SweepTable table(test::DemoTable()[kEurUsd], "EURUSD", c.Grid, params.Weeks);
    const SweepGrid& g = c.Grid;
    const AxisRange hold = g.Hold.value_or(AxisRange{0, 0});
    std::map<std::tuple<int, int, int, int>, std::optional<double>> nets;
    auto net = [&](int s, int sl, int tp, int h) {
        auto [at, fresh] = nets.try_emplace({s, sl, tp, h});
        if (fresh) {
            const BacktestResult r =
                table.FoldOne(s, sl, tp, g.Hold ? HoldLimitOf(h) : kNoHoldLimit, params.Weeks);
            if (r.Entries >= c.MinEntries)
                at->second = static_cast<double>(FiguresOf(r, sl, tp).Net);
        }
        return at->second;
    };
    std::optional<PlateauChoice> want;
    for (int s = g.Signal.First; s <= g.Signal.Last; ++s)
        for (int sl = g.StopLoss.First; sl <= g.StopLoss.Last; ++sl)
            for (int tp = g.TakeProfit.First; tp <= g.TakeProfit.Last; ++tp)
                for (int h = hold.First; h <= hold.Last; ++h) {
                    if (!net(s, sl, tp, h))
                        continue;
                    double sum = 0;
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
                    const double score = sum / eligible;
                    if (!want || score > want->Score) // visited in tie order: signal first
                        want =
                            PlateauChoice{s, sl, tp, g.Hold ? std::optional<int>(h) : std::nullopt, score, 0};
                }
    ASSERT_EQ(got.has_value(), want.has_value());
    if (!want)
        return;
    EXPECT_EQ(got->Signal, want->Signal);
    EXPECT_EQ(got->StopLoss, want->StopLoss);
    EXPECT_EQ(got->TakeProfit, want->TakeProfit);
    EXPECT_EQ(got->Hold, want->Hold);
    EXPECT_EQ(got->Score, want->Score);
}

INSTANTIATE_TEST_SUITE_P(
    Grids, PlateauOverDemo,
    ::testing::Values(PlateauCase{{{80, 95}, {20, 32}, {20, 32}, {}}, {2, 3, 1, 0}, 5},
                      PlateauCase{{{60, 70}, {10, 16}, {30, 36}, AxisRange{40, 46}}, {1, 2, 1, 2}, 10},
                      PlateauCase{{{85, 90}, {5, 8}, {5, 8}, {}}, {0, 0, 0, 0}, 1000}));

} // namespace
} // namespace quillet
