#include "analysis/EquityCurve.h"

#include "engine/NetFolder.h"

#include <algorithm>

namespace quillet {
namespace {

template <typename Amount> EquityCurve MakeCurve(const std::vector<ClosedTrade>& trades, Amount amount)
{
    EquityCurve curve;
    curve.Cumulative.reserve(trades.size());
    curve.RunningMax.reserve(trades.size());
    std::int64_t sum = 0;
    std::int64_t peak = 0;
    int peakAt = -1;
    for (std::size_t i = 0; i < trades.size(); ++i) {
        const int at = static_cast<int>(i);
        sum += amount(trades[i]);
        const std::int64_t deepest = curve.DeepestDrawdown;
        if (FollowDrawdown(sum, peak, curve.DeepestDrawdown)) {
            // Standing at the maximum again moves the start of a later fall.
            peakAt = at;
        } else if (curve.DeepestDrawdown > deepest) {
            curve.DrawdownPeak = peakAt;
            curve.DrawdownTrough = at;
        }
        curve.Cumulative.push_back(sum);
        curve.RunningMax.push_back(peak);
    }
    curve.Total = sum;
    return curve;
}

} // namespace

EquityCurve MakeEquityCurve(const std::vector<ClosedTrade>& trades)
{
    return MakeCurve(trades, [](const ClosedTrade& t) { return t.Points; });
}

EquityCurve MakeNetEquityCurve(const std::vector<ClosedTrade>& trades)
{
    return MakeCurve(trades, [](const ClosedTrade& t) { return t.NetTenths; });
}

} // namespace quillet
