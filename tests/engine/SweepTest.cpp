// The sweep against the plain single-pair run: for random combinations over
// random instruments, every one of the seventeen totals must come out the
// same, whether folded one combination at a time or a column at a time.

#include "engine/Sweep.h"
#include "report/SinglePairRun.h"

#include "engine/ResultFields.h"
#include "engine/SinglePair.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "report/SinglePairReport.h"
#include "support/RandomPair.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace quillet {
namespace {

using test::MakeRandomPair;
using test::RandomPairShape;

// Names the fields that differ, so a failure says what went wrong.
std::string Differences(const BacktestResult& got, const BacktestResult& want)
{
    std::ostringstream s;
    for (const ResultField& field : kResultFields) {
        const std::int32_t a = ResultFieldValue(got, field);
        const std::int32_t b = ResultFieldValue(want, field);
        if (a != b)
            s << ' ' << field.Name << " " << a << " (run: " << b << ")";
    }
    return s.str();
}

struct Combination {
    int Signal, StopLoss, TakeProfit, HoldLimit;
    WeekRange Weeks;
};

std::string Describe(const Combination& c)
{
    return "signal " + std::to_string(c.Signal) + ", sl " + std::to_string(c.StopLoss) + ", tp " +
           std::to_string(c.TakeProfit) + ", hold limit " + std::to_string(c.HoldLimit) + ", weeks " +
           std::to_string(c.Weeks.First) + ".." + std::to_string(c.Weeks.Last);
}

// What the plain runs met along the way, so each instrument is known to
// exercise the case it was built for.
struct Seen {
    int RanOut = 0;
    int ClosedAtEntry = 0;
    int TimeoutWins = 0;
    int TimeoutLosses = 0;
    int WeekZeroTrades = 0;
};

BacktestResult PlainRun(const InstrumentTable& table, const std::string& pair, const Combination& c,
                        Seen& seen)
{
    BacktestParams params;
    params.Slot = 1;
    params.PairName = pair;
    params.RangeRestricted = true;
    params.FirstWeek = c.Weeks.First;
    params.LastWeek = c.Weeks.Last;
    params.SignalMinPoints = c.Signal;
    params.StopLossPoints = c.StopLoss;
    params.TakeProfitPoints = c.TakeProfit;
    params.HoldLimit = c.HoldLimit;
    BacktestResult result;
    const Notify notify = [&seen](const std::string& text) {
        if (text.find("нету больше свечей") != std::string::npos)
            ++seen.RanOut;
        else
            ++seen.ClosedAtEntry;
    };
    RunSinglePairBacktest(params, table[params.Slot], result, {}, {}, notify);
    seen.TimeoutWins += result.TimeoutWins;
    seen.TimeoutLosses += result.TimeoutLosses;
    if (c.Weeks.First == 0 && c.Weeks.Last >= 0 && result.Entries > 0) {
        BacktestParams weekZero = params;
        weekZero.LastWeek = 0;
        BacktestResult zero;
        RunSinglePairBacktest(weekZero, table[weekZero.Slot], zero, {}, {}, {});
        seen.WeekZeroTrades += zero.Entries;
    }
    return result;
}

// Random combinations, with the edges of every axis drawn often.
std::vector<Combination> RandomCombinations(std::uint64_t seed, int count, int lastWeek)
{
    std::mt19937_64 rng(seed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto edgeOr = [&](int lo, int hi) {
        const int r = pick(0, 9);
        return r == 0 ? lo : r == 1 ? hi : pick(lo, hi);
    };
    std::vector<Combination> out;
    for (int n = 0; n < count; ++n) {
        Combination c{};
        c.Signal = pick(0, 3) == 0 ? edgeOr(50, 500) : pick(50, 250);
        c.StopLoss = edgeOr(0, 150);
        c.TakeProfit = edgeOr(0, 100);
        c.HoldLimit = pick(0, 2) == 0 ? kNoHoldLimit : HoldLimitOf(edgeOr(1, 120));
        switch (pick(0, 5)) {
        case 0:
            c.Weeks = {0, 535}; // the whole range, week 0 included
            break;
        case 1:
            c.Weeks = {0, pick(0, lastWeek)};
            break;
        case 2: {
            const int w = pick(0, lastWeek);
            c.Weeks = {w, w};
            break;
        }
        case 3:
            c.Weeks = {pick(1, lastWeek), pick(0, lastWeek)}; // possibly empty
            break;
        default: {
            const int a = pick(0, lastWeek), b = pick(0, lastWeek);
            c.Weeks = {std::min(a, b), std::max(a, b)};
            break;
        }
        }
        out.push_back(c);
    }
    return out;
}

const std::string& LabelOf(const SinglePairReport& report, const std::string& label)
{
    for (const LabelText& l : report.Labels)
        if (l.Label == label)
            return l.Text;
    static const std::string none = "(no such label)";
    return none;
}

// The sweep ranks by the figures the report prints: its take-profit share
// and its profitability, undefined exactly where the report shows "-".
void ExpectFiguresAsTheReportShowsThem(const BacktestResult& r, const Combination& c)
{
    BacktestParams params;
    params.StopLossPoints = c.StopLoss;
    params.TakeProfitPoints = c.TakeProfit;
    const SinglePairReport report = MakeSinglePairReport(params, r);
    const SweepFigures f = FiguresOf(r, c.StopLoss, c.TakeProfit);
    EXPECT_EQ(std::isnan(f.Profitability) ? "-" : FormatGeneral2(f.Profitability),
              LabelOf(report, "Label157"))
        << Describe(c);
    EXPECT_EQ(std::isnan(f.TpShare) ? "-" : FormatGeneral2(f.TpShare) + "%", LabelOf(report, "Label75"))
        << Describe(c);
    EXPECT_EQ(f.Entries, r.Entries);
    EXPECT_EQ(f.Net, static_cast<std::int64_t>(r.TakeProfits) * c.TakeProfit -
                         static_cast<std::int64_t>(r.StopLosses) * c.StopLoss + r.TimeoutWinPoints -
                         r.TimeoutLossPoints);
}

struct InstrumentCase {
    const char* Label;
    RandomPairShape Shape;
    int Combinations;
};

void PrintTo(const InstrumentCase& c, std::ostream* os)
{
    *os << c.Label;
}

class SweepExactness : public ::testing::TestWithParam<InstrumentCase> {
  protected:
    void SetUp() override
    {
        table_ = std::make_unique<InstrumentTable>();
        MakeRandomPair((*table_)[1], GetParam().Shape);
    }
    std::unique_ptr<InstrumentTable> table_;
};

TEST_P(SweepExactness, EveryFieldMatchesThePlainRun)
{
    const InstrumentCase& ic = GetParam();
    const SweepGrid grid{{50, 500}, {0, 150}, {0, 100}, AxisRange{1, 120}};
    const SweepTable sweep((*table_)[1], ic.Shape.Name, grid, {0, 535});
    ASSERT_GT(sweep.TradeWeekCount(), 5) << "the instrument should trade";

    SweepTable::Column column;
    Seen seen;
    int compared = 0;
    for (const Combination& c :
         RandomCombinations(ic.Shape.Seed * 7919, test::Scaled(ic.Combinations), ic.Shape.Weeks + 2)) {
        const BacktestResult want = PlainRun(*table_, ic.Shape.Name, c, seen);
        const BacktestResult one = sweep.FoldOne(c.Signal, c.StopLoss, c.TakeProfit, c.HoldLimit, c.Weeks);
        EXPECT_EQ(Differences(one, want), "") << "one at a time, " << Describe(c);
        sweep.FoldColumn(c.StopLoss, c.TakeProfit, c.HoldLimit, c.Weeks, column);
        const BacktestResult lane = column.At(c.Signal - grid.Signal.First);
        EXPECT_EQ(Differences(lane, want), "") << "by column, " << Describe(c);
        ExpectFiguresAsTheReportShowsThem(want, c);
        ++compared;
    }
    EXPECT_EQ(compared, test::Scaled(ic.Combinations));
    EXPECT_GT(seen.TimeoutWins, 0);
    EXPECT_GT(seen.TimeoutLosses, 0);
    if (ic.Shape.EndsMidTrade) {
        EXPECT_GT(seen.RanOut, 0) << "no trade ran out of hourly data";
    }
    if (ic.Shape.WeekZero) {
        EXPECT_GT(seen.WeekZeroTrades, 0) << "week 0 never traded";
    }
    if (!ic.Shape.Corrupt && !ic.Shape.EndsMidTrade) {
        EXPECT_GT(seen.ClosedAtEntry, 0) << "no time-out closed at the entry price";
    }
}

RandomPairShape Shape(const char* name, std::uint64_t seed)
{
    RandomPairShape s;
    s.Name = name;
    s.Seed = seed;
    if (std::string(name).find("JPY") != std::string::npos) {
        s.Point = 0.01;
        s.Start = 150;
    }
    return s;
}

InstrumentCase Case(const char* label, RandomPairShape shape, int combinations = 400)
{
    return {label, std::move(shape), combinations};
}

INSTANTIATE_TEST_SUITE_P(
    RandomInstruments, SweepExactness,
    ::testing::Values(Case("EurUsdWithGaps", Shape("EURUSD", 11)),
                      Case("GbpJpyYenPoints", Shape("GBPJPY", 12)),
                      Case(
                          "LowerCaseYenNameUsesTenThousand",
                          [] {
                              auto s = Shape("gbpjpy", 13); // yen prices, but 10000 points a unit
                              s.Point = 0.01;
                              s.Start = 150;
                              return s;
                          }(),
                          200),
                      Case("WeekZeroSignal",
                           [] {
                               auto s = Shape("AUDUSD", 14);
                               s.WeekZero = true;
                               return s;
                           }()),
                      Case("DataEndsMidTrade",
                           [] {
                               auto s = Shape("EURCAD", 15);
                               s.EndsMidTrade = true;
                               s.HourlySigmaPoints = 4; // slow, so trades are still open at the end
                               return s;
                           }()),
                      Case("CorruptQuotes",
                           [] {
                               auto s = Shape("EURAUD", 16);
                               s.Corrupt = true;
                               s.WeekZero = true;
                               return s;
                           }()),
                      Case("QuietHoursManyTimeouts",
                           [] {
                               auto s = Shape("AUDJPY", 17);
                               s.HourlySigmaPoints = 2;
                               s.Gaps = false;
                               return s;
                           }())),
    [](const ::testing::TestParamInfo<InstrumentCase>& info) { return std::string(info.param.Label); });

// --- The whole sweep: cells, best rows, forward figures, stopping ----------

struct Key {
    int Signal, StopLoss, TakeProfit, Hold;
    bool operator<(const Key& o) const
    {
        return std::tie(Signal, StopLoss, TakeProfit, Hold) <
               std::tie(o.Signal, o.StopLoss, o.TakeProfit, o.Hold);
    }
};

class WholeSweep : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        table_ = new InstrumentTable;
        RandomPairShape shape;
        shape.Seed = 21;
        shape.Weeks = 90;
        MakeRandomPair((*table_)[1], shape);
    }
    static void TearDownTestSuite() { delete table_; }

