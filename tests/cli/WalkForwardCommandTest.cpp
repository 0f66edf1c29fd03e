// quillet-cli walkforward --json over the demo EURUSD against the core's
// analysis of the same pair, and its Monte Carlo against the core's; the
// options it refuses before any output; the keys and reasons of windows
// without a choice and of an efficiency without a value; its report.

#include "cli/CliTestSupport.h"

#include "analysis/MonteCarlo.h"
#include "analysis/WalkForward.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

using json = nlohmann::ordered_json;

TEST(WalkForwardCommand, JsonIsTheCoresAnalysis)
{
    const CliRun run = RunCommand({"walkforward",
                                   test::DemoDir() + "EURUSD.base",
                                   "--in-sample",
                                   "100",
                                   "--out-of-sample",
                                   "80",
                                   "--range",
                                   "10",
                                   "530",
                                   "--signal",
                                   "60:120",
                                   "--sl",
                                   "10:40",
                                   "--tp",
                                   "10:40",
                                   "--min-entries",
                                   "6",
                                   "--anchored",
                                   "--plateau",
                                   "--json",
                                   "--monte-carlo",
                                   "300",
                                   "--seed",
                                   "7"});
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = json::parse(run.out);

    WalkForwardParams params;
    params.Sweep.PairName = "EURUSD";
    params.Sweep.Grid = {{60, 120}, {10, 40}, {10, 40}, {}};
    params.Sweep.Weeks = {10, 530};
    params.Sweep.MinEntries = 6;
    params.InSample = 100;
    params.OutOfSample = 80;
    params.Anchored = true;
    params.Plateau = PlateauRadii{};
    const WalkForwardOutcome want = RunWalkForward(params, test::DemoTable()[6]);

    ASSERT_EQ(doc["windows"].size(), want.Windows.size());
    for (std::size_t k = 0; k < want.Windows.size(); ++k) {
        const WalkForwardWindow& w = want.Windows[k];
        const json& got = doc["windows"][k];
        SCOPED_TRACE(k);
        EXPECT_EQ(got["in_sample"]["weeks"], json({w.Span.InSample.First, w.Span.InSample.Last}));
        EXPECT_EQ(got["out_of_sample"]["weeks"], json({w.Span.OutOfSample.First, w.Span.OutOfSample.Last}));
        ASSERT_EQ(got["chosen"].is_null(), !w.Chosen);
        if (!w.Chosen)
            continue;
        EXPECT_EQ(got["chosen"]["signal"], w.Signal);
        EXPECT_EQ(got["chosen"]["sl"], w.StopLoss);
        EXPECT_EQ(got["chosen"]["tp"], w.TakeProfit);
        EXPECT_EQ(got["plateau_score"], *w.PlateauScore);
        EXPECT_EQ(got["out_of_sample_net"], w.OutOfSampleNetTenths / 10.0);
        EXPECT_EQ(got["out_of_sample_result"]["Entries"], w.OutOfSampleResult.Entries);
    }
    EXPECT_EQ(doc["trades"].size(), want.Trades.size());
    if (want.Efficiency)
        EXPECT_EQ(doc["efficiency"], static_cast<double>(*want.Efficiency));
    else
        EXPECT_TRUE(doc["efficiency"].is_null());

    const MonteCarloOutcome mc = RunMonteCarlo(want.Trades, 300, 7);
    EXPECT_EQ(doc["monte_carlo"]["final_net"]["p50"], mc.FinalNet.P50 / 10.0);
    EXPECT_EQ(doc["monte_carlo"]["max_drawdown"]["p95"], mc.MaxDrawdown.P95 / 10.0);
    EXPECT_EQ(doc["monte_carlo"]["loss_share"], static_cast<double>(mc.LossShare));
}

