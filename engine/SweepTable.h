#pragma once
// The sweep's table: the single-pair rule's walk of every trade week done
// once for every level of a grid, from which the result of any combination
// of signal minimum, stop-loss, take-profit and holding limit is folded,
// exactly the BacktestResult that the single run gives.
//
// The rule's structure makes this cheap. The entry candle of a signal week
// does not depend on the levels, so each week is walked once: for every
// take-profit and stop-loss distance the offset of the first candle that
// reaches it is kept, with the drawdown and the time-out figures at every
// offset. A week's outcome for one combination is then a lookup, and a
// larger signal minimum only drops weeks, so one pass over the weeks folds
// every signal value of a (stop-loss, take-profit, holding limit) column.

#include "engine/BacktestParams.h"
#include "engine/BacktestResult.h"
#include "engine/NetFolder.h"
#include "engine/ResultFields.h"
#include "model/ControlRanges.h"
#include "model/Instrument.h"
#include "model/TradeCosts.h"
#include "rule/CostModel.h"
#include "rule/Exit.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quillet {

/// An inclusive range of whole numbers: one axis of the grid.
struct AxisRange {
    int First = 0;
    int Last = 0;

    int Count() const { return Last >= First ? Last - First + 1 : 0; }
    bool Contains(int value) const { return value >= First && value <= Last; }
};

/// Week indices First to Last inclusive; empty when Last < First.
struct WeekRange {
    int First = kFirstWeekControl.Min;
    int Last = kLastWeekControl.Max;
};

/// The holding limit of the run for a position of the holding-limit bar
/// (1..120), and the limit with the bar switched off.
inline constexpr int kNoHoldLimit = kUnlimitedHoldLimit;
inline int HoldLimitOf(int holdPosition)
{
    return holdPosition - 1;
}

/// The combinations swept. The holding-limit axis is in positions of the
/// page's bar (1..120); without it every run has no holding limit.
struct SweepGrid {
    AxisRange Signal{kSignalControl.Min, kSignalControl.Max};
    AxisRange StopLoss{kStopLossControl.Min, kStopLossControl.Max};
    AxisRange TakeProfit{kTakeProfitControl.Min, kTakeProfitControl.Max};
    std::optional<AxisRange> Hold;

    int HoldCount() const { return Hold ? Hold->Count() : 1; }
    std::int64_t Combinations() const
    {
        return static_cast<std::int64_t>(Signal.Count()) * StopLoss.Count() * TakeProfit.Count() *
               HoldCount();
    }
};

/// A week's walk for every level of the grid, prepared once per instrument,
/// grid and covered range of weeks. Read-only once built, so any number of
/// threads may fold from one table.
class SweepTable {
  public:
    /// Walks every signal week of `covered` (clamped to the weekly array) in
    /// the instrument's hourly series, trading at `costs` (with `spread`, the
    /// instrument's, when they ask for the recorded spread).
    SweepTable(const Instrument& inst, std::string_view pairName, const SweepGrid& grid, WeekRange covered,
               const TradeCosts& costs = {}, const RecordedSpread* spread = nullptr);

    const TradeCosts& Costs() const { return costs_.Costs(); }
    const CostModel& Model() const { return costs_; }
    const RecordedSpread* Spread() const { return spread_; }

    const SweepGrid& Grid() const { return grid_; }

    /// The run's result for one combination of the grid over `weeks` (which
    /// must lie within the covered range), folded week by week with the
    /// run's own bookkeeping; the trades' net points go into `nets` in order.
    BacktestResult FoldOne(int signal, int stopLoss, int takeProfit, int holdLimit, WeekRange weeks,
                           NetFolder* nets = nullptr) const;

    /// The results of one column of the grid: every signal value for one
    /// stop-loss, take-profit and holding limit. Signal values that trade the
    /// same weeks share one group and one set of totals.
    struct Column {
        /// Group of each signal value (index 0 is Grid().Signal.First); the
        /// groups follow the signal values in order, so group g holds the
        /// signal values FirstLaneOfGroup[g] to FirstLaneOfGroup[g + 1] - 1.
        std::vector<std::int32_t> GroupOfLane, FirstLaneOfGroup;
        // The seventeen totals in the order of kResultFields, one entry per
        // group (the series arrays may run longer: work space).
        std::array<std::vector<std::int32_t>, kResultFieldCount> Totals;

        /// Per group, the costs of its trades in tenths of a point, and, when
        /// the fold was asked for them, its trades' net points in order.
        std::vector<std::int64_t> CostTenths;
        std::vector<NetFolder> Nets;
        /// At a recorded spread, the groups below this one trade an entry
        /// whose spread the stop-loss does not clear: no combination to
        /// trade, as a stop-loss within the one spread is none.
        int FirstClearedGroup = 0;

        int GroupCount() const { return static_cast<int>(Totals[0].size()); }
        BacktestResult Group(int group) const;
        BacktestResult At(int lane) const { return Group(GroupOfLane[static_cast<std::size_t>(lane)]); }

