// The single-pair run: each weekly candle with a long enough body opens a
// position against it at the first hourly candle of the following week; the
// hourly candles then decide between take-profit, stop-loss and time-out.

#include "backtest/SinglePair.h"

#include "backtest/EntryIndex.h"

#include "backtest/TradeRules.h"
#include "store/Errors.h"
#include "store/Numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
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
                            const BacktestParams& params, long double m)
{
    PositionOpened p;
    p.Week = week;
    p.Direction = DirectionAgainst(signedBody);
    p.EntryIndex = entry;
    p.Entry = &hour[entry];
    p.Levels = FormLevels(p.Direction, hour[entry].Open, params.TakeProfitPoints, params.StopLossPoints, m,
                          params.Costs.SpreadTenths);
    return p;
}

// A time-out (or the end of the data) closes at the candle's close: a gain
// or a loss of the rounded distance from the fill, or neither.
void BookClose(PositionClosed& c, double close, long double m, int spreadTenths)
{
    const MarketClose market = CloseAtMarket(c.Direction, c.Levels.EntryPrice, close, m, spreadTenths);
    c.ExitPrice = close;
    c.Result = market.Result;
    c.Points = market.Result == TradeResult::Lost ? -market.Distance : market.Distance;
}

PositionClosed ClosePosition(const PositionOpened& p, ExitKind kind, int offset, const Candle& exit,
                             std::int32_t drawdown, const BacktestParams& params, long double m)
{
    PositionClosed c;
    c.Week = p.Week;
    c.Direction = p.Direction;
    c.Levels = p.Levels;
    c.Kind = kind;
    c.ExitIndex = p.EntryIndex + offset;
    c.Exit = &exit;
    c.Offset = offset;
    c.Drawdown = drawdown;
    if (kind == ExitKind::TakeProfit) {
        c.Result = TradeResult::Gained;
        c.ExitPrice = p.Levels.TakeProfitLevel;
        c.Points = params.TakeProfitPoints;
    } else if (kind == ExitKind::StopLoss) {
        c.Result = TradeResult::Lost;
        c.ExitPrice = p.Levels.StopLossLevel;
        c.Points = static_cast<std::int32_t>(-static_cast<std::int64_t>(params.StopLossPoints));
    } else {
        BookClose(c, exit.Close, m, params.Costs.SpreadTenths);
    }
    // A sell leaves at the ask.
    if (c.Direction == TradeDirection::Sell && params.Costs.SpreadTenths != 0)
        c.ExitPrice = SellExitPrice(c.ExitPrice, params.Costs.SpreadTenths, m);
    c.Nights = NightsHeld(p.Entry->Date, exit.Date);
    c.CostTenths = TradeCostTenths(params.Costs, c.Direction, c.Nights);
    c.NetTenths = NetTenthsOf(c.Points, c.CostTenths);
    return c;
}

// Follows the hourly candles from the entry candle until one reaches a
// level, the holding limit comes (it wins over a level on the same candle)
// or the hourly data ends. The drawdown counts every candle after the entry
// candle, the exit candle included.
PositionClosed WalkPosition(const PositionOpened& p, const CandleSeries& hour, int hourEnd,
                            const BacktestParams& params, long double m, TradeEventReader& read)
{
    std::int32_t drawdown = 0;
    for (int k = 0;; ++k) {
        const int index = p.EntryIndex + k;
        const Candle& candle = hour[index];
        if (k > 0)
            drawdown = std::max(drawdown, AdverseExcursion(p.Direction, p.Levels.EntryPrice, candle, m,
                                                           params.Costs.SpreadTenths));
        const BarOutcome touched = ClassifyCandle(candle, p.Levels);
        const bool atHoldLimit = k == params.HoldLimit;
        read.OnCandleExamined({k, index, &candle, touched, atHoldLimit, drawdown});
        if (atHoldLimit)
            return ClosePosition(p, ExitKind::TimeOut, k, candle, drawdown, params, m);
        if (touched != BarOutcome::None) {
            const ExitKind kind =
                touched == BarOutcome::TakeProfit ? ExitKind::TakeProfit : ExitKind::StopLoss;
            return ClosePosition(p, kind, k, candle, drawdown, params, m);
        }
        if (index + 1 >= hourEnd)
            return ClosePosition(p, ExitKind::OutOfCandles, k, candle, drawdown, params, m);
    }
}

