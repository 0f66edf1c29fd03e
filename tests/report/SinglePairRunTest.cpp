// The single-pair run over small synthetic instruments: signals, entries,
// the hourly walk and its exits, the work log, and the end of the data.

#include "report/SinglePairRun.h"
#include "report/SinglePairReport.h"
#include "support/SyntheticPair.h"

#include "model/Dates.h"
#include "model/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace quillet {
namespace {

using test::FirstSunday;
using test::SetCandle;
using test::SyntheticPair;

const char kEasterEgg[] = "А вот и пасхалочка. Закрыли точно в цену открытия, без всяких потерь, просто "
                          "редки случай, ничего страшного.";
const char kRunOutSell[] = "Закрываем позицию, т.к. нету больше свечей для анализа ";
const char kRunOutBuy[] = "Закрываем позицию, т.к. нету больше свечей для анализа";
const char kTimeoutLine[] = "Закрываем позицию по тайм-ауту";

class SinglePairRun : public ::testing::Test {
  protected:
    void SetUp() override
    {
        savedFormat_ = ActiveDateFormat();
        SetActiveDateFormat(kRegionalDateFormat);
        params.Slot = 1;
        params.PairName = "EURUSD";
        params.LogEnabled = true;
    }
    void TearDown() override { SetActiveDateFormat(savedFormat_); }

    void Run()
    {
        RunSinglePairBacktest(
            params, table.At(params.Slot), result, [this](const std::string& line) { log.push_back(line); },
            [this] { ++progress; }, [this](const std::string& text) { notices.push_back(text); });
    }

    // One weekly signal candle at index 1 with the eight candles that make
    // it usable, and the run limited to that week.
    void OneSignalWeek(double open, double close)
    {
        pair.Week(FirstSunday(), open, close);
        pair.FlatWeeks(8, close);
        params.RangeRestricted = true;
        params.FirstWeek = 1;
        params.LastWeek = 1;
    }

    // The Monday of the trading week after the signal week of OneSignalWeek.
    static double EntryMonday() { return FirstSunday() + 8; }

    long Count(const std::string& line) const { return std::count(log.begin(), log.end(), line); }
    bool Logged(const std::string& line) const { return Count(line) > 0; }

    InstrumentTable table;
    SyntheticPair pair{table[1], "EURUSD"};
    BacktestParams params;
    BacktestResult result;
    std::vector<std::string> log;
    std::vector<std::string> notices;
    int progress = 0;

