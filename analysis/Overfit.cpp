// The splits of the probability of backtest overfitting over the per-block
// sums of every eligible combination.
//
// The work is every unit in every split, twice: once for the best in sample
// and once for the ranks out of sample. It is done a chunk of units at a
// time, through all the splits while the chunk is in cache, and the splits
// are visited in a revolving-door order (each differs from the one before
// by one block in and one block out), so that a unit's in-sample sum moves
// from one split to the next by one addition and one subtraction.

#include "analysis/Overfit.h"

#include "analysis/OverfitKernels.h"
#include "engine/Parallel.h"
#include "model/Errors.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <map>

namespace quillet {
namespace {

// Units per chunk: their sums over the blocks stay in the core's cache.
constexpr std::size_t kChunkUnits = 8192;

// The splits in the revolving-door order: the mask of each, its place in
// the lexicographic order, and the block that enters and the one that
// leaves the in-sample weeks on the way to it from the one before.
struct DoorOrder {
    std::vector<std::uint32_t> Masks;
    std::vector<int> Lexicographic;
    std::vector<int> In, Out;
};

// The revolving door of Nijenhuis and Wilf: the k-subsets of n are those of
// n - 1, then those with n - 1 added to the (k - 1)-subsets of n - 1 in
// reverse order.
void Revolve(int n, int k, bool reversed, std::vector<std::uint32_t>& out)
{
    if (k == 0 || k == n) {
        out.push_back(k == 0 ? 0u : (1u << n) - 1);
        return;
    }
    const std::uint32_t top = 1u << (n - 1);
    if (!reversed) {
        Revolve(n - 1, k, false, out);
        const std::size_t from = out.size();
        Revolve(n - 1, k - 1, true, out);
        for (std::size_t i = from; i < out.size(); ++i)
            out[i] |= top;
    } else {
        const std::size_t from = out.size();
        Revolve(n - 1, k - 1, false, out);
        for (std::size_t i = from; i < out.size(); ++i)
            out[i] |= top;
        Revolve(n - 1, k, true, out);
    }
}

DoorOrder DoorOf(int blocks)
{
    const std::vector<std::uint32_t> lexicographic = OverfitSplits(blocks);
    std::map<std::uint32_t, int> place;
    for (std::size_t i = 0; i < lexicographic.size(); ++i)
        place[lexicographic[i]] = static_cast<int>(i);
    DoorOrder d;
    Revolve(blocks, blocks / 2, false, d.Masks);
    for (std::size_t i = 0; i < d.Masks.size(); ++i) {
        d.Lexicographic.push_back(place.at(d.Masks[i]));
        const std::uint32_t before = i == 0 ? d.Masks[0] : d.Masks[i - 1];
        const std::uint32_t entering = d.Masks[i] & ~before, leaving = before & ~d.Masks[i];
        if (i > 0 && (std::popcount(entering) != 1 || std::popcount(leaving) != 1))
            throw Error("The splits' order moves more than one block at a time");
        d.In.push_back(i == 0 ? -1 : std::countr_zero(entering));
        d.Out.push_back(i == 0 ? -1 : std::countr_zero(leaving));
    }
    return d;
}

// A chunk of units: one group's (so one multiplicity), a run of columns.
struct Chunk {
    std::size_t First = 0;
    std::size_t Count = 0;
    int Multiplicity = 0;
};

std::vector<Chunk> ChunksOf(const OverfitSums& sums)
{
    std::vector<Chunk> chunks;
    const auto columns = static_cast<std::size_t>(sums.ColumnCount());
    for (int g = 0; g < sums.GroupCount(); ++g)
        for (std::size_t c = 0; c < columns; c += kChunkUnits)
            chunks.push_back({static_cast<std::size_t>(g) * columns + c, std::min(kChunkUnits, columns - c),
                              sums.Multiplicity(g)});
    return chunks;
}

int WeeksIn(const OverfitSums& sums, std::uint32_t mask)
{
    int weeks = 0;
    for (int b = 0; b < sums.BlockCount(); ++b)
        if ((mask >> b & 1u) != 0)
            weeks += sums.BlockWeeks(b);
    return weeks;
}

// A unit's sums over the blocks of a mask.
PerformanceSums SumsOver(const OverfitSums& sums, std::size_t unit, std::uint32_t mask, int weeks)
{
    PerformanceSums s;
    s.Weeks = weeks;
    for (int b = 0; b < sums.BlockCount(); ++b)
        if ((mask >> b & 1u) != 0) {
            s.Sum += sums.Sums(b)[unit];
            if (sums.HasSquares())
                s.Squares += sums.Squares(b)[unit];
        }
    return s;
}

long double MeasureOf(OverfitMeasure measure, const PerformanceSums& s)
{
    return measure == OverfitMeasure::Net ? TenthsValue(s.Sum) : SharpeOf(s.Sum, s.Squares, s.Weeks);
}

// A split's plateau choice: the combination, and the unit it belongs to.
struct PlateauPick {
    std::size_t Unit = 0;
    GridPoint Point;
};

// The work of one worker: its chunk's running sums, and the best and the
// counts it found in each split, by lexicographic place.
struct Worker {
    std::vector<std::int32_t> sums;
    std::vector<std::int64_t> squares;
    std::vector<Candidate> best;
    std::array<std::vector<RankCounts>, 2> counts;
};

class SplitRun {
  public:
    // Progress counts a unit in a split as a step, each pass on its own.
    SplitRun(const OverfitParams& params, const OverfitSums& sums, std::stop_token stop,
             const OverfitProgress& progress)
        : params_(params), sums_(sums), door_(DoorOf(sums.BlockCount())), chunks_(ChunksOf(sums)),
          stop_(stop), progress_(progress),
          total_(static_cast<std::int64_t>(sums.UnitCount()) * static_cast<std::int64_t>(door_.Masks.size()) *
                 (params.Plateau ? 3 : 2))
    {
        for (const std::uint32_t mask : door_.Masks)
            weeksIn_.push_back(WeeksIn(sums, mask));
    }

