// The overfitting figures against a plain reference: every eligible
// combination run on its own, its weekly nets summed week by week for every
// split, ranked by a plain loop, on random instruments and small grids; a
// grid with a known answer, the splits and blocks, and the normal functions.

#include "analysis/Overfit.h"
#include "analysis/DeflatedSharpe.h"
#include "analysis/NormalDistribution.h"

#include "engine/SinglePair.h"
#include "model/Errors.h"
#include "support/RandomPair.h"
#include "support/SyntheticPair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <tuple>

namespace quillet {
namespace {

using test::MakeRandomPair;
using test::RandomPairShape;

// --- The plain reference ----------------------------------------------------

// Sum, squares and count of weekly nets.
struct PlainSums {
    std::int64_t Sum = 0, Squares = 0, Weeks = 0;
};

// Block b of the week of offset i of T weeks.
int BlockOf(std::int64_t i, std::int64_t t, int blocks)
{
    int b = 0;
    while ((b + 1) * t / blocks <= i)
        ++b;
    return b;
}

struct PlainCombination {
    GridPoint Point;
    std::vector<std::int64_t> Weekly; // net tenths of each week of the range
    std::vector<PlainSums> Blocks;    // and summed by block

    void SumBlocks(int blocks)
    {
        Blocks.assign(static_cast<std::size_t>(blocks), {});
        const auto t = static_cast<std::int64_t>(Weekly.size());
        for (std::int64_t i = 0; i < t; ++i) {
            PlainSums& b = Blocks[static_cast<std::size_t>(BlockOf(i, t, blocks))];
            const std::int64_t x = Weekly[static_cast<std::size_t>(i)];
            b.Sum += x, b.Squares += x * x, ++b.Weeks;
        }
    }
};

std::vector<PlainCombination> PlainCombinations(const Instrument& inst, const OverfitParams& p)
{
    const SweepParams& sp = p.Sweep;
    const SweepGrid& g = sp.Grid;
    const AxisRange holds = g.Hold.value_or(AxisRange{0, 0});
    std::vector<PlainCombination> all;
    for (int s = g.Signal.First; s <= g.Signal.Last; ++s)
        for (int sl = g.StopLoss.First; sl <= g.StopLoss.Last; ++sl)
            for (int tp = g.TakeProfit.First; tp <= g.TakeProfit.Last; ++tp)
                for (int h = holds.First; h <= holds.Last; ++h) {
                    if (sp.Costs.SpreadTenths > 0 && 10 * sl <= sp.Costs.SpreadTenths)
                        continue;
                    BacktestParams bp;
                    bp.Slot = 1;
                    bp.PairName = sp.PairName;
                    bp.RangeRestricted = true;
                    bp.FirstWeek = sp.Weeks.First;
                    bp.LastWeek = sp.Weeks.Last;
                    bp.SignalMinPoints = s;
                    bp.StopLossPoints = sl;
                    bp.TakeProfitPoints = tp;
                    bp.HoldLimit = g.Hold ? HoldLimitOf(h) : kNoHoldLimit;
                    bp.Costs = sp.Costs;
                    BacktestResult r;
                    PlainCombination c{{s, sl, tp, h},
                                       std::vector<std::int64_t>(
                                           static_cast<std::size_t>(sp.Weeks.Last - sp.Weeks.First + 1)),
                                       {}};
                    for (const ClosedTrade& t : RunSinglePairTrades(bp, inst, r))
                        c.Weekly[static_cast<std::size_t>(t.Week - sp.Weeks.First)] += t.NetTenths;
                    c.SumBlocks(p.Blocks);
                    if (r.Entries >= sp.MinEntries)
                        all.push_back(std::move(c));
                }
    return all;
}

PlainSums SumsIn(const PlainCombination& c, std::uint32_t mask, int blocks)
{
    PlainSums s;
    for (int b = 0; b < blocks; ++b)
        if ((mask >> b & 1u) != 0)
            s.Sum += c.Blocks[b].Sum, s.Squares += c.Blocks[b].Squares, s.Weeks += c.Blocks[b].Weeks;
    return s;
}

// -1, 0, 1: the Sharpe ratio by cross-multiplied exact sums, none lowest.
int PlainCompare(OverfitMeasure m, const PlainSums& a, const PlainSums& b)
{
    if (m == OverfitMeasure::Net)
        return (a.Sum > b.Sum) - (a.Sum < b.Sum);
    const __int128 da = a.Weeks * a.Squares - a.Sum * a.Sum, db = b.Weeks * b.Squares - b.Sum * b.Sum;
    if (da <= 0 || db <= 0)
        return (da > 0) - (db > 0);
    const __int128 l = static_cast<__int128>(a.Sum) * (a.Sum < 0 ? -a.Sum : a.Sum) * db;
    const __int128 r = static_cast<__int128>(b.Sum) * (b.Sum < 0 ? -b.Sum : b.Sum) * da;
    return (l > r) - (l < r);
}

long double PlainSharpe(const std::vector<long double>& x)
{
    long double mean = 0, dev = 0;
    for (const long double v : x)
        mean += v;
    mean /= static_cast<long double>(x.size());
    for (const long double v : x)
        dev += (v - mean) * (v - mean);
    return dev == 0 ? NAN : mean / std::sqrt(dev / static_cast<long double>(x.size() - 1));
}

long double PlainMeasure(OverfitMeasure m, const PlainCombination& c, std::uint32_t mask, int blocks)
{
    if (m == OverfitMeasure::Net)
        return SumsIn(c, mask, blocks).Sum / 10.0L;
    std::vector<long double> x;
    const auto t = static_cast<std::int64_t>(c.Weekly.size());
    for (std::int64_t i = 0; i < t; ++i)
        if ((mask >> BlockOf(i, t, blocks) & 1u) != 0)
            x.push_back(static_cast<long double>(c.Weekly[static_cast<std::size_t>(i)]));
    return PlainSharpe(x);
}

struct PlainChoice {
    std::size_t Index = 0;
    double Rank = 0;
    bool Overfit = false;
};

std::vector<PlainSums> AllSums(const std::vector<PlainCombination>& all, std::uint32_t mask, int blocks)
{
    std::vector<PlainSums> sums;
    for (const PlainCombination& c : all)
        sums.push_back(SumsIn(c, mask, blocks));
    return sums;
}

// The first best in sample in the order (signal, stop-loss, take-profit,
// hold).
std::size_t PlainBest(const std::vector<PlainCombination>& all, OverfitMeasure m,
                      const std::vector<PlainSums>& in)
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < all.size(); ++i) {
        const int order = PlainCompare(m, in[i], in[best]);
        const auto& a = all[i].Point;
        const auto& b = all[best].Point;
        if (order > 0 || (order == 0 && std::tie(a.Signal, a.StopLoss, a.TakeProfit, a.Hold) <
                                            std::tie(b.Signal, b.StopLoss, b.TakeProfit, b.Hold)))
            best = i;
    }
    return best;
}