  private:
    std::string savedFormat_;
};

// --- The whole log of a small instrument, checked by hand ------------------

TEST_F(SinglePairRun, FullLogOfFiveWeeks)
{
    test::FiveWeekAccount(pair);
    params.RangeRestricted = true;
    params.FirstWeek = 1;
    params.LastWeek = 5;
    params.HoldLimit = test::kFiveWeekHoldLimit;
    Run();
    const SinglePairReport report = MakeSinglePairReport(params, result);
    log.push_back(report.ClosingLine);

    const std::vector<std::string> expected = {
        "-------------------------------------------------------------",
        "----------------------Условия-------------------------",
        "Инструмент               EURUSD",
        "Сигнальная свеча     85",
        "Stop Loss                   100",
        "Take Proft                   50",
        "Временные рамки    02.01.2005 - 30.01.2005",
        "-------------------------------------------------------------",
        "vvvvvvvvvvvvvvvvvvvvРассчётыvvvvvvvvvvvvvvvvvvvvvvvvvvvv",
        "Берём недельную свечу от 02.01.2005 (неделя с 03.01.2005 по 07.01.2005)",
        "Тело свечи - 120, нам надо больше или равно 85, берём!",
        "Начинаем просмотр часовых свечей с понедельника (10.01.2005)",
        "Недельная свеча была бычьей (открытие ниже закрытия, т.е. цена росла) и мы открываем сделку на "
        "продажу",
        "Открытие первой часовой свечи было по цене 1,31, поэтому входим в позицию c TP = 1,305 и SL = 1,32",
        "Свеча от 10.01.2005 00 с минимумом 1,308 и максимумом 1,313 всё в пределах SL и TP",
        "Свеча от 10.01.2005 01 с минимумом 1,307 и максимумом 1,316 всё в пределах SL и TP",
        "Минимум (1,3045) часовой (02) свечи от 10.01.2005 опустился ниже TP (1,305). ПРОФИТ",
        "Увеличиваем общее количество TP. Было 0, стало 1",
        "Берём недельную свечу от 09.01.2005 (неделя с 10.01.2005 по 14.01.2005)",
        "Тело свечи - 40, нам надо больше или равно 85 ... пропускаем.",
        "Берём недельную свечу от 16.01.2005 (неделя с 17.01.2005 по 21.01.2005)",
        "Тело свечи - 90, нам надо больше или равно 85, берём!",
        "Начинаем просмотр часовых свечей с понедельника (25.01.2005)",
        "Недельная свеча была медвежьей (открытие выше закрытия, т.е. цена падала) и мы открываем сделку на "
        "покупку",
        "Открытие первой часовой свечи было по цене 1,295, поэтому входим в позицию c TP = 1,3 и SL = 1,285",
        "Свеча от 25.01.2005 00 с минимумом 1,294 и максимумом 1,296 всё в пределах SL и TP",
        "Минимум (1,284) часовой (01) свечи от 25.01.2005 опустился ниже SL (1,285). Лось..",
        "Увеличиваем общее количество SL. Было 0, стало 1",
        "Берём недельную свечу от 23.01.2005 (неделя с 24.01.2005 по 28.01.2005)",
        "Тело свечи - 85, нам надо больше или равно 85, берём!",
        "Начинаем просмотр часовых свечей с понедельника (31.01.2005)",
        "Недельная свеча была бычьей (открытие ниже закрытия, т.е. цена росла) и мы открываем сделку на "
        "продажу",
        "Открытие первой часовой свечи было по цене 1,307, поэтому входим в позицию c TP = 1,302 и SL = "
        "1,317",
        "Свеча от 31.01.2005 00 с минимумом 1,306 и максимумом 1,308 всё в пределах SL и TP",
        "Свеча от 31.01.2005 01 с минимумом 1,305 и максимумом 1,3095 всё в пределах SL и TP",
        "Свеча от 31.01.2005 02 с минимумом 1,303 и максимумом 1,3085 всё в пределах SL и TP",
        "Закрываем позицию по тайм-ауту",
        "Закрылись в + 30 пунктов",
        "Берём недельную свечу от 30.01.2005 (неделя с 31.01.2005 по 04.02.2005)",
        "Тело свечи - 75, нам надо больше или равно 85 ... пропускаем.",
        "^^^^^^^^^^^^^^^^^^^^Рассчёты^^^^^^^^^^^^^^^^^^^^^^^^^^^^",
    };
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(progress, 5);

    EXPECT_EQ(result.Entries, 3);
    EXPECT_EQ(result.TakeProfits, 1);
    EXPECT_EQ(result.StopLosses, 1);
    EXPECT_EQ(result.TimeoutWins, 1);
    EXPECT_EQ(result.TimeoutWinPoints, 30);
    EXPECT_EQ(result.TimeoutLosses, 0);
    EXPECT_EQ(result.HoursSum, 2);
    // Offsets at the week ends: 2, 2 (carried), 1, 3, 3 (carried).
    EXPECT_EQ(result.HoursMin, 1);
    EXPECT_EQ(result.HoursMax, 3);
    EXPECT_EQ(result.DrawdownSum, 60);
    EXPECT_EQ(result.DrawdownMax, 60);
    // TP then SL: each restarts its own series at 1, neither maximum moves.
    EXPECT_EQ(result.TpSeries, 1);
    EXPECT_EQ(result.SlSeries, 1);
    EXPECT_EQ(result.TpSeriesMax, 0);
    EXPECT_EQ(result.SlSeriesMax, 0);
    EXPECT_FALSE(result.LastWasTakeProfit);

    std::vector<std::string> labels;
    for (const auto& l : report.Labels)
        labels.push_back(l.Label + "=" + l.Text);
    const std::vector<std::string> expectedLabels = {
        "Label79=3",      "Label64=1 (50 п)", "Label71=1 (100 п)", "Label75=33%", "Label87=1",
        "Label92=3",      "Label90=2",        "Label84=60",        "Label82=60",  "Label157=0,5",
        "Label95=1 (30)", "Label171=0 (0)",   "Label160=-",        "Label162=-",
    };
    EXPECT_EQ(labels, expectedLabels);
}

TEST_F(SinglePairRun, HeaderWithoutRangeAndDatesInImportFormat)
{
    SetActiveDateFormat(kImportDateFormat);
    params.LastWeek = -1; // no week: only the header
    Run();
    ASSERT_EQ(log.size(), 9u);
    EXPECT_EQ(log[6], "Временные рамки   Нет");

    log.clear();
    OneSignalWeek(1.2000, 1.2010);
    Run();
    EXPECT_EQ(log[6], "Временные рамки    2005 01 02 - 2005 01 02");
    EXPECT_EQ(log[9], "Берём недельную свечу от 2005 01 02 (неделя с 2005 01 03 по 2005 01 07)");
}

TEST_F(SinglePairRun, InstrumentLineIsCutToThirtyOneCharacters)
{
    struct Case {
        const char* name;
        const char* line;
    };
    const Case cases[] = {
        {"EURUSD", "Инструмент               EURUSD"},
        {"EURUSDX", "Инструмент               EURUSD"}, // 7 characters: the 7th is cut
        {"ЕВРОДОЛ", "Инструмент               ЕВРОДО"}, // counted in characters, not bytes
        {"", "Инструмент               "},
    };
    params.LastWeek = -1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetShortString(table[1].Name, c.name);
        log.clear();
        Run();
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(log[2], c.line);
    }
}

