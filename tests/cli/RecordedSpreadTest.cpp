// --spread recorded: every command trades at the spread of each hour from
// the .spread beside the .base; a spread of 1.2 points recorded for every
// hour gives what --spread 1.2 gives, and a pair without one is refused.

#include "cli/CliTestSupport.h"
#include "model/Instrument.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace quillet::cli {
namespace {

using json = nlohmann::json;

// The demo EURUSD with 1.2 points recorded for each of its hours.
class RecordedSpread : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<test::TempDir>();
        test::CopyDemoData(dir_->dir());
        std::string spread = "# every hour alike\n";
        for (int h = 1; h < FirstEmptyIndex(test::DemoTable()[EurUsdSlot()].Hour, 1); ++h)
            spread += "12\n";
        test::WriteFile(dir_->file("EURUSD.spread"), spread);
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static int EurUsdSlot()
    {
        const std::vector<std::string> names = LoadedInstrumentNames(test::DemoTable());
        return static_cast<int>(std::find(names.begin(), names.end(), "EURUSD") - names.begin()) + 1;
    }
    static std::string File(const char* name) { return dir_->file(name); }

    // The command's output at --spread P and at --spread recorded.
    static std::pair<CliRun, CliRun> Both(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--commission", "0.7", "--swap-short", "-0.3", "--spread"});
        std::vector<std::string> recorded = args;
        args.push_back("1.2");
        recorded.push_back("recorded");
        return {RunCommand(args), RunCommand(recorded)};
    }
    static inline std::unique_ptr<test::TempDir> dir_;
};

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

TEST_F(RecordedSpread, OneSpreadEveryHourGivesTheFixedSpreadsOutputs)
{
    const std::vector<std::string> grid = {"--signal", "80:130", "--sl", "2:40", "--tp", "10:50"};
    auto [fixed, recorded] = Both({"backtest", File("EURUSD.base"), "--json", "--log"});
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    EXPECT_EQ(AsFixed(json::parse(recorded.out)), json::parse(fixed.out));

    std::vector<std::string> sweep = {"sweep", File("EURUSD.base"), "--csv", "-"};
    sweep.insert(sweep.end(), grid.begin(), grid.end());
    std::tie(fixed, recorded) = Both(sweep);
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    EXPECT_TRUE(recorded.out == fixed.out) << "the sweep's rows differ";

    std::vector<std::string> walk = {
        "walkforward", File("EURUSD.base"), "--in-sample", "156", "--out-of-sample", "104", "--json"};
    walk.insert(walk.end(), grid.begin(), grid.end());
    std::tie(fixed, recorded) = Both(walk);
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    EXPECT_EQ(AsFixed(json::parse(recorded.out)), json::parse(fixed.out));

    // The trade list and the report gain the entry's spread as their last column.
    std::tie(fixed, recorded) = Both({"backtest", File("EURUSD.base"), "--trades", "-"});
    const std::string header = recorded.out.substr(0, recorded.out.find('\n'));
    EXPECT_EQ(header, fixed.out.substr(0, fixed.out.find('\n')) + ",entry_spread");
    ASSERT_EQ(
        RunCommand({"backtest", File("EURUSD.base"), "--spread", "recorded", "--report", File("r.html")})
            .status,
        0);
    const std::string html = test::ReadFile(File("r.html"));
    EXPECT_NE(html.find("спред по истории"), std::string::npos);
    EXPECT_NE(html.find("<th>Спред входа, п</th>"), std::string::npos);
}

TEST_F(RecordedSpread, APairWithoutOneOrAStopLossWithinAnEntrysIsAnOptionError)
{
    for (const char* command : {"backtest", "sweep", "walkforward"}) {
        std::vector<std::string> args = {command, File("AUDUSD.base"), "--spread", "recorded"};
        if (std::string(command) == "walkforward")
            args.insert(args.end(), {"--in-sample", "156", "--out-of-sample", "52"});
        const CliRun run = RunCommand(args);
        EXPECT_EQ(run.status, 2) << command;
        EXPECT_EQ(run.out, "") << command;
        EXPECT_NE(run.err.find("--spread: '" + File("AUDUSD.base") + "' has no recorded spread: no file '" +
                               File("AUDUSD.spread") + "' beside it"),
                  std::string::npos)
            << run.err;
    }
    const CliRun tight = RunCommand({"backtest", File("EURUSD.base"), "--spread", "recorded", "--sl", "1"});
    EXPECT_EQ(tight.status, 2);
    EXPECT_NE(tight.err.find(
                  "Stop-loss 1 is not larger than the spread 1.2 of the entry at 2005-01-17 00:00 (week 1)"),
              std::string::npos)
        << tight.err;
    EXPECT_EQ(RunCommand({"backtest", File("EURUSD.base"), "--spread", "recordedx"}).status, 2);
}

} // namespace
} // namespace quillet::cli
