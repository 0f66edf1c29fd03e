// The sweep's table of week walks, the fold of one column of the grid, and
// the parallel sweep over the whole grid with its best rows.

#include "backtest/Sweep.h"

#include "backtest/Arithmetic32.h"
#include "backtest/EntryIndex.h"
#include "backtest/Parallel.h"
#include "backtest/ReportTexts.h"
#include "backtest/RuleSteps.h"
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

// The places of the totals in a column.
constexpr std::size_t kFieldEntries = ResultFieldIndex(&BacktestResult::Entries);
constexpr std::size_t kFieldTakeProfits = ResultFieldIndex(&BacktestResult::TakeProfits);
constexpr std::size_t kFieldStopLosses = ResultFieldIndex(&BacktestResult::StopLosses);
constexpr std::size_t kFieldTimeoutWins = ResultFieldIndex(&BacktestResult::TimeoutWins);
constexpr std::size_t kFieldTimeoutWinPoints = ResultFieldIndex(&BacktestResult::TimeoutWinPoints);
constexpr std::size_t kFieldTimeoutLosses = ResultFieldIndex(&BacktestResult::TimeoutLosses);
constexpr std::size_t kFieldTimeoutLossPoints = ResultFieldIndex(&BacktestResult::TimeoutLossPoints);
constexpr std::size_t kFieldHoursSum = ResultFieldIndex(&BacktestResult::HoursSum);
constexpr std::size_t kFieldHoursMin = ResultFieldIndex(&BacktestResult::HoursMin);
constexpr std::size_t kFieldHoursMax = ResultFieldIndex(&BacktestResult::HoursMax);
constexpr std::size_t kFieldDrawdownSum = ResultFieldIndex(&BacktestResult::DrawdownSum);
constexpr std::size_t kFieldDrawdownMax = ResultFieldIndex(&BacktestResult::DrawdownMax);
constexpr std::size_t kFieldTpSeries = ResultFieldIndex(&BacktestResult::TpSeries);
constexpr std::size_t kFieldTpSeriesMax = ResultFieldIndex(&BacktestResult::TpSeriesMax);
constexpr std::size_t kFieldSlSeries = ResultFieldIndex(&BacktestResult::SlSeries);
constexpr std::size_t kFieldSlSeriesMax = ResultFieldIndex(&BacktestResult::SlSeriesMax);
constexpr std::size_t kFieldLastWasTakeProfit = ResultFieldIndex(&BacktestResult::LastWasTakeProfit);

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
    return ProfitabilityRatio(Mul32(takeProfitPoints, takeProfits), Mul32(stopLossPoints, stopLosses));
}

long double TpShareOf(std::int32_t entries, std::int32_t takeProfits)
{
    return TakeProfitPercent(takeProfits, entries);
}

// The figures of the trades' net points in order, as the sweep ranks them.
long double NetsMetric(SweepMetric metric, const NetFolder& nets)
{
    const auto value = [](const Ratio& r) { return r ? *r : std::numeric_limits<long double>::quiet_NaN(); };
    switch (metric) {
    case SweepMetric::ProfitFactor:
        return value(ProfitFactor(nets));
    case SweepMetric::RecoveryFactor:
        return value(RecoveryFactor(nets));
    case SweepMetric::Sqn:
        return value(Sqn(nets));
    case SweepMetric::MaxDrawdown:
        // Without a trade there is no drawdown to compare.
        return nets.Trades == 0 ? std::numeric_limits<long double>::quiet_NaN()
                                : static_cast<long double>(nets.MaxDrawdownTenths) / 10.0L;
    default:
        return std::numeric_limits<long double>::quiet_NaN();
    }
}

long double TenthsValue(std::int64_t tenths)
{
    return static_cast<long double>(tenths) / 10.0L;
}

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
        return TpShareOf(col.Totals[kFieldEntries][g], col.Totals[kFieldTakeProfits][g]);
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

} // namespace

bool MetricNeedsNets(SweepMetric metric)
{
    return metric == SweepMetric::ProfitFactor || metric == SweepMetric::RecoveryFactor ||
           metric == SweepMetric::Sqn || metric == SweepMetric::MaxDrawdown;
}

long double RankKey(SweepMetric metric, long double value)
{
    return NameOf(metric).LowestIsBest ? -value : value;
}

