#pragma once
// The trade list of a backtest on the command line: as CSV into a file or
// onto standard output, and as the "trades" array of the JSON output.

#include "backtest/ClosedTrade.h"
#include "backtest/SinglePair.h"
#include "cli/Cli.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace quillet::cli {

/// One object per trade with the CSV's field names; numbers stay numbers
/// (prices with the CSV's 15 significant digits), the rest are texts.
/// The seventeen totals of a run as a JSON object, in the order of BacktestResult.
nlohmann::ordered_json ResultJson(const BacktestResult& r);

nlohmann::ordered_json TradesJson(const std::vector<ClosedTrade>& trades);

/// Writes the CSV to `path` ("-": standard output), a file only through a
/// complete temporary copy. On failure tells why on ctx.err, sets the
/// failure status and returns false.
bool WriteTradesCsv(const std::string& path, const std::vector<ClosedTrade>& trades, Context& ctx);

} // namespace quillet::cli
