// The sweep over several instruments: per (stop-loss, take-profit, holding
// limit) column, each instrument's trade weeks and nets from its own table,
// folded into the combined figures of every signal value at once.
//
// A signal value takes a trade week when the week's body reaches it, so the
// signal values that trade the same weeks on every instrument form one
// group, and a week is taken by the groups below its threshold. A column's
// sums are then per-threshold buckets added from the top group down, and
// the weekly account is walked week by week over the groups that trade in
// that week, the week's nets spread to them the same way.

#include "engine/MultiSweep.h"

#include "engine/Parallel.h"
#include "model/Errors.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <tuple>

namespace quillet {
namespace {

constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

long double Value(const Ratio& r)
{
    return r ? *r : kNaN;
}

// The metric from the sums of all trades (the weekly account's drawdown
// in them) and the instruments' nets.
long double MetricOf(PairsMetric metric, const NetFolder& all, std::int64_t worstNet, int profitable)
{
    switch (metric) {
    case PairsMetric::Net:
        return TenthsValue(all.NetTenths);
    case PairsMetric::WorstPair:
        return TenthsValue(worstNet);
    case PairsMetric::ProfitablePairs:
        return profitable;
    case PairsMetric::RecoveryFactor:
        return Value(RecoveryFactor(all));
    case PairsMetric::ProfitFactor:
        return Value(ProfitFactor(all));
    case PairsMetric::Sqn:
        return Value(Sqn(all));
    case PairsMetric::MaxDrawdown:
        return all.Trades == 0 ? kNaN : TenthsValue(all.MaxDrawdownTenths);
    }
    return kNaN;
}

// What a column's fold must form beyond the total net.
struct Needs {
    bool PairNets = false;  // each instrument's net
    bool TradeSums = false; // gross profit and loss, squares, wins, losses
    bool Account = false;   // the weekly account's drawdown
};

Needs NeedsOf(PairsMetric metric, bool streamed)
{
    if (streamed)
        return {true, true, true};
    return {metric == PairsMetric::WorstPair || metric == PairsMetric::ProfitablePairs,
            metric == PairsMetric::ProfitFactor || metric == PairsMetric::Sqn,
            metric == PairsMetric::RecoveryFactor || metric == PairsMetric::MaxDrawdown};
}

// The grouping of the signal values over every instrument's trade weeks of
// the swept range, and the order of the weekly account: it depends on the
// weeks alone, so it is formed once per sweep.
struct Layout {
    int Lanes = 0, Groups = 0, PairCount = 0;
    std::vector<std::int32_t> GroupOfLane, FirstLane;
    // Per instrument, per trade week: the groups below this take it.
    std::vector<std::vector<std::int32_t>> Threshold;
    std::vector<std::int64_t> PairEntries; // [pair * Groups + group]
    std::vector<std::int64_t> Entries;     // per group
    std::vector<std::uint8_t> Eligible;    // per group
    // The trades of every instrument by week, and where each week starts
    // with the highest threshold of its trades.
    struct Item {
        std::int32_t Pair, Index, Threshold;
    };
    std::vector<Item> Items;
    std::vector<std::int32_t> WeekStart, WeekTop;
};

void GroupLanes(const std::vector<std::vector<SweepTable::TradeWeek>>& weeks, Layout& l)
{
    // rank[n]: how many distinct lane counts are at most n.
    std::vector<std::int32_t> rank(static_cast<std::size_t>(l.Lanes) + 1, 0);
    for (const auto& pair : weeks)
        for (const SweepTable::TradeWeek& w : pair)
            rank[static_cast<std::size_t>(w.Lanes)] = 1;
    for (int n = 1; n <= l.Lanes; ++n)
        rank[n] += rank[n - 1];
    l.GroupOfLane.assign(rank.begin(), rank.begin() + l.Lanes);
    l.Groups = l.Lanes == 0 ? 0 : rank[static_cast<std::size_t>(l.Lanes) - 1] + 1;
    l.FirstLane.assign(static_cast<std::size_t>(l.Groups) + 1, l.Lanes);
    for (int j = l.Lanes; j-- > 0;)
        l.FirstLane[static_cast<std::size_t>(l.GroupOfLane[j])] = j;
    // A week every signal value takes is taken by every group.
    l.Threshold.assign(weeks.size(), {});
    for (std::size_t k = 0; k < weeks.size(); ++k)
        for (const SweepTable::TradeWeek& w : weeks[k])
            l.Threshold[k].push_back(w.Lanes >= l.Lanes ? l.Groups : rank[static_cast<std::size_t>(w.Lanes)]);
}

void CountEntries(const MultiSweepParams& params, Layout& l)
{
    const auto groups = static_cast<std::size_t>(l.Groups);
    l.PairEntries.assign(static_cast<std::size_t>(l.PairCount) * groups, 0);
    l.Entries.assign(groups, 0);
    l.Eligible.assign(groups, 1);
    for (std::size_t k = 0; k < static_cast<std::size_t>(l.PairCount); ++k) {
        std::int64_t* entries = l.PairEntries.data() + k * groups;
        for (const std::int32_t t : l.Threshold[k])
            for (std::int32_t g = 0; g < t; ++g)
                ++entries[g];
        for (std::size_t g = 0; g < groups; ++g) {
            l.Entries[g] += entries[g];
            if (entries[g] < params.MinEntries)
                l.Eligible[g] = 0;
        }
    }
    for (std::size_t g = 0; g < groups; ++g)
        if (l.Entries[g] < params.MinTotalEntries)
            l.Eligible[g] = 0;
}

void OrderWeeks(const std::vector<std::vector<SweepTable::TradeWeek>>& weeks, Layout& l)
{
    for (std::size_t k = 0; k < weeks.size(); ++k)
        for (std::size_t p = 0; p < weeks[k].size(); ++p)
            l.Items.push_back(
                {static_cast<std::int32_t>(k), static_cast<std::int32_t>(p), l.Threshold[k][p]});
    std::vector<int> weekOf;
    for (const Layout::Item& item : l.Items)
        weekOf.push_back(
            weeks[static_cast<std::size_t>(item.Pair)][static_cast<std::size_t>(item.Index)].Index);
    std::vector<std::size_t> order(l.Items.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return weekOf[a] < weekOf[b]; });
    std::vector<Layout::Item> sorted;
    for (std::size_t n = 0; n < order.size(); ++n) {
        const std::size_t i = order[n];
        if (n == 0 || weekOf[i] != weekOf[order[n - 1]]) {
            l.WeekStart.push_back(static_cast<std::int32_t>(n));
            l.WeekTop.push_back(0);
        }
        l.WeekTop.back() = std::max(l.WeekTop.back(), l.Items[i].Threshold);
        sorted.push_back(l.Items[i]);
    }
    l.WeekStart.push_back(static_cast<std::int32_t>(sorted.size()));
    l.Items = std::move(sorted);
}

Layout MakeLayout(const MultiSweepParams& params, const std::vector<SweepTable>& tables)
{
    Layout l;
    l.Lanes = params.Grid.Signal.Count();
    l.PairCount = static_cast<int>(tables.size());
    std::vector<std::vector<SweepTable::TradeWeek>> weeks;
    for (const SweepTable& t : tables)
        weeks.push_back(t.TradeWeeksWithin(params.Weeks));
    GroupLanes(weeks, l);
    CountEntries(params, l);
    OrderWeeks(weeks, l);
    return l;
}

// A candidate for the best rows, ranked as the single-pair sweep ranks.
struct Candidate {
    Ranked Rank;
};

// One worker's space: the instruments' week nets, the column's sums by
// group, and its best rows.
struct Worker {
    explicit Worker(int top) : best(top) {}
    std::vector<std::vector<Tenths>> nets;
    std::vector<std::int64_t> bucket, total, pairNets;
    std::vector<std::int64_t> grossProfit, grossLoss, wins, losses;
    std::vector<long double> squares;
    std::vector<std::int64_t> spread, cumulative, peak, drawdown;
    std::vector<NetFolder> sums;
    std::vector<long double> keys, bestKey;
    std::vector<std::uint8_t> bestHold;
    BestList<Candidate> best;
};

// Sums per threshold, then per group from the top group down: group c
// takes every week whose threshold is above c.
template <class T> void FromTheTop(std::vector<T>& bucket, std::vector<T>& out, int groups)
{
    out.resize(static_cast<std::size_t>(groups));
    T run{};
    for (int c = groups; c-- > 0;) {
        run += bucket[static_cast<std::size_t>(c) + 1];
        out[static_cast<std::size_t>(c)] = run;
    }
}

void FoldPairNets(const Layout& l, Worker& w)
{
    const auto groups = static_cast<std::size_t>(l.Groups);
    w.pairNets.resize(static_cast<std::size_t>(l.PairCount) * groups);
    w.total.assign(groups, 0);
    for (std::size_t k = 0; k < static_cast<std::size_t>(l.PairCount); ++k) {
        w.bucket.assign(groups + 1, 0);
        const std::vector<Tenths>& nets = w.nets[k];
        for (std::size_t p = 0; p < nets.size(); ++p)
            w.bucket[static_cast<std::size_t>(l.Threshold[k][p])] += nets[p];
        std::int64_t run = 0;
        for (std::size_t c = groups; c-- > 0;) {
            run += w.bucket[c + 1];
            w.pairNets[k * groups + c] = run;
            w.total[c] += run;
        }
    }
}

void FoldTotalNet(const Layout& l, Worker& w)
{
    w.bucket.assign(static_cast<std::size_t>(l.Groups) + 1, 0);
    for (std::size_t k = 0; k < static_cast<std::size_t>(l.PairCount); ++k) {
        const std::vector<Tenths>& nets = w.nets[k];
        for (std::size_t p = 0; p < nets.size(); ++p)
            w.bucket[static_cast<std::size_t>(l.Threshold[k][p])] += nets[p];
    }
    FromTheTop(w.bucket, w.total, l.Groups);
}

void FoldTradeSums(const Layout& l, Worker& w)
{
    const auto slots = static_cast<std::size_t>(l.Groups) + 1;
    std::vector<std::int64_t> profit(slots, 0), loss(slots, 0), won(slots, 0), lost(slots, 0);
    std::vector<long double> squares(slots, 0);
    for (std::size_t k = 0; k < static_cast<std::size_t>(l.PairCount); ++k) {
        const std::vector<Tenths>& nets = w.nets[k];
        for (std::size_t p = 0; p < nets.size(); ++p) {
            const auto t = static_cast<std::size_t>(l.Threshold[k][p]);
            const std::int64_t net = nets[p];
            squares[t] += static_cast<long double>(net) * static_cast<long double>(net);
            if (net > 0) {
                profit[t] += net;
                ++won[t];
            } else if (net < 0) {
                loss[t] -= net;
                ++lost[t];
            }
        }
    }
    FromTheTop(profit, w.grossProfit, l.Groups);
    FromTheTop(loss, w.grossLoss, l.Groups);
    FromTheTop(won, w.wins, l.Groups);
    FromTheTop(lost, w.losses, l.Groups);
    FromTheTop(squares, w.squares, l.Groups);
}

// The weekly account of every group at once: each week's nets are put at
// their thresholds and spread down to the groups that take them.
void FoldAccount(const Layout& l, Worker& w)
{
    const auto groups = static_cast<std::size_t>(l.Groups);
    w.spread.assign(groups, 0);
    w.cumulative.assign(groups, 0);
    w.peak.assign(groups, 0);
    w.drawdown.assign(groups, 0);
    std::int64_t* spread = w.spread.data();
    std::int64_t* sum = w.cumulative.data();
    std::int64_t* peak = w.peak.data();
    std::int64_t* deepest = w.drawdown.data();
    const std::size_t weekCount = l.WeekTop.size();
    for (std::size_t week = 0; week < weekCount; ++week) {
        for (std::int32_t i = l.WeekStart[week]; i < l.WeekStart[week + 1]; ++i) {
            const Layout::Item& item = l.Items[static_cast<std::size_t>(i)];
            spread[item.Threshold - 1] +=
                w.nets[static_cast<std::size_t>(item.Pair)][static_cast<std::size_t>(item.Index)];
        }
        std::int64_t run = 0;
        for (std::int32_t c = l.WeekTop[week]; c-- > 0;) {
            run += spread[c];
            spread[c] = 0;
            sum[c] += run;
            FollowDrawdown(sum[c], peak[c], deepest[c]);
        }
    }
}

// The sums of group c as CombinedFigures::All holds them.
NetFolder SumsOf(const Layout& l, const Worker& w, const Needs& needs, std::size_t c)
{
    NetFolder f;
    f.Trades = l.Entries[c];
    f.NetTenths = w.total[c];
    if (needs.TradeSums) {
        f.SquaresTenths = w.squares[c];
        f.GrossProfitTenths = w.grossProfit[c];
        f.GrossLossTenths = w.grossLoss[c];
        f.Wins = w.wins[c];
        f.Losses = w.losses[c];
    }
    if (needs.Account) {
        f.Peak = w.peak[c];
        f.MaxDrawdownTenths = w.drawdown[c];
    }
    return f;
}

// Folds one column and forms the rank key of each group.
void FoldCombinedColumn(const MultiSweepParams& params, const Layout& l,
                        const std::vector<SweepTable>& tables, int stopLoss, int takeProfit, int holdLimit,
                        const Needs& needs, Worker& w)
{
    w.nets.resize(tables.size());
    for (std::size_t k = 0; k < tables.size(); ++k)
        tables[k].WeekNets(stopLoss, takeProfit, holdLimit, params.Weeks, w.nets[k]);
    if (needs.PairNets)
        FoldPairNets(l, w);
    else
        FoldTotalNet(l, w);
    if (needs.TradeSums)
        FoldTradeSums(l, w);
    if (needs.Account)
        FoldAccount(l, w);
    const auto groups = static_cast<std::size_t>(l.Groups);
    w.keys.resize(groups);
    w.sums.resize(groups);
    for (std::size_t c = 0; c < groups; ++c) {
        const NetFolder f = SumsOf(l, w, needs, c);
        std::int64_t worst = 0;
        int profitable = 0;
        if (needs.PairNets)
            for (std::size_t k = 0; k < static_cast<std::size_t>(l.PairCount); ++k) {
                const std::int64_t net = w.pairNets[k * groups + c];
                worst = k == 0 ? net : std::min(worst, net);
                profitable += net > 0 ? 1 : 0;
            }
        w.keys[c] = RankKey(NameOf(params.Metric).Like, MetricOf(params.Metric, f, worst, profitable));
        w.sums[c] = f;
    }
}

std::optional<int> HoldPositionAt(const SweepGrid& grid, int h)
{
    return grid.Hold ? std::optional<int>(grid.Hold->First + h) : std::nullopt;
}

// The groups of the column just folded to the cells (or the best holding
// limit of each group) and to the best rows.
void OfferGroups(const MultiSweepParams& params, const Layout& l, int stopLoss, int takeProfit, int hold,
                 Worker& w, float* cells)
{
    const SweepGrid& grid = params.Grid;
    const SweepMetric like = NameOf(params.Metric).Like;
    for (int c = 0; c < l.Groups; ++c) {
        const long double key = w.keys[c];
        const int from = l.FirstLane[c], to = l.FirstLane[c + 1];
        if (!grid.Hold) {
            std::fill(cells + from, cells + to, static_cast<float>(RankKey(like, key)));
        } else if (!std::isnan(key) && (std::isnan(w.bestKey[c]) || key > w.bestKey[c])) {
            w.bestKey[c] = key;
            w.bestHold[c] = static_cast<std::uint8_t>(hold);
        }
        if (std::isnan(key) || !l.Eligible[static_cast<std::size_t>(c)])
            continue;
        const std::optional<NetFolder> sqn =
            params.Metric == PairsMetric::Sqn ? std::optional<NetFolder>(w.sums[static_cast<std::size_t>(c)])
                                              : std::nullopt;
        // The signal values of a group tie, and a larger one ranks lower.
        for (int j = from; j < to; ++j) {
            const GridPoint point{grid.Signal.First + j, stopLoss, takeProfit, hold};
            if (!w.best.Admits(key, sqn ? &*sqn : nullptr, point))
                break;
            w.best.Add({{key, point, sqn}});
        }
    }
}

// The parts of a sweep its workers share.
struct Shared {
    const MultiSweepParams& Params;
    const std::vector<SweepTable>& Tables;
    const Layout& Lay;
    const MultiSweepStream* Stream;
    MultiSweepOutcome& Out;
};

void StreamColumn(const Shared& s, int stopLoss, int takeProfit, std::optional<int> hold, bool traded,
                  const Worker& w, std::string& bytes)
{
    CombinedColumn column;
    column.StopLoss = stopLoss;
    column.TakeProfit = takeProfit;
    column.Hold = hold;
    column.Traded = traded;
    column.Pairs = s.Lay.PairCount;
    column.Groups = s.Lay.Groups;
    column.FirstLane = s.Lay.FirstLane.data();
    column.Entries = s.Lay.Entries.data();
    column.PairNets = w.pairNets.data();
    column.Sums = w.sums.data();
    s.Stream->Format(column, bytes);
}

void StoreBestHolds(const Layout& l, const Worker& w, SweepMetric like, float* cells, std::uint8_t* holds)
{
    for (int c = 0; c < l.Groups; ++c) {
        std::fill(cells + l.FirstLane[c], cells + l.FirstLane[c + 1],
                  static_cast<float>(RankKey(like, w.bestKey[c])));
        std::fill(holds + l.FirstLane[c], holds + l.FirstLane[c + 1], w.bestHold[c]);
    }
}

// One (stop-loss, take-profit) column over every holding limit of the grid.
void SweepColumn(const Shared& s, int index, Worker& w, std::string* bytes)
{
    const MultiSweepParams& params = s.Params;
    const SweepGrid& grid = params.Grid;
    const Layout& l = s.Lay;
    const int tpCount = grid.TakeProfit.Count();
    const int stopLoss = grid.StopLoss.First + index / tpCount;
    const int takeProfit = grid.TakeProfit.First + index % tpCount;
    float* cells = s.Out.Combined.Cells.data() + static_cast<std::size_t>(index) * l.Lanes;
    const bool traded = std::all_of(s.Tables.begin(), s.Tables.end(), [&](const SweepTable& t) {
        return t.Model().StopLossClearsSpread(stopLoss);
    });
    if (!traded) {
        if (bytes)
            for (int h = 0; h < grid.HoldCount(); ++h)
                StreamColumn(s, stopLoss, takeProfit, HoldPositionAt(grid, h), false, w, *bytes);
        return;
    }
    const Needs needs = NeedsOf(params.Metric, bytes != nullptr);
    const SweepMetric like = NameOf(params.Metric).Like;
    if (grid.Hold) {
        w.bestKey.assign(static_cast<std::size_t>(l.Groups), kNaN);
        w.bestHold.assign(static_cast<std::size_t>(l.Groups), 0);
    }
    for (int h = 0; h < grid.HoldCount(); ++h) {
        const int hold = grid.Hold ? grid.Hold->First + h : 0;
        FoldCombinedColumn(params, l, s.Tables, stopLoss, takeProfit,
                           grid.Hold ? HoldLimitOf(hold) : kNoHoldLimit, needs, w);
        if (bytes)
            StreamColumn(s, stopLoss, takeProfit, HoldPositionAt(grid, h), true, w, *bytes);
        OfferGroups(params, l, stopLoss, takeProfit, hold, w, cells);
        std::vector<double>& holdCells = s.Out.Combined.HoldCells;
        if (!holdCells.empty()) {
            double* block = holdCells.data() + static_cast<std::size_t>(h) * s.Out.Combined.Cells.size() +
                            static_cast<std::size_t>(index) * l.Lanes;
            for (int c = 0; c < l.Groups; ++c)
                std::fill(block + l.FirstLane[c], block + l.FirstLane[c + 1],
                          static_cast<double>(RankKey(like, w.keys[c])));
        }
    }
    if (grid.Hold)
        StoreBestHolds(l, w, like, cells,
                       s.Out.Combined.CellHold.data() + static_cast<std::size_t>(index) * l.Lanes);
}

// The outcome's cells, and the entries and eligibility of every signal value.
void StartOutcome(const MultiSweepParams& params, const Layout& l, MultiSweepOutcome& out)
{
    const SweepGrid& grid = params.Grid;
    SweepOutcome& c = out.Combined;
    c.Grid = grid;
    c.Metric = NameOf(params.Metric).Like;
    out.Metric = params.Metric;
    const std::size_t cells =
        static_cast<std::size_t>(grid.StopLoss.Count()) * grid.TakeProfit.Count() * l.Lanes;
    c.Cells.assign(cells, std::numeric_limits<float>::quiet_NaN());
    if (grid.Hold)
        c.CellHold.assign(cells, 0);
    if (params.KeepHoldCells)
        c.HoldCells.assign(cells * static_cast<std::size_t>(grid.HoldCount()),
                           std::numeric_limits<double>::quiet_NaN());
    out.PairEntriesBySignal.assign(static_cast<std::size_t>(l.PairCount), {});
    int lastEligible = -1;
    for (int j = 0; j < l.Lanes; ++j) {
        const auto g = static_cast<std::size_t>(l.GroupOfLane[j]);
        c.EntriesBySignal.push_back(static_cast<std::int32_t>(l.Entries[g]));
        for (std::size_t k = 0; k < static_cast<std::size_t>(l.PairCount); ++k)
            out.PairEntriesBySignal[k].push_back(
                static_cast<std::int32_t>(l.PairEntries[k * static_cast<std::size_t>(l.Groups) + g]));
        if (l.Eligible[g])
            lastEligible = j;
    }
    c.MinEntries = lastEligible >= 0 ? c.EntriesBySignal[static_cast<std::size_t>(lastEligible)]
                                     : (l.Lanes > 0 ? c.EntriesBySignal[0] + 1 : 0);
}

std::vector<MultiSweepRow> BestRows(const MultiSweepParams& params, const std::vector<SweepTable>& tables,
                                    std::vector<Worker>& workers)
{
    std::vector<Candidate> all;
    for (Worker& w : workers)
        all.insert(all.end(), w.best.Items().begin(), w.best.Items().end());
    std::sort(all.begin(), all.end(), BestList<Candidate>::Before);
    if (all.size() > static_cast<std::size_t>(std::max(params.Top, 0)))
        all.resize(static_cast<std::size_t>(params.Top));
    std::vector<MultiSweepRow> rows;
    for (const Candidate& c : all) {
        const GridPoint& p = c.Rank.Point;
        MultiSweepRow row;
        row.Signal = p.Signal;
        row.StopLoss = p.StopLoss;
        row.TakeProfit = p.TakeProfit;
        if (params.Grid.Hold)
            row.Hold = p.Hold;
        FoldCombination(tables, p.Signal, p.StopLoss, p.TakeProfit, row.Hold, params.Weeks, row.Pairs,
                        row.Combined);
        if (params.Forward) {
            row.ForwardCombined.emplace();
            FoldCombination(tables, p.Signal, p.StopLoss, p.TakeProfit, row.Hold, *params.Forward,
                            row.ForwardPairs, *row.ForwardCombined);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

int StreamBatch(const SweepGrid& grid, int workers)
{
    constexpr std::int64_t kCombinationsPerBatch = std::int64_t{1} << 18;
    const std::int64_t perColumn = static_cast<std::int64_t>(grid.Signal.Count()) * grid.HoldCount();
    return static_cast<int>(std::clamp<std::int64_t>(kCombinationsPerBatch / perColumn, workers, 256));
}

} // namespace

long double PairsMetricValue(PairsMetric metric, const CombinedFigures& f)
{
    return MetricOf(metric, f.All, f.WorstNetTenths(), f.ProfitablePairs());
}

WeekRange SweptWeeks(const MultiSweepParams& params)
{
    SweepParams single;
    single.Weeks = params.Weeks;
    single.Forward = params.Forward;
    return SweptWeeks(single);
}

void CheckMultiSweep(const MultiSweepParams& params)
{
    const auto pairs = static_cast<int>(params.Pairs.size());
    if (pairs < 1 || pairs > kMaxSweptPairs)
        throw Error("A sweep over several instruments takes 1 to " + std::to_string(kMaxSweptPairs) +
                    " instruments, not " + std::to_string(pairs));
    CheckGrid(params.Grid);
    for (const PairSetup& p : params.Pairs)
        if (const std::string error = TradeCostsError(p.Costs); !error.empty())
            throw Error(p.Name + ": " + error);
}

std::vector<SweepTable> BuildPairTables(const MultiSweepParams& params,
                                        const std::vector<const Instrument*>& instruments)
{
    CheckMultiSweep(params);
    if (instruments.size() != params.Pairs.size())
        throw Error("The sweep has " + std::to_string(params.Pairs.size()) + " instruments' settings for " +
                    std::to_string(instruments.size()) + " instruments");
    std::vector<std::optional<SweepTable>> built(instruments.size());
    const WeekRange covered = SweptWeeks(params);
    ParallelFor(static_cast<int>(instruments.size()), WorkerCount(params.Threads), [&](int k, int) {
        const auto at = static_cast<std::size_t>(k);
        built[at].emplace(*instruments[at], params.Pairs[at].Name, params.Grid, covered,
                          params.Pairs[at].Costs);
    });
    std::vector<SweepTable> tables;
    tables.reserve(built.size());
    for (std::optional<SweepTable>& t : built)
        tables.push_back(std::move(*t));
    return tables;
}

MultiSweepOutcome RunMultiSweep(const MultiSweepParams& params,
                                const std::vector<const Instrument*>& instruments, std::stop_token stop,
                                const SweepProgress& progress, const MultiSweepStream* stream)
{
    return RunMultiSweep(params, BuildPairTables(params, instruments), stop, progress, stream);
}

MultiSweepOutcome RunMultiSweep(const MultiSweepParams& params, const std::vector<SweepTable>& tables,
                                std::stop_token stop, const SweepProgress& progress,
                                const MultiSweepStream* stream)
{
    CheckMultiSweep(params);
    if (tables.size() != params.Pairs.size())
        throw Error("The sweep's tables do not match its instruments");
    for (std::size_t k = 0; k < tables.size(); ++k)
        if (tables[k].Costs() != params.Pairs[k].Costs)
            throw Error("The sweep's table of " + params.Pairs[k].Name + " was built for other costs");
    const SweepGrid& grid = params.Grid;
    const Layout layout = MakeLayout(params, tables);
    MultiSweepOutcome out;
    StartOutcome(params, layout, out);

    const int columns = grid.StopLoss.Count() * grid.TakeProfit.Count();
    const int workerCount = WorkerCount(params.Threads);
    std::vector<Worker> workers(static_cast<std::size_t>(workerCount), Worker(params.Top));
    const Shared shared{params, tables, layout, stream, out};
    const std::int64_t total = grid.Combinations();
    const std::int64_t perColumn = static_cast<std::int64_t>(layout.Lanes) * grid.HoldCount();
    std::atomic<std::int64_t> done{0};
    const int batch = stream ? StreamBatch(grid, workerCount) : columns;
    std::vector<std::string> bytes(stream ? static_cast<std::size_t>(batch) : 0);
    ParallelForInOrder(
        columns, workerCount, batch,
        [&](int index, int worker) {
            std::string* mine = stream ? &bytes[static_cast<std::size_t>(index % batch)] : nullptr;
            if (mine)
                mine->clear();
            SweepColumn(shared, index, workers[static_cast<std::size_t>(worker)], mine);
            const std::int64_t now = done.fetch_add(perColumn, std::memory_order_relaxed) + perColumn;
            if (worker == 0 && progress)
                progress(now, total);
        },
        [&](int index) {
            if (stream)
                stream->Write(bytes[static_cast<std::size_t>(index % batch)]);
        },
        stop);
    out.Combinations = done.load();
    out.Stopped = out.Combinations < total;
    out.Combined.Combinations = out.Combinations;
    out.Combined.Stopped = out.Stopped;
    if (progress)
        progress(out.Combinations, total);
    out.Best = BestRows(params, tables, workers);
    return out;
}

void FoldCombination(const std::vector<SweepTable>& tables, int signal, int stopLoss, int takeProfit,
                     std::optional<int> hold, WeekRange weeks, std::vector<PairFigures>& pairs,
                     CombinedFigures& combined)
{
    const int holdLimit = hold ? HoldLimitOf(*hold) : kNoHoldLimit;
    pairs.clear();
    std::vector<std::vector<WeekNet>> weekNets(tables.size());
    std::vector<Tenths> nets;
    for (std::size_t k = 0; k < tables.size(); ++k) {
        const SweepTable& t = tables[k];
        NetFolder folded;
        PairFigures f;
        f.Result = t.FoldOne(signal, stopLoss, takeProfit, holdLimit, weeks, &folded);
        f.Figures = FiguresOf(f.Result, stopLoss, takeProfit, &folded);
        pairs.push_back(f);
        const std::vector<SweepTable::TradeWeek> traded = t.TradeWeeksWithin(weeks);
        t.WeekNets(stopLoss, takeProfit, holdLimit, weeks, nets);
        const int lane = signal - t.Grid().Signal.First;
        for (std::size_t p = 0; p < traded.size(); ++p)
            if (traded[p].Lanes > lane)
                weekNets[k].push_back({traded[p].Index, nets[p]});
    }
    combined = CombineWeekNets(weekNets);
}

} // namespace quillet