// Refused before anything is printed, with status 2, naming what is wrong.
TEST(WalkForwardCommand, RefusesOptionsThatDoNotFitBeforeAnyOutput)
{
    const struct {
        std::vector<std::string> Extra;
        const char* Message;
    } rows[] = {
        {{"--plateau", "3:3:3:3"}, "четвёртый радиус '3:3:3:3' — для удержания, а оси удержания нет"},
        {{"--signal", "80:90", "--sl", "20:30", "--tp", "20:30", "--plateau", "3:3:3:3", "--hold", "40:42"},
         nullptr},
        {{"--plateau", "51"}, "радиусы плато — целые от 0 до 50"},
        {{"--plateau", "2:51:2"}, "радиусы плато — целые от 0 до 50"},
        {{"--plateau", "--hold", "1:120"}, "не больше 33554432 комбинаций, в этой 825384120"},
        {{"--seed", "3"}, "--seed requires --monte-carlo"},
        {{"--monte-carlo", "5", "--seed", "-3"}, "--seed: '-3' is not a seed"},
        {{"--report", "-", "--json"}, "--report: - cannot share standard output"},
    };
    for (const auto& row : rows) {
        // The whole grid by default: refused before it is swept.
        std::vector<std::string> args = {"walkforward", test::DemoDir() + "EURUSD.base"};
        args.insert(args.end(), row.Extra.begin(), row.Extra.end());
        const CliRun run = RunCommand(args);
        SCOPED_TRACE(row.Extra[0] + " " + row.Extra[1] + " " + row.Extra.back());
        if (!row.Message) {
            EXPECT_EQ(run.status, 0) << run.err;
            continue;
        }
        EXPECT_EQ(run.status, kUsageError);
        EXPECT_NE(run.err.find(row.Message), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("окон по"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// Windows that could choose nothing keep every key of a window that chose,
// with nets of 0, no figures and the reason; in-sample nets that sum to a
// loss leave the efficiency without a value, and the output says why.
TEST(WalkForwardCommand, WindowsWithoutChoiceAndAnEfficiencyWithoutValueSayWhy)
{
    const CliRun run = RunCommand({"walkforward", test::DemoDir() + "EURJPY.base", "--metric", "max-drawdown",
                                   "--spread", "2.0", "--commission", "1.0", "--signal", "80:120", "--sl",
                                   "10:60", "--tp", "10:60", "--min-entries", "50", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = json::parse(run.out);
    const std::set<std::string> documented = {
        "in_sample",         "out_of_sample",      "chosen",        "in_sample_metric",
        "plateau_score",     "in_sample_result",   "in_sample_net", "out_of_sample_result",
        "out_of_sample_net", "out_of_sample_stats"};
    double inSample = 0;
    int unchosen = 0;
    for (const json& w : doc["windows"]) {
        std::set<std::string> keys;
        for (const auto& item : w.items())
            keys.insert(item.key());
        inSample += w["in_sample_net"].get<double>();
        if (!w["chosen"].is_null()) {
            EXPECT_EQ(keys, documented);
            continue;
        }
        ++unchosen;
        keys.erase("no_choice");
        EXPECT_EQ(keys, documented);
        EXPECT_EQ(w["no_choice"], "too_few_entries");
        EXPECT_EQ(w["out_of_sample_net"], 0.0);
        EXPECT_TRUE(w["out_of_sample_stats"].is_null());
    }
    EXPECT_GT(unchosen, 0);
    EXPECT_LT(inSample, 0);
    EXPECT_TRUE(doc["efficiency"].is_null());
    EXPECT_EQ(doc["efficiency_missing"], "in_sample_net_not_positive");

    std::vector<std::string> plain = {"walkforward",   test::DemoDir() + "EURJPY.base",
                                      "--metric",      "max-drawdown",
                                      "--spread",      "2.0",
                                      "--commission",  "1.0",
                                      "--signal",      "80:120",
                                      "--sl",          "10:60",
                                      "--tp",          "10:60",
                                      "--min-entries", "50"};
    const CliRun table = RunCommand(plain);
    EXPECT_NE(
        table.out.find("Эффективность: - (чистые пункты выбранных комбинаций в выборке в сумме не больше "
                       "нуля: отношение не имеет смысла)"),
        std::string::npos)
        << table.out;
    EXPECT_NE(table.out.find("нет комбинаций с достаточным числом входов: окно не торгует"),
              std::string::npos);
}

// The report names its weeks as the run's report names the same weeks, and
// carries the Monte Carlo; "-" prints it.
TEST(WalkForwardCommand, ReportWeeksAndMonteCarlo)
{
    const std::string base = test::DemoDir() + "EURUSD.base";
    const CliRun wf = RunCommand({"walkforward", base, "--signal", "80:90", "--sl", "20:30", "--tp", "20:30",
                                  "--monte-carlo", "200", "--report", "-"});
    ASSERT_EQ(wf.status, 0) << wf.err;
    const CliRun run = RunCommand({"backtest", base, "--range", "0", "535", "--report", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto cell = [](const std::string& html, const std::string& key) {
        const std::string lead = "data-key=\"" + key + "\">";
        const std::size_t at = html.find(lead);
        return at == std::string::npos ? std::string("(none)")
                                       : html.substr(at + lead.size(), html.find('<', at) - at - lead.size());
    };
    EXPECT_EQ(cell(wf.out, "weeks"), cell(run.out, "period"));
    EXPECT_NE(cell(wf.out, "weeks").find("(недели 1–535)"), std::string::npos) << cell(wf.out, "weeks");
    EXPECT_EQ(cell(wf.out, "mc-runs"), "200");
    EXPECT_NE(wf.out.find("id=\"monte-carlo-drawdowns\""), std::string::npos);
}

} // namespace
} // namespace quillet::cli