    bool Run(std::vector<OverfitSplit>& splits);

  private:
    void FindBest(std::vector<Candidate>& best);
    void ChoosePlateaus(std::vector<std::optional<PlateauPick>>& chosen);
    void CountRanks(const std::vector<Candidate>& best,
                    const std::vector<std::optional<PlateauPick>>& plateau,
                    std::array<std::vector<RankCounts>, 2>& counts);
    OverfitChoice ChoiceOf(std::size_t unit, const GridPoint& point, std::uint32_t mask,
                           const RankCounts& counts) const;
    void Advance(std::int64_t steps, int worker);
    bool Better(const Candidate& a, const Candidate& b) const;

    const OverfitParams& params_;
    const OverfitSums& sums_;
    DoorOrder door_;
    std::vector<Chunk> chunks_;
    std::vector<int> weeksIn_; // by door place
    std::stop_token stop_;
    OverfitProgress progress_;
    std::atomic<std::int64_t> done_{0};
    std::int64_t total_;
};

void SplitRun::Advance(std::int64_t steps, int worker)
{
    const std::int64_t now = done_.fetch_add(steps, std::memory_order_relaxed) + steps;
    if (worker == 0 && progress_)
        progress_(now, total_);
}

// A higher key first; a tie goes to the combination the sweep ranks first.
bool SplitRun::Better(const Candidate& a, const Candidate& b) const
{
    if (b.Unit < 0)
        return a.Unit >= 0;
    if (a.Unit < 0)
        return false;
    const int order =
        params_.Measure == OverfitMeasure::Net ? CompareNet(a.Sums, b.Sums) : CompareSharpe(a.Sums, b.Sums);
    if (order != 0)
        return order > 0;
    return TiesBefore(sums_.PointOf(static_cast<std::size_t>(a.Unit)),
                      sums_.PointOf(static_cast<std::size_t>(b.Unit)));
}

void SplitRun::FindBest(std::vector<Candidate>& best)
{
    const std::size_t splits = door_.Masks.size();
    std::vector<Worker> workers(static_cast<std::size_t>(WorkerCount(params_.Sweep.Threads)));
    ParallelFor(
        static_cast<int>(chunks_.size()), static_cast<int>(workers.size()),
        [&](int index, int worker) {
            const Chunk& chunk = chunks_[static_cast<std::size_t>(index)];
            Worker& w = workers[static_cast<std::size_t>(worker)];
            w.best.resize(splits);
            const ChunkScan scan{sums_, chunk.First, chunk.Count};
            for (std::size_t i = 0; i < splits; ++i) {
                Candidate c =
                    params_.Measure == OverfitMeasure::Net
                        ? scan.BestNet(door_.Masks[i], door_.In[i], door_.Out[i], weeksIn_[i], w.sums)
                        : scan.BestSharpe(door_.Masks[i], door_.In[i], door_.Out[i], weeksIn_[i], w.sums,
                                          w.squares);
                Candidate& kept = w.best[static_cast<std::size_t>(door_.Lexicographic[i])];
                if (Better(c, kept))
                    kept = c;
            }
            Advance(static_cast<std::int64_t>(chunk.Count * splits), worker);
        },
        stop_);
    best.assign(splits, Candidate{});
    for (Worker& w : workers)
        for (std::size_t i = 0; i < w.best.size(); ++i)
            if (Better(w.best[i], best[i]))
                best[i] = w.best[i];
}

void SplitRun::CountRanks(const std::vector<Candidate>& best,
                          const std::vector<std::optional<PlateauPick>>& plateau,
                          std::array<std::vector<RankCounts>, 2>& counts)
{
    const std::size_t splits = door_.Masks.size();
    const int weeks = sums_.WeekCount();
    const std::uint32_t all = (1u << sums_.BlockCount()) - 1;
    // The thresholds by door place: the out-of-sample sums of the choices.
    std::array<std::vector<std::optional<PerformanceSums>>, 2> thresholds;
    for (std::size_t i = 0; i < splits; ++i) {
        const auto lex = static_cast<std::size_t>(door_.Lexicographic[i]);
        const std::uint32_t outside = all & ~door_.Masks[i];
        const int weeksOut = weeks - weeksIn_[i];
        thresholds[0].push_back(SumsOver(sums_, static_cast<std::size_t>(best[lex].Unit), outside, weeksOut));
        thresholds[1].push_back(plateau.empty() || !plateau[lex]
                                    ? std::nullopt
                                    : std::optional(SumsOver(sums_, plateau[lex]->Unit, outside, weeksOut)));
    }
    std::vector<Worker> workers(static_cast<std::size_t>(WorkerCount(params_.Sweep.Threads)));
    ParallelFor(
        static_cast<int>(chunks_.size()), static_cast<int>(workers.size()),
        [&](int index, int worker) {
            const Chunk& chunk = chunks_[static_cast<std::size_t>(index)];
            Worker& w = workers[static_cast<std::size_t>(worker)];
            for (auto& c : w.counts)
                c.resize(splits);
            const ChunkScan scan{sums_, chunk.First, chunk.Count};
            for (std::size_t i = 0; i < splits; ++i) {
                // Out of sample, a block leaving the in-sample weeks enters.
                const std::uint32_t outside = all & ~door_.Masks[i];
                const std::array<const PerformanceSums*, 2> against = {
                    &*thresholds[0][i], thresholds[1][i] ? &*thresholds[1][i] : nullptr};
                const std::array<RankCounts, 2> found =
                    params_.Measure == OverfitMeasure::Net
                        ? scan.CountNet(outside, door_.Out[i], door_.In[i], against, w.sums)
                        : scan.CountSharpe(outside, door_.Out[i], door_.In[i], weeks - weeksIn_[i], against,
                                           w.sums, w.squares);
                const auto lex = static_cast<std::size_t>(door_.Lexicographic[i]);
                for (std::size_t t = 0; t < 2; ++t) {
                    w.counts[t][lex].Below += found[t].Below * chunk.Multiplicity;
                    w.counts[t][lex].Equal += found[t].Equal * chunk.Multiplicity;
                }
            }
            Advance(static_cast<std::int64_t>(chunk.Count * splits), worker);
        },
        stop_);
    for (auto& c : counts)
        c.assign(splits, RankCounts{});
    for (const Worker& w : workers)
        for (std::size_t t = 0; t < 2; ++t)
            for (std::size_t i = 0; i < w.counts[t].size(); ++i) {
                counts[t][i].Below += w.counts[t][i].Below;
                counts[t][i].Equal += w.counts[t][i].Equal;
            }
}

OverfitChoice SplitRun::ChoiceOf(std::size_t unit, const GridPoint& point, std::uint32_t mask,
                                 const RankCounts& counts) const
{
    const int weeks = sums_.WeekCount();
    const int weeksIn = WeeksIn(sums_, mask);
    const std::uint32_t outside = ((1u << sums_.BlockCount()) - 1) & ~mask;
    const PerformanceSums in = SumsOver(sums_, unit, mask, weeksIn);
    const PerformanceSums out = SumsOver(sums_, unit, outside, weeks - weeksIn);
    OverfitChoice c;
    c.Chosen = point;
    c.InSample = MeasureOf(params_.Measure, in);
    c.OutOfSample = MeasureOf(params_.Measure, out);
    c.OutOfSampleNetTenths = out.Sum;
    const std::int64_t n = sums_.Combinations();
    // r = 1 + below + (equal - 1) / 2, the choice itself among the equal.
    c.Rank = 1 + static_cast<double>(counts.Below) + static_cast<double>(counts.Equal - 1) / 2;
    c.Lambda = std::log(static_cast<long double>(c.Rank) / (static_cast<long double>(n) + 1 - c.Rank));
    // w <= 1/2 exactly when 2r <= N + 1.
    c.Overfit = 2 * counts.Below + counts.Equal <= n;
    return c;
}

bool SplitRun::Run(std::vector<OverfitSplit>& splits)
{
    std::vector<Candidate> best;
    FindBest(best);
    if (stop_.stop_requested())
        return false;
    std::vector<std::optional<PlateauPick>> plateau;
    if (params_.Plateau) {
        ChoosePlateaus(plateau);
        if (stop_.stop_requested())
            return false;
    }
    std::array<std::vector<RankCounts>, 2> counts;
    CountRanks(best, plateau, counts);
    if (stop_.stop_requested())
        return false;
    const std::vector<std::uint32_t> masks = OverfitSplits(sums_.BlockCount());
    for (std::size_t i = 0; i < masks.size(); ++i) {
        OverfitSplit s;
        s.InSampleBlocks = masks[i];
        const auto unit = static_cast<std::size_t>(best[i].Unit);
        s.Best = ChoiceOf(unit, sums_.PointOf(unit), masks[i], counts[0][i]);
        if (!plateau.empty() && plateau[i])
            s.Plateau = ChoiceOf(plateau[i]->Unit, plateau[i]->Point, masks[i], counts[1][i]);
        splits.push_back(s);
    }
    return true;
}

void SplitRun::ChoosePlateaus(std::vector<std::optional<PlateauPick>>& chosen)
{
    // The measure of every cell in sample, as the sweep's cells hold a metric.
    const SweepGrid& grid = sums_.Grid();
    SweepOutcome view;
    view.Grid = grid;
    // Net points are scored as exact means of tenths; a Sharpe ratio as the
    // ratio it is (any metric whose highest value is best and has no tenths).
    view.Metric = params_.Measure == OverfitMeasure::Net ? SweepMetric::Net : SweepMetric::Sqn;
    view.MinEntries = params_.Sweep.MinEntries;
    view.EntriesBySignal = sums_.EntriesBySignal();
    const auto lanes = static_cast<std::size_t>(grid.Signal.Count());
    const std::size_t layer = lanes * static_cast<std::size_t>(grid.StopLoss.Count()) *
                              static_cast<std::size_t>(grid.TakeProfit.Count());
    std::vector<double>& cells = view.HoldCells;
    cells.assign(layer * static_cast<std::size_t>(grid.HoldCount()),
                 std::numeric_limits<double>::quiet_NaN());
    std::vector<std::size_t> columnCell;
    for (int c = 0; c < sums_.ColumnCount(); ++c) {
        const GridPoint& p = sums_.Column(c);
        columnCell.push_back(static_cast<std::size_t>(grid.Hold ? p.Hold - grid.Hold->First : 0) * layer +
                             view.CellIndex(grid.Signal.First, p.StopLoss, p.TakeProfit));
    }
    const std::vector<std::uint32_t> masks = OverfitSplits(sums_.BlockCount());
    const auto columns = static_cast<std::size_t>(sums_.ColumnCount());
    const int workers = WorkerCount(params_.Sweep.Threads);
    PlateauScorer scorer;
    chosen.assign(masks.size(), std::nullopt);
    for (std::size_t i = 0; i < masks.size() && !stop_.stop_requested(); ++i) {
        const int weeks = WeeksIn(sums_, masks[i]);
        ParallelFor(static_cast<int>(chunks_.size()), workers, [&](int index, int) {
            const Chunk& chunk = chunks_[static_cast<std::size_t>(index)];
            const auto group = static_cast<int>(chunk.First / columns);
            const auto from = static_cast<std::size_t>(sums_.FirstLane(group));
            for (std::size_t u = chunk.First; u < chunk.First + chunk.Count; ++u) {
                const double value =
                    static_cast<double>(MeasureOf(params_.Measure, SumsOver(sums_, u, masks[i], weeks)));
                double* cell = cells.data() + columnCell[u % columns] + from;
                std::fill(cell, cell + chunk.Multiplicity, value);
            }
        });
        const std::optional<PlateauChoice> pick =
            BestPlateau(view, *params_.Plateau, params_.Sweep.Threads, &scorer);
        if (pick) {
            const GridPoint point{pick->Signal, pick->StopLoss, pick->TakeProfit, pick->Hold.value_or(0)};
            const std::int64_t unit = sums_.UnitOf(point);
            if (unit < 0)
                throw Error("The plateau chose a combination that is not eligible");
            chosen[i] = PlateauPick{static_cast<std::size_t>(unit), point};
        }
        Advance(static_cast<std::int64_t>(sums_.UnitCount()), 0);
    }
}

} // namespace

std::string OverfitError(WeekRange weeks, int blocks)
{
    if (blocks < kOverfitBlocksControl.Min || blocks > kOverfitBlocksControl.Max || blocks % 2 != 0)
        return "blocks " + std::to_string(blocks) + " is not an even number from " +
               std::to_string(kOverfitBlocksControl.Min) + " to " + std::to_string(kOverfitBlocksControl.Max);
    const int count = weeks.Last - weeks.First + 1;
    if (count < blocks)
        return "weeks " + std::to_string(weeks.First) + " to " + std::to_string(weeks.Last) +
               " are fewer than the " + std::to_string(blocks) + " blocks";
    return {};
}

std::vector<std::uint32_t> OverfitSplits(int blocks)
{
    // The k-subsets in lexicographic order of their members, read off the
    // bit masks of n bits in the order of their reversed bits.
    std::vector<std::uint32_t> masks;
    std::vector<int> chosen;
    const int half = blocks / 2;
    auto extend = [&](auto& self, int from) -> void {
        if (static_cast<int>(chosen.size()) == half) {
            std::uint32_t mask = 0;
            for (const int b : chosen)
                mask |= 1u << b;
            masks.push_back(mask);
            return;
        }
        for (int b = from; b <= blocks - (half - static_cast<int>(chosen.size())); ++b) {
            chosen.push_back(b);
            self(self, b + 1);
            chosen.pop_back();
        }
    };
    if (blocks > 0 && blocks <= 30)
        extend(extend, 0);
    return masks;
}

OverfitSummary SummaryOf(const std::vector<OverfitSplit>& splits, bool plateau)
{
    OverfitSummary s;
    int overfit = 0, losses = 0;
    std::vector<std::pair<long double, long double>> points;
    for (const OverfitSplit& split : splits) {
        const OverfitChoice* c = plateau ? (split.Plateau ? &*split.Plateau : nullptr) : &split.Best;
        if (!c)
            continue;
        ++s.Splits;
        overfit += c->Overfit ? 1 : 0;
        losses += c->OutOfSampleNetTenths < 0 ? 1 : 0;
        if (std::isfinite(c->InSample) && std::isfinite(c->OutOfSample))
            points.emplace_back(c->InSample, c->OutOfSample);
    }
    if (s.Splits == 0)
        return s;
    s.Pbo = static_cast<double>(overfit) / s.Splits;
    s.LossProbability = static_cast<double>(losses) / s.Splits;
    if (points.size() < 2)
        return s;
    long double meanX = 0, meanY = 0;
    for (const auto& [x, y] : points) {
        meanX += x;
        meanY += y;
    }
    meanX /= static_cast<long double>(points.size());
    meanY /= static_cast<long double>(points.size());
    long double sxx = 0, sxy = 0;
    for (const auto& [x, y] : points) {
        sxx += (x - meanX) * (x - meanX);
        sxy += (x - meanX) * (y - meanY);
    }
    if (sxx > 0) {
        s.Slope = sxy / sxx;
        s.Intercept = meanY - *s.Slope * meanX;
    }
    return s;
}

std::vector<HistogramBin> LambdaHistogram(const std::vector<long double>& lambdas)
{
    std::vector<HistogramBin> bins;
    if (lambdas.empty())
        return bins;
    const auto [low, high] = std::minmax_element(lambdas.begin(), lambdas.end());
    // Bar k holds (k w, (k + 1) w]; a value on an edge falls below it.
    auto bar = [](long double x, double width) { return static_cast<long>(std::ceil(x / width)) - 1; };
    double width = 0;
    for (const double w : {0.25, 0.5, 1.0, 2.0, 5.0, 10.0}) {
        width = w;
        if (bar(*high, w) - bar(*low, w) + 1 <= 20)
            break;
    }
    const long first = bar(*low, width);
    for (long k = first; k <= bar(*high, width); ++k)
        bins.push_back({static_cast<double>(k) * width, static_cast<double>(k + 1) * width, 0});
    for (const long double x : lambdas)
        ++bins[static_cast<std::size_t>(bar(x, width) - first)].Count;
    return bins;
}

OverfitOutcome RunOverfit(const OverfitParams& params, const SweepTable& table, std::stop_token stop,
                          const OverfitProgress& progress)
{
    const SweepParams& sp = params.Sweep;
    if (const std::string error = OverfitError(sp.Weeks, params.Blocks); !error.empty())
        throw Error("The " + error);
    if (params.Plateau && sp.Grid.Combinations() > kPlateauCellLimit)
        throw Error("The plateau choice needs a grid of at most " + std::to_string(kPlateauCellLimit) +
                    " combinations; this one has " + std::to_string(sp.Grid.Combinations()));
    if (table.Costs() != sp.Costs)
        throw Error("The sweep's table was built for other costs");
    const SweepGrid& built = table.Grid();
    const auto same = [](const AxisRange& a, const AxisRange& b) {
        return a.First == b.First && a.Last == b.Last;
    };
    if (!same(built.Signal, sp.Grid.Signal) || !same(built.StopLoss, sp.Grid.StopLoss) ||
        !same(built.TakeProfit, sp.Grid.TakeProfit) || built.Hold.has_value() != sp.Grid.Hold.has_value() ||
        (built.Hold && !same(*built.Hold, *sp.Grid.Hold)))
        throw Error("The sweep's table was built for another grid");
    // The bar: the sums as a few splits' worth, then the passes over the splits.
    constexpr std::int64_t kScale = 1'000'000;
    const auto splits = static_cast<std::int64_t>(OverfitSplits(params.Blocks).size());
    const std::int64_t sumsShare = kScale * 8 / (8 + splits * (params.Plateau ? 3 : 2));
    auto report = [&](std::int64_t from, std::int64_t span, std::int64_t done, std::int64_t total) {
        if (progress && total > 0)
            progress(from + span * done / total, kScale);
    };
    const OverfitSums sums(table, sp, params.Blocks, params.Measure == OverfitMeasure::Sharpe, stop,
                           [&](std::int64_t done, std::int64_t total) { report(0, sumsShare, done, total); });
    OverfitOutcome out;
    out.Measure = params.Measure;
    out.Weeks = sums.WeekCount();
    out.Blocks = sums.Blocks();
    out.Combinations = sums.Combinations();
    out.Distinct = static_cast<std::int64_t>(sums.UnitCount());
    out.SumBytes = sums.Bytes();
    out.Spread = sums.Spread();
    if (!sums.Complete()) {
        out.Stopped = true;
        return out;
    }
    if (out.Combinations == 0)
        throw Error("No combination of the grid has at least " + std::to_string(sp.MinEntries) +
                    " entries in weeks " + std::to_string(sp.Weeks.First) + " to " +
                    std::to_string(sp.Weeks.Last));
    SplitRun run(params, sums, stop, [&](std::int64_t done, std::int64_t total) {
        report(sumsShare, kScale - sumsShare, done, total);
    });
    if (!run.Run(out.Splits)) {
        out.Splits.clear();
        out.Stopped = true;
        return out;
    }
    out.Best = SummaryOf(out.Splits, false);
    if (params.Plateau)
        out.Plateau = SummaryOf(out.Splits, true);
    return out;
}

} // namespace quillet
