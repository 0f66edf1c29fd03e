#include "cli/TradesOutput.h"

#include "backtest/ResultFields.h"
#include "backtest/TradeCsv.h"
#include "backtest/TradeList.h"
#include "store/Errors.h"
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

nlohmann::ordered_json TradesJson(const std::vector<ClosedTrade>& trades)
{
    const EquityCurve curve = MakeEquityCurve(trades);
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < trades.size(); ++i) {
        const auto fields = TradeFields(trades[i], curve.Cumulative[i]);
        nlohmann::ordered_json row = nlohmann::ordered_json::object();
        for (int f = 0; f < kTradeFieldCount; ++f) {
            const std::string key(TradeFieldNames()[f]);
            // A price that is no number (corrupt quotes: "NAN") stays a text.
            nlohmann::ordered_json value;
            if (TradeFieldIsNumber(f))
                value = nlohmann::ordered_json::parse(fields[f], nullptr, false);
            row[key] = value.is_discarded() || value.is_null() ? nlohmann::ordered_json(fields[f]) : value;
        }
        list.push_back(std::move(row));
    }
    return list;
}

bool WriteTradesCsv(const std::string& path, const std::vector<ClosedTrade>& trades, Context& ctx)
{
    const std::string csv = TradeCsv(trades);
    if (path == "-") {
        ctx.out << csv;
        return true;
    }
    try {
        WriteFileAtomically(path, csv.data(), csv.size());
    } catch (const Error& e) {
        ctx.err << NamedErrorText(e) << '\n';
        ctx.exitCode = kFailure;
        return false;
    }
    return true;
}

} // namespace quillet::cli