        // Work space of the fold, kept between calls: the grouping of the
        // last week range and the per-week buckets.
        const void* GroupedFor = nullptr;
        WeekRange GroupedWeeks{0, -1};
        std::vector<std::int32_t> WeekGroups, Buckets;
        // Per group, the widest spread of the entries it trades.
        std::vector<std::int32_t> WidestEntrySpread;
        // The exits at a level in week order, each as groups * 4 + 2 for a
        // take-profit + 1 for week 0; and those the series arrays were last
        // folded from, since the series depend on nothing else.
        std::vector<std::int32_t> LevelExits, SeriesFoldedFrom;
        bool SeriesValid = false;
        int FirstWeekGroups = 0;
        bool AnyWeek = false;
    };

    /// Folds one column over `weeks` into `out`, reusing its storage; with
    /// `withNets` the groups' net points in order too.
    void FoldColumn(int stopLoss, int takeProfit, int holdLimit, WeekRange weeks, Column& out,
                    bool withNets = false) const;

    /// A trade week of a column: its week index, how many of the column's
    /// groups take it (groups 0 to Groups - 1) and its net points after costs.
    struct WeekNet {
        std::int32_t Week;
        std::int32_t Groups;
        Tenths NetTenths;
    };
    /// Groups the signal values for `weeks` into `col` as FoldColumn does
    /// (groups, their lanes and entries) and lists the column's trade weeks
    /// in order into `nets`, without folding the totals.
    void FoldWeekNets(int stopLoss, int takeProfit, int holdLimit, WeekRange weeks, Column& col,
                      std::vector<WeekNet>& nets) const;

    /// Signal weeks of the covered range that have an entry candle.
    int TradeWeekCount() const { return static_cast<int>(weeks_.size()); }

    /// A signal week with an entry candle: its index, and how many signal
    /// values of the grid take it (those from Grid().Signal.First on).
    struct TradeWeek {
        int Index;
        int Lanes;
    };
    /// The trade weeks within `weeks` (which must lie within the covered
    /// range), in order.
    std::vector<TradeWeek> TradeWeeksWithin(WeekRange weeks) const;
    /// The net points in tenths of the trade each of those weeks opens for
    /// one stop-loss, take-profit and holding limit, in the same order: what
    /// a fold over several instruments starts from.
    void WeekNets(int stopLoss, int takeProfit, int holdLimit, WeekRange weeks,
                  std::vector<Tenths>& nets) const;

  private:
    struct Week {
        int Index;      // week index
        int Lanes;      // how many signal values of the grid take it
        int LastOffset; // the last offset the walk can reach (at most 119)
    };
    // How the walk of trade week p ends for one combination; At indexes the
    // per-offset arrays at the exit offset.
    struct WeekExit : ExitPoint {
        std::size_t At;
    };

    std::pair<std::size_t, std::size_t> TradeWeeksIn(WeekRange weeks, int& firstWalked,
                                                     int& lastWalked) const;
    // The first offsets that reach one distance, indexed by trade week.
    const std::uint8_t* TakeProfitRow(int takeProfit) const
    {
        return takeProfitAt_.data() +
               static_cast<std::size_t>(takeProfit - grid_.TakeProfit.First) * weeks_.size();
    }
    const std::uint8_t* StopLossRow(int stopLoss) const
    {
        return stopLossAt_.data() + static_cast<std::size_t>(stopLoss - grid_.StopLoss.First) * weeks_.size();
    }

    // The table build: one trade week walked for every level of the grid.
    void WalkWeek(std::size_t p, const CandleSeries& hour, int entryIndex, TradeDirection direction);
    WeekExit ExitOf(std::size_t p, const std::uint8_t* tpAt, const std::uint8_t* slAt, int holdLimit) const;
    // A trade's points, and its net points in tenths, for its exit.
    Points PointsAt(const WeekExit& exit, int stopLoss, int takeProfit) const;
    Tenths NetTenthsAt(const WeekExit& exit, int stopLoss, int takeProfit) const;

    // The steps of FoldColumn that read the table: the grouping of the signal
    // values by the weeks they trade, and the per-week buckets of totals.
    void GroupWeeks(std::size_t begin, std::size_t end, int firstWalked, int lastWalked, WeekRange weeks,
                    Column& col) const;
    void FillBuckets(std::size_t begin, std::size_t end, int stopLoss, int takeProfit, int holdLimit,
                     Column& col) const;
    void FoldNets(std::size_t begin, std::size_t end, int stopLoss, int takeProfit, int holdLimit,
                  Column& col) const;

    SweepGrid grid_;
    CostModel costs_;
    const RecordedSpread* spread_;
    WeekRange covered_;
    std::vector<Week> weeks_;
    // The spread of each trade week's entry hour, tenths of a point.
    std::vector<std::int32_t> entrySpread_;
    // First offset that reaches each level, [level][week]; kNever if none.
    std::vector<std::uint8_t> takeProfitAt_, stopLossAt_;
    // Per week and offset 0..119: drawdown of a take-profit there, and the
    // close of a time-out there (its result and distance in points).
    std::vector<std::int32_t> drawdown_;
    std::vector<MarketClose> closeAt_;
    // Per week and offset: the costs of a trade that exits there (its nights'
    // swaps and the commission), in tenths of a point.
    std::vector<std::int32_t> costAt_;
};

/// Throws when a holding limit is outside 0 to 119 (the longest walk).
void CheckHoldLimit(int holdLimit);

/// Throws when an axis of the grid is empty or a holding limit is out of range.
void CheckGrid(const SweepGrid& grid);

} // namespace quillet
