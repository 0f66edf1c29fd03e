#pragma once
// The single-pair backtest: the counter-trend rule replayed over the weekly
// candles of one instrument, its bookkeeping and its report.

#include "store/Instrument.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillet {

/// Receives the work-log lines one at a time, in order. An empty function
/// means the log is off.
using WorkLog = std::function<void(const std::string& line)>;
/// Called once at the start of every analysed week.
using ProgressStep = std::function<void()>;
/// Shows a modal notice and returns once the user has dismissed it.
using Notify = std::function<void(const std::string& text)>;

/// The run's parameters, gathered from the controls at the start of a run.
struct BacktestParams {
    bool LogEnabled = false;
    int Slot = 1;
    std::string PairName;
    bool RangeRestricted = false;
    int FirstWeek = 0;
    int LastWeek = 535;
    int SignalMinPoints = 85;
    int StopLossPoints = 100;
    int TakeProfitPoints = 50;
    int HoldLimit = 119;
};

enum class TradeDirection { Buy, Sell };

/// The open position during the hourly walk.
struct Trade {
    TradeDirection Direction = TradeDirection::Buy;
    int EntryIndex = 0;
    double EntryPrice = 0;
    double TakeProfitLevel = 0;
    double StopLossLevel = 0;
    int Offset = 0;
    std::int32_t Drawdown = 0;
};

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
};

// Bookkeeping: each books one event and writes its lines to `log` (if any).
void RecordEntry(BacktestResult& r);
void RecordTakeProfit(BacktestResult& r, int weekIndex, int offset, std::int32_t drawdown, const WorkLog& log);
void RecordStopLoss(BacktestResult& r, int weekIndex, const WorkLog& log);
void RecordTimeoutWin(BacktestResult& r, std::int32_t points);
void RecordTimeoutLoss(BacktestResult& r, std::int32_t points);
void RecordWeekEnd(BacktestResult& r, int offset);

/// Walks weeks FirstWeek..LastWeek of the instrument in params.Slot. Log
/// lines go to `log` only when params.LogEnabled.
void RunSinglePairBacktest(const BacktestParams& params, BacktestResult& result, const WorkLog& log,
                           const ProgressStep& progress, const Notify& notify,
                           const InstrumentTable& table = Table());

/// One value label of the report: its control name and its text.
struct LabelText {
    std::string Label;
    std::string Text;
};

/// The report of a run: the fourteen value labels in the order they are
/// written, and the closing line of the work log.
struct SinglePairReport {
    std::vector<LabelText> Labels;
    std::string ClosingLine;
};

SinglePairReport MakeSinglePairReport(const BacktestParams& params, const BacktestResult& result);

/// Min, Max and Position of the progress bar before a run.
struct ProgressSetup {
    int Min;
    int Max;
    int Position;
};

ProgressSetup ProgressBarSetup(const BacktestParams& params);

}  // namespace quillet
