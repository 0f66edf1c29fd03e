#pragma once
// The bookkeeping of the single-pair run: each outcome booked into the
// totals, by the walk's reader of events and by the sweep's fold alike.

#include "engine/BacktestResult.h"
#include "engine/TradeEvents.h"
#include "rule/Exit.h"

#include <cstdint>

namespace quillet {

// Each books one outcome into the totals.
void RecordEntry(BacktestResult& r);
void RecordTakeProfit(BacktestResult& r, int weekIndex, int offset, std::int32_t drawdown);
void RecordStopLoss(BacktestResult& r, int weekIndex);
void RecordTimeoutWin(BacktestResult& r, std::int32_t points);
void RecordTimeoutLoss(BacktestResult& r, std::int32_t points);
void RecordWeekEnd(BacktestResult& r, int offset);

/// Books a closed trade of week `weekIndex` (its entry is booked apart): a
/// level's exit, or a close at the market that gained or lost `points`
/// (signed); one closed exactly at its entry price books nothing.
void BookExit(BacktestResult& r, ExitKind kind, TradeResult result, int weekIndex, int offset,
              std::int32_t drawdown, Points points);

/// Folds the events of a run into `result` through the operations above.
class Bookkeeping : public TradeEventReader {
  public:
    explicit Bookkeeping(BacktestResult& result) : result_(result) {}

    void OnPositionOpened(const PositionOpened& e) override;
    void OnPositionClosed(const PositionClosed& e) override;
    void OnWeekEnded(const WeekEnded& e) override;

  private:
    BacktestResult& result_;
};

} // namespace quillet
