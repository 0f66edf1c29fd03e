// quillet-cli backtest --report: the file beside the plain output, and a
// file that cannot be written fails the command with its reason.

#include "cli/CliTestSupport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

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

} // namespace
} // namespace quillet::cli
