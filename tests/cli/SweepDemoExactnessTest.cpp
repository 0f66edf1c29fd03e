// The sweep over the seven demo pairs against the plain single-pair run:
// random combinations of the page's full ranges, every total compared.

#include "demo/DemoData.h"
#include "engine/SinglePair.h"
#include "engine/Sweep.h"
#include "report/SinglePairRun.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>

namespace quillet {
namespace {

class SweepOverDemoPairs : public ::testing::TestWithParam<int> {
  protected:
    const InstrumentTable* table_ = &test::DemoTable();
};

bool SameResult(const BacktestResult& a, const BacktestResult& b)
{
    return a.Entries == b.Entries && a.TakeProfits == b.TakeProfits && a.StopLosses == b.StopLosses &&
           a.TimeoutWins == b.TimeoutWins && a.TimeoutWinPoints == b.TimeoutWinPoints &&
           a.TimeoutLosses == b.TimeoutLosses && a.TimeoutLossPoints == b.TimeoutLossPoints &&
           a.HoursSum == b.HoursSum && a.HoursMin == b.HoursMin && a.HoursMax == b.HoursMax &&
           a.DrawdownSum == b.DrawdownSum && a.DrawdownMax == b.DrawdownMax && a.TpSeries == b.TpSeries &&
           a.TpSeriesMax == b.TpSeriesMax && a.SlSeries == b.SlSeries && a.SlSeriesMax == b.SlSeriesMax &&
           a.LastWasTakeProfit == b.LastWasTakeProfit;
}

TEST_P(SweepOverDemoPairs, RandomCombinationsMatchThePlainRun)
{
    const int slot = GetParam() + 1;
    const std::string pair(demo::DemoPairs()[GetParam()].Name);
    const SweepGrid grid{{50, 500}, {0, 150}, {0, 100}, AxisRange{1, 120}};
    const SweepTable sweep((*table_)[slot], pair, grid, {0, 535});
    SweepTable::Column column;

    std::mt19937_64 rng(977 + slot);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int tradedCombinations = 0;
    for (int n = 0; n < test::Scaled(110); ++n) {
        BacktestParams params;
        params.Slot = slot;
        params.PairName = pair;
        params.SignalMinPoints = pick(0, 4) == 0 ? pick(50, 500) : pick(50, 200);
        params.StopLossPoints = pick(0, 150);
        params.TakeProfitPoints = pick(0, 100);
        params.HoldLimit = pick(0, 1) == 0 ? kNoHoldLimit : HoldLimitOf(pick(1, 120));
        if (pick(0, 1) == 0) {
            params.RangeRestricted = true;
            params.FirstWeek = pick(0, 535);
            params.LastWeek = pick(1, 535);
        }
        const WeekRange weeks{params.FirstWeek, params.LastWeek};
        BacktestResult want;
        RunSinglePairBacktest(params, (*table_)[params.Slot], want, {}, {}, {});
        sweep.FoldColumn(params.StopLossPoints, params.TakeProfitPoints, params.HoldLimit, weeks, column);
        const BacktestResult got = column.At(params.SignalMinPoints - grid.Signal.First);
        EXPECT_TRUE(SameResult(got, want))
            << pair << " signal " << params.SignalMinPoints << " sl " << params.StopLossPoints << " tp "
            << params.TakeProfitPoints << " hold limit " << params.HoldLimit << " weeks " << weeks.First
            << ".." << weeks.Last;
        tradedCombinations += want.Entries > 0 ? 1 : 0;
    }
    EXPECT_GT(tradedCombinations, test::Scaled(110) / 2 - 5);
}

INSTANTIATE_TEST_SUITE_P(DemoPairs, SweepOverDemoPairs, ::testing::Range(0, demo::kDemoPairCount),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(demo::DemoPairs()[info.param].Name);
                         });

} // namespace
} // namespace quillet
