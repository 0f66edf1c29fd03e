// The trade list as CSV: the texts of its fields, quoting, and the whole
// file of the hand-checked five-week account.

#include "report/TradeCsv.h"
#include "analysis/EquityCurve.h"
#include "engine/SinglePair.h"
#include "support/SyntheticPair.h"

#include "model/Dates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace quillet {
namespace {

using test::FirstSunday;
using test::SyntheticPair;

struct HourCase {
    const char* Name;
    const char* Time;
    int Hour;
};

class HourOfTime : public ::testing::TestWithParam<HourCase> {};

TEST_P(HourOfTime, ReadsTheLeadingHour)
{
    EXPECT_EQ(HourOfTimeText(GetParam().Time), GetParam().Hour);
}

INSTANTIATE_TEST_SUITE_P(TimeTexts, HourOfTime,
                         ::testing::Values(HourCase{"Midnight", "00", 0}, HourCase{"OneDigit", "7", 7},
                                           HourCase{"TwoDigits", "07", 7}, HourCase{"LastHour", "23", 23},
                                           HourCase{"PastTheDay", "24", -1},
                                           HourCase{"WithMinutes", "07:00", 7},
                                           HourCase{"ColonOnly", "9:", 9}, HourCase{"Empty", "", -1},
                                           HourCase{"Letters", "ab", -1}, HourCase{"ThreeDigits", "123", -1},
                                           HourCase{"DigitThenLetter", "7a", -1},
                                           HourCase{"LeadingBlank", " 7", -1}),
                         [](const ::testing::TestParamInfo<HourCase>& info) { return info.param.Name; });

TEST(CandleMoment, DateOfTheDayAndTheHour)
{
    // A candle's date may carry the hour as a fraction; only the day counts.
    const double day = DateSerial(2015, 4, 13);
    EXPECT_EQ(CandleMoment(day, "00", "yyyy-MM-dd"), "2015-04-13 00:00");
    EXPECT_EQ(CandleMoment(day + 23 / 24.0, "23", "yyyy-MM-dd"), "2015-04-13 23:00");
    EXPECT_EQ(CandleMoment(day, "5", "dd.MM.yyyy"), "13.04.2015 05:00");
    // A time that is no hour is written as stored.
    EXPECT_EQ(CandleMoment(day, "x7", "yyyy-MM-dd"), "2015-04-13 x7");
    // A serial that is no date gives question marks for its fields.
    const std::string unknown = std::string(4, '?') + "-" + std::string(2, '?') + "-" + std::string(2, '?');
    EXPECT_EQ(CandleMoment(std::numeric_limits<double>::quiet_NaN(), "01", "yyyy-MM-dd"), unknown + " 01:00");
}

struct PriceCase {
    const char* Name;
    double Price;
    const char* Text;
};

class CsvPriceText : public ::testing::TestWithParam<PriceCase> {};

TEST_P(CsvPriceText, FifteenDigitsWithAPoint)
{
    EXPECT_EQ(CsvPrice(GetParam().Price), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Prices, CsvPriceText,
    ::testing::Values(PriceCase{"Whole", 1.0, "1"}, PriceCase{"Zero", 0.0, "0"},
                      PriceCase{"FourDecimals", 1.3055, "1.3055"}, PriceCase{"Yen", 101.23, "101.23"},
                      // A level formed in extended precision and stored: 15 digits hide the binary tail.
                      PriceCase{"LevelTail", 1.2949999999999999, "1.295"},
                      PriceCase{"Negative", -0.5, "-0.5"}, PriceCase{"Tiny", 1.5e-6, "1.5E-6"},
                      PriceCase{"Huge", 2e15, "2E15"},
                      PriceCase{"SixteenDigits", 1.234567890123456, "1.23456789012346"}),
    [](const ::testing::TestParamInfo<PriceCase>& info) { return info.param.Name; });

TEST(TradeFieldNames, HeaderAndKinds)
{
    std::string header;
    for (std::string_view name : TradeFieldNames())
        header += std::string(header.empty() ? "" : ",") + std::string(name);
    EXPECT_EQ(header, "week,signal_date,direction,body,entry_time,entry_price,take_profit,stop_loss,exit,"
                      "exit_time,exit_price,hours,drawdown,points,cumulative_points");
    std::string kinds;
    for (int f = 0; f < kTradeFieldCount; ++f)
        kinds += TradeFieldIsNumber(f) ? 'n' : 't';
    EXPECT_EQ(kinds, "nttntnnnttnnnnn");
    EXPECT_FALSE(TradeFieldIsNumber(-1));
    EXPECT_FALSE(TradeFieldIsNumber(kTradeFieldCount));
}

TEST(TradeNames, DirectionsAndExits)
{
    EXPECT_EQ(DirectionName(TradeDirection::Buy), "Buy");
    EXPECT_EQ(DirectionName(TradeDirection::Sell), "Sell");
    EXPECT_EQ(ExitKindName(ExitKind::TakeProfit), "TP");
    EXPECT_EQ(ExitKindName(ExitKind::StopLoss), "SL");
    EXPECT_EQ(ExitKindName(ExitKind::TimeOut), "timeout");
    EXPECT_EQ(ExitKindName(ExitKind::OutOfCandles), "runout");
}

TEST(TradeCsv, NoTradesIsTheHeaderAlone)
{
    EXPECT_EQ(TradeCsv({}), "week,signal_date,direction,body,entry_time,entry_price,take_profit,stop_loss,"
                            "exit,exit_time,exit_price,hours,drawdown,points,cumulative_points\n");
}

TEST(TradeCsv, FieldsWithCommasAndQuotesAreQuoted)
{
    // Only a time text from a hand-made file can hold such characters.
    ClosedTrade t;
    t.EntryTime = "1,5";
    t.ExitTime = "say \"9\"";
    const std::string csv = TradeCsv({t});
    const std::string row = csv.substr(csv.find('\n') + 1);
    EXPECT_EQ(row, "0,1899-12-30,Buy,0,\"1899-12-30 1,5\",0,0,0,TP,\"1899-12-30 say \"\"9\"\"\",0,0,0,0,0\n");
}

TEST(TradeCsv, FiveWeekAccountLineByLine)
{
    // The account of SyntheticPair.h: a sell that takes profit, a buy
    // stopped out, a sell closed by the holding limit 30 points up.
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
    // The CSV's dates do not follow the window's date format.
    const std::string saved = ActiveDateFormat();
    SetActiveDateFormat(kImportDateFormat);
    BacktestResult result;
    const std::string csv = TradeCsv(RunSinglePairTrades(params, table[params.Slot], result));
    SetActiveDateFormat(saved);
    EXPECT_EQ(csv,
              "week,signal_date,direction,body,entry_time,entry_price,take_profit,stop_loss,exit,exit_time,"
              "exit_price,hours,drawdown,points,cumulative_points\n"
              "1,2005-01-02,Sell,120,2005-01-10 00:00,1.31,1.305,1.32,TP,2005-01-10 02:00,1.305,2,60,50,50\n"
              "3,2005-01-16,Buy,90,2005-01-25 00:00,1.295,1.3,1.285,SL,2005-01-25 01:00,1.285,1,110,-100,"
              "-50\n"
              "4,2005-01-23,Sell,85,2005-01-31 00:00,1.307,1.302,1.317,timeout,2005-01-31 03:00,1.304,3,25,"
              "30,-20\n");
}

} // namespace
} // namespace quillet
