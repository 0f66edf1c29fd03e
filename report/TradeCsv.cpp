#include "report/TradeCsv.h"

#include "analysis/EquityCurve.h"
#include "model/Dates.h"
#include "model/Numbers.h"
#include "model/TradeCosts.h"

#include <algorithm>

namespace quillet {

void AppendCsvField(std::string& out, const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

namespace {

void AppendRow(std::string& out, const auto& fields)
{
    bool first = true;
    for (const auto& field : fields) {
        if (!first)
            out += ',';
        first = false;
        AppendCsvField(out, std::string(field));
    }
    out += '\n';
}

} // namespace

std::string TradeCsv(const std::vector<ClosedTrade>& trades, bool withCosts, bool withEntrySpread)
{
    const EquityCurve curve = MakeEquityCurve(trades);
    const EquityCurve net = MakeNetEquityCurve(trades);
    const int columns = TradeColumnsShown(withCosts, withEntrySpread);
    std::string out;
    out.reserve(200 * (trades.size() + 1));
    std::vector<std::string> fields;
    for (int c = 0; c < columns; ++c)
        fields.emplace_back(kTradeColumns[c].Key);
    AppendRow(out, fields);
    for (std::size_t i = 0; i < trades.size(); ++i) {
        fields.clear();
        for (int c = 0; c < columns; ++c)
            fields.push_back(TradeCellText(trades[i], kTradeColumns[c].Id,
                                           {curve.Cumulative[i], net.Cumulative[i]}, kProgramForm));
        AppendRow(out, fields);
    }
    return out;
}

} // namespace quillet
