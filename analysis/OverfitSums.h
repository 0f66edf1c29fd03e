#pragma once
// The weekly nets of every eligible combination of a sweep's grid, summed
// over each block of consecutive weeks: all that the overfitting figures
// read. A combination is eligible with at least the entry minimum of
// entries and a stop-loss above the spread.
//
// Signal values that trade the same weeks in a column of the sweep's table
// have the same weekly nets, so they are kept once, as a unit that counts
// for as many combinations as it holds signal values. A unit is a group g
// of the grouping (which depends on the weeks only, so every column has the
// same groups) in an eligible column c; unit g * columns + c. The columns
// are in the sweep's order of ties, so units run in that order too: the
// first unit of two that tie is the combination the sweep would rank first.

#include "engine/Sweep.h"
#include "engine/SweepTable.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <stop_token>
#include <vector>

namespace quillet {

/// The spread of the Sharpe ratios of the eligible combinations over all
/// the weeks: how far the best of N may stand above zero by luck alone.
struct SharpeSpread {
    /// N: the eligible combinations.
    std::int64_t Trials = 0;
    /// Of them, those whose ratio has no value (every week's net the same);
    /// the mean and variance are over the others.
    std::int64_t Undefined = 0;
    long double Mean = std::numeric_limits<long double>::quiet_NaN();
    /// V: their variance (divided by their count).
    long double Variance = std::numeric_limits<long double>::quiet_NaN();
};

/// Mean / sample standard deviation of `weeks` weekly nets whose sum and sum
/// of squares are given, formed from the exact sums in extended precision;
/// NaN below two weeks or when every net is the same.
long double SharpeOf(std::int64_t sum, std::int64_t squares, std::int64_t weeks);

/// Weeks F + floor(b T / S) to F + floor((b + 1) T / S) - 1 for blocks
/// b = 0 .. S - 1 of the T weeks of `weeks`.
std::vector<WeekRange> WeekBlocks(WeekRange weeks, int blocks);

/// The largest sum of the absolute weekly nets of one combination: the
/// sums, their squares and the products the ranking forms stay exact.
inline constexpr std::int64_t kNetSumLimitTenths = std::int64_t{1} << 26;

class OverfitSums {
  public:
    using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

    /// Sums the weekly nets of params.Weeks over `blocks` blocks for every
    /// eligible combination of params.Grid (at params.MinEntries, on
    /// params.Threads), with their squares when `withSquares`; the table
    /// must cover the weeks. Progress counts columns, on the calling thread.
    OverfitSums(const SweepTable& table, const SweepParams& params, int blocks, bool withSquares,
                std::stop_token stop = {}, const Progress& progress = {});

    /// False when stopped before every column was summed.
    bool Complete() const { return complete_; }

    const SweepGrid& Grid() const { return grid_; }
    WeekRange Weeks() const { return weeks_; }
    int WeekCount() const { return weeks_.Last - weeks_.First + 1; }
    const std::vector<WeekRange>& Blocks() const { return blocks_; }
    int BlockCount() const { return static_cast<int>(blocks_.size()); }
    /// Weeks in each block.
    int BlockWeeks(int block) const { return blocks_[block].Last - blocks_[block].First + 1; }

    int GroupCount() const { return groups_; } // the eligible groups
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    std::size_t UnitCount() const { return static_cast<std::size_t>(groups_) * columns_.size(); }
    /// N: the eligible combinations, each unit counted with its signal values.
    std::int64_t Combinations() const { return combinations_; }
    /// Signal values in group g, and the first of them (an index from the grid's first).
    int Multiplicity(int group) const { return firstLane_[group + 1] - firstLane_[group]; }
    int FirstLane(int group) const { return firstLane_[group]; }
    /// Group of each signal value of the grid (an index from the grid's first).
    const std::vector<std::int32_t>& GroupOfLane() const { return groupOfLane_; }
    /// Entries of each signal value over the weeks.
    const std::vector<std::int32_t>& EntriesBySignal() const { return entries_; }

    /// Column c as the grid's point with the first signal value.
    const GridPoint& Column(int c) const { return columns_[c]; }
    /// The combination a unit stands first for.
    GridPoint PointOf(std::size_t unit) const;
    /// The unit of a combination; -1 when it is not eligible.
    std::int64_t UnitOf(const GridPoint& point) const;

    /// The sums of every unit over block b, in tenths of a point.
    const std::int32_t* Sums(int block) const { return sums_.data() + block * UnitCount(); }
    /// Their squares' sums, with squares only.
    const std::int64_t* Squares(int block) const { return squares_.data() + block * UnitCount(); }
    bool HasSquares() const { return !squares_.empty(); }
    /// Bytes held by the sums (and squares).
    std::size_t Bytes() const
    {
        return sums_.size() * sizeof(std::int32_t) + squares_.size() * sizeof(std::int64_t);
    }

    /// The spread of the Sharpe ratios over all the weeks.
    const SharpeSpread& Spread() const { return spread_; }

  private:
    struct Work;
    void Group(const SweepTable& table, const SweepParams& params, bool withSquares);
    void SumColumn(const SweepTable& table, int c, Work& work);

    SweepGrid grid_;
    WeekRange weeks_;
    std::vector<WeekRange> blocks_;
    int groups_ = 0;
    std::vector<std::int32_t> firstLane_, groupOfLane_, entries_;
    std::vector<GridPoint> columns_;
    std::vector<std::int32_t> columnOfCell_; // per (stop-loss, take-profit, hold) cell: column or -1
    std::vector<std::int32_t> blockOfWeek_;  // per week of the range
    std::int64_t combinations_ = 0;
    std::vector<std::int32_t> sums_;
    std::vector<std::int64_t> squares_;
    SharpeSpread spread_;
    bool complete_ = false;
};

} // namespace quillet
