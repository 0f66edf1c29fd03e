// Plateau scores by separable box sums, and the best plateau of a sweep.

#include "backtest/Plateau.h"

#include "store/Errors.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>

namespace quillet {
namespace {

// Replaces every value by the sum of the values within +-r along one axis
// (clipped at its ends), for two arrays at once. The grid is seen as blocks
// of n rows of `stride` contiguous values each; the prefix sums of a block
// run row by row, so every pass reads memory in order.
void BoxSumAlong(std::vector<double>& a, std::vector<double>& b, std::size_t stride, int n, int r,
                 std::vector<double>& prefixA, std::vector<double>& prefixB)
{
    if (r <= 0 || n <= 1)
        return;
    const std::size_t block = stride * static_cast<std::size_t>(n);
    prefixA.assign(block + stride, 0.0);
    prefixB.assign(block + stride, 0.0);
    for (std::size_t base = 0; base < a.size(); base += block) {
        for (int i = 0; i < n; ++i) {
            const std::size_t row = static_cast<std::size_t>(i) * stride;
            for (std::size_t j = 0; j < stride; ++j) {
                prefixA[row + stride + j] = prefixA[row + j] + a[base + row + j];
                prefixB[row + stride + j] = prefixB[row + j] + b[base + row + j];
            }
        }
        for (int i = 0; i < n; ++i) {
            const std::size_t hi = static_cast<std::size_t>(std::min(i + r, n - 1) + 1) * stride;
            const std::size_t lo = static_cast<std::size_t>(std::max(i - r, 0)) * stride;
            const std::size_t row = base + static_cast<std::size_t>(i) * stride;
            for (std::size_t j = 0; j < stride; ++j) {
                a[row + j] = prefixA[hi + j] - prefixA[lo + j];
                b[row + j] = prefixB[hi + j] - prefixB[lo + j];
            }
        }
    }
}

// The cells of the box around position i on an axis of n cells.
int BoxSpan(int i, int n, int r)
{
    return std::min(i + r, n - 1) - std::max(i - r, 0) + 1;
}

} // namespace

std::array<int, 4> RadiiOf(const PlateauRadii& radii)
{
    return {radii.Signal, radii.TakeProfit, radii.StopLoss, radii.Hold};
}

std::vector<double> PlateauScores(const PlateauGrid& grid, const std::array<int, 4>& radii)
{
    const std::size_t size = grid.Size();
    if (grid.Values.size() != size || grid.Eligible.size() != size)
        throw Error("The plateau's grid does not match its axes");
    for (const int r : radii)
        if (r < 0 || r > kPlateauRadiusMax)
            throw Error("Plateau radius " + std::to_string(r) + " not in range 0 to " +
                        std::to_string(kPlateauRadiusMax));
    if (static_cast<std::int64_t>(size) > kPlateauCellLimit)
        throw Error("The plateau choice needs a grid of at most " + std::to_string(kPlateauCellLimit) +
                    " combinations; this one has " + std::to_string(size));

    std::vector<double> sums(size), counts(size);
    for (std::size_t c = 0; c < size; ++c) {
        const bool eligible = grid.Eligible[c] != 0;
        sums[c] = eligible ? static_cast<double>(grid.Values[c]) : 0.0;
        counts[c] = eligible ? 1.0 : 0.0;
    }
    std::vector<double> prefixA, prefixB;
    std::size_t stride = 1;
    for (std::size_t axis = 0; axis < 4; ++axis) {
        BoxSumAlong(sums, counts, stride, grid.Counts[axis], radii[axis], prefixA, prefixB);
        stride *= static_cast<std::size_t>(grid.Counts[axis]);
    }

    // The box's own size, clipped at the edges, per axis position.
    std::array<std::vector<int>, 4> spans;
    for (std::size_t axis = 0; axis < 4; ++axis)
        for (int i = 0; i < grid.Counts[axis]; ++i)
            spans[axis].push_back(BoxSpan(i, grid.Counts[axis], radii[axis]));
    std::vector<double> scores(size, std::numeric_limits<double>::quiet_NaN());
    std::size_t c = 0;
    for (int h = 0; h < grid.Counts[3]; ++h)
        for (int sl = 0; sl < grid.Counts[2]; ++sl)
            for (int tp = 0; tp < grid.Counts[1]; ++tp) {
                const long long outer = static_cast<long long>(spans[3][h]) * spans[2][sl] * spans[1][tp];
                for (int s = 0; s < grid.Counts[0]; ++s, ++c) {
                    const double box = static_cast<double>(outer * spans[0][s]);
                    if (grid.Eligible[c] != 0 && 2 * counts[c] >= box)
                        scores[c] = sums[c] / counts[c];
                }
            }
    return scores;
}

PlateauGrid PlateauGridOf(const SweepOutcome& out)
{
    const SweepGrid& g = out.Grid;
    PlateauGrid grid;
    grid.Counts = {g.Signal.Count(), g.TakeProfit.Count(), g.StopLoss.Count(), g.HoldCount()};
    if (g.Hold && out.HoldCells.size() != grid.Size())
        throw Error("The plateau choice over holding limits needs the sweep's cells of every holding limit");
    grid.Values = g.Hold ? out.HoldCells : out.Cells;
    grid.Eligible.resize(grid.Values.size());
    const std::size_t lanes = static_cast<std::size_t>(grid.Counts[0]);
    for (std::size_t c = 0; c < grid.Values.size(); ++c)
        grid.Eligible[c] = !std::isnan(grid.Values[c]) && out.EntriesBySignal[c % lanes] >= out.MinEntries;
    return grid;
}

std::optional<PlateauChoice> BestPlateau(const SweepOutcome& out, const PlateauRadii& radii)
{
    const PlateauGrid grid = PlateauGridOf(out);
    const std::vector<double> scores = PlateauScores(grid, RadiiOf(radii));
    const bool lowest = NameOf(out.Metric).LowestIsBest;
    const SweepGrid& g = out.Grid;
    std::optional<PlateauChoice> best;
    std::size_t c = 0;
    // Cells in the order hold, stop-loss, take-profit, signal: a tie keeps the
    // smaller signal, stop-loss, take-profit and holding limit, as the sweep ranks.
    for (int h = 0; h < grid.Counts[3]; ++h)
        for (int sl = 0; sl < grid.Counts[2]; ++sl)
            for (int tp = 0; tp < grid.Counts[1]; ++tp)
                for (int s = 0; s < grid.Counts[0]; ++s, ++c) {
                    const double score = scores[c];
                    if (std::isnan(score))
                        continue;
                    PlateauChoice next{g.Signal.First + s,
                                       g.StopLoss.First + sl,
                                       g.TakeProfit.First + tp,
                                       std::nullopt,
                                       score,
                                       grid.Values[c]};
                    if (g.Hold)
                        next.Hold = g.Hold->First + h;
                    if (best) {
                        const double a = lowest ? -score : score;
                        const double b = lowest ? -best->Score : best->Score;
                        if (a < b)
                            continue;
                        if (a == b &&
                            std::tie(next.Signal, next.StopLoss, next.TakeProfit, next.Hold) >=
                                std::tie(best->Signal, best->StopLoss, best->TakeProfit, best->Hold))
                            continue;
                    }
                    best = next;
                }
    return best;
}

std::vector<float> PlateauCells(const SweepOutcome& out, const PlateauRadii& radii)
{
    const PlateauGrid grid = PlateauGridOf(out);
    const std::vector<double> scores = PlateauScores(grid, RadiiOf(radii));
    const std::size_t cells = out.Cells.size();
    const bool lowest = NameOf(out.Metric).LowestIsBest;
    std::vector<float> shown(cells, std::numeric_limits<float>::quiet_NaN());
    for (std::size_t c = 0; c < scores.size(); ++c) {
        const double score = scores[c];
        float& cell = shown[c % cells];
        if (std::isnan(score))
            continue;
        if (std::isnan(cell) || (lowest ? score < cell : score > cell))
            cell = static_cast<float>(score);
    }
    return shown;
}

} // namespace quillet