// --- The signal test ---------------------------------------------------------

struct BodyCase {
    const char* pair;
    double open;
    double close;
    int minimum;
    int body; // the rounded body the log shows
    bool signal;
};

class SinglePairSignalBody : public SinglePairRun, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(SinglePairSignalBody, BodyAgainstMinimum)
{
    const BodyCase& c = GetParam();
    pair.Record().Name = ShortString7{};
    SetShortString(pair.Record().Name, c.pair);
    params.PairName = c.pair;
    params.SignalMinPoints = c.minimum;
    OneSignalWeek(c.open, c.close);
    pair.QuietHours(EntryMonday(), 3, c.close, c.close, c.close);
    Run();

    const std::string head =
        "Тело свечи - " + std::to_string(c.body) + ", нам надо больше или равно " + std::to_string(c.minimum);
    EXPECT_TRUE(Logged(head + (c.signal ? ", берём!" : " ... пропускаем.")));
    EXPECT_EQ(result.Entries, c.signal ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SinglePairSignalBody,
    ::testing::Values(
        // Rising and falling bodies at, just under and over the minimum.
        BodyCase{"EURUSD", 1.2000, 1.2085, 85, 85, true}, BodyCase{"EURUSD", 1.2000, 1.2084, 85, 84, false},
        BodyCase{"EURUSD", 1.2085, 1.2000, 85, 85, true}, BodyCase{"EURUSD", 1.2000, 1.2085, 86, 85, false},
        BodyCase{"EURUSD", 1.2000, 1.2500, 500, 500, true},
        BodyCase{"EURUSD", 1.2000, 1.2499, 500, 499, false},
        // A week that closed at its open never reaches the smallest minimum.
        BodyCase{"EURUSD", 1.2000, 1.2000, 50, 0, false},
        // The five yen pairs count 100 points per unit; anything else,
        // even a yen pair in lower case, 10000.
        BodyCase{"GBPJPY", 150.00, 150.85, 85, 85, true}, BodyCase{"AUDJPY", 80.00, 79.15, 85, 85, true},
        BodyCase{"EURJPY", 130.00, 130.84, 85, 84, false}, BodyCase{"NZDJPY", 70.00, 70.85, 85, 85, true},
        BodyCase{"CADJPY", 90.00, 90.85, 85, 85, true}, BodyCase{"gbpjpy", 150.00, 150.85, 85, 8500, true},
        BodyCase{"USDJPY", 110.00, 110.50, 85, 5000, true},
        BodyCase{"GBPJPY", 150.00, 150.50, 85, 50, false}),
    [](const auto& info) {
        const auto& c = info.param;
        return test::ParamName(info.index, std::string(c.pair) +
                                               (c.close > c.open ? " rising " : " falling ") +
                                               std::to_string(c.body) + " min " + std::to_string(c.minimum));
    });

TEST_F(SinglePairRun, YenMultiplierSetsTheLevels)
{
    // GBPJPY falls 100 points (1.00 yen): a buy at 151.00 with TP 50 and SL
    // 100 points is TP 151.50 and SL 150.00.
    pair.Record().Name = ShortString7{};
    SetShortString(pair.Record().Name, "GBPJPY");
    params.PairName = "GBPJPY";
    OneSignalWeek(152.00, 151.00);
    pair.Hour(EntryMonday(), "00", 151.00, 151.20, 150.90, 151.10);
    Run();
    EXPECT_TRUE(Logged(
        "Открытие первой часовой свечи было по цене 151, поэтому входим в позицию c TP = 151,5 и SL = 150"));

    // Written in lower case it is no yen pair: 100 points are 0.01.
    log.clear();
    result = BacktestResult{};
    params.PairName = "gbpjpy";
    Run();
    EXPECT_TRUE(Logged("Открытие первой часовой свечи было по цене 151, поэтому входим в позицию c TP = "
                       "151,005 и SL = 150,99"));
}

TEST_F(SinglePairRun, SignalNeedsEightWeeklyCandlesAfter)
{
    for (const int after : {7, 8}) {
        SCOPED_TRACE(after);
        SyntheticPair fresh{table[1], "EURUSD"};
        fresh.Week(FirstSunday(), 1.2000, 1.2100);
        fresh.FlatWeeks(after, 1.2100);
        fresh.QuietHours(EntryMonday(), 2, 1.2100, 1.2110, 1.2090);
        params.RangeRestricted = true;
        params.FirstWeek = params.LastWeek = 1;
        log.clear();
        result = BacktestResult{};
        Run();
        const bool signal = after == 8;
        EXPECT_TRUE(Logged(std::string("Тело свечи - 100, нам надо больше или равно 85") +
                           (signal ? ", берём!" : " ... пропускаем.")));
        EXPECT_EQ(result.Entries, signal ? 1 : 0);
    }
}

// --- Entry ------------------------------------------------------------------

TEST_F(SinglePairRun, EntersOnTuesdayWhenMondayHasNoHours)
{
    OneSignalWeek(1.2100, 1.2000); // falls 100: buy
    // Hours of the signal week itself and of the Sunday before do not count.
    pair.Hour(FirstSunday() + 3, "10", 1.1000, 1.1000, 1.1000, 1.1000);
    pair.Hour(FirstSunday() + 7, "23", 1.1100, 1.1100, 1.1100, 1.1100);
    // Tuesday, with a time of day in the serial: whole days are compared.
    pair.Hour(EntryMonday() + 1 + 0.25, "06", 1.2010, 1.2020, 1.2000, 1.2015);
    pair.Hour(EntryMonday() + 1 + 0.29, "07", 1.2015, 1.2070, 1.2010, 1.2065);
    Run();
    EXPECT_TRUE(Logged("Начинаем просмотр часовых свечей с понедельника (11.01.2005)"));
    EXPECT_TRUE(Logged("Открытие первой часовой свечи было по цене 1,201, поэтому входим в позицию c TP = "
                       "1,206 и SL = 1,191"));
    EXPECT_EQ(result.TakeProfits, 1);
    EXPECT_EQ(result.HoursSum, 1);
}

TEST_F(SinglePairRun, EntersOnSundayAsTheLastDayOfTheWeek)
{
    OneSignalWeek(1.2100, 1.2000);
    pair.Hour(EntryMonday() + 6, "22", 1.2010, 1.2020, 1.2000, 1.2015); // Sunday 16 Jan
    pair.Hour(EntryMonday() + 7, "00", 1.3000, 1.3000, 1.3000, 1.3000); // Monday 17 Jan: too late
    Run();
    EXPECT_TRUE(Logged("Начинаем просмотр часовых свечей с понедельника (16.01.2005)"));
    EXPECT_EQ(result.Entries, 1);
}

TEST_F(SinglePairRun, SignalWithoutHoursInTheFollowingWeekOpensNothing)
{
    // The hourly data stops before the week after the signal (and, in the
    // second case, resumes only a week later): no entry candle exists.
    for (const double laterHour : {0.0, 15.0}) {
        SCOPED_TRACE(laterHour);
        SyntheticPair fresh{table[1], "EURUSD"};
        fresh.Week(FirstSunday(), 1.2000, 1.2100);
        fresh.FlatWeeks(8, 1.2100);
        fresh.Hour(FirstSunday() + 1, "00", 1.2000, 1.2010, 1.1990, 1.2005);
        if (laterHour > 0)
            fresh.Hour(FirstSunday() + laterHour, "00", 1.2100, 1.2100, 1.2100, 1.2100);
        params.RangeRestricted = true;
        params.FirstWeek = 1;
        params.LastWeek = 2;
        log.clear();
        result = BacktestResult{};
        Run();
        const std::vector<std::string> weekLines(log.begin() + 9, log.end());
        const std::vector<std::string> expected = {
            "Берём недельную свечу от 02.01.2005 (неделя с 03.01.2005 по 07.01.2005)",
            "Тело свечи - 100, нам надо больше или равно 85, берём!",
            "На следующей неделе нет часовых свечей ... пропускаем.",
            "Берём недельную свечу от 09.01.2005 (неделя с 10.01.2005 по 14.01.2005)",
            "Тело свечи - 0, нам надо больше или равно 85 ... пропускаем.",
        };
        EXPECT_EQ(weekLines, expected);
        EXPECT_EQ(result.Entries, 0);
        EXPECT_EQ(result.HoursMin, 0);
        EXPECT_EQ(result.HoursMax, 0);
    }
}

// --- Exits ------------------------------------------------------------------

TEST_F(SinglePairRun, TakeProfitZeroClosesOnTheEntryCandle)
{
    OneSignalWeek(1.2000, 1.2100); // rises: sell at 1.2100
    // The entry candle spikes 40 points against us, but it never counts
    // toward the drawdown.
    pair.Hour(EntryMonday(), "00", 1.2100, 1.2140, 1.2090, 1.2120);
    pair.QuietHours(EntryMonday(), 5, 1.2100, 1.2300, 1.2000, 1);
    params.TakeProfitPoints = 0;
    Run();
    EXPECT_TRUE(Logged(
        "Открытие первой часовой свечи было по цене 1,21, поэтому входим в позицию c TP = 1,21 и SL = 1,22"));
    EXPECT_TRUE(Logged("Минимум (1,209) часовой (00) свечи от 10.01.2005 опустился ниже TP (1,21). ПРОФИТ"));
    EXPECT_EQ(result.TakeProfits, 1);
    EXPECT_EQ(result.HoursSum, 0);
    EXPECT_EQ(result.DrawdownMax, 0);
    EXPECT_EQ(result.HoursMax, 0);
}

TEST_F(SinglePairRun, StopLossZeroClosesOnTheEntryCandleUnlessItAlsoTakesProfit)
{
    struct Case {
        double low; // of the buy's entry candle, opened at 1.2000
        double high;
        bool takeProfit;
    };
    for (const Case c : {Case{1.1990, 1.2040, false}, Case{1.1990, 1.2050, true}}) {
        SCOPED_TRACE(c.high);
        SyntheticPair fresh{table[1], "EURUSD"};
        fresh.Week(FirstSunday(), 1.2100, 1.2000); // falls: buy
        fresh.FlatWeeks(8, 1.2000);
        fresh.Hour(EntryMonday(), "00", 1.2000, c.high, c.low, 1.2010);
        params.RangeRestricted = true;
        params.FirstWeek = params.LastWeek = 1;
        params.StopLossPoints = 0;
        result = BacktestResult{};
        log.clear();
        Run();
        EXPECT_EQ(result.TakeProfits, c.takeProfit ? 1 : 0);
        EXPECT_EQ(result.StopLosses, c.takeProfit ? 0 : 1);
        EXPECT_EQ(result.HoursMax, 0);
        if (!c.takeProfit) {
            EXPECT_TRUE(
                Logged("Минимум (1,199) часовой (00) свечи от 10.01.2005 опустился ниже SL (1,2). Лось.."));
        }
    }
}

TEST_F(SinglePairRun, StopLossOfASell)
{
    OneSignalWeek(1.2000, 1.2100); // rises: sell at 1.2100, SL 1.2200
    pair.Hour(EntryMonday(), "00", 1.2100, 1.2150, 1.2080, 1.2140);
    pair.Hour(EntryMonday(), "01", 1.2140, 1.2200, 1.2120, 1.2190);
    Run();
    EXPECT_TRUE(Logged("Максимум (1,22) часовой (01) свечи от 10.01.2005 поднялся выше SL (1,22). Лось.."));
    EXPECT_TRUE(Logged("Увеличиваем общее количество SL. Было 0, стало 1"));
    // The first stop-loss of a run continues a series nothing started.
    EXPECT_TRUE(Logged("В предыдущей сделке тоже был SL, увеличиваем текущую серию"));
    EXPECT_EQ(result.SlSeriesMax, 1);
    EXPECT_EQ(result.HoursMax, 1);
}

TEST_F(SinglePairRun, TakeProfitOfABuyWithItsDrawdown)
{
    OneSignalWeek(1.2100, 1.2000); // falls: buy at 1.2000, TP 1.2050
    pair.Hour(EntryMonday(), "00", 1.2000, 1.2010, 1.1900 + 0.0050, 1.2005); // entry: its low never counts
    pair.Hour(EntryMonday(), "01", 1.2005, 1.2030, 1.1980, 1.2020);          // 20 against us
    pair.Hour(EntryMonday(), "02", 1.2020, 1.2040, 1.2010, 1.2030);          // 10 in our favour: no drawdown
    pair.Hour(EntryMonday(), "03", 1.2030, 1.2060, 1.1970, 1.2055);          // TP hour, 30 against: counts
    Run();
    EXPECT_TRUE(Logged("Максимум (1,206) часовой (03) свечи от 10.01.2005 поднялся выше TP (1,205). ПРОФИТ"));
    EXPECT_EQ(result.HoursSum, 3);
    EXPECT_EQ(result.DrawdownSum, 30);
    EXPECT_EQ(result.DrawdownMax, 30);
}

TEST_F(SinglePairRun, DrawdownNeverBelowZero)
{
    OneSignalWeek(1.2000, 1.2100); // sell at 1.2100
    pair.Hour(EntryMonday(), "00", 1.2100, 1.2100, 1.2090, 1.2095);
    pair.Hour(EntryMonday(), "01", 1.2095, 1.2095, 1.2060, 1.2060); // high below entry
    pair.Hour(EntryMonday(), "02", 1.2060, 1.2070, 1.2040, 1.2045); // takes profit at 1.2050
    Run();
    EXPECT_EQ(result.TakeProfits, 1);
    EXPECT_EQ(result.DrawdownMax, 0);
    EXPECT_EQ(result.DrawdownSum, 0);
}

TEST_F(SinglePairRun, HoldLimitZeroClosesAtTheEntryCandleClose)
{
    OneSignalWeek(1.2100, 1.2000); // buy at 1.2000
    // The entry candle reaches both levels; the time-out still wins.
    pair.Hour(EntryMonday(), "00", 1.2000, 1.2100, 1.1800, 1.2012);
    params.HoldLimit = 0;
    Run();
    const std::vector<std::string> tail(log.end() - 2, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{kTimeoutLine, "Закрылись в + 12 пунктов"}));
    EXPECT_EQ(result.TimeoutWins, 1);
    EXPECT_EQ(result.TimeoutWinPoints, 12);
    EXPECT_EQ(result.TakeProfits + result.StopLosses, 0);
}

