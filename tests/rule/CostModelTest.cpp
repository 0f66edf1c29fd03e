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

// A recorded spread: each hour's spread from the record; a buy's levels stay
// as formed at its entry, a sell's move with each hour's spread; the sweep's
// reaches of every level are the walk's, level by level.
TEST(CostModel, RecordedSpreadMeetsEachHourOnItsOwnAsk)
{
    std::mt19937_64 rng(34);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    constexpr int kHours = 121;
    TradeCosts costs;
    costs.SpreadRecorded = true;
    for (int n = 0; n < test::Scaled(300); ++n) {
        const long double m = pick(0, 1) ? 100 : 10000;
        std::vector<std::uint16_t> tenths(kHours);
        for (std::uint16_t& t : tenths)
            t = static_cast<std::uint16_t>(pick(0, 3) == 0 ? pick(0, 600) : pick(0, 4));
        const RecordedSpread spread(tenths);
        const CostModel model(costs, m, &spread);
        Candle walk[kHours] = {};
        const double open = pick(5000, 20000) / m;
        for (Candle& c : walk) {
            c.Low = static_cast<double>(open - pick(0, 90) / m);
            c.High = static_cast<double>(open + pick(0, 90) / m);
        }
        const int entry = 1, last = pick(0, kHours - 2);
        const Points tp = pick(0, 100), sl = pick(0, 150);
        const int at = pick(entry, entry + last);
        ASSERT_EQ(model.SpreadAt(at), tenths[static_cast<std::size_t>(at) - 1]);
        ASSERT_EQ(model.StopLossClearsSpreadAt(sl, at),
                  model.SpreadAt(at) == 0 || 10 * sl > model.SpreadAt(at));
        ASSERT_TRUE(model.StopLossClearsSpread(0));
        for (const TradeDirection d : {TradeDirection::Buy, TradeDirection::Sell}) {
            const TradeLevels opened = model.Open(d, open, entry, tp, sl);
            const TradeLevels want =
                d == TradeDirection::Buy ? opened : FormLevels(d, open, tp, sl, m, model.SpreadAt(at));
            const TradeLevels got = model.LevelsAt(d, opened, tp, sl, at);
            ASSERT_EQ(got.EntryPrice, want.EntryPrice);
            ASSERT_EQ(got.TakeProfitLevel, want.TakeProfitLevel);
            ASSERT_EQ(got.StopLossLevel, want.StopLossLevel);
            ASSERT_EQ(model.Classify(walk[at - entry], at, d, opened, tp, sl),
                      ClassifyCandle(walk[at - entry], want));
            for (const LevelSide side : {LevelSide::TakeProfit, LevelSide::StopLoss}) {
                int reached[8];
                const Points first = side == LevelSide::TakeProfit ? tp : sl;
                model.FirstReaches(walk, entry, last, side, d, opened.EntryPrice, first, 8, reached);
                for (int k = 0; k < 8; ++k)
                    ASSERT_EQ(reached[k],
                              model.FirstReach(walk, entry, last, side, d, opened.EntryPrice, first + k))
                        << static_cast<int>(d) << " " << static_cast<int>(side) << " " << first + k;
            }
        }
    }
    EXPECT_EQ(RecordedSpreadError(costs, nullptr, 5), "The instrument has no recorded spread");
    const RecordedSpread three(std::vector<std::uint16_t>(3, 1));
    EXPECT_EQ(RecordedSpreadError(costs, &three, 5), "The recorded spread holds 3 hours, the instrument 5");
    EXPECT_EQ(RecordedSpreadError(costs, &three, 3), "");
    EXPECT_EQ(RecordedSpreadError({}, nullptr, 5), "");
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
