// The bookkeeping of the single-pair run and the texts of its result labels.

#include "backtest/SinglePair.h"

#include "store/Numbers.h"

#include <string>

namespace quillet {
namespace {

void Write(const WorkLog& log, const std::string& line)
{
    if (log)
        log(line);
}

// Counters are 32-bit and wrap on overflow, as the labels always showed
// them; the sum is formed wide so that the wrap is defined behaviour.
std::int32_t Add32(std::int32_t a, std::int64_t b)
{
    return static_cast<std::int32_t>(a + b);
}

std::int32_t Mul32(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int32_t>(a * b);
}

// Text of a count and the points it stands for: "2 (100 п)".
std::string CountWithPoints(std::int32_t count, std::int32_t points)
{
    return std::to_string(count) + " (" + std::to_string(points) + " п)";
}

// The rounded quotient of two counts, or "-" when nothing was divided.
std::string RoundedAverage(std::int32_t sum, std::int32_t count)
{
    if (count == 0)
        return "-";
    const long double q = static_cast<long double>(sum) / static_cast<long double>(count);
    return std::to_string(RoundToInt32(q));
}

std::string SeriesText(std::int32_t longest)
{
    return longest == 0 ? "-" : std::to_string(longest);
}

} // namespace

void RecordEntry(BacktestResult& r)
{
    r.Entries = Add32(r.Entries, 1);
}

void RecordTakeProfit(BacktestResult& r, int weekIndex, int offset, std::int32_t drawdown, const WorkLog& log)
{
    const std::int32_t before = r.TakeProfits;
    r.TakeProfits = Add32(r.TakeProfits, 1);
    Write(log, "Увеличиваем общее количество TP. Было " + std::to_string(before) + ", стало " +
                   std::to_string(r.TakeProfits));
    // A take-profit on week 0 books no series: nothing of it counts towards
    // the run of take-profits, yet it still breaks a run of stop-losses.
    if (weekIndex > 0) {
        if (r.LastWasTakeProfit) {
            Write(log, "В предыдущей сделке тоже был TP, увеличиваем текущую серию");
            r.TpSeries = Add32(r.TpSeries, 1);
            if (r.TpSeries > r.TpSeriesMax)
                r.TpSeriesMax = r.TpSeries;
        } else {
            r.TpSeries = 1;
        }
    }
    r.LastWasTakeProfit = true;
    r.HoursSum = Add32(r.HoursSum, offset);
    r.DrawdownSum = Add32(r.DrawdownSum, drawdown);
    if (drawdown > r.DrawdownMax)
        r.DrawdownMax = drawdown;
}

void RecordStopLoss(BacktestResult& r, int weekIndex, const WorkLog& log)
{
    const std::int32_t before = r.StopLosses;
    r.StopLosses = Add32(r.StopLosses, 1);
    Write(log, "Увеличиваем общее количество SL. Было " + std::to_string(before) + ", стало " +
                   std::to_string(r.StopLosses));
    // LastWasTakeProfit starts false, so a stop-loss before any take-profit
    // continues a run of stop-losses that nothing started.
    if (weekIndex > 0) {
        if (!r.LastWasTakeProfit) {
            Write(log, "В предыдущей сделке тоже был SL, увеличиваем текущую серию");
            r.SlSeries = Add32(r.SlSeries, 1);
            if (r.SlSeries > r.SlSeriesMax)
                r.SlSeriesMax = r.SlSeries;
        } else {
            r.SlSeries = 1;
        }
    }
    r.LastWasTakeProfit = false;
}

void RecordTimeoutWin(BacktestResult& r, std::int32_t points)
{
    r.TimeoutWins = Add32(r.TimeoutWins, 1);
    r.TimeoutWinPoints = Add32(r.TimeoutWinPoints, points);
}

void RecordTimeoutLoss(BacktestResult& r, std::int32_t points)
{
    r.TimeoutLosses = Add32(r.TimeoutLosses, 1);
    r.TimeoutLossPoints = Add32(r.TimeoutLossPoints, points);
}

void RecordWeekEnd(BacktestResult& r, int offset)
{
    if (offset < r.HoursMin)
        r.HoursMin = offset;
    if (offset > r.HoursMax)
        r.HoursMax = offset;
}

SinglePairReport MakeSinglePairReport(const BacktestParams& params, const BacktestResult& r)
{
    const std::int32_t tpPoints = Mul32(params.TakeProfitPoints, r.TakeProfits);
    const std::int32_t slPoints = Mul32(params.StopLossPoints, r.StopLosses);

    // A share of take-profits needs at least one entry; with entries and no
    // take-profit it is a plain 0%.
    std::string share = "-";
    if (r.Entries != 0)
        share = FormatGeneral2(static_cast<long double>(r.TakeProfits) /
                               (static_cast<long double>(r.Entries) / 100.0L)) +
                "%";

    // Profitability: points won at take-profit per point lost at stop-loss;
    // undefined while no stop-loss point was lost.
    std::string profitability = "-";
    if (slPoints != 0)
        profitability =
            FormatGeneral2(static_cast<long double>(tpPoints) / static_cast<long double>(slPoints));

    SinglePairReport report;
    report.Labels = {
        {"Label79", std::to_string(r.Entries)},
        {"Label64", CountWithPoints(r.TakeProfits, tpPoints)},
        {"Label71", CountWithPoints(r.StopLosses, slPoints)},
        {"Label75", share},
        {"Label87", std::to_string(r.HoursMin)},
        {"Label92", std::to_string(r.HoursMax)},
        {"Label90", RoundedAverage(r.HoursSum, r.TakeProfits)},
        {"Label84", RoundedAverage(r.DrawdownSum, r.TakeProfits)},
        {"Label82", std::to_string(r.DrawdownMax)},
        {"Label157", profitability},
        {"Label95", std::to_string(r.TimeoutWins) + " (" + std::to_string(r.TimeoutWinPoints) + ")"},
        {"Label171", std::to_string(r.TimeoutLosses) + " (" + std::to_string(r.TimeoutLossPoints) + ")"},
        {"Label160", SeriesText(r.TpSeriesMax)},
        {"Label162", SeriesText(r.SlSeriesMax)},
    };
    report.ClosingLine = "^^^^^^^^^^^^^^^^^^^^Рассчёты^^^^^^^^^^^^^^^^^^^^^^^^^^^^";
    return report;
}

ProgressSetup ProgressBarSetup(const BacktestParams& params)
{
    if (params.RangeRestricted)
        return {params.FirstWeek, params.LastWeek, params.FirstWeek};
    return {0, 535, 0};
}

} // namespace quillet
