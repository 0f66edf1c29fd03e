#pragma once
// What a trade pays besides the move of the price, as every run applies it:
// the one place where the spread, the commission and the swap meet the
// rule's steps. Quotes are bid prices: a buy fills at the ask and leaves at
// the bid; a sell fills at the bid and leaves at the ask, so its bid levels,
// its excursion and its close at the market all carry the spread.
//
// The spread is taken for the hourly candle at hand (SpreadAt), so that a
// spread that differs from hour to hour changes this model and not the
// engines that call it.

#include "model/Instrument.h"
#include "model/TradeCosts.h"
#include "model/Units.h"
#include "rule/Arithmetic32.h"
#include "rule/Exit.h"
#include "rule/RuleSteps.h"

#include <cstdint>
#include <string>

namespace quillet {

/// Which of a position's two levels.
enum class LevelSide { TakeProfit, StopLoss };

class CostModel {
  public:
    /// The costs of one instrument whose points are 1/multiplier of a price unit.
    CostModel(const TradeCosts& costs, long double multiplier) : costs_(costs), m_(multiplier) {}

    const TradeCosts& Costs() const { return costs_; }
    long double Multiplier() const { return m_; }

    /// The spread at the hourly candle `hourIndex`, in tenths of a point:
    /// the instrument's one spread.
    Tenths SpreadAt(int /*hourIndex*/) const { return costs_.SpreadTenths; }

    /// The price a position opened at the hourly candle `entryIndex` fills
    /// at, from its bid open: a buy's is the ask.
    double Fill(TradeDirection direction, double open, int entryIndex) const
    {
        return FillPrice(direction, open, SpreadAt(entryIndex), m_);
    }

    /// The fill and the bid levels of a position opened at the hourly candle
    /// `entryIndex`, whose bid open is `open`.
    TradeLevels Open(TradeDirection direction, double open, int entryIndex, Points takeProfit,
                     Points stopLoss) const
    {
        return FormLevels(direction, open, takeProfit, stopLoss, m_, SpreadAt(entryIndex));
    }

    /// One bid level `points` from the fill, as the candle at `hourIndex` is
    /// compared with it.
    double Level(LevelSide side, TradeDirection direction, double fill, Points points, int hourIndex) const
    {
        return side == LevelSide::TakeProfit
                   ? TakeProfitLevel(direction, fill, points, m_, SpreadAt(hourIndex))
                   : StopLossLevel(direction, fill, points, m_, SpreadAt(hourIndex));
    }

    /// Which level the candle at `hourIndex` reached. With one spread for
    /// every hour, the levels formed at the entry hold for every candle.
    BarOutcome Classify(const Candle& candle, int /*hourIndex*/, const TradeLevels& opened) const
    {
        return ClassifyCandle(candle, opened);
    }

    /// The first of the candles h[0..lastOffset] (h[0] the hourly candle
    /// `entryIndex`) whose range holds the level `points` from the fill, or
    /// kNeverReached.
    int FirstReach(const Candle* h, int entryIndex, int lastOffset, LevelSide side, TradeDirection direction,
                   double fill, Points points) const
    {
        const double level = Level(side, direction, fill, points, entryIndex);
        for (int k = 0; k <= lastOffset; ++k)
            if (BarReaches(h[k].High, h[k].Low, level))
                return k;
        return kNeverReached;
    }

    /// How far the candle at `hourIndex` went against the position, points.
    Points Excursion(TradeDirection direction, double fill, const Candle& candle, int hourIndex) const
    {
        return AdverseExcursion(direction, fill, candle, m_, SpreadAt(hourIndex));
    }

    /// A close at the bid `close` of the candle at `hourIndex`.
    MarketClose CloseAt(TradeDirection direction, double fill, double close, int hourIndex) const
    {
        return CloseAtMarket(direction, fill, close, m_, SpreadAt(hourIndex));
    }

    /// The price a position leaves at, from the bid price of its exit at
    /// `hourIndex`: a sell's is the ask.
    double ExitPrice(TradeDirection direction, double bid, int hourIndex) const
    {
        const Tenths spread = SpreadAt(hourIndex);
        if (direction == TradeDirection::Sell && spread != 0)
            return SellExitPrice(bid, spread, m_);
        return bid;
    }

    /// The costs of one trade held `nights` nights, tenths of a point: the
    /// commission less the swap (positive when paid).
    Tenths Cost(TradeDirection direction, int nights) const
    {
        const int swap = direction == TradeDirection::Buy ? costs_.SwapLongTenths : costs_.SwapShortTenths;
        return ClampToInt32(costs_.CommissionTenths - static_cast<std::int64_t>(nights) * swap);
    }

    /// A trade's points less its costs, tenths of a point.
    static Tenths Net(Points points, Tenths cost)
    {
        return ClampToInt32(static_cast<std::int64_t>(points) * 10 - cost);
    }

    /// Whether a stop-loss leaves a position any room: with a spread it must
    /// be larger than the spread, or a sell would stop out where it opens.
    bool StopLossClearsSpread(Points stopLoss) const
    {
        return costs_.SpreadTenths == 0 || 10LL * stopLoss > costs_.SpreadTenths;
    }

  private:
    TradeCosts costs_;
    long double m_;
};

/// Why the costs cannot be traded with this stop-loss: out of their ranges,
/// or a stop-loss not larger than the spread; empty when they can.
std::string CostsError(const TradeCosts& costs, Points stopLoss);

} // namespace quillet
