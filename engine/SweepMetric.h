#pragma once
// What the sweep ranks its combinations by, and the figures of one
// combination that every metric is read from.

#include "engine/BacktestResult.h"
#include "engine/NetFolder.h"
#include "rule/Arithmetic32.h"

#include <array>
#include <cstdint>
#include <limits>
#include <string_view>

namespace quillet {

enum class SweepMetric {
    Net,
    Profitability,
    TpShare,
    Entries,
    ProfitFactor,
    RecoveryFactor,
    Sqn,
    MaxDrawdown
};

/// A metric's name on the command line and in the JSON, and whether its
/// lowest value is the best.
struct MetricName {
    SweepMetric Metric;
    std::string_view Option;
    bool LowestIsBest = false;
};

/// In the order of SweepMetric, which is the order of the window's box.
inline constexpr std::array<MetricName, 8> kMetricNames = {{
    {SweepMetric::Net, "net"},
    {SweepMetric::Profitability, "profitability"},
    {SweepMetric::TpShare, "tp-share"},
    {SweepMetric::Entries, "entries"},
    {SweepMetric::ProfitFactor, "profit-factor"},
    {SweepMetric::RecoveryFactor, "recovery-factor"},
    {SweepMetric::Sqn, "sqn"},
    {SweepMetric::MaxDrawdown, "max-drawdown", true},
}};

inline const MetricName& NameOf(SweepMetric metric)
{
    return kMetricNames[static_cast<std::size_t>(metric)];
}

/// The figures a combination is judged by.
struct SweepFigures {
    /// Points won at take-profit and by time-out less those lost at stop-loss
    /// and by time-out, before costs.
    std::int64_t Net = 0;
    /// The same after costs, in tenths of a point (10 * Net without costs).
    std::int64_t NetTenths = 0;
    /// The figures of the trades' net points in order (NetFolder.h); NaN
    /// where a divisor is 0.
    long double ProfitFactor = std::numeric_limits<long double>::quiet_NaN();
    long double RecoveryFactor = std::numeric_limits<long double>::quiet_NaN();
    long double Sqn = std::numeric_limits<long double>::quiet_NaN();
    std::int64_t MaxDrawdownTenths = 0;
    /// Points won at take-profit per point lost at stop-loss, as the report
    /// computes it (extended precision, which its text depends on); NaN
    /// while no stop-loss point was lost.
    long double Profitability = std::numeric_limits<long double>::quiet_NaN();
    /// Take-profits per hundred entries, as the report computes it; NaN
    /// without entries.
    long double TpShare = std::numeric_limits<long double>::quiet_NaN();
    std::int32_t Entries = 0;
};

// Inline, as the sweep forms them for every group of every column.

/// Points won at take-profit and by time-out less those lost, before costs.
inline std::int64_t NetOf(std::int32_t takeProfits, std::int32_t stopLosses, std::int32_t timeoutWinPoints,
                          std::int32_t timeoutLossPoints, int stopLossPoints, int takeProfitPoints)
{
    return static_cast<std::int64_t>(takeProfits) * takeProfitPoints -
           static_cast<std::int64_t>(stopLosses) * stopLossPoints + timeoutWinPoints - timeoutLossPoints;
}

/// The report's ratio: 32-bit products of points and counts.
inline long double ProfitabilityOf(std::int32_t takeProfits, std::int32_t stopLosses, int stopLossPoints,
                                   int takeProfitPoints)
{
    return ProfitabilityRatio(Mul32(takeProfitPoints, takeProfits), Mul32(stopLossPoints, stopLosses));
}

/// The figures of one run with the given distances; the net after costs and
/// the figures of the trades in order come from `nets` when given (without
/// it, the net is that before costs and those figures have no value).
SweepFigures FiguresOf(const BacktestResult& result, int stopLossPoints, int takeProfitPoints,
                       const NetFolder* nets = nullptr);

/// The value of `metric` in the figures; NaN when it has none.
long double MetricValue(SweepMetric metric, const SweepFigures& figures);

/// A metric that needs the trades' net points in order, from their sums.
long double NetsMetric(SweepMetric metric, const NetFolder& nets);

/// The key the sweep ranks by, higher is better: the metric's value, negated
/// for a metric whose lowest value is best.
inline long double RankKey(SweepMetric metric, long double value)
{
    return NameOf(metric).LowestIsBest ? -value : value;
}

/// The order of two ranking keys, negative, 0 or positive: exact for SQN
/// when both carry their sums (`sqnA`, `sqnB`), whose rounded roots could
/// part values that are equal; as the keys compare otherwise.
inline int CompareRankKeys(long double keyA, const NetFolder* sqnA, long double keyB, const NetFolder* sqnB)
{
    if (sqnA && sqnB)
        return CompareSqn(*sqnA, *sqnB);
    return (keyA > keyB) - (keyA < keyB);
}

/// Whether the metric needs the trades' net points in order.
bool MetricNeedsNets(SweepMetric metric);

/// Tenths of a point as a value in points.
inline long double TenthsValue(std::int64_t tenths)
{
    return static_cast<long double>(tenths) / 10.0L;
}

} // namespace quillet
