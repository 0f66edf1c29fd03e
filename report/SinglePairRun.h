#pragma once
// The single-pair run as the page "Индивидуальная статистика по парам" and
// backtest run it: the walk with its bookkeeping, its work log and its
// notices, and the trade list gathered on the way.

#include "engine/BacktestParams.h"
#include "engine/BacktestResult.h"
#include "engine/ClosedTrade.h"
#include "engine/TradeEvents.h"
#include "model/Instrument.h"
#include "report/WorkLog.h"

#include <vector>

namespace quillet {

/// Runs the rule over `instrument`: books the totals into `result`, writes
/// the work log to `log` (only when params.LogEnabled), calls `progress` at
/// the start of every week and shows the rare notices through `notify`. Any
/// of the three functions may be empty. Throws for costs it cannot trade.
void RunSinglePairBacktest(const BacktestParams& params, const Instrument& instrument, BacktestResult& result,
                           const WorkLog& log, const ProgressStep& progress, const Notify& notify);

/// As above; `also` then reads every event, after the bookkeeping and the log.
void RunSinglePairBacktest(const BacktestParams& params, const Instrument& instrument, BacktestResult& result,
                           const WorkLog& log, const ProgressStep& progress, const Notify& notify,
                           TradeEventReader& also);

/// The trades of a run, in the order they closed.
struct TradeList {
    std::vector<ClosedTrade> Trades;
    /// Per trade, the index of the first work-log line of its signal week
    /// ("Берём недельную свечу от ..."), counting the run's first header
    /// line as 0; -1 for every trade when the run wrote no log.
    std::vector<int> FirstLogLines;
};

/// Runs as RunSinglePairBacktest does (the same totals, log lines, progress
/// steps and notices) and gathers the trade list on the way.
TradeList RunSinglePairTradeList(const BacktestParams& params, const Instrument& instrument,
                                 BacktestResult& result, const WorkLog& log, const ProgressStep& progress,
                                 const Notify& notify);

} // namespace quillet