SweepFigures FiguresOf(const BacktestResult& r, int stopLossPoints, int takeProfitPoints,
                       const NetFolder* nets)
{
    SweepFigures f;
    f.Entries = r.Entries;
    f.Net = NetOf(r.TakeProfits, r.StopLosses, r.TimeoutWinPoints, r.TimeoutLossPoints, stopLossPoints,
                  takeProfitPoints);
    f.NetTenths = f.Net * 10;
    if (nets) {
        f.NetTenths = nets->NetTenths;
        f.ProfitFactor = NetsMetric(SweepMetric::ProfitFactor, *nets);
        f.RecoveryFactor = NetsMetric(SweepMetric::RecoveryFactor, *nets);
        f.Sqn = NetsMetric(SweepMetric::Sqn, *nets);
        f.MaxDrawdownTenths = nets->MaxDrawdownTenths;
    }
    f.Profitability = ProfitabilityOf(r.TakeProfits, r.StopLosses, stopLossPoints, takeProfitPoints);
    f.TpShare = TpShareOf(r.Entries, r.TakeProfits);
    return f;
}

long double MetricValue(SweepMetric metric, const SweepFigures& f)
{
    switch (metric) {
    case SweepMetric::Net:
        return TenthsValue(f.NetTenths);
    case SweepMetric::Profitability:
        return f.Profitability;
    case SweepMetric::TpShare:
        return f.TpShare;
    case SweepMetric::Entries:
        return f.Entries;
    case SweepMetric::ProfitFactor:
        return f.ProfitFactor;
    case SweepMetric::RecoveryFactor:
        return f.RecoveryFactor;
    case SweepMetric::Sqn:
        return f.Sqn;
    case SweepMetric::MaxDrawdown:
        return f.Entries == 0 ? std::numeric_limits<long double>::quiet_NaN()
                              : TenthsValue(f.MaxDrawdownTenths);
    }
    return std::numeric_limits<long double>::quiet_NaN();
}

SweepTable::SweepTable(const Instrument& inst, std::string_view pairName, const SweepGrid& grid,
                       WeekRange covered, const TradeCosts& costs)
    : grid_(grid), costs_(costs)
{
    covered_ = {std::max(covered.First, 0), std::min(covered.Last, kLastCandleIndex)};
    const int signalCount = grid.Signal.Count();
    if (signalCount == 0)
        return;
    const long double m = PointMultiplier(pairName);
    const int hourEnd = FirstEmptyIndex(inst.Hour, 1);

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
    }

    const std::size_t weekCount = weeks_.size();
    takeProfitAt_.assign(static_cast<std::size_t>(grid.TakeProfit.Count()) * weekCount, kNever);
    stopLossAt_.assign(static_cast<std::size_t>(grid.StopLoss.Count()) * weekCount, kNever);
    drawdown_.assign(weekCount * kOffsets, 0);
    timeoutPoints_.assign(weekCount * kOffsets, 0);
    timeoutResult_.assign(weekCount * kOffsets, TradeResult::Even);
    costAt_.assign(weekCount * kOffsets, 0);
    for (std::size_t p = 0; p < weekCount; ++p)
        WalkWeek(p, &inst.Hour[entries[p].Candle], entries[p].Direction, m);
}