TEST_F(SinglePairRun, HoldLimitCountsOffsetsFromTheEntryCandle)
{
    // Without the hold check box the limit is 119: 120 candles are examined
    // and the 120th closes the trade; with the track bar at 48, the 48th.
    for (const int limit : {119, 47}) {
        SCOPED_TRACE(limit);
        SyntheticPair fresh{table[1], "EURUSD"};
        fresh.Week(FirstSunday(), 1.2000, 1.2100); // sell at 1.2100
        fresh.FlatWeeks(8, 1.2100);
        fresh.QuietHours(EntryMonday(), limit, 1.2100, 1.2110, 1.2090);
        // The candle at the limit reaches the take-profit: ignored.
        fresh.Hour(EntryMonday() + 5, "23", 1.2100, 1.2110, 1.2000, 1.2130);
        fresh.Hour(EntryMonday() + 6, "00", 1.2100, 1.2110, 1.2000, 1.2000);
        params.RangeRestricted = true;
        params.FirstWeek = params.LastWeek = 1;
        params.HoldLimit = limit;
        result = BacktestResult{};
        log.clear();
        Run();
        EXPECT_EQ(Count("Свеча от 10.01.2005 00 с минимумом 1,209 и максимумом 1,211 всё в пределах SL и TP"),
                  1);
        const long walked = std::count_if(log.begin(), log.end(),
                                          [](const std::string& l) { return l.rfind("Свеча от ", 0) == 0; });
        EXPECT_EQ(walked, limit);
        EXPECT_TRUE(Logged(kTimeoutLine));
        // Closed at 1.2130, 30 points against the sell.
        EXPECT_TRUE(Logged("Закрылись в - 30 пунктов"));
        EXPECT_EQ(result.TimeoutLosses, 1);
        EXPECT_EQ(result.TimeoutLossPoints, 30);
        EXPECT_EQ(result.TakeProfits, 0);
        EXPECT_EQ(result.HoursMax, limit);
        EXPECT_EQ(result.DrawdownMax, 0); // drawdown is only booked at a take-profit
    }
}

