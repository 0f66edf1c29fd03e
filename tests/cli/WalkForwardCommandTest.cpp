// quillet-cli walkforward --json over the demo EURUSD against the core's
// analysis of the same pair, and its Monte Carlo against the core's.

#include "cli/CliTestSupport.h"

#include "analysis/MonteCarlo.h"
#include "analysis/WalkForward.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

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

} // namespace
} // namespace quillet::cli
