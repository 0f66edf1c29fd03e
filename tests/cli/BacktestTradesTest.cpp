// quillet-cli backtest --trades and the trades of --json: the CSV into a file
// or onto standard output, refused combinations, write errors, and the JSON
// array holding the CSV's fields on the demo instruments.

#include "cli/CliTestSupport.h"

#include "demo/DemoData.h"
#include "report/TradeCsv.h"
#include "store/Files.h"
#include "support/SyntheticPair.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <charconv>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

using json = nlohmann::ordered_json;
using test::FirstSunday;
using test::ReadFile;
using test::SyntheticPair;

const char kHeader[] = "week,signal_date,direction,body,entry_time,entry_price,take_profit,stop_loss,exit,"
                       "exit_time,exit_price,hours,drawdown,points,cumulative_points\n";

class BacktestTrades : public ::testing::Test {
  protected:
    // Week 1 (Sunday 2 Jan 2005) rises 100 points: we sell on Monday 10 Jan
    // at 1.2100 (TP 1.2050, SL 1.2200). Week 3 falls 90 points: we buy on
    // Monday 24 Jan at 1.2010 (TP 1.2060, SL 1.1910); its second hour falls
    // to 1.1900 and stops us out, 110 points against us at its low.
    void SetUp() override
    {
        record_ = std::make_unique<Instrument>();
        SyntheticPair pair(*record_, "EURUSD");
        pair.Week(FirstSunday(), 1.2000, 1.2100);
        pair.Week(FirstSunday() + 7, 1.2100, 1.2100);
        pair.Week(FirstSunday() + 14, 1.2100, 1.2010);
        pair.FlatWeeks(10, 1.2010);
        pair.Hour(FirstSunday() + 8, "00", 1.2100, 1.2130, 1.2080, 1.2090);
        pair.Hour(FirstSunday() + 8, "01", 1.2090, 1.2095, 1.2045, 1.2060);
        pair.Hour(FirstSunday() + 22, "00", 1.2010, 1.2030, 1.1980, 1.2000);
        pair.Hour(FirstSunday() + 22, "01", 1.2000, 1.2020, 1.1900, 1.1920);
        WriteBaseFile(base(), *record_);
    }

    std::string base() const { return dir_.file("EURUSD.base"); }

    test::TempDir dir_;
    std::unique_ptr<Instrument> record_;
};

const char kRows[] =
    "1,2005-01-02,Sell,100,2005-01-10 00:00,1.21,1.205,1.22,TP,2005-01-10 01:00,1.205,1,0,50,50\n"
    "3,2005-01-16,Buy,90,2005-01-24 00:00,1.201,1.206,1.191,SL,2005-01-24 01:00,1.191,1,110,-100,-50\n";

TEST_F(BacktestTrades, FileHoldsOneRowPerTrade)
{
    const std::string csv = dir_.file("trades.csv");
    const CliRun run = RunCommand({"backtest", base(), "--trades", csv});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(csv), std::string(kHeader) + kRows);
    // The report is printed as without the option.
    EXPECT_EQ(run.out, RunCommand({"backtest", base()}).out);
    EXPECT_TRUE(run.err.empty());
}

TEST_F(BacktestTrades, ReplacesAnOlderFile)
{
    const std::string csv = dir_.file("trades.csv");
    test::WriteFile(csv, "old contents that are longer than the new list will be, by far, by far, by far\n"
                         "and more and more and more and more and more and more and more and more\n"
                         "and more and more and more and more and more and more and more and more\n");
    ASSERT_EQ(RunCommand({"backtest", base(), "--trades", csv, "--range", "3", "3"}).status, 0);
    // Week 3 alone: its sum starts from 0.
    EXPECT_EQ(ReadFile(csv), std::string(kHeader) +
                                 "3,2005-01-16,Buy,90,2005-01-24 00:00,1.201,1.206,1.191,SL,"
                                 "2005-01-24 01:00,1.191,1,110,-100,-100\n");
}

