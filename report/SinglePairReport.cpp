// The texts of the single-pair run's result labels.

#include "report/SinglePairReport.h"

#include "report/WorkLog.h"
#include "rule/Arithmetic32.h"

#include <string>

namespace quillet {
namespace {

// Text of a count and the points it stands for: "2 (100 п)".
std::string CountWithPoints(std::int32_t count, std::int32_t points)
{
    return std::to_string(count) + " (" + std::to_string(points) + " п)";
}

} // namespace

SinglePairReport MakeSinglePairReport(const BacktestParams& params, const BacktestResult& r)
{
    const std::int32_t tpPoints = Mul32(params.TakeProfitPoints, r.TakeProfits);
    const std::int32_t slPoints = Mul32(params.StopLossPoints, r.StopLosses);

    SinglePairReport report;
    report.Labels = {
        {"Label79", std::to_string(r.Entries)},
        {"Label64", CountWithPoints(r.TakeProfits, tpPoints)},
        {"Label71", CountWithPoints(r.StopLosses, slPoints)},
        {"Label75", TakeProfitShare(r.TakeProfits, r.Entries)},
        {"Label87", std::to_string(r.HoursMin)},
        {"Label92", std::to_string(r.HoursMax)},
        {"Label90", RoundedAverage(r.HoursSum, r.TakeProfits)},
        {"Label84", RoundedAverage(r.DrawdownSum, r.TakeProfits)},
        {"Label82", std::to_string(r.DrawdownMax)},
        {"Label157", ProfitabilityText(tpPoints, slPoints)},
        {"Label95", std::to_string(r.TimeoutWins) + " (" + std::to_string(r.TimeoutWinPoints) + ")"},
        {"Label171", std::to_string(r.TimeoutLosses) + " (" + std::to_string(r.TimeoutLossPoints) + ")"},
        {"Label160", SeriesText(r.TpSeriesMax)},
        {"Label162", SeriesText(r.SlSeriesMax)},
    };
    report.ClosingLine = WorkLogClosingLine();
    return report;
}

ProgressSetup ProgressBarSetup(const BacktestParams& params)
{
    if (params.RangeRestricted)
        return {params.FirstWeek, params.LastWeek, params.FirstWeek};
    return {0, kUnrestrictedLastWeek, 0};
}

} // namespace quillet
