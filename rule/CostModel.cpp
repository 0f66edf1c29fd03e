#include "rule/CostModel.h"

namespace quillet {

std::string CostsError(const TradeCosts& costs, Points stopLoss)
{
    if (std::string error = TradeCostsError(costs); !error.empty())
        return error;
    if (!CostModel(costs, 1).StopLossClearsSpread(stopLoss))
        return "Stop-loss " + std::to_string(stopLoss) + " is not larger than the spread " +
               TenthsText(costs.SpreadTenths, '.');
    return {};
}

} // namespace quillet