// Its mid-rank among all out of sample, counted plainly.
PlainChoice RankPlainly(std::size_t index, OverfitMeasure m, const std::vector<PlainSums>& out)
{
    std::int64_t below = 0, equal = 0;
    for (const PlainSums& other : out) {
        const int order = PlainCompare(m, other, out[index]);
        below += order < 0;
        equal += order == 0;
    }
    const double rank = 1 + below + (equal - 1) / 2.0;
    return {index, rank, rank / (out.size() + 1.0) <= 0.5};
}

bool Near(long double a, long double b, long double relative = 1e-9L)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return std::fabs(a - b) <= relative * std::max({std::fabs(a), std::fabs(b), 1e-30L});
}

// --- Random instruments against the reference -----------------------------------

struct OverfitCase {
    const char* Label;
    std::uint64_t Seed;
    SweepGrid Grid;
    WeekRange Weeks;
    int Blocks;
    OverfitMeasure Measure;
    int MinEntries;
    TradeCosts Costs;
    bool Plateau = false;
};

void PrintTo(const OverfitCase& c, std::ostream* os)
{
    *os << c.Label;
}

class OverfitAgainstPlain : public ::testing::TestWithParam<OverfitCase> {};

TEST_P(OverfitAgainstPlain, SplitsRanksAndFiguresMatch)
{
    const OverfitCase& oc = GetParam();
    auto table = std::make_unique<InstrumentTable>();
    RandomPairShape shape;
    shape.Seed = oc.Seed;
    shape.Weeks = 90;
    MakeRandomPair((*table)[1], shape);
    const Instrument& inst = (*table)[1];
    OverfitParams p;
    p.Sweep.PairName = "EURUSD";
    p.Sweep.Grid = oc.Grid;
    p.Sweep.Weeks = oc.Weeks;
    p.Sweep.MinEntries = oc.MinEntries;
    p.Sweep.Costs = oc.Costs;
    p.Sweep.Threads = 2;
    p.Blocks = oc.Blocks;
    p.Measure = oc.Measure;
    if (oc.Plateau)
        p.Plateau = PlateauRadii{1, 2, 2, 1};
    const SweepTable sweep(inst, "EURUSD", oc.Grid, oc.Weeks, oc.Costs);
    const OverfitOutcome found = RunOverfit(p, sweep);

    const std::vector<PlainCombination> all = PlainCombinations(inst, p);
    ASSERT_GT(all.size(), 20u);
    ASSERT_EQ(found.Combinations, static_cast<std::int64_t>(all.size()));
    const std::vector<std::uint32_t> masks = OverfitSplits(oc.Blocks);
    ASSERT_EQ(found.Splits.size(), masks.size());
    int overfit = 0, losses = 0, ties = 0;
    for (std::size_t i = 0; i < masks.size(); ++i) {
        const OverfitSplit& s = found.Splits[i];
        const std::uint32_t outside = ((1u << oc.Blocks) - 1) & ~masks[i];
        const std::vector<PlainSums> in = AllSums(all, masks[i], oc.Blocks),
                                     out = AllSums(all, outside, oc.Blocks);
        const PlainChoice want = RankPlainly(PlainBest(all, oc.Measure, in), oc.Measure, out);
        const PlainCombination& c = all[want.Index];
        const GridPoint& got = s.Best.Chosen;
        ASSERT_EQ(std::tie(got.Signal, got.StopLoss, got.TakeProfit, got.Hold),
                  std::tie(c.Point.Signal, c.Point.StopLoss, c.Point.TakeProfit, c.Point.Hold))
            << "split " << i;
        EXPECT_TRUE(Near(s.Best.InSample, PlainMeasure(oc.Measure, c, masks[i], oc.Blocks), 1e-12L)) << i;
        EXPECT_TRUE(Near(s.Best.OutOfSample, PlainMeasure(oc.Measure, c, outside, oc.Blocks), 1e-12L)) << i;
        EXPECT_EQ(s.Best.OutOfSampleNetTenths, SumsIn(c, outside, oc.Blocks).Sum) << i;
        EXPECT_EQ(s.Best.Rank, want.Rank) << i;
        EXPECT_EQ(s.Best.Overfit, want.Overfit) << i;
        EXPECT_TRUE(Near(s.Best.Lambda, std::log(want.Rank / (all.size() + 1 - want.Rank)))) << i;
        for (std::size_t k = 0; k < all.size(); ++k)
            ties += PlainCompare(oc.Measure, in[k], in[want.Index]) == 0 && all[k].Point.Hold != c.Point.Hold;
        overfit += want.Overfit;
        losses += SumsIn(c, outside, oc.Blocks).Sum < 0;
        if (oc.Plateau) {
            ASSERT_TRUE(s.Plateau.has_value()) << i;
            const GridPoint& pp = s.Plateau->Chosen;
            const auto found = std::find_if(all.begin(), all.end(), [&](const PlainCombination& x) {
                return x.Point.Signal == pp.Signal && x.Point.StopLoss == pp.StopLoss &&
                       x.Point.TakeProfit == pp.TakeProfit && x.Point.Hold == pp.Hold;
            });
            ASSERT_NE(found, all.end());
            const auto at = static_cast<std::size_t>(found - all.begin());
            EXPECT_EQ(s.Plateau->Rank, RankPlainly(at, oc.Measure, out).Rank) << i;
        }
    }
    if (std::string(oc.Label).find("Ties") != std::string::npos) {
        EXPECT_GT(ties, 0) << "no best in sample tied with another holding limit";
    }
    EXPECT_DOUBLE_EQ(found.Best.Pbo, static_cast<double>(overfit) / masks.size());
    EXPECT_DOUBLE_EQ(found.Best.LossProbability, static_cast<double>(losses) / masks.size());

    // The line through the splits' (in, out) points, fitted plainly.
    long double sx = 0, sy = 0, sxx = 0, sxy = 0, n = 0;
    for (const OverfitSplit& s : found.Splits)
        if (std::isfinite(s.Best.InSample) && std::isfinite(s.Best.OutOfSample)) {
            sx += s.Best.InSample, sy += s.Best.OutOfSample, n += 1;
            sxx += s.Best.InSample * s.Best.InSample, sxy += s.Best.InSample * s.Best.OutOfSample;
        }
    const long double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    if (found.Best.Slope) {
        EXPECT_TRUE(Near(*found.Best.Slope, slope, 1e-6L));
        EXPECT_TRUE(Near(*found.Best.Intercept, (sy - slope * sx) / n, 1e-6L));
    }

    // The deflated Sharpe ratio of the sweep's best row, formed plainly.
    SweepParams sp = p.Sweep;
    sp.Top = 1;
    const SweepOutcome swept = RunSweep(sp, sweep);
    ASSERT_FALSE(swept.Best.empty());
    const SweepRow& row = swept.Best.front();
    const GridPoint rowPoint{row.Signal, row.StopLoss, row.TakeProfit, row.Hold.value_or(0)};
    const DeflatedSharpe got = DeflateSharpe(sweep, oc.Weeks, rowPoint, found.Spread);
    long double mean = 0, deviations = 0;
    std::int64_t defined = 0;
    std::vector<long double> ratios;
    std::vector<long double> rowNets;
    for (const PlainCombination& c : all) {
        const std::vector<long double> x(c.Weekly.begin(), c.Weekly.end());
        ratios.push_back(PlainSharpe(x));
        if (c.Point.Signal == rowPoint.Signal && c.Point.StopLoss == rowPoint.StopLoss &&
            c.Point.TakeProfit == rowPoint.TakeProfit && c.Point.Hold == rowPoint.Hold)
            rowNets = x;
    }
    for (const long double r : ratios)
        if (!std::isnan(r))
            mean += r, ++defined;
    mean /= defined;
    for (const long double r : ratios)
        if (!std::isnan(r))
            deviations += (r - mean) * (r - mean);
    EXPECT_TRUE(Near(got.Spread.Variance, deviations / defined, 1e-10L));
    ASSERT_FALSE(rowNets.empty());
    long double m = 0, m2 = 0, m3 = 0, m4 = 0;
    for (const long double x : rowNets)
        m += x / rowNets.size();
    for (const long double x : rowNets)
        m2 += std::pow(x - m, 2), m3 += std::pow(x - m, 3), m4 += std::pow(x - m, 4);
    m2 /= rowNets.size(), m3 /= rowNets.size(), m4 /= rowNets.size();
    const long double sr = PlainSharpe(rowNets), skew = m3 / std::pow(m2, 1.5L), kurt = m4 / (m2 * m2);
    const long double e = std::exp(1.0L), N = static_cast<long double>(all.size());
    const long double sr0 =
        std::sqrt(deviations / defined) * ((1 - 0.5772156649015329L) * NormalQuantile(1 - 1 / N) +
                                           0.5772156649015329L * NormalQuantile(1 - 1 / (N * e)));
    const long double t = static_cast<long double>(rowNets.size());
    EXPECT_TRUE(Near(got.Sharpe, sr, 1e-12L));
    EXPECT_TRUE(Near(got.Skewness, skew, 1e-10L));
    EXPECT_TRUE(Near(got.Kurtosis, kurt, 1e-10L));
    EXPECT_TRUE(Near(got.ExpectedMax, sr0, 1e-9L));
    EXPECT_TRUE(
        Near(got.Probability,
             NormalCdf((sr - sr0) * std::sqrt(t - 1) / std::sqrt(1 - skew * sr + (kurt - 1) / 4 * sr * sr)),
             1e-8L));
}

