#pragma once
// The inner loops of the overfitting splits: one chunk of units through one
// split, in sample for the best of them or out of sample for the ranks
// against the choices. Comparisons are exact: net sums as integers, Sharpe
// ratios (for the same weeks) from the exact sums with 128-bit products.

#include "analysis/OverfitSums.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillet {

/// A unit's sums over some weeks, in tenths of a point.
struct PerformanceSums {
    std::int64_t Sum = 0;
    std::int64_t Squares = 0;
    int Weeks = 0;
};

/// The best unit of a chunk or of all in one split; Unit -1 for none.
struct Candidate {
    std::int64_t Unit = -1;
    PerformanceSums Sums;
};

/// Combinations below and equal to a choice out of sample.
struct RankCounts {
    std::int64_t Below = 0;
    std::int64_t Equal = 0;
};

/// -1, 0 or 1 as a's net is below, equal to or above b's.
inline int CompareNet(const PerformanceSums& a, const PerformanceSums& b)
{
    return (a.Sum > b.Sum) - (a.Sum < b.Sum);
}

/// The same for their Sharpe ratios over the same number of weeks, exactly;
/// a ratio without value is below every other and equal to another such.
int CompareSharpe(const PerformanceSums& a, const PerformanceSums& b);

/// A chunk of consecutive units of one group.
struct ChunkScan {
    const OverfitSums& Sums;
    std::size_t First;
    std::size_t Count;

    /// The units' sums over `mask` into `running`: formed afresh when
    /// `in` is -1, otherwise moved from the split before by adding block
    /// `in` and taking off block `out`. Returns the first unit of the
    /// highest net (with `weeks` weeks) or Sharpe ratio.
    Candidate BestNet(std::uint32_t mask, int in, int out, int weeks,
                      std::vector<std::int32_t>& running) const;
    Candidate BestSharpe(std::uint32_t mask, int in, int out, int weeks, std::vector<std::int32_t>& running,
                         std::vector<std::int64_t>& squares) const;

    /// As above over the out-of-sample `mask`, counting the units below and
    /// equal to each choice given (a null one counts nothing).
    std::array<RankCounts, 2> CountNet(std::uint32_t mask, int in, int out,
                                       const std::array<const PerformanceSums*, 2>& against,
                                       std::vector<std::int32_t>& running) const;
    std::array<RankCounts, 2> CountSharpe(std::uint32_t mask, int in, int out, int weeks,
                                          const std::array<const PerformanceSums*, 2>& against,
                                          std::vector<std::int32_t>& running,
                                          std::vector<std::int64_t>& squares) const;

  private:
    void Start(std::uint32_t mask, std::vector<std::int32_t>& running,
               std::vector<std::int64_t>* squares) const;
};

} // namespace quillet
