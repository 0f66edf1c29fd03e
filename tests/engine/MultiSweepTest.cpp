// The sweep over several instruments against plain single runs: on random
// instruments at random costs, every cell of every metric is the metric of
// the combined figures written out plainly, the best rows are the plain
// ranking, and each instrument's figures in a row are its single sweep's.

#include "engine/MultiSweep.h"

#include "engine/ResultFields.h"
#include "engine/SinglePair.h"
#include "model/Errors.h"
#include "support/PlainCombined.h"
#include "support/RandomMarket.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <tuple>

namespace quillet {
namespace {

using test::MakeMarket;
using test::Market;

AxisRange RandomAxis(std::mt19937_64& rng, int lo, int hi, int most)
{
    const int first = std::uniform_int_distribution<int>(lo, hi)(rng);
    return {first, first + std::uniform_int_distribution<int>(0, most - 1)(rng)};
}

// The plain runs of one combination on every instrument.
struct PlainCell {
    bool Traded = true;
    std::vector<BacktestResult> Results;
    test::PlainCombined Combined;
};

struct Combo {
    int Signal, StopLoss, TakeProfit, Hold; // hold: the bar's position, 0 without the axis
};

PlainCell RunPlain(const Market& m, const Combo& c, WeekRange weeks)
{
    PlainCell cell;
    std::vector<std::vector<ClosedTrade>> trades;
    for (std::size_t k = 0; k < m.Pairs.size(); ++k) {
        BacktestParams p;
        p.PairName = m.Pairs[k].Name;
        p.RangeRestricted = true;
        p.FirstWeek = weeks.First;
        p.LastWeek = weeks.Last;
        p.SignalMinPoints = c.Signal;
        p.StopLossPoints = c.StopLoss;
        p.TakeProfitPoints = c.TakeProfit;
        p.HoldLimit = c.Hold > 0 ? HoldLimitOf(c.Hold) : kNoHoldLimit;
        p.Costs = m.Pairs[k].Costs;
        if (!CostsError(p).empty()) {
            cell.Traded = false;
            return cell;
        }
        cell.Results.emplace_back();
        trades.push_back(RunSinglePairTrades(p, *m.Instruments[k], cell.Results.back()));
    }
    cell.Combined = test::PlainCombine(trades);
    return cell;
}

std::vector<Combo> CombosOf(const SweepGrid& g)
{
    std::vector<Combo> combos;
    for (int h = 0; h < g.HoldCount(); ++h)
        for (int sl = g.StopLoss.First; sl <= g.StopLoss.Last; ++sl)
            for (int tp = g.TakeProfit.First; tp <= g.TakeProfit.Last; ++tp)
                for (int s = g.Signal.First; s <= g.Signal.Last; ++s)
                    combos.push_back({s, sl, tp, g.Hold ? g.Hold->First + h : 0});
    return combos;
}

bool SameFloat(float a, float b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

void ExpectSameCombined(const CombinedFigures& got, const test::PlainCombined& want)
{
    EXPECT_EQ(got.PairNetTenths, want.PairNets);
    EXPECT_EQ(got.All.Trades, want.Trades);
    EXPECT_EQ(got.All.NetTenths, want.Net);
    EXPECT_EQ(got.All.GrossProfitTenths, want.GrossProfit);
    EXPECT_EQ(got.All.GrossLossTenths, want.GrossLoss);
    EXPECT_EQ(got.All.SquaresTenths, static_cast<long double>(want.Squares));
    EXPECT_EQ(got.All.MaxDrawdownTenths, want.WeeklyDrawdown);
}

// The plain ranking: eligible combinations with a value, the higher key
// first, ties to the smaller signal, stop-loss, take-profit and hold.
std::vector<Combo> PlainBest(PairsMetric metric, const std::vector<Combo>& combos,
                             const std::vector<PlainCell>& plain, const MultiSweepParams& params)
{
    std::vector<std::pair<long double, Combo>> ranked;
    for (std::size_t i = 0; i < combos.size(); ++i) {
        const PlainCell& p = plain[i];
        if (!p.Traded)
            continue;
        bool eligible = p.Combined.Trades >= params.MinTotalEntries;
        for (const BacktestResult& r : p.Results)
            eligible = eligible && r.Entries >= params.MinEntries;
        const long double v = test::PlainMetric(metric, p.Combined);
        if (eligible && !std::isnan(v))
            ranked.push_back({NameOf(metric).LowestIsBest ? -v : v, combos[i]});
    }
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first > b.first;
        return std::tie(a.second.Signal, a.second.StopLoss, a.second.TakeProfit, a.second.Hold) <
               std::tie(b.second.Signal, b.second.StopLoss, b.second.TakeProfit, b.second.Hold);
    });
    std::vector<Combo> best;
    for (const auto& r : ranked)
        best.push_back(r.second);
    return best;
}

// Each instrument's figures in a row: those of its own single sweep of that
// one combination at its costs.
void ExpectPairsAsTheirSingleSweeps(const Market& m, const MultiSweepParams& params, const MultiSweepRow& row)
{
    for (std::size_t k = 0; k < m.Pairs.size(); ++k) {
        SweepParams single;
        single.PairName = m.Pairs[k].Name;
        single.Costs = m.Pairs[k].Costs;
        single.Grid = {{row.Signal, row.Signal},
                       {row.StopLoss, row.StopLoss},
                       {row.TakeProfit, row.TakeProfit},
                       std::nullopt};
        if (row.Hold)
            single.Grid.Hold = AxisRange{*row.Hold, *row.Hold};
        single.Weeks = params.Weeks;
        single.MinEntries = 0;
        single.Threads = 1;
        const SweepOutcome one = RunSweep(single, *m.Instruments[k]);
        ASSERT_EQ(one.Best.size(), 1u);
        const PairFigures& got = row.Pairs[k];
        for (const ResultField& f : kResultFields)
            EXPECT_EQ(ResultFieldValue(got.Result, f), ResultFieldValue(one.Best[0].Result, f)) << f.Name;
        EXPECT_EQ(got.Figures.NetTenths, one.Best[0].Figures.NetTenths);
        EXPECT_EQ(got.Figures.MaxDrawdownTenths, one.Best[0].Figures.MaxDrawdownTenths);
        EXPECT_TRUE(SameFloat(static_cast<float>(got.Figures.ProfitFactor),
                              static_cast<float>(one.Best[0].Figures.ProfitFactor)));
    }
}

void CompareCells(const MultiSweepOutcome& out, PairsMetric metric, const std::vector<Combo>& combos,
                  const std::vector<PlainCell>& plain)
{
    const SweepOutcome& c = out.Combined;
    for (std::size_t i = 0; i < combos.size(); ++i) {
        const Combo& k = combos[i];
        const float want =
            plain[i].Traded ? static_cast<float>(test::PlainMetric(metric, plain[i].Combined)) : NAN;
        std::size_t at = c.CellIndex(k.Signal, k.StopLoss, k.TakeProfit);
        if (c.Grid.Hold)
            at += static_cast<std::size_t>(k.Hold - c.Grid.Hold->First) * c.Cells.size();
        const float got = c.Grid.Hold ? c.HoldCells[at] : c.Cells[at];
        ASSERT_TRUE(SameFloat(got, want))
            << NameOf(metric).Option << " signal " << k.Signal << " sl " << k.StopLoss << " tp "
            << k.TakeProfit << " hold " << k.Hold << ": " << got << " vs " << want;
    }
}

TEST(MultiSweep, EveryCellAndBestRowIsThePlainRunsCombined)
{
    std::mt19937_64 rng(2024);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    // Random markets can leave every metric without a best row; draw on
    // until enough best rows have been compared, whatever the case count.
    const int wantRows = test::Scaled(16) * 3;
    int rowsCompared = 0;
    for (int n = 0; n < test::Scaled(16) || (rowsCompared < wantRows && n < 20 * test::Scaled(16)); ++n) {
        const Market m = MakeMarket(rng, pick(2, 4));
        MultiSweepParams params;
        params.Pairs = m.Pairs;
        params.Grid = {RandomAxis(rng, 50, 90, 10), RandomAxis(rng, 0, 6, 5), RandomAxis(rng, 0, 60, 4),
                       std::nullopt};
        if (pick(0, 1) == 0)
            params.Grid.Hold = RandomAxis(rng, 1, 118, 3);
        const int a = pick(0, 40), b = pick(0, 75);
        params.Weeks = pick(0, 5) == 0 ? WeekRange{b, a} : WeekRange{std::min(a, b), std::max(a, b)};
        params.MinEntries = pick(0, 4);
        params.MinTotalEntries = pick(0, 12);
        params.KeepHoldCells = true;
        params.Threads = pick(1, 3);
        const std::vector<Combo> combos = CombosOf(params.Grid);
        params.Top = static_cast<int>(combos.size());
        std::vector<PlainCell> plain;
        for (const Combo& c : combos)
            plain.push_back(RunPlain(m, c, params.Weeks));
        const std::vector<SweepTable> tables = BuildPairTables(params, m.Instruments);
        for (const PairsMetricName& name : kPairsMetricNames) {
            params.Metric = name.Metric;
            const MultiSweepOutcome out = RunMultiSweep(params, tables);
            CompareCells(out, name.Metric, combos, plain);
            const std::vector<Combo> want = PlainBest(name.Metric, combos, plain, params);
            ASSERT_EQ(out.Best.size(), want.size()) << name.Option;
            for (std::size_t r = 0; r < want.size(); ++r) {
                const MultiSweepRow& row = out.Best[r];
                ASSERT_EQ(std::tie(row.Signal, row.StopLoss, row.TakeProfit),
                          std::tie(want[r].Signal, want[r].StopLoss, want[r].TakeProfit))
                    << name.Option << " row " << r;
                ASSERT_EQ(row.Hold.value_or(0), want[r].Hold);
            }
            if (!out.Best.empty()) {
                const MultiSweepRow& row = out.Best.front();
                const auto i = static_cast<std::size_t>(
                    std::find_if(combos.begin(), combos.end(),
                                 [&](const Combo& c) {
                                     return c.Signal == row.Signal && c.StopLoss == row.StopLoss &&
                                            c.TakeProfit == row.TakeProfit && c.Hold == row.Hold.value_or(0);
                                 }) -
                    combos.begin());
                ExpectSameCombined(row.Combined, plain[i].Combined);
                ExpectPairsAsTheirSingleSweeps(m, params, row);
                ++rowsCompared;
            }
        }
    }
    EXPECT_GE(rowsCompared, wantRows);
}

// The heatmap's and the plateau's eligibility: one threshold on the total
// entries that gives exactly the signal values with enough entries on every
// instrument and in total.
TEST(MultiSweep, EligibilityIsOneThresholdOnTheTotalEntries)
{
    std::mt19937_64 rng(77);
    for (int n = 0; n < test::Scaled(30); ++n) {
        const Market m = MakeMarket(rng, 3);
        MultiSweepParams params;
        params.Pairs = m.Pairs;
        params.Grid = {{50, 250}, {20, 20}, {20, 20}, std::nullopt};
        params.MinEntries = std::uniform_int_distribution<int>(0, 25)(rng);
        params.MinTotalEntries = std::uniform_int_distribution<int>(0, 70)(rng);
        const MultiSweepOutcome out = RunMultiSweep(params, m.Instruments);
        const SweepOutcome& c = out.Combined;
        for (int j = 0; j < params.Grid.Signal.Count(); ++j) {
            bool eligible = c.EntriesBySignal[j] >= params.MinTotalEntries;
            std::int32_t total = 0;
            for (const auto& entries : out.PairEntriesBySignal) {
                eligible = eligible && entries[j] >= params.MinEntries;
                total += entries[j];
            }
            ASSERT_EQ(total, c.EntriesBySignal[j]);
            ASSERT_EQ(c.EntriesBySignal[j] >= c.MinEntries, eligible) << "signal " << 50 + j;
        }
    }
}

// With one instrument the weekly account is the trade account: every cell
// and row of the metrics both sweeps know is the single sweep's.
TEST(MultiSweep, OneInstrumentIsItsSingleSweep)
{
    std::mt19937_64 rng(5);
    const Market m = MakeMarket(rng, 1);
    const std::pair<PairsMetric, SweepMetric> kSame[] = {
        {PairsMetric::Net, SweepMetric::Net},
        {PairsMetric::ProfitFactor, SweepMetric::ProfitFactor},
        {PairsMetric::RecoveryFactor, SweepMetric::RecoveryFactor},
        {PairsMetric::Sqn, SweepMetric::Sqn},
        {PairsMetric::MaxDrawdown, SweepMetric::MaxDrawdown},
    };
    for (const auto& [pairs, single] : kSame) {
        MultiSweepParams mp;
        mp.Pairs = m.Pairs;
        mp.Grid = {{50, 200}, {0, 60}, {0, 60}, AxisRange{20, 22}};
        mp.Metric = pairs;
        mp.MinEntries = 3;
        SweepParams sp;
        sp.PairName = m.Pairs[0].Name;
        sp.Costs = m.Pairs[0].Costs;
        sp.Grid = mp.Grid;
        sp.Metric = single;
        sp.MinEntries = 3;
        const MultiSweepOutcome multi = RunMultiSweep(mp, m.Instruments);
        const SweepOutcome one = RunSweep(sp, *m.Instruments[0]);
        ASSERT_EQ(multi.Combined.Cells.size(), one.Cells.size());
        for (std::size_t i = 0; i < one.Cells.size(); ++i)
            ASSERT_TRUE(SameFloat(multi.Combined.Cells[i], one.Cells[i]))
                << NameOf(pairs).Option << " cell " << i;
        EXPECT_EQ(multi.Combined.CellHold, one.CellHold);
        ASSERT_EQ(multi.Best.size(), one.Best.size());
        for (std::size_t r = 0; r < one.Best.size(); ++r) {
            EXPECT_EQ(
                std::tie(multi.Best[r].Signal, multi.Best[r].StopLoss, multi.Best[r].TakeProfit,
                         multi.Best[r].Hold),
                std::tie(one.Best[r].Signal, one.Best[r].StopLoss, one.Best[r].TakeProfit, one.Best[r].Hold));
            EXPECT_EQ(multi.Best[r].Pairs[0].Figures.NetTenths, one.Best[r].Figures.NetTenths);
        }
    }
}

TEST(MultiSweep, RefusesWhatItCannotSweep)
{
    MultiSweepParams params;
    EXPECT_THROW(CheckMultiSweep(params), Error); // no instrument
    params.Pairs.assign(kMaxSweptPairs + 1, PairSetup{"EURUSD", {}});
    EXPECT_THROW(CheckMultiSweep(params), Error);
    params.Pairs.assign(2, PairSetup{"EURUSD", {}});
    CheckMultiSweep(params);
    params.Pairs[1].Costs.SpreadTenths = 9999;
    EXPECT_THROW(CheckMultiSweep(params), Error);
    params.Pairs[1].Costs = {};
    params.Grid.Signal = {60, 50};
    EXPECT_THROW(CheckMultiSweep(params), Error);
}

} // namespace
} // namespace quillet
