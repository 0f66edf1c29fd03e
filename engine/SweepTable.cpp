// The sweep's table of week walks and the fold of one column of the grid.

#include "engine/SweepTable.h"

#include "engine/Bookkeeping.h"
#include "model/Errors.h"
#include "rule/Arithmetic32.h"
#include "rule/EntryIndex.h"
#include "rule/RuleSteps.h"
#include "rule/TradeRules.h"

#include <algorithm>
#include <cstring>

namespace quillet {
namespace {

// Every walk ends by offset 119: no holding limit of the page allows more.
constexpr int kLongestWalk = kNoHoldLimit;
constexpr int kOffsets = kLongestWalk + 1;
constexpr std::uint8_t kNever = 0xFF;

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

// The totals the series fold writes, a vector of groups at a time.
bool IsSeriesField(std::size_t f)
{
    return f == kFieldTpSeries || f == kFieldTpSeriesMax || f == kFieldSlSeries || f == kFieldSlSeriesMax ||
           f == kFieldLastWasTakeProfit;
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

// The first offset that reaches a level as the table keeps it: never is
// beyond any holding limit the sweep allows.
std::uint8_t ReachOffset(int offset)
{
    return offset == kNeverReached ? kNever : static_cast<std::uint8_t>(offset);
}

} // namespace

void CheckHoldLimit(int holdLimit)
{
    if (holdLimit < 0 || holdLimit > kLongestWalk)
        throw Error("Holding limit " + std::to_string(holdLimit) + " is outside 0 to " +
                    std::to_string(kLongestWalk));
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

SweepTable::SweepTable(const Instrument& inst, std::string_view pairName, const SweepGrid& grid,
                       WeekRange covered, const TradeCosts& costs, const RecordedSpread* spread)
    : grid_(grid), costs_(costs, PointMultiplier(pairName), spread), spread_(spread)
{
    covered_ = {std::max(covered.First, 0), std::min(covered.Last, kLastCandleIndex)};
    const int hourEnd = FirstEmptyIndex(inst.Hour, 1);
    if (const std::string error = RecordedSpreadError(costs, spread, hourEnd - 1); !error.empty())
        throw Error(error);
    const int signalCount = grid.Signal.Count();
    if (signalCount == 0)
        return;
    const long double m = costs_.Multiplier();

    // The signal weeks that open a trade for at least the smallest signal
    // minimum, tested and entered as the walk does.
    struct Entry {
        int Candle;
        TradeDirection Direction;
    };
    std::vector<Entry> entries;
    EntryIndex entryIndex(inst.Hour, 1, hourEnd);
    for (int i = covered_.First; i <= covered_.Last; ++i) {
        const Candle& w = CandleOrEmpty(inst.Week, i);
        const long double signedBody = SignedBody(w, m);
        const SignalTest signal = TestSignal(inst.Week, i, signedBody, grid.Signal.First);
        if (signal.Verdict != WeekVerdict::Signal)
            continue;
        const int c = entryIndex.SinglePairEntry(w.Date);
        if (c >= hourEnd)
            continue;
        const int lanes = std::min(signal.Body, grid.Signal.Last) - grid.Signal.First + 1;
        weeks_.push_back({i, lanes, std::min(hourEnd - 1 - c, kLongestWalk)});
        entries.push_back({c, DirectionAgainst(signedBody)});
        entrySpread_.push_back(costs_.SpreadAt(c));
    }

    const std::size_t weekCount = weeks_.size();
    takeProfitAt_.assign(static_cast<std::size_t>(grid.TakeProfit.Count()) * weekCount, kNever);
    stopLossAt_.assign(static_cast<std::size_t>(grid.StopLoss.Count()) * weekCount, kNever);
    drawdown_.assign(weekCount * kOffsets, 0);
    closeAt_.assign(weekCount * kOffsets, MarketClose{});
    costAt_.assign(weekCount * kOffsets, 0);
    for (std::size_t p = 0; p < weekCount; ++p)
        WalkWeek(p, inst.Hour, entries[p].Candle, entries[p].Direction);
}

void SweepTable::WalkWeek(std::size_t p, const CandleSeries& hour, int entryIndex, TradeDirection direction)
{
    const std::size_t weekCount = weeks_.size();
    const int lastOffset = weeks_[p].LastOffset;
    const Candle* h = &hour[entryIndex];
    const double entryPrice = costs_.Fill(direction, h[0].Open, entryIndex);

    // The level test of the walk, for every distance of the grid.
    std::vector<int> reached(
        static_cast<std::size_t>(std::max(grid_.TakeProfit.Count(), grid_.StopLoss.Count())));
    const auto keep = [&](LevelSide side, AxisRange axis, std::uint8_t* at) {
        const int count = axis.Count();
        costs_.FirstReaches(h, entryIndex, lastOffset, side, direction, entryPrice, axis.First, count,
                            reached.data());
        for (int n = 0; n < count; ++n)
            at[static_cast<std::size_t>(n) * weekCount] = ReachOffset(reached[n]);
    };
    keep(LevelSide::TakeProfit, grid_.TakeProfit, takeProfitAt_.data() + p);
    keep(LevelSide::StopLoss, grid_.StopLoss, stopLossAt_.data() + p);

    // The drawdown of a walk that ends at offset k: the largest adverse
    // excursion of the candles at offsets 1 to k.
    std::int32_t* drawdownAt = drawdown_.data() + p * kOffsets;
    std::int32_t drawdown = 0;
    for (int k = 1; k <= lastOffset; ++k) {
        drawdown = std::max(drawdown, costs_.Excursion(direction, entryPrice, h[k], entryIndex + k));
        drawdownAt[k] = drawdown;
    }

    // A time-out (or the end of the data) at offset k closes at its Close.
    MarketClose* closeAt = closeAt_.data() + p * kOffsets;
    std::int32_t* costAt = costAt_.data() + p * kOffsets;
    for (int k = 0; k <= lastOffset; ++k) {
        closeAt[k] = costs_.CloseAt(direction, entryPrice, h[k].Close, entryIndex + k);
        costAt[k] = costs_.Cost(direction, NightsHeld(h[0].Date, h[k].Date));
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

// Inlined: it runs once per trade week of every column of the grid.
[[gnu::always_inline]] inline SweepTable::WeekExit
SweepTable::ExitOf(std::size_t p, const std::uint8_t* tpAt, const std::uint8_t* slAt, int holdLimit) const
{
    const ExitPoint exit = FirstExit(tpAt[p], slAt[p], holdLimit, weeks_[p].LastOffset);
    return {exit, p * kOffsets + static_cast<std::size_t>(exit.Offset)};
}

Points SweepTable::PointsAt(const WeekExit& exit, int stopLoss, int takeProfit) const
{
    return ExitPoints(exit.Kind, closeAt_[exit.At], takeProfit, stopLoss);
}

Tenths SweepTable::NetTenthsAt(const WeekExit& exit, int stopLoss, int takeProfit) const
{
    return CostModel::Net(PointsAt(exit, stopLoss, takeProfit), costAt_[exit.At]);
}

BacktestResult SweepTable::FoldOne(int signal, int stopLoss, int takeProfit, int holdLimit, WeekRange weeks,
                                   NetFolder* nets) const
{
    CheckAxis(grid_.Signal, signal, "Signal minimum");
    CheckAxis(grid_.StopLoss, stopLoss, "Stop-loss");
    CheckAxis(grid_.TakeProfit, takeProfit, "Take-profit");
    CheckHoldLimit(holdLimit);
    const int lane = signal - grid_.Signal.First;
    const std::uint8_t* tpAt = TakeProfitRow(takeProfit);
    const std::uint8_t* slAt = StopLossRow(stopLoss);

    int firstWalked = 0, lastWalked = -1;
    auto [p, end] = TradeWeeksIn(weeks, firstWalked, lastWalked);
    BacktestResult r;
    int k = 0; // the run's offset counter
    for (int i = firstWalked; i <= lastWalked; ++i) {
        if (p < end && weeks_[p].Index == i) {
            if (weeks_[p].Lanes > lane) {
                RecordEntry(r);
                const WeekExit exit = ExitOf(p, tpAt, slAt, holdLimit);
                k = exit.Offset;
                const Points points = PointsAt(exit, stopLoss, takeProfit);
                if (nets)
                    nets->Add(CostModel::Net(points, costAt_[exit.At]));
                BookExit(r, exit.Kind, closeAt_[exit.At].Result, i, k, drawdown_[exit.At], points);
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
    for (std::size_t f = 0; f < kResultFieldCount; ++f)
        SetResultField(r, kResultFields[f], Totals[f][at]);
    return r;
}

namespace {

// The per-week totals of a column, one row of groups per field.
enum BucketField { Tp, Sl, Tw, TwPts, Tl, TlPts, HSum, DdSum, DdMax, HMin, HMax, Cost, BucketFieldCount };

void BucketRows(SweepTable::Column& col, std::int32_t* (&row)[BucketFieldCount])
{
    const std::size_t groups = col.Totals[kFieldEntries].size();
    for (int f = 0; f < BucketFieldCount; ++f)
        row[f] = col.Buckets.data() + f * groups;
}

// Group j takes every week whose group count is above j: sums, maxima and
// minima of the buckets from the top group down.
void FoldBuckets(SweepTable::Column& col)
{
    const std::size_t groups = col.Totals[kFieldEntries].size();
    std::int32_t* row[BucketFieldCount];
    BucketRows(col, row);
    std::int32_t tp = 0, sl = 0, tw = 0, twPts = 0, tl = 0, tlPts = 0, hSum = 0, ddSum = 0, ddMax = 0,
                 hMin = 100, hMax = 0;
    std::int64_t cost = 0;
    col.CostTenths.resize(groups);
    for (std::size_t j = groups; j-- > 0;) {
        col.CostTenths[j] = cost;
        col.Totals[kFieldTakeProfits][j] = tp;
        col.Totals[kFieldStopLosses][j] = sl;
        col.Totals[kFieldTimeoutWins][j] = tw;
        col.Totals[kFieldTimeoutWinPoints][j] = twPts;
        col.Totals[kFieldTimeoutLosses][j] = tl;
        col.Totals[kFieldTimeoutLossPoints][j] = tlPts;
        col.Totals[kFieldHoursSum][j] = hSum;
        col.Totals[kFieldDrawdownSum][j] = ddSum;
        col.Totals[kFieldDrawdownMax][j] = ddMax;
        // A week that ends before the first trade books the counter's 0.
        const bool tradedFirstWeek = col.FirstWeekGroups > static_cast<int>(j);
        col.Totals[kFieldHoursMin][j] = (col.AnyWeek && !tradedFirstWeek) ? std::min(hMin, 0) : hMin;
        col.Totals[kFieldHoursMax][j] = hMax;
        tp = Add32(tp, row[Tp][j]);
        sl = Add32(sl, row[Sl][j]);
        tw = Add32(tw, row[Tw][j]);
        twPts = Add32(twPts, row[TwPts][j]);
        tl = Add32(tl, row[Tl][j]);
        tlPts = Add32(tlPts, row[TlPts][j]);
        hSum = Add32(hSum, row[HSum][j]);
        ddSum = Add32(ddSum, row[DdSum][j]);
        ddMax = std::max(ddMax, row[DdMax][j]);
        hMin = std::min(hMin, row[HMin][j]);
        hMax = std::max(hMax, row[HMax][j]);
        cost += row[Cost][j];
    }
}

// The series follow the order of the level exits; time-outs do not touch
// them, and week 0 only sets what came last. An exit taken by n groups
// updates groups 0 to n - 1 alike, a vector of them at a time: the step of
// TradeSeries over the groups side by side. The same exits give the same
// series: often the case from one holding limit to the next, when no trade
// reaches its level at the new offset.
void FoldSeries(SweepTable::Column& col)
{
    if (col.SeriesValid && col.SeriesFoldedFrom == col.LevelExits)
        return;
    col.SeriesFoldedFrom = col.LevelExits;
    col.SeriesValid = true;
    const std::size_t padded = col.Totals[kFieldTpSeries].size();
    std::int32_t* tpSeries = col.Totals[kFieldTpSeries].data();
    std::int32_t* tpMax = col.Totals[kFieldTpSeriesMax].data();
    std::int32_t* slSeries = col.Totals[kFieldSlSeries].data();
    std::int32_t* slMax = col.Totals[kFieldSlSeriesMax].data();
    std::int32_t* last = col.Totals[kFieldLastWasTakeProfit].data();
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

} // namespace

void SweepTable::GroupWeeks(std::size_t begin, std::size_t end, int firstWalked, int lastWalked,
                            WeekRange weeks, Column& col) const
{
    // Signal values that trade the same weeks form one group. A week taken by
    // n signal values is taken by the groups below the rank of n among the
    // distinct such counts; the last group trades no week at all.
    const int lanes = grid_.Signal.Count();
    const std::size_t count = end - begin;
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
    // The series are updated a vector of groups at a time.
    for (std::size_t f = 0; f < kResultFieldCount; ++f)
        col.Totals[f].assign(IsSeriesField(f) ? PaddedToLanes(groups) : groups, 0);
    col.SeriesValid = false;
    col.FirstLaneOfGroup.assign(groups + 1, lanes);
    for (int j = lanes; j-- > 0;)
        col.FirstLaneOfGroup[static_cast<std::size_t>(col.GroupOfLane[j])] = j;
    // The entries depend on the weeks alone.
    for (const std::int32_t g : col.WeekGroups)
        ++col.Totals[kFieldEntries][static_cast<std::size_t>(g) - 1];
    for (std::size_t g = groups - 1; g-- > 0;)
        col.Totals[kFieldEntries][g] = Add32(col.Totals[kFieldEntries][g], col.Totals[kFieldEntries][g + 1]);
    // Group j trades the weeks of the buckets above j: the widest entry
    // spread of each, from the top group down.
    col.WidestEntrySpread.assign(groups, 0);
    for (std::size_t p = begin; p < end; ++p) {
        std::int32_t& widest = col.WidestEntrySpread[static_cast<std::size_t>(col.WeekGroups[p - begin]) - 1];
        widest = std::max(widest, entrySpread_[p]);
    }
    for (std::size_t g = groups - 1; g-- > 0;)
        col.WidestEntrySpread[g] = std::max(col.WidestEntrySpread[g], col.WidestEntrySpread[g + 1]);
    col.FirstWeekGroups = (count > 0 && weeks_[begin].Index == firstWalked) ? col.WeekGroups[0] : 0;
    col.AnyWeek = firstWalked <= lastWalked;
    col.GroupedFor = this;
    col.GroupedWeeks = weeks;
}

void SweepTable::FillBuckets(std::size_t begin, std::size_t end, int stopLoss, int takeProfit, int holdLimit,
                             Column& col) const
{
    // Totals of the weeks by the number of groups that take them, booked as
    // the run's bookkeeping books them.
    const std::size_t groups = col.Totals[kFieldEntries].size();
    col.Buckets.assign(BucketFieldCount * groups, 0);
    std::int32_t* bucket[BucketFieldCount];
    BucketRows(col, bucket);
    std::fill(bucket[HMin], bucket[HMin] + groups, 100);
    col.LevelExits.clear();
    const std::uint8_t* tpAt = TakeProfitRow(takeProfit);
    const std::uint8_t* slAt = StopLossRow(stopLoss);
    for (std::size_t p = begin; p < end; ++p) {
        const std::int32_t g = col.WeekGroups[p - begin];
        const WeekExit exit = ExitOf(p, tpAt, slAt, holdLimit);
        const int k = exit.Offset;
        const std::int32_t firstWeek = weeks_[p].Index == 0 ? 1 : 0;
        if (exit.Kind == ExitKind::TakeProfit) {
            const std::int32_t drawdown = drawdown_[exit.At];
            ++bucket[Tp][g];
            bucket[HSum][g] = Add32(bucket[HSum][g], k);
            bucket[DdSum][g] = Add32(bucket[DdSum][g], drawdown);
            bucket[DdMax][g] = std::max(bucket[DdMax][g], drawdown);
            col.LevelExits.push_back(g * 4 + 2 + firstWeek);
        } else if (exit.Kind == ExitKind::StopLoss) {
            ++bucket[Sl][g];
            col.LevelExits.push_back(g * 4 + firstWeek);
        } else if (closeAt_[exit.At].Result == TradeResult::Gained) {
            ++bucket[Tw][g];
            bucket[TwPts][g] = Add32(bucket[TwPts][g], closeAt_[exit.At].Distance);
        } else if (closeAt_[exit.At].Result == TradeResult::Lost) {
            ++bucket[Tl][g];
            bucket[TlPts][g] = Add32(bucket[TlPts][g], closeAt_[exit.At].Distance);
        }
        bucket[HMin][g] = std::min(bucket[HMin][g], k);
        bucket[HMax][g] = std::max(bucket[HMax][g], k);
        bucket[Cost][g] += costAt_[exit.At];
    }
}

void SweepTable::FoldNets(std::size_t begin, std::size_t end, int stopLoss, int takeProfit, int holdLimit,
                          Column& col) const
{
    // A week of bucket g is traded by the groups below g, in week order.
    col.Nets.assign(col.Totals[kFieldEntries].size(), NetFolder{});
    const std::uint8_t* tpAt = TakeProfitRow(takeProfit);
    const std::uint8_t* slAt = StopLossRow(stopLoss);
    for (std::size_t p = begin; p < end; ++p) {
        const std::int32_t g = col.WeekGroups[p - begin];
        const std::int32_t net = NetTenthsAt(ExitOf(p, tpAt, slAt, holdLimit), stopLoss, takeProfit);
        for (std::int32_t j = 0; j < g; ++j)
            col.Nets[static_cast<std::size_t>(j)].Add(net);
    }
}

std::vector<SweepTable::TradeWeek> SweepTable::TradeWeeksWithin(WeekRange weeks) const
{
    int firstWalked = 0, lastWalked = -1;
    const auto [begin, end] = TradeWeeksIn(weeks, firstWalked, lastWalked);
    std::vector<TradeWeek> out;
    out.reserve(end - begin);
    for (std::size_t p = begin; p < end; ++p)
        out.push_back({weeks_[p].Index, weeks_[p].Lanes});
    return out;
}

void SweepTable::WeekNets(int stopLoss, int takeProfit, int holdLimit, WeekRange weeks,
                          std::vector<Tenths>& nets) const
{
    CheckAxis(grid_.StopLoss, stopLoss, "Stop-loss");
    CheckAxis(grid_.TakeProfit, takeProfit, "Take-profit");
    CheckHoldLimit(holdLimit);
    int firstWalked = 0, lastWalked = -1;
    const auto [begin, end] = TradeWeeksIn(weeks, firstWalked, lastWalked);
    nets.resize(end - begin);
    const std::uint8_t* tpAt = TakeProfitRow(takeProfit);
    const std::uint8_t* slAt = StopLossRow(stopLoss);
    for (std::size_t p = begin; p < end; ++p)
        nets[p - begin] = NetTenthsAt(ExitOf(p, tpAt, slAt, holdLimit), stopLoss, takeProfit);
}

void SweepTable::FoldColumn(int stopLoss, int takeProfit, int holdLimit, WeekRange weeks, Column& col,
                            bool withNets) const
{
    CheckAxis(grid_.StopLoss, stopLoss, "Stop-loss");
    CheckAxis(grid_.TakeProfit, takeProfit, "Take-profit");
    CheckHoldLimit(holdLimit);
    int firstWalked = 0, lastWalked = -1;
    const auto [begin, end] = TradeWeeksIn(weeks, firstWalked, lastWalked);
    if (col.GroupedFor != this || col.GroupedWeeks.First != weeks.First ||
        col.GroupedWeeks.Last != weeks.Last)
        GroupWeeks(begin, end, firstWalked, lastWalked, weeks, col);
    col.FirstClearedGroup = 0;
    while (costs_.Costs().SpreadRecorded && col.FirstClearedGroup < col.GroupCount() &&
           !CostModel::StopLossClears(stopLoss,
                                      col.WidestEntrySpread[static_cast<std::size_t>(col.FirstClearedGroup)]))
        ++col.FirstClearedGroup;
    FillBuckets(begin, end, stopLoss, takeProfit, holdLimit, col);
    FoldBuckets(col);
    FoldSeries(col);
    if (withNets)
        FoldNets(begin, end, stopLoss, takeProfit, holdLimit, col);
}

void SweepTable::FoldWeekNets(int stopLoss, int takeProfit, int holdLimit, WeekRange weeks, Column& col,
                              std::vector<WeekNet>& nets) const
{
    CheckAxis(grid_.StopLoss, stopLoss, "Stop-loss");
    CheckAxis(grid_.TakeProfit, takeProfit, "Take-profit");
    CheckHoldLimit(holdLimit);
    int firstWalked = 0, lastWalked = -1;
    const auto [begin, end] = TradeWeeksIn(weeks, firstWalked, lastWalked);
    if (col.GroupedFor != this || col.GroupedWeeks.First != weeks.First ||
        col.GroupedWeeks.Last != weeks.Last)
        GroupWeeks(begin, end, firstWalked, lastWalked, weeks, col);
    const std::uint8_t* tpAt = TakeProfitRow(takeProfit);
    const std::uint8_t* slAt = StopLossRow(stopLoss);
    nets.clear();
    for (std::size_t p = begin; p < end; ++p)
        nets.push_back({weeks_[p].Index, col.WeekGroups[p - begin],
                        NetTenthsAt(ExitOf(p, tpAt, slAt, holdLimit), stopLoss, takeProfit)});
}
} // namespace quillet
