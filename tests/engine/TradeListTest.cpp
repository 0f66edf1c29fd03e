// The events of the single-pair walk and the trade list built from them: the
// hand-checked five-week account event by event and trade by trade.

#include "engine/ClosedTrade.h"
#include "engine/SinglePair.h"
#include "support/SyntheticPair.h"

#include "demo/DemoData.h"
#include "model/Dates.h"
#include "model/Numbers.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace quillet {
namespace {

using test::FirstSunday;
using test::SyntheticPair;

// Writes each event as a short token: "W4:85:signal" a week, "E7" or "E-"
// the entry search, "Sell@7" an opening, "c3:tp:limit:25" a candle (offset,
// level touched, holding limit, drawdown so far), "TO:+30@3" a close and
// "end3" a week end with its offset counter.
class EventTrace : public TradeEventReader {
  public:
    void OnWeekExamined(const WeekExamined& e) override
    {
        const char* verdict = e.Verdict == WeekVerdict::Signal         ? "signal"
                              : e.Verdict == WeekVerdict::BodyTooShort ? "short"
                                                                       : "late";
        Add("W" + std::to_string(e.Week) + ":" + std::to_string(e.Body) + ":" + verdict);
    }
    void OnEntrySearched(const EntrySearched& e) override
    {
        Add(e.Entry ? "E" + std::to_string(e.EntryIndex) : "E-");
    }
    void OnPositionOpened(const PositionOpened& e) override
    {
        Add((e.Direction == TradeDirection::Sell ? "Sell@" : "Buy@") + std::to_string(e.EntryIndex));
    }
    void OnCandleExamined(const CandleExamined& e) override
    {
        std::string t = "c" + std::to_string(e.Offset);
        if (e.Touched != BarOutcome::None)
            t += e.Touched == BarOutcome::TakeProfit ? ":tp" : ":sl";
        if (e.AtHoldLimit)
            t += ":limit";
        Add(t + ":" + std::to_string(e.Drawdown));
    }
    void OnPositionClosed(const PositionClosed& e) override
    {
        static const char* const kKinds[] = {"TP", "SL", "TO", "OUT"};
        const char* sign = e.Result == TradeResult::Gained ? "+" : e.Result == TradeResult::Lost ? "" : "=";
        Add(std::string(kKinds[static_cast<int>(e.Kind)]) + ":" + sign + std::to_string(e.Points) + "@" +
            std::to_string(e.Offset));
    }
    void OnWeekEnded(const WeekEnded& e) override { Add("end" + std::to_string(e.Offset)); }

    std::string text;

  private:
    void Add(const std::string& token) { text += (text.empty() ? "" : " ") + token; }
};

// One trade on one line: signal | entry and levels | exit.
std::string Describe(const ClosedTrade& t)
{
    static const char* const kKinds[] = {"TP", "SL", "time-out", "out of candles"};
    static const char* const kResults[] = {"gained", "lost", "even"};
    std::ostringstream s;
    s << "week " << t.Week << " " << FormatDate(t.WeekDate) << " body " << t.Body << " "
      << (t.Direction == TradeDirection::Sell ? "sell" : "buy") << " | entry " << t.EntryIndex << " "
      << FormatDate(t.EntryDate) << " " << t.EntryTime << " at " << FormatPrice(t.EntryPrice) << " TP "
      << FormatPrice(t.TakeProfitLevel) << " SL " << FormatPrice(t.StopLossLevel) << " | "
      << kKinds[static_cast<int>(t.Exit)] << " " << kResults[static_cast<int>(t.Result)] << " at "
      << t.ExitIndex << " " << FormatDate(t.ExitDate) << " " << t.ExitTime << " price "
      << FormatPrice(t.ExitPrice) << " after " << t.HoursHeld << " h, drawdown " << t.Drawdown << ", points "
      << t.Points;
    return s.str();
}

class SmallAccount : public ::testing::Test {
  protected:
    void SetUp() override
    {
        savedFormat_ = ActiveDateFormat();
        SetActiveDateFormat(kRegionalDateFormat);
        params.Slot = 1;
        params.PairName = "EURUSD";
        params.RangeRestricted = true;
        params.FirstWeek = 1;
        params.LastWeek = 5;
        params.HoldLimit = test::kFiveWeekHoldLimit;
    }
    void TearDown() override { SetActiveDateFormat(savedFormat_); }

    InstrumentTable table;
    SyntheticPair pair{table[1], "EURUSD"};
    BacktestParams params;