    static SweepParams Small()
    {
        SweepParams p;
        p.PairName = "EURUSD";
        p.Grid = {{80, 89}, {20, 27}, {10, 17}, std::nullopt};
        p.Weeks = {0, 60};
        p.Forward = WeekRange{61, 95};
        p.MinEntries = 5;
        p.Top = 12;
        p.Threads = 2;
        return p;
    }

    struct PlainOutcome {
        BacktestResult Result;
        NetFolder Nets;
    };

    // The plain run of one combination (hold position 0: no holding limit).
    static BacktestResult Plain(const Key& k, WeekRange weeks, const TradeCosts& costs = {})
    {
        return PlainAtCosts(k, weeks, costs).Result;
    }

    static const PlainOutcome& PlainAtCosts(const Key& k, WeekRange weeks, const TradeCosts& costs)
    {
        const auto key = std::make_tuple(k.Signal, k.StopLoss, k.TakeProfit, k.Hold, weeks.First, weeks.Last,
                                         costs.SpreadTenths, costs.CommissionTenths, costs.SwapLongTenths,
                                         costs.SwapShortTenths);
        const auto found = cache_.find(key);
        if (found != cache_.end())
            return found->second;
        BacktestParams params;
        params.Slot = 1;
        params.PairName = "EURUSD";
        params.RangeRestricted = true;
        params.FirstWeek = weeks.First;
        params.LastWeek = weeks.Last;
        params.SignalMinPoints = k.Signal;
        params.StopLossPoints = k.StopLoss;
        params.TakeProfitPoints = k.TakeProfit;
        params.HoldLimit = k.Hold == 0 ? kNoHoldLimit : HoldLimitOf(k.Hold);
        params.Costs = costs;
        PlainOutcome plain;
        for (const ClosedTrade& t : RunSinglePairTrades(params, (*table_)[params.Slot], plain.Result))
            plain.Nets.Add(t.NetTenths);
        return cache_.emplace(key, plain).first->second;
    }

