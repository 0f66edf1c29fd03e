#pragma once
// The single-pair backtest: the counter-trend rule replayed over the weekly
// candles of one instrument, and the bookkeeping that folds its events into
// the run's totals.

#include "backtest/Arithmetic32.h"
#include "backtest/BacktestParams.h"
#include "backtest/ClosedTrade.h"
#include "backtest/RuleSteps.h"
#include "backtest/TradeEvents.h"
#include "backtest/TradeSeries.h"
#include "backtest/WorkLog.h"
#include "store/Instrument.h"

#include <cstdint>
#include <vector>

namespace quillet {

/// The totals of one run, at their start values.
struct BacktestResult {
    std::int32_t Entries = 0;
    std::int32_t TakeProfits = 0;
    std::int32_t StopLosses = 0;
    std::int32_t TimeoutWins = 0;
    std::int32_t TimeoutWinPoints = 0;
    std::int32_t TimeoutLosses = 0;
    std::int32_t TimeoutLossPoints = 0;
    std::int32_t HoursSum = 0;
    std::int32_t HoursMin = 100;
    std::int32_t HoursMax = 0;
    std::int32_t DrawdownSum = 0;
    std::int32_t DrawdownMax = 0;
    std::int32_t TpSeries = 0;
    std::int32_t TpSeriesMax = 0;
    std::int32_t SlSeries = 0;
    std::int32_t SlSeriesMax = 0;
    bool LastWasTakeProfit = false;

    friend bool operator==(const BacktestResult&, const BacktestResult&) = default;
};

// Bookkeeping: each books one outcome into the totals.
void RecordEntry(BacktestResult& r);
void RecordTakeProfit(BacktestResult& r, int weekIndex, int offset, std::int32_t drawdown);
void RecordStopLoss(BacktestResult& r, int weekIndex);
void RecordTimeoutWin(BacktestResult& r, std::int32_t points);
void RecordTimeoutLoss(BacktestResult& r, std::int32_t points);
void RecordWeekEnd(BacktestResult& r, int offset);

/// Folds the events of a run into `result` through the operations above; a
/// position closed exactly at its entry price books nothing but its entry.
class Bookkeeping : public TradeEventReader {
  public:
    explicit Bookkeeping(BacktestResult& result) : result_(result) {}

    void OnPositionOpened(const PositionOpened& e) override;
    void OnPositionClosed(const PositionClosed& e) override;
    void OnWeekEnded(const WeekEnded& e) override;

  private:
    BacktestResult& result_;
};

/// The rule itself: walks weeks FirstWeek..LastWeek of `instrument` and hands
/// every event to `reader`. Reads nothing but the instrument.
void WalkSinglePair(const BacktestParams& params, const Instrument& instrument, TradeEventReader& reader);

/// Runs the rule over the instrument in params.Slot: books the totals into
/// `result`, writes the work log to `log` (only when params.LogEnabled),
/// calls `progress` at the start of every week and shows the rare notices
/// through `notify`. Any of the three functions may be empty.
void RunSinglePairBacktest(const BacktestParams& params, BacktestResult& result, const WorkLog& log,
                           const ProgressStep& progress, const Notify& notify,
                           const InstrumentTable& table = Table());

/// As above; `also` then reads every event, after the bookkeeping and the log.
void RunSinglePairBacktest(const BacktestParams& params, BacktestResult& result, const WorkLog& log,
                           const ProgressStep& progress, const Notify& notify, TradeEventReader& also,
                           const InstrumentTable& table = Table());

/// The trades of a run, in the order they closed, with its totals in
/// `result`; no log is written and no notice shown.
std::vector<ClosedTrade> RunSinglePairTrades(const BacktestParams& params, BacktestResult& result,
                                             const InstrumentTable& table = Table());

} // namespace quillet