  private:
    std::string savedFormat_;
};

TEST_F(SmallAccount, FiveWeeksEventByEvent)
{
    test::FiveWeekAccount(pair);
    EventTrace trace;
    WalkSinglePair(params, table[1], trace);
    // Week 4's last candle reaches the take-profit, but the holding limit
    // closes it first; the drawdown never counts the entry candle.
    EXPECT_EQ(trace.text, "W1:120:signal E1 Sell@1 c0:0 c1:60 c2:tp:60 TP:+50@2 end2 "
                          "W2:40:short end2 "
                          "W3:90:signal E5 Buy@5 c0:0 c1:sl:110 SL:-100@1 end1 "
                          "W4:85:signal E7 Sell@7 c0:0 c1:25 c2:25 c3:tp:limit:25 TO:+30@3 end3 "
                          "W5:75:short end3");
}

TEST_F(SmallAccount, SignalWithoutEntryAndSignalTooLate)
{
    // Week 1 rises 120 points with eight weekly candles after it, but the
    // only hourly candle lies on the Sunday before its following week: no
    // entry. Week 2 falls 100 points with only seven weekly candles after
    // it: too late, however long its body.
    pair.Week(FirstSunday(), 1.3000, 1.3120);
    pair.Week(FirstSunday() + 7, 1.3120, 1.3020);
    pair.FlatWeeks(7, 1.3020);
    pair.Hour(FirstSunday() + 7, "00", 1.3120, 1.3120, 1.3120, 1.3120);
    params.LastWeek = 2;
    EventTrace trace;
    WalkSinglePair(params, table[1], trace);
    EXPECT_EQ(trace.text, "W1:120:signal E- end0 W2:100:late end0");
}

TEST_F(SmallAccount, FiveWeeksTradeByTrade)
{
    test::FiveWeekAccount(pair);
    BacktestResult result;
    const std::vector<ClosedTrade> trades = RunSinglePairTrades(params, table[params.Slot], result);
    std::vector<std::string> rows;
    for (const ClosedTrade& t : trades)
        rows.push_back(Describe(t));
    const std::vector<std::string> expected = {
        "week 1 02.01.2005 body 120 sell | entry 1 10.01.2005 00 at 1,31 TP 1,305 SL 1,32 | "
        "TP gained at 3 10.01.2005 02 price 1,305 after 2 h, drawdown 60, points 50",
        "week 3 16.01.2005 body 90 buy | entry 5 25.01.2005 00 at 1,295 TP 1,3 SL 1,285 | "
        "SL lost at 6 25.01.2005 01 price 1,285 after 1 h, drawdown 110, points -100",
        "week 4 23.01.2005 body 85 sell | entry 7 31.01.2005 00 at 1,307 TP 1,302 SL 1,317 | "
        "time-out gained at 10 31.01.2005 03 price 1,304 after 3 h, drawdown 25, points 30",
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(result.Entries, 3);
    EXPECT_EQ(result.TimeoutWinPoints, 30);
}

TEST_F(SmallAccount, RunOutAtTheEntryPriceIsEven)
{
    // Week 1 falls 100 points: we buy on Monday 10 Jan at 1.2000 (TP 1.2050,
    // SL 1.1900). The two hours reach neither level and the data ends with a
    // close at 1.2000.
    pair.Week(FirstSunday(), 1.3100, 1.3000);
    pair.FlatWeeks(8, 1.3000);
    pair.Hour(FirstSunday() + 8, "00", 1.2000, 1.2010, 1.1990, 1.2005);
    pair.Hour(FirstSunday() + 8, "01", 1.2005, 1.2010, 1.1995, 1.2000);
    params.LastWeek = 1;
    params.HoldLimit = kUnlimitedHoldLimit;
    BacktestResult result;
    const std::vector<ClosedTrade> trades = RunSinglePairTrades(params, table[params.Slot], result);
    ASSERT_EQ(trades.size(), 1u);
    EXPECT_EQ(Describe(trades[0]),
              "week 1 02.01.2005 body 100 buy | entry 1 10.01.2005 00 at 1,2 TP 1,205 SL 1,19 | "
              "out of candles even at 2 10.01.2005 01 price 1,2 after 1 h, drawdown 5, points 0");
    // Even books nothing but the entry.
    EXPECT_EQ(result.Entries, 1);
    EXPECT_EQ(result.TimeoutWins + result.TimeoutLosses + result.TakeProfits + result.StopLosses, 0);
}

} // namespace
} // namespace quillet
