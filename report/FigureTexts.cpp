#include "report/FigureTexts.h"

#include "model/Numbers.h"
#include "model/TradeCosts.h"

#include <cmath>

namespace quillet {

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
