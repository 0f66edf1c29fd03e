#include "report/SweepTexts.h"

#include "model/TradeCosts.h"

#include <charconv>
#include <cmath>

namespace quillet {

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

std::string MetricText(SweepMetric metric, long double value)
{
    if (std::isnan(value) || !(metric == SweepMetric::Net || metric == SweepMetric::MaxDrawdown))
        return RatioText(value);
    return TenthsText(static_cast<long long>(std::llrint(value * 10)));
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

} // namespace quillet
