// The single-pair walk: each weekly candle with a long enough body opens a
// position against it at the first hourly candle of the following week; the
// hourly candles then decide between take-profit, stop-loss and time-out.

#include "engine/SinglePair.h"

#include "engine/Bookkeeping.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "rule/CostModel.h"
#include "rule/EntryIndex.h"
#include "rule/Exit.h"
#include "rule/TradeRules.h"

#include <algorithm>
#include <string>

namespace quillet {
namespace {

WeekExamined ExamineWeek(const CandleSeries& weeks, int week, long double signedBody, int signalMinPoints)
{
    const SignalTest test = TestSignal(weeks, week, signedBody, signalMinPoints);
    WeekExamined e;
    e.Week = week;
    e.Date = CandleOrEmpty(weeks, week).Date;
    e.Body = test.Body;
    e.Verdict = test.Verdict;
    return e;
}

PositionOpened OpenPosition(int week, long double signedBody, const CandleSeries& hour, int entry,
                            const BacktestParams& params, const CostModel& costs)
{
    PositionOpened p;
    p.Week = week;
    p.Direction = DirectionAgainst(signedBody);
    p.EntryIndex = entry;
    p.Entry = &hour[entry];
    p.Levels =
        costs.Open(p.Direction, hour[entry].Open, entry, params.TakeProfitPoints, params.StopLossPoints);
    p.EntrySpread = costs.SpreadAt(entry);
    return p;
}

PositionClosed ClosePosition(const PositionOpened& p, ExitPoint exit, const Candle& candle,
                             std::int32_t drawdown, const BacktestParams& params, const CostModel& costs)
{
    PositionClosed c;
    c.Week = p.Week;
    c.Direction = p.Direction;
    c.Kind = exit.Kind;
    c.ExitIndex = p.EntryIndex + exit.Offset;
    c.Levels =
        costs.LevelsAt(p.Direction, p.Levels, params.TakeProfitPoints, params.StopLossPoints, c.ExitIndex);
    c.Exit = &candle;
    c.Offset = exit.Offset;
    c.Drawdown = drawdown;
    MarketClose market;
    double bid = 0;
    switch (exit.Kind) {
    case ExitKind::TakeProfit:
        market.Result = TradeResult::Gained;
        bid = c.Levels.TakeProfitLevel;
        break;
    case ExitKind::StopLoss:
        market.Result = TradeResult::Lost;
        bid = c.Levels.StopLossLevel;
        break;
    case ExitKind::TimeOut:
    case ExitKind::OutOfCandles:
        // Closed at the candle's close: a gain or a loss of the rounded
        // distance from the fill, or neither.
        market = costs.CloseAt(c.Direction, p.Levels.EntryPrice, candle.Close, c.ExitIndex);
        bid = candle.Close;
        break;
    }
    c.Result = market.Result;
    c.Points = ExitPoints(exit.Kind, market, params.TakeProfitPoints, params.StopLossPoints);
    c.ExitPrice = costs.ExitPrice(c.Direction, bid, c.ExitIndex);
    c.Nights = NightsHeld(p.Entry->Date, candle.Date);
    c.CostTenths = costs.Cost(c.Direction, c.Nights);
    c.NetTenths = CostModel::Net(c.Points, c.CostTenths);
    return c;
}

// Follows the hourly candles from the entry candle until the first exit:
// a level reached, the holding limit or the end of the hourly data. The
// drawdown counts every candle after the entry candle, the exit candle
// included.
PositionClosed WalkPosition(const PositionOpened& p, const CandleSeries& hour, int hourEnd,
                            const BacktestParams& params, const CostModel& costs, TradeEventReader& read)
{
    const int lastOffset = hourEnd - 1 - p.EntryIndex;
    std::int32_t drawdown = 0;
    for (int k = 0;; ++k) {
        const int index = p.EntryIndex + k;
        const Candle& candle = hour[index];
        if (k > 0)
            drawdown = std::max(drawdown, costs.Excursion(p.Direction, p.Levels.EntryPrice, candle, index));
        const BarOutcome touched = costs.Classify(candle, index, p.Direction, p.Levels,
                                                  params.TakeProfitPoints, params.StopLossPoints);
        const ExitPoint exit =
            FirstExit(touched == BarOutcome::TakeProfit ? k : kNeverReached,
                      touched == BarOutcome::StopLoss ? k : kNeverReached, params.HoldLimit, lastOffset);
        read.OnCandleExamined({k, index, &candle, touched, k == params.HoldLimit, drawdown});
        if (exit.Offset == k)
            return ClosePosition(p, exit, candle, drawdown, params, costs);
    }
}

} // namespace

void CheckCosts(const BacktestParams& params)
{
    if (const std::string error = CostsError(params); !error.empty())
        throw Error(error);
}

void WalkSinglePair(const BacktestParams& params, const Instrument& instrument, TradeEventReader& read)
{
    const CostModel costs(params.Costs, PointMultiplier(params.PairName), params.Spread);
    // The hourly data ends here for the whole run; nothing at or past this
    // index is ever read.
    const int hourEnd = FirstEmptyIndex(instrument.Hour, 1);
    if (const std::string error = RecordedSpreadError(params.Costs, params.Spread, hourEnd - 1);
        !error.empty())
        throw Error(error);
    // The entry candles are looked up by calendar day; the index reads each
    // hourly date at most once in the whole run.
    EntryIndex entries(instrument.Hour, 1, hourEnd);
    // The offset counter outlives the week: a week without a trade ends on
    // the exit offset of the latest trade (0 before the first one).
    int offset = 0;

    // Only the indices the weekly array holds are walked.
    const int firstWeek = std::max(params.FirstWeek, 0);
    const int lastWeek = std::min(params.LastWeek, kLastCandleIndex);
    for (int week = firstWeek; week <= lastWeek; ++week) {
        // The signal: a long enough weekly body.
        const Candle& w = instrument.Week[week];
        const long double signedBody = SignedBody(w, costs.Multiplier());
        const WeekExamined examined = ExamineWeek(instrument.Week, week, signedBody, params.SignalMinPoints);
        read.OnWeekExamined(examined);
        if (examined.Verdict == WeekVerdict::Signal) {
            // The entry: the first hourly candle of the following week.
            const int entry = entries.SinglePairEntry(w.Date);
            const bool found = entry < hourEnd;
            read.OnEntrySearched({week, found ? entry : -1, found ? &instrument.Hour[entry] : nullptr});
            if (found) {
                // The position against the week, walked hour by hour to its close.
                const PositionOpened opened =
                    OpenPosition(week, signedBody, instrument.Hour, entry, params, costs);
                read.OnPositionOpened(opened);
                const PositionClosed closed =
                    WalkPosition(opened, instrument.Hour, hourEnd, params, costs, read);
                read.OnPositionClosed(closed);
                offset = closed.Offset;
            }
        }
        read.OnWeekEnded({week, offset});
    }
}

namespace {

// The bookkeeping and the trade list, reading one walk.
class TradesReader final : public TradeEventReader {
  public:
    TradesReader(BacktestResult& result, std::vector<ClosedTrade>& trades) : book_(result), collect_(trades)
    {
    }