TEST_F(SinglePairRun, TimeoutAtTheEntryPriceOnlyNotifies)
{
    OneSignalWeek(1.2000, 1.2100); // sell at 1.2100
    pair.Hour(EntryMonday(), "00", 1.2100, 1.2110, 1.2090, 1.2105);
    pair.Hour(EntryMonday(), "01", 1.2105, 1.2110, 1.2090, 1.2100);
    params.HoldLimit = 1;
    params.LogEnabled = false; // the notice comes whatever the log says
    Run();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(notices, std::vector<std::string>{kEasterEgg});
    EXPECT_EQ(result.Entries, 1);
    EXPECT_EQ(result.TimeoutWins + result.TimeoutLosses + result.TakeProfits + result.StopLosses, 0);
    EXPECT_EQ(result.HoursMax, 1);
}

// --- The end of the hourly data ---------------------------------------------

TEST_F(SinglePairRun, WalkThatRunsOutOfHoursClosesAtTheLastClose)
{
    struct Case {
        double weekOpen, weekClose; // decides the direction
        double lastClose;
        const char* notice;
        const char* closeLine; // empty: closed at the entry price
        bool win;
    };
    const Case cases[] = {
        {1.2000, 1.2100, 1.2080, kRunOutSell, "Закрылись в + 20 пунктов", true},
        {1.2000, 1.2100, 1.2130, kRunOutSell, "Закрылись в - 30 пунктов", false},
        {1.2200, 1.2100, 1.2125, kRunOutBuy, "Закрылись в + 25 пунктов", true},
        {1.2200, 1.2100, 1.2060, kRunOutBuy, "Закрылись в - 40 пунктов", false},
        {1.2200, 1.2100, 1.2100, kRunOutBuy, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.notice) + "|" + c.closeLine);
        SyntheticPair fresh{table[1], "EURUSD"};
        fresh.Week(FirstSunday(), c.weekOpen, c.weekClose);
        fresh.FlatWeeks(8, c.weekClose);
        // Entry at 1.2100; three quiet hours, the last closing at lastClose;
        // then the hourly series ends.
        fresh.Hour(EntryMonday(), "00", 1.2100, 1.2140, 1.2060, 1.2100);
        fresh.Hour(EntryMonday(), "01", 1.2100, 1.2140, 1.2060, 1.2100);
        fresh.Hour(EntryMonday(), "02", 1.2100, 1.2140, 1.2060, c.lastClose);
        params.RangeRestricted = true;
        params.FirstWeek = 1;
        params.LastWeek = 2;
        result = BacktestResult{};
        log.clear();
        notices.clear();
        Run();

        EXPECT_FALSE(Logged(kTimeoutLine));
        EXPECT_EQ(Count("Свеча от 10.01.2005 02 с минимумом 1,206 и максимумом 1,214 всё в пределах SL и TP"),
                  1);
        std::vector<std::string> expectedNotices{c.notice};
        if (*c.closeLine == '\0') {
            expectedNotices.push_back(kEasterEgg);
        } else {
            EXPECT_TRUE(Logged(c.closeLine));
        }
        EXPECT_EQ(notices, expectedNotices);
        EXPECT_EQ(result.Entries, 1);
        EXPECT_EQ(result.TimeoutWins, *c.closeLine && c.win ? 1 : 0);
        EXPECT_EQ(result.TimeoutLosses, *c.closeLine && !c.win ? 1 : 0);
        // The walk stopped at the last candle: offset 2, carried into week 2.
        EXPECT_EQ(result.HoursMin, 2);
        EXPECT_EQ(result.HoursMax, 2);
    }
}

