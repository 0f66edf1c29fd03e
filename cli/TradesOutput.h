#pragma once
// The trade list of a backtest on the command line: as CSV into a file or
// onto standard output, and as the "trades" array of the JSON output.

#include "analysis/TradeStats.h"
#include "cli/Cli.h"
#include "engine/ClosedTrade.h"
#include "engine/SinglePair.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace quillet::cli {

/// One object per trade with the CSV's field names; numbers stay numbers
/// (prices with the CSV's 15 significant digits), the rest are texts.
/// The seventeen totals of a run as a JSON object, in the order of BacktestResult.
nlohmann::ordered_json ResultJson(const BacktestResult& r);

/// With `withCosts`, each trade also has nights, costs and net_points; with
/// `withEntrySpread` (a recorded spread) entry_spread too.
nlohmann::ordered_json TradesJson(const std::vector<ClosedTrade>& trades, bool withCosts = false,
                                  bool withEntrySpread = false);

/// The costs as points: spread ("recorded" for the spread of each hour),
/// commission, swap_long, swap_short.
nlohmann::ordered_json CostsJson(const TradeCosts& costs);

/// The figures of a trade list: points with one decimal, ratios with two,
/// null where a divisor is 0; by_year as an array.
nlohmann::ordered_json StatsJson(const TradeStats& stats);

/// A number of tenths of a point as a JSON number of points.
nlohmann::ordered_json TenthsJson(long long tenths);

/// Writes the CSV to `path` ("-": standard output), a file only through a
/// complete temporary copy. On failure tells why on ctx.err, sets the
/// failure status and returns false.
bool WriteTradesCsv(const std::string& path, const std::vector<ClosedTrade>& trades, Context& ctx,
                    bool withCosts = false, bool withEntrySpread = false);

} // namespace quillet::cli