void SweepTable::WalkWeek(std::size_t p, const Candle* h, TradeDirection direction, long double m)
{
    const std::size_t weekCount = weeks_.size();
    const int lastOffset = weeks_[p].LastOffset;
    const int spread = costs_.SpreadTenths;
    const double entryPrice = FillPrice(direction, h[0].Open, spread, m);

    // The level test of the walk, for every distance of the grid.
    auto firstReach = [h, lastOffset](double level) {
        for (int k = 0; k <= lastOffset; ++k)
            if (BarReaches(h[k].High, h[k].Low, level))
                return static_cast<std::uint8_t>(k);
        return kNever;
    };
    const AxisRange takeProfits = grid_.TakeProfit;
    std::uint8_t* tpAt = takeProfitAt_.data() + p;
    for (int n = 0; n < takeProfits.Count(); ++n)
        tpAt[static_cast<std::size_t>(n) * weekCount] =
            firstReach(TakeProfitLevel(direction, entryPrice, takeProfits.First + n, m, spread));
    const AxisRange stopLosses = grid_.StopLoss;
    std::uint8_t* slAt = stopLossAt_.data() + p;
    for (int n = 0; n < stopLosses.Count(); ++n)
        slAt[static_cast<std::size_t>(n) * weekCount] =
            firstReach(StopLossLevel(direction, entryPrice, stopLosses.First + n, m, spread));

    // The drawdown of a walk that ends at offset k: the largest adverse
    // excursion of the candles at offsets 1 to k.
    std::int32_t* drawdownAt = drawdown_.data() + p * kOffsets;
    std::int32_t drawdown = 0;
    for (int k = 1; k <= lastOffset; ++k) {
        drawdown = std::max(drawdown, AdverseExcursion(direction, entryPrice, h[k], m, spread));
        drawdownAt[k] = drawdown;
    }

    // A time-out (or the end of the data) at offset k closes at its Close.
    TradeResult* resultAt = timeoutResult_.data() + p * kOffsets;
    std::int32_t* pointsAt = timeoutPoints_.data() + p * kOffsets;
    std::int32_t* costAt = costAt_.data() + p * kOffsets;
    for (int k = 0; k <= lastOffset; ++k) {
        const MarketClose close = CloseAtMarket(direction, entryPrice, h[k].Close, m, spread);
        resultAt[k] = close.Result;
        pointsAt[k] = close.Distance;
        costAt[k] = TradeCostTenths(costs_, direction, NightsHeld(h[0].Date, h[k].Date));
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
    const int reachTp = tpAt[p];
    const int reachSl = slAt[p];
    const int exit = std::min(reachTp, reachSl);
    if (exit < holdLimit) {
        // The walk tests the take-profit first: it wins a candle that holds both.
        const ExitKind kind = reachTp <= reachSl ? ExitKind::TakeProfit : ExitKind::StopLoss;
        return {kind, exit, p * kOffsets + static_cast<std::size_t>(exit)};
    }
    const int k = std::min(holdLimit, weeks_[p].LastOffset);
    return {ExitKind::TimeOut, k, p * kOffsets + static_cast<std::size_t>(k)};
}

std::int32_t SweepTable::NetTenthsAt(const WeekExit& exit, int stopLoss, int takeProfit) const
{
    std::int32_t points = 0;
    if (exit.Kind == ExitKind::TakeProfit)
        points = takeProfit;
    else if (exit.Kind == ExitKind::StopLoss)
        points = -stopLoss;
    else if (timeoutResult_[exit.At] == TradeResult::Gained)
        points = timeoutPoints_[exit.At];
    else if (timeoutResult_[exit.At] == TradeResult::Lost)
        points = -timeoutPoints_[exit.At];
    return NetTenthsOf(points, costAt_[exit.At]);
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
                if (nets)
                    nets->Add(NetTenthsAt(exit, stopLoss, takeProfit));
                if (exit.Kind == ExitKind::TakeProfit)
                    RecordTakeProfit(r, i, k, drawdown_[exit.At]);
                else if (exit.Kind == ExitKind::StopLoss)
                    RecordStopLoss(r, i);
                else if (timeoutResult_[exit.At] == TradeResult::Gained)
                    RecordTimeoutWin(r, timeoutPoints_[exit.At]);
                else if (timeoutResult_[exit.At] == TradeResult::Lost)
                    RecordTimeoutLoss(r, timeoutPoints_[exit.At]);
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
        } else if (timeoutResult_[exit.At] == TradeResult::Gained) {
            ++bucket[Tw][g];
            bucket[TwPts][g] = Add32(bucket[TwPts][g], timeoutPoints_[exit.At]);
        } else if (timeoutResult_[exit.At] == TradeResult::Lost) {
            ++bucket[Tl][g];
            bucket[TlPts][g] = Add32(bucket[TlPts][g], timeoutPoints_[exit.At]);
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
    FillBuckets(begin, end, stopLoss, takeProfit, holdLimit, col);
    FoldBuckets(col);
    FoldSeries(col);
    if (withNets)
        FoldNets(begin, end, stopLoss, takeProfit, holdLimit, col);
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

// The metric of every group of the column just folded.
void RankGroups(SweepMetric metric, int stopLoss, int takeProfit, Worker& w)
{
    const SweepTable::Column& col = w.column;
    const int groups = col.GroupCount();
    w.keys.resize(static_cast<std::size_t>(groups));
    for (int g = 0; g < groups; ++g)
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
        // The signal values of a group tie on the metric, and a larger one
        // ranks lower: once one is turned away, so are the rest.
        for (int j = from; j < to; ++j) {
            const int signal = grid.Signal.First + j;
            if (!w.best.Admits(key, signal, stopLoss, takeProfit, holdPosition))
                break;
            w.best.Add({key, signal, stopLoss, takeProfit, holdPosition, col.Group(g)});
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

// With the per-hold cells kept: the metric of every signal value of the
// column just folded, into the block of its holding limit.
void StoreHoldCells(const Worker& w, float* cells)
{
    const SweepTable::Column& col = w.column;
    for (int g = 0; g < col.GroupCount(); ++g)
        std::fill(cells + col.FirstLaneOfGroup[g], cells + col.FirstLaneOfGroup[g + 1],
                  static_cast<float>(w.keys[g]));
}

// One (stop-loss, take-profit) column of the cells: every signal value over
// every holding limit of the grid.
void SweepColumn(const SweepParams& params, const SweepTable& sweep, int index, Worker& w, SweepOutcome& out)
{
    const SweepGrid& grid = params.Grid;
    const int lanes = grid.Signal.Count();
    const int tpCount = grid.TakeProfit.Count();
    const int stopLoss = grid.StopLoss.First + index / tpCount;
    const int takeProfit = grid.TakeProfit.First + index % tpCount;
    float* cells = out.Cells.data() + static_cast<std::size_t>(index) * lanes;
    // A stop-loss within the spread is no combination to trade: its cells stay empty.
    if (!StopLossClearsSpread(stopLoss, sweep.Costs()))
        return;
    const bool withNets = MetricNeedsNets(params.Metric);
    for (int h = 0; h < grid.HoldCount(); ++h) {
        const int holdPosition = grid.Hold ? grid.Hold->First + h : 0;
        const int holdLimit = grid.Hold ? HoldLimitOf(holdPosition) : kNoHoldLimit;
        sweep.FoldColumn(stopLoss, takeProfit, holdLimit, params.Weeks, w.column, withNets);
        RankGroups(params.Metric, stopLoss, takeProfit, w);
        if (grid.Hold && h == 0) {
            const auto groups = static_cast<std::size_t>(w.column.GroupCount());
            w.bestKey.assign(groups, std::numeric_limits<long double>::quiet_NaN());
            w.bestHold.assign(groups, 0);
        }
        OfferGroups(params, stopLoss, takeProfit, holdPosition, w, cells);
        if (!out.HoldCells.empty())
            StoreHoldCells(w, out.HoldCells.data() + static_cast<std::size_t>(h) * out.Cells.size() +
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
    std::sort(all.begin(), all.end(), Better);
    if (all.size() > static_cast<std::size_t>(std::max(params.Top, 0)))
        all.resize(static_cast<std::size_t>(params.Top));
    std::vector<SweepRow> rows;
    for (const Candidate& c : all) {
        SweepRow row;
        row.Signal = c.Signal;
        row.StopLoss = c.StopLoss;
        row.TakeProfit = c.TakeProfit;
        if (grid.Hold)
            row.Hold = c.Hold;
        row.Result = c.Result;
        row.WithCosts = !sweep.Costs().IsZero();
        const int holdLimit = grid.Hold ? HoldLimitOf(c.Hold) : kNoHoldLimit;
        NetFolder nets;
        sweep.FoldOne(c.Signal, c.StopLoss, c.TakeProfit, holdLimit, params.Weeks, &nets);
        row.Figures = FiguresOf(c.Result, c.StopLoss, c.TakeProfit, &nets);
        if (params.Forward) {
            NetFolder forwardNets;
            row.Forward =
                sweep.FoldOne(c.Signal, c.StopLoss, c.TakeProfit, holdLimit, *params.Forward, &forwardNets);
            row.ForwardFigures = FiguresOf(*row.Forward, c.StopLoss, c.TakeProfit, &forwardNets);
        }
        rows.push_back(std::move(row));
    }
    return rows;
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
    if (const std::string error = TradeCostsError(params.Costs); !error.empty())
        throw Error(error);
    const SweepTable sweep(table[params.Slot], params.PairName, params.Grid, SweptWeeks(params),
                           params.Costs);
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
    if (sweep.Costs() != params.Costs)
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
    if (grid.Hold && params.KeepHoldCells)
        out.HoldCells.assign(out.Cells.size() * static_cast<std::size_t>(holdCount),
                             std::numeric_limits<float>::quiet_NaN());
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
    std::atomic<std::int64_t> done{0};
    const std::int64_t perColumn = static_cast<std::int64_t>(lanes) * holdCount;

    ParallelFor(
        columns, workerCount,
        [&](int index, int worker) {
            SweepColumn(params, sweep, index, workers[static_cast<std::size_t>(worker)], out);
            const std::int64_t now = done.fetch_add(perColumn, std::memory_order_relaxed) + perColumn;
            if (worker == 0 && progress)
                progress(now, total);
        },
        stop);

    out.Combinations = done.load();
    out.Stopped = out.Combinations < total;
    if (progress)
        progress(out.Combinations, total);
    out.Best = BestRows(params, sweep, workers);
    return out;
}

} // namespace quillet