OverfitCase Case(const char* label, std::uint64_t seed, SweepGrid grid, WeekRange weeks, int blocks,
                 OverfitMeasure measure, int minEntries, TradeCosts costs = {}, bool plateau = false)
{
    return {label, seed, grid, weeks, blocks, measure, minEntries, costs, plateau};
}

constexpr auto kNet = OverfitMeasure::Net;
constexpr auto kSharpe = OverfitMeasure::Sharpe;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    RandomInstruments, OverfitAgainstPlain,
    ::testing::Values(
        Case("NetTenBlocks", 31, {{80, 95}, {15, 30}, {10, 24}, {}}, {0, 90}, 10, kNet, 5),
        Case("NetOddWeeksAtCosts", 32, {{60, 90}, {0, 12}, {5, 30}, {}}, {7, 79}, 6, kNet, 8, {25, 5, -3, 2}),
        Case("SharpeEightBlocks", 33, {{70, 99}, {20, 35}, {20, 32}, {}}, {3, 88}, 8, kSharpe, 4,
             {0, 3, 0, 0}),
        // Holding limits beyond every trade's length give equal nets: ties.
        Case("HoldTiesSharpe", 34, {{85, 92}, {25, 31}, {30, 36}, AxisRange{118, 120}}, {0, 90}, 4,
             kSharpe, 3),
        Case("NetNoEntryMinimumShortHolds", 35, {{100, 140}, {40, 44}, {8, 12}, AxisRange{2, 5}}, {10, 90},
             6, kNet, 0),
        Case("PlateauNet", 36, {{80, 91}, {18, 29}, {14, 25}, {}}, {0, 90}, 6, kNet, 5, {}, true),
        Case("PlateauSharpeOverHolds", 37, {{80, 87}, {18, 23}, {14, 19}, AxisRange{20, 22}}, {0, 90}, 4,
             kSharpe, 5, {}, true)),
    [](const ::testing::TestParamInfo<OverfitCase>& info) { return std::string(info.param.Label); });
