// quillet-cli backtest --report: the file beside the plain output, a file
// that cannot be written fails the command with its reason, "-" puts the
// report on standard output, the Monte Carlo goes into it, and a stop signal
// never leaves a file half written.

#include "cli/CliTestSupport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include <sys/wait.h>

namespace quillet::cli {
namespace {

TEST(BacktestReport, WritesTheFileAndFailsWhereItCannot)
{
    test::TempDir dir;
    const std::string base = test::DemoDir() + "/AUDJPY.base";
    const std::string report = dir.file("report.html");
    const CliRun written = RunCommand({"backtest", base, "--report", report, "--spread", "1.5"});
    ASSERT_EQ(written.status, 0) << written.err;
    const std::string html = test::ReadFile(report);
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("спред 1,5 п"), std::string::npos);
    // The plain output goes on as without a report.
    EXPECT_EQ(written.out, RunCommand({"backtest", base, "--spread", "1.5"}).out);

    // A folder that is not there: the command fails and says where.
    const std::string missing = dir.file("no/report.html");
    const CliRun failed = RunCommand({"backtest", base, "--report", missing});
    EXPECT_NE(failed.status, 0);
    EXPECT_NE(failed.err.find(missing), std::string::npos) << failed.err;
    EXPECT_EQ(failed.out, "");
}

TEST(BacktestReport, DashPrintsItAndTheMonteCarloGoesIn)
{
    test::TempDir dir;
    const std::string base = test::DemoDir() + "/EURUSD.base";
    const std::string report = dir.file("report.html");
    const std::vector<std::string> run = {"backtest", base, "--monte-carlo", "500", "--seed", "9"};
    std::vector<std::string> toFile = run, toOut = run, json = run;
    toFile.insert(toFile.end(), {"--report", report});
    toOut.insert(toOut.end(), {"--report", "-"});
    json.push_back("--json");
    ASSERT_EQ(RunCommand(toFile).status, 0);
    const CliRun printed = RunCommand(toOut);
    ASSERT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.out, test::ReadFile(report));
    EXPECT_FALSE(std::filesystem::exists("-"));
    // The report's percentiles are those of the run's JSON.
    const auto mc = nlohmann::json::parse(RunCommand(json).out)["monte_carlo"];
    const auto points = [](const nlohmann::json& v) {
        std::string text = nlohmann::json(v.get<double>()).dump();
        if (text.find('.') == std::string::npos)
            text += ".0";
        return text.replace(text.find('.'), 1, ",");
    };
    const std::string finalNet = points(mc["final_net"]["p5"]) + " / " + points(mc["final_net"]["p50"]) +
                                 " / " + points(mc["final_net"]["p95"]);
    EXPECT_NE(printed.out.find("data-key=\"mc-final-net\">" + finalNet + "<"), std::string::npos) << finalNet;
    EXPECT_NE(printed.out.find("id=\"monte-carlo-drawdowns\""), std::string::npos);
}

#ifdef QUILLET_CLI_PATH
// Stop signals at random moments of a backtest that writes a report and a
// trade list over older ones: the command ends at once when the signal comes
// before its handler, or stops between files, or finishes; every file is
// then either the old one or the whole new one, and nothing else is left.
TEST(BacktestReport, ASignalNeverLeavesAFileHalfWritten)
{
    test::TempDir dir;
    const std::string base = test::DemoDir() + "/EURUSD.base";
    const std::string report = dir.file("report.html"), trades = dir.file("trades.csv");
    ASSERT_EQ(RunCommand({"backtest", base, "--report", report, "--trades", trades}).status, 0);
    const std::string newReport = test::ReadFile(report), newTrades = test::ReadFile(trades);
    std::mt19937 rng(7);
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    for (int n = 0; n < test::Scaled(60); ++n) {
        test::WriteFile(report, "old report\n");
        test::WriteFile(trades, "old trades\n");
        const pid_t pid = SpawnCli({"backtest", base, "--report", report, "--trades", trades});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<>(0, 60000)(rng)));
        const int sig = signals[n % 3];
        ::kill(pid, sig);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        SCOPED_TRACE(n);
        if (WIFEXITED(status))
            EXPECT_TRUE(WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 128 + sig) << WEXITSTATUS(status);
        else
            EXPECT_EQ(WTERMSIG(status), sig);
        const std::string gotReport = test::ReadFile(report), gotTrades = test::ReadFile(trades);
        EXPECT_TRUE(gotReport == "old report\n" || gotReport == newReport);
        EXPECT_TRUE(gotTrades == "old trades\n" || gotTrades == newTrades);
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            EXPECT_TRUE(entry.path() == report || entry.path() == trades) << "left behind: " << entry.path();
    }
}
#endif

} // namespace
} // namespace quillet::cli
