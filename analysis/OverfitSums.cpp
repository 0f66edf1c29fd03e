// The per-block sums of the eligible combinations, folded column by column
// from the sweep table's weekly nets.

#include "analysis/OverfitSums.h"

#include "engine/Parallel.h"
#include "model/Errors.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>

namespace quillet {
namespace {

// The most the sums may take: the full grid of the page needs a fraction.
constexpr std::size_t kSumBytesLimit = std::size_t{3} << 30;

// Columns summed between two merges of their Sharpe ratios, in order.
constexpr int kColumnBatch = 4096;

// The Sharpe ratios of some combinations: how many, their mean and the sum
// of their squared deviations from it.
struct Moments {
    std::int64_t Count = 0;
    std::int64_t Undefined = 0;
    long double Mean = 0;
    long double Deviations = 0;

    // Joins two sets (Chan, Golub and LeVeque's pairwise update).
    void Join(const Moments& other)
    {
        Undefined += other.Undefined;
        if (other.Count == 0)
            return;
        const std::int64_t count = Count + other.Count;
        const long double delta = other.Mean - Mean;
        Mean += delta * static_cast<long double>(other.Count) / static_cast<long double>(count);
        Deviations += other.Deviations + delta * delta * static_cast<long double>(Count) *
                                             static_cast<long double>(other.Count) /
                                             static_cast<long double>(count);
        Count = count;
    }
};

} // namespace

struct OverfitSums::Work {
    SweepTable::Column column;
    std::vector<SweepTable::WeekNet> nets;
    std::vector<std::int64_t> buckets, squareBuckets, totals, totalSquares;
    std::vector<long double> ratios;
    Moments moments;
};

long double SharpeOf(std::int64_t sum, std::int64_t squares, std::int64_t weeks)
{
    const std::int64_t spread = weeks * squares - sum * sum; // weeks^2 times the population variance
    if (weeks < 2 || spread <= 0)
        return std::numeric_limits<long double>::quiet_NaN();
    const long double n = static_cast<long double>(weeks);
    const long double mean = static_cast<long double>(sum) / n;
    return mean / std::sqrt(static_cast<long double>(spread) / (n * (n - 1)));
}

std::vector<WeekRange> WeekBlocks(WeekRange weeks, int blocks)
{
    const std::int64_t t = weeks.Last - weeks.First + 1;
    std::vector<WeekRange> out;
    for (int b = 0; b < blocks; ++b)
        out.push_back({weeks.First + static_cast<int>(b * t / blocks),
                       weeks.First + static_cast<int>((b + 1) * t / blocks) - 1});
    return out;
}

OverfitSums::OverfitSums(const SweepTable& table, const SweepParams& params, int blocks, bool withSquares,
                         std::stop_token stop, const Progress& progress)
    : grid_(params.Grid), weeks_(params.Weeks), blocks_(WeekBlocks(params.Weeks, blocks))
{
    if (blocks < 1 || WeekCount() < blocks)
        throw Error("The " + std::to_string(WeekCount()) + " weeks cannot be cut into " +
                    std::to_string(blocks) + " blocks");
    for (int b = 0; b < blocks; ++b)
        blockOfWeek_.insert(blockOfWeek_.end(), static_cast<std::size_t>(BlockWeeks(b)), b);
    Group(table, params, withSquares);

    const int count = ColumnCount();
    const int workers = WorkerCount(params.Threads);
    std::vector<Work> work(static_cast<std::size_t>(workers));
    std::vector<Moments> batch(static_cast<std::size_t>(std::min(count, kColumnBatch)));
    std::atomic<std::int64_t> done{0};
    Moments all;
    ParallelForInOrder(
        count, workers, kColumnBatch,
        [&](int c, int worker) {
            Work& w = work[static_cast<std::size_t>(worker)];
            SumColumn(table, c, w);
            batch[static_cast<std::size_t>(c % kColumnBatch)] = w.moments;
            const std::int64_t now = done.fetch_add(1, std::memory_order_relaxed) + 1;
            if (worker == 0 && progress)
                progress(now, count);
        },
        [&](int c) { all.Join(batch[static_cast<std::size_t>(c % kColumnBatch)]); }, stop);
    complete_ = !stop.stop_requested();
    spread_.Trials = combinations_;
    spread_.Undefined = all.Undefined;
    if (all.Count > 0) {
        spread_.Mean = all.Mean;
        spread_.Variance = all.Deviations / static_cast<long double>(all.Count);
    }
}

void OverfitSums::Group(const SweepTable& table, const SweepParams& params, bool withSquares)
{
    // The grouping depends on the weeks alone: any column gives it.
    Work w;
    table.FoldWeekNets(grid_.StopLoss.First, grid_.TakeProfit.First, kNoHoldLimit, weeks_, w.column, w.nets);
    const SweepTable::Column& col = w.column;
    firstLane_ = col.FirstLaneOfGroup;
    groupOfLane_ = col.GroupOfLane;
    for (const std::int32_t g : groupOfLane_)
        entries_.push_back(col.Totals[kFieldEntries][static_cast<std::size_t>(g)]);
    // Entries fall from group to group, so the eligible groups come first;
    // the last group, which trades no week, may hold no signal value.
    while (groups_ < col.GroupCount() && col.Totals[kFieldEntries][groups_] >= params.MinEntries &&
           Multiplicity(groups_) > 0)
        ++groups_;

    const int holds = grid_.HoldCount();
    for (int sl = grid_.StopLoss.First; sl <= grid_.StopLoss.Last; ++sl)
        for (int tp = grid_.TakeProfit.First; tp <= grid_.TakeProfit.Last; ++tp)
            for (int h = 0; h < holds; ++h)
                if (table.Model().StopLossClearsSpread(sl))
                    columns_.push_back({grid_.Signal.First, sl, tp, grid_.Hold ? grid_.Hold->First + h : 0});
    std::stable_sort(columns_.begin(), columns_.end(), TiesBefore);
    columnOfCell_.assign(static_cast<std::size_t>(grid_.StopLoss.Count()) * grid_.TakeProfit.Count() * holds,
                         -1);
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const GridPoint& p = columns_[c];
        const std::size_t cell =
            (static_cast<std::size_t>(p.StopLoss - grid_.StopLoss.First) * grid_.TakeProfit.Count() +
             static_cast<std::size_t>(p.TakeProfit - grid_.TakeProfit.First)) *
                holds +
            static_cast<std::size_t>(grid_.Hold ? p.Hold - grid_.Hold->First : 0);
        columnOfCell_[cell] = static_cast<std::int32_t>(c);
    }
    for (int g = 0; g < groups_; ++g)
        combinations_ += static_cast<std::int64_t>(Multiplicity(g)) * ColumnCount();

