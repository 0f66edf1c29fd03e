#pragma once
// The figures traders compare over the net points of a run's trades (the
// sums of NetFolder and their ratios), the hours held, and the same by year
// of entry.

#include "engine/ClosedTrade.h"
#include "engine/NetFolder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

/// One year of entries.
struct YearFigures {
    int Year = 0;
    std::int64_t Trades = 0;
    std::int64_t Wins = 0;
    std::int64_t NetTenths = 0;
    std::int64_t MaxDrawdownTenths = 0; // of the year's own cumulative net, from 0
};

/// Every figure of a trade list.
struct TradeStats {
    NetFolder All;
    Ratio AverageHoursHeld;          // mean exit offset; nothing without trades
    std::vector<YearFigures> ByYear; // ascending years of entry
};

TradeStats ComputeTradeStats(const std::vector<ClosedTrade>& trades);

} // namespace quillet
