// quillet-cli backtest: options, plain and JSON output, refused values.

#include "cli/CliTestSupport.h"

#include "model/Dates.h"
#include "store/Files.h"
#include "support/SyntheticPair.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

using json = nlohmann::ordered_json;
using test::FirstSunday;
using test::SyntheticPair;

std::vector<std::string> Keys(const json& object)
{
    std::vector<std::string> keys;
    for (auto it = object.begin(); it != object.end(); ++it)
        keys.push_back(it.key());
    return keys;
}

class BacktestCommand : public ::testing::Test {
  protected:
    // A pair whose week 1 (Sunday 2 Jan 2005) rises 100 points. We sell on
    // Monday 10 Jan at 1.2100 (TP 1.2050, SL 1.2200); the first hour stays
    // inside, the second reaches 1.2045: a take-profit at offset 1. Weeks 2
    // and 3 are flat; nine flat weeks follow so week 1 may signal.
    void SetUp() override
    {
        record_ = std::make_unique<Instrument>();
        std::memset(record_.get(), 0, sizeof(Instrument));
        SyntheticPair pair(*record_, name_);
        pair.Week(FirstSunday(), 1.2000, 1.2100);
        pair.FlatWeeks(10, 1.2100);
        pair.Hour(FirstSunday() + 8, "00", 1.2100, 1.2130, 1.2080, 1.2090);
        pair.Hour(FirstSunday() + 8, "01", 1.2090, 1.2095, 1.2045, 1.2060);
        pair.Hour(FirstSunday() + 8, "02", 1.2060, 1.2070, 1.2050, 1.2065);
        WriteBaseFile(base(), *record_);
    }

    std::string base() const { return dir_.file(name_ + ".base"); }

    json Json(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"backtest", base(), "--json"});
        const CliRun run = RunCommand(args);
        EXPECT_EQ(run.status, 0) << run.err;
        return json::parse(run.out);
    }

    test::TempDir dir_;
    std::string name_ = "EURUSD";
    std::unique_ptr<Instrument> record_;
};

TEST_F(BacktestCommand, JsonHasExactlyTheDocumentedMembers)
{
    const json doc = Json({});
    EXPECT_EQ(Keys(doc),
              (std::vector<std::string>{"pair", "result", "labels", "log", "notices", "progress", "trades"}));
    EXPECT_EQ(doc["pair"], "EURUSD");
    EXPECT_EQ(Keys(doc["result"]),
              (std::vector<std::string>{"Entries", "TakeProfits", "StopLosses", "TimeoutWins",
                                        "TimeoutWinPoints", "TimeoutLosses", "TimeoutLossPoints", "HoursSum",
                                        "HoursMin", "HoursMax", "DrawdownSum", "DrawdownMax", "TpSeries",
                                        "TpSeriesMax", "SlSeries", "SlSeriesMax", "LastWasTakeProfit"}));
    EXPECT_EQ(Keys(doc["labels"]),
              (std::vector<std::string>{"Label79", "Label64", "Label71", "Label75", "Label87", "Label92",
                                        "Label90", "Label84", "Label82", "Label157", "Label95", "Label171",
                                        "Label160", "Label162"}));
    // Weeks 0 to 535 without a range; the one trade takes profit at offset 1.
    EXPECT_EQ(doc["progress"], 536);
    EXPECT_EQ(doc["result"]["Entries"], 1);
    EXPECT_EQ(doc["result"]["TakeProfits"], 1);
    EXPECT_EQ(doc["result"]["HoursSum"], 1);
    EXPECT_EQ(doc["result"]["HoursMin"], 0);
    EXPECT_EQ(doc["result"]["HoursMax"], 1);
    EXPECT_EQ(doc["result"]["DrawdownMax"], 0);
    EXPECT_EQ(doc["result"]["LastWasTakeProfit"], true);
    EXPECT_EQ(doc["labels"]["Label64"], "1 (50 п)");
    EXPECT_EQ(doc["labels"]["Label75"], "1E02%");
    EXPECT_EQ(doc["labels"]["Label157"], "-");
    EXPECT_TRUE(doc["log"].empty());
    EXPECT_TRUE(doc["notices"].empty());
}

TEST_F(BacktestCommand, LogWithRangeInTheStartUpDateFormat)
{
    // Even after an import in this process, the command shows dates as a
    // fresh start would.
    SetActiveDateFormat(kImportDateFormat);
    const json doc = Json({"--log", "--range", "1", "3", "--sl", "0", "--tp", "100", "--signal", "50"});
    SetActiveDateFormat(kRegionalDateFormat);
    EXPECT_EQ(doc["progress"], 3);
    const auto& log = doc["log"];
    ASSERT_GT(log.size(), 12u);
    EXPECT_EQ(log[3], "Сигнальная свеча     50");
    EXPECT_EQ(log[4], "Stop Loss                   0");
    EXPECT_EQ(log[5], "Take Proft                   100");
    EXPECT_EQ(log[6], "Временные рамки    02.01.2005 - 16.01.2005");
    EXPECT_EQ(log[9], "Берём недельную свечу от 02.01.2005 (неделя с 03.01.2005 по 07.01.2005)");
    // A stop-loss of 0 points ends the trade on its entry candle.
    EXPECT_EQ(doc["result"]["StopLosses"], 1);
    EXPECT_EQ(log.back(), "^^^^^^^^^^^^^^^^^^^^Рассчёты^^^^^^^^^^^^^^^^^^^^^^^^^^^^");
    EXPECT_EQ(doc["labels"]["Label157"], "-");
}

TEST_F(BacktestCommand, SignalAndHoldOptionsReachTheRun)
{
    EXPECT_EQ(Json({"--signal", "100"})["result"]["Entries"], 1);
    EXPECT_EQ(Json({"--signal", "101"})["result"]["Entries"], 0);

    // --hold 1: the position is closed at the close of its entry candle,
    // 10 points in favour of the sell.
    const json held = Json({"--hold", "1", "--log"});
    EXPECT_EQ(held["result"]["TimeoutWins"], 1);
    EXPECT_EQ(held["result"]["TimeoutWinPoints"], 10);
    EXPECT_EQ(held["labels"]["Label95"], "1 (10)");
    // --hold 2 reaches the take-profit hour itself, where the limit wins.
    const json two = Json({"--hold", "2"});
    EXPECT_EQ(two["result"]["TakeProfits"], 0);
    EXPECT_EQ(two["result"]["TimeoutWinPoints"], 40);
    EXPECT_EQ(Json({"--hold", "3"})["result"]["TakeProfits"], 1);
}

TEST_F(BacktestCommand, NoticesAreCollected)
{
    // The hourly data runs out before the take-profit when it is 100 points
    // away: the walk closes at the last close, 1.2065, 35 points in favour.
    const json doc = Json({"--tp", "100", "--log"});
    EXPECT_EQ(doc["notices"], json::array({"Закрываем позицию, т.к. нету больше свечей для анализа "}));
    EXPECT_EQ(doc["result"]["TimeoutWinPoints"], 35);
}

