#include "rule/TradeRules.h"

#include <array>

namespace quillet {

std::string_view OutcomeText(BarOutcome outcome)
{
    switch (outcome) {
    case BarOutcome::TakeProfit:
        return kTakeProfit;
    case BarOutcome::StopLoss:
        return kStopLoss;
    case BarOutcome::None:
        break;
    }
    return kNoOutcome;
}

std::string_view ClassifyBar(double high, double low, double takeProfitLevel, double stopLossLevel)
{
    return OutcomeText(ClassifyBarOutcome(high, low, takeProfitLevel, stopLossLevel));
}

long double PointDifference(double fromPrice, double toPrice, double multiplier)
{
    const long double m = multiplier;
    return static_cast<long double>(toPrice) * m - static_cast<long double>(fromPrice) * m;
}

int PointMultiplier(std::string_view pairName)
{
    static constexpr std::array<std::string_view, 5> kYenPairs = {"AUDJPY", "EURJPY", "GBPJPY", "NZDJPY",
                                                                  "CADJPY"};
    for (const auto yen : kYenPairs)
        if (pairName == yen)
            return 100;
    return 10000;
}

} // namespace quillet
