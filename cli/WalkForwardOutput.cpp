#include "cli/WalkForwardOutput.h"

#include "cli/MonteCarloOutput.h"
#include "model/Dates.h"
#include "report/Catalogue.h"
#include "report/FigureTexts.h"

namespace quillet::cli {

std::string WeeksText(WeekRange w)
{
    return std::to_string(w.First) + ".." + std::to_string(w.Last);
}

std::string WeekDate(const Instrument& inst, WeekRange weeks, int end)
{
    const double date = WeekRangeDates(inst.Week, weeks)[static_cast<std::size_t>(end)];
    return date == 0 ? "-" : FormatDate(date);
}

nlohmann::ordered_json SpanJson(const Instrument& inst, WeekRange weeks)
{
    return {{"weeks", {weeks.First, weeks.Last}},
            {"dates", {WeekDate(inst, weeks, 0), WeekDate(inst, weeks, 1)}}};
}

void AddEfficiencyAndMonteCarlo(nlohmann::ordered_json& doc, EfficiencyGap missing,
                                const std::optional<MonteCarloOutcome>& mc)
{
    if (missing != EfficiencyGap::None)
        doc["efficiency_missing"] = EfficiencyGapName(missing);
    if (mc)
        doc["monte_carlo"] = MonteCarloJson(*mc);
}

void PrintEfficiencyAndMonteCarlo(std::ostream& os, const std::optional<long double>& efficiency,
                                  EfficiencyGap missing, const std::optional<MonteCarloOutcome>& mc)
{
    os << "Эффективность: " << RatioFigureText(efficiency);
    if (missing != EfficiencyGap::None)
        os << " (" << EfficiencyGapText(missing) << ')';
    os << '\n';
    if (mc)
        PrintMonteCarlo(os, *mc);
}

} // namespace quillet::cli
