#include "backtest/RunControls.h"

#include "backtest/Sweep.h"
#include "store/Numbers.h"

#include <cmath>

namespace quillet {

std::string RangeText(const ControlRange& control, std::string_view between)
{
    return std::to_string(control.Min) + std::string(between) + std::to_string(control.Max);
}

std::string RatioText(long double value, const char* suffix)
{
    return std::isnan(value) ? "-" : FormatGeneral2(value) + suffix;
}

std::vector<std::string> BestRowCells(const SweepRow& row)
{
    std::vector<std::string> cells = {std::to_string(row.Signal),
                                      std::to_string(row.StopLoss),
                                      std::to_string(row.TakeProfit),
                                      row.Hold ? std::to_string(*row.Hold) : "-",
                                      std::to_string(row.Result.Entries),
                                      std::to_string(row.Result.TakeProfits),
                                      std::to_string(row.Result.StopLosses),
                                      std::to_string(row.Figures.Net),
                                      RatioText(row.Figures.Profitability),
                                      RatioText(row.Figures.TpShare)};
    if (row.Forward) {
        cells.push_back(std::to_string(row.Forward->Entries));
        cells.push_back(std::to_string(row.ForwardFigures->Net));
        cells.push_back(RatioText(row.ForwardFigures->Profitability));
        cells.push_back(RatioText(row.ForwardFigures->TpShare));
    }
    return cells;
}

std::string WeekRangeError(int first, int last)
{
    if (!kFirstWeekControl.Contains(first))
        return "FIRST " + std::to_string(first) + " not in range " + RangeText(kFirstWeekControl, " to ");
    if (!kLastWeekControl.Contains(last))
        return "LAST " + std::to_string(last) + " not in range " + RangeText(kLastWeekControl, " to ");
    // Weeks FIRST to LAST with FIRST after LAST would be an empty run.
    if (first > last)
        return "FIRST " + std::to_string(first) + " is after LAST " + std::to_string(last);
    return {};
}

} // namespace quillet
