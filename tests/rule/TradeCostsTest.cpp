// Trading at costs: the run against a plain account of the cost model
// written from its definition, the sweep against the run, and the figures
// of a small account worked out by hand.

#include "model/TradeCosts.h"
#include "analysis/TradeStats.h"
#include "engine/SinglePair.h"
#include "engine/Sweep.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "report/Catalogue.h"
#include "report/FigureTexts.h"
#include "report/SinglePairRun.h"
#include "rule/TradeRules.h"
#include "support/RandomPair.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>

namespace quillet {
namespace {

long long Rint(long double v)
{
    return std::llrint(v); // the default rounding mode: to nearest, ties to even
}

// Weekday of a day serial from the civil calendar (0 = Sunday).
unsigned WeekdayOf(long long day)
{
    CivilDate d{};
    EXPECT_TRUE(DecodeDate(static_cast<double>(day), d));
    using namespace std::chrono;
    return weekday(
               sys_days(year(d.Year) / month(static_cast<unsigned>(d.Month)) / static_cast<unsigned>(d.Day)))
        .c_encoding();
}

// The spread of an hour as the costs give it: the one spread, or the hour's
// recorded one.
int SpreadOf(const BacktestParams& p, int hour)
{
    return p.Costs.SpreadRecorded ? p.Spread->At(hour) : p.Costs.SpreadTenths;
}

// One trade of the cost model, straight from its definition: the entry
// candle, direction and signal come from the run without costs (they do not
// depend on them), the rest is walked here. A sell meets each candle on its
// hour's ask side: its bid levels are formed with that hour's spread.
ClosedTrade PlainTradeAtCosts(const Instrument& inst, const BacktestParams& p, const ClosedTrade& signal)
{
    const long double m = PointMultiplier(p.PairName);
    const auto sigma = [&](int hour) { return static_cast<long double>(SpreadOf(p, hour)) / (10 * m); };
    const bool buy = signal.Direction == TradeDirection::Buy;
    const int c = signal.EntryIndex;
    const double e = inst.Hour[c].Open;
    ClosedTrade t = signal;
    t.EntrySpreadTenths = SpreadOf(p, c);
    t.EntryPrice = buy ? static_cast<double>(e + sigma(c)) : e;
    const long double eb = t.EntryPrice;
    const auto tpAt = [&](int hour) {
        return buy ? static_cast<double>(eb + p.TakeProfitPoints / m)
                   : static_cast<double>(e - (10.0L * p.TakeProfitPoints + SpreadOf(p, hour)) / (10 * m));
    };
    const auto slAt = [&](int hour) {
        return buy ? static_cast<double>(eb - p.StopLossPoints / m)
                   : static_cast<double>(e + (10.0L * p.StopLossPoints - SpreadOf(p, hour)) / (10 * m));
    };
    t.TakeProfitLevel = tpAt(c);
    t.StopLossLevel = slAt(c);
    const int hourEnd = FirstEmptyIndex(inst.Hour, 1);
    t.Drawdown = 0;
    for (int k = 0;; ++k) {
        const int at = c + k;
        const Candle& h = inst.Hour[at];
        const int s = SpreadOf(p, at);
        if (k > 0)
            t.Drawdown = std::max<std::int32_t>(
                t.Drawdown, static_cast<std::int32_t>(
                                buy ? Rint((eb - h.Low) * m)
                                    : Rint((h.High - static_cast<long double>(e)) * m + s / 10.0L)));
        const double tpLevel = tpAt(at), slLevel = slAt(at);
        const bool tp = h.Low <= tpLevel && tpLevel <= h.High;
        const bool sl = h.Low <= slLevel && slLevel <= h.High;
        t.HoursHeld = k;
        t.ExitIndex = at;
        t.ExitDate = h.Date;
        if (k == p.HoldLimit || (!tp && !sl && at + 1 >= hourEnd)) {
            t.Exit = k == p.HoldLimit ? ExitKind::TimeOut : ExitKind::OutOfCandles;
            const long double x = h.Close;
            const long double gain = buy ? (x - eb) * m : (e - x) * m - s / 10.0L;
            t.Points = static_cast<std::int32_t>(Rint(gain));
            t.ExitPrice = buy ? h.Close : static_cast<double>(x + sigma(at));
            break;
        }
        if (tp || sl) {
            t.Exit = tp ? ExitKind::TakeProfit : ExitKind::StopLoss;
            t.Points = tp ? p.TakeProfitPoints : -p.StopLossPoints;
            const double level = tp ? tpLevel : slLevel;
            t.ExitPrice = buy ? level : static_cast<double>(level + sigma(at));
            break;
        }
    }
    t.Nights = 0;
    for (long long day = static_cast<long long>(std::floor(t.EntryDate)) + 1;
         day <= static_cast<long long>(std::floor(t.ExitDate)); ++day)
        t.Nights += WeekdayOf(day) <= 1 ? 0 : WeekdayOf(day) == 4 ? 3 : 1; // Sun, Mon none; Thu three
    t.CostTenths =
        p.Costs.CommissionTenths - t.Nights * (buy ? p.Costs.SwapLongTenths : p.Costs.SwapShortTenths);
    t.NetTenths = 10 * t.Points - t.CostTenths;
    return t;
}

void ExpectSameTrade(const ClosedTrade& t, const ClosedTrade& want)
{
    EXPECT_EQ(t.EntryIndex, want.EntryIndex);
    EXPECT_EQ(t.EntrySpreadTenths, want.EntrySpreadTenths);
    EXPECT_EQ(t.EntryPrice, want.EntryPrice);
    EXPECT_EQ(t.TakeProfitLevel, want.TakeProfitLevel);
    EXPECT_EQ(t.StopLossLevel, want.StopLossLevel);
    EXPECT_EQ(t.Exit, want.Exit);
    EXPECT_EQ(t.HoursHeld, want.HoursHeld);
    EXPECT_EQ(t.ExitPrice, want.ExitPrice);
    EXPECT_EQ(t.Drawdown, want.Drawdown);
    EXPECT_EQ(t.Points, want.Points);
    EXPECT_EQ(t.Nights, want.Nights);
    EXPECT_EQ(t.CostTenths, want.CostTenths);
    EXPECT_EQ(t.NetTenths, want.NetTenths);
}

TradeCosts RandomCosts(std::mt19937_64& rng, int stopLoss)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    TradeCosts c;
    // Spreads up to the stop-loss's own size, which is the largest allowed.
    c.SpreadTenths = pick(0, 3) == 0 ? 0 : pick(0, std::min(10 * stopLoss - 1, kSpreadMaxTenths));
    c.CommissionTenths = pick(0, kCommissionMaxTenths);
    c.SwapLongTenths = pick(-kSwapLimitTenths, kSwapLimitTenths);
    c.SwapShortTenths = pick(-kSwapLimitTenths, kSwapLimitTenths);
    return c;
}

struct CostCase {
    const char* Label;
    test::RandomPairShape Shape;
};

void PrintTo(const CostCase& c, std::ostream* os)
{
    *os << c.Label;
}

class AtCosts : public ::testing::TestWithParam<CostCase> {
  protected:
    void SetUp() override
    {
        table_ = std::make_unique<InstrumentTable>();
        test::MakeRandomPair((*table_)[1], GetParam().Shape);
    }
    BacktestParams RandomParams(std::mt19937_64& rng) const
    {
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        BacktestParams p;
        p.PairName = GetParam().Shape.Name;
        p.SignalMinPoints = pick(50, 200);
        p.StopLossPoints = pick(1, 150);
        p.TakeProfitPoints = pick(0, 100);
        p.HoldLimit = pick(0, 1) == 0 ? kUnlimitedHoldLimit : pick(0, 119);
        p.Costs = RandomCosts(rng, p.StopLossPoints);
        return p;
    }
    // Spreads hour by hour: mostly narrow, now and then wide, as around the
    // week's open.
    RecordedSpread RandomSpread(std::mt19937_64& rng) const
    {
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        std::vector<std::uint16_t> tenths(
            static_cast<std::size_t>(FirstEmptyIndex((*table_)[1].Hour, 1) - 1));
        for (std::uint16_t& t : tenths)
            t = static_cast<std::uint16_t>(pick(0, 9) == 0 ? pick(30, 900) : pick(0, 30));
        return RecordedSpread(tenths);
    }
    // The costs of `p` with the spread of each hour from `spread`.
    static BacktestParams Recorded(BacktestParams p, const RecordedSpread& spread)
    {
        p.Costs.SpreadTenths = 0;
        p.Costs.SpreadRecorded = true;
        p.Spread = &spread;
        return p;
    }
    std::unique_ptr<InstrumentTable> table_;
};

TEST_P(AtCosts, EveryTradeFollowsThePlainCostModel)
{
    std::mt19937_64 rng(GetParam().Shape.Seed);
    int trades = 0, sells = 0, spreadTimeouts = 0;
    for (int run = 0; run < test::Scaled(200); ++run) {
        BacktestParams p = RandomParams(rng);
        BacktestParams plain = p;
        plain.Costs = {};
        BacktestResult gross, net;
        const std::vector<ClosedTrade> signals = RunSinglePairTrades(plain, (*table_)[plain.Slot], gross);
        const std::vector<ClosedTrade> got = RunSinglePairTrades(p, (*table_)[p.Slot], net);
        ASSERT_EQ(got.size(), signals.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            const ClosedTrade& t = got[i];
            SCOPED_TRACE("run " + std::to_string(run) + ", trade " + std::to_string(i));
            ExpectSameTrade(t, PlainTradeAtCosts((*table_)[1], p, signals[i]));
            ++trades;
            sells += t.Direction == TradeDirection::Sell;
            spreadTimeouts += p.Costs.SpreadTenths > 0 && t.Exit == ExitKind::TimeOut;
        }
    }
    EXPECT_GT(trades, 100);
    EXPECT_GT(sells, 20);
    EXPECT_GT(spreadTimeouts, 10);
}

TEST_P(AtCosts, TheSweepEqualsTheRunAtTheSameCosts)
{
    std::mt19937_64 rng(GetParam().Shape.Seed + 1);
    const SweepGrid grid{{50, 200}, {0, 150}, {0, 100}, AxisRange{1, 120}};
    SweepTable::Column column;
    for (int table = 0; table < 3; ++table) {
        const TradeCosts costs = RandomCosts(rng, 5);
        const SweepTable sweep((*table_)[1], GetParam().Shape.Name, grid, {0, 535}, costs);
        for (int run = 0; run < test::Scaled(60); ++run) {
            BacktestParams p = RandomParams(rng);
            p.Costs = costs;
            if (!sweep.Model().StopLossClearsSpread(p.StopLossPoints))
                continue;
            BacktestResult want;
            NetFolder wantNets;
            for (const ClosedTrade& t : RunSinglePairTrades(p, (*table_)[p.Slot], want))
                wantNets.Add(t.NetTenths);
            NetFolder nets;
            const BacktestResult one = sweep.FoldOne(p.SignalMinPoints, p.StopLossPoints, p.TakeProfitPoints,
                                                     p.HoldLimit, {0, 535}, &nets);
            sweep.FoldColumn(p.StopLossPoints, p.TakeProfitPoints, p.HoldLimit, {0, 535}, column, true);
            const int lane = p.SignalMinPoints - grid.Signal.First;
            const auto group = static_cast<std::size_t>(column.GroupOfLane[static_cast<std::size_t>(lane)]);
            SCOPED_TRACE("table " + std::to_string(table) + ", run " + std::to_string(run));
            EXPECT_EQ(one, want);
            EXPECT_EQ(column.At(lane), want);
            for (const NetFolder* f : {&nets, &column.Nets[group]}) {
                EXPECT_EQ(f->NetTenths, wantNets.NetTenths);
                EXPECT_EQ(f->SquaresTenths, wantNets.SquaresTenths);
                EXPECT_EQ(f->MaxDrawdownTenths, wantNets.MaxDrawdownTenths);
                EXPECT_EQ(f->LongestLosingStreak, wantNets.LongestLosingStreak);
            }
            const SweepFigures fig = FiguresOf(want, p.StopLossPoints, p.TakeProfitPoints, &wantNets);
            EXPECT_EQ(column.Totals[0].size() > group, true);
            EXPECT_EQ(fig.Net * 10 - column.CostTenths[group], wantNets.NetTenths);
        }
    }
}

// At random spreads hour by hour, every run's trades follow the plain model,
// a run is refused exactly when a stop-loss is within an entry's spread, and
// the sweep's table gives every run's results and leaves out the refused.
TEST_P(AtCosts, RecordedSpreadsTradeAsThePlainModelInTheRunAndTheSweep)
{
    std::mt19937_64 rng(GetParam().Shape.Seed + 2);
    const SweepGrid grid{{50, 200}, {0, 150}, {0, 100}, AxisRange{1, 120}};
    const Instrument& inst = (*table_)[1];
    int trades = 0, sells = 0, refused = 0;
    for (int table = 0; table < 2; ++table) {
        const RecordedSpread spread = RandomSpread(rng);
        const TradeCosts costs = Recorded(RandomParams(rng), spread).Costs;
        const SweepTable sweep(inst, GetParam().Shape.Name, grid, {0, 535}, costs, &spread);
        SweepTable::Column column;
        for (int run = 0; run < test::Scaled(100); ++run) {
            BacktestParams p = Recorded(RandomParams(rng), spread);
            p.Costs = costs;
            BacktestParams plain = p;
            plain.Costs = {};
            BacktestResult gross, want;
            const std::vector<ClosedTrade> signals = RunSinglePairTrades(plain, inst, gross);
            const bool within = std::any_of(signals.begin(), signals.end(), [&](const ClosedTrade& t) {
                return !CostModel::StopLossClears(p.StopLossPoints, spread.At(t.EntryIndex));
            });
            sweep.FoldColumn(p.StopLossPoints, p.TakeProfitPoints, p.HoldLimit, {0, 535}, column, true);
            const int lane = p.SignalMinPoints - grid.Signal.First;
            const int group = column.GroupOfLane[static_cast<std::size_t>(lane)];
            SCOPED_TRACE("table " + std::to_string(table) + ", run " + std::to_string(run));
            EXPECT_EQ(within, group < column.FirstClearedGroup);
            if (within) {
                EXPECT_THROW(RunSinglePairTrades(p, inst, want), Error);
                ++refused;
                continue;
            }
            const std::vector<ClosedTrade> got = RunSinglePairTrades(p, inst, want);
            ASSERT_EQ(got.size(), signals.size());
            NetFolder wantNets;
            for (std::size_t i = 0; i < got.size(); ++i) {
                ExpectSameTrade(got[i], PlainTradeAtCosts(inst, p, signals[i]));
                wantNets.Add(got[i].NetTenths);
                sells += got[i].Direction == TradeDirection::Sell;
            }
            trades += static_cast<int>(got.size());
            EXPECT_EQ(column.At(lane), want);
            EXPECT_EQ(column.Nets[static_cast<std::size_t>(group)].MaxDrawdownTenths,
                      wantNets.MaxDrawdownTenths);
            EXPECT_EQ(column.Nets[static_cast<std::size_t>(group)].SquaresTenths, wantNets.SquaresTenths);
        }
    }
    EXPECT_GT(trades, 100);
    EXPECT_GT(sells, 20);
    EXPECT_GT(refused, 0);
}

// A spread recorded the same for every hour is that one spread (the runs'
// trades follow the same plain model): the same sweep, but for the
// combinations with no trade at all, which have no entry whose spread a
// stop-loss could fail to clear.
TEST_P(AtCosts, OneRecordedSpreadEveryHourIsTheFixedSpread)
{
    std::mt19937_64 rng(GetParam().Shape.Seed + 4);
    const Instrument& inst = (*table_)[1];
    for (int table = 0; table < 3; ++table) {
        SweepParams sp;
        sp.PairName = GetParam().Shape.Name;
        sp.Grid = {{50, 200}, {0, 40}, {0, 60}, std::nullopt};
        sp.Metric = table == 1 ? SweepMetric::Sqn : SweepMetric::Net;
        sp.MinEntries = 1;
        sp.Costs = RandomCosts(rng, table == 0 ? 1 : 8);
        const RecordedSpread spread(
            std::vector<std::uint16_t>(static_cast<std::size_t>(FirstEmptyIndex(inst.Hour, 1) - 1),
                                       static_cast<std::uint16_t>(sp.Costs.SpreadTenths)));
        const SweepOutcome want = RunSweep(sp, inst);
        sp.Costs.SpreadTenths = 0;
        sp.Costs.SpreadRecorded = true;
        sp.Spread = &spread;
        const SweepOutcome got = RunSweep(sp, inst);
        ASSERT_EQ(got.Cells.size(), want.Cells.size());
        EXPECT_EQ(got.LeftOut + got.Combinations, want.LeftOut + want.Combinations);
        EXPECT_LE(got.LeftOut, want.LeftOut); // the combinations without trades stay in
        const auto lanes = static_cast<std::size_t>(sp.Grid.Signal.Count());
        for (std::size_t i = 0; i < got.Cells.size(); ++i) {
            const bool same =
                got.Cells[i] == want.Cells[i] || (std::isnan(got.Cells[i]) && std::isnan(want.Cells[i]));
            ASSERT_TRUE(same || (std::isnan(want.Cells[i]) && want.EntriesBySignal[i % lanes] == 0)) << i;
        }
        ASSERT_EQ(got.Best.size(), want.Best.size());
        for (std::size_t i = 0; i < got.Best.size(); ++i)
            EXPECT_EQ(got.Best[i].Result, want.Best[i].Result);
    }
}

test::RandomPairShape Shape(const char* name, std::uint64_t seed, bool endsMidTrade = false)
{
    test::RandomPairShape s;
    s.Name = name;
    s.Seed = seed;
    s.EndsMidTrade = endsMidTrade;
    if (std::string(name).find("JPY") != std::string::npos) {
        s.Point = 0.01;
        s.Start = 150;
    }
    return s;
}

INSTANTIATE_TEST_SUITE_P(RandomInstruments, AtCosts,
                         ::testing::Values(CostCase{"EurUsd", Shape("EURUSD", 31)},
                                           CostCase{"GbpJpy", Shape("GBPJPY", 32)},
                                           CostCase{"EndsMidTrade", Shape("AUDUSD", 33, true)}),
                         [](const auto& info) { return std::string(info.param.Label); });

TEST(AtCostsRefused, AStopLossWithinTheSpreadOrCostsOutOfRange)
{
    BacktestParams p;
    p.StopLossPoints = 2;
    p.Costs.SpreadTenths = 19;
    EXPECT_EQ(CostsError(p), "");
    p.Costs.SpreadTenths = 20; // a stop-loss of exactly the spread leaves nothing
    EXPECT_EQ(CostsError(p), "Stop-loss 2 is not larger than the spread 2.0");
    BacktestResult r;
    EXPECT_THROW(RunSinglePairBacktest(p, test::DemoTable()[p.Slot], r, {}, {}, {}), Error);
    p.StopLossPoints = 0;
    p.Costs.SpreadTenths = 0; // without a spread every stop-loss stays allowed
    EXPECT_EQ(CostsError(p), "");
    p.Costs.SwapShortTenths = -501;
    EXPECT_EQ(CostsError(p), "Short swap -50.1 is outside -50.0 to 50.0 points");
}

// Six trades worked out on paper: nets +50, -30, -20, +15, -10, +5 points,
// the first three entered in 2010 and the rest in 2011.
TEST(TradeFigures, ASmallAccountByHand)
{
    std::vector<ClosedTrade> trades;
    const int nets[] = {500, -300, -200, 150, -100, 50};
    for (int i = 0; i < 6; ++i) {
        ClosedTrade t;
        t.NetTenths = nets[i];
        t.HoursHeld = 10 * (i + 1);
        t.EntryDate = DateSerial(i < 3 ? 2010 : 2011, 3, 1 + i);
        trades.push_back(t);
    }
    const TradeStats s = ComputeTradeStats(trades);
    const NetFolder& f = s.All;
    EXPECT_EQ(TenthsText(f.NetTenths), "10,0");
    EXPECT_EQ(TenthsText(f.GrossProfitTenths), "70,0");
    EXPECT_EQ(TenthsText(f.GrossLossTenths), "60,0");
    EXPECT_EQ(RatioFigureText(ProfitFactor(f)), "1,17");   // 70 / 60
    EXPECT_EQ(RatioFigureText(Expectancy(f), 1), "1,7");   // 10 / 6
    EXPECT_EQ(RatioFigureText(WinRate(f)), "0,50");        // 3 / 6
    EXPECT_EQ(RatioFigureText(AverageWin(f), 1), "23,3");  // 70 / 3
    EXPECT_EQ(RatioFigureText(AverageLoss(f), 1), "20,0"); // 60 / 3
    EXPECT_EQ(TenthsText(f.MaxDrawdownTenths), "50,0");    // 50 down to 0
    EXPECT_EQ(RatioFigureText(RecoveryFactor(f)), "0,20"); // 10 / 50
    EXPECT_EQ(RatioFigureText(Sqn(f)), "0,14");            // 10 sqrt(5) / sqrt(6 * 4150 - 100) in points
    EXPECT_EQ(f.LongestLosingStreak, 2);
    EXPECT_EQ(RatioFigureText(s.AverageHoursHeld, 1), "35,0");
    ASSERT_EQ(s.ByYear.size(), 2u);
    const YearFigures y2010{2010, 3, 1, 0, 500}, y2011{2011, 3, 2, 100, 100};
    for (const auto& [got, want] : {std::pair{s.ByYear[0], y2010}, std::pair{s.ByYear[1], y2011}}) {
        EXPECT_EQ(got.Year, want.Year);
        EXPECT_EQ(got.Trades, want.Trades);
        EXPECT_EQ(got.Wins, want.Wins);
        EXPECT_EQ(got.NetTenths, want.NetTenths);
        EXPECT_EQ(got.MaxDrawdownTenths, want.MaxDrawdownTenths);
    }
    // No divisor, no figure.
    const TradeStats none = ComputeTradeStats({});
    for (const Ratio& r : {ProfitFactor(none.All), Expectancy(none.All), RecoveryFactor(none.All),
                           Sqn(none.All), none.AverageHoursHeld})
        EXPECT_EQ(RatioFigureText(r), "-");
}

TEST(TradeCostsText, PointsWithOneDecimal)
{
    const struct {
        const char* Text;
        std::optional<int> Tenths;
    } rows[] = {{"1.2", 12}, {"1,2", 12},  {"-0.5", -5},     {"+3", 30}, {"50", 500},
                {"0", 0},    {"1.25", {}}, {".5", {}},       {"1.", {}}, {"", {}},
                {"x", {}},   {"1e1", {}},  {"123456789", {}}};
    for (const auto& row : rows)
        EXPECT_EQ(ParseTenths(row.Text), row.Tenths) << row.Text;
    EXPECT_EQ(TenthsText(-3), "-0,3");
    EXPECT_EQ(TenthsText(12, '.'), "1.2");
    TradeCosts c{12, 7, -3, 1};
    EXPECT_EQ(TradeCostsCaption(c), "Издержки: спред 1,2 п, комиссия 0,7 п, своп \u22120,3/+0,1 п");
}

// A broker's rollovers: none at the midnights that start a Sunday or a
// Monday, three at the one that starts a Thursday, seven in a full week.
TEST(TradeCostsText, NightsAsABrokerChargesThem)
{
    const double monday = DateSerial(2026, 12, 7);
    const double hour = 1.0 / 24;
    const struct {
        double From, To;
        int Nights;
    } rows[] = {
        {monday, monday + 0.9, 0},     {monday, monday + 1, 1},     {monday + 2.9, monday + 3, 3},
        {monday, monday + 4.9, 6},     {monday + 4, monday + 5, 1}, {monday + 5, monday + 7, 0},
        {monday + 4, monday + 7, 1},   {monday - 1, monday + 2, 2}, {monday + hour, monday + 7 + hour, 7},
        {monday - 2, monday + 12, 14}, {monday + 3, monday + 2, 0}};
    for (const auto& row : rows)
        EXPECT_EQ(NightsHeld(row.From, row.To), row.Nights) << row.From << " to " << row.To;
}

} // namespace
} // namespace quillet
