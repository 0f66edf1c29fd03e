// The sweep's table of week walks, the fold of one column of the grid, and
// the parallel sweep over the whole grid with its best rows.

#include "backtest/Sweep.h"

#include "backtest/EntryIndex.h"
#include "backtest/Parallel.h"
#include "backtest/TradeRules.h"
#include "store/Errors.h"
#include "store/Numbers.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <tuple>

namespace quillet {
namespace {

// Every walk ends by offset 119: no holding limit of the page allows more.
constexpr int kLongestWalk = kNoHoldLimit;
constexpr int kOffsets = kLongestWalk + 1;
constexpr std::uint8_t kNever = 0xFF;

// Weeks are read at fixed indices, as the run reads them: an index outside
// the array reads as an empty candle.
const Candle kEmptyCandle{};

const Candle& CandleAt(const CandleSeries& series, long long index)
{
    if (index < 0 || index > kLastCandleIndex)
        return kEmptyCandle;
    return series[static_cast<int>(index)];
}

// The counters wrap at 32 bits as the run's bookkeeping does.
std::int32_t Add32(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t Mul32(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}

// Groups side by side in one vector register (SSE2 on x86-64, which every
// 64-bit x86 has). Comparisons give -1 where true and 0 where false.
using Lanes = std::int32_t __attribute__((vector_size(16)));
constexpr std::int32_t kLaneWidth = 4;
constexpr Lanes kLaneIndex = {0, 1, 2, 3};
constexpr Lanes kAllSet = {-1, -1, -1, -1};
constexpr Lanes kNoneSet = {0, 0, 0, 0};
constexpr Lanes kOnes = {1, 1, 1, 1};

Lanes Load(const std::int32_t* p)
{
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void Store(std::int32_t* p, Lanes v)
{
    std::memcpy(p, &v, sizeof v);
}

// a where the mask is set, b elsewhere.
Lanes Select(Lanes mask, Lanes a, Lanes b)
{
    return (a & mask) | (b & ~mask);
}

std::size_t PaddedToLanes(std::size_t n)
{
    return (n + kLaneWidth - 1) / kLaneWidth * kLaneWidth;
}

void CheckAxis(const AxisRange& axis, int value, const char* what)
{
    if (!axis.Contains(value))
        throw Error(std::string(what) + " " + std::to_string(value) + " is not on the sweep's grid");
}

void CheckHoldLimit(int holdLimit)
{
    if (holdLimit < 0 || holdLimit > kLongestWalk)
        throw Error("Holding limit " + std::to_string(holdLimit) + " is outside 0 to " +
                    std::to_string(kLongestWalk));
}

// The figures from the totals they depend on; each metric alone, since the
// sweep needs only one per combination.
std::int64_t NetOf(std::int32_t takeProfits, std::int32_t stopLosses, std::int32_t timeoutWinPoints,
                   std::int32_t timeoutLossPoints, int stopLossPoints, int takeProfitPoints)
{
    return static_cast<std::int64_t>(takeProfits) * takeProfitPoints -
           static_cast<std::int64_t>(stopLosses) * stopLossPoints + timeoutWinPoints - timeoutLossPoints;
}

// The report's ratio: 32-bit products of points and counts.
long double ProfitabilityOf(std::int32_t takeProfits, std::int32_t stopLosses, int stopLossPoints,
                            int takeProfitPoints)
{
    const std::int32_t won = Mul32(takeProfitPoints, takeProfits);
    const std::int32_t lost = Mul32(stopLossPoints, stopLosses);
    if (lost == 0)
        return std::numeric_limits<long double>::quiet_NaN();
    return static_cast<long double>(won) / static_cast<long double>(lost);
}

long double TpShareOf(std::int32_t entries, std::int32_t takeProfits)
{
    if (entries == 0)
        return std::numeric_limits<long double>::quiet_NaN();
    return static_cast<long double>(takeProfits) / (static_cast<long double>(entries) / 100.0L);
}

long double MetricOfTotals(SweepMetric metric, const SweepTable::Column& col, int g, int stopLossPoints,
                           int takeProfitPoints)
{
    switch (metric) {
    case SweepMetric::Net:
        return static_cast<long double>(NetOf(col.TakeProfits[g], col.StopLosses[g], col.TimeoutWinPoints[g],
                                              col.TimeoutLossPoints[g], stopLossPoints, takeProfitPoints));
    case SweepMetric::Profitability:
        return ProfitabilityOf(col.TakeProfits[g], col.StopLosses[g], stopLossPoints, takeProfitPoints);
    case SweepMetric::TpShare:
        return TpShareOf(col.Entries[g], col.TakeProfits[g]);
    case SweepMetric::Entries:
        return col.Entries[g];
    }
    return std::numeric_limits<long double>::quiet_NaN();
}

} // namespace

SweepFigures FiguresOf(const BacktestResult& r, int stopLossPoints, int takeProfitPoints)
{
    SweepFigures f;
    f.Entries = r.Entries;
    f.Net = NetOf(r.TakeProfits, r.StopLosses, r.TimeoutWinPoints, r.TimeoutLossPoints, stopLossPoints,
                  takeProfitPoints);
    f.Profitability = ProfitabilityOf(r.TakeProfits, r.StopLosses, stopLossPoints, takeProfitPoints);
    f.TpShare = TpShareOf(r.Entries, r.TakeProfits);
    return f;
}

long double MetricValue(SweepMetric metric, const SweepFigures& f)
{
    switch (metric) {
    case SweepMetric::Net:
        return static_cast<long double>(f.Net);
    case SweepMetric::Profitability:
        return f.Profitability;
    case SweepMetric::TpShare:
        return f.TpShare;
    case SweepMetric::Entries:
        return f.Entries;
    }
    return std::numeric_limits<long double>::quiet_NaN();
}

SweepTable::SweepTable(const Instrument& inst, std::string_view pairName, const SweepGrid& grid,
                       WeekRange covered)
    : grid_(grid)
{
    covered_ = {std::max(covered.First, 0), std::min(covered.Last, kLastCandleIndex)};
    const int signalCount = grid.Signal.Count();
    if (signalCount == 0)
        return;
    const long double m = PointMultiplier(pairName);
    const int hourEnd = FirstEmptyIndex(inst.Hour, 1);

    // The signal weeks that open a trade for at least the smallest signal minimum.
    struct Entry {
        int Candle;
        bool Sell;
    };
    std::vector<Entry> entries;
    EntryIndex entryIndex(inst.Hour, 1, hourEnd);
    for (long long i = covered_.First; i <= covered_.Last; ++i) {
        const Candle& w = CandleAt(inst.Week, i);
        const long double signedBody = PointDifference(w.Open, w.Close, static_cast<double>(m));
        const std::int32_t body = RoundToInt32(std::fabs(signedBody));
        if (body < grid.Signal.First || !CandleExists(CandleAt(inst.Week, i + 8)))
            continue;
        const int c = entryIndex.SinglePairEntry(w.Date);
        if (c >= hourEnd)
            continue;
        const int lanes = std::min(body, grid.Signal.Last) - grid.Signal.First + 1;
        weeks_.push_back({static_cast<int>(i), lanes, std::min(hourEnd - 1 - c, kLongestWalk)});
        entries.push_back({c, signedBody > 0});
    }

    const std::size_t weekCount = weeks_.size();
    const int tpCount = grid.TakeProfit.Count();
    const int slCount = grid.StopLoss.Count();
    takeProfitAt_.assign(static_cast<std::size_t>(tpCount) * weekCount, kNever);
    stopLossAt_.assign(static_cast<std::size_t>(slCount) * weekCount, kNever);
    drawdown_.assign(weekCount * kOffsets, 0);
    timeoutPoints_.assign(weekCount * kOffsets, 0);
    timeoutKind_.assign(weekCount * kOffsets, TimeoutKind::Even);

    for (std::size_t p = 0; p < weekCount; ++p) {
        const Candle* h = &inst.Hour[entries[p].Candle];
        const bool sell = entries[p].Sell;
        const int lastOffset = weeks_[p].LastOffset;
        const double entryPrice = h[0].Open;
        const long double entry = entryPrice;

        // The level tests of the walk, for every distance of the grid.
        auto firstReach = [&](double level) {
            for (int k = 0; k <= lastOffset; ++k)
                if (h[k].Low <= level && level <= h[k].High)
                    return static_cast<std::uint8_t>(k);
            return kNever;
        };
        for (int n = 0; n < tpCount; ++n) {
            const long double offset = static_cast<long double>(grid.TakeProfit.First + n) / m;
            const double level = static_cast<double>(sell ? entry - offset : entry + offset);
            takeProfitAt_[static_cast<std::size_t>(n) * weekCount + p] = firstReach(level);
        }
        for (int n = 0; n < slCount; ++n) {
            const long double offset = static_cast<long double>(grid.StopLoss.First + n) / m;
            const double level = static_cast<double>(sell ? entry + offset : entry - offset);
            stopLossAt_[static_cast<std::size_t>(n) * weekCount + p] = firstReach(level);
        }

        // The drawdown of a walk that ends at offset k: the largest adverse
        // excursion of the candles at offsets 1 to k.
        std::int32_t drawdown = 0;
        for (int k = 1; k <= lastOffset; ++k) {
            const std::int32_t excursion =
                sell ? RoundToInt32((static_cast<long double>(h[k].High) - entry) * m)
                     : RoundToInt32((entry - static_cast<long double>(h[k].Low)) * m);
            if (excursion > drawdown)
                drawdown = excursion;
            drawdown_[p * kOffsets + k] = drawdown;
        }

        // A time-out (or the end of the data) at offset k closes at its Close.
        for (int k = 0; k <= lastOffset; ++k) {
            const double x = h[k].Close;
            const long double close = x;
            const std::size_t at = p * kOffsets + k;
            if ((sell && entryPrice > x) || (!sell && entryPrice < x)) {
                timeoutKind_[at] = TimeoutKind::Win;
                timeoutPoints_[at] = RoundToInt32((sell ? entry - close : close - entry) * m);
            } else if (entryPrice == x) {
                timeoutKind_[at] = TimeoutKind::Even;
            } else {
                timeoutKind_[at] = TimeoutKind::Loss;
                timeoutPoints_[at] = RoundToInt32((sell ? close - entry : entry - close) * m);
            }
        }
    }
}

std::pair<std::size_t, std::size_t> SweepTable::TradeWeeksIn(WeekRange weeks, int& firstWalked,
                                                             int& lastWalked) const
{
    firstWalked = std::max(weeks.First, 0);
    lastWalked = std::min(weeks.Last, kLastCandleIndex);
    if (firstWalked > lastWalked)
        return {0, 0};
    if (firstWalked < covered_.First || lastWalked > covered_.Last)
        throw Error("Weeks " + std::to_string(weeks.First) + " to " + std::to_string(weeks.Last) +
                    " are outside the sweep's weeks");
    const auto begin = std::lower_bound(weeks_.begin(), weeks_.end(), firstWalked,
                                        [](const Week& w, int index) { return w.Index < index; });
    const auto end = std::upper_bound(begin, weeks_.end(), lastWalked,
                                      [](int index, const Week& w) { return index < w.Index; });
    return {static_cast<std::size_t>(begin - weeks_.begin()), static_cast<std::size_t>(end - weeks_.begin())};
}

BacktestResult SweepTable::FoldOne(int signal, int stopLoss, int takeProfit, int holdLimit,
                                   WeekRange weeks) const
{
    CheckAxis(grid_.Signal, signal, "Signal minimum");
    CheckAxis(grid_.StopLoss, stopLoss, "Stop-loss");
    CheckAxis(grid_.TakeProfit, takeProfit, "Take-profit");
    CheckHoldLimit(holdLimit);
    const int lane = signal - grid_.Signal.First;
    const std::size_t weekCount = weeks_.size();
    const std::size_t tpRow = static_cast<std::size_t>(takeProfit - grid_.TakeProfit.First) * weekCount;
    const std::size_t slRow = static_cast<std::size_t>(stopLoss - grid_.StopLoss.First) * weekCount;

    int firstWalked = 0, lastWalked = -1;
    auto [p, end] = TradeWeeksIn(weeks, firstWalked, lastWalked);
    BacktestResult r;
    int k = 0; // the run's offset counter
    for (int i = firstWalked; i <= lastWalked; ++i) {
        if (p < end && weeks_[p].Index == i) {
            if (weeks_[p].Lanes > lane) {
                RecordEntry(r);
                const int reachTp = takeProfitAt_[tpRow + p];
                const int reachSl = stopLossAt_[slRow + p];
                const int exit = std::min(reachTp, reachSl);
                if (exit < holdLimit) {
                    k = exit;
                    if (reachTp <= reachSl)
                        RecordTakeProfit(r, i, k, drawdown_[p * kOffsets + k]);
                    else
                        RecordStopLoss(r, i);
                } else {
                    k = std::min(holdLimit, weeks_[p].LastOffset);
                    const std::size_t at = p * kOffsets + k;
                    if (timeoutKind_[at] == TimeoutKind::Win)
                        RecordTimeoutWin(r, timeoutPoints_[at]);
                    else if (timeoutKind_[at] == TimeoutKind::Loss)
                        RecordTimeoutLoss(r, timeoutPoints_[at]);
                }
            }
            ++p;
        }
        RecordWeekEnd(r, k);
    }
    return r;
}

BacktestResult SweepTable::Column::Group(int g) const
{
    const auto at = static_cast<std::size_t>(g);
    BacktestResult r;
    r.Entries = Entries[at];
    r.TakeProfits = TakeProfits[at];
    r.StopLosses = StopLosses[at];
    r.TimeoutWins = TimeoutWins[at];
    r.TimeoutWinPoints = TimeoutWinPoints[at];
    r.TimeoutLosses = TimeoutLosses[at];
    r.TimeoutLossPoints = TimeoutLossPoints[at];
    r.HoursSum = HoursSum[at];
    r.HoursMin = HoursMin[at];
    r.HoursMax = HoursMax[at];
    r.DrawdownSum = DrawdownSum[at];
    r.DrawdownMax = DrawdownMax[at];
    r.TpSeries = TpSeries[at];
    r.TpSeriesMax = TpSeriesMax[at];
    r.SlSeries = SlSeries[at];
    r.SlSeriesMax = SlSeriesMax[at];
    r.LastWasTakeProfit = LastWasTakeProfit[at] != 0;
    return r;
}

void SweepTable::FoldColumn(int stopLoss, int takeProfit, int holdLimit, WeekRange weeks, Column& col) const
{
    CheckAxis(grid_.StopLoss, stopLoss, "Stop-loss");
    CheckAxis(grid_.TakeProfit, takeProfit, "Take-profit");
    CheckHoldLimit(holdLimit);
    const int lanes = grid_.Signal.Count();
    int firstWalked = 0, lastWalked = -1;
    const auto [begin, end] = TradeWeeksIn(weeks, firstWalked, lastWalked);
    const std::size_t count = end - begin;

    // Signal values that trade the same weeks form one group. A week taken by
    // n signal values is taken by the groups below the rank of n among the
    // distinct such counts; the last group trades no week at all.
    if (col.GroupedFor != this || col.GroupedWeeks.First != weeks.First ||
        col.GroupedWeeks.Last != weeks.Last) {
        std::vector<std::int32_t> rank(static_cast<std::size_t>(lanes) + 1, 0);
        for (std::size_t p = begin; p < end; ++p)
            rank[static_cast<std::size_t>(weeks_[p].Lanes)] = 1;
        for (int n = 1; n <= lanes; ++n)
            rank[n] += rank[n - 1];
        col.GroupOfLane.assign(rank.begin(), rank.begin() + lanes);
        col.WeekGroups.resize(count);
        for (std::size_t p = begin; p < end; ++p)
            col.WeekGroups[p - begin] = rank[static_cast<std::size_t>(weeks_[p].Lanes)];
        const std::size_t groups = static_cast<std::size_t>(rank[static_cast<std::size_t>(lanes)]) + 1;
        for (auto* field : {&col.Entries, &col.TakeProfits, &col.StopLosses, &col.TimeoutWins,
                            &col.TimeoutWinPoints, &col.TimeoutLosses, &col.TimeoutLossPoints, &col.HoursSum,
                            &col.HoursMin, &col.HoursMax, &col.DrawdownSum, &col.DrawdownMax})
            field->assign(groups, 0);
        // The series are updated a vector of groups at a time.
        for (auto* field :
             {&col.TpSeries, &col.TpSeriesMax, &col.SlSeries, &col.SlSeriesMax, &col.LastWasTakeProfit})
            field->assign(PaddedToLanes(groups), 0);
        col.SeriesValid = false;
        col.FirstLaneOfGroup.assign(groups + 1, lanes);
        for (int j = lanes; j-- > 0;)
            col.FirstLaneOfGroup[static_cast<std::size_t>(col.GroupOfLane[j])] = j;
        for (const std::int32_t g : col.WeekGroups)
            ++col.Entries[static_cast<std::size_t>(g) - 1];
        for (std::size_t g = groups - 1; g-- > 0;)
            col.Entries[g] = Add32(col.Entries[g], col.Entries[g + 1]);
        col.FirstWeekGroups = (count > 0 && weeks_[begin].Index == firstWalked) ? col.WeekGroups[0] : 0;
        col.AnyWeek = firstWalked <= lastWalked;
        col.GroupedFor = this;
        col.GroupedWeeks = weeks;
    }
    const std::size_t groups = col.Entries.size();

    // Totals of the weeks by the number of groups that take them.
    enum Field { Tp, Sl, Tw, TwPts, Tl, TlPts, HSum, DdSum, DdMax, HMin, HMax, FieldCount };
    col.Buckets.assign(FieldCount * groups, 0);
    std::int32_t* bucket[FieldCount];
    for (int f = 0; f < FieldCount; ++f)
        bucket[f] = col.Buckets.data() + f * groups;
    std::fill(bucket[HMin], bucket[HMin] + groups, 100);
    col.LevelExits.clear();

    const std::size_t weekCount = weeks_.size();
    const std::uint8_t* tpAt =
        takeProfitAt_.data() + static_cast<std::size_t>(takeProfit - grid_.TakeProfit.First) * weekCount;
    const std::uint8_t* slAt =
        stopLossAt_.data() + static_cast<std::size_t>(stopLoss - grid_.StopLoss.First) * weekCount;
    for (std::size_t p = begin; p < end; ++p) {
        const std::int32_t g = col.WeekGroups[p - begin];
        const int reachTp = tpAt[p];
        const int reachSl = slAt[p];
        const int exit = std::min(reachTp, reachSl);
        int k;
        if (exit < holdLimit) {
            k = exit;
            const bool takeProfitHit = reachTp <= reachSl;
            if (takeProfitHit) {
                const std::int32_t drawdown = drawdown_[p * kOffsets + k];
                ++bucket[Tp][g];
                bucket[HSum][g] = Add32(bucket[HSum][g], k);
                bucket[DdSum][g] = Add32(bucket[DdSum][g], drawdown);
                bucket[DdMax][g] = std::max(bucket[DdMax][g], drawdown);
            } else {
                ++bucket[Sl][g];
            }
            col.LevelExits.push_back(g * 4 + (takeProfitHit ? 2 : 0) + (weeks_[p].Index == 0 ? 1 : 0));
        } else {
            k = std::min(holdLimit, weeks_[p].LastOffset);
            const std::size_t at = p * kOffsets + k;
            if (timeoutKind_[at] == TimeoutKind::Win) {
                ++bucket[Tw][g];
                bucket[TwPts][g] = Add32(bucket[TwPts][g], timeoutPoints_[at]);
            } else if (timeoutKind_[at] == TimeoutKind::Loss) {
                ++bucket[Tl][g];
                bucket[TlPts][g] = Add32(bucket[TlPts][g], timeoutPoints_[at]);
            }
        }
        bucket[HMin][g] = std::min(bucket[HMin][g], k);
        bucket[HMax][g] = std::max(bucket[HMax][g], k);
    }

    // Group j takes every week whose group count is above j: sums, maxima
    // and minima from the top group down.
    std::int32_t tp = 0, sl = 0, tw = 0, twPts = 0, tl = 0, tlPts = 0, hSum = 0, ddSum = 0, ddMax = 0,
                 hMin = 100, hMax = 0;
    for (std::size_t j = groups; j-- > 0;) {
        col.TakeProfits[j] = tp;
        col.StopLosses[j] = sl;
        col.TimeoutWins[j] = tw;
        col.TimeoutWinPoints[j] = twPts;
        col.TimeoutLosses[j] = tl;
        col.TimeoutLossPoints[j] = tlPts;
        col.HoursSum[j] = hSum;
        col.DrawdownSum[j] = ddSum;
        col.DrawdownMax[j] = ddMax;
        // A week that ends before the first trade books the counter's 0.
        const bool tradedFirstWeek = col.FirstWeekGroups > static_cast<int>(j);
        col.HoursMin[j] = (col.AnyWeek && !tradedFirstWeek) ? std::min(hMin, 0) : hMin;
        col.HoursMax[j] = hMax;
        tp = Add32(tp, bucket[Tp][j]);
        sl = Add32(sl, bucket[Sl][j]);
        tw = Add32(tw, bucket[Tw][j]);
        twPts = Add32(twPts, bucket[TwPts][j]);
        tl = Add32(tl, bucket[Tl][j]);
        tlPts = Add32(tlPts, bucket[TlPts][j]);
        hSum = Add32(hSum, bucket[HSum][j]);
        ddSum = Add32(ddSum, bucket[DdSum][j]);
        ddMax = std::max(ddMax, bucket[DdMax][j]);
        hMin = std::min(hMin, bucket[HMin][j]);
        hMax = std::max(hMax, bucket[HMax][j]);
    }

    // The series follow the order of the level exits; time-outs do not touch
    // them, and week 0 only sets what came last. An exit taken by n groups
    // updates groups 0 to n - 1 alike, a vector of them at a time. The same
    // exits give the same series: often the case from one holding limit to
    // the next, when no trade reaches its level at the new offset.
    if (col.SeriesValid && col.SeriesFoldedFrom == col.LevelExits)
        return;
    col.SeriesFoldedFrom = col.LevelExits;
    col.SeriesValid = true;
    const std::size_t padded = col.TpSeries.size();
    std::int32_t* tpSeries = col.TpSeries.data();
    std::int32_t* tpMax = col.TpSeriesMax.data();
    std::int32_t* slSeries = col.SlSeries.data();
    std::int32_t* slMax = col.SlSeriesMax.data();
    std::int32_t* last = col.LastWasTakeProfit.data();
    std::fill_n(tpSeries, padded, 0);
    std::fill_n(tpMax, padded, 0);
    std::fill_n(slSeries, padded, 0);
    std::fill_n(slMax, padded, 0);
    std::fill_n(last, padded, 0);
    for (const std::int32_t exit : col.LevelExits) {
        const std::int32_t n = exit / 4;
        const bool takeProfit = (exit & 2) != 0;
        if ((exit & 1) != 0) {
            std::fill_n(last, n, takeProfit ? 1 : 0);
            continue;
        }
        // A take-profit continues a run of take-profits when the last level
        // exit was one; a stop-loss continues a run of stop-losses otherwise.
        std::int32_t* series = takeProfit ? tpSeries : slSeries;
        std::int32_t* longest = takeProfit ? tpMax : slMax;
        const Lanes continues = takeProfit ? kAllSet : kNoneSet;
        const Lanes lastAfter = takeProfit ? kOnes : kNoneSet;
        for (std::int32_t j = 0; j < n; j += kLaneWidth) {
            const Lanes active = (kLaneIndex + j) < n;
            const Lanes lastBefore = Load(last + j);
            const Lanes more = ~((lastBefore != 0) ^ continues) & active;
            const Lanes length = Load(series + j);
            const Lanes grown = Select(more, length + 1, kOnes);
            const Lanes maximum = Load(longest + j);
            Store(series + j, Select(active, grown, length));
            Store(longest + j, Select(more & (grown > maximum), grown, maximum));
            Store(last + j, Select(active, lastAfter, lastBefore));
        }
    }
}

namespace {

// A candidate for the best rows. Better means a higher metric, then the
// smaller signal, stop-loss, take-profit and holding limit, so the order
// never depends on how the work was shared out.
struct Candidate {
    long double Key;
    int Signal, StopLoss, TakeProfit, Hold;
    BacktestResult Result{};
};

bool Better(const Candidate& a, const Candidate& b)
{
    if (a.Key != b.Key)
        return a.Key > b.Key;
    return std::tie(a.Signal, a.StopLoss, a.TakeProfit, a.Hold) <
           std::tie(b.Signal, b.StopLoss, b.TakeProfit, b.Hold);
}

// The best `limit` candidates seen, the worst of them at the front.
class BestList {
  public:
    explicit BestList(int limit) : limit_(static_cast<std::size_t>(std::max(limit, 0))) {}

    // True when a candidate with this key and combination would be kept.
    bool Admits(long double key, int signal, int stopLoss, int takeProfit, int hold) const
    {
        if (heap_.size() < limit_)
            return true;
        if (limit_ == 0)
            return false;
        const Candidate& worst = heap_.front();
        if (key != worst.Key)
            return key > worst.Key;
        return std::tie(signal, stopLoss, takeProfit, hold) <
               std::tie(worst.Signal, worst.StopLoss, worst.TakeProfit, worst.Hold);
    }
    void Add(Candidate c)
    {
        if (heap_.size() == limit_) {
            std::pop_heap(heap_.begin(), heap_.end(), Better);
            heap_.back() = std::move(c);
        } else {
            heap_.push_back(std::move(c));
        }
        std::push_heap(heap_.begin(), heap_.end(), Better);
    }
    std::vector<Candidate>& Items() { return heap_; }

  private:
    std::size_t limit_;
    std::vector<Candidate> heap_;
};

struct Worker {
    explicit Worker(int top) : best(top) {}
    SweepTable::Column column;
    std::vector<long double> keys;
    std::vector<long double> bestKey;
    std::vector<std::uint8_t> bestHold;
    BestList best;
};

WeekRange Hull(WeekRange a, const std::optional<WeekRange>& b)
{
    if (!b || b->Last < b->First)
        return a;
    if (a.Last < a.First)
        return *b;
    return {std::min(a.First, b->First), std::max(a.Last, b->Last)};
}

void CheckGrid(const SweepGrid& grid)
{
    auto check = [](const AxisRange& axis, const char* what) {
        if (axis.Count() == 0)
            throw Error(std::string(what) + " range " + std::to_string(axis.First) + ":" +
                        std::to_string(axis.Last) + " is empty");
    };
    check(grid.Signal, "Signal");
    check(grid.StopLoss, "Stop-loss");
    check(grid.TakeProfit, "Take-profit");
    if (grid.Hold) {
        check(*grid.Hold, "Holding");
        CheckHoldLimit(HoldLimitOf(grid.Hold->First));
        CheckHoldLimit(HoldLimitOf(grid.Hold->Last));
    }
}

} // namespace

WeekRange SweptWeeks(const SweepParams& params)
{
    return Hull(params.Weeks, params.Forward);
}

SweepOutcome RunSweep(const SweepParams& params, const InstrumentTable& table, std::stop_token stop,
                      const SweepProgress& progress)
{
    if (params.Slot < 0 || params.Slot > kLastSlot)
        throw Error("Slot " + std::to_string(params.Slot) + " is outside the instrument table");
    CheckGrid(params.Grid);
    const SweepTable sweep(table[params.Slot], params.PairName, params.Grid, SweptWeeks(params));
    return RunSweep(params, sweep, stop, progress);
}

SweepOutcome RunSweep(const SweepParams& params, const SweepTable& sweep, std::stop_token stop,
                      const SweepProgress& progress)
{
    const SweepGrid& grid = params.Grid;
    CheckGrid(grid);
    const SweepGrid& built = sweep.Grid();
    if (built.Signal.First != grid.Signal.First || built.Signal.Last != grid.Signal.Last ||
        built.StopLoss.First != grid.StopLoss.First || built.StopLoss.Last != grid.StopLoss.Last ||
        built.TakeProfit.First != grid.TakeProfit.First || built.TakeProfit.Last != grid.TakeProfit.Last)
        throw Error("The sweep's table was built for another grid");

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
    const std::int64_t total = grid.Combinations();

    {
        SweepTable::Column column;
        sweep.FoldColumn(grid.StopLoss.First, grid.TakeProfit.First, kNoHoldLimit, params.Weeks, column);
        out.EntriesBySignal.resize(static_cast<std::size_t>(lanes));
        for (int j = 0; j < lanes; ++j)
            out.EntriesBySignal[j] = column.Entries[column.GroupOfLane[j]];
    }

    const int workerCount = WorkerCount(params.Threads);
    std::vector<Worker> workers(static_cast<std::size_t>(workerCount), Worker(params.Top));
    std::atomic<std::int64_t> done{0};
    const std::int64_t perColumn = static_cast<std::int64_t>(lanes) * holdCount;

    ParallelFor(
        columns, workerCount,
        [&](int index, int worker) {
            Worker& w = workers[static_cast<std::size_t>(worker)];
            const int stopLoss = grid.StopLoss.First + index / tpCount;
            const int takeProfit = grid.TakeProfit.First + index % tpCount;
            float* cells = out.Cells.data() + static_cast<std::size_t>(index) * lanes;
            for (int h = 0; h < holdCount; ++h) {
                const int holdPosition = grid.Hold ? grid.Hold->First + h : 0;
                const int holdLimit = grid.Hold ? HoldLimitOf(holdPosition) : kNoHoldLimit;
                SweepTable::Column& col = w.column;
                sweep.FoldColumn(stopLoss, takeProfit, holdLimit, params.Weeks, col);
                const int groups = col.GroupCount();
                w.keys.resize(static_cast<std::size_t>(groups));
                for (int g = 0; g < groups; ++g)
                    w.keys[g] = MetricOfTotals(params.Metric, col, g, stopLoss, takeProfit);
                if (grid.Hold && h == 0) {
                    w.bestKey.assign(static_cast<std::size_t>(groups),
                                     std::numeric_limits<long double>::quiet_NaN());
                    w.bestHold.assign(static_cast<std::size_t>(groups), 0);
                }
                for (int g = 0; g < groups; ++g) {
                    const long double key = w.keys[g];
                    const int from = col.FirstLaneOfGroup[g];
                    const int to = col.FirstLaneOfGroup[g + 1];
                    if (!grid.Hold) {
                        std::fill(cells + from, cells + to, static_cast<float>(key));
                    } else if (!std::isnan(key) && (std::isnan(w.bestKey[g]) || key > w.bestKey[g])) {
                        // The grouping depends on the weeks only, so a group's
                        // signal values share their best holding limit too.
                        w.bestKey[g] = key;
                        w.bestHold[g] = static_cast<std::uint8_t>(holdPosition);
                    }
                    if (std::isnan(key) || col.Entries[g] < params.MinEntries)
                        continue;
                    // The signal values of a group tie on the metric, and a larger
                    // one ranks lower: once one is turned away, so are the rest.
                    for (int j = from; j < to; ++j) {
                        const int signal = grid.Signal.First + j;
                        if (!w.best.Admits(key, signal, stopLoss, takeProfit, holdPosition))
                            break;
                        w.best.Add({key, signal, stopLoss, takeProfit, holdPosition, col.Group(g)});
                    }
                }
            }
            if (grid.Hold) {
                const SweepTable::Column& col = w.column;
                std::uint8_t* holds = out.CellHold.data() + static_cast<std::size_t>(index) * lanes;
                for (int g = 0; g < col.GroupCount(); ++g) {
                    const int from = col.FirstLaneOfGroup[g];
                    const int to = col.FirstLaneOfGroup[g + 1];
                    std::fill(cells + from, cells + to, static_cast<float>(w.bestKey[g]));
                    std::fill(holds + from, holds + to, w.bestHold[g]);
                }
            }
            const std::int64_t now = done.fetch_add(perColumn, std::memory_order_relaxed) + perColumn;
            if (worker == 0 && progress)
                progress(now, total);
        },
        stop);

    out.Combinations = done.load();
    out.Stopped = out.Combinations < total;
    if (progress)
        progress(out.Combinations, total);

    std::vector<Candidate> all;
    for (Worker& w : workers)
        for (Candidate& c : w.best.Items())
            all.push_back(std::move(c));
    std::sort(all.begin(), all.end(), Better);
    if (all.size() > static_cast<std::size_t>(std::max(params.Top, 0)))
        all.resize(static_cast<std::size_t>(params.Top));
    for (const Candidate& c : all) {
        SweepRow row;
        row.Signal = c.Signal;
        row.StopLoss = c.StopLoss;
        row.TakeProfit = c.TakeProfit;
        if (grid.Hold)
            row.Hold = c.Hold;
        row.Result = c.Result;
        row.Figures = FiguresOf(c.Result, c.StopLoss, c.TakeProfit);
        if (params.Forward) {
            const int holdLimit = grid.Hold ? HoldLimitOf(c.Hold) : kNoHoldLimit;
            row.Forward = sweep.FoldOne(c.Signal, c.StopLoss, c.TakeProfit, holdLimit, *params.Forward);
            row.ForwardFigures = FiguresOf(*row.Forward, c.StopLoss, c.TakeProfit);
        }
        out.Best.push_back(std::move(row));
    }
    return out;
}

} // namespace quillet