    // Checks the cells and the best rows of `out` against plain runs of
    // every combination of the grid.
    static void ExpectMatchesPlainRuns(const SweepParams& p, const SweepOutcome& out)
    {
        const SweepGrid& g = p.Grid;
        struct Ranked {
            long double Value;
            Key K;
            NetFolder Nets;
        };
        std::vector<Ranked> eligible;
        for (int sig = g.Signal.First; sig <= g.Signal.Last; ++sig)
            for (int sl = g.StopLoss.First; sl <= g.StopLoss.Last; ++sl)
                for (int tp = g.TakeProfit.First; tp <= g.TakeProfit.Last; ++tp) {
                    long double cellBest = std::numeric_limits<long double>::quiet_NaN();
                    int cellHold = 0;
                    const int holds = g.HoldCount();
                    for (int h = 0;
                         h < holds && (p.Costs.SpreadTenths == 0 || 10 * sl > p.Costs.SpreadTenths); ++h) {
                        const Key k{sig, sl, tp, g.Hold ? g.Hold->First + h : 0};
                        const PlainOutcome& plain = PlainAtCosts(k, p.Weeks, p.Costs);
                        const BacktestResult& r = plain.Result;
                        const long double v =
                            RankKey(p.Metric, MetricValue(p.Metric, FiguresOf(r, sl, tp, &plain.Nets)));
                        if (!std::isnan(v) && (std::isnan(cellBest) || v > cellBest)) {
                            cellBest = v;
                            cellHold = k.Hold;
                        }
                        if (!std::isnan(v) && r.Entries >= p.MinEntries)
                            eligible.push_back({v, k, plain.Nets});
                    }
                    const float cell = out.Cell(sig, sl, tp);
                    if (std::isnan(cellBest)) {
                        EXPECT_TRUE(std::isnan(cell)) << sig << "/" << sl << "/" << tp;
                    } else {
                        EXPECT_EQ(cell, static_cast<float>(RankKey(p.Metric, cellBest)))
                            << sig << "/" << sl << "/" << tp;
                    }
                    if (g.Hold && !std::isnan(cellBest)) {
                        EXPECT_EQ(out.CellHold[out.CellIndex(sig, sl, tp)], cellHold)
                            << sig << "/" << sl << "/" << tp;
                    }
                }
        // SQN ranks exactly from its sums, so that equal values tie.
        const bool sqn = p.Metric == SweepMetric::Sqn;
        std::sort(eligible.begin(), eligible.end(), [sqn](const Ranked& a, const Ranked& b) {
            const int order = sqn ? CompareSqn(a.Nets, b.Nets) : (a.Value > b.Value) - (a.Value < b.Value);
            return order != 0 ? order > 0 : a.K < b.K;
        });
        eligible.resize(std::min<std::size_t>(eligible.size(), static_cast<std::size_t>(p.Top)));
        ASSERT_EQ(out.Best.size(), eligible.size());
        for (std::size_t n = 0; n < eligible.size(); ++n) {
            const SweepRow& row = out.Best[n];
            const Key& k = eligible[n].K;
            SCOPED_TRACE("row " + std::to_string(n));
            EXPECT_EQ(row.Signal, k.Signal);
            EXPECT_EQ(row.StopLoss, k.StopLoss);
            EXPECT_EQ(row.TakeProfit, k.TakeProfit);
            EXPECT_EQ(row.Hold.value_or(0), k.Hold);
            EXPECT_EQ(Differences(row.Result, Plain(k, p.Weeks, p.Costs)), "");
            ASSERT_TRUE(row.Forward.has_value());
            const PlainOutcome& forward = PlainAtCosts(k, *p.Forward, p.Costs);
            EXPECT_EQ(Differences(*row.Forward, forward.Result), "");
            EXPECT_EQ(row.ForwardFigures->NetTenths, forward.Nets.NetTenths);
            EXPECT_EQ(row.ForwardFigures->MaxDrawdownTenths, forward.Nets.MaxDrawdownTenths);
        }
    }

