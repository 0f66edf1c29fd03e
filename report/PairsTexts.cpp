#include "report/PairsTexts.h"

#include "report/TradeCsv.h"

#include "analysis/EquityCurve.h"
#include "report/FigureTexts.h"
#include "report/SweepTexts.h"
#include "report/TradeColumns.h"

namespace quillet {
namespace {

std::string Figure(long double value)
{
    return RatioFigureText(std::isnan(value) ? Ratio() : Ratio(value));
}

std::string CombinedNet(const CombinedFigures& f)
{
    return TenthsText(f.All.NetTenths);
}

std::string Profitable(const CombinedFigures& f)
{
    return std::to_string(f.ProfitablePairs()) + "/" + std::to_string(f.PairNetTenths.size());
}

} // namespace

std::string_view PairsMetricCaption(PairsMetric metric)
{
    // In the order of PairsMetric.
    static constexpr std::array<std::string_view, kPairsMetricNames.size()> kCaptions = {
        "Пункты (всего)",        "Худший инструмент", "Прибыльных инструментов",
        "Фактор восстановления", "Профит-фактор",     "SQN",
        "Макс. просадка"};
    return kCaptions[static_cast<std::size_t>(metric)];
}

std::string WorstPairText(const CombinedFigures& f, const std::vector<std::string>& names)
{
    const int worst = f.WorstPair();
    if (worst < 0 || static_cast<std::size_t>(worst) >= names.size())
        return "-";
    return names[static_cast<std::size_t>(worst)] + " " + TenthsText(f.WorstNetTenths());
}

std::vector<std::string> PairsRowCells(const MultiSweepRow& row, const std::vector<std::string>& names)
{
    const CombinedFigures& f = row.Combined;
    std::vector<std::string> cells = {std::to_string(row.Signal),
                                      std::to_string(row.StopLoss),
                                      std::to_string(row.TakeProfit),
                                      row.Hold ? std::to_string(*row.Hold) : "-",
                                      std::to_string(f.All.Trades),
                                      CombinedNet(f),
                                      WorstPairText(f, names),
                                      Profitable(f),
                                      RatioFigureText(ProfitFactor(f.All)),
                                      RatioFigureText(RecoveryFactor(f.All)),
                                      RatioFigureText(Sqn(f.All)),
                                      TenthsText(f.All.MaxDrawdownTenths)};
    if (row.ForwardCombined) {
        const CombinedFigures& w = *row.ForwardCombined;
        cells.insert(cells.end(),
                     {std::to_string(w.All.Trades), CombinedNet(w), WorstPairText(w, names), Profitable(w)});
    }
    return cells;
}

std::vector<std::string> PairFigureCells(const std::string& name, const PairFigures& p)
{
    const SweepFigures& f = p.Figures;
    return {name,
            std::to_string(p.Result.Entries),
            std::to_string(p.Result.TakeProfits),
            std::to_string(p.Result.StopLosses),
            TenthsText(f.NetTenths),
            Figure(f.ProfitFactor),
            Figure(f.RecoveryFactor),
            Figure(f.Sqn),
            TenthsText(f.MaxDrawdownTenths)};
}

std::vector<std::string> PairsCostsLines(const std::vector<PairSetup>& pairs, const std::vector<bool>& listed)
{
    std::vector<std::string> lines;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        std::string line = pairs[k].Name + ": " + TradeCostsCaption(pairs[k].Costs);
        if (k < listed.size() && !listed[k])
            line += " (нет в файле издержек: без издержек)";
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string PairsTradeCsv(const std::vector<ClosedTrade>& trades, const std::vector<int>& pairOf,
                          const std::vector<std::string>& names)
{
    // The single pair's list at costs, each line after its trade's instrument.
    const std::string list = TradeCsv(trades, true);
    std::string out = "pair,";
    std::size_t row = 0;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = list.find('\n', at) + 1;
        if (at > 0) {
            AppendCsvField(out, names[static_cast<std::size_t>(pairOf[row++])]);
            out += ',';
        }
        out.append(list, at, end - at);
        at = end;
    }
    return out;
}

} // namespace quillet
