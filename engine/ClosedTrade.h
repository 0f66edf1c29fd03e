#pragma once
// A closed trade of the single-pair run as a value, gathered from the run's
// events: what signalled it, where it entered and left, and what it made.

#include "engine/TradeEvents.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

struct ClosedTrade {
    // The signal.
    int Week = 0;          // index of the weekly candle
    double WeekDate = 0;   // its date
    std::int32_t Body = 0; // its body in points, rounded, never negative
    TradeDirection Direction = TradeDirection::Buy;

    // The entry and the levels.
    int EntryIndex = 0; // index of the entry candle in the Hour series
    double EntryDate = 0;
    std::string EntryTime; // the candle's time text as stored
    double EntryPrice = 0; // the fill: a buy's at the ask
    double TakeProfitLevel = 0;
    double StopLossLevel = 0;
    std::int32_t EntrySpreadTenths = 0; // the entry hour's spread, tenths of a point

    // The exit.
    ExitKind Exit = ExitKind::TakeProfit;
    TradeResult Result = TradeResult::Gained;
    int ExitIndex = 0;
    double ExitDate = 0;
    std::string ExitTime;
    double ExitPrice = 0; // the fill at the level reached or the close at a time-out; a sell's at the ask
    int HoursHeld = 0;    // the exit candle's offset from the entry candle
    std::int32_t Drawdown = 0;
    std::int32_t Points =
        0; // +take-profit points, -stop-loss points, or the time-out's gain or loss; 0 when even

    // The costs.
    int Nights = 0;              // swap nights held (rule/RuleSteps.h NightsHeld)
    std::int32_t CostTenths = 0; // commission less the swap earned, tenths of a point; positive when paid
    std::int32_t NetTenths = 0;  // Points less the costs, tenths of a point
};

/// The trades' net after costs, tenths of a point.
std::int64_t NetTenthsOf(const std::vector<ClosedTrade>& trades);

/// Appends every trade of a run to `trades`, in the order they close.
class TradeCollector : public TradeEventReader {
  public:
    explicit TradeCollector(std::vector<ClosedTrade>& trades) : trades_(trades) {}

    void OnWeekExamined(const WeekExamined& e) override;
    void OnPositionOpened(const PositionOpened& e) override;
    void OnPositionClosed(const PositionClosed& e) override;

  private:
    std::vector<ClosedTrade>& trades_;
    ClosedTrade open_; // the signal and entry of the position being walked
};

} // namespace quillet