// clang-format on

// --- Known answers -------------------------------------------------------------------

// Every week but each fourth rises 100 points, and the next Monday falls 50
// points at once without a tick against the sell: every take-profit of the
// grid is reached, so the largest is best in every block, in and out of sample.
void TakeProfitAlwaysReached(Instrument& inst, int weeks)
{
    test::SyntheticPair pair(inst, "EURUSD");
    const double first = test::FirstSunday();
    for (int w = 1; w <= weeks; ++w) {
        const double open = 1.2;
        pair.Week(first + 7.0 * (w - 1), open, w % 4 == 0 ? open + 0.0050 : open + 0.0100);
        const double monday = first + 7.0 * w + 1;
        pair.Hour(monday, "00", 1.3, 1.3, 1.2990, 1.2990);
        pair.Hour(monday, "01", 1.2990, 1.2990, 1.2950, 1.2950);
        pair.QuietHours(monday, 10, 1.2950, 1.2950, 1.2950, 2);
    }
}

OverfitParams SmallGrid(SweepGrid grid, WeekRange weeks, int blocks, int minEntries = 1)
{
    OverfitParams p;
    p.Sweep.PairName = "EURUSD";
    p.Sweep.Grid = grid;
    p.Sweep.Weeks = weeks;
    p.Sweep.MinEntries = minEntries;
    p.Sweep.Threads = 2;
    p.Blocks = blocks;
    return p;
}

