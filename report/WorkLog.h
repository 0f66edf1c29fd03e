#pragma once
// The work log of the single-pair run: the one place that turns the run's
// events into the Russian lines of the log page, and into the two notices a
// run can show.

#include "engine/BacktestParams.h"
#include "engine/TradeEvents.h"
#include "model/Instrument.h"
#include "rule/TradeSeries.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quillet {

/// Receives the work-log lines one at a time, in order. An empty function
/// means the log is off.
using WorkLog = std::function<void(const std::string& line)>;
/// Shows a modal notice and returns once the user has dismissed it.
using Notify = std::function<void(const std::string& text)>;

/// Writes the lines of a run to `log` when params.LogEnabled is set and `log`
/// is given (forming no text otherwise), and shows the notices of a position
/// closed for want of candles or exactly at its entry price through `notify`
/// whatever the log switch says.
class WorkLogWriter : public TradeEventReader {
  public:
    WorkLogWriter(const BacktestParams& params, const Instrument& instrument, const WorkLog& log,
                  const Notify& notify);

    /// The conditions of the run, written before its first week.
    void WriteHeader();

    void OnWeekExamined(const WeekExamined& e) override;
    void OnEntrySearched(const EntrySearched& e) override;
    void OnPositionOpened(const PositionOpened& e) override;
    void OnCandleExamined(const CandleExamined& e) override;
    void OnPositionClosed(const PositionClosed& e) override;

  private:
    void Write(const std::string& line) const { log_(line); }
    void Tell(const std::string& text) const;
    void WriteLevelReached(const PositionClosed& e);
    void WriteTimeoutBalance(const PositionClosed& e) const;

    const BacktestParams& params_;
    const Instrument& instrument_;
    const WorkLog& log_;
    const Notify& notify_;
    const bool logging_;
    // The counts and runs that the bookkeeping lines quote, kept from the events.
    std::int32_t takeProfits_ = 0;
    std::int32_t stopLosses_ = 0;
    TradeSeries series_;
};

/// The line that ends the log, written after the report.
std::string WorkLogClosingLine();

} // namespace quillet