// The readers of a run, in the order each event reaches them: the progress
// step (a week counts before it is examined), the log, the bookkeeping, and
// whoever else reads along.
class RunReaders final : public TradeEventReader {
  public:
    RunReaders(const ProgressStep& progress, WorkLogWriter& log, Bookkeeping& book, TradeEventReader* also)
        : progress_(progress), log_(log), book_(book), also_(also)
    {
    }

    void OnWeekExamined(const WeekExamined& e) override
    {
        if (progress_)
            progress_();
        log_.OnWeekExamined(e);
        if (also_)
            also_->OnWeekExamined(e);
    }
    void OnEntrySearched(const EntrySearched& e) override
    {
        log_.OnEntrySearched(e);
        if (also_)
            also_->OnEntrySearched(e);
    }
    void OnPositionOpened(const PositionOpened& e) override
    {
        log_.OnPositionOpened(e);
        book_.OnPositionOpened(e);
        if (also_)
            also_->OnPositionOpened(e);
    }
    void OnCandleExamined(const CandleExamined& e) override
    {
        log_.OnCandleExamined(e);
        if (also_)
            also_->OnCandleExamined(e);
    }
    void OnPositionClosed(const PositionClosed& e) override
    {
        log_.OnPositionClosed(e);
        book_.OnPositionClosed(e);
        if (also_)
            also_->OnPositionClosed(e);
    }
    void OnWeekEnded(const WeekEnded& e) override
    {
        book_.OnWeekEnded(e);
        if (also_)
            also_->OnWeekEnded(e);
    }

  private:
    const ProgressStep& progress_;
    WorkLogWriter& log_;
    Bookkeeping& book_;
    TradeEventReader* also_;
};

void Run(const BacktestParams& params, BacktestResult& result, const WorkLog& log,
         const ProgressStep& progress, const Notify& notify, TradeEventReader* also,
         const InstrumentTable& table)
{
    if (params.Slot < 0 || params.Slot > kLastSlot)
        throw Error("Slot " + std::to_string(params.Slot) + " is outside the instrument table");
    if (const std::string error = CostsError(params); !error.empty())
        throw Error(error);
    const Instrument& instrument = table[params.Slot];
    WorkLogWriter writer(params, instrument, log, notify);
    Bookkeeping book(result);
    RunReaders readers(progress, writer, book, also);
    writer.WriteHeader();
    WalkSinglePair(params, instrument, readers);
}

} // namespace

void WalkSinglePair(const BacktestParams& params, const Instrument& instrument, TradeEventReader& read)
{
    const long double m = PointMultiplier(params.PairName);
    // The hourly data ends here for the whole run; nothing at or past this
    // index is ever read.
    const int hourEnd = FirstEmptyIndex(instrument.Hour, 1);
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
        const long double signedBody = SignedBody(w, m);
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
                    OpenPosition(week, signedBody, instrument.Hour, entry, params, m);
                read.OnPositionOpened(opened);
                const PositionClosed closed = WalkPosition(opened, instrument.Hour, hourEnd, params, m, read);
                read.OnPositionClosed(closed);
                offset = closed.Offset;
            }
        }
        read.OnWeekEnded({week, offset});
    }
}

void RunSinglePairBacktest(const BacktestParams& params, BacktestResult& result, const WorkLog& log,
                           const ProgressStep& progress, const Notify& notify, const InstrumentTable& table)
{
    Run(params, result, log, progress, notify, nullptr, table);
}

void RunSinglePairBacktest(const BacktestParams& params, BacktestResult& result, const WorkLog& log,
                           const ProgressStep& progress, const Notify& notify, TradeEventReader& also,
                           const InstrumentTable& table)
{
    Run(params, result, log, progress, notify, &also, table);
}

std::vector<ClosedTrade> RunSinglePairTrades(const BacktestParams& params, BacktestResult& result,
                                             const InstrumentTable& table)
{
    std::vector<ClosedTrade> trades;
    TradeCollector collect(trades);
    Run(params, result, {}, {}, {}, &collect, table);
    return trades;
}

} // namespace quillet
