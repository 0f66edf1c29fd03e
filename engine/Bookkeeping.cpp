// The bookkeeping of the single-pair run: the totals of BacktestResult,
// booked outcome by outcome.

#include "engine/Bookkeeping.h"

#include "rule/Arithmetic32.h"
#include "rule/TradeSeries.h"

namespace quillet {
namespace {

TradeSeries SeriesOf(const BacktestResult& r)
{
    return {r.LastWasTakeProfit, r.TpSeries, r.TpSeriesMax, r.SlSeries, r.SlSeriesMax};
}

void StoreSeries(const TradeSeries& s, BacktestResult& r)
{
    r.LastWasTakeProfit = s.LastWasTakeProfit;
    r.TpSeries = s.TpSeries;
    r.TpSeriesMax = s.TpSeriesMax;
    r.SlSeries = s.SlSeries;
    r.SlSeriesMax = s.SlSeriesMax;
}

void StepSeries(BacktestResult& r, bool takeProfit, int weekIndex)
{
    TradeSeries series = SeriesOf(r);
    series.Step(takeProfit, weekIndex);
    StoreSeries(series, r);
}

} // namespace

void RecordEntry(BacktestResult& r)
{
    r.Entries = Add32(r.Entries, 1);
}

void RecordTakeProfit(BacktestResult& r, int weekIndex, int offset, std::int32_t drawdown)
{
    r.TakeProfits = Add32(r.TakeProfits, 1);
    StepSeries(r, true, weekIndex);
    r.HoursSum = Add32(r.HoursSum, offset);
    r.DrawdownSum = Add32(r.DrawdownSum, drawdown);
    if (drawdown > r.DrawdownMax)
        r.DrawdownMax = drawdown;
}

void RecordStopLoss(BacktestResult& r, int weekIndex)
{
    r.StopLosses = Add32(r.StopLosses, 1);
    StepSeries(r, false, weekIndex);
}

void RecordTimeoutWin(BacktestResult& r, std::int32_t points)
{
    r.TimeoutWins = Add32(r.TimeoutWins, 1);
    r.TimeoutWinPoints = Add32(r.TimeoutWinPoints, points);
}

void RecordTimeoutLoss(BacktestResult& r, std::int32_t points)
{
    r.TimeoutLosses = Add32(r.TimeoutLosses, 1);
    r.TimeoutLossPoints = Add32(r.TimeoutLossPoints, points);
}

void RecordWeekEnd(BacktestResult& r, int offset)
{
    if (offset < r.HoursMin)
        r.HoursMin = offset;
    if (offset > r.HoursMax)
        r.HoursMax = offset;
}

void Bookkeeping::OnPositionOpened(const PositionOpened&)
{
    RecordEntry(result_);
}

void BookExit(BacktestResult& r, ExitKind kind, TradeResult result, int weekIndex, int offset,
              std::int32_t drawdown, Points points)
{
    switch (kind) {
    case ExitKind::TakeProfit:
        RecordTakeProfit(r, weekIndex, offset, drawdown);
        break;
    case ExitKind::StopLoss:
        RecordStopLoss(r, weekIndex);
        break;
    case ExitKind::TimeOut:
    case ExitKind::OutOfCandles:
        // A close exactly at the entry price stays an entry and nothing more.
        if (result == TradeResult::Gained)
            RecordTimeoutWin(r, points);
        else if (result == TradeResult::Lost)
            RecordTimeoutLoss(r, -points);
        break;
    }
}

void Bookkeeping::OnPositionClosed(const PositionClosed& e)
{
    BookExit(result_, e.Kind, e.Result, e.Week, e.Offset, e.Drawdown, e.Points);
}

void Bookkeeping::OnWeekEnded(const WeekEnded& e)
{
    RecordWeekEnd(result_, e.Offset);
}

} // namespace quillet
