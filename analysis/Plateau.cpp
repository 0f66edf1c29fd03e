// Plateau scores by separable box sums, and the best plateau of a sweep.
//
// A box sum over every axis is the sum along the first axis of the sums
// along the second, and so on, so the box of every cell costs a few passes
// over the grid whatever the radii. Each pass slides a window of 2r + 1
// cells along its axis, adding the cell that enters and taking off the one
// that leaves; it works in place, keeping the r + 1 rows it still needs.

#include "analysis/Plateau.h"

#include "engine/Parallel.h"
#include "model/Errors.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>

namespace quillet {
namespace {

// Work space of one worker.
struct Slider {
    std::vector<double> savedSums, runSums;
    std::vector<std::int32_t> savedCounts, runCounts;
};

// The window sums along the fastest axis (signal), straight from the grid's
// values into `sums` and `counts`, for lines [first, last).
void SlideSignal(const PlateauGrid& grid, int r, std::size_t first, std::size_t last, double* sums,
                 std::int32_t* counts)
{
    const int n = grid.Counts[0];
    for (std::size_t line = first; line < last; ++line) {
        const std::size_t base = line * static_cast<std::size_t>(n);
        const double* v = grid.Values + base;
        const std::uint8_t* signalEligible = grid.SignalEligible.data();
        auto eligible = [&](int i) { return signalEligible[i] != 0 && !std::isnan(v[i]); };
        // Points with one decimal as whole tenths: exact in a double, and so
        // are their sums.
        const bool tenths = grid.InTenths;
        auto value = [&](int i) { return !eligible(i) ? 0.0 : tenths ? std::rint(v[i] * 10) : v[i]; };
        double run = 0;
        std::int32_t count = 0;
        for (int i = 0; i <= std::min(r, n - 1); ++i) {
            run += value(i);
            count += eligible(i) ? 1 : 0;
        }
        for (int i = 0; i < n; ++i) {
            sums[base + i] = run;
            counts[base + i] = count;
            if (i + r + 1 < n) {
                run += value(i + r + 1);
                count += eligible(i + r + 1) ? 1 : 0;
            }
            if (i - r >= 0) {
                run -= value(i - r);
                count -= eligible(i - r) ? 1 : 0;
            }
        }
    }
}

// Adds (sign +1) or takes off (-1) one row of sums and counts: kept apart
// from the loops above so that every pointer is known not to alias.
void AddRow(double* __restrict runSums, std::int32_t* __restrict runCounts, const double* __restrict sums,
            const std::int32_t* __restrict counts, std::size_t width)
{
    for (std::size_t j = 0; j < width; ++j) {
        runSums[j] += sums[j];
        runCounts[j] += counts[j];
    }
}

void TakeRow(double* __restrict runSums, std::int32_t* __restrict runCounts, const double* __restrict sums,
             const std::int32_t* __restrict counts, std::size_t width)
{
    for (std::size_t j = 0; j < width; ++j) {
        runSums[j] -= sums[j];
        runCounts[j] -= counts[j];
    }
}

// Keeps a row as it was and writes the running sums over it.
void KeepAndWrite(double* __restrict keepSums, std::int32_t* __restrict keepCounts, double* __restrict sums,
                  std::int32_t* __restrict counts, const double* __restrict runSums,
                  const std::int32_t* __restrict runCounts, std::size_t width)
{
    for (std::size_t j = 0; j < width; ++j) {
        keepSums[j] = sums[j];
        keepCounts[j] = counts[j];
        sums[j] = runSums[j];
        counts[j] = runCounts[j];
    }
}

// The window sums along an axis of n rows `stride` apart, in place, for the
// columns [j0, j1) of the block that starts at `base`.
void SlideAxis(double* sums, std::int32_t* counts, std::size_t base, std::size_t stride, int n, int r,
               std::size_t j0, std::size_t j1, Slider& s)
{
    const std::size_t width = j1 - j0;
    const auto slots = static_cast<std::size_t>(r + 1);
    s.savedSums.resize(slots * width);
    s.savedCounts.resize(slots * width);
    s.runSums.assign(width, 0.0);
    s.runCounts.assign(width, 0);
    auto rowSums = [&](int i) { return sums + base + static_cast<std::size_t>(i) * stride + j0; };
    auto rowCounts = [&](int i) { return counts + base + static_cast<std::size_t>(i) * stride + j0; };
    auto slot = [&](int i) { return static_cast<std::size_t>(i % (r + 1)) * width; };
    double* runSums = s.runSums.data();
    std::int32_t* runCounts = s.runCounts.data();
    for (int i = 0; i <= std::min(r, n - 1); ++i)
        AddRow(runSums, runCounts, rowSums(i), rowCounts(i), width);
    for (int i = 0; i < n; ++i) {
        // Row i is kept as it was until it leaves the window.
        KeepAndWrite(s.savedSums.data() + slot(i), s.savedCounts.data() + slot(i), rowSums(i), rowCounts(i),
                     runSums, runCounts, width);
        if (i + r + 1 < n)
            AddRow(runSums, runCounts, rowSums(i + r + 1), rowCounts(i + r + 1), width);
        if (i - r >= 0)
            TakeRow(runSums, runCounts, s.savedSums.data() + slot(i - r), s.savedCounts.data() + slot(i - r),
                    width);
    }
}

// The cells of the box around position i on an axis of n cells.
int BoxSpan(int i, int n, int r)
{
    return std::min(i + r, n - 1) - std::max(i - r, 0) + 1;
}

// Columns of a pass handed to a worker at a time: their saved rows stay in cache.
constexpr std::size_t kColumnsPerTask = 2048;

} // namespace

std::array<int, 4> RadiiOf(const PlateauRadii& radii)
{
    return {radii.Signal, radii.TakeProfit, radii.StopLoss, radii.Hold};
}

const std::vector<double>& PlateauScorer::Scores(const PlateauGrid& grid, const std::array<int, 4>& radii,
                                                 int threads)
{
    const std::size_t size = grid.Size();
    if (grid.SignalEligible.size() != static_cast<std::size_t>(grid.Counts[0]))
        throw Error("The plateau's grid does not match its axes");
    for (const int r : radii)
        if (!kPlateauRadiusControl.Contains(r))
            throw Error("Plateau radius " + std::to_string(r) + " not in range 0 to " +
                        std::to_string(kPlateauRadiusMax));
    if (static_cast<std::int64_t>(size) > kPlateauCellLimit)
        throw Error("The plateau choice needs a grid of at most " + std::to_string(kPlateauCellLimit) +
                    " combinations; this one has " + std::to_string(size));
    // The buffers are kept: fresh pages would cost as much as the sums.
    std::vector<double>& sums = sums_;
    std::vector<std::int32_t>& counts = counts_;
    sums.resize(size);
    counts.resize(size);
    if (size == 0)
        return sums;
    const int workers = WorkerCount(threads);
    std::vector<Slider> sliders(static_cast<std::size_t>(workers));

    // Along the signal and take-profit axes, one block of the two at a
    // time, while it is in cache.
    const std::size_t lanes = static_cast<std::size_t>(grid.Counts[0]);
    const std::size_t lines = size / lanes;
    const auto tpCount = static_cast<std::size_t>(grid.Counts[1]);
    const std::size_t planes = lines / tpCount;
    ParallelFor(static_cast<int>(planes), workers, [&](int plane, int worker) {
        const std::size_t first = static_cast<std::size_t>(plane) * tpCount;
        SlideSignal(grid, radii[0], first, first + tpCount, sums.data(), counts.data());
        if (radii[1] > 0 && tpCount > 1)
            SlideAxis(sums.data(), counts.data(), first * lanes, lanes, grid.Counts[1], radii[1], 0, lanes,
                      sliders[static_cast<std::size_t>(worker)]);
    });

    // Along each further axis, in blocks of columns.
    std::size_t stride = lanes * tpCount;
    for (std::size_t axis = 2; axis < 4; ++axis) {
        const int n = grid.Counts[axis];
        const int r = radii[axis];
        if (r > 0 && n > 1) {
            const std::size_t blocks = size / (stride * static_cast<std::size_t>(n));
            const std::size_t chunks = (stride + kColumnsPerTask - 1) / kColumnsPerTask;
            ParallelFor(static_cast<int>(blocks * chunks), workers, [&](int task, int worker) {
                const std::size_t block = static_cast<std::size_t>(task) / chunks;
                const std::size_t j0 = static_cast<std::size_t>(task) % chunks * kColumnsPerTask;
                SlideAxis(sums.data(), counts.data(), block * stride * static_cast<std::size_t>(n), stride, n,
                          r, j0, std::min(stride, j0 + kColumnsPerTask),
                          sliders[static_cast<std::size_t>(worker)]);
            });
        }
        stride *= static_cast<std::size_t>(n);
    }

    // The box's own size, clipped at the edges, per axis position; then the means.
    std::array<std::vector<std::int64_t>, 4> spans;
    for (std::size_t axis = 0; axis < 4; ++axis)
        for (int i = 0; i < grid.Counts[axis]; ++i)
            spans[axis].push_back(BoxSpan(i, grid.Counts[axis], radii[axis]));
    const auto slCount = static_cast<std::size_t>(grid.Counts[2]);
    const double unit = grid.InTenths ? 10 : 1;
    ParallelFor(static_cast<int>(planes), workers, [&](int plane, int) {
        const std::size_t sl = static_cast<std::size_t>(plane) % slCount;
        const std::size_t h = static_cast<std::size_t>(plane) / slCount;
        for (std::size_t tp = 0; tp < tpCount; ++tp) {
            const std::int64_t outer = spans[3][h] * spans[2][sl] * spans[1][tp];
            const std::size_t base = (static_cast<std::size_t>(plane) * tpCount + tp) * lanes;
            for (std::size_t s = 0; s < lanes; ++s) {
                const std::size_t c = base + s;
                const std::int64_t box = outer * spans[0][s];
                const bool eligible = grid.SignalEligible[s] != 0 && !std::isnan(grid.Values[c]);
                sums[c] = eligible && 2 * static_cast<std::int64_t>(counts[c]) >= box
                              ? sums[c] / (unit * counts[c])
                              : std::numeric_limits<double>::quiet_NaN();
            }
        }
    });
    return sums;
}

PlateauGrid PlateauGridOf(const SweepOutcome& out)
{
    const SweepGrid& g = out.Grid;
    PlateauGrid grid;
    grid.Counts = {g.Signal.Count(), g.TakeProfit.Count(), g.StopLoss.Count(), g.HoldCount()};
    if (out.HoldCells.size() != grid.Size())
        throw Error("The plateau choice needs the metric of every combination of the sweep");
    grid.Values = out.HoldCells.data();
    grid.InTenths = out.Metric == SweepMetric::Net || out.Metric == SweepMetric::MaxDrawdown;
    for (const std::int32_t entries : out.EntriesBySignal)
        grid.SignalEligible.push_back(entries >= out.MinEntries ? 1 : 0);
    return grid;
}

std::optional<PlateauChoice> BestPlateau(const SweepOutcome& out, const PlateauRadii& radii, int threads,
                                         PlateauScorer* scorer)
{
    const PlateauGrid grid = PlateauGridOf(out);
    PlateauScorer own;
    const std::vector<double>& scores = (scorer ? *scorer : own).Scores(grid, RadiiOf(radii), threads);
    const bool lowest = NameOf(out.Metric).LowestIsBest;
    const SweepGrid& g = out.Grid;
    const auto lanes = static_cast<std::size_t>(grid.Counts[0]);
    const auto tps = static_cast<std::size_t>(grid.Counts[1]);
    const auto sls = static_cast<std::size_t>(grid.Counts[2]);
    // The combination of a cell, in the order of the sweep's ties.
    auto order = [&](std::size_t c) {
        return std::make_tuple(c % lanes, c / lanes / tps % sls, c / lanes % tps, c / lanes / tps / sls);
    };
    std::size_t best = scores.size();
    double bestKey = 0;
    for (std::size_t c = 0; c < scores.size(); ++c) {
        const double score = scores[c];
        if (std::isnan(score))
            continue;
        const double key = lowest ? -score : score;
        if (best == scores.size() || key > bestKey || (key == bestKey && order(c) < order(best))) {
            best = c;
            bestKey = key;
        }
    }
    if (best == scores.size())
        return std::nullopt;
    const auto [s, sl, tp, h] = order(best);
    PlateauChoice choice;
    choice.Signal = g.Signal.First + static_cast<int>(s);
    choice.StopLoss = g.StopLoss.First + static_cast<int>(sl);
    choice.TakeProfit = g.TakeProfit.First + static_cast<int>(tp);
    if (g.Hold)
        choice.Hold = g.Hold->First + static_cast<int>(h);
    choice.Score = scores[best];
    choice.Metric = grid.Values[best];
    return choice;
}

std::vector<float> PlateauCells(const SweepOutcome& out, const PlateauRadii& radii, int threads)
{
    const PlateauGrid grid = PlateauGridOf(out);
    PlateauScorer scorer;
    const std::vector<double>& scores = scorer.Scores(grid, RadiiOf(radii), threads);
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
