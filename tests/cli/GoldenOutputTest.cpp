// quillet-cli backtest, portfolio, sweep and walkforward on the seven demo
// instruments, byte for byte against the outputs kept in tests/golden: every
// label, log line, notice, result field, trade list row, sweep row, report
// and walk-forward window must stay as it was, with and without costs.

#include "cli/CliTestSupport.h"
#include "demo/DemoData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

using demo::DemoPair;
using demo::DemoPairs;

// Parameter sets of the single-pair run: the page's defaults; a short signal
// with tight levels, a holding limit and a restricted range (many time-outs);
// long signals with wide levels over the whole range given explicitly.
struct ParameterSet {
    const char* Name;
    std::vector<std::string> Options;
};

const ParameterSet kBacktestSets[] = {
    {"defaults", {}},
    {"tight", {"--signal", "60", "--sl", "40", "--tp", "30", "--hold", "48", "--range", "3", "530"}},
    {"wide", {"--signal", "150", "--sl", "150", "--tp", "100", "--range", "0", "535"}},
};

const ParameterSet kPortfolioSets[] = {
    {"defaults", {}},
    {"wide", {"--signal", "120", "--sl", "60", "--tp", "120"}},
};

// Small grids of the sweep: every combination goes to the CSV, the best rows
// (with a forward check) to standard output. The second grid takes in the
// zero levels and a holding limit.
const ParameterSet kSweepSets[] = {
    {"nohold",
     {"--signal", "80:92", "--sl", "40:60", "--tp", "20:40", "--range", "0", "399", "--forward", "400", "535",
      "--min-entries", "5", "--threads", "2"}},
    {"hold",
     {"--signal", "55:62", "--sl", "0:12", "--tp", "0:10", "--hold", "8:14", "--range", "3", "530",
      "--metric", "profitability", "--min-entries", "5", "--threads", "2"}},
};
const char* const kSweepPairs[] = {"EURUSD", "EURJPY"};

// A broker's costs: a spread, a commission, a long swap charged and a short
// swap credited.
const std::vector<std::string> kCosts = {"--spread",    "1.2",  "--commission", "0.7",
                                         "--swap-long", "-0.3", "--swap-short", "0.1"};

std::vector<std::string> WithCosts(std::vector<std::string> options)
{
    options.insert(options.end(), kCosts.begin(), kCosts.end());
    return options;
}

// The tight set at costs; the sweep at costs ranked by a figure of the nets
// in order; walk-forward analyses, rolling with the best cell and anchored
// with the plateau choice over a holding axis, with their Monte Carlo.
const ParameterSet kBacktestAtCosts = {"costs", WithCosts(kBacktestSets[1].Options)};
const ParameterSet kSweepAtCosts = {
    "costs", WithCosts({"--signal", "70:85", "--sl", "0:20", "--tp", "10:30", "--hold", "40:42", "--metric",
                        "max-drawdown", "--min-entries", "5", "--forward", "400", "535", "--threads", "2"})};
const ParameterSet kWalkForwardSets[] = {
    {"rolling",
     WithCosts({"--in-sample", "156", "--out-of-sample", "52", "--signal", "60:120", "--sl", "20:80", "--tp",
                "20:60", "--metric", "sqn", "--min-entries", "5", "--monte-carlo", "500", "--seed", "7"})},
    {"plateau",
     {"--in-sample", "200", "--out-of-sample", "80", "--anchored", "--plateau", "2", "--signal", "70:100",
      "--sl", "30:60", "--tp", "20:50", "--hold", "30:40", "--min-entries", "3", "--threads", "2"}},
};
struct GoldenCase {
    // "backtest", "trades" (backtest --trades), "report" (backtest --report), "portfolio", "sweep" or
    // "walkforward"
    std::string Command;
    std::string Pair; // not for portfolio
    ParameterSet Set;

    std::string FileName() const
    {
        return Command + "-" + (Pair.empty() ? "" : Pair + "-") + Set.Name +
               (Command == "trades"   ? ".csv"
                : Command == "report" ? ".html"
                                      : ".json");
    }
    std::string Stem() const
    {
        const std::string name = FileName();
        return name.substr(0, name.rfind('.'));
    }
};

std::vector<GoldenCase> AllCases()
{
    std::vector<GoldenCase> cases;
    for (const DemoPair& pair : DemoPairs())
        for (const ParameterSet& set : kBacktestSets)
            cases.push_back({"backtest", std::string(pair.Name), set});
    for (const DemoPair& pair : DemoPairs())
        cases.push_back({"trades", std::string(pair.Name), kBacktestSets[1]});
    for (const ParameterSet& set : kPortfolioSets)
        cases.push_back({"portfolio", "", set});
    for (const char* pair : kSweepPairs)
        for (const ParameterSet& set : kSweepSets)
            cases.push_back({"sweep", pair, set});
    for (const DemoPair& pair : DemoPairs()) {
        cases.push_back({"backtest", std::string(pair.Name), kBacktestAtCosts});
        cases.push_back({"trades", std::string(pair.Name), kBacktestAtCosts});
    }
    for (const char* pair : {"EURUSD", "AUDJPY"})
        cases.push_back({"report", pair, kBacktestAtCosts});
    cases.push_back({"sweep", "EURJPY", kSweepAtCosts});
    for (const char* pair : kSweepPairs)
        for (const ParameterSet& set : kWalkForwardSets)
            cases.push_back({"walkforward", pair, set});
    return cases;
}

class GoldenOutput : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenOutput, MatchesTheKeptOutput)
{
    const GoldenCase& c = GetParam();
    const test::TempDir dir;
    const std::string csv = dir.file(c.Stem() + ".csv");
    const std::string html = dir.file(c.Stem() + ".html");
    const std::string base = test::DemoDir() + c.Pair + ".base";
    std::vector<std::string> args;
    if (c.Command == "backtest")
        args = {"backtest", base, "--log", "--json"};
    else if (c.Command == "trades")
        args = {"backtest", base, "--trades", "-"};
    else if (c.Command == "report")
        args = {"backtest", base, "--report", html};
    else if (c.Command == "sweep")
        args = {"sweep", base, "--json", "--csv", csv};
    else if (c.Command == "walkforward")
        args = {"walkforward", base, "--json", "--trades", csv, "--report", html};
    else
        args = {"portfolio", test::DemoDir(), "--json"};
    args.insert(args.end(), c.Set.Options.begin(), c.Set.Options.end());

    const CliRun run = RunCommand(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string difference =
        test::CompareWithGolden(c.FileName(), c.Command == "report" ? test::ReadFile(html) : run.out);
    EXPECT_TRUE(difference.empty()) << difference;
    // The files a command writes beside its output.
    std::vector<std::pair<std::string, std::string>> written; // file, suffix
    if (c.Command == "sweep" || c.Command == "walkforward")
        written.emplace_back(csv, ".csv");
    if (c.Command == "walkforward")
        written.emplace_back(html, ".html");
    for (const auto& [file, suffix] : written) {
        const std::string rows = test::CompareWithGolden(c.Stem() + suffix, test::ReadFile(file));
        EXPECT_TRUE(rows.empty()) << rows;
    }
}

INSTANTIATE_TEST_SUITE_P(DemoInstruments, GoldenOutput, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& info) {
                             std::string name = info.param.Stem();
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
} // namespace quillet::cli
