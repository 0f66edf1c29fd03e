#pragma once
// The parameters of a single-pair run and the one mapping from the page's
// controls to them, with the rules for an unrestricted range and holding time.

#include "model/ControlRanges.h"
#include "model/RecordedSpread.h"
#include "model/TradeCosts.h"

#include <string>

namespace quillet {

/// Without a restricted range the run covers weeks 0 to this index.
inline constexpr int kUnrestrictedLastWeek = kLastWeekControl.Max;
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
    int SignalMinPoints = kSignalControl.Default;
    int StopLossPoints = kStopLossControl.Default;
    int TakeProfitPoints = kTakeProfitControl.Default;
    int HoldLimit = kUnlimitedHoldLimit;
    TradeCosts Costs;
    /// The instrument's spread of every hour, for costs with SpreadRecorded;
    /// it lives as long as the instrument does.
    const RecordedSpread* Spread = nullptr;
};

/// Why the run's costs cannot be used: out of their ranges, or a stop-loss
/// not larger than the spread; empty when they can.
std::string CostsError(const BacktestParams& params);

/// What the single-pair page's controls hold when a run starts.
struct SinglePairControls {
    int Slot = 1;                                        // the chosen pair's slot (picker entry + 1)
    std::string PairName;                                // the chosen pair's name as the picker shows it
    int SignalPosition = kSignalControl.Default;         // minimum weekly body, points
    int StopLossPosition = kStopLossControl.Default;     // points
    int TakeProfitPosition = kTakeProfitControl.Default; // points
    bool HoldLimited = false;                            // the holding-limit check box
    int HoldPosition = kHoldControl.Default;             // hours a position may be held, 1 to 120
    bool RangeRestricted = false;                        // the week-range check box
    int FirstWeekPosition = kFirstWeekControl.Default;   // the range's first week index
    int LastWeekPosition = kLastWeekControl.Default;     // the range's last week index
    bool LogEnabled = false;                             // the work-log check box
};

/// The run's parameters for the controls: the week positions count only when
/// the range is restricted, and a limit of H hours closes a position on its
/// H-th hourly candle, offset H - 1.
BacktestParams ParamsFromControls(const SinglePairControls& controls);

} // namespace quillet
