#pragma once
// A Monte Carlo of a trade list: the trades drawn again with replacement, run
// after run, to see how the final net and the deepest drawdown spread when
// the same trades come in another order and mix. The draws come from
// splitmix64, so the same seed gives the same figures on every machine.

#include "engine/ClosedTrade.h"

#include <cstdint>
#include <vector>

namespace quillet {

/// splitmix64: a 64-bit state stepped by a fixed odd constant and mixed.
class SplitMix64 {
  public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next()
    {
        state_ += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

  private:
    std::uint64_t state_;
};

inline constexpr int kMonteCarloRunsDefault = 10000;
inline constexpr int kMonteCarloRunsMax = 1000000;
inline constexpr std::uint64_t kMonteCarloSeedDefault = 1;

/// The 5th, 50th and 95th percentiles of one figure over the runs, in
/// tenths of a point.
struct Percentiles {
    std::int64_t P5 = 0;
    std::int64_t P50 = 0;
    std::int64_t P95 = 0;
};

/// What the runs gave.
struct MonteCarloOutcome {
    int Runs = 0;
    int TradesPerRun = 0; // the trades of the list, drawn in every run
    std::uint64_t Seed = kMonteCarloSeedDefault;
    Percentiles FinalNet;      // the run's net after its last trade
    Percentiles MaxDrawdown;   // the deepest fall of its cumulative net from its running maximum (from 0)
    long double LossShare = 0; // the share of runs whose final net is <= 0
    /// Every run's maximum drawdown, ascending (for a histogram).
    std::vector<std::int64_t> Drawdowns;
};

/// The value at sorted index ceil(p * N / 100) - 1 of an ascending list
/// (nearest rank); 0 for an empty one.
std::int64_t NearestRank(const std::vector<std::int64_t>& sorted, int percent);

/// `runs` runs over the trades' net points (ClosedTrade::NetTenths), each
/// drawing as many trades as the list holds with index = next() mod trades,
/// run by run and trade by trade. Nothing is drawn from an empty list: the
/// outcome then has no runs.
MonteCarloOutcome RunMonteCarlo(const std::vector<ClosedTrade>& trades, int runs,
                                std::uint64_t seed = kMonteCarloSeedDefault);

/// How many of the ascending `sorted` values fall in each of `bins` equal
/// bins from the lowest to the highest; bin b holds the values from
/// low + span * b / bins (span = highest - lowest + 1).
std::vector<int> HistogramCounts(const std::vector<std::int64_t>& sorted, int bins);

/// The bins of the drawdown histogram the window and the reports draw.
inline constexpr int kHistogramBins = 12;

} // namespace quillet
