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

TEST(TradeColumns, KeysKindsAndPlaces)
{
    std::string keys, kinds, costs, json;
    for (const TradeColumn& c : kTradeColumns) {
        keys += std::string(keys.empty() ? "" : ",") + std::string(c.Key);
        kinds += c.Number ? 'n' : 't';
        costs += c.Costs ? 'c' : '-';
        json += c.InJson ? 'j' : '-';
    }
    EXPECT_EQ(keys, "week,signal_date,direction,body,entry_time,entry_price,take_profit,stop_loss,exit,"
                    "exit_time,exit_price,hours,drawdown,points,cumulative_points,nights,costs,net_points,"
                    "cumulative_net,entry_spread");
    EXPECT_EQ(kinds, "nttntnnnttnnnnnnnnnn");
    // The costs' columns follow the others, the entry's spread last; the
    // JSON keeps no running net.
    EXPECT_EQ(costs, std::string(kTradeFieldCount, '-') + std::string(kTradeCostFieldCount + 1, 'c'));
    std::string inJson(kTradeColumns.size(), 'j');
    inJson[inJson.size() - 2] = '-';
    EXPECT_EQ(json, inJson);
    EXPECT_EQ(TradeColumnsShown(false, false), 15);
    EXPECT_EQ(TradeColumnsShown(true, false), 19);
    EXPECT_EQ(TradeColumnsShown(true, true), 20);
    for (std::size_t i = 0; i < kTradeColumns.size(); ++i)
        EXPECT_EQ(static_cast<std::size_t>(kTradeColumns[i].Id), i) << kTradeColumns[i].Key;
}

// Every cell of one sell in both forms: for programs and for a reader.
TEST(TradeColumns, CellsForProgramsAndForReaders)
{
    ClosedTrade t;
    t.Week = 12;
    t.WeekDate = DateSerial(2015, 4, 5);
    t.Body = 131;
    t.Direction = TradeDirection::Sell;
    t.EntryDate = DateSerial(2015, 4, 13);
    t.EntryTime = "00";
    t.EntryPrice = 1.0825;
    t.TakeProfitLevel = 1.07738;
    t.StopLossLevel = 1.09238;
    t.Exit = ExitKind::OutOfCandles;
    t.ExitDate = DateSerial(2015, 4, 14);
    t.ExitTime = "7";
    t.ExitPrice = 1.08004;
    t.HoursHeld = 31;
    t.Drawdown = 44;
    t.Points = 23;
    t.Nights = 1;
    t.CostTenths = -3;
    t.NetTenths = 233;
    t.EntrySpreadTenths = 45;
    const TradeRowSums sums{-17, -1055};
    const std::vector<std::pair<std::string, std::string>> want = {
        {"12", "12"},
        {"2015-04-05", "05.04.2015"},
        {"Sell", "Продажа"},
        {"131", "131"},
        {"2015-04-13 00:00", "13.04.2015 00:00"},
        {"1.0825", "1,0825"},
        {"1.07738", "1,07738"},
        {"1.09238", "1,09238"},
        {"runout", "нет свечей"},
        {"2015-04-14 07:00", "14.04.2015 07:00"},
        {"1.08004", "1,08004"},
        {"31", "31"},
        {"44", "44"},
        {"23", "23"},
        {"-17", "-17"},
        {"1", "1"},
        {"-0.3", "-0,3"},
        {"23.3", "23,3"},
        {"-105.5", "-105,5"},
        {"4.5", "4,5"},
    };
    ASSERT_EQ(want.size(), kTradeColumns.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(kTradeColumns[i].Key);
        EXPECT_EQ(TradeCellText(t, kTradeColumns[i].Id, sums, kProgramForm), want[i].first);
        EXPECT_EQ(TradeCellText(t, kTradeColumns[i].Id, sums, ReaderForm("dd.MM.yyyy")), want[i].second);
    }
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
