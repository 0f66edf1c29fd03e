// The cost model's two sides of the market, against the bid and ask prices
// written out plainly: a buy fills at the ask and leaves at the bid, a sell
// fills at the bid and leaves at the ask, on random prices, distances and
// spreads of both point sizes.

#include "rule/CostModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace quillet {
namespace {

long long Rint(long double v)
{
    return std::llrint(v); // the default rounding: to nearest, ties to even
}

TEST(CostModel, BuysAtTheAskSellsAtTheBid)
{
    std::mt19937_64 rng(29);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int n = 0; n < test::Scaled(20000); ++n) {
        const long double m = pick(0, 1) ? 100 : 10000;
        TradeCosts costs;
        costs.SpreadTenths = pick(0, 1) ? 0 : pick(1, kSpreadMaxTenths);
        const CostModel model(costs, m);
        const long double sigma = costs.SpreadTenths / (10 * m); // the spread as a price
        const double open = pick(5000, 20000) / m * (1 + pick(0, 999) / 1e4L);
        const int at = pick(1, 60000);
        const Points points = pick(0, 150);
        Candle c{};
        c.Low = static_cast<double>(open - pick(0, 300) / m);
        c.High = static_cast<double>(open + pick(0, 300) / m);
        c.Close = static_cast<double>(c.Low + (c.High - c.Low) * pick(0, 10) / 10.0L);
        SCOPED_TRACE(testing::Message() << "m " << static_cast<int>(m) << " spread " << costs.SpreadTenths
                                        << " open " << open << " points " << points);
        ASSERT_EQ(model.SpreadAt(at), costs.SpreadTenths);

        // A buy: the ask fill, levels from it, the bid close and bid low.
        const double ask = static_cast<double>(open + sigma);
        ASSERT_EQ(model.Fill(TradeDirection::Buy, open, at), ask);
        ASSERT_EQ(model.Level(LevelSide::TakeProfit, TradeDirection::Buy, ask, points, at),
                  static_cast<double>(ask + points / m));
        ASSERT_EQ(model.Level(LevelSide::StopLoss, TradeDirection::Buy, ask, points, at),
                  static_cast<double>(ask - points / m));
        ASSERT_EQ(model.Excursion(TradeDirection::Buy, ask, c, at),
                  Rint((ask - static_cast<long double>(c.Low)) * m));
        ASSERT_EQ(model.ExitPrice(TradeDirection::Buy, c.Close, at), c.Close);
        const long double buyGain = (c.Close - static_cast<long double>(ask)) * m;
        const MarketClose buyClose = model.CloseAt(TradeDirection::Buy, ask, c.Close, at);
        ASSERT_EQ(buyClose.Result, buyGain > 0   ? TradeResult::Gained
                                   : buyGain < 0 ? TradeResult::Lost
                                                 : TradeResult::Even);
        ASSERT_EQ(buyClose.Distance, Rint(std::fabs(buyGain)));

        // A sell: the bid fill; it leaves at the ask, so its bid levels lie the
        // spread lower and its high and close are met at the ask.
        ASSERT_EQ(model.Fill(TradeDirection::Sell, open, at), open);
        ASSERT_EQ(model.Level(LevelSide::TakeProfit, TradeDirection::Sell, open, points, at),
                  static_cast<double>(open - (10.0L * points + costs.SpreadTenths) / (10 * m)));
        ASSERT_EQ(model.Level(LevelSide::StopLoss, TradeDirection::Sell, open, points, at),
                  static_cast<double>(open + (10.0L * points - costs.SpreadTenths) / (10 * m)));
        ASSERT_EQ(model.Excursion(TradeDirection::Sell, open, c, at),
                  Rint((c.High - static_cast<long double>(open)) * m + costs.SpreadTenths / 10.0L));
        ASSERT_EQ(model.ExitPrice(TradeDirection::Sell, c.Close, at), static_cast<double>(c.Close + sigma));
        const long double sellGain =
            (open - static_cast<long double>(c.Close)) * m - costs.SpreadTenths / 10.0L;
        const MarketClose sellClose = model.CloseAt(TradeDirection::Sell, open, c.Close, at);
        ASSERT_EQ(sellClose.Result, sellGain > 0   ? TradeResult::Gained
                                    : sellGain < 0 ? TradeResult::Lost
                                                   : TradeResult::Even);
        ASSERT_EQ(sellClose.Distance, Rint(std::fabs(sellGain)));

        // The sweep's reach of a level is the walk's test, candle by candle.
        const Candle walk[3] = {c, c, c};
        const TradeLevels levels = model.Open(TradeDirection::Sell, open, at, points, points);
        const int reached =
            model.FirstReach(walk, at, 2, LevelSide::TakeProfit, TradeDirection::Sell, open, points);
        ASSERT_EQ(reached == 0, model.Classify(c, at, TradeDirection::Sell, levels, points, points) ==
                                    BarOutcome::TakeProfit)
            << reached;
        ASSERT_TRUE(reached == 0 || reached == kNeverReached);
    }
}

// A recorded spread must cover the instrument's hours, neither fewer nor more.
TEST(CostModel, RecordedSpreadCoversTheHours)
{
    const RecordedSpread three(std::vector<std::uint16_t>{4, 0, 9});
    EXPECT_EQ(RecordedSpreadError({.SpreadRecorded = true}, &three, 5),
              "The recorded spread holds 3 hours, the instrument 5");
    EXPECT_EQ(RecordedSpreadError({.SpreadRecorded = true}, &three, 3), "");
}

// A trade's costs and net, exact in tenths and held within 32 bits.
TEST(CostModel, CommissionSwapAndNet)
{
    TradeCosts costs;
    costs.CommissionTenths = 7;
    costs.SwapLongTenths = -3;
    costs.SwapShortTenths = 1;
    const CostModel model(costs, 10000);
    EXPECT_EQ(model.Cost(TradeDirection::Buy, 4), 7 + 12);
    EXPECT_EQ(model.Cost(TradeDirection::Sell, 4), 7 - 4);
    EXPECT_EQ(CostModel::Net(50, 19), 481);
    EXPECT_EQ(CostModel::Net(-100, -3), -997);
    // Years of nights from corrupt dates stop at the bounds instead of wrapping.
    EXPECT_EQ(model.Cost(TradeDirection::Buy, std::numeric_limits<int>::max()),
              std::numeric_limits<Tenths>::max());
    EXPECT_EQ(CostModel::Net(std::numeric_limits<Points>::min(), 1), std::numeric_limits<Tenths>::min());
}

// A stop-loss must be larger than the spread: 10 sl <= s is refused.
TEST(CostModel, StopLossWithinTheSpreadIsRefused)
{
    struct Row {
        int Spread, StopLoss;
        bool Clears;
    };
    for (const Row r : {Row{0, 0, true}, Row{12, 1, false}, Row{12, 2, true}, Row{20, 2, false},
                        Row{20, 3, true}, Row{500, 50, false}, Row{500, 51, true}}) {
        TradeCosts costs;
        costs.SpreadTenths = r.Spread;
        EXPECT_EQ(CostModel(costs, 10000).StopLossClearsSpread(r.StopLoss), r.Clears)
            << r.Spread << " " << r.StopLoss;
        EXPECT_EQ(CostsError(costs, r.StopLoss).empty(), r.Clears) << r.Spread << " " << r.StopLoss;
    }
}

} // namespace
} // namespace quillet
