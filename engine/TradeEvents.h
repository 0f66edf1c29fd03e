#pragma once
// What happens in a single-pair run, as data: the walk emits these events in
// order and its readers (the bookkeeping, the work log, a trade list) turn
// them into totals, lines and trades. Candle pointers point into the
// instrument table and are valid while the run lasts.

#include "model/Instrument.h"
#include "rule/Exit.h"
#include "rule/RuleSteps.h"

#include <cstdint>
#include <functional>

namespace quillet {

/// Called once per analysed week.
using ProgressStep = std::function<void()>;

/// A weekly candle was examined (the first event of every analysed week).
struct WeekExamined {
    int Week = 0;          // index into the Week series
    double Date = 0;       // the weekly candle's date
    std::int32_t Body = 0; // its body in points, rounded, never negative
    WeekVerdict Verdict = WeekVerdict::BodyTooShort;
};

/// The entry candle of a signal week was looked for in the hourly series.
struct EntrySearched {
    int Week = 0;
    int EntryIndex = -1;           // -1: no hourly candle in the following week
    const Candle* Entry = nullptr; // null when none was found
};

/// A position was opened at the open of its entry candle.
struct PositionOpened {
    int Week = 0;
    TradeDirection Direction = TradeDirection::Buy;
    int EntryIndex = 0;
    const Candle* Entry = nullptr;
    TradeLevels Levels;
    std::int32_t EntrySpread = 0; // the entry hour's spread, tenths of a point
};

/// One hourly candle of the walk was classified against the levels.
struct CandleExamined {
    int Offset = 0;               // 0 is the entry candle
    int Index = 0;                // index into the Hour series
    const Candle* Hour = nullptr; // the hourly candle
    BarOutcome Touched = BarOutcome::None;
    bool AtHoldLimit = false;  // the holding limit closes the position here, levels or not
    std::int32_t Drawdown = 0; // the position's drawdown so far, this candle included
};

/// A position was closed.
struct PositionClosed {
    int Week = 0;
    TradeDirection Direction = TradeDirection::Buy;
    TradeLevels Levels; // as the exit candle was compared with them
    ExitKind Kind = ExitKind::TakeProfit;
    TradeResult Result = TradeResult::Gained;
    int ExitIndex = 0;
    const Candle* Exit = nullptr;
    int Offset = 0;       // hours held: the exit candle's offset from the entry candle
    double ExitPrice = 0; // the fill at the level reached or the candle's close (a sell's at the ask)
    std::int32_t Drawdown = 0;
    std::int32_t Points = 0; // +take-profit points, -stop-loss points, or the time-out's rounded gain or loss
    int Nights = 0;
    std::int32_t CostTenths = 0; // commission less the swap earned, tenths of a point
    std::int32_t NetTenths = 0;  // Points less the costs, tenths of a point
};

/// An analysed week is over.
struct WeekEnded {
    int Week = 0;
    int Offset = 0; // the run's offset counter: the latest exit offset, 0 before the first trade
};

/// Receives the events of a run in order; each handler does nothing unless
/// a reader overrides it.
class TradeEventReader {
  public:
    virtual ~TradeEventReader() = default;
    virtual void OnWeekExamined(const WeekExamined&) {}
    virtual void OnEntrySearched(const EntrySearched&) {}
    virtual void OnPositionOpened(const PositionOpened&) {}
    virtual void OnCandleExamined(const CandleExamined&) {}
    virtual void OnPositionClosed(const PositionClosed&) {}
    virtual void OnWeekEnded(const WeekEnded&) {}
};

} // namespace quillet