TEST(OverfitKnown, ACombinationBestInEveryBlockNeverOverfits)
{
    auto table = std::make_unique<InstrumentTable>();
    TakeProfitAlwaysReached((*table)[1], 40);
    const OverfitParams p = SmallGrid({{80, 85}, {20, 25}, {5, 30}, {}}, {1, 40}, 8);
    const SweepTable sweep((*table)[1], "EURUSD", p.Sweep.Grid, p.Sweep.Weeks);
    const OverfitOutcome out = RunOverfit(p, sweep);
    EXPECT_EQ(out.Combinations, 6 * 6 * 26);
    EXPECT_EQ(out.Best.Pbo, 0.0);
    EXPECT_EQ(out.Best.LossProbability, 0.0);
    // The six stop-losses and six signal values at take-profit 30 tie out of
    // sample: 1 + 900 below + 35 / 2.
    for (const OverfitSplit& s : out.Splits) {
        EXPECT_EQ(s.Best.Chosen.TakeProfit, 30);
        EXPECT_EQ(s.Best.Chosen.StopLoss, 20);
        EXPECT_EQ(s.Best.Chosen.Signal, 80);
        EXPECT_EQ(s.Best.Rank, 918.5);
    }
    ASSERT_TRUE(out.Best.Slope.has_value());
    const DeflatedSharpe d = DeflateSharpe(sweep, p.Sweep.Weeks, {80, 20, 30, 0}, out.Spread);
    EXPECT_GT(d.Sharpe, d.ExpectedMax);
    EXPECT_GT(d.Probability, 0.99L);
}

