// quillet-cli backtest and portfolio on the seven demo instruments, byte for
// byte against the outputs kept in tests/golden: every label, log line,
// notice and result field must stay as it was.

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
using demo::WriteDemoData;

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

struct GoldenCase {
    std::string Command; // "backtest" or "portfolio"
    std::string Pair;    // backtest only
    ParameterSet Set;

    std::string FileName() const
    {
        return Command + "-" + (Pair.empty() ? "" : Pair + "-") + Set.Name + ".json";
    }
};

std::vector<GoldenCase> AllCases()
{
    std::vector<GoldenCase> cases;
    for (const DemoPair& pair : DemoPairs())
        for (const ParameterSet& set : kBacktestSets)
            cases.push_back({"backtest", std::string(pair.Name), set});
    for (const ParameterSet& set : kPortfolioSets)
        cases.push_back({"portfolio", "", set});
    return cases;
}

class GoldenOutput : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenOutput, MatchesTheKeptOutput)
{
    const GoldenCase& c = GetParam();
    std::vector<std::string> args{c.Command};
    if (c.Command == "backtest")
        args.insert(args.end(), {test::DemoDir() + c.Pair + ".base", "--log", "--json"});
    else
        args.insert(args.end(), {test::DemoDir(), "--json"});
    args.insert(args.end(), c.Set.Options.begin(), c.Set.Options.end());

    const CliRun run = RunCommand(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string difference = test::CompareWithGolden(c.FileName(), run.out);
    EXPECT_TRUE(difference.empty()) << difference;
}

INSTANTIATE_TEST_SUITE_P(DemoInstruments, GoldenOutput, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& info) {
                             std::string name = info.param.FileName();
                             name.resize(name.size() - 5); // ".json"
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
} // namespace quillet::cli