TEST_F(SinglePairRun, WalkEndingOnTheLastCandleByLevelOrLimitIsNoRunOut)
{
    OneSignalWeek(1.2000, 1.2100); // sell at 1.2100, TP 1.2050
    pair.Hour(EntryMonday(), "00", 1.2100, 1.2110, 1.2090, 1.2100);
    pair.Hour(EntryMonday(), "01", 1.2100, 1.2110, 1.2050, 1.2060); // last candle takes profit
    Run();
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(result.TakeProfits, 1);

    params.HoldLimit = 1; // the last candle is the limit: an ordinary time-out
    result = BacktestResult{};
    log.clear();
    Run();
    EXPECT_TRUE(notices.empty());
    EXPECT_TRUE(Logged(kTimeoutLine));
    EXPECT_EQ(result.TimeoutWins, 1);
}

// --- The range of weeks, progress and the offset counter --------------------

TEST_F(SinglePairRun, LastWeekBelowFirstWeekWalksNothing)
{
    OneSignalWeek(1.2000, 1.2100);
    pair.QuietHours(EntryMonday(), 3, 1.2100, 1.2110, 1.2090);
    params.FirstWeek = 5;
    params.LastWeek = 4;
    Run();
    EXPECT_EQ(log.size(), 9u); // the header only
    EXPECT_EQ(log.back(), "vvvvvvvvvvvvvvvvvvvvРассчётыvvvvvvvvvvvvvvvvvvvvvvvvvvvv");
    EXPECT_EQ(progress, 0);
    EXPECT_EQ(result.Entries, 0);
    EXPECT_EQ(result.HoursMin, 100);
    EXPECT_EQ(result.HoursMax, 0);
}

