#include "backtest/BacktestParams.h"

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

} // namespace quillet

namespace quillet {

std::string CostsError(const BacktestParams& params)
{
    if (std::string error = TradeCostsError(params.Costs); !error.empty())
        return error;
    if (!StopLossClearsSpread(params.StopLossPoints, params.Costs))
        return "Stop-loss " + std::to_string(params.StopLossPoints) + " is not larger than the spread " +
               TenthsText(params.Costs.SpreadTenths, '.');
    return {};
}

std::string CostsMessage(const BacktestParams& params)
{
    if (!TradeCostsError(params.Costs).empty())
        return "Издержки вне допустимых пределов";
    if (!StopLossClearsSpread(params.StopLossPoints, params.Costs))
        return "Stop Loss (" + std::to_string(params.StopLossPoints) + " п) должен быть больше спреда (" +
               TenthsText(params.Costs.SpreadTenths) + " п)";
    return {};
}

} // namespace quillet