    const std::size_t cells = UnitCount() * static_cast<std::size_t>(BlockCount());
    const std::size_t bytes = cells * (sizeof(std::int32_t) + (withSquares ? sizeof(std::int64_t) : 0));
    if (bytes > kSumBytesLimit)
        throw Error("The sums over the blocks of this grid would take " + std::to_string(bytes >> 20) +
                    " MB; at most " + std::to_string(kSumBytesLimit >> 20) + " MB are allowed");
    sums_.assign(cells, 0);
    if (withSquares)
        squares_.assign(cells, 0);
}

void OverfitSums::SumColumn(const SweepTable& table, int c, Work& w)
{
    const GridPoint& p = columns_[static_cast<std::size_t>(c)];
    table.FoldWeekNets(p.StopLoss, p.TakeProfit, grid_.Hold ? HoldLimitOf(p.Hold) : kNoHoldLimit, weeks_,
                       w.column, w.nets);
    // Group j takes the weeks taken by more than j groups: bucket the nets by
    // that count, then sum the buckets from the top down.
    const auto width = static_cast<std::size_t>(w.column.GroupCount());
    const auto blocks = static_cast<std::size_t>(BlockCount());
    w.buckets.assign(blocks * width, 0);
    w.squareBuckets.assign(blocks * width, 0);
    std::int64_t absolute = 0;
    for (const SweepTable::WeekNet& n : w.nets) {
        const std::size_t at = static_cast<std::size_t>(blockOfWeek_[n.Week - weeks_.First]) * width +
                               static_cast<std::size_t>(n.Groups);
        w.buckets[at] += n.NetTenths;
        w.squareBuckets[at] += static_cast<std::int64_t>(n.NetTenths) * n.NetTenths;
        absolute += std::abs(static_cast<std::int64_t>(n.NetTenths));
    }
    if (absolute > kNetSumLimitTenths)
        throw Error("The weekly nets of stop-loss " + std::to_string(p.StopLoss) + ", take-profit " +
                    std::to_string(p.TakeProfit) + " add up to more than " +
                    std::to_string(kNetSumLimitTenths / 10) + " points: too large to sum exactly");
    const std::size_t units = UnitCount();
    const auto groups = static_cast<std::size_t>(groups_);
    w.totals.assign(groups, 0);
    w.totalSquares.assign(groups, 0);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::int64_t sum = 0, squares = 0;
        for (std::size_t g = width; g-- > 1;) {
            sum += w.buckets[b * width + g];
            squares += w.squareBuckets[b * width + g];
            if (g - 1 >= groups)
                continue;
            const std::size_t unit = (g - 1) * columns_.size() + static_cast<std::size_t>(c);
            sums_[b * units + unit] = static_cast<std::int32_t>(sum);
            if (!squares_.empty())
                squares_[b * units + unit] = squares;
            w.totals[g - 1] += sum;
            w.totalSquares[g - 1] += squares;
        }
    }
    // The Sharpe ratios of the column's units over all the weeks, each
    // counted for its signal values.
    w.moments = {};
    w.ratios.resize(groups);
    long double weighted = 0;
    for (std::size_t g = 0; g < groups; ++g) {
        w.ratios[g] = SharpeOf(w.totals[g], w.totalSquares[g], WeekCount());
        const int m = Multiplicity(static_cast<int>(g));
        if (std::isnan(w.ratios[g])) {
            w.moments.Undefined += m;
            continue;
        }
        w.moments.Count += m;
        weighted += m * w.ratios[g];
    }
    if (w.moments.Count == 0)
        return;
    w.moments.Mean = weighted / static_cast<long double>(w.moments.Count);
    for (std::size_t g = 0; g < groups; ++g)
        if (!std::isnan(w.ratios[g])) {
            const long double d = w.ratios[g] - w.moments.Mean;
            w.moments.Deviations += Multiplicity(static_cast<int>(g)) * d * d;
        }
}

