// The cost options of backtest and sweep: they reach the runs, the JSON and
// the CSV carry the costs and the figures after them, and the sweep's best
// row agrees with the backtest of the same combination at the same costs.

#include "cli/CliTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace quillet::cli {
namespace {

using json = nlohmann::json;

const std::vector<std::string> kCosts = {"--spread",    "1.2",  "--commission", "0.7",
                                         "--swap-long", "-0.3", "--swap-short", "0.1"};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more = kCosts)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(CostOptions, TheSweepsBestRowIsTheBacktestAtTheSameCosts)
{
    const std::string file = test::DemoDir() + "AUDJPY.base";
    const CliRun sweep = RunCommand(
        With({"sweep", file, "--signal", "85:90", "--sl", "10:30", "--tp", "20:40", "--top", "1", "--json"}));
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    const json top = json::parse(sweep.out)["top"][0];
    const CliRun run = RunCommand(
        With({"backtest", file, "--signal", std::to_string(top["signal"].get<int>()), "--sl",
              std::to_string(top["sl"].get<int>()), "--tp", std::to_string(top["tp"].get<int>()), "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = json::parse(run.out);
    EXPECT_EQ(doc["costs"],
              json::parse(R"({"spread":1.2,"commission":0.7,"swap_long":-0.3,"swap_short":0.1})"));
    const json& stats = doc["stats"];
    for (const char* figure : {"profit_factor", "recovery_factor", "sqn"})
        EXPECT_NEAR(stats[figure].get<double>(), top[figure].get<double>(), 0.005) << figure;
    EXPECT_EQ(stats["net"], top["net_after_costs"]);
    EXPECT_EQ(stats["max_drawdown"], top["max_drawdown"]);
    // The trades' own nets add up to the figures' net.
    long long tenths = 0;
    for (const json& t : doc["trades"])
        tenths += std::llround(t["net_points"].get<double>() * 10);
    EXPECT_EQ(std::llround(stats["net"].get<double>() * 10), tenths);
    EXPECT_EQ(stats["trades"], doc["trades"].size());
}

TEST(CostOptions, TheTradeListGainsTheCostColumns)
{
    const CliRun run = RunCommand(With({"backtest", test::DemoDir() + "EURUSD.base", "--trades", "-"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "week,signal_date,direction,body,entry_time,entry_price,take_profit,stop_loss,exit,exit_time,"
              "exit_price,hours,drawdown,points,cumulative_points,nights,costs,net_points,cumulative_net");
}

TEST(CostOptions, BadCostsAreRefused)
{
    const struct {
        std::vector<std::string> Options;
        const char* Error;
    } rows[] = {
        {{"--spread", "50.1"}, "50.1 not within 0.0 to 50.0"},
        {{"--commission", "1.25"}, "'1.25' is not a number of points with at most one decimal"},
        {{"--swap-long", "-50.1"}, "-50.1 not within -50.0 to 50.0"},
        {{"--sl", "2", "--spread", "2"}, "Stop-loss 2 is not larger than the spread 2.0"},
    };
    for (const char* command : {"backtest", "sweep"})
        for (const auto& row : rows) {
            if (std::string(command) == "sweep" && row.Options[0] == "--sl")
                continue; // the sweep leaves such stop-losses out instead
            const CliRun run = RunCommand(With({command, test::DemoDir() + "EURUSD.base"}, row.Options));
            EXPECT_NE(run.status, 0) << command << " " << row.Options[0];
            EXPECT_NE(run.err.find(row.Error), std::string::npos) << run.err;
        }
}

} // namespace
} // namespace quillet::cli
