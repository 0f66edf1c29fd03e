// The picture of a trade against the demo instruments it was run over: the
// hours of the entry's week candle for candle, the entry, exit and levels of
// the trade, and the weekly candles around its signal week.

#include "report/TradePicture.h"

#include "demo/DemoData.h"
#include "engine/SinglePair.h"
#include "model/Numbers.h"
#include "rule/TradeRules.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace quillet {
namespace {

struct PictureCase {
    std::string Pair;
    int Slot;
    double Where; // which trade of the run: its place from 0 (first) to 1 (last)
};

void PrintTo(const PictureCase& c, std::ostream* os)
{
    *os << c.Pair << " at " << c.Where;
}

class TradePictureOnDemo : public ::testing::TestWithParam<PictureCase> {};

void ExpectCandle(const PictureCandle& p, const Candle& c, int index)
{
    EXPECT_EQ(p.Index, index);
    EXPECT_EQ(p.Date, c.Date);
    EXPECT_EQ(p.Open, c.Open);
    EXPECT_EQ(p.High, c.High);
    EXPECT_EQ(p.Low, c.Low);
    EXPECT_EQ(p.Close, c.Close);
}

TEST_P(TradePictureOnDemo, DrawsTheTradesOwnCandles)
{
    const InstrumentTable& table = test::DemoTable();
    const Instrument& inst = table[GetParam().Slot];
    BacktestParams params;
    params.Slot = GetParam().Slot;
    params.PairName = GetParam().Pair;
    BacktestResult result;
    const std::vector<ClosedTrade> trades = RunSinglePairTrades(params, table[params.Slot], result);
    ASSERT_GT(trades.size(), 2u);
    const ClosedTrade& t =
        trades[static_cast<std::size_t>(std::lround(GetParam().Where * (trades.size() - 1)))];
    const TradePicture p = MakeTradePicture(t, inst);

    // The hours: every candle from the entry on that lies on the seven days
    // the entry is looked for on, found by date over the whole series.
    std::vector<int> expected;
    for (int i = t.EntryIndex; CandleExists(inst.Hour[i]); ++i) {
        const double day = std::trunc(inst.Hour[i].Date) - std::trunc(t.WeekDate);
        if ((day >= 8 && day < 15) || i <= t.ExitIndex)
            expected.push_back(i);
    }
    ASSERT_EQ(p.Hours.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k)
        ExpectCandle(p.Hours[k], inst.Hour[expected[k]], expected[k]);
    EXPECT_EQ(p.Hours[static_cast<std::size_t>(p.EntryAt)].Index, t.EntryIndex);
    EXPECT_EQ(p.Hours[static_cast<std::size_t>(p.ExitAt)].Index, t.ExitIndex);
    EXPECT_EQ(p.ExitAt - p.EntryAt, t.HoursHeld);
    EXPECT_EQ(p.EntryPrice, t.EntryPrice);
    EXPECT_EQ(p.ExitPrice, t.ExitPrice);
    EXPECT_EQ(p.TakeProfitLevel, t.TakeProfitLevel);
    EXPECT_EQ(p.StopLossLevel, t.StopLossLevel);
    EXPECT_EQ(p.Direction, t.Direction);
    EXPECT_EQ(p.Exit, t.Exit);

    // The weeks: eight before the signal and two after, as far as they go.
    std::vector<int> weeks;
    for (int w = t.Week - 8; w <= t.Week + 2; ++w)
        if (w >= 0 && w <= kLastCandleIndex && CandleExists(inst.Week[w]))
            weeks.push_back(w);
    ASSERT_EQ(p.Weeks.size(), weeks.size());
    for (std::size_t k = 0; k < weeks.size(); ++k)
        ExpectCandle(p.Weeks[k], inst.Week[weeks[k]], weeks[k]);
    EXPECT_EQ(p.Weeks[static_cast<std::size_t>(p.SignalAt)].Index, t.Week);
    const Candle& signal = inst.Week[t.Week];
    const long double body =
        std::fabs(PointDifference(signal.Open, signal.Close, PointMultiplier(GetParam().Pair)));
    EXPECT_EQ(p.SignalBodyPoints, RoundHalfEven(body));
}

INSTANTIATE_TEST_SUITE_P(Demo, TradePictureOnDemo,
                         ::testing::Values(PictureCase{"AUDJPY", 1, 0}, PictureCase{"AUDJPY", 1, 1},
                                           PictureCase{"EURUSD", 6, 0.5}, PictureCase{"EURJPY", 3, 0.3},
                                           PictureCase{"EURCAD", 7, 1}));

} // namespace
} // namespace quillet
