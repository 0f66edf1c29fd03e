#pragma once
// The trade list as text for other programs: one CSV row per trade with ISO
// dates and "." decimals, whatever the window's date format. The command
// line and the window write it through this function, so their files agree
// byte for byte.

#include "engine/ClosedTrade.h"
#include "report/TradeColumns.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// The header row and one row per trade, each ending in "\n"; a field with a
/// comma, a quote or a line break is quoted. With `withCosts`, the cost
/// columns follow; with `withEntrySpread` (a recorded spread) the entry's
/// spread after them.
/// Appends one CSV field, quoted where it holds a comma, a quote or a line end.
void AppendCsvField(std::string& out, const std::string& field);

std::string TradeCsv(const std::vector<ClosedTrade>& trades, bool withCosts = false,
                     bool withEntrySpread = false);

} // namespace quillet