TEST_F(BacktestCommand, PlainOutputShowsTheCaptions)
{
    const CliRun run = RunCommand({"backtest", base(), "--tp", "100"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string expected = "Инструмент: EURUSD\n"
                                 "Количество входов: 1\n"
                                 "Количество ТР: 0 (0 п)\n"
                                 "Количество SL: 0 (0 п)\n"
                                 "Общий процент ТР   (%): 0%\n"
                                 "Средняя просадка при TP (пп): -\n"
                                 "Максимальная просадка при TP (пп): 0\n"
                                 "\"Профитность\": -\n"
                                 "Максимальная серия TP: -\n"
                                 "Максимальная серия SL: -\n"
                                 "Закрытые по \"тайм-ауту\" сделки, шт(п)\n"
                                 "  Закрытые в +: 1 (35)\n"
                                 "  Закрытые в -: 0 (0)\n"
                                 "Подробно по профиту\n"
                                 "Часовых свечей до профита:\n"
                                 "  Минимальное: 0\n"
                                 "  Среднее: -\n"
                                 "  Максимальное: 2\n"
                                 "Закрываем позицию, т.к. нету больше свечей для анализа \n";
    EXPECT_EQ(run.out, expected);

    const CliRun logged = RunCommand({"backtest", base(), "--log", "--range", "2", "2"});
    EXPECT_NE(logged.out.find("\nВременные рамки    09.01.2005 - 09.01.2005\n"), std::string::npos);
    EXPECT_NE(logged.out.find("\n^^^^^^^^^^^^^^^^^^^^Рассчёты^^^^^^^^^^^^^^^^^^^^^^^^^^^^\n"),
              std::string::npos);
}

TEST_F(BacktestCommand, YenPairNameFromTheFile)
{
    // The same quotes stored as GBPJPY count 100 points per unit: the week's
    // body is only 1 point, so nothing trades.
    name_ = "GBPJPY";
    SetShortString(record_->Name, name_);
    WriteBaseFile(base(), *record_);
    const json doc = Json({"--log", "--range", "1", "1"});
    EXPECT_EQ(doc["pair"], "GBPJPY");
    EXPECT_EQ(doc["log"][10], "Тело свечи - 1, нам надо больше или равно 85 ... пропускаем.");
}

TEST_F(BacktestCommand, ValuesAtTheBoundsAreAccepted)
{
    const std::vector<std::vector<std::string>> accepted = {
        {"--signal", "50"},
        {"--signal", "500"},
        {"--sl", "0"},
        {"--sl", "150"},
        {"--tp", "0"},
        {"--tp", "100"},
        {"--hold", "1"},
        {"--hold", "120"},
        {"--range", "0", "1"},
        {"--range", "535", "535"},
        {"--monte-carlo", "2", "--seed", "0"},
        {"--monte-carlo", "2", "--seed", "18446744073709551615"},
    };
    for (const auto& extra : accepted) {
        std::vector<std::string> args = {"backtest", base()};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun run = RunCommand(args);
        EXPECT_EQ(run.status, 0) << extra[0] << " " << extra[1] << ": " << run.err;
    }
}

TEST_F(BacktestCommand, ValuesOutOfRangeAreRefused)
{
    struct Case {
        std::vector<std::string> extra;
        const char* message;
    };
    const Case refused[] = {
        {{"--signal", "49"}, "--signal: Value 49 not in range 50 to 500"},
        {{"--signal", "501"}, "--signal: Value 501 not in range 50 to 500"},
        {{"--sl", "-1"}, "--sl: Value -1 not in range 0 to 150"},
        {{"--sl", "151"}, "--sl: Value 151 not in range 0 to 150"},
        {{"--tp", "101"}, "--tp: Value 101 not in range 0 to 100"},
        {{"--hold", "0"}, "--hold: Value 0 not in range 1 to 120"},
        {{"--hold", "121"}, "--hold: Value 121 not in range 1 to 120"},
        {{"--range", "-1", "5"}, "--range: FIRST -1 not in range 0 to 535"},
        {{"--range", "536", "5"}, "--range: FIRST 536 not in range 0 to 535"},
        {{"--range", "0", "0"}, "--range: LAST 0 not in range 1 to 535"},
        {{"--range", "0", "536"}, "--range: LAST 536 not in range 1 to 535"},
        {{"--range", "5", "4"}, "--range: FIRST 5 is after LAST 4"},
        {{"--range", "300", "100"}, "--range: FIRST 300 is after LAST 100"},
        {{"--signal", "many"}, "--signal"},
        {{"--range", "3"}, "--range"},
        // A seed is 0 to 2^64 - 1, never wrapped or clamped, and only with draws to seed.
        {{"--monte-carlo", "2", "--seed", "-1"}, "--seed: '-1' is not a seed from 0 to 18446744073709551615"},
        {{"--monte-carlo", "2", "--seed", "18446744073709551616"}, "--seed: '18446744073709551616' is not"},
        {{"--monte-carlo", "2", "--seed", "+5"}, "--seed: '+5' is not"},
        {{"--seed", "5"}, "--seed requires --monte-carlo"},
        {{"--report", "-", "--json"}, "--report: - cannot share standard output"},
        {{"--report", "-", "--trades", "-"}, "--report: - cannot share standard output"},
    };
    for (const Case& c : refused) {
        std::vector<std::string> args = {"backtest", base()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const CliRun run = RunCommand(args);
        EXPECT_EQ(run.status, kUsageError) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

TEST_F(BacktestCommand, MissingOrEmptyFileFails)
{
    const CliRun missing = RunCommand({"backtest", dir_.file("none.base")});
    EXPECT_EQ(missing.status, kFailure);
    EXPECT_EQ(missing.err, "'" + dir_.file("none.base") + "': File not found\n");

    // A record without weekly candles is no instrument the window could pick.
    std::memset(&record_->Week, 0, sizeof record_->Week);
    WriteBaseFile(base(), *record_);
    const CliRun empty = RunCommand({"backtest", base()});
    EXPECT_EQ(empty.status, kFailure);
    EXPECT_NE(empty.err.find("нет недельных свечей"), std::string::npos);
    EXPECT_TRUE(empty.out.empty());
}

TEST(BacktestCommandOnDemoData, RunsTheBuiltProgramWithLogAndJson)
{
    const std::string command =
        std::string(QUILLET_CLI_PATH) + " backtest '" + test::DemoDir() + "EURUSD.base' --log --json";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;)
        out.append(buf, n);
    ASSERT_EQ(pclose(pipe), 0);

    const json doc = json::parse(out);
    EXPECT_EQ(doc["pair"], "EURUSD");
    EXPECT_EQ(doc["progress"], 536);
    EXPECT_GT(doc["result"]["Entries"], 0);
    EXPECT_EQ(doc["labels"].size(), 14u);
    const auto& log = doc["log"];
    ASSERT_GT(log.size(), 536u * 2);
    EXPECT_EQ(log[0], "-------------------------------------------------------------");
    EXPECT_EQ(log.back(), "^^^^^^^^^^^^^^^^^^^^Рассчёты^^^^^^^^^^^^^^^^^^^^^^^^^^^^");
    // Every trade is booked once, as a level or a time-out, except the rare
    // close at the entry price, which only shows a notice.
    const auto& r = doc["result"];
    const int closes = r["TakeProfits"].get<int>() + r["StopLosses"].get<int>() +
                       r["TimeoutWins"].get<int>() + r["TimeoutLosses"].get<int>();
    EXPECT_LE(closes, r["Entries"].get<int>());
    EXPECT_LE(r["Entries"].get<int>() - closes, static_cast<int>(doc["notices"].size()));
}

} // namespace
} // namespace quillet::cli