TEST_F(BacktestTrades, DashWritesTheListAloneToStandardOutput)
{
    const CliRun run = RunCommand({"backtest", base(), "--trades", "-", "--log"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string(kHeader) + kRows);

    const CliRun none = RunCommand({"backtest", base(), "--trades", "-", "--signal", "500"});
    EXPECT_EQ(none.out, kHeader);
}

TEST_F(BacktestTrades, DashWithJsonIsRefused)
{
    const CliRun run = RunCommand({"backtest", base(), "--trades", "-", "--json"});
    EXPECT_EQ(run.status, kUsageError);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find("--trades"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("standard output"), std::string::npos) << run.err;
}

TEST_F(BacktestTrades, UnwritablePlacesFailWithTheirName)
{
    struct Case {
        const char* Name;
        std::string Path;
    };
    std::filesystem::create_directory(dir_.file("taken"));
    const Case cases[] = {
        {"missing directory", dir_.file("no-such-dir/trades.csv")},
        {"a directory", dir_.file("taken")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const CliRun run = RunCommand({"backtest", base(), "--trades", c.Path});
        EXPECT_EQ(run.status, kFailure);
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(run.err.rfind("'" + c.Path + "': ", 0), 0u) << run.err;
        EXPECT_GT(run.err.size(), c.Path.size() + 5);
    }
    // An empty name names no file: refused as an option.
    const CliRun empty = RunCommand({"backtest", base(), "--trades", ""});
    EXPECT_EQ(empty.status, kUsageError);
    EXPECT_NE(empty.err.find("--trades"), std::string::npos) << empty.err;
    EXPECT_TRUE(std::filesystem::is_directory(dir_.file("taken")));
    EXPECT_TRUE(std::filesystem::is_empty(dir_.file("taken")));
}

TEST_F(BacktestTrades, JsonArrayOfTheSameFields)
{
    const CliRun run = RunCommand({"backtest", base(), "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const json trades = json::parse(run.out)["trades"];
    const json expected = json::parse(R"([
      {"week": 1, "signal_date": "2005-01-02", "direction": "Sell", "body": 100,
       "entry_time": "2005-01-10 00:00", "entry_price": 1.21, "take_profit": 1.205, "stop_loss": 1.22,
       "exit": "TP", "exit_time": "2005-01-10 01:00", "exit_price": 1.205, "hours": 1, "drawdown": 0,
       "points": 50, "cumulative_points": 50},
      {"week": 3, "signal_date": "2005-01-16", "direction": "Buy", "body": 90,
       "entry_time": "2005-01-24 00:00", "entry_price": 1.201, "take_profit": 1.206, "stop_loss": 1.191,
       "exit": "SL", "exit_time": "2005-01-24 01:00", "exit_price": 1.191, "hours": 1, "drawdown": 110,
       "points": -100, "cumulative_points": -50}
    ])");
    EXPECT_EQ(trades, expected);
    EXPECT_EQ(json::parse(RunCommand({"backtest", base(), "--json", "--signal", "500"}).out)["trades"],
              json::array());
}

// On every demo instrument the JSON array and the CSV file say the same,
// field by field, with one entry per trade.
class TradesOnDemo : public ::testing::TestWithParam<std::string> {
  protected:
    test::TempDir dir_;
};

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_P(TradesOnDemo, JsonAndCsvAgree)
{
    const std::string base = test::DemoDir() + GetParam() + ".base";
    const std::string csvFile = dir_.file(GetParam() + ".csv");
    const CliRun run = RunCommand({"backtest", base, "--json", "--trades", csvFile, "--hold", "30"});
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = json::parse(run.out);
    const std::vector<std::string> rows = SplitLines(ReadFile(csvFile));
    ASSERT_EQ(rows.size(), doc["trades"].size() + 1);
    ASSERT_EQ(static_cast<int>(doc["trades"].size()), doc["result"]["Entries"].get<int>());
    ASSERT_GT(doc["trades"].size(), 0u);
    for (std::size_t i = 0; i < doc["trades"].size(); ++i) {
        const json& trade = doc["trades"][i];
        std::vector<std::string> fields;
        std::istringstream row(rows[i + 1]);
        for (std::string f; std::getline(row, f, ',');)
            fields.push_back(f);
        ASSERT_EQ(fields.size(), std::size_t{kTradeFieldCount}) << rows[i + 1];
        int field = 0;
        for (auto it = trade.begin(); it != trade.end(); ++it, ++field) {
            SCOPED_TRACE(rows[i + 1] + " / " + it.key());
            EXPECT_EQ(it.key(), kTradeColumns[static_cast<std::size_t>(field)].Key);
            ASSERT_EQ(it.value().is_number(), kTradeColumns[static_cast<std::size_t>(field)].Number);
            // A price is the same Double, however each text spells it.
            if (it.value().is_number_float()) {
                double price = 0;
                const std::string& text = fields[field];
                ASSERT_EQ(std::from_chars(text.data(), text.data() + text.size(), price).ec, std::errc());
                EXPECT_EQ(it.value().get<double>(), price);
            } else if (it.value().is_number())
                EXPECT_EQ(it.value().dump(), fields[field]);
            else
                EXPECT_EQ(it.value().get<std::string>(), fields[field]);
        }
    }
}

std::vector<std::string> DemoNames()
{
    std::vector<std::string> names;
    for (const demo::DemoPair& pair : demo::DemoPairs())
        names.emplace_back(pair.Name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Demo, TradesOnDemo, ::testing::ValuesIn(DemoNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

} // namespace
} // namespace quillet::cli