    using CacheKey = std::tuple<int, int, int, int, int, int, int, int, int, int>;
    static InstrumentTable* table_;
    static std::map<CacheKey, PlainOutcome> cache_;
};

InstrumentTable* WholeSweep::table_ = nullptr;
std::map<WholeSweep::CacheKey, WholeSweep::PlainOutcome> WholeSweep::cache_;

// One grid of the sweep's tests, with its metric and costs.
struct GridCase {
    const char* Label;
    SweepMetric Metric;
    SweepGrid Grid;
    TradeCosts Costs{};
};

void PrintTo(const GridCase& c, std::ostream* os)
{
    *os << c.Label;
}

class WholeSweepGrid : public WholeSweep, public ::testing::WithParamInterface<GridCase> {};

TEST_P(WholeSweepGrid, CellsAndBestRowsFollowThePlainRuns)
{
    SweepParams p = Small();
    p.Metric = GetParam().Metric;
    p.Grid = GetParam().Grid;
    p.Costs = GetParam().Costs;
    p.Top = 25;
    const SweepOutcome out = RunSweep(p, (*table_)[1]);
    EXPECT_FALSE(out.Stopped);
    // A stop-loss within the spread is left out, not swept.
    EXPECT_EQ(out.LeftOut, LeftOutCombinations(p.Grid, p.Costs));
    EXPECT_EQ(out.Combinations + out.LeftOut, p.Grid.Combinations());
    ASSERT_FALSE(out.Best.empty());
    ExpectMatchesPlainRuns(p, out);
}

