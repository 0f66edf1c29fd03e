#pragma once
// The plateau choice: a combination judged by its neighbourhood rather than
// alone. A cell's plateau score is the mean of the metric over the eligible
// cells of the box of +-r steps around it on every axis of the grid; a lone
// peak among poor neighbours scores low, a broad good region high.

#include "engine/Sweep.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillet {

/// The half-widths of the box, in grid steps, per axis.
struct PlateauRadii {
    int Signal = 5;
    int StopLoss = 5;
    int TakeProfit = 5;
    int Hold = 5; // counts only when the holding limit is an axis
};
/// The radius of each axis the front ends offer, and its default.
inline constexpr ControlRange kPlateauRadiusControl{0, 50, 5};
inline constexpr int kPlateauRadiusMax = kPlateauRadiusControl.Max;
/// The largest grid the scores are formed for: they need about 28 bytes a
/// cell (with the per-hold cells of the sweep).
inline constexpr std::int64_t kPlateauCellLimit = std::int64_t{32} << 20;

/// A grid of metric values with signal the fastest axis, then take-profit,
/// stop-loss and holding limit (1 long without a hold axis): the layout of
/// SweepOutcome::Cells, one such block per holding limit. A cell is eligible
/// when it has a value (not NaN) and its signal value is.
struct PlateauGrid {
    std::array<int, 4> Counts{}; // signal, take-profit, stop-loss, hold
    const double* Values = nullptr;
    /// The values are points with one decimal (net, drawdown): they are
    /// summed as whole tenths, so that a score is the exact mean of tenths.
    bool InTenths = false;
    std::vector<std::uint8_t> SignalEligible; // per signal value

    std::size_t Size() const
    {
        return static_cast<std::size_t>(Counts[0]) * Counts[1] * Counts[2] * Counts[3];
    }
    bool Eligible(std::size_t cell) const
    {
        return !std::isnan(Values[cell]) && SignalEligible[cell % static_cast<std::size_t>(Counts[0])] != 0;
    }
};

/// Forms plateau scores, keeping its work space from one grid to the next
/// (a walk-forward analysis scores a grid per window).
class PlateauScorer {
  public:
    /// The score of every cell of the grid, in its layout: the mean of the
    /// values of the eligible cells in the cell's box (clipped at the grid's
    /// edges); NaN for a cell that is not eligible itself or whose box is
    /// less than half eligible. Sums are formed axis by axis by sliding
    /// windows, so the cost does not grow with the radii. `threads` as
    /// SweepParams::Threads. Valid until the next call.
    const std::vector<double>& Scores(const PlateauGrid& grid, const std::array<int, 4>& radii,
                                      int threads = 0);

  private:
    std::vector<double> sums_;
    std::vector<std::int32_t> counts_;
};

/// The grid of a sweep's outcome (which it points into): eligible where the
/// metric has a value and the signal value has at least the entry minimum.
/// It needs every cell of the sweep (SweepParams::KeepHoldCells).
PlateauGrid PlateauGridOf(const SweepOutcome& out);

/// The radii in the order of PlateauGrid::Counts.
std::array<int, 4> RadiiOf(const PlateauRadii& radii);

/// The plateau's best cell, by the sweep's ranking and ties.
struct PlateauChoice {
    int Signal = 0;
    int StopLoss = 0;
    int TakeProfit = 0;
    std::optional<int> Hold; // holding-limit position, with a hold axis only
    double Score = 0;        // its plateau score
    double Metric = 0;       // its own metric
};

/// The best plateau of a sweep's outcome; nothing when no cell may be chosen.
std::optional<PlateauChoice> BestPlateau(const SweepOutcome& out, const PlateauRadii& radii, int threads = 0,
                                         PlateauScorer* scorer = nullptr);

/// The scores in the layout of SweepOutcome::Cells for the heatmap: with a
/// hold axis, each cell's best score over the holding limits.
std::vector<float> PlateauCells(const SweepOutcome& out, const PlateauRadii& radii, int threads = 0);

} // namespace quillet
