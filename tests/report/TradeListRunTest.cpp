// The trade list of a run with its work-log lines and its equity curve: the
// curve's figures on made-up point sequences, and on hand-checked accounts
// and the demo instruments a list that agrees with the totals, is the same
// with the log on or off, and points at the lines where each trade begins.

#include "analysis/EquityCurve.h"
#include "engine/SinglePair.h"
#include "report/SinglePairRun.h"
#include "report/TradeCsv.h"
#include "support/SyntheticPair.h"

#include "demo/DemoData.h"
#include "model/Dates.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace quillet {
namespace {

using test::FirstSunday;
using test::SyntheticPair;

// --- The equity curve ---------------------------------------------------------

struct CurveCase {
    const char* Name;
    std::vector<std::int32_t> Points;
    std::vector<std::int64_t> Cumulative;
    std::vector<std::int64_t> RunningMax;
    std::int64_t Deepest;
    int Peak;
    int Trough;
};

class EquityCurveOf : public ::testing::TestWithParam<CurveCase> {};

TEST_P(EquityCurveOf, SumsMaximumAndDeepestFall)
{
    const CurveCase& c = GetParam();
    std::vector<ClosedTrade> trades(c.Points.size());
    for (std::size_t i = 0; i < trades.size(); ++i)
        trades[i].Points = c.Points[i];
    const EquityCurve curve = MakeEquityCurve(trades);
    EXPECT_EQ(curve.Cumulative, c.Cumulative);
    EXPECT_EQ(curve.RunningMax, c.RunningMax);
    EXPECT_EQ(curve.Total, c.Cumulative.empty() ? 0 : c.Cumulative.back());
    EXPECT_EQ(curve.DeepestDrawdown, c.Deepest);
    EXPECT_EQ(curve.DrawdownPeak, c.Peak);
    EXPECT_EQ(curve.DrawdownTrough, c.Trough);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, EquityCurveOf,
    ::testing::Values(
        CurveCase{"NoTrades", {}, {}, {}, 0, -1, -1},
        CurveCase{"OnlyGains", {50, 30, 0}, {50, 80, 80}, {50, 80, 80}, 0, -1, -1},
        // The account starts flat: a first loss falls from the start.
        CurveCase{"FirstTradeLoses", {-100, 50}, {-100, -50}, {0, 0}, 100, -1, 0},
        CurveCase{"FallAfterTwoGains", {50, 50, -100, 30}, {50, 100, 0, 30}, {50, 100, 100, 100}, 100, 1, 2},
        // Two equally deep falls: the first one counts.
        CurveCase{"EqualFalls", {50, -20, 20, -20}, {50, 30, 50, 30}, {50, 50, 50, 50}, 20, 0, 1},
        // Standing at the maximum again moves the start of the fall.
        CurveCase{
            "PeakReachedAgain", {100, -50, 50, -80}, {100, 50, 100, 20}, {100, 100, 100, 100}, 80, 2, 3},
        // A deeper fall later, over several trades, from a newer peak.
        CurveCase{"DeeperLater",
                  {10, -5, 10, -30, 5, -10},
                  {10, 5, 15, -15, -10, -20},
                  {10, 10, 15, 15, 15, 15},
                  35,
                  2,
                  5},
        // Sums beyond 32 bits stay exact.
        CurveCase{"Wide",
                  {2'000'000'000, 2'000'000'000, -2'000'000'000},
                  {2'000'000'000, 4'000'000'000, 2'000'000'000},
                  {2'000'000'000, 4'000'000'000, 4'000'000'000},
                  2'000'000'000,
                  1,
                  2}),
    [](const ::testing::TestParamInfo<CurveCase>& info) { return info.param.Name; });

// --- The list against the totals -----------------------------------------------

// Everything the list must agree on with the run's totals.
void ExpectListAgreesWithTotals(const std::vector<ClosedTrade>& trades, const BacktestResult& result,
                                const BacktestParams& params)
{
    BacktestResult fromList;
    for (const ClosedTrade& t : trades) {
        switch (t.Exit) {
        case ExitKind::TakeProfit:
            EXPECT_EQ(t.Points, params.TakeProfitPoints);
            EXPECT_EQ(t.ExitPrice, t.TakeProfitLevel);
            fromList.TakeProfits++;
            fromList.HoursSum += t.HoursHeld;
            fromList.DrawdownSum += t.Drawdown;
            fromList.DrawdownMax = std::max(fromList.DrawdownMax, t.Drawdown);
            break;
        case ExitKind::StopLoss:
            EXPECT_EQ(t.Points, -params.StopLossPoints);
            EXPECT_EQ(t.ExitPrice, t.StopLossLevel);
            fromList.StopLosses++;
            break;
        case ExitKind::TimeOut:
        case ExitKind::OutOfCandles:
            // A close half a point off the entry price rounds to 0 points
            // and still counts as a win or a loss.
            if (t.Result == TradeResult::Gained) {
                EXPECT_GE(t.Points, 0);
                fromList.TimeoutWins++;
                fromList.TimeoutWinPoints += t.Points;
            } else if (t.Result == TradeResult::Lost) {
                EXPECT_LE(t.Points, 0);
                fromList.TimeoutLosses++;
                fromList.TimeoutLossPoints -= t.Points;
            } else {
                EXPECT_EQ(t.Points, 0);
                EXPECT_EQ(t.ExitPrice, t.EntryPrice);
            }
            break;
        }
    }
    EXPECT_EQ(static_cast<int>(trades.size()), result.Entries);
    EXPECT_EQ(fromList.TakeProfits, result.TakeProfits);
    EXPECT_EQ(fromList.StopLosses, result.StopLosses);
    EXPECT_EQ(fromList.TimeoutWins, result.TimeoutWins);
    EXPECT_EQ(fromList.TimeoutWinPoints, result.TimeoutWinPoints);
    EXPECT_EQ(fromList.TimeoutLosses, result.TimeoutLosses);
    EXPECT_EQ(fromList.TimeoutLossPoints, result.TimeoutLossPoints);
    EXPECT_EQ(fromList.HoursSum, result.HoursSum);
    EXPECT_EQ(fromList.DrawdownSum, result.DrawdownSum);
    EXPECT_EQ(fromList.DrawdownMax, result.DrawdownMax);

    const std::int64_t booked = std::int64_t{result.TakeProfits} * params.TakeProfitPoints -
                                std::int64_t{result.StopLosses} * params.StopLossPoints +
                                result.TimeoutWinPoints - result.TimeoutLossPoints;
    EXPECT_EQ(MakeEquityCurve(trades).Total, booked);
    // The last CSV row ends in the same sum.
    const std::string csv = TradeCsv(trades);
    const std::string lastRow = csv.substr(csv.rfind('\n', csv.size() - 2) + 1);
    EXPECT_EQ(lastRow.substr(lastRow.rfind(',') + 1),
              (trades.empty() ? "cumulative_points" : std::to_string(booked)) + "\n");
}

// A logged and an unlogged run of the same account: the same totals and
// the same list, the log as the plain run writes it, and each trade
// pointing at the first line of its signal week.
void ExpectLoggedAndUnloggedAgree(BacktestParams params, const InstrumentTable& table)
{
    params.LogEnabled = true;
    std::vector<std::string> plainLog;
    std::vector<std::string> plainNotices;
    BacktestResult plain;
    RunSinglePairBacktest(
        params, table[params.Slot], plain, [&](const std::string& line) { plainLog.push_back(line); }, {},
        [&](const std::string& text) { plainNotices.push_back(text); });

    std::vector<std::string> log;
    std::vector<std::string> notices;
    int steps = 0;
    BacktestResult logged;
    const TradeList withLog = RunSinglePairTradeList(
        params, table[params.Slot], logged, [&](const std::string& line) { log.push_back(line); },
        [&] { ++steps; }, [&](const std::string& text) { notices.push_back(text); });
    EXPECT_EQ(logged, plain);
    EXPECT_EQ(log, plainLog);
    EXPECT_EQ(notices, plainNotices);
    EXPECT_EQ(steps, std::max(0, params.LastWeek - params.FirstWeek + 1));
    ExpectListAgreesWithTotals(withLog.Trades, logged, params);

    ASSERT_EQ(withLog.FirstLogLines.size(), withLog.Trades.size());
    for (std::size_t i = 0; i < withLog.Trades.size(); ++i) {
        const ClosedTrade& t = withLog.Trades[i];
        const int line = withLog.FirstLogLines[i];
        ASSERT_GE(line, 0);
        ASSERT_LT(line + 2, static_cast<int>(log.size()));
        EXPECT_EQ(log[line], "Берём недельную свечу от " + FormatDate(t.WeekDate) + " (неделя с " +
                                 FormatDate(t.WeekDate + 1) + " по " + FormatDate(t.WeekDate + 5) + ")");
        EXPECT_EQ(log[line + 2],
                  "Начинаем просмотр часовых свечей с понедельника (" + FormatDate(t.EntryDate) + ")");
    }

    params.LogEnabled = false;
    BacktestResult unlogged;
    const TradeList withoutLog = RunSinglePairTradeList(
        params, table[params.Slot], unlogged,
        [&](const std::string&) { ADD_FAILURE() << "a line with the log off"; }, {}, {});
    EXPECT_EQ(unlogged, plain);
    EXPECT_EQ(TradeCsv(withoutLog.Trades), TradeCsv(withLog.Trades));
    EXPECT_EQ(withoutLog.FirstLogLines, std::vector<int>(withoutLog.Trades.size(), -1));
}

// --- Hand-checked accounts -----------------------------------------------------

struct AccountCase {
    const char* Name;
    std::function<void(SyntheticPair&, BacktestParams&)> Build;
    int Trades;
};

void OneWeek(SyntheticPair& pair, BacktestParams& params, double open, double close)
{
    pair.Week(FirstSunday(), open, close);
    pair.FlatWeeks(9, close);
    params.RangeRestricted = true;
    params.FirstWeek = 1;
    params.LastWeek = 2;
}

std::vector<AccountCase> Accounts()
{
    const double monday = FirstSunday() + 8;
    return {
        {"FiveWeeks",
         [](SyntheticPair& pair, BacktestParams& params) {
             test::FiveWeekAccount(pair);
             params.LastWeek = 5;
             params.HoldLimit = test::kFiveWeekHoldLimit;
         },
         3},
        // A sell at 1.2100 that never reaches a level and runs out of hours
        // 30 points against us.
        {"RunOutLoss",
         [monday](SyntheticPair& pair, BacktestParams& params) {
             OneWeek(pair, params, 1.2000, 1.2100);
             pair.QuietHours(monday, 2, 1.2100, 1.2140, 1.2060);
             pair.Hour(monday, "02", 1.2100, 1.2140, 1.2060, 1.2130);
         },
         1},
        // A buy at 1.2100 that runs out exactly at its entry price: even.
        {"RunOutEven",
         [monday](SyntheticPair& pair, BacktestParams& params) {
             OneWeek(pair, params, 1.2200, 1.2100);
             pair.QuietHours(monday, 3, 1.2100, 1.2140, 1.2060);
         },
         1},
        // A buy closed by the holding limit of 1 at 1.2060: 40 points lost.
        {"TimeoutLoss",
         [monday](SyntheticPair& pair, BacktestParams& params) {
             OneWeek(pair, params, 1.2200, 1.2100);
             pair.Hour(monday, "00", 1.2100, 1.2140, 1.2060, 1.2100);
             pair.Hour(monday, "01", 1.2100, 1.2140, 1.2055, 1.2060);
             pair.Hour(monday, "02", 1.2060, 1.2070, 1.1900, 1.1950);
             params.HoldLimit = 1;
         },
         1},
        // A take-profit of 0: the entry candle closes every trade at once.
        {"TakeProfitZero",
         [monday](SyntheticPair& pair, BacktestParams& params) {
             OneWeek(pair, params, 1.2000, 1.2100);
             pair.QuietHours(monday, 3, 1.2100, 1.2140, 1.2060);
             params.TakeProfitPoints = 0;
         },
         1},
        // A signal without hourly candles in its following week: no trade.
        {"NoEntry",
         [](SyntheticPair& pair, BacktestParams& params) {
             OneWeek(pair, params, 1.2000, 1.2100);
             pair.Hour(FirstSunday() + 20, "00", 1.2100, 1.2100, 1.2100, 1.2100);
         },
         0},
    };
}

class TradeListOfAccount : public ::testing::TestWithParam<AccountCase> {
  protected:
    void SetUp() override
    {
        savedFormat_ = ActiveDateFormat();
        SetActiveDateFormat(kRegionalDateFormat);
        params.Slot = 1;
        params.PairName = "EURUSD";
        params.RangeRestricted = true;
        params.FirstWeek = 1;
    }
    void TearDown() override { SetActiveDateFormat(savedFormat_); }

    InstrumentTable table;
    SyntheticPair pair{table[1], "EURUSD"};
    BacktestParams params;

  private:
    std::string savedFormat_;
};

TEST_P(TradeListOfAccount, AgreesWithTheTotalsLoggedOrNot)
{
    GetParam().Build(pair, params);
    BacktestResult result;
    EXPECT_EQ(static_cast<int>(RunSinglePairTrades(params, table[params.Slot], result).size()),
              GetParam().Trades);
    ExpectLoggedAndUnloggedAgree(params, table);
}

INSTANTIATE_TEST_SUITE_P(HandChecked, TradeListOfAccount, ::testing::ValuesIn(Accounts()),
                         [](const ::testing::TestParamInfo<AccountCase>& info) { return info.param.Name; });

TEST(TradeListLogLines, FiveWeeksLineByLine)
{
    // The header takes lines 0 to 8. Week 1 (lines 9 to 17) trades; week 2
    // writes two lines (18, 19); week 3 begins at 20 and its stop-loss ends
    // at 27; week 4 begins at 28.
    InstrumentTable table;
    SyntheticPair pair{table[1], "EURUSD"};
    test::FiveWeekAccount(pair);
    BacktestParams params;
    params.Slot = 1;
    params.PairName = "EURUSD";
    params.RangeRestricted = true;
    params.FirstWeek = 1;
    params.LastWeek = 5;
    params.HoldLimit = test::kFiveWeekHoldLimit;
    params.LogEnabled = true;
    BacktestResult result;
    std::vector<std::string> log;
    const TradeList list = RunSinglePairTradeList(
        params, table[params.Slot], result, [&](const std::string& line) { log.push_back(line); }, {}, {});
    EXPECT_EQ(list.FirstLogLines, (std::vector<int>{9, 20, 28}));
    ASSERT_GT(log.size(), 28u);
    EXPECT_EQ(log[8], "vvvvvvvvvvvvvvvvvvvvРассчётыvvvvvvvvvvvvvvvvvvvvvvvvvvvv");
    EXPECT_EQ(log[18].rfind("Берём недельную свечу от ", 0), 0u); // week 2, no trade
    EXPECT_EQ(log[27], "Увеличиваем общее количество SL. Было 0, стало 1");

    // The switch on without a function to write to logs nothing.
    const TradeList silent = RunSinglePairTradeList(params, table[params.Slot], result, {}, {}, {});
    EXPECT_EQ(silent.FirstLogLines, (std::vector<int>{-1, -1, -1}));
}

// --- The demo instruments ----------------------------------------------------

struct DemoCase {
    std::string Pair;
    const char* SetName;
    BacktestParams Params;
};

std::vector<DemoCase> DemoCases()
{
    BacktestParams tight;
    tight.SignalMinPoints = 60;
    tight.StopLossPoints = 40;
    tight.TakeProfitPoints = 30;
    tight.HoldLimit = 47;
    tight.RangeRestricted = true;
    tight.FirstWeek = 3;
    tight.LastWeek = 530;
    BacktestParams wide;
    wide.SignalMinPoints = 150;
    wide.StopLossPoints = 150;
    wide.TakeProfitPoints = 100;
    std::vector<DemoCase> cases;
    for (const demo::DemoPair& pair : demo::DemoPairs())
        for (const auto& [name, params] :
             {std::pair{"defaults", BacktestParams{}}, std::pair{"tight", tight}, std::pair{"wide", wide}})
            cases.push_back({std::string(pair.Name), name, params});
    return cases;
}

class TradeListOnDemo : public ::testing::TestWithParam<DemoCase> {};

TEST_P(TradeListOnDemo, AgreesWithTheTotalsLoggedOrNot)
{
    BacktestParams params = GetParam().Params;
    params.PairName = GetParam().Pair;
    for (int k = 0; k < demo::kDemoPairCount; ++k)
        if (demo::DemoPairs()[k].Name == GetParam().Pair)
            params.Slot = k + 1;
    const InstrumentTable& table = test::DemoTable();
    ExpectLoggedAndUnloggedAgree(params, table);

    BacktestResult plain;
    RunSinglePairBacktest(params, table[params.Slot], plain, {}, {}, {});
    BacktestResult result;
    const std::vector<ClosedTrade> trades = RunSinglePairTrades(params, table[params.Slot], result);
    EXPECT_EQ(result, plain);
    ASSERT_GT(result.Entries, 0);
    int hoursMax = 0;
    for (const ClosedTrade& t : trades) {
        hoursMax = std::max(hoursMax, t.HoursHeld);
        EXPECT_EQ(t.ExitIndex, t.EntryIndex + t.HoursHeld);
        EXPECT_LE(t.HoursHeld, params.HoldLimit);
        EXPECT_GE(t.EntryDate, t.WeekDate + 8);
        EXPECT_LT(t.EntryDate, t.WeekDate + 15);
        EXPECT_GE(t.Body, params.SignalMinPoints);
        EXPECT_GE(t.Drawdown, 0);
        if (t.Exit == ExitKind::TimeOut || t.Exit == ExitKind::OutOfCandles) {
            EXPECT_EQ(t.Exit, ExitKind::TimeOut); // the demo hours never run out inside a walk
            EXPECT_EQ(t.HoursHeld, params.HoldLimit);
        }
    }
    // The offset counter at a week end is the latest trade's exit offset.
    EXPECT_EQ(hoursMax, result.HoursMax);
}

INSTANTIATE_TEST_SUITE_P(Demo, TradeListOnDemo, ::testing::ValuesIn(DemoCases()),
                         [](const ::testing::TestParamInfo<DemoCase>& info) {
                             return info.param.Pair + "_" + info.param.SetName;
                         });

} // namespace
} // namespace quillet
