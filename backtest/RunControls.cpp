#include "backtest/RunControls.h"

#include "backtest/Sweep.h"
#include "store/TradeCosts.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace quillet {

std::string RangeText(const ControlRange& control, std::string_view between)
{
    return std::to_string(control.Min) + std::string(between) + std::to_string(control.Max);
}

std::string RatioText(long double value, const char* suffix)
{
    if (std::isnan(value))
        return "-";
    // One decimal with the "," separator, and none when it is 0: 100, 66,7.
    char buf[64];
    const auto end =
        std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, 1).ptr;
    std::string text(buf, end);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, ".0") == 0)
        text.resize(text.size() - 2);
    else
        text[text.size() - 2] = ',';
    if (text == "-0")
        text = "0";
    return text + suffix;
}

std::vector<std::string> BestRowCells(const SweepRow& row)
{
    // After costs the net has tenths of a point.
    const auto net = [&row](const SweepFigures& f) {
        return row.WithCosts ? TenthsText(f.NetTenths) : std::to_string(f.Net);
    };
    std::vector<std::string> cells = {std::to_string(row.Signal),
                                      std::to_string(row.StopLoss),
                                      std::to_string(row.TakeProfit),
                                      row.Hold ? std::to_string(*row.Hold) : "-",
                                      std::to_string(row.Result.Entries),
                                      std::to_string(row.Result.TakeProfits),
                                      std::to_string(row.Result.StopLosses),
                                      net(row.Figures),
                                      RatioText(row.Figures.Profitability),
                                      RatioText(row.Figures.TpShare)};
    if (row.Forward) {
        cells.push_back(std::to_string(row.Forward->Entries));
        cells.push_back(net(*row.ForwardFigures));
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
