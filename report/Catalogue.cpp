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

std::string CostRangeMessage(const CostRangeFault& f)
{
    // In the order of CostKind.
    static constexpr const char* kNames[] = {"Спред", "Комиссия", "Своп покупки", "Своп продажи"};
    return std::string(kNames[static_cast<int>(f.Kind)]) + " " + TenthsText(f.Tenths) +
           " п вне пределов от " + TenthsText(f.LowestTenths) + " до " + TenthsText(f.HighestTenths) + " п";
}

std::string CostsMessage(const TradeCosts& costs, int stopLossPoints)
{
    if (const std::optional<CostRangeFault> fault = TradeCostsFault(costs))
        return CostRangeMessage(*fault);
    if (!CostModel(costs, 1).StopLossClearsSpread(stopLossPoints))
        return "Стоп-лосс (" + std::to_string(stopLossPoints) + " п) должен быть больше спреда (" +
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

std::string LeftOutText(std::int64_t leftOut)
{
    return "ещё " + std::to_string(leftOut) + " не считались: стоп-лосс не больше спреда";
}

namespace {

struct NoChoiceWords {
    std::string_view Text, Name;
};

// In the order of NoChoice.
constexpr std::array<NoChoiceWords, 5> kNoChoiceWords = {{
    {"", ""},
    {"нет комбинаций с достаточным числом входов: окно не торгует", "too_few_entries"},
    {"ни у одной комбинации с достаточным числом входов нет значения метрики: окно не торгует",
     "no_metric_value"},
    {"ни одна комбинация не проходит правило плато (половина окрестности с достаточным числом входов): "
     "окно не торгует",
     "no_plateau"},
    {"все стоп-лоссы сетки не больше спреда: окно не торгует", "stop_loss_within_spread"},
}};

} // namespace

std::string_view NoChoiceText(NoChoice reason)
{
    return kNoChoiceWords[static_cast<std::size_t>(reason)].Text;
}

std::string_view NoChoiceName(NoChoice reason)
{
    return kNoChoiceWords[static_cast<std::size_t>(reason)].Name;
}

std::string_view EfficiencyGapText(EfficiencyGap gap)
{
    switch (gap) {
    case EfficiencyGap::None:
        return "";
    case EfficiencyGap::NoWeeks:
        return "нет недель в выборке или вне её";
    case EfficiencyGap::InSampleNotProfit:
        return "чистые пункты выбранных комбинаций в выборке в сумме не больше нуля: отношение не имеет "
               "смысла";
    }
    return "";
}

std::string_view EfficiencyGapName(EfficiencyGap gap)
{
    switch (gap) {
    case EfficiencyGap::None:
        return "";
    case EfficiencyGap::NoWeeks:
        return "no_weeks";
    case EfficiencyGap::InSampleNotProfit:
        return "in_sample_net_not_positive";
    }
    return "";
}

std::string ClippedRangeText(WeekRange asked, WeekRange used)
{
    return "недели " + std::to_string(asked.First) + ".." + std::to_string(asked.Last) +
           " ограничены данными инструмента: " + std::to_string(used.First) + ".." +
           std::to_string(used.Last);
}

} // namespace quillet
