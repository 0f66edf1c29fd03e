// Walk-forward analysis over several instruments: on random instruments at
// random costs, each window's choice is the combined sweep's best over its
// in-sample weeks (or the best plateau), each instrument's results are its
// single runs, and the joined account is the plain combined account of the
// out-of-sample trades; over one instrument it is the single analysis.

#include "analysis/MultiWalkForward.h"

#include "model/Errors.h"
#include "support/PlainCombined.h"
#include "support/RandomMarket.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace quillet {
namespace {

using test::MakeMarket;
using test::Market;

void ExpectPlainAccount(const CombinedFigures& got, const std::vector<std::vector<ClosedTrade>>& trades)
{
    const test::PlainCombined want = test::PlainCombine(trades);
    EXPECT_EQ(got.PairNetTenths, want.PairNets);
    EXPECT_EQ(got.All.Trades, want.Trades);
    EXPECT_EQ(got.All.NetTenths, want.Net);
    EXPECT_EQ(got.All.GrossLossTenths, want.GrossLoss);
    EXPECT_EQ(got.All.MaxDrawdownTenths, want.WeeklyDrawdown);
}

MultiWalkForwardParams RandomParams(std::mt19937_64& rng, const Market& m)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    MultiWalkForwardParams p;
    p.Sweep.Pairs = m.Pairs;
    const auto axis = [&](int lo, int hi, int most) {
        const int first = pick(lo, hi);
        return AxisRange{first, first + pick(0, most)};
    };
    p.Sweep.Grid = {axis(50, 80, 30), axis(0, 5, 12), axis(0, 10, 16), {}};
    if (pick(0, 2) == 0)
        p.Sweep.Grid.Hold = axis(1, 110, 5);
    p.Sweep.Metric = kPairsMetricNames[static_cast<std::size_t>(pick(0, 6))].Metric;
    p.Sweep.MinEntries = pick(0, 3);
    p.Sweep.MinTotalEntries = pick(0, 8);
    p.Sweep.Weeks = {pick(0, 5), pick(40, 75)};
    p.InSample = pick(8, 25);
    p.OutOfSample = pick(3, 12);
    p.Anchored = pick(0, 1) == 0;
    if (pick(0, 2) == 0)
        p.Plateau = PlateauRadii{1, 2, 2, 3};
    return p;
}

TEST(MultiWalkForward, WindowsAreTheirSweepsAndSingleRuns)
{
    std::mt19937_64 rng(31);
    int chosen = 0;
    for (int n = 0; n < test::Scaled(12); ++n) {
        const Market m = MakeMarket(rng, 3);
        const MultiWalkForwardParams params = RandomParams(rng, m);
        const MultiWalkForwardOutcome out = RunMultiWalkForward(params, m.Instruments);
        // The range ends at the last week any instrument has data for.
        WeekRange used = params.Sweep.Weeks;
        int lastWithData = 0;
        for (const Instrument* inst : m.Instruments)
            lastWithData = std::max(lastWithData, FirstEmptyIndex(inst->Week, 1) - 1);
        used.Last = std::min(used.Last, lastWithData);
        EXPECT_EQ(out.Weeks.Last, used.Last);
        EXPECT_EQ(out.RangeClipped, used.Last != params.Sweep.Weeks.Last);
        const auto spans = WalkForwardSpans(used, params.InSample, params.OutOfSample, params.Anchored);
        ASSERT_EQ(out.Windows.size(), spans.size());
        std::vector<std::vector<ClosedTrade>> all(m.Pairs.size());
        std::int64_t inNet = 0, outNet = 0, inWeeks = 0, outWeeks = 0;
        for (const MultiWalkForwardWindow& w : out.Windows) {
            MultiSweepParams in = params.Sweep;
            in.Weeks = w.Span.InSample;
            in.Top = 1;
            in.KeepHoldCells = true;
            const MultiSweepOutcome swept = RunMultiSweep(in, m.Instruments);
            const std::optional<PlateauChoice> plateau =
                params.Plateau ? BestPlateau(swept.Combined, *params.Plateau) : std::nullopt;
            ASSERT_EQ(w.Chosen, params.Plateau ? plateau.has_value() : !swept.Best.empty());
            inWeeks += w.InSampleWeeks();
            outWeeks += w.OutOfSampleWeeks();
            if (!w.Chosen)
                continue;
            ++chosen;
            if (plateau)
                EXPECT_EQ(std::tie(w.Signal, w.StopLoss, w.TakeProfit, w.Hold),
                          std::tie(plateau->Signal, plateau->StopLoss, plateau->TakeProfit, plateau->Hold));
            else
                EXPECT_EQ(std::tie(w.Signal, w.StopLoss, w.TakeProfit, w.Hold),
                          std::tie(swept.Best[0].Signal, swept.Best[0].StopLoss, swept.Best[0].TakeProfit,
                                   swept.Best[0].Hold));
            std::vector<std::vector<ClosedTrade>> window(m.Pairs.size());
            for (std::size_t k = 0; k < m.Pairs.size(); ++k) {
                BacktestResult r;
                window[k] = RunSinglePairTrades(w.OutOfSampleParams(params, k), *m.Instruments[k], r);
                EXPECT_EQ(w.Pairs[k].OutOfSampleResult.Entries, r.Entries);
                all[k].insert(all[k].end(), window[k].begin(), window[k].end());
            }
            ExpectPlainAccount(w.OutOfSample, window);
            inNet += w.InSampleNetTenths;
            outNet += w.OutOfSampleNetTenths;
            EXPECT_EQ(w.OutOfSampleNetTenths, test::PlainCombine(window).Net);
        }
        ExpectPlainAccount(out.Account, all);
        // The joined list: every trade, by week, the instruments in order within a week.
        ASSERT_EQ(out.Trades.size(), out.TradePair.size());
        for (std::size_t i = 1; i < out.Trades.size(); ++i)
            ASSERT_LE(std::tie(out.Trades[i - 1].Week, out.TradePair[i - 1]),
                      std::tie(out.Trades[i].Week, out.TradePair[i]));
        EXPECT_EQ(static_cast<std::int64_t>(out.Trades.size()), out.Account.All.Trades);
        // In-sample nets that sum to a loss promise nothing: no efficiency.
        if (inNet > 0)
            EXPECT_EQ(*out.Efficiency, (static_cast<long double>(outNet) / outWeeks) /
                                           (static_cast<long double>(inNet) / inWeeks));
        else
            EXPECT_FALSE(out.Efficiency.has_value());
    }
    EXPECT_GT(chosen, test::Scaled(12) * 2);
}