    void OnWeekExamined(const WeekExamined& e) override { collect_.OnWeekExamined(e); }
    void OnPositionOpened(const PositionOpened& e) override
    {
        book_.OnPositionOpened(e);
        collect_.OnPositionOpened(e);
    }
    void OnPositionClosed(const PositionClosed& e) override
    {
        book_.OnPositionClosed(e);
        collect_.OnPositionClosed(e);
    }
    void OnWeekEnded(const WeekEnded& e) override { book_.OnWeekEnded(e); }

  private:
    Bookkeeping book_;
    TradeCollector collect_;
};

} // namespace

namespace {

// The entries of a run whose stop-loss does not clear the entry hour's spread.
class EntrySpreads final : public TradeEventReader {
  public:
    EntrySpreads(const BacktestParams& params) : params_(params) {}

    void OnPositionOpened(const PositionOpened& e) override
    {
        if (!first_ && !CostModel::StopLossClears(params_.StopLossPoints, e.EntrySpread))
            first_ = SpreadRefusal{e.Week, e.EntryIndex, e.EntrySpread};
    }
    const std::optional<SpreadRefusal>& First() const { return first_; }

  private:
    const BacktestParams& params_;
    std::optional<SpreadRefusal> first_;
};

} // namespace

std::optional<SpreadRefusal> FirstEntryWithinSpread(const BacktestParams& params,
                                                    const Instrument& instrument)
{
    if (!params.Costs.SpreadRecorded)
        return std::nullopt;
    EntrySpreads entries(params);
    WalkSinglePair(params, instrument, entries);
    return entries.First();
}

void CheckCosts(const BacktestParams& params, const Instrument& instrument)
{
    CheckCosts(params);
    if (const std::string error =
            RecordedSpreadError(params.Costs, params.Spread, FirstEmptyIndex(instrument.Hour, 1) - 1);
        !error.empty())
        throw Error(error);
    if (const std::optional<SpreadRefusal> r = FirstEntryWithinSpread(params, instrument)) {
        const Candle& entry = instrument.Hour[r->EntryIndex];
        const std::string time = ShortStringText(entry.Time);
        throw Error("Stop-loss " + std::to_string(params.StopLossPoints) + " is not larger than the spread " +
                    TenthsText(r->Spread, '.') + " of the entry at " + FormatDate(entry.Date, "yyyy-mm-dd") +
                    " " + time + (time.size() <= 2 ? ":00" : "") + " (week " + std::to_string(r->Week) + ")");
    }
}

std::vector<ClosedTrade> RunSinglePairTrades(const BacktestParams& params, const Instrument& instrument,
                                             BacktestResult& result)
{
    CheckCosts(params, instrument);
    std::vector<ClosedTrade> trades;
    TradesReader reader(result, trades);
    WalkSinglePair(params, instrument, reader);
    return trades;
}

} // namespace quillet
