#include "report/TradeColumns.h"

#include "model/Dates.h"
#include "model/Numbers.h"
#include "model/TradeCosts.h"
#include "report/Catalogue.h"

#include <algorithm>

namespace quillet {
namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string PriceText(double price, const TradeTextForm& form)
{
    return form.ForPrograms ? CsvPrice(price) : FormatPrice(price);
}

std::string TenthsCell(std::int64_t tenths, const TradeTextForm& form)
{
    return TenthsText(tenths, form.ForPrograms ? '.' : ',');
}

} // namespace

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

std::string TradeCellText(const ClosedTrade& t, TradeColumnId column, const TradeRowSums& sums,
                          const TradeTextForm& form)
{
    switch (column) {
    case TradeColumnId::Week:
        return std::to_string(t.Week);
    case TradeColumnId::SignalDate:
        return FormatDate(t.WeekDate, form.DateFormat);
    case TradeColumnId::Direction:
        return std::string(form.ForPrograms ? DirectionName(t.Direction) : DirectionCaption(t.Direction));
    case TradeColumnId::Body:
        return std::to_string(t.Body);
    case TradeColumnId::EntryTime:
        return CandleMoment(t.EntryDate, t.EntryTime, form.DateFormat);
    case TradeColumnId::EntryPrice:
        return PriceText(t.EntryPrice, form);
    case TradeColumnId::TakeProfit:
        return PriceText(t.TakeProfitLevel, form);
    case TradeColumnId::StopLoss:
        return PriceText(t.StopLossLevel, form);
    case TradeColumnId::Exit:
        return std::string(form.ForPrograms ? ExitKindName(t.Exit) : ExitKindCaption(t.Exit));
    case TradeColumnId::ExitTime:
        return CandleMoment(t.ExitDate, t.ExitTime, form.DateFormat);
    case TradeColumnId::ExitPrice:
        return PriceText(t.ExitPrice, form);
    case TradeColumnId::Hours:
        return std::to_string(t.HoursHeld);
    case TradeColumnId::Drawdown:
        return std::to_string(t.Drawdown);
    case TradeColumnId::Points:
        return std::to_string(t.Points);
    case TradeColumnId::CumulativePoints:
        return std::to_string(sums.Points);
    case TradeColumnId::Nights:
        return std::to_string(t.Nights);
    case TradeColumnId::Costs:
        return TenthsCell(t.CostTenths, form);
    case TradeColumnId::NetPoints:
        return TenthsCell(t.NetTenths, form);
    case TradeColumnId::CumulativeNet:
        return TenthsCell(sums.NetTenths, form);
    case TradeColumnId::EntrySpread:
        return TenthsCell(t.EntrySpreadTenths, form);
    }
    return {};
}

} // namespace quillet
