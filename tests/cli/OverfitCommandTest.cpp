// quillet-cli overfit over the demo EURUSD against the core's figures of the
// same grid, its text, its refusals and Ctrl-C.

#include "cli/CliTestSupport.h"

#include "analysis/DeflatedSharpe.h"
#include "analysis/Overfit.h"
#include "report/OverfitTexts.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <thread>

#include <sys/wait.h>

namespace quillet::cli {
namespace {

using json = nlohmann::ordered_json;

std::string EurUsd()
{
    return test::DemoDir() + "EURUSD.base";
}

// clang-format off
const std::vector<std::string> kGrid = {"--signal", "60:120", "--sl", "10:60", "--tp", "10:60",
                                        "--range", "20", "500", "--min-entries", "8", "--threads", "2"};
// clang-format on

struct JsonCase {
    const char* Label;
    std::vector<std::string> Args;
    OverfitMeasure Measure;
    std::optional<PlateauRadii> Plateau;
    TradeCosts Costs;
    std::optional<GridPoint> Row;
};

void PrintTo(const JsonCase& c, std::ostream* os)
{
    *os << c.Label;
}

class OverfitJson : public ::testing::TestWithParam<JsonCase> {};

TEST_P(OverfitJson, IsTheCoresFigures)
{
    const JsonCase& c = GetParam();
    std::vector<std::string> args = {"overfit", EurUsd(), "--json"};
    args.insert(args.end(), kGrid.begin(), kGrid.end());
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    const CliRun run = RunCommand(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = json::parse(run.out);

    OverfitParams p;
    p.Sweep.PairName = "EURUSD";
    p.Sweep.Grid = {{60, 120}, {10, 60}, {10, 60}, {}};
    p.Sweep.Weeks = {20, 500};
    p.Sweep.MinEntries = 8;
    p.Sweep.Costs = c.Costs;
    p.Sweep.Top = 1;
    p.Blocks = doc["blocks"].get<int>();
    p.Measure = c.Measure;
    p.Plateau = c.Plateau;
    const SweepTable table(test::DemoTable()[6], "EURUSD", p.Sweep.Grid, p.Sweep.Weeks, c.Costs);
    const OverfitOutcome want = RunOverfit(p, table);
    EXPECT_EQ(doc["combinations"], want.Combinations);
    EXPECT_EQ(doc["distinct"], want.Distinct);
    EXPECT_EQ(doc["best"]["pbo"].get<double>(), want.Best.Pbo);
    EXPECT_EQ(doc["best"]["loss_probability"].get<double>(), want.Best.LossProbability);
    EXPECT_EQ(doc["best"]["degradation"]["slope"].get<double>(), static_cast<double>(*want.Best.Slope));
    ASSERT_EQ(doc["splits"].size(), want.Splits.size());
    int histogram = 0;
    for (const json& bin : doc["best"]["histogram"])
        histogram += bin["count"].get<int>();
    EXPECT_EQ(histogram, static_cast<int>(want.Splits.size()));
    for (std::size_t i = 0; i < want.Splits.size(); ++i) {
        const json& s = doc["splits"][i];
        EXPECT_EQ(s["best"]["rank"].get<double>(), want.Splits[i].Best.Rank) << i;
        EXPECT_EQ(s["best"]["lambda"].get<double>(), static_cast<double>(want.Splits[i].Best.Lambda)) << i;
        EXPECT_EQ(s["best"]["in_sample"].get<double>(), static_cast<double>(want.Splits[i].Best.InSample))
            << i;
        EXPECT_EQ(s["best"]["chosen"]["sl"], want.Splits[i].Best.Chosen.StopLoss) << i;
        if (c.Plateau) {
            EXPECT_EQ(s["plateau"]["rank"].get<double>(), want.Splits[i].Plateau->Rank) << i;
        }
    }
    EXPECT_EQ(doc["plateau_choice"].is_null(), !c.Plateau);

    // The deflated Sharpe ratio of the row given, or of the sweep's best.
    GridPoint row;
    if (c.Row) {
        row = *c.Row;
    } else {
        const SweepRow best = RunSweep(p.Sweep, table).Best.front();
        row = {best.Signal, best.StopLoss, best.TakeProfit, 0};
    }
    const DeflatedSharpe d = DeflateSharpe(table, p.Sweep.Weeks, row, want.Spread);
    const json& got = doc["deflated_sharpe"];
    EXPECT_TRUE(got["row"]["signal"] == row.Signal && got["row"]["tp"] == row.TakeProfit);
    EXPECT_EQ(got["dsr"].get<double>(), static_cast<double>(d.Probability));
    EXPECT_EQ(got["sr0"].get<double>(), static_cast<double>(d.ExpectedMax));
    EXPECT_EQ(got["trials"], want.Combinations);
    EXPECT_EQ(got["note"], kTrialsNote);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Choices, OverfitJson,
    ::testing::Values(
        JsonCase{"NetBestRow", {}, OverfitMeasure::Net, {}, {}, {}},
        JsonCase{"SharpePlateauRowAtCosts", {"--blocks", "6", "--measure", "sharpe", "--plateau", "2:3:3",
                 "--row", "90:30:40", "--spread", "1.5"}, OverfitMeasure::Sharpe, PlateauRadii{2, 3, 3, 5},
                 TradeCosts{15, 0, 0, 0}, GridPoint{90, 30, 40, 0}}),
    [](const ::testing::TestParamInfo<JsonCase>& info) { return std::string(info.param.Label); });
// clang-format on

TEST(OverfitText, ShowsTheFiguresAndTheNoteOnN)
{
    std::vector<std::string> args = {"overfit", EurUsd(), "--plateau", "--blocks", "6"};
    args.insert(args.end(), kGrid.begin(), kGrid.end());
    const CliRun run = RunCommand(args);
    ASSERT_EQ(run.status, 0) << run.err;
    args.push_back("--json");
    const json doc = json::parse(RunCommand(args).out);
    const std::string pbo = SignificantText(doc["best"]["pbo"].get<double>(), 3);
    EXPECT_NE(run.out.find("PBO (доля разбиений с λ ≤ 0): " + pbo + "\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Выбор по плато ±5/5/5:"), std::string::npos);
    EXPECT_NE(run.out.find("DSR: " + SignificantText(doc["deflated_sharpe"]["dsr"].get<double>(), 3)),
              std::string::npos);
    EXPECT_NE(run.out.find(kTrialsNote), std::string::npos);
}

TEST(OverfitCommand, CtrlCStops)
{
    test::TempDir dir;
    const std::string errFile = dir.file("stderr.txt");
    // Sixteen blocks over the full grid: far longer than the test waits.
    const pid_t pid = SpawnCli({"overfit", EurUsd(), "--blocks", "16"}, errFile);
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (test::ReadFile(errFile).find("разбиений") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal instead of stopping";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_NE(test::ReadFile(errFile).find("Прервано"), std::string::npos);
}

} // namespace
} // namespace quillet::cli
