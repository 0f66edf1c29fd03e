#pragma once
// What a trade pays besides the move of the price, as every run applies it:
// the one place where the spread, the commission and the swap meet the
// rule's steps. Quotes are bid prices: a buy fills at the ask and leaves at
// the bid; a sell fills at the bid and leaves at the ask, so its bid levels,
// its excursion and its close at the market all carry the spread.
//
// The spread is taken for the hourly candle at hand (SpreadAt): the
// instrument's one spread, or the spread its quotes recorded for that hour.
// With a recorded spread a sell meets each candle on that hour's ask side:
// its bid levels are formed with that hour's spread, as they are with one
// spread for every hour, so that a spread the same every hour gives exactly
// the results of that one spread.

#include "model/Instrument.h"
#include "model/RecordedSpread.h"
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
    /// The costs of one instrument whose points are 1/multiplier of a price
    /// unit; with costs.SpreadRecorded, the hours' spreads are `recorded`'s
    /// (which must cover every hourly candle a run reads: RecordedSpreadError).
    CostModel(const TradeCosts& costs, long double multiplier, const RecordedSpread* recorded = nullptr)
        : costs_(costs), m_(multiplier),
          recorded_(costs.SpreadRecorded && recorded && !recorded->Empty() ? recorded->ByHour() : nullptr)
    {
    }

    const TradeCosts& Costs() const { return costs_; }
    long double Multiplier() const { return m_; }

    /// The spread at the hourly candle `hourIndex`, in tenths of a point:
    /// the instrument's one spread, or the one recorded for that hour.
    Tenths SpreadAt(int hourIndex) const { return recorded_ ? recorded_[hourIndex] : costs_.SpreadTenths; }

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

    /// The bid levels the candle at `hourIndex` is compared with, for a
    /// position opened at `opened` with levels `takeProfit` and `stopLoss`
    /// points away: those formed at the entry, except for a sell at a
    /// recorded spread, whose levels follow each hour's spread.
    TradeLevels LevelsAt(TradeDirection direction, const TradeLevels& opened, Points takeProfit,
                         Points stopLoss, int hourIndex) const
    {
        if (!LevelsMove(direction))
            return opened;
        return FormLevels(direction, opened.EntryPrice, takeProfit, stopLoss, m_, SpreadAt(hourIndex));
    }

    /// Which level the candle at `hourIndex` reached.
    BarOutcome Classify(const Candle& candle, int hourIndex, TradeDirection direction,
                        const TradeLevels& opened, Points takeProfit, Points stopLoss) const
    {
        return ClassifyCandle(candle, LevelsAt(direction, opened, takeProfit, stopLoss, hourIndex));
    }

    /// The first of the candles h[0..lastOffset] (h[0] the hourly candle
    /// `entryIndex`) whose range holds the level `points` from the fill, or
    /// kNeverReached.
    int FirstReach(const Candle* h, int entryIndex, int lastOffset, LevelSide side, TradeDirection direction,
                   double fill, Points points) const
    {
        if (LevelsMove(direction)) {
            for (int k = 0; k <= lastOffset; ++k)
                if (BarReaches(h[k].High, h[k].Low, Level(side, direction, fill, points, entryIndex + k)))
                    return k;
            return kNeverReached;
        }
        const double level = Level(side, direction, fill, points, entryIndex);
        for (int k = 0; k <= lastOffset; ++k)
            if (BarReaches(h[k].High, h[k].Low, level))
                return k;
        return kNeverReached;
    }

    /// FirstReach for each of the `count` levels firstPoints,
    /// firstPoints + 1, ... into offsets[0..count): what the sweep's table
    /// keeps of a walk, with each level formed once per spread the walk meets.
    void FirstReaches(const Candle* h, int entryIndex, int lastOffset, LevelSide side,
                      TradeDirection direction, double fill, Points firstPoints, int count,
                      int* offsets) const;

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

    /// Whether a stop-loss leaves a position any room beside a spread of
    /// `spread` tenths: it must be larger, or a sell would stop out where it
    /// opens.
    static bool StopLossClears(Points stopLoss, Tenths spread)
    {
        return spread == 0 || 10LL * stopLoss > spread;
    }

    /// Whether a stop-loss clears the one spread; a recorded spread is asked
    /// trade by trade, at each entry hour (StopLossClearsSpreadAt).
    bool StopLossClearsSpread(Points stopLoss) const
    {
        return costs_.SpreadRecorded || StopLossClears(stopLoss, costs_.SpreadTenths);
    }

    /// Whether a stop-loss clears the spread of the entry hour `entryIndex`.
    bool StopLossClearsSpreadAt(Points stopLoss, int entryIndex) const
    {
        return StopLossClears(stopLoss, SpreadAt(entryIndex));
    }

  private:
    // A sell at a recorded spread leaves at each hour's own ask.
    bool LevelsMove(TradeDirection direction) const { return recorded_ && direction == TradeDirection::Sell; }

    TradeCosts costs_;
    long double m_;
    const std::uint16_t* recorded_; // by hourly index, or null for the one spread
};

/// Why the costs cannot be traded with this stop-loss: out of their ranges,
/// or a stop-loss not larger than the spread; empty when they can.
std::string CostsError(const TradeCosts& costs, Points stopLoss);

/// Why costs asking for the recorded spread cannot trade an instrument whose
/// hourly candles run from 1 to `hours`: it has none, or one of another
/// length; empty when they can, or when the costs ask for none.
std::string RecordedSpreadError(const TradeCosts& costs, const RecordedSpread* recorded, int hours);

} // namespace quillet