const SweepGrid kMiddle{{80, 89}, {20, 27}, {10, 17}, std::nullopt};
// Stop-loss 0 loses no point, take-profit 0 wins none: the ratio's edges.
const SweepGrid kZeroDistances{{80, 87}, {0, 5}, {0, 5}, std::nullopt};
// Short holds, where the time-out decides most trades; with the entries
// metric every hold ties and the smallest must win.
const SweepGrid kShortHolds{{80, 83}, {20, 23}, {10, 13}, AxisRange{3, 10}};
const TradeCosts kCosts{25, 7, -13, 4};

INSTANTIATE_TEST_SUITE_P(
    Grids, WholeSweepGrid,
    ::testing::Values(GridCase{"NetMiddle", SweepMetric::Net, kMiddle},
                      GridCase{"ProfitabilityMiddle", SweepMetric::Profitability, kMiddle},
                      GridCase{"TpShareMiddle", SweepMetric::TpShare, kMiddle},
                      GridCase{"EntriesMiddle", SweepMetric::Entries, kMiddle},
                      GridCase{"NetZeroDistances", SweepMetric::Net, kZeroDistances},
                      GridCase{"ProfitabilityZeroDistances", SweepMetric::Profitability, kZeroDistances},
                      GridCase{"TpShareZeroDistances", SweepMetric::TpShare, kZeroDistances},
                      GridCase{"NetShortHolds", SweepMetric::Net, kShortHolds},
                      GridCase{"EntriesShortHolds", SweepMetric::Entries, kShortHolds},
                      GridCase{"ProfitabilityShortHolds", SweepMetric::Profitability, kShortHolds},
                      // At costs, with the metrics of the trades in order; a
                      // spread of 2.5 points leaves stop-losses 0 to 2 out.
                      GridCase{"NetAtCosts", SweepMetric::Net, kZeroDistances, kCosts},
                      GridCase{"ProfitFactorAtCosts", SweepMetric::ProfitFactor, kMiddle, kCosts},
                      GridCase{"RecoveryFactorAtCosts", SweepMetric::RecoveryFactor, kShortHolds, kCosts},
                      GridCase{"SqnAtCosts", SweepMetric::Sqn, kMiddle, kCosts},
                      GridCase{"MaxDrawdownAtCosts", SweepMetric::MaxDrawdown, kShortHolds, kCosts},
                      GridCase{"MaxDrawdownWithoutCosts", SweepMetric::MaxDrawdown, kZeroDistances}),
    [](const ::testing::TestParamInfo<GridCase>& info) { return std::string(info.param.Label); });

