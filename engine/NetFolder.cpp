#include "engine/NetFolder.h"

#include <cmath>

namespace quillet {
namespace {

Ratio Quotient(long double numerator, long double divisor)
{
    if (divisor == 0)
        return std::nullopt;
    return numerator / divisor;
}

} // namespace

void NetFolder::Add(std::int64_t net)
{
    ++Trades;
    NetTenths += net;
    SquaresTenths += static_cast<long double>(net) * static_cast<long double>(net);
    if (net > 0) {
        GrossProfitTenths += net;
        ++Wins;
    } else if (net < 0) {
        GrossLossTenths -= net;
        ++Losses;
    }
    LosingStreak = net < 0 ? LosingStreak + 1 : 0;
    LongestLosingStreak = std::max(LongestLosingStreak, LosingStreak);
    FollowDrawdown(NetTenths, Peak, MaxDrawdownTenths);
}

Ratio ProfitFactor(const NetFolder& f)
{
    return Quotient(f.GrossProfitTenths, f.GrossLossTenths);
}

Ratio Expectancy(const NetFolder& f)
{
    return Quotient(f.NetTenths, 10.0L * f.Trades);
}

Ratio WinRate(const NetFolder& f)
{
    return Quotient(f.Wins, f.Trades);
}

Ratio AverageWin(const NetFolder& f)
{
    return Quotient(f.GrossProfitTenths, 10.0L * f.Wins);
}

Ratio AverageLoss(const NetFolder& f)
{
    return Quotient(f.GrossLossTenths, 10.0L * f.Losses);
}

Ratio RecoveryFactor(const NetFolder& f)
{
    return Quotient(f.NetTenths, f.MaxDrawdownTenths);
}

Ratio Sqn(const NetFolder& f)
{
    if (f.Trades < 2)
        return std::nullopt;
    // n * (sum of squares) - sum^2 is n^2 times the population variance:
    // exact in extended precision for any real account, and 0 exactly when
    // every net is the same.
    const long double net = static_cast<long double>(f.NetTenths);
    const long double spread = static_cast<long double>(f.Trades) * f.SquaresTenths - net * net;
    if (spread <= 0)
        return std::nullopt;
    return static_cast<long double>(f.NetTenths) * std::sqrt(static_cast<long double>(f.Trades - 1)) /
           std::sqrt(spread);
}

} // namespace quillet
