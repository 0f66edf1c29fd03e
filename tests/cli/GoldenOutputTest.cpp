// quillet-cli backtest, portfolio and sweep on the seven demo instruments,
// byte for byte against the outputs kept in tests/golden: every label, log
// line, notice, result field, trade list row and sweep row must stay as it
// was.

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

struct GoldenCase {
    std::string Command; // "backtest", "trades" (backtest --trades), "portfolio" or "sweep"
    std::string Pair;    // not for portfolio
    ParameterSet Set;

    std::string FileName() const
    {
        return Command + "-" + (Pair.empty() ? "" : Pair + "-") + Set.Name +
               (Command == "trades" ? ".csv" : ".json");
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
    return cases;
}

class GoldenOutput : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenOutput, MatchesTheKeptOutput)
{
    const GoldenCase& c = GetParam();
    const test::TempDir dir;
    const std::string csv = dir.file(c.Stem() + ".csv");
    std::vector<std::string> args;
    if (c.Command == "backtest")
        args = {"backtest", test::DemoDir() + c.Pair + ".base", "--log", "--json"};
    else if (c.Command == "trades")
        args = {"backtest", test::DemoDir() + c.Pair + ".base", "--trades", "-"};
    else if (c.Command == "sweep")
        args = {"sweep", test::DemoDir() + c.Pair + ".base", "--json", "--csv", csv};
    else
        args = {"portfolio", test::DemoDir(), "--json"};
    args.insert(args.end(), c.Set.Options.begin(), c.Set.Options.end());

    const CliRun run = RunCommand(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string difference = test::CompareWithGolden(c.FileName(), run.out);
    EXPECT_TRUE(difference.empty()) << difference;
    if (c.Command == "sweep") {
        const std::string rows = test::CompareWithGolden(c.Stem() + ".csv", test::ReadFile(csv));
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