TEST_F(WholeSweep, ASignalWithExactlyTheMinimumEntriesQualifies)
{
    SweepParams p = Small();
    p.Top = 100000;
    const SweepOutcome all = RunSweep(p, (*table_)[1]);
    const int fewest = all.EntriesBySignal.back(); // the largest signal minimum trades least
    ASSERT_GT(fewest, 0);
    ASSERT_LT(fewest, all.EntriesBySignal.front());
    auto signalsIn = [](const SweepOutcome& out) {
        std::set<int> s;
        for (const SweepRow& row : out.Best)
            s.insert(row.Signal);
        return s;
    };
    p.MinEntries = fewest;
    EXPECT_EQ(signalsIn(RunSweep(p, (*table_)[1])).count(89), 1u);
    p.MinEntries = fewest + 1;
    EXPECT_EQ(signalsIn(RunSweep(p, (*table_)[1])).count(89), 0u);
}

TEST_F(WholeSweep, SmallSamplesNeverMakeTheBestRows)
{
    SweepParams p = Small();
    p.MinEntries = 1000;
    const SweepOutcome out = RunSweep(p, (*table_)[1]);
    EXPECT_TRUE(out.Best.empty());
    EXPECT_FALSE(std::isnan(out.Cell(80, 20, 10))) << "the cells keep every metric";
    for (int sig = 80; sig <= 89; ++sig)
        EXPECT_EQ(out.EntriesBySignal[sig - 80], Plain({sig, 20, 10, 0}, p.Weeks).Entries);
}

TEST_F(WholeSweep, SameOutcomeOnAnyNumberOfThreads)
{
    SweepParams p = Small();
    p.Metric = SweepMetric::TpShare; // many ties, broken by the combination
    p.Threads = 1;
    const SweepOutcome one = RunSweep(p, (*table_)[1]);
    for (int threads : {2, 3, 7}) {
        p.Threads = threads;
        const SweepOutcome many = RunSweep(p, (*table_)[1]);
        ASSERT_EQ(many.Cells.size(), one.Cells.size());
        EXPECT_EQ(std::memcmp(many.Cells.data(), one.Cells.data(), one.Cells.size() * sizeof(float)), 0);
        ASSERT_EQ(many.Best.size(), one.Best.size());
        for (std::size_t n = 0; n < one.Best.size(); ++n) {
            EXPECT_EQ(many.Best[n].Signal, one.Best[n].Signal) << threads << " threads, row " << n;
            EXPECT_EQ(many.Best[n].StopLoss, one.Best[n].StopLoss) << threads << " threads, row " << n;
            EXPECT_EQ(many.Best[n].TakeProfit, one.Best[n].TakeProfit) << threads << " threads, row " << n;
        }
    }
}

