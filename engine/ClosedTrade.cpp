#include "engine/ClosedTrade.h"

namespace quillet {

std::int64_t NetTenthsOf(const std::vector<ClosedTrade>& trades)
{
    std::int64_t net = 0;
    for (const ClosedTrade& t : trades)
        net += t.NetTenths;
    return net;
}

void TradeCollector::OnWeekExamined(const WeekExamined& e)
{
    open_ = ClosedTrade{};
    open_.Week = e.Week;
    open_.WeekDate = e.Date;
    open_.Body = e.Body;
}

void TradeCollector::OnPositionOpened(const PositionOpened& e)
{
    open_.Direction = e.Direction;
    open_.EntryIndex = e.EntryIndex;
    open_.EntryDate = e.Entry->Date;
    open_.EntryTime = ShortStringText(e.Entry->Time);
    open_.EntryPrice = e.Levels.EntryPrice;
    open_.TakeProfitLevel = e.Levels.TakeProfitLevel;
    open_.StopLossLevel = e.Levels.StopLossLevel;
    open_.EntrySpreadTenths = e.EntrySpread;
}

void TradeCollector::OnPositionClosed(const PositionClosed& e)
{
    ClosedTrade& t = trades_.emplace_back(open_);
    t.Exit = e.Kind;
    t.Result = e.Result;
    t.ExitIndex = e.ExitIndex;
    t.ExitDate = e.Exit->Date;
    t.ExitTime = ShortStringText(e.Exit->Time);
    t.ExitPrice = e.ExitPrice;
    t.HoursHeld = e.Offset;
    t.Drawdown = e.Drawdown;
    t.Points = e.Points;
    t.Nights = e.Nights;
    t.CostTenths = e.CostTenths;
    t.NetTenths = e.NetTenths;
}

} // namespace quillet
