#include "engine/SweepMetric.h"

namespace quillet {

long double NetsMetric(SweepMetric metric, const NetFolder& nets)
{
    const auto value = [](const Ratio& r) { return r ? *r : std::numeric_limits<long double>::quiet_NaN(); };
    switch (metric) {
    case SweepMetric::ProfitFactor:
        return value(ProfitFactor(nets));
    case SweepMetric::RecoveryFactor:
        return value(RecoveryFactor(nets));
    case SweepMetric::Sqn:
        return value(Sqn(nets));
    case SweepMetric::MaxDrawdown:
        // Without a trade there is no drawdown to compare.
        return nets.Trades == 0 ? std::numeric_limits<long double>::quiet_NaN()
                                : TenthsValue(nets.MaxDrawdownTenths);
    default:
        return std::numeric_limits<long double>::quiet_NaN();
    }
}

bool MetricNeedsNets(SweepMetric metric)
{
    return metric == SweepMetric::ProfitFactor || metric == SweepMetric::RecoveryFactor ||
           metric == SweepMetric::Sqn || metric == SweepMetric::MaxDrawdown;
}

SweepFigures FiguresOf(const BacktestResult& r, int stopLossPoints, int takeProfitPoints,
                       const NetFolder* nets)
{
    SweepFigures f;
    f.Entries = r.Entries;
    f.Net = NetOf(r.TakeProfits, r.StopLosses, r.TimeoutWinPoints, r.TimeoutLossPoints, stopLossPoints,
                  takeProfitPoints);
    f.NetTenths = f.Net * 10;
    if (nets) {
        f.NetTenths = nets->NetTenths;
        f.ProfitFactor = NetsMetric(SweepMetric::ProfitFactor, *nets);
        f.RecoveryFactor = NetsMetric(SweepMetric::RecoveryFactor, *nets);
        f.Sqn = NetsMetric(SweepMetric::Sqn, *nets);
        f.MaxDrawdownTenths = nets->MaxDrawdownTenths;
    }
    f.Profitability = ProfitabilityOf(r.TakeProfits, r.StopLosses, stopLossPoints, takeProfitPoints);
    f.TpShare = TakeProfitPercent(r.TakeProfits, r.Entries);
    return f;
}

long double MetricValue(SweepMetric metric, const SweepFigures& f)
{
    switch (metric) {
    case SweepMetric::Net:
        return TenthsValue(f.NetTenths);
    case SweepMetric::Profitability:
        return f.Profitability;
    case SweepMetric::TpShare:
        return f.TpShare;
    case SweepMetric::Entries:
        return f.Entries;
    case SweepMetric::ProfitFactor:
        return f.ProfitFactor;
    case SweepMetric::RecoveryFactor:
        return f.RecoveryFactor;
    case SweepMetric::Sqn:
        return f.Sqn;
    case SweepMetric::MaxDrawdown:
        return f.Entries == 0 ? std::numeric_limits<long double>::quiet_NaN()
                              : TenthsValue(f.MaxDrawdownTenths);
    }
    return std::numeric_limits<long double>::quiet_NaN();
}

} // namespace quillet
