#include "analysis/TradeStats.h"

#include "model/Dates.h"

#include <algorithm>

namespace quillet {

TradeStats ComputeTradeStats(const std::vector<ClosedTrade>& trades)
{
    TradeStats stats;
    std::int64_t hours = 0;
    std::vector<std::pair<int, NetFolder>> years;
    for (const ClosedTrade& t : trades) {
        stats.All.Add(t.NetTenths);
        hours += t.HoursHeld;
        CivilDate date{};
        const int year = DecodeDate(t.EntryDate, date) ? date.Year : 0;
        auto at = std::find_if(years.begin(), years.end(), [year](const auto& y) { return y.first == year; });
        if (at == years.end())
            at = years.insert(std::upper_bound(years.begin(), years.end(), year,
                                               [](int y, const auto& e) { return y < e.first; }),
                              {year, NetFolder{}});
        at->second.Add(t.NetTenths);
    }
    if (!trades.empty())
        stats.AverageHoursHeld = static_cast<long double>(hours) / static_cast<long double>(trades.size());
    for (const auto& [year, f] : years)
        stats.ByYear.push_back({year, f.Trades, f.Wins, f.NetTenths, f.MaxDrawdownTenths});
    return stats;
}

} // namespace quillet
