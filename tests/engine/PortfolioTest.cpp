// The all-pairs run over small synthetic instruments in a table of its own.
//
// Week h of every test instrument is weekly candle h, dated on the Sunday
// before its trading week; the first of those Sundays is 9 January 2005. A
// signal in week h trades on the Monday to Friday after, days 8 to 12 after
// the candle's date. Unless a test says otherwise the standard EURUSD-like
// trade opens at 1.2000: after a rising week it sells with the take-profit
// at 1.1950 and the stop-loss at 1.2100 (50 and 100 points, the defaults).

#include "engine/Portfolio.h"
#include "model/Dates.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {
namespace {

using test::SetCandle;

const double kFirstSunday = DateSerial(2005, 1, 9);

double SundayOf(int week)
{
    return kFirstSunday + 7.0 * week;
}
double MondayAfter(int week)
{
    return SundayOf(week) + 8;
}

// Hourly bars around an entry at 1.2000, seen by a sell (TP 1.1950, SL 1.2100).
struct Bar {
    double High;
    double Low;
};
constexpr Bar kQuiet{1.2020, 1.1980};      // inside both levels, 20 points against a sell
constexpr Bar kTakeProfit{1.2010, 1.1940}; // through 1.1950
constexpr Bar kStopLoss{1.2110, 1.1990};   // through 1.2100
constexpr double kEntry = 1.2000;

class PortfolioRunTest : public ::testing::Test {
  protected:
    void Name(int slot, std::string_view name) { SetShortString(table_[slot].Name, name); }

    // The weekly candle of week h moving from `open` to `close`.
    void WeekCandle(int slot, int week, double open, double close)
    {
        SetCandle(table_[slot].Week[week], SundayOf(week), "00", open, std::max(open, close),
                  std::min(open, close), close);
    }

    // A weekly candle of `points` points (10000 to the price unit), rising
    // or falling from 1.3000.
    void SignalWeek(int slot, int week, double points, bool rising = true)
    {
        const double move = points / 10000;
        WeekCandle(slot, week, 1.3000, rising ? 1.3000 + move : 1.3000 - move);
    }

    // Appends an hourly bar to the slot's series (from index 1, as generated).
    void HourBar(int slot, double date, double open, double high, double low)
    {
        int& next = nextHour_[slot];
        SetCandle(table_[slot].Hour[next++], date, "10", open, high, low, open);
    }
    void HourBar(int slot, double date, Bar bar) { HourBar(slot, date, kEntry, bar.High, bar.Low); }

    PortfolioResult Run(const PortfolioParams& params = {})
    {
        return RunPortfolioBacktest(
            params, [this] { ++progressSteps_; }, table_);
    }