TEST_F(WholeSweep, ProgressComesOnTheCallingThreadUpToTheTotal)
{
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::int64_t> seen;
    bool elsewhere = false;
    RunSweep(Small(), (*table_)[1], {}, [&](std::int64_t done, std::int64_t total) {
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        EXPECT_EQ(total, 640);
        seen.push_back(done);
    });
    EXPECT_FALSE(elsewhere);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 640);
}

TEST_F(WholeSweep, AStopBeforeTheStartSweepsNothing)
{
    std::stop_source stop;
    stop.request_stop();
    const SweepOutcome out = RunSweep(Small(), (*table_)[1], stop.get_token());
    EXPECT_TRUE(out.Stopped);
    EXPECT_EQ(out.Combinations, 0);
    EXPECT_TRUE(out.Best.empty());
    EXPECT_TRUE(std::all_of(out.Cells.begin(), out.Cells.end(), [](float c) { return std::isnan(c); }));
}

TEST_F(WholeSweep, AStopMidwayKeepsWhatWasDone)
{
    SweepParams p = Small();
    p.Threads = 1;
    std::stop_source stop;
    const SweepOutcome out =
        RunSweep(p, (*table_)[1], stop.get_token(), [&stop](std::int64_t done, std::int64_t) {
            if (done >= 100)
                stop.request_stop();
        });
    EXPECT_TRUE(out.Stopped);
    EXPECT_GT(out.Combinations, 0);
    EXPECT_LT(out.Combinations, 640);
    for (const SweepRow& row : out.Best)
        EXPECT_EQ(Differences(row.Result, Plain({row.Signal, row.StopLoss, row.TakeProfit, 0}, p.Weeks)), "");
}

struct Refusal {
    const char* Label;
    void (*Change)(SweepParams&);
};

void PrintTo(const Refusal& r, std::ostream* os)
{
    *os << r.Label;
}

class SweepRefuses : public WholeSweep, public ::testing::WithParamInterface<Refusal> {};

TEST_P(SweepRefuses, WithAnError)
{
    SweepParams p = Small();
    GetParam().Change(p);
    EXPECT_THROW(RunSweep(p, (*table_)[1]), Error);
}

INSTANTIATE_TEST_SUITE_P(BadParameters, SweepRefuses,
                         ::testing::Values(Refusal{"EmptySignalAxis",
                                                   [](SweepParams& p) {
                                                       p.Grid.Signal = {90, 80};
                                                   }},
                                           Refusal{"EmptyTakeProfitAxis",
                                                   [](SweepParams& p) {
                                                       p.Grid.TakeProfit = {5, 4};
                                                   }},
                                           Refusal{"HoldBelowOne",
                                                   [](SweepParams& p) {
                                                       p.Grid.Hold = AxisRange{0, 5};
                                                   }},
                                           Refusal{"HoldAbove120",
                                                   [](SweepParams& p) {
                                                       p.Grid.Hold = AxisRange{100, 121};
                                                   }}),
                         [](const ::testing::TestParamInfo<Refusal>& info) {
                             return std::string(info.param.Label);
                         });

