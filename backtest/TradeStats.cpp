#include "backtest/TradeStats.h"

#include "store/Dates.h"
#include "store/Numbers.h"
#include "store/TradeCosts.h"

#include <algorithm>
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
    SquaresTenths += net * net;
    if (net > 0) {
        GrossProfitTenths += net;
        ++Wins;
    } else if (net < 0) {
        GrossLossTenths -= net;
        ++Losses;
    }
    LosingStreak = net < 0 ? LosingStreak + 1 : 0;
    LongestLosingStreak = std::max(LongestLosingStreak, LosingStreak);
    Peak = std::max(Peak, NetTenths);
    MaxDrawdownTenths = std::max(MaxDrawdownTenths, Peak - NetTenths);
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
    // exact in 128 bits, and 0 exactly when every net is the same.
    const __int128 spread =
        static_cast<__int128>(f.Trades) * f.SquaresTenths - static_cast<__int128>(f.NetTenths) * f.NetTenths;
    if (spread <= 0)
        return std::nullopt;
    return static_cast<long double>(f.NetTenths) * std::sqrt(static_cast<long double>(f.Trades - 1)) /
           std::sqrt(static_cast<long double>(spread));
}

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

std::string RatioFigureText(const Ratio& value, int decimals, char separator)
{
    if (!value || !std::isfinite(*value))
        return "-";
    long double scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const std::int64_t scaled = RoundHalfEven(*value * scale);
    const std::uint64_t magnitude =
        scaled < 0 ? 0ULL - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    std::string digits = std::to_string(magnitude);
    if (digits.size() <= static_cast<std::size_t>(decimals))
        digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
    std::string text = scaled < 0 ? "-" : "";
    text += digits.substr(0, digits.size() - static_cast<std::size_t>(decimals));
    if (decimals > 0) {
        text += separator;
        text += digits.substr(digits.size() - static_cast<std::size_t>(decimals));
    }
    return text;
}

std::vector<FigureText> FigureTexts(const TradeStats& stats)
{
    const NetFolder& f = stats.All;
    const auto points = [](std::int64_t tenths) { return TenthsText(tenths); };
    return {
        {"trades", "Сделок", "Сделок", "", std::to_string(f.Trades)},
        {"net", "Итог после издержек", "Итог после издержек", "пп", points(f.NetTenths)},
        {"gross_profit", "Валовая прибыль", "Валовая прибыль", "пп", points(f.GrossProfitTenths)},
        {"gross_loss", "Валовый убыток", "Валовый убыток", "пп", points(f.GrossLossTenths)},
        {"profit_factor", "Профит-фактор", "Профит-фактор", "", RatioFigureText(ProfitFactor(f))},
        {"expectancy", "Матожидание сделки", "Матожидание сделки", "пп", RatioFigureText(Expectancy(f), 1)},
        {"win_rate", "Доля прибыльных", "Доля прибыльных", "", RatioFigureText(WinRate(f))},
        {"average_win", "Средняя прибыль", "Средняя прибыль", "пп", RatioFigureText(AverageWin(f), 1)},
        {"average_loss", "Средний убыток", "Средний убыток", "пп", RatioFigureText(AverageLoss(f), 1)},
        {"max_drawdown", "Максимальная просадка", "Макс. просадка", "пп", points(f.MaxDrawdownTenths)},
        {"recovery_factor", "Фактор восстановления", "Фактор восстановления", "",
         RatioFigureText(RecoveryFactor(f))},
        {"sqn", "SQN (по пунктам, не R)", "SQN (по пунктам, не R)", "", RatioFigureText(Sqn(f))},
        {"longest_losing_streak", "Самая длинная серия убытков", "Убыточных подряд, макс.", "",
         std::to_string(f.LongestLosingStreak)},
        {"average_hours_held", "Среднее время в сделке", "Среднее удержание", "ч",
         RatioFigureText(stats.AverageHoursHeld, 1)},
    };
}

} // namespace quillet
