#include "rule/CostModel.h"

#include <algorithm>
#include <vector>

namespace quillet {

std::string CostsError(const TradeCosts& costs, Points stopLoss)
{
    if (std::string error = TradeCostsError(costs); !error.empty())
        return error;
    if (!CostModel(costs, 1).StopLossClearsSpread(stopLoss))
        return "Stop-loss " + std::to_string(stopLoss) + " is not larger than the spread " +
               TenthsText(costs.SpreadTenths, '.');
    return {};
}

std::string RecordedSpreadError(const TradeCosts& costs, const RecordedSpread* recorded, int hours)
{
    if (!costs.SpreadRecorded)
        return {};
    if (!recorded || recorded->Empty())
        return "The instrument has no recorded spread";
    if (recorded->Hours() != hours)
        return "The recorded spread holds " + std::to_string(recorded->Hours()) + " hours, the instrument " +
               std::to_string(hours);
    return {};
}

void CostModel::FirstReaches(const Candle* h, int entryIndex, int lastOffset, LevelSide side,
                             TradeDirection direction, double fill, Points firstPoints, int count,
                             int* offsets) const
{
    if (!LevelsMove(direction)) {
        for (int n = 0; n < count; ++n)
            offsets[n] = FirstReach(h, entryIndex, lastOffset, side, direction, fill, firstPoints + n);
        return;
    }
    // A sell's level moves with the hour's spread. The walk meets few
    // distinct spreads, so each level is formed once for each of them, as
    // Level forms it, and every candle looks its own up.
    const std::uint16_t* spreads = recorded_ + entryIndex;
    std::vector<std::uint16_t> distinct(spreads, spreads + lastOffset + 1);
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    const auto width = static_cast<int>(distinct.size());
    std::vector<int> rank(static_cast<std::size_t>(lastOffset) + 1);
    for (int k = 0; k <= lastOffset; ++k)
        rank[k] = static_cast<int>(std::lower_bound(distinct.begin(), distinct.end(), spreads[k]) -
                                   distinct.begin());
    std::vector<double> levels(static_cast<std::size_t>(width));
    for (int n = 0; n < count; ++n) {
        const Points points = firstPoints + n;
        for (int u = 0; u < width; ++u)
            levels[u] = side == LevelSide::TakeProfit
                            ? TakeProfitLevel(direction, fill, points, m_, distinct[u])
                            : StopLossLevel(direction, fill, points, m_, distinct[u]);
        offsets[n] = kNeverReached;
        for (int k = 0; k <= lastOffset; ++k)
            if (BarReaches(h[k].High, h[k].Low, levels[rank[k]])) {
                offsets[n] = k;
                break;
            }
    }
}

} // namespace quillet
