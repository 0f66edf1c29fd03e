#pragma once
// Is the sweep's best combination better than luck? The probability of
// backtest overfitting by combinatorially symmetric cross-validation (Bailey,
// Borwein, Lopez de Prado and Zhu): the weeks are cut into S blocks, and for
// every way of taking S/2 of them as in-sample weeks the combination best in
// sample is ranked among all eligible combinations on the other weeks. The
// share of the ways in which it fell to the lower half is the PBO.

#include "analysis/OverfitSums.h"
#include "analysis/Plateau.h"
#include "engine/Sweep.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace quillet {

/// How a combination's performance over some weeks is measured: its net
/// points, or the mean of its weekly nets over their sample standard
/// deviation.
enum class OverfitMeasure { Net, Sharpe };

/// The blocks the front ends offer (even counts only), and their default.
inline constexpr ControlRange kOverfitBlocksControl{4, 16, 10};

struct OverfitParams {
    /// Pair, grid, weeks (the T weeks analysed), entry minimum, costs and
    /// threads; the metric, forward weeks and top rows are not used here.
    SweepParams Sweep;
    int Blocks = kOverfitBlocksControl.Default;
    OverfitMeasure Measure = OverfitMeasure::Net;
    /// Also choose in each split by the plateau score of the measure.
    std::optional<PlateauRadii> Plateau;
};

/// Why the blocks cannot be cut, or empty.
std::string OverfitError(WeekRange weeks, int blocks);

/// Every choice of half of `blocks` blocks, a bit per block, in the
/// lexicographic order of the blocks chosen.
std::vector<std::uint32_t> OverfitSplits(int blocks);

/// A split's choice and how it fared out of sample.
struct OverfitChoice {
    GridPoint Chosen; // Hold 0 without a hold axis
    /// The measure in and out of sample: points, or the ratio per week
    /// (NaN where it has no value).
    long double InSample = 0;
    long double OutOfSample = 0;
    std::int64_t OutOfSampleNetTenths = 0;
    /// Its mid-rank r among the N out of sample: 1 + those below + half of
    /// the others equal to it.
    double Rank = 0;
    /// ln(w / (1 - w)) with w = r / (N + 1).
    long double Lambda = 0;
    /// In the lower half out of sample (lambda <= 0), decided exactly.
    bool Overfit = false;
};

struct OverfitSplit {
    std::uint32_t InSampleBlocks = 0;
    OverfitChoice Best;
    /// With the plateau choice; none where no cell could be chosen.
    std::optional<OverfitChoice> Plateau;
};

/// The figures of one way of choosing over the splits.
struct OverfitSummary {
    int Splits = 0;             // the splits with a choice
    double Pbo = 0;             // share of them with lambda <= 0
    double LossProbability = 0; // share whose choice lost out of sample
    /// The least-squares line of the out-of-sample measure against the
    /// in-sample one; none below two points or without spread in sample.
    std::optional<long double> Slope, Intercept;
};

struct OverfitOutcome {
    OverfitMeasure Measure = OverfitMeasure::Net;
    int Weeks = 0; // T
    std::vector<WeekRange> Blocks;
    std::int64_t Combinations = 0; // N
    std::int64_t Distinct = 0;     // units of different weekly nets
    std::size_t SumBytes = 0;
    std::vector<OverfitSplit> Splits; // in the order of OverfitSplits
    OverfitSummary Best;
    std::optional<OverfitSummary> Plateau;
    SharpeSpread Spread; // of the Sharpe ratios over all T weeks
    bool Stopped = false;
};

/// Called with the steps done and their total, on the calling thread.
using OverfitProgress = std::function<void(std::int64_t done, std::int64_t total)>;

/// Computes the splits over a table built for params.Sweep's grid, costs
/// and weeks. Stops early, with Stopped set and no splits, when asked.
OverfitOutcome RunOverfit(const OverfitParams& params, const SweepTable& table, std::stop_token stop = {},
                          const OverfitProgress& progress = {});

/// The summary of the best choices (plateau: false) or the plateau choices.
OverfitSummary SummaryOf(const std::vector<OverfitSplit>& splits, bool plateau);

/// One bar of a histogram: the values in (From, To].
struct HistogramBin {
    double From = 0;
    double To = 0;
    int Count = 0;
};

/// The lambdas in bars of a width of 0.25, 0.5, 1, 2, 5 or 10 (the least
/// that gives at most 20), edged on multiples of it: the bars up to 0 hold
/// the splits the PBO counts.
std::vector<HistogramBin> LambdaHistogram(const std::vector<long double>& lambdas);

} // namespace quillet
