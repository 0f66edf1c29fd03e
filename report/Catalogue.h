#pragma once
// The Russian names and messages of the core, in one place: what the window,
// the command line and the reports call a metric, a column of the best rows,
// a direction, an exit, the costs, and what they say about them. The engines
// return values and ids; the texts are made here.

#include "analysis/WalkForward.h"
#include "engine/SweepMetric.h"
#include "engine/TradeEvents.h"
#include "model/TradeCosts.h"

#include <array>
#include <string>
#include <string_view>

namespace quillet {

/// A metric's caption in the window's box and the reports.
std::string_view MetricCaption(SweepMetric metric);

/// A column of the best rows: its heading in the window, its heading in the
/// command line's table and its width there.
struct BestRowColumn {
    std::string_view Heading;
    std::string_view TableHeading;
    int Width;
};

/// Signal, levels, holding limit, then the run's figures.
inline constexpr std::array<BestRowColumn, 10> kBestRowColumns = {{
    {"Сигнал", "Сигнал", 6},
    {"Стоп-лосс", "SL", 3},
    {"Тейк-профит", "TP", 3},
    {"Удерж.", "Удерж.", 7},
    {"Входы", "Входы", 6},
    {"Выходов по TP", "TP", 4},
    {"Выходов по SL", "SL", 4},
    {"Пункты", "Пункты", 7},
    {"Профитность", "Профитность", 11},
    {"% TP", "%TP", 5},
}};

/// The figures of the forward check, after the columns above.
inline constexpr std::array<BestRowColumn, 4> kForwardColumns = {{
    {"Входы", "Входы", 5},
    {"Пункты", "Пункты", 7},
    {"Профитность", "Профитность", 11},
    {"% TP", "%TP", 5},
}};

/// A name for other programs (the CSV, the JSON) and a caption for a reader.
struct KindName {
    std::string_view Program;
    std::string_view Caption;
};

/// In the order of TradeDirection: "Buy" or "Sell", "Покупка" or "Продажа".
inline constexpr std::array<KindName, 2> kDirectionNames = {{{"Buy", "Покупка"}, {"Sell", "Продажа"}}};

/// In the order of ExitKind: the take-profit, the stop-loss, the holding limit
/// and the end of the hourly data.
inline constexpr std::array<KindName, 4> kExitKindNames = {
    {{"TP", "TP"}, {"SL", "SL"}, {"timeout", "тайм-аут"}, {"runout", "нет свечей"}}};

inline std::string_view DirectionName(TradeDirection direction)
{
    return kDirectionNames[static_cast<std::size_t>(direction)].Program;
}
inline std::string_view DirectionCaption(TradeDirection direction)
{
    return kDirectionNames[static_cast<std::size_t>(direction)].Caption;
}
inline std::string_view ExitKindName(ExitKind kind)
{
    return kExitKindNames[static_cast<std::size_t>(kind)].Program;
}
inline std::string_view ExitKindCaption(ExitKind kind)
{
    return kExitKindNames[static_cast<std::size_t>(kind)].Caption;
}

/// The window's line of the costs: "Издержки: спред 1,2 п, комиссия 0,7 п,
/// своп −0,3/+0,1 п" (long, then short swap, each with its sign).
std::string TradeCostsCaption(const TradeCosts& costs);

/// A cost out of its range as the window says it: "Спред -5,0 п вне
/// пределов от 0,0 до 50,0 п".
std::string CostRangeMessage(const CostRangeFault& fault);

/// Why the window cannot run with these costs and this stop-loss, or empty
/// when it can: a cost out of its range, or a stop-loss not larger than the
/// spread ("Стоп-лосс (2 п) должен быть больше спреда (2,0 п)").
std::string CostsMessage(const TradeCosts& costs, int stopLossPoints);

/// The warning that the forward weeks FIRST..LAST share weeks with the swept
/// weeks, so that the forward figures on them are not independent of the
/// choice; empty when they share none.
std::string ForwardOverlapWarning(int sweptFirst, int sweptLast, int forwardFirst, int forwardLast);

/// How many combinations a sweep left out because their stop-loss is not
/// larger than the spread: "ещё 91102 не считались: стоп-лосс не больше спреда".
std::string LeftOutText(std::int64_t leftOut);

/// Why a walk-forward window chose nothing, for a reader ("... : окно не
/// торгует") and for programs ("too_few_entries").
std::string_view NoChoiceText(NoChoice reason);
std::string_view NoChoiceName(NoChoice reason);

/// Why the walk-forward efficiency has no value, for a reader (to follow
/// its "-") and for programs; empty for EfficiencyGap::None.
std::string_view EfficiencyGapText(EfficiencyGap gap);
std::string_view EfficiencyGapName(EfficiencyGap gap);

/// The weeks of a walk-forward analysis when the instrument's data end
/// before the range asked for: "недели 0..535 ограничены данными: 0..299".
std::string ClippedRangeText(WeekRange asked, WeekRange used);

} // namespace quillet
