// The parallel sweep over the whole grid: the metric of every cell, the
// best rows, and the columns handed on in order.

#include "engine/Sweep.h"

#include "engine/Parallel.h"
#include "model/Errors.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <tuple>

namespace quillet {
namespace {

long double MetricOfTotals(SweepMetric metric, const SweepTable::Column& col, int g, int stopLossPoints,
                           int takeProfitPoints)
{
    switch (metric) {
    case SweepMetric::Net:
        return TenthsValue(NetOf(col.Totals[kFieldTakeProfits][g], col.Totals[kFieldStopLosses][g],
                                 col.Totals[kFieldTimeoutWinPoints][g],
                                 col.Totals[kFieldTimeoutLossPoints][g], stopLossPoints, takeProfitPoints) *
                               10 -
                           col.CostTenths[static_cast<std::size_t>(g)]);
    case SweepMetric::Profitability:
        return ProfitabilityOf(col.Totals[kFieldTakeProfits][g], col.Totals[kFieldStopLosses][g],
                               stopLossPoints, takeProfitPoints);
    case SweepMetric::TpShare:
        return TakeProfitPercent(col.Totals[kFieldTakeProfits][g], col.Totals[kFieldEntries][g]);
    case SweepMetric::Entries:
        return col.Totals[kFieldEntries][g];
    case SweepMetric::ProfitFactor:
    case SweepMetric::RecoveryFactor:
    case SweepMetric::Sqn:
    case SweepMetric::MaxDrawdown:
        return NetsMetric(metric, col.Nets[static_cast<std::size_t>(g)]);
    }
    return std::numeric_limits<long double>::quiet_NaN();
}

std::optional<int> HoldPositionAt(const SweepGrid& grid, int h)
{
    return grid.Hold ? std::optional<int>(grid.Hold->First + h) : std::nullopt;
}

// A candidate for the best rows: its place and the run's totals.
struct Candidate {
    Ranked Rank;
    BacktestResult Result{};
};

struct Worker {
    explicit Worker(int top) : best(top) {}
    SweepTable::Column column;
    std::vector<long double> keys;
    std::vector<long double> bestKey;
    std::vector<std::uint8_t> bestHold;
    BestList<Candidate> best;
};

WeekRange Hull(WeekRange a, const std::optional<WeekRange>& b)
{
    if (!b || b->Last < b->First)
        return a;
    if (a.Last < a.First)
        return *b;
    return {std::min(a.First, b->First), std::max(a.Last, b->Last)};
}

// The metric of every group of the column just folded.
void RankGroups(SweepMetric metric, int stopLoss, int takeProfit, Worker& w)
{
    const SweepTable::Column& col = w.column;
    const int groups = col.GroupCount();
    w.keys.resize(static_cast<std::size_t>(groups));
    // The groups whose stop-loss is within an entry's recorded spread have no value.
    std::fill_n(w.keys.begin(), col.FirstClearedGroup, std::numeric_limits<long double>::quiet_NaN());
    for (int g = col.FirstClearedGroup; g < groups; ++g)
        w.keys[g] = RankKey(metric, MetricOfTotals(metric, col, g, stopLoss, takeProfit));
}

// Offers the groups of the column just folded to the cells (without a hold
// axis) or to the best holding limit of each group, and to the best rows.
void OfferGroups(const SweepParams& params, int stopLoss, int takeProfit, int holdPosition, Worker& w,
                 float* cells)
{
    const SweepGrid& grid = params.Grid;
    const SweepTable::Column& col = w.column;
    for (int g = 0; g < col.GroupCount(); ++g) {
        const long double key = w.keys[g];
        const int from = col.FirstLaneOfGroup[g];
        const int to = col.FirstLaneOfGroup[g + 1];
        if (!grid.Hold) {
            std::fill(cells + from, cells + to, static_cast<float>(RankKey(params.Metric, key)));
        } else if (!std::isnan(key) && (std::isnan(w.bestKey[g]) || key > w.bestKey[g])) {
            // The grouping depends on the weeks only, so a group's signal
            // values share their best holding limit too.
            w.bestKey[g] = key;
            w.bestHold[g] = static_cast<std::uint8_t>(holdPosition);
        }
        if (std::isnan(key) || col.Totals[kFieldEntries][g] < params.MinEntries)
            continue;
        const NetFolder* sqn =
            params.Metric == SweepMetric::Sqn ? &col.Nets[static_cast<std::size_t>(g)] : nullptr;
        // The signal values of a group tie on the metric, and a larger one
        // ranks lower: once one is turned away, so are the rest.
        for (int j = from; j < to; ++j) {
            const GridPoint point{grid.Signal.First + j, stopLoss, takeProfit, holdPosition};
            if (!w.best.Admits(key, sqn, point))
                break;
            w.best.Add({{key, point, sqn ? std::optional<NetFolder>(*sqn) : std::nullopt}, col.Group(g)});
        }
    }
}

// With a hold axis, the cells take each group's best over the holding limits.
void StoreBestHolds(SweepMetric metric, const Worker& w, float* cells, std::uint8_t* holds)
{
    const SweepTable::Column& col = w.column;
    for (int g = 0; g < col.GroupCount(); ++g) {
        const int from = col.FirstLaneOfGroup[g];
        const int to = col.FirstLaneOfGroup[g + 1];
        std::fill(cells + from, cells + to, static_cast<float>(RankKey(metric, w.bestKey[g])));
        std::fill(holds + from, holds + to, w.bestHold[g]);
    }
}

// With every cell kept: the metric of every signal value of the column just
// folded (its value, not its ranking key), into the block of its holding limit.
void StoreHoldCells(SweepMetric metric, const Worker& w, double* cells)
{
    const SweepTable::Column& col = w.column;
    for (int g = 0; g < col.GroupCount(); ++g)
        std::fill(cells + col.FirstLaneOfGroup[g], cells + col.FirstLaneOfGroup[g + 1],
                  static_cast<double>(RankKey(metric, w.keys[g])));
}

// One (stop-loss, take-profit) column of the cells: every signal value over
// every holding limit of the grid, formatted into `bytes` when streamed.
void SweepColumn(const SweepParams& params, const SweepTable& sweep, int index, Worker& w, SweepOutcome& out,
                 const SweepStream* stream, std::string* bytes, std::atomic<std::int64_t>& leftOut)
{
    const SweepGrid& grid = params.Grid;
    const int lanes = grid.Signal.Count();
    const int tpCount = grid.TakeProfit.Count();
    const int stopLoss = grid.StopLoss.First + index / tpCount;
    const int takeProfit = grid.TakeProfit.First + index % tpCount;
    float* cells = out.Cells.data() + static_cast<std::size_t>(index) * lanes;
    // A stop-loss within the spread is no combination to trade: its cells stay empty.
    if (!sweep.Model().StopLossClearsSpread(stopLoss)) {
        leftOut.fetch_add(static_cast<std::int64_t>(lanes) * grid.HoldCount(), std::memory_order_relaxed);
        if (stream)
            for (int h = 0; h < grid.HoldCount(); ++h)
                stream->Format({stopLoss, takeProfit, HoldPositionAt(grid, h), nullptr}, *bytes);
        return;
    }
    const bool withNets = MetricNeedsNets(params.Metric);
    for (int h = 0; h < grid.HoldCount(); ++h) {
        const int holdPosition = grid.Hold ? grid.Hold->First + h : 0;
        const int holdLimit = grid.Hold ? HoldLimitOf(holdPosition) : kNoHoldLimit;
        sweep.FoldColumn(stopLoss, takeProfit, holdLimit, params.Weeks, w.column, withNets);
        // At a recorded spread, the signal values whose trades enter within their spread.
        if (const int refused =
                w.column.FirstLaneOfGroup[static_cast<std::size_t>(w.column.FirstClearedGroup)])
            leftOut.fetch_add(refused, std::memory_order_relaxed);
        if (stream)
            stream->Format({stopLoss, takeProfit, HoldPositionAt(grid, h), &w.column}, *bytes);
        RankGroups(params.Metric, stopLoss, takeProfit, w);
        if (grid.Hold && h == 0) {
            const auto groups = static_cast<std::size_t>(w.column.GroupCount());
            w.bestKey.assign(groups, std::numeric_limits<long double>::quiet_NaN());
            w.bestHold.assign(groups, 0);
        }
        OfferGroups(params, stopLoss, takeProfit, holdPosition, w, cells);
        if (!out.HoldCells.empty())
            StoreHoldCells(params.Metric, w,
                           out.HoldCells.data() + static_cast<std::size_t>(h) * out.Cells.size() +
                               static_cast<std::size_t>(index) * lanes);
    }
    if (grid.Hold)
        StoreBestHolds(params.Metric, w, cells,
                       out.CellHold.data() + static_cast<std::size_t>(index) * lanes);
}

// The best rows of all workers, best first, with their forward runs.
std::vector<SweepRow> BestRows(const SweepParams& params, const SweepTable& sweep,
                               std::vector<Worker>& workers)
{
    const SweepGrid& grid = params.Grid;
    std::vector<Candidate> all;
    for (Worker& w : workers)
        for (Candidate& c : w.best.Items())
            all.push_back(std::move(c));
    std::sort(all.begin(), all.end(), BestList<Candidate>::Before);
    if (all.size() > static_cast<std::size_t>(std::max(params.Top, 0)))
        all.resize(static_cast<std::size_t>(params.Top));
    std::vector<SweepRow> rows;
    for (const Candidate& c : all) {
        const GridPoint& p = c.Rank.Point;
        SweepRow row;
        row.Signal = p.Signal;
        row.StopLoss = p.StopLoss;
        row.TakeProfit = p.TakeProfit;
        if (grid.Hold)
            row.Hold = p.Hold;
        row.Result = c.Result;
        row.WithCosts = !sweep.Costs().IsZero();
        const int holdLimit = grid.Hold ? HoldLimitOf(p.Hold) : kNoHoldLimit;
        NetFolder nets;
        sweep.FoldOne(p.Signal, p.StopLoss, p.TakeProfit, holdLimit, params.Weeks, &nets);
        row.Figures = FiguresOf(c.Result, p.StopLoss, p.TakeProfit, &nets);
        if (params.Forward) {
            NetFolder forwardNets;
            row.Forward =
                sweep.FoldOne(p.Signal, p.StopLoss, p.TakeProfit, holdLimit, *params.Forward, &forwardNets);
            row.ForwardFigures = FiguresOf(*row.Forward, p.StopLoss, p.TakeProfit, &forwardNets);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// How many (stop-loss, take-profit) columns are folded between two writes
// of a stream: enough to keep the workers busy, few enough that their bytes
// stay within tens of megabytes.
int StreamBatch(const SweepGrid& grid, int workers)
{
    constexpr std::int64_t kCombinationsPerBatch = std::int64_t{1} << 18;
    const std::int64_t perColumn = static_cast<std::int64_t>(grid.Signal.Count()) * grid.HoldCount();
    return static_cast<int>(std::clamp<std::int64_t>(kCombinationsPerBatch / perColumn, workers, 256));
}

} // namespace

std::int64_t LeftOutCombinations(const SweepGrid& grid, const TradeCosts& costs)
{
    const CostModel model(costs, 1);
    std::int64_t stopLosses = 0;
    for (int sl = grid.StopLoss.First; sl <= grid.StopLoss.Last; ++sl)
        stopLosses += model.StopLossClearsSpread(sl) ? 0 : 1;
    return stopLosses * grid.TakeProfit.Count() * grid.Signal.Count() * grid.HoldCount();
}

WeekRange SweptWeeks(const SweepParams& params)
{
    return Hull(params.Weeks, params.Forward);
}

SweepOutcome RunSweep(const SweepParams& params, const Instrument& instrument, std::stop_token stop,
                      const SweepProgress& progress, const SweepStream* stream)
{
    CheckGrid(params.Grid);
    if (const std::string error = TradeCostsError(params.Costs); !error.empty())
        throw Error(error);
    const SweepTable sweep(instrument, params.PairName, params.Grid, SweptWeeks(params), params.Costs,
                           params.Spread);
    return RunSweep(params, sweep, stop, progress, stream);
}

SweepOutcome RunSweep(const SweepParams& params, const SweepTable& sweep, std::stop_token stop,
                      const SweepProgress& progress, const SweepStream* stream)
{
    const SweepGrid& grid = params.Grid;
    CheckGrid(grid);
    const SweepGrid& built = sweep.Grid();
    if (built.Signal.First != grid.Signal.First || built.Signal.Last != grid.Signal.Last ||
        built.StopLoss.First != grid.StopLoss.First || built.StopLoss.Last != grid.StopLoss.Last ||
        built.TakeProfit.First != grid.TakeProfit.First || built.TakeProfit.Last != grid.TakeProfit.Last)
        throw Error("The sweep's table was built for another grid");
    if (sweep.Costs() != params.Costs || (params.Costs.SpreadRecorded && sweep.Spread() != params.Spread))
        throw Error("The sweep's table was built for other costs");

    SweepOutcome out;
    out.Grid = grid;
    out.Metric = params.Metric;
    out.MinEntries = params.MinEntries;
    const int lanes = grid.Signal.Count();
    const int tpCount = grid.TakeProfit.Count();
    const int holdCount = grid.HoldCount();
    const int columns = grid.StopLoss.Count() * tpCount;
    out.Cells.assign(static_cast<std::size_t>(columns) * lanes, std::numeric_limits<float>::quiet_NaN());
    if (grid.Hold)
        out.CellHold.assign(out.Cells.size(), 0);
    if (params.KeepHoldCells)
        out.HoldCells.assign(out.Cells.size() * static_cast<std::size_t>(holdCount),
                             std::numeric_limits<double>::quiet_NaN());
    const std::int64_t total = grid.Combinations();

    {
        SweepTable::Column column;
        sweep.FoldColumn(grid.StopLoss.First, grid.TakeProfit.First, kNoHoldLimit, params.Weeks, column);
        out.EntriesBySignal.resize(static_cast<std::size_t>(lanes));
        for (int j = 0; j < lanes; ++j)
            out.EntriesBySignal[j] = column.Totals[kFieldEntries][column.GroupOfLane[j]];
    }

    const int workerCount = WorkerCount(params.Threads);
    std::vector<Worker> workers(static_cast<std::size_t>(workerCount), Worker(params.Top));
    std::atomic<std::int64_t> done{0}, leftOut{0};
    const std::int64_t perColumn = static_cast<std::int64_t>(lanes) * holdCount;

    // Streamed, the columns are folded in batches, each column's bytes kept
    // until the batch is done and then written in order.
    const int batch = stream ? StreamBatch(grid, workerCount) : columns;
    std::vector<std::string> bytes(stream ? static_cast<std::size_t>(batch) : 0);
    ParallelForInOrder(
        columns, workerCount, batch,
        [&](int index, int worker) {
            std::string* mine = stream ? &bytes[static_cast<std::size_t>(index % batch)] : nullptr;
            if (mine)
                mine->clear();
            SweepColumn(params, sweep, index, workers[static_cast<std::size_t>(worker)], out, stream, mine,
                        leftOut);
            const std::int64_t now = done.fetch_add(perColumn, std::memory_order_relaxed) + perColumn;
            if (worker == 0 && progress)
                progress(now, total);
        },
        [&](int index) {
            if (stream)
                stream->Write(bytes[static_cast<std::size_t>(index % batch)]);
        },
        stop);

    out.Stopped = done.load() < total;
    out.LeftOut = leftOut.load();
    out.Combinations = done.load() - out.LeftOut;
    if (progress)
        progress(done.load(), total);
    out.Best = BestRows(params, sweep, workers);
    return out;
}

} // namespace quillet