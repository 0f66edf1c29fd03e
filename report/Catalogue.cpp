#include "report/Catalogue.h"

#include "rule/CostModel.h"

#include <algorithm>

namespace quillet {
namespace {

// A swap with its sign: "+0,1", "−0,3" (a minus sign, not a hyphen), "0,0".
std::string SignedText(int tenths)
{
    if (tenths > 0)
        return "+" + TenthsText(tenths);
    if (tenths < 0)
        return "\u2212" + TenthsText(-static_cast<long long>(tenths));
    return TenthsText(0);
}

} // namespace

std::string_view MetricCaption(SweepMetric metric)
{
    // In the order of SweepMetric.
    static constexpr std::array<std::string_view, kMetricNames.size()> kCaptions = {
        "Пункты",        "Профитность",           "Процент TP", "Входы",
        "Профит-фактор", "Фактор восстановления", "SQN",        "Макс. просадка"};
    return kCaptions[static_cast<std::size_t>(metric)];
}

std::string TradeCostsCaption(const TradeCosts& c)
{
    const std::string spread = c.SpreadRecorded ? "по истории" : TenthsText(c.SpreadTenths) + " п";
    return "Издержки: спред " + spread + ", комиссия " + TenthsText(c.CommissionTenths) + " п, своп " +
           SignedText(c.SwapLongTenths) + "/" + SignedText(c.SwapShortTenths) + " п";
}

std::string CostsMessage(const TradeCosts& costs, int stopLossPoints)
{
    if (!TradeCostsError(costs).empty())
        return "Издержки вне допустимых пределов";
    if (!CostModel(costs, 1).StopLossClearsSpread(stopLossPoints))
        return "Stop Loss (" + std::to_string(stopLossPoints) + " п) должен быть больше спреда (" +
               TenthsText(costs.SpreadTenths) + " п)";
    return {};
}

std::string ForwardOverlapWarning(int sweptFirst, int sweptLast, int forwardFirst, int forwardLast)
{
    const int first = std::max(sweptFirst, forwardFirst);
    const int last = std::min(sweptLast, forwardLast);
    if (first > last)
        return {};
    return "Недели " + std::to_string(first) + "–" + std::to_string(last) +
           " входят и в подбор, и в проверку: цифры «(пров.)» на них не независимы от подбора";
}

} // namespace quillet