TEST_F(SinglePairRun, ProgressOncePerWeekOfTheRange)
{
    struct Case {
        bool restricted;
        int first, last, calls;
    };
    for (const Case c : {Case{false, 0, 535, 536}, Case{true, 10, 20, 11}, Case{true, 7, 7, 1}}) {
        params.RangeRestricted = c.restricted;
        params.FirstWeek = c.first;
        params.LastWeek = c.last;
        progress = 0;
        Run();
        EXPECT_EQ(progress, c.calls);
        const ProgressSetup bar = ProgressBarSetup(params);
        EXPECT_EQ(bar.Min, c.restricted ? c.first : 0);
        EXPECT_EQ(bar.Max, c.restricted ? c.last : 535);
        EXPECT_EQ(bar.Position, bar.Min);
    }
}

TEST_F(SinglePairRun, OffsetCounterCarriesAcrossWeeksWithoutTrade)
{
    // Week 0 (empty in a generated series) has no signal: the counter is 0
    // there, so HoursMin is 0. Week 1 trades and stops out at offset 4;
    // weeks 2 and 3 carry that 4.
    pair.Week(FirstSunday(), 1.2000, 1.2100); // sell at 1.2100, SL 1.2200
    pair.FlatWeeks(10, 1.2100);
    pair.QuietHours(EntryMonday(), 4, 1.2100, 1.2150, 1.2080);
    pair.Hour(EntryMonday(), "04", 1.2100, 1.2250, 1.2080, 1.2200);
    params.RangeRestricted = true;
    params.FirstWeek = 1;
    params.LastWeek = 3;
    Run();
    EXPECT_EQ(result.HoursMin, 4);
    EXPECT_EQ(result.HoursMax, 4);

    result = BacktestResult{};
    params.FirstWeek = 0;
    Run();
    EXPECT_EQ(result.HoursMin, 0);
    EXPECT_EQ(result.HoursMax, 4);
}

