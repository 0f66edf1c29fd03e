#include "report/TradeCsv.h"

#include "analysis/EquityCurve.h"
#include "model/Dates.h"
#include "model/Numbers.h"
#include "model/TradeCosts.h"

#include <algorithm>

namespace quillet {
namespace {

constexpr std::string_view kIsoDate = "yyyy-MM-dd";

constexpr std::array<std::string_view, kTradeFieldCount> kNames = {
    "week",        "signal_date", "direction", "body",   "entry_time",
    "entry_price", "take_profit", "stop_loss", "exit",   "exit_time",
    "exit_price",  "hours",       "drawdown",  "points", "cumulative_points",
};

// The text fields: the dates, the direction and the exit.
constexpr std::array<int, 5> kTextFields = {1, 2, 4, 8, 9};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void AppendField(std::string& out, const std::string& field)
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

void AppendRow(std::string& out, const auto& fields)
{
    bool first = true;
    for (const auto& field : fields) {
        if (!first)
            out += ',';
        first = false;
        AppendField(out, std::string(field));
    }
    out += '\n';
}

} // namespace

const std::array<std::string_view, kTradeFieldCount>& TradeFieldNames()
{
    return kNames;
}

bool TradeFieldIsNumber(int field)
{
    return field >= 0 && field < kTradeFieldCount &&
           std::find(kTextFields.begin(), kTextFields.end(), field) == kTextFields.end();
}

std::string_view DirectionName(TradeDirection direction)
{
    return direction == TradeDirection::Sell ? "Sell" : "Buy";
}

std::string_view ExitKindName(ExitKind kind)
{
    switch (kind) {
    case ExitKind::TakeProfit:
        return "TP";
    case ExitKind::StopLoss:
        return "SL";
    case ExitKind::TimeOut:
        return "timeout";
    case ExitKind::OutOfCandles:
        return "runout";
    }
    return "";
}

int HourOfTimeText(std::string_view time)
{
    std::size_t digits = 0;
    int hour = 0;
    while (digits < time.size() && digits < 3 && IsDigit(time[digits]))
        hour = hour * 10 + (time[digits++] - '0');
    if (digits == 0 || digits > 2 || hour > 23)
        return -1;
    if (digits < time.size() && time[digits] != ':')
        return -1;
    return hour;
}

std::string CandleMoment(double date, std::string_view time, std::string_view dateFormat)
{
    std::string out = FormatDate(date, dateFormat);
    out += ' ';
    const int hour = HourOfTimeText(time);
    if (hour < 0) {
        out += time;
        return out;
    }
    out += static_cast<char>('0' + hour / 10);
    out += static_cast<char>('0' + hour % 10);
    out += ":00";
    return out;
}

std::string CsvPrice(double price)
{
    std::string text = FormatPrice(price);
    std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

std::array<std::string, kTradeFieldCount> TradeFields(const ClosedTrade& t, std::int64_t cumulativePoints)
{
    return {
        std::to_string(t.Week),
        FormatDate(t.WeekDate, kIsoDate),
        std::string(DirectionName(t.Direction)),
        std::to_string(t.Body),
        CandleMoment(t.EntryDate, t.EntryTime, kIsoDate),
        CsvPrice(t.EntryPrice),
        CsvPrice(t.TakeProfitLevel),
        CsvPrice(t.StopLossLevel),
        std::string(ExitKindName(t.Exit)),
        CandleMoment(t.ExitDate, t.ExitTime, kIsoDate),
        CsvPrice(t.ExitPrice),
        std::to_string(t.HoursHeld),
        std::to_string(t.Drawdown),
        std::to_string(t.Points),
        std::to_string(cumulativePoints),
    };
}

const std::array<std::string_view, kTradeCostFieldCount>& TradeCostFieldNames()
{
    static constexpr std::array<std::string_view, kTradeCostFieldCount> kCostNames = {
        "nights", "costs", "net_points", "cumulative_net"};
    return kCostNames;
}

std::array<std::string, kTradeCostFieldCount> TradeCostFields(const ClosedTrade& t,
                                                              std::int64_t cumulativeNetTenths)
{
    return {std::to_string(t.Nights), TenthsText(t.CostTenths, '.'), TenthsText(t.NetTenths, '.'),
            TenthsText(cumulativeNetTenths, '.')};
}

std::string TradeCsv(const std::vector<ClosedTrade>& trades, bool withCosts)
{
    const EquityCurve curve = MakeEquityCurve(trades);
    const EquityCurve net = MakeNetEquityCurve(trades);
    std::string out;
    out.reserve(200 * (trades.size() + 1));
    auto row = [&out, withCosts](const auto& fields, const auto& costFields) {
        std::vector<std::string> all(fields.begin(), fields.end());
        if (withCosts)
            all.insert(all.end(), costFields.begin(), costFields.end());
        AppendRow(out, all);
    };
    row(kNames, TradeCostFieldNames());
    for (std::size_t i = 0; i < trades.size(); ++i)
        row(TradeFields(trades[i], curve.Cumulative[i]), TradeCostFields(trades[i], net.Cumulative[i]));
    return out;
}

} // namespace quillet