// Over one instrument the combined choice is the single one, and so is all
// that follows from it.
TEST(MultiWalkForward, OneInstrumentIsTheSingleAnalysis)
{
    std::mt19937_64 rng(8);
    for (const bool plateau : {false, true}) {
        const Market m = MakeMarket(rng, 1);
        MultiWalkForwardParams multi;
        multi.Sweep.Pairs = m.Pairs;
        multi.Sweep.Grid = {{50, 120}, {0, 25}, {0, 25}, AxisRange{30, 32}};
        multi.Sweep.Metric = PairsMetric::Sqn;
        multi.Sweep.MinEntries = 2;
        multi.Sweep.Weeks = {0, 70};
        multi.InSample = 20;
        multi.OutOfSample = 10;
        if (plateau)
            multi.Plateau = PlateauRadii{2, 2, 2, 1};
        WalkForwardParams single;
        single.Sweep.PairName = m.Pairs[0].Name;
        single.Sweep.Costs = m.Pairs[0].Costs;
        single.Sweep.Grid = multi.Sweep.Grid;
        single.Sweep.Metric = SweepMetric::Sqn;
        single.Sweep.MinEntries = 2;
        single.Sweep.Weeks = multi.Sweep.Weeks;
        single.InSample = multi.InSample;
        single.OutOfSample = multi.OutOfSample;
        single.Plateau = multi.Plateau;
        const MultiWalkForwardOutcome a = RunMultiWalkForward(multi, m.Instruments);
        const WalkForwardOutcome b = RunWalkForward(single, *m.Instruments[0]);
        ASSERT_EQ(a.Windows.size(), b.Windows.size());
        for (std::size_t k = 0; k < a.Windows.size(); ++k) {
            const MultiWalkForwardWindow& x = a.Windows[k];
            const WalkForwardWindow& y = b.Windows[k];
            ASSERT_EQ(std::tie(x.Chosen, x.Signal, x.StopLoss, x.TakeProfit, x.Hold),
                      std::tie(y.Chosen, y.Signal, y.StopLoss, y.TakeProfit, y.Hold));
            EXPECT_EQ(x.OutOfSampleNetTenths, y.OutOfSampleNetTenths);
            EXPECT_EQ(x.InSampleNetTenths, y.InSampleNetTenths);
        }
        ASSERT_EQ(a.Trades.size(), b.Trades.size());
        EXPECT_EQ(a.Efficiency, b.Efficiency);
    }
}

TEST(MultiWalkForward, StopsBetweenWindowsAndRefusesNoWindow)
{
    std::mt19937_64 rng(3);
    const Market m = MakeMarket(rng, 2);
    MultiWalkForwardParams params;
    params.Sweep.Pairs = m.Pairs;
    params.Sweep.Grid = {{50, 60}, {10, 12}, {10, 12}, {}};
    params.Sweep.Weeks = {0, 60};
    params.InSample = 20;
    params.OutOfSample = 10;
    std::stop_source stop;
    stop.request_stop();
    const MultiWalkForwardOutcome stopped = RunMultiWalkForward(params, m.Instruments, stop.get_token());
    EXPECT_TRUE(stopped.Stopped);
    EXPECT_TRUE(stopped.Windows.empty());
    params.InSample = 61; // no week left after the in-sample weeks
    EXPECT_THROW(RunMultiWalkForward(params, m.Instruments), Error);
}

} // namespace
} // namespace quillet
