#pragma once
// The trade list as text for other programs: one CSV row per trade with ISO
// dates and "." decimals, whatever the window's date format. The command
// line and the window write it through these functions, so their files
// agree byte for byte; the command line's JSON uses the same fields.

#include "engine/ClosedTrade.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

inline constexpr int kTradeFieldCount = 15;

/// The field names, in column order: week, signal_date, direction, body,
/// entry_time, entry_price, take_profit, stop_loss, exit, exit_time,
/// exit_price, hours, drawdown, points, cumulative_points.
const std::array<std::string_view, kTradeFieldCount>& TradeFieldNames();

/// True for the fields that hold a number (the others hold a text).
bool TradeFieldIsNumber(int field);

/// "Buy" or "Sell".
std::string_view DirectionName(TradeDirection direction);

/// "TP", "SL", "timeout" (the holding limit) or "runout" (the hourly data ended).
std::string_view ExitKindName(ExitKind kind);

/// The hour of a candle's time text ("7", "07", "07:00"), or -1 when the text
/// does not start with an hour from 0 to 23.
int HourOfTimeText(std::string_view time);

/// A candle's date and time: the date in `dateFormat`, a blank and "hh:00"
/// when the time text gives an hour, or the time text as stored otherwise.
std::string CandleMoment(double date, std::string_view time, std::string_view dateFormat);

/// A price with up to 15 significant digits and "." as the decimal separator.
std::string CsvPrice(double price);

/// The fields of one trade as the CSV writes them, with the running sum of
/// points up to and with it.
std::array<std::string, kTradeFieldCount> TradeFields(const ClosedTrade& trade,
                                                      std::int64_t cumulativePoints);

/// The columns of a trade's costs, after the fields above: nights, costs,
/// net_points, cumulative_net (points with one decimal, ".").
inline constexpr int kTradeCostFieldCount = 4;
const std::array<std::string_view, kTradeCostFieldCount>& TradeCostFieldNames();
std::array<std::string, kTradeCostFieldCount> TradeCostFields(const ClosedTrade& trade,
                                                              std::int64_t cumulativeNetTenths);

/// The header row and one row per trade, each ending in "\n"; a field with a
/// comma, a quote or a line break is quoted. With `withCosts`, the cost
/// columns follow.
std::string TradeCsv(const std::vector<ClosedTrade>& trades, bool withCosts = false);

} // namespace quillet
