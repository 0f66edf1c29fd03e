#pragma once
// The parameters of a single-pair run and the one mapping from the page's
// controls to them, with the rules for an unrestricted range and holding time.

#include <string>

namespace quillet {

/// Without a restricted range the run covers weeks 0 to this index.
inline constexpr int kUnrestrictedLastWeek = 535;
/// Without a holding limit a position is walked up to this offset: 120
/// hourly candles, the entry candle included.
inline constexpr int kUnlimitedHoldLimit = 119;

/// The run's parameters, gathered from the controls at the start of a run.
struct BacktestParams {
    bool LogEnabled = false;
    int Slot = 1;
    std::string PairName;
    bool RangeRestricted = false;
    int FirstWeek = 0;
    int LastWeek = kUnrestrictedLastWeek;
    int SignalMinPoints = 85;
    int StopLossPoints = 100;
    int TakeProfitPoints = 50;
    int HoldLimit = kUnlimitedHoldLimit;
};

/// What the single-pair page's controls hold when a run starts.
struct SinglePairControls {
    int Slot = 1;                 // the chosen pair's slot (picker entry + 1)
    std::string PairName;         // the chosen pair's name as the picker shows it
    int SignalPosition = 85;      // minimum weekly body, points
    int StopLossPosition = 100;   // points
    int TakeProfitPosition = 50;  // points
    bool HoldLimited = false;     // the holding-limit check box
    int HoldPosition = 48;        // hours a position may be held, 1 to 120
    bool RangeRestricted = false; // the week-range check box
    int FirstWeekPosition = 1;    // the range's first week index
    int LastWeekPosition = 535;   // the range's last week index
    bool LogEnabled = false;      // the work-log check box
};

/// The run's parameters for the controls: the week positions count only when
/// the range is restricted, and a limit of H hours closes a position on its
/// H-th hourly candle, offset H - 1.
BacktestParams ParamsFromControls(const SinglePairControls& controls);

} // namespace quillet
