#include "cli/TradesOutput.h"

#include "cli/Commands.h"
#include "cli/ReportOutput.h"

#include "analysis/EquityCurve.h"
#include "engine/ResultFields.h"
#include "model/Errors.h"
#include "model/TradeCosts.h"
#include "report/FigureTexts.h"
#include "report/TradeCsv.h"
#include "store/Files.h"

#include <ostream>

namespace quillet::cli {

nlohmann::ordered_json ResultJson(const BacktestResult& r)
{
    nlohmann::ordered_json doc = nlohmann::ordered_json::object();
    for (const ResultField& field : kResultFields) {
        const std::string name(field.Name);
        if (field.Flag)
            doc[name] = r.*field.Flag;
        else
            doc[name] = r.*field.Count;
    }
    return doc;
}

nlohmann::ordered_json TenthsJson(long long tenths)
{
    return nlohmann::ordered_json::parse(TenthsText(tenths, '.'));
}

namespace {

nlohmann::ordered_json RatioJson(const Ratio& value, int decimals)
{
    const std::string text = RatioFigureText(value, decimals, '.');
    if (text == "-")
        return nullptr;
    return nlohmann::ordered_json::parse(text);
}

} // namespace

nlohmann::ordered_json CostsJson(const TradeCosts& c)
{
    return {{"spread",
             c.SpreadRecorded ? nlohmann::ordered_json(kRecordedSpreadOption) : TenthsJson(c.SpreadTenths)},
            {"commission", TenthsJson(c.CommissionTenths)},
            {"swap_long", TenthsJson(c.SwapLongTenths)},
            {"swap_short", TenthsJson(c.SwapShortTenths)}};
}

nlohmann::ordered_json StatsJson(const TradeStats& stats)
{
    const NetFolder& f = stats.All;
    nlohmann::ordered_json years = nlohmann::ordered_json::array();
    for (const YearFigures& y : stats.ByYear)
        years.push_back({{"year", y.Year},
                         {"trades", y.Trades},
                         {"wins", y.Wins},
                         {"net", TenthsJson(y.NetTenths)},
                         {"max_drawdown", TenthsJson(y.MaxDrawdownTenths)}});
    return {{"trades", f.Trades},
            {"net", TenthsJson(f.NetTenths)},
            {"gross_profit", TenthsJson(f.GrossProfitTenths)},
            {"gross_loss", TenthsJson(f.GrossLossTenths)},
            {"profit_factor", RatioJson(ProfitFactor(f), 2)},
            {"expectancy", RatioJson(Expectancy(f), 1)},
            {"win_rate", RatioJson(WinRate(f), 2)},
            {"average_win", RatioJson(AverageWin(f), 1)},
            {"average_loss", RatioJson(AverageLoss(f), 1)},
            {"max_drawdown", TenthsJson(f.MaxDrawdownTenths)},
            {"recovery_factor", RatioJson(RecoveryFactor(f), 2)},
            {"sqn", RatioJson(Sqn(f), 2)},
            {"longest_losing_streak", f.LongestLosingStreak},
            {"average_hours_held", RatioJson(stats.AverageHoursHeld, 1)},
            {"by_year", years}};
}

nlohmann::ordered_json TradesJson(const std::vector<ClosedTrade>& trades, bool withCosts,
                                  bool withEntrySpread)
{
    const EquityCurve curve = MakeEquityCurve(trades);
    const auto shown = static_cast<std::size_t>(TradeColumnsShown(withCosts, withEntrySpread));
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < trades.size(); ++i) {
        nlohmann::ordered_json row = nlohmann::ordered_json::object();
        for (std::size_t c = 0; c < shown; ++c) {
            const TradeColumn& column = kTradeColumns[c];
            if (!column.InJson)
                continue;
            const std::string text =
                TradeCellText(trades[i], column.Id, {curve.Cumulative[i], 0}, kProgramForm);
            // A price that is no number (corrupt quotes: "NAN") stays a text.
            nlohmann::ordered_json value;
            if (column.Number)
                value = nlohmann::ordered_json::parse(text, nullptr, false);
            row[std::string(column.Key)] =
                value.is_discarded() || value.is_null() ? nlohmann::ordered_json(text) : value;
        }
        list.push_back(std::move(row));
    }
    return list;
}

bool WriteTradesCsv(const std::string& path, const std::vector<ClosedTrade>& trades, Context& ctx,
                    bool withCosts, bool withEntrySpread)
{
    return WriteFileOrSay(path, TradeCsv(trades, withCosts, withEntrySpread), ctx);
}

} // namespace quillet::cli