TEST(OverfitKnown, NoEdgeOverfitsAboutHalfTheTime)
{
    // Random walks: whatever is best in sample is luck out of sample.
    double sum = 0;
    constexpr int kPairs = 12;
    for (int k = 0; k < kPairs; ++k) {
        auto table = std::make_unique<InstrumentTable>();
        RandomPairShape shape;
        shape.Seed = 500 + static_cast<std::uint64_t>(k);
        shape.Weeks = 120;
        MakeRandomPair((*table)[1], shape);
        const OverfitParams p = SmallGrid({{60, 100}, {20, 60}, {20, 60}, {}}, {1, 120}, 10, 10);
        sum += RunOverfit(p, SweepTable((*table)[1], "EURUSD", p.Sweep.Grid, p.Sweep.Weeks)).Best.Pbo;
    }
    EXPECT_NEAR(sum / kPairs, 0.5, 0.15);
}

// --- Splits, blocks, histogram --------------------------------------------------------

TEST(OverfitSplitsAndBlocks, EveryHalfOnceInLexicographicOrder)
{
    auto members = [](std::uint32_t m) {
        std::vector<int> in;
        for (int b = 0; b < 32; ++b)
            if ((m >> b & 1u) != 0)
                in.push_back(b);
        return in;
    };
    for (int blocks = 4; blocks <= 16; blocks += 2) {
        std::vector<std::uint32_t> want;
        for (std::uint32_t m = 0; m < (1u << blocks); ++m)
            if (std::popcount(m) == blocks / 2)
                want.push_back(m);
        std::sort(want.begin(), want.end(), [&](auto a, auto b) { return members(a) < members(b); });
        EXPECT_EQ(OverfitSplits(blocks), want) << blocks;
    }
    EXPECT_EQ(OverfitSplits(16).size(), 12870u);
}

TEST(OverfitSplitsAndBlocks, BlocksCutTheWeeksAsTheFormulaSays)
{
    std::mt19937 rng(3);
    for (int n = 0; n < test::Scaled(500); ++n) {
        const int first = std::uniform_int_distribution<int>(0, 520)(rng);
        const int last = std::uniform_int_distribution<int>(first + 15, 535)(rng);
        const int blocks = 2 * std::uniform_int_distribution<int>(2, 8)(rng);
        const std::vector<WeekRange> got = WeekBlocks({first, last}, blocks);
        ASSERT_EQ(got.size(), static_cast<std::size_t>(blocks));
        const int t = last - first + 1;
        for (int b = 0; b < blocks; ++b) {
            EXPECT_EQ(got[b].First, first + b * t / blocks);
            EXPECT_EQ(got[b].Last, first + (b + 1) * t / blocks - 1);
        }
    }
}

