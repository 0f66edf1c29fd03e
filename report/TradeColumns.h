#pragma once
// The columns of a trade list, once for every place that shows one: the
// command line's CSV and JSON, the HTML report and the trade page. Each
// writes a cell in its own form: for other programs (ISO dates, "."
// decimals, English names) or for a reader (the window's date format, ","
// decimals, Russian names).

#include "engine/ClosedTrade.h"
#include "report/Catalogue.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

enum class TradeColumnId {
    Week,
    SignalDate,
    Direction,
    Body,
    EntryTime,
    EntryPrice,
    TakeProfit,
    StopLoss,
    Exit,
    ExitTime,
    ExitPrice,
    Hours,
    Drawdown,
    Points,
    CumulativePoints,
    Nights,
    Costs,
    NetPoints,
    CumulativeNet,
    EntrySpread,
};

struct TradeColumn {
    TradeColumnId Id;
    std::string_view Key;           // the CSV's heading, the JSON's key
    std::string_view Heading;       // on the trade page
    std::string_view ReportHeading; // in the HTML report
    bool Number;                    // right-aligned; a number in the JSON
    bool Costs;                     // only after a run with costs
    bool InJson;                    // a field of backtest --json's trades
};

inline constexpr std::array<TradeColumn, 20> kTradeColumns = {{
    {TradeColumnId::Week, "week", "Неделя", "Неделя", true, false, true},
    {TradeColumnId::SignalDate, "signal_date", "Сигнал", "Сигнал", false, false, true},
    {TradeColumnId::Direction, "direction", "Направление", "Направление", false, false, true},
    {TradeColumnId::Body, "body", "Тело, п", "Тело, п", true, false, true},
    {TradeColumnId::EntryTime, "entry_time", "Вход", "Вход", false, false, true},
    {TradeColumnId::EntryPrice, "entry_price", "Цена входа", "Цена входа", true, false, true},
    {TradeColumnId::TakeProfit, "take_profit", "TP", "TP", true, false, true},
    {TradeColumnId::StopLoss, "stop_loss", "SL", "SL", true, false, true},
    {TradeColumnId::Exit, "exit", "Выход", "Выход", false, false, true},
    {TradeColumnId::ExitTime, "exit_time", "Время выхода", "Время выхода", false, false, true},
    {TradeColumnId::ExitPrice, "exit_price", "Цена выхода", "Цена выхода", true, false, true},
    {TradeColumnId::Hours, "hours", "Часов", "Часов", true, false, true},
    {TradeColumnId::Drawdown, "drawdown", "Просадка, п", "Просадка, п", true, false, true},
    {TradeColumnId::Points, "points", "Пункты", "Пункты", true, false, true},
    {TradeColumnId::CumulativePoints, "cumulative_points", "Итого, п", "Итого, п", true, false, true},
    {TradeColumnId::Nights, "nights", "Ночей", "Ночей", true, true, true},
    {TradeColumnId::Costs, "costs", "Издержки, п", "Издержки, п", true, true, true},
    {TradeColumnId::NetPoints, "net_points", "Чистые, п", "Нетто, п", true, true, true},
    {TradeColumnId::CumulativeNet, "cumulative_net", "Итого чистыми, п", "Итого нетто, п", true, true, false},
    {TradeColumnId::EntrySpread, "entry_spread", "Спред входа, п", "Спред входа, п", true, true, true},
}};

/// The columns of a run without costs come first; the costs' follow, and
/// last the entry's spread, shown after a run at a recorded spread only.
inline constexpr int kTradeFieldCount = 15;
inline constexpr int kTradeCostFieldCount = 4;
static_assert(kTradeFieldCount + kTradeCostFieldCount + 1 == static_cast<int>(kTradeColumns.size()));

/// How many of the columns, from the first, a trade list shows.
constexpr int TradeColumnsShown(bool withCosts, bool withEntrySpread)
{
    return kTradeFieldCount + (withCosts || withEntrySpread ? kTradeCostFieldCount : 0) +
           (withEntrySpread ? 1 : 0);
}

/// The running sums up to and with a row's trade.
struct TradeRowSums {
    std::int64_t Points = 0;
    std::int64_t NetTenths = 0;
};

/// How a cell is written.
struct TradeTextForm {
    bool ForPrograms = true;     // ISO dates, "." decimals, English names
    std::string_view DateFormat; // the dates' format
};
inline constexpr TradeTextForm kProgramForm{true, "yyyy-MM-dd"};
/// For a reader, in the date format given.
inline TradeTextForm ReaderForm(std::string_view dateFormat)
{
    return {false, dateFormat};
}

/// One cell of a trade's row.
std::string TradeCellText(const ClosedTrade& trade, TradeColumnId column, const TradeRowSums& sums,
                          const TradeTextForm& form);

/// The hour of a candle's time text ("7", "07", "07:00"), or -1 when the text
/// does not start with an hour from 0 to 23.
int HourOfTimeText(std::string_view time);

/// A candle's date and time: the date in `dateFormat`, a blank and "hh:00"
/// when the time text gives an hour, or the time text as stored otherwise.
std::string CandleMoment(double date, std::string_view time, std::string_view dateFormat);

/// A price with up to 15 significant digits and "." as the decimal separator.
std::string CsvPrice(double price);

} // namespace quillet