TEST_F(SinglePairRun, TakeProfitOnWeekZeroStartsNoSeries)
{
    // An instrument whose weekly series begins at index 0 (as the older
    // import writes it): weeks 0 and 1 both take profit.
    SetCandle(table[1].Week[0], FirstSunday() - 7, "00", 1.2000, 1.2100, 1.2000, 1.2100);
    pair.Week(FirstSunday(), 1.2000, 1.2100);
    pair.FlatWeeks(8, 1.2100);
    pair.Hour(FirstSunday() + 1, "00", 1.2100, 1.2110, 1.2040, 1.2050); // week 0's entry: TP
    pair.Hour(EntryMonday(), "00", 1.2100, 1.2110, 1.2040, 1.2050);     // week 1's entry: TP
    params.RangeRestricted = true;
    params.FirstWeek = 0;
    params.LastWeek = 1;
    Run();
    EXPECT_EQ(result.TakeProfits, 2);
    EXPECT_EQ(Count("В предыдущей сделке тоже был TP, увеличиваем текущую серию"), 1);
    // Week 0 left TpSeries at 0, so week 1's continuation makes it 1.
    EXPECT_EQ(result.TpSeries, 1);
    EXPECT_EQ(result.TpSeriesMax, 1);
    EXPECT_EQ(MakeSinglePairReport(params, result).Labels[12].Text, "1");
}

TEST_F(SinglePairRun, LogOffWritesNoLineAtAll)
{
    OneSignalWeek(1.2000, 1.2100);
    pair.Hour(EntryMonday(), "00", 1.2100, 1.2110, 1.2040, 1.2050);
    params.LogEnabled = false;
    Run();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(result.TakeProfits, 1);

    // An empty log function is the same as the log switched off.
    params.LogEnabled = true;
    result = BacktestResult{};
    RunSinglePairBacktest(params, table[params.Slot], result, WorkLog{}, ProgressStep{}, Notify{});
    EXPECT_EQ(result.TakeProfits, 1);
}

// --- Hostile input ------------------------------------------------------------

TEST_F(SinglePairRun, WeeksOutsideTheArrayAreNeverRead)
{
    // A full weekly series up to index 65000 with a signal on the very last
    // weeks, and a range far beyond both ends of the array.
    for (int i = 0; i <= kLastCandleIndex; ++i)
        SetCandle(table[1].Week[i], FirstSunday() + 7 * i, "00", 1.2000, 1.2100, 1.2000, 1.2100);
    pair.QuietHours(EntryMonday(), 2, 1.2100, 1.2110, 1.2090);
    params.LogEnabled = false;
    params.RangeRestricted = true;
    params.FirstWeek = -1000;
    params.LastWeek = std::numeric_limits<int>::max();
    params.HoldLimit = -1; // never reached: the walk ends where the hours do
    Run();
    EXPECT_EQ(progress, kSeriesCapacity);
    // Weeks 0 .. 64992 have eight candles after them; only week 0's trade
    // finds hours (the rest fall beyond the hourly data).
    EXPECT_EQ(result.Entries, 1);
    // Its hours run out at the entry price: both notices, nothing booked.
    EXPECT_EQ(notices, (std::vector<std::string>{kRunOutSell, kEasterEgg}));
    EXPECT_EQ(result.TimeoutWins + result.TimeoutLosses, 0);
}

TEST_F(SinglePairRun, CorruptPricesDoNotCrash)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double huge = 1e300;
    pair.Week(FirstSunday(), nan, 1.2100);
    pair.Week(FirstSunday() + 7, 1.2000, huge);
    pair.Week(FirstSunday() + 14, -huge, huge);
    pair.FlatWeeks(8, 1.0);
    pair.Hour(FirstSunday() + 15, "00", huge, huge, -huge, nan);
    pair.Hour(FirstSunday() + 15, "01", 1.0, nan, nan, -huge);
    pair.Hour(FirstSunday() + 22, "00", nan, nan, nan, nan);
    params.RangeRestricted = true;
    params.FirstWeek = 0;
    params.LastWeek = 3;
    Run();
    // Week 1's NaN body rounds to 0; weeks 2 and 3 are huge signals.
    EXPECT_TRUE(Logged("Тело свечи - 0, нам надо больше или равно 85 ... пропускаем."));
    EXPECT_EQ(result.Entries, 2);
    const SinglePairReport report = MakeSinglePairReport(params, result);
    EXPECT_EQ(report.Labels.size(), 14u);
}

TEST_F(SinglePairRun, SlotOutsideTheTableIsRefused)
{
    for (const int slot : {-1, kSlotCount}) {
        params.Slot = slot;
        EXPECT_THROW(Run(), Error);
    }
}

} // namespace
} // namespace quillet