TEST(OverfitSplitsAndBlocks, HistogramBarsHoldEveryLambdaOnce)
{
    std::mt19937 rng(4);
    for (int n = 0; n < test::Scaled(300); ++n) {
        const double spread = std::uniform_real_distribution<double>(0.1, 40)(rng);
        std::vector<long double> lambdas;
        const int count = std::uniform_int_distribution<int>(1, 300)(rng);
        for (int i = 0; i < count; ++i)
            lambdas.push_back(std::uniform_real_distribution<double>(-spread, spread / 2)(rng));
        if (n % 5 == 0)
            lambdas.push_back(0); // on an edge: in the bar up to 0
        const std::vector<HistogramBin> bins = LambdaHistogram(lambdas);
        ASSERT_FALSE(bins.empty());
        EXPECT_LE(bins.size(), 20u);
        int total = 0, upToZero = 0;
        for (std::size_t b = 0; b < bins.size(); ++b) {
            total += bins[b].Count;
            upToZero += bins[b].To <= 0 ? bins[b].Count : 0;
            const int inside =
                static_cast<int>(std::count_if(lambdas.begin(), lambdas.end(), [&](long double x) {
                    return x > bins[b].From && x <= bins[b].To;
                }));
            EXPECT_EQ(bins[b].Count, inside);
        }
        EXPECT_EQ(total, static_cast<int>(lambdas.size()));
        EXPECT_EQ(upToZero,
                  std::count_if(lambdas.begin(), lambdas.end(), [](long double x) { return x <= 0; }));
    }
    EXPECT_TRUE(LambdaHistogram({}).empty());
}

// --- The normal distribution and the deflation --------------------------------------------

TEST(OverfitNormal, KnownValues)
{
    struct Row {
        long double X, P;
    };
    for (const Row& r : {Row{0, 0.5L}, Row{1, 0.8413447460685429486L}, Row{-1.959963984540054L, 0.025L},
                         Row{1.6448536269514722L, 0.95L}, Row{2.3263478740408408L, 0.99L},
                         Row{-3.090232306167813L, 0.001L}, Row{-4.753424308822899L, 1e-6L},
                         Row{-6.361340902404056L, 1e-10L}, Row{-10, 7.619853024160526e-24L}}) {
        EXPECT_TRUE(Near(NormalCdf(r.X), r.P, 1e-14L)) << static_cast<double>(r.X);
        EXPECT_TRUE(Near(NormalQuantile(r.P), r.X, 1e-14L)) << static_cast<double>(r.P);
    }
    EXPECT_EQ(NormalQuantile(0), -std::numeric_limits<long double>::infinity());
    EXPECT_EQ(NormalQuantile(1), std::numeric_limits<long double>::infinity());
    EXPECT_TRUE(std::isnan(NormalQuantile(1.5L)));
    std::mt19937 rng(6);
    for (int n = 0; n < test::Scaled(2000); ++n) {
        const long double p = std::pow(10.0L, -std::uniform_real_distribution<double>(0, 300)(rng));
        EXPECT_TRUE(Near(NormalCdf(NormalQuantile(p)), p, 1e-15L)) << static_cast<double>(p);
        if (p > 1e-12L) { // 1 - p/2 keeps p's digits
            EXPECT_TRUE(Near(NormalQuantile(1 - p / 2), -NormalQuantile(p / 2), 1e-6L));
        }
    }
}

TEST(OverfitNormal, DeflationAtItsBounds)
{
    EXPECT_EQ(ExpectedMaxSharpe(0.04L, 1), 0);
    EXPECT_TRUE(std::isnan(ExpectedMaxSharpe(0.04L, 0)));
    // More trials, a higher bar; it grows with the spread's root.
    EXPECT_LT(ExpectedMaxSharpe(0.04L, 100), ExpectedMaxSharpe(0.04L, 1000000));
    EXPECT_TRUE(Near(ExpectedMaxSharpe(0.16L, 1000), 2 * ExpectedMaxSharpe(0.04L, 1000), 1e-15L));
    EXPECT_TRUE(Near(DeflatedSharpeRatio(0.3L, 0.3L, 100, -0.5L, 5), 0.5L, 1e-15L));
    EXPECT_TRUE(std::isnan(DeflatedSharpeRatio(1, 0, 100, 2, 1))); // 1 - 2 + 0 <= 0
    EXPECT_LT(DeflatedSharpeRatio(0.1L, 0.2L, 200, 0, 3), 0.5L);
}

