// --spread recorded: every command trades at the spread of each hour from
// the .spread beside the .base; 1.2 points recorded for every hour give what
// --spread 1.2 gives, and a pair without a recorded spread is refused.

#include "cli/CliTestSupport.h"
#include "model/Instrument.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace quillet::cli {
namespace {

using json = nlohmann::json;

// The recorded run's JSON as the fixed one reads: its costs name the spread
// and its trades carry their entry's.
json AsFixed(json doc)
{
    EXPECT_EQ(doc["costs"]["spread"], "recorded");
    doc["costs"]["spread"] = 1.2;
    for (json& t : doc["trades"]) {
        EXPECT_EQ(t["entry_spread"], 1.2);
        t.erase("entry_spread");
    }
    return doc;
}

TEST(RecordedSpread, OneSpreadEveryHourGivesTheFixedSpreadsOutputs)
{
    test::TempDir dir;
    test::CopyDemoData(dir.dir());
    const std::string file = dir.file("EURUSD.base");
    std::string spread;
    for (int h = 1; h < FirstEmptyIndex(test::DemoTable()[6].Hour, 1); ++h)
        spread += "12\n";
    ASSERT_EQ(ShortStringText(test::DemoTable()[6].Name), "EURUSD");
    test::WriteFile(dir.file("EURUSD.spread"), spread);
    const std::vector<std::string> grid = {"--signal", "80:130", "--sl", "2:40", "--tp", "10:50"};
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"backtest", file, "--json", "--log"},
             {"sweep", file, "--csv", "-"},
             {"walkforward", file, "--in-sample", "156", "--out-of-sample", "104", "--json"}}) {
        if (args[0] != "backtest")
            args.insert(args.end(), grid.begin(), grid.end());
        args.insert(args.end(), {"--swap-short", "-0.3", "--spread"});
        std::vector<std::string> recorded = args;
        args.push_back("1.2");
        recorded.push_back("recorded");
        const CliRun want = RunCommand(args), got = RunCommand(recorded);
        ASSERT_EQ(got.status, 0) << got.err;
        if (args[0] == "sweep")
            EXPECT_TRUE(got.out == want.out) << "the sweep's rows differ";
        else
            EXPECT_EQ(AsFixed(json::parse(got.out)), json::parse(want.out)) << args[0];
    }

    // A pair without the hours' spread, and a stop-loss within an entry's, are option errors.
    const CliRun none = RunCommand({"sweep", dir.file("AUDUSD.base"), "--spread", "recorded"});
    EXPECT_EQ(none.status + none.out.size(), 2u);
    EXPECT_NE(none.err.find("'" + dir.file("AUDUSD.base") + "' has no recorded spread: no file '" +
                            dir.file("AUDUSD.spread") + "' beside it"),
              std::string::npos)
        << none.err;
    const CliRun tight = RunCommand({"backtest", file, "--spread", "recorded", "--sl", "1"});
    EXPECT_EQ(tight.status, 2);
    EXPECT_NE(
        tight.err.find("Stop-loss 1 is not larger than the spread 1.2 of the entry at 2005-01-17 00:00"),
        std::string::npos)
        << tight.err;
}

} // namespace
} // namespace quillet::cli