TEST_F(WholeSweep, ATableKeptByTheCallerGivesTheSameSweep)
{
    const SweepParams p = Small();
    const SweepTable sweep((*table_)[1], p.PairName, p.Grid, SweptWeeks(p));
    const SweepOutcome kept = RunSweep(p, sweep);
    const SweepOutcome own = RunSweep(p, (*table_)[1]);
    ASSERT_EQ(kept.Cells.size(), own.Cells.size());
    EXPECT_EQ(std::memcmp(kept.Cells.data(), own.Cells.data(), own.Cells.size() * sizeof(float)), 0);
    ASSERT_EQ(kept.Best.size(), own.Best.size());
    for (std::size_t n = 0; n < own.Best.size(); ++n)
        EXPECT_EQ(Differences(*kept.Best[n].Forward, *own.Best[n].Forward), "");

    SweepParams other = p;
    other.Grid.TakeProfit = {10, 18};
    EXPECT_THROW(RunSweep(other, sweep), Error);
}

TEST_F(WholeSweep, AColumnOutsideTheTablesWeeksOrGridIsRefused)
{
    const SweepGrid grid{{80, 89}, {20, 27}, {10, 17}, std::nullopt};
    const SweepTable sweep((*table_)[1], "EURUSD", grid, {10, 50});
    SweepTable::Column column;
    EXPECT_THROW(sweep.FoldColumn(20, 10, kNoHoldLimit, {5, 50}, column), Error);
    EXPECT_THROW(sweep.FoldColumn(28, 10, kNoHoldLimit, {10, 50}, column), Error);
    EXPECT_THROW(sweep.FoldColumn(20, 10, 120, {10, 50}, column), Error);
    EXPECT_THROW(sweep.FoldOne(79, 20, 10, kNoHoldLimit, {10, 50}), Error);
    // An empty range needs no weeks at all.
    sweep.FoldColumn(20, 10, kNoHoldLimit, {50, 10}, column);
    EXPECT_EQ(column.At(0).HoursMin, 100);
}

// --- Ranking ties -------------------------------------------------------------------

// SQN is compared exactly from the sums: one account's nets a multiple of
// another's give the same SQN, whatever the rounding of the roots says, and
// otherwise the order is that of the values.
TEST(RankingTies, SqnComparesExactlyFromTheSums)
{
    std::mt19937_64 rng(20261210);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (int n = 0; n < test::Scaled(4000); ++n) {
        NetFolder a, b, scaled;
        const int trades = pick(2, 60), factor = pick(2, 9);
        for (int t = 0; t < trades; ++t) {
            const int net = pick(-1500, 1500);
            a.Add(net);
            scaled.Add(static_cast<std::int64_t>(net) * factor);
        }
        for (int t = pick(2, 60); t > 0; --t)
            b.Add(pick(-1500, 1500));
        if (!Sqn(a) || !Sqn(b))
            continue;
        EXPECT_EQ(CompareSqn(a, scaled), 0);
        EXPECT_EQ(CompareSqn(a, a), 0);
        const long double difference = *Sqn(a) - *Sqn(b);
        if (std::fabs(difference) > 1e-12L * std::max(1.0L, std::fabs(*Sqn(a)))) {
            EXPECT_EQ(CompareSqn(a, b), difference > 0 ? 1 : -1);
        }
        EXPECT_EQ(sign(CompareSqn(a, b)), -sign(CompareSqn(b, a)));
    }
}

// Every trade of the demo EURJPY's weeks 300 to 535 at a take-profit of 0
// ends at 0 or at its stop-loss within the hour, so stop-losses 3 and 4
// give nets of 3:4 and the same SQN: they tie, and the smaller stop-loss
// ranks first.
TEST(RankingTies, EqualSqnsGoToTheSmallerStopLoss)
{
    SweepParams p;
    p.PairName = "EURJPY";
    p.Grid = {{102, 102}, {3, 4}, {0, 0}, std::nullopt};
    p.Weeks = {300, 535};
    p.Metric = SweepMetric::Sqn;
    p.MinEntries = 0;
    p.Costs = {25, 0, 5, -5};
    const SweepOutcome out = RunSweep(p, test::DemoTable()[3]);
    ASSERT_EQ(out.Best.size(), 2U);
    EXPECT_EQ(out.Best[0].StopLoss, 3);
    EXPECT_EQ(out.Best[1].StopLoss, 4);
}

} // namespace
} // namespace quillet