// --- Threads, stopping, refusals ------------------------------------------------------

class OverfitRun : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        table_ = new InstrumentTable;
        RandomPairShape shape;
        shape.Seed = 41;
        shape.Weeks = 100;
        MakeRandomPair((*table_)[1], shape);
    }
    static void TearDownTestSuite() { delete table_; }
    static OverfitParams Params() { return SmallGrid({{70, 110}, {10, 40}, {10, 40}, {}}, {0, 100}, 8, 5); }
    static SweepTable Table(const OverfitParams& p)
    {
        return SweepTable((*table_)[1], "EURUSD", p.Sweep.Grid, p.Sweep.Weeks, p.Sweep.Costs);
    }
    static InstrumentTable* table_;
};
InstrumentTable* OverfitRun::table_ = nullptr;

TEST_F(OverfitRun, SameFiguresOnAnyNumberOfThreads)
{
    OverfitParams p = Params();
    p.Measure = OverfitMeasure::Sharpe;
    const SweepTable table = Table(p);
    p.Sweep.Threads = 1;
    const OverfitOutcome one = RunOverfit(p, table);
    p.Sweep.Threads = 3;
    const OverfitOutcome three = RunOverfit(p, table);
    ASSERT_EQ(one.Splits.size(), three.Splits.size());
    for (std::size_t i = 0; i < one.Splits.size(); ++i) {
        EXPECT_EQ(one.Splits[i].Best.Rank, three.Splits[i].Best.Rank);
        EXPECT_EQ(one.Splits[i].Best.InSample, three.Splits[i].Best.InSample);
    }
    EXPECT_EQ(one.Spread.Variance, three.Spread.Variance);
    EXPECT_EQ(one.Spread.Mean, three.Spread.Mean);
}

TEST_F(OverfitRun, ProgressRisesToTheEndAndAStopKeepsNoSplits)
{
    const OverfitParams p = Params();
    const SweepTable table = Table(p);
    std::int64_t last = -1, total = 0;
    bool rising = true;
    RunOverfit(p, table, {}, [&](std::int64_t done, std::int64_t all) {
        rising = rising && done >= last;
        last = done;
        total = all;
    });
    EXPECT_TRUE(rising);
    EXPECT_EQ(last, total);
    std::stop_source stop;
    stop.request_stop();
    const OverfitOutcome stopped = RunOverfit(p, table, stop.get_token());
    EXPECT_TRUE(stopped.Stopped);
    EXPECT_TRUE(stopped.Splits.empty());
    // Stopped midway, in the splits.
    std::stop_source later;
    const OverfitOutcome midway =
        RunOverfit(p, table, later.get_token(), [&](std::int64_t done, std::int64_t all) {
            if (done > all / 2)
                later.request_stop();
        });
    EXPECT_TRUE(midway.Stopped);
    EXPECT_TRUE(midway.Splits.empty());
}

TEST_F(OverfitRun, RefusesWhatCannotBeCut)
{
    for (const int blocks : {2, 5, 18}) {
        OverfitParams p = Params();
        p.Blocks = blocks;
        EXPECT_THROW(RunOverfit(p, Table(p)), Error) << blocks;
    }
    OverfitParams few = Params();
    few.Sweep.Weeks = {10, 18}; // 9 weeks, 8 blocks: fine; 10 blocks: not
    EXPECT_NO_THROW(RunOverfit(few, Table(few)));
    few.Blocks = 10;
    EXPECT_THROW(RunOverfit(few, Table(few)), Error);
    OverfitParams none = Params();
    none.Sweep.MinEntries = 1000;
    EXPECT_THROW(RunOverfit(none, Table(none)), Error);
    OverfitParams other = Params();
    other.Sweep.Grid.Hold = AxisRange{1, 2};
    EXPECT_THROW(RunOverfit(other, Table(Params())), Error);
}

} // namespace
} // namespace quillet