GridPoint OverfitSums::PointOf(std::size_t unit) const
{
    const std::size_t columns = columns_.size();
    GridPoint p = columns_[unit % columns];
    p.Signal = grid_.Signal.First + firstLane_[unit / columns];
    return p;
}

std::int64_t OverfitSums::UnitOf(const GridPoint& p) const
{
    if (!grid_.Signal.Contains(p.Signal) || !grid_.StopLoss.Contains(p.StopLoss) ||
        !grid_.TakeProfit.Contains(p.TakeProfit) || (grid_.Hold && !grid_.Hold->Contains(p.Hold)))
        return -1;
    const int group = groupOfLane_[static_cast<std::size_t>(p.Signal - grid_.Signal.First)];
    if (group >= groups_)
        return -1;
    const std::size_t cell =
        (static_cast<std::size_t>(p.StopLoss - grid_.StopLoss.First) * grid_.TakeProfit.Count() +
         static_cast<std::size_t>(p.TakeProfit - grid_.TakeProfit.First)) *
            grid_.HoldCount() +
        static_cast<std::size_t>(grid_.Hold ? p.Hold - grid_.Hold->First : 0);
    const std::int32_t column = columnOfCell_[cell];
    if (column < 0)
        return -1;
    return static_cast<std::int64_t>(group) * ColumnCount() + column;
}

} // namespace quillet