    InstrumentTable table_;
    std::array<int, kSlotCount> nextHour_ = [] {
        std::array<int, kSlotCount> a{};
        a.fill(1);
        return a;
    }();
    int progressSteps_ = 0;
};

TEST_F(PortfolioRunTest, EmptyTableWalksAllWeeksAndTradesNothing)
{
    const PortfolioResult r = Run();
    EXPECT_EQ(progressSteps_, 536);
    EXPECT_EQ(r.Entries, 0);
    EXPECT_EQ(r.TakeProfits, 0);
    EXPECT_EQ(r.StopLosses, 0);
    EXPECT_EQ(r.TpSeriesMax, 0);
    EXPECT_EQ(r.SlSeriesMax, 0);
    for (const PairTally& pair : r.Pairs)
        EXPECT_EQ(pair.Entries, 0);
}

// ---- Which pair a week trades -------------------------------------------

struct ChoiceCase {
    const char* story;
    std::array<double, 3> points; // week 1 candle of slots 1, 2, 3
    int tradedSlot;               // 0: no trade
};

class PortfolioPairChoiceTest : public PortfolioRunTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(PortfolioPairChoiceTest, LongestCandleIsTradedAndTiesGoToTheLowerSlot)
{
    const ChoiceCase& c = GetParam();
    // Three dollar pairs, each able to trade on the Monday after week 1.
    const std::array<const char*, 3> names = {"AUDUSD", "EURUSD", "GBPUSD"};
    for (int slot = 1; slot <= 3; ++slot) {
        Name(slot, names[slot - 1]);
        SignalWeek(slot, 1, c.points[slot - 1]);
        HourBar(slot, MondayAfter(1), kTakeProfit);
    }
    const PortfolioResult r = Run();
    EXPECT_EQ(r.Entries, c.tradedSlot == 0 ? 0 : 1);
    for (int slot = 1; slot <= kPortfolioPairCount; ++slot)
        EXPECT_EQ(r.Pairs[slot - 1].Entries, slot == c.tradedSlot ? 1 : 0) << "slot " << slot;
}

INSTANTIATE_TEST_SUITE_P(
    Weeks, PortfolioPairChoiceTest,
    ::testing::Values(ChoiceCase{"slots 1 and 2 tie at 120: the lower slot", {120, 120, 0}, 1},
                      ChoiceCase{"slots 2 and 3 tie, slot 1 shorter", {0, 120, 120}, 2},
                      ChoiceCase{"one point decides", {119, 120, 120}, 2},
                      ChoiceCase{"slot 1 longest, the others also long enough", {121, 120, 120}, 1},
                      ChoiceCase{"the last slot longest", {100, 0, 130}, 3},
                      ChoiceCase{"all below the signal length", {50, 60, 70}, 0}),
    [](const auto& info) { return test::ParamName(info.param.story); });

TEST_F(PortfolioRunTest, EachSlotIsMeasuredWithItsOwnMultiplier)
{
    // EURUSD moved 95 points; EURJPY moved 0.90 yen, which is 90 yen points
    // (9000 if it were measured like a dollar pair). EURUSD is longer.
    Name(1, "EURJPY");
    WeekCandle(1, 1, 150.00, 150.90);
    HourBar(1, MondayAfter(1), 150.00, 150.10, 149.00);
    Name(2, "EURUSD");
    SignalWeek(2, 1, 95);
    HourBar(2, MondayAfter(1), kTakeProfit);

    const PortfolioResult r = Run();
    EXPECT_EQ(r.Pairs[0].Entries, 0);
    EXPECT_EQ(r.Pairs[1].Entries, 1);
}

TEST_F(PortfolioRunTest, OnlySlotsOneToSevenTakePart)
{
    // Slot 8 has by far the longest candle, but the run looks at seven slots.
    for (int slot = 1; slot <= 8; ++slot) {
        Name(slot, "EURUSD");
        SignalWeek(slot, 1, slot == 8 ? 500 : 90 + slot);
        HourBar(slot, MondayAfter(1), kTakeProfit);
    }
    const PortfolioResult r = Run();
    EXPECT_EQ(r.Entries, 1);
    EXPECT_EQ(r.Pairs[6].Entries, 1) << "slot 7 is the longest of the seven";
}

// ---- The signal test: strictly longer than the minimum -------------------

struct SignalCase {
    std::int32_t signalMin;
    double points;
    bool traded;
};

class PortfolioSignalTest : public PortfolioRunTest, public ::testing::WithParamInterface<SignalCase> {};

TEST_P(PortfolioSignalTest, LengthMustExceedTheMinimum)
{
    const SignalCase& c = GetParam();
    Name(1, "EURUSD");
    SignalWeek(1, 3, c.points);
    HourBar(1, MondayAfter(3), kTakeProfit);

    PortfolioParams params;
    params.SignalMinPoints = c.signalMin;
    const PortfolioResult r = Run(params);
    EXPECT_EQ(r.Entries, c.traded ? 1 : 0) << c.points << " points against " << c.signalMin;
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PortfolioSignalTest,
    ::testing::Values(SignalCase{85, 85, false}, SignalCase{85, 86, true}, SignalCase{85, 84, false},
                      // The length is rounded before the test, not cut.
                      SignalCase{85, 85.4, false}, SignalCase{85, 85.6, true}, SignalCase{150, 150, false},
                      SignalCase{150, 151, true}, SignalCase{300, 301, true}),
    [](const auto& info) {
        return test::ParamName(info.index, "min " + std::to_string(info.param.signalMin) + " length " +
                                               ::testing::PrintToString(info.param.points));
    });

// ---- Yen pairs: 100 points to the yen ------------------------------------

struct MultiplierCase {
    const char* name;
    std::int32_t hours;
    std::int32_t drawdown;
};

class PortfolioMultiplierTest : public PortfolioRunTest,
                                public ::testing::WithParamInterface<MultiplierCase> {};

TEST_P(PortfolioMultiplierTest, LevelsAndDrawdownFollowThePairName)
{
    const MultiplierCase& c = GetParam();
    // The pair rose a whole unit (151.00 from 150.00), so it sells at 150.00.
    // A yen pair sets TP 149.50 and SL 151.00: the first hour (149.60 to
    // 150.30) reaches neither and runs 30 points against the position; the
    // second hour falls to 149.40 and takes the profit. Any other pair sets
    // TP 149.995, which the first hour already reaches.
    Name(1, c.name);
    WeekCandle(1, 2, 150.00, 151.00);
    HourBar(1, MondayAfter(2), 150.00, 150.30, 149.60);
    HourBar(1, MondayAfter(2), 150.00, 150.10, 149.40);
    // A dollar pair beside it, shorter either way.
    Name(2, "GBPUSD");
    SignalWeek(2, 2, 90);

    const PortfolioResult r = Run();
    ASSERT_EQ(r.TakeProfits, 1);
    EXPECT_EQ(r.Pairs[0].TakeProfits, 1);
    EXPECT_EQ(r.HoursSum, c.hours);
    EXPECT_EQ(r.DrawdownSum, c.drawdown);
    EXPECT_EQ(r.DrawdownMax, c.drawdown);
}

INSTANTIATE_TEST_SUITE_P(Names, PortfolioMultiplierTest,
                         ::testing::Values(MultiplierCase{"AUDJPY", 1, 30}, MultiplierCase{"EURJPY", 1, 30},
                                           MultiplierCase{"GBPJPY", 1, 30}, MultiplierCase{"NZDJPY", 1, 30},
                                           MultiplierCase{"CADJPY", 1, 30}, MultiplierCase{"USDCHF", 0, 0},
                                           MultiplierCase{"eurjpy", 0, 0}, MultiplierCase{"EURJP", 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The walk of one trade -----------------------------------------------

TEST_F(PortfolioRunTest, EntryBarHoldingBothLevelsIsATakeProfitAtOnce)
{
    // The Monday's first hour spans 1.1900 to 1.2150: both levels inside it.
    Name(1, "EURUSD");
    SignalWeek(1, 1, 100);
    HourBar(1, MondayAfter(1), 1.2000, 1.2150, 1.1900);
    HourBar(1, MondayAfter(1), kStopLoss);

    const PortfolioResult r = Run();
    EXPECT_EQ(r.TakeProfits, 1);
    EXPECT_EQ(r.StopLosses, 0);
    EXPECT_EQ(r.HoursSum, 0);
    EXPECT_EQ(r.DrawdownMax, 0);
}

TEST_F(PortfolioRunTest, DrawdownCoversTheEntryBarButNotTheExitBar)
{
    // Week 1 rose: sell at 1.2000. Hours run 20 and 35 points against it, and
    // the third hour, which reaches 1.2060 (60 against), takes the profit.
    Name(1, "EURUSD");
    SignalWeek(1, 1, 100, true);
    HourBar(1, MondayAfter(1), 1.2000, 1.2020, 1.1990);
    HourBar(1, MondayAfter(1), 1.2000, 1.2035, 1.1990);
    HourBar(1, MondayAfter(1), 1.2000, 1.2060, 1.1940);
    // Week 3 fell: buy at 1.2000, TP 1.2050, SL 1.1900. The entry hour dips
    // to 1.1975 (25 against), the next to 1.1990; the third rises through
    // 1.2050 after touching 1.1930 (70 against).
    SignalWeek(1, 3, 100, false);
    HourBar(1, MondayAfter(3), 1.2000, 1.2010, 1.1975);
    HourBar(1, MondayAfter(3), 1.2000, 1.2020, 1.1990);
    HourBar(1, MondayAfter(3), 1.2000, 1.2060, 1.1930);

    const PortfolioResult r = Run();
    ASSERT_EQ(r.TakeProfits, 2);
    EXPECT_EQ(r.HoursSum, 4);
    EXPECT_EQ(r.DrawdownSum, 35 + 25);
    EXPECT_EQ(r.DrawdownMax, 35);
}

TEST_F(PortfolioRunTest, PositionThatNeverMovesAgainstHasNoDrawdown)
{
    // Sell at 1.2000; the entry hour never trades above the entry price.
    Name(1, "EURUSD");
    SignalWeek(1, 1, 100);
    HourBar(1, MondayAfter(1), 1.2000, 1.2000, 1.1960);
    HourBar(1, MondayAfter(1), 1.1970, 1.1980, 1.1940);

    const PortfolioResult r = Run();
    ASSERT_EQ(r.TakeProfits, 1);
    EXPECT_EQ(r.HoursSum, 1);
    EXPECT_EQ(r.DrawdownMax, 0);
}

TEST_F(PortfolioRunTest, NoHoldingLimit)
{
    // 300 quiet hours, then the profit: far beyond any time-out of the
    // single-pair run, still a take-profit after 300 hours.
    Name(1, "EURUSD");
    SignalWeek(1, 1, 100);
    for (int n = 0; n < 300; ++n)
        HourBar(1, MondayAfter(1) + n / 24, kQuiet);
    HourBar(1, MondayAfter(1) + 13, kTakeProfit);

    const PortfolioResult r = Run();
    ASSERT_EQ(r.TakeProfits, 1);
    EXPECT_EQ(r.HoursSum, 300);
    EXPECT_EQ(r.DrawdownMax, 20);
}

TEST_F(PortfolioRunTest, StopLossAddsNoHoursNorDrawdown)
{
    Name(1, "EURUSD");
    SignalWeek(1, 1, 100);
    HourBar(1, MondayAfter(1), kQuiet);
    HourBar(1, MondayAfter(1), kStopLoss);

    const PortfolioResult r = Run();
    EXPECT_EQ(r.Entries, 1);
    EXPECT_EQ(r.StopLosses, 1);
    EXPECT_EQ(r.Pairs[0].Entries, 1);
    EXPECT_EQ(r.Pairs[0].TakeProfits, 0);
    EXPECT_EQ(r.HoursSum, 0);
    EXPECT_EQ(r.DrawdownSum, 0);
    EXPECT_EQ(r.DrawdownMax, 0);
}

TEST_F(PortfolioRunTest, TradeThatRunsOutOfBarsCountsNowhere)
{
    // Week 1: GBPUSD takes a profit. Week 2: EURUSD sells, but its hourly
    // data ends after two quiet hours. Week 3: GBPUSD takes a profit again,
    // which continues the take-profit series as if week 2 had not traded.
    Name(1, "EURUSD");
    Name(2, "GBPUSD");
    SignalWeek(2, 1, 100);
    HourBar(2, MondayAfter(1), kQuiet);
    HourBar(2, MondayAfter(1), kTakeProfit);
    SignalWeek(1, 2, 120);
    HourBar(1, MondayAfter(2), 1.2000, 1.2090, 1.1990); // 90 points against, not counted
    HourBar(1, MondayAfter(2), kQuiet);
    SignalWeek(2, 3, 100);
    HourBar(2, MondayAfter(3), kTakeProfit);

    const PortfolioResult r = Run();
    EXPECT_EQ(r.Entries, 2);
    EXPECT_EQ(r.TakeProfits, 2);
    EXPECT_EQ(r.StopLosses, 0);
    EXPECT_EQ(r.Pairs[0].Entries, 0);
    EXPECT_EQ(r.Pairs[0].TakeProfits, 0);
    EXPECT_EQ(r.Pairs[1].Entries, 2);
    EXPECT_EQ(r.HoursSum, 1);
    EXPECT_EQ(r.DrawdownMax, 20);
    EXPECT_EQ(r.TpSeriesMax, 2);
}

TEST_F(PortfolioRunTest, WalkStopsAtTheLastIndexOfAFullSeries)
{
    // Every hourly index 1 to 65000 of slot 7 holds a quiet Monday hour; the
    // trade opens at index 1 and runs through the whole series without an
    // exit. The slots lie back to back, so the bytes where an index 65001
    // would be are the start of slot 8: they are made to look like an hour
    // that takes the profit, which a walk past the series would count.
    Name(7, "EURUSD");
    SignalWeek(7, 1, 100);
    for (int i = 1; i <= kLastCandleIndex; ++i)
        HourBar(7, MondayAfter(1), kQuiet);
    ASSERT_EQ(FirstEmptyIndex(table_[7].Hour, 1), kLastCandleIndex + 1);
    Candle beyond{};
    SetCandle(beyond, MondayAfter(1), "10", kEntry, kTakeProfit.High, kTakeProfit.Low, kEntry);
    ASSERT_EQ(static_cast<const void*>(&table_[7].Hour[kLastCandleIndex] + 1),
              static_cast<const void*>(&table_[8]));
    std::memcpy(static_cast<void*>(&table_[8]), &beyond, sizeof beyond);
    EXPECT_EQ(Run().Entries, 0) << "ran out at index 65000";

    // The very last hour reaches the take-profit: the walk sees it.
    table_[7].Hour[kLastCandleIndex] = beyond;
    const PortfolioResult r = Run();
    EXPECT_EQ(r.TakeProfits, 1);
    EXPECT_EQ(r.HoursSum, kLastCandleIndex - 1);
}

TEST_F(PortfolioRunTest, CorruptQuotesNeitherCrashNorWrapTheSums)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::int32_t most = std::numeric_limits<std::int32_t>::max();
    Name(1, "EURUSD");
    Name(2, "GBPUSD");
    Name(3, "AUDUSD");
    // Week 1: slot 1 closes at infinity, the longest length there can be;
    // it rose, so it sells, and its Monday hour takes the profit.
    WeekCandle(1, 1, 1.3000, inf);
    HourBar(1, MondayAfter(1), kTakeProfit);
    // Week 2: slot 2's close is not a number and measures 0; slot 3 trades.
    WeekCandle(2, 2, 1.3000, nan);
    SignalWeek(3, 2, 100);
    HourBar(3, MondayAfter(2), kStopLoss);
    // Week 3: slot 1 opens at a price that is not a number, so neither
    // level can be reached and the trade runs out of hours.
    SignalWeek(1, 3, 100);
    HourBar(1, MondayAfter(3), nan, 1.2020, 1.1980);
    HourBar(1, MondayAfter(3), nan, 1.2020, 1.1980);
    // Weeks 4 and 5: an hour trading far above the stop-loss without
    // touching it runs an absurd distance against the sell, then the profit.
    for (int week : {4, 5}) {
        SignalWeek(1, week, 100);
        HourBar(1, MondayAfter(week), 1.2000, 1e300, 1.2200);
        HourBar(1, MondayAfter(week), kTakeProfit);
    }

    const PortfolioResult r = Run();
    EXPECT_EQ(r.Entries, 4);
    EXPECT_EQ(r.TakeProfits, 3);
    EXPECT_EQ(r.Pairs[0].Entries, 3);
    EXPECT_EQ(r.Pairs[1].Entries, 0);
    EXPECT_EQ(r.Pairs[2].Entries, 1);
    EXPECT_EQ(r.DrawdownMax, most);
    EXPECT_EQ(r.DrawdownSum, most) << "held at the bound, not wrapped";
    EXPECT_EQ(r.HoursSum, 2);
}

// ---- Finding the entry bar -------------------------------------------------

enum class Kind { Quiet, TakeProfit };

struct EntryCase {
    const char* story;
    std::vector<std::pair<double, Kind>> bars; // day after the signal candle's date, kind
    bool fromIndexZero;                        // the first bar sits at index 0 (older import)
    std::int32_t entries;
    std::int32_t hours; // of the take-profit, when traded
};

class PortfolioEntrySearchTest : public PortfolioRunTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(PortfolioEntrySearchTest, FirstBarOnDaysEightToTwelve)
{
    const EntryCase& c = GetParam();
    Name(1, "EURUSD");
    SignalWeek(1, 4, 100);
    if (c.fromIndexZero)
        nextHour_[1] = 0;
    for (const auto& [day, kind] : c.bars)
        HourBar(1, SundayOf(4) + day, kind == Kind::Quiet ? kQuiet : kTakeProfit);

    const PortfolioResult r = Run();
    EXPECT_EQ(r.Entries, c.entries);
    if (c.entries > 0) {
        EXPECT_EQ(r.HoursSum, c.hours);
    }
}

const auto Q = Kind::Quiet;
const auto T = Kind::TakeProfit;

INSTANTIATE_TEST_SUITE_P(
    Days, PortfolioEntrySearchTest,
    ::testing::Values(
        EntryCase{"Monday", {{8, Q}, {8, T}}, false, 1, 1},
        EntryCase{"the Sunday before is skipped", {{7, Q}, {8, Q}, {8, T}}, false, 1, 1},
        EntryCase{"the signal week itself is skipped", {{1, T}, {5, T}, {8, Q}, {8, T}}, false, 1, 1},
        EntryCase{"no Monday: Tuesday", {{9, Q}, {9, T}}, false, 1, 1},
        EntryCase{"only Friday", {{12, T}}, false, 1, 0},
        EntryCase{"only Saturday: no trade", {{13, T}}, false, 0, 0},
        EntryCase{"only the following Sunday: no trade", {{14, T}}, false, 0, 0},
        EntryCase{"no hours at all: no trade", {}, false, 0, 0},
        EntryCase{"whole days: Sunday 21:36 is still Sunday", {{7.9, Q}, {8.25, T}}, false, 1, 0},
        EntryCase{"index 0 is searched", {{8, Q}, {8, T}}, true, 1, 1}),
    [](const auto& info) { return test::ParamName(info.param.story); });

TEST_F(PortfolioRunTest, SignalCandleNeedsNoLaterWeeks)
{
    // Week 0 (an older import fills index 0), week 535 and week 536 all
    // signal, and each has its Monday. Weeks 0 and 535 are traded; 536 lies
    // beyond the walked range. Week 535 has no weekly candle after it.
    Name(1, "EURUSD");
    for (int week : {0, 535, 536}) {
        SignalWeek(1, week, 100);
        HourBar(1, MondayAfter(week), kTakeProfit);
    }
    const PortfolioResult r = Run();
    EXPECT_EQ(progressSteps_, 536);
    EXPECT_EQ(r.Entries, 2);
    EXPECT_EQ(r.TakeProfits, 2);
    // The series began in week 0, where it does not count: one short.
    EXPECT_EQ(r.TpSeriesMax, 1);
}

// ---- Series of take-profits and stop-losses -------------------------------

struct SeriesCase {
    int firstWeek;
    std::string outcomes; // one letter per trade, a week apart: T or S
    std::int32_t tpSeriesMax;
    std::int32_t slSeriesMax;
};

class PortfolioSeriesTest : public PortfolioRunTest, public ::testing::WithParamInterface<SeriesCase> {};

TEST_P(PortfolioSeriesTest, LongestSeriesInTradeOrder)
{
    const SeriesCase& c = GetParam();
    // The trades alternate between two pairs, so the series run across pairs.
    Name(1, "EURUSD");
    Name(2, "GBPUSD");
    std::int32_t takeProfits = 0;
    for (std::size_t n = 0; n < c.outcomes.size(); ++n) {
        const int week = c.firstWeek + static_cast<int>(n);
        const int slot = 1 + static_cast<int>(n % 2);
        SignalWeek(slot, week, 100);
        const bool tp = c.outcomes[n] == 'T';
        takeProfits += tp;
        HourBar(slot, MondayAfter(week), tp ? kTakeProfit : kStopLoss);
    }
    const PortfolioResult r = Run();
    EXPECT_EQ(r.Entries, static_cast<std::int32_t>(c.outcomes.size()));
    EXPECT_EQ(r.TakeProfits, takeProfits);
    EXPECT_EQ(r.StopLosses, r.Entries - takeProfits);
    EXPECT_EQ(r.TpSeriesMax, c.tpSeriesMax);
    EXPECT_EQ(r.SlSeriesMax, c.slSeriesMax);
}

INSTANTIATE_TEST_SUITE_P(Trades, PortfolioSeriesTest,
                         ::testing::Values(SeriesCase{1, "SSTS", 0, 2}, SeriesCase{1, "TTTS", 3, 0},
                                           // A single take-profit between losses never counts.
                                           SeriesCase{1, "STSTS", 0, 1}, SeriesCase{1, "TSTS", 0, 0},
                                           // A first stop-loss already counts: nothing came before.
                                           SeriesCase{1, "S", 0, 1},
                                           // Week 0 sets what came last but counts nothing.
                                           SeriesCase{0, "TT", 1, 0}, SeriesCase{0, "SSS", 0, 2},
                                           SeriesCase{0, "S", 0, 0}, SeriesCase{7, "TTSSSTTTT", 4, 3}),
                         [](const auto& info) {
                             return info.param.outcomes + "_from" + std::to_string(info.param.firstWeek);
                         });

} // namespace
} // namespace quillet
