#include "engine/BacktestParams.h"

#include "rule/CostModel.h"

namespace quillet {

BacktestParams ParamsFromControls(const SinglePairControls& c)
{
    BacktestParams params;
    params.LogEnabled = c.LogEnabled;
    params.Slot = c.Slot;
    params.PairName = c.PairName;
    params.RangeRestricted = c.RangeRestricted;
    params.FirstWeek = c.RangeRestricted ? c.FirstWeekPosition : 0;
    params.LastWeek = c.RangeRestricted ? c.LastWeekPosition : kUnrestrictedLastWeek;
    params.SignalMinPoints = c.SignalPosition;
    params.StopLossPoints = c.StopLossPosition;
    params.TakeProfitPoints = c.TakeProfitPosition;
    params.HoldLimit = c.HoldLimited ? c.HoldPosition - 1 : kUnlimitedHoldLimit;
    return params;
}

std::string CostsError(const BacktestParams& params)
{
    return CostsError(params.Costs, params.StopLossPoints);
}

} // namespace quillet
