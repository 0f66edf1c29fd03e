// The windows of a walk-forward analysis, their choices and their out-of-sample runs.

#include "analysis/WalkForward.h"

#include "model/Errors.h"

#include <algorithm>

namespace quillet {

std::string WalkForwardError(WeekRange range, int inSample, int outOfSample)
{
    if (!kInSampleControl.Contains(inSample))
        return "in-sample length " + std::to_string(inSample) + " not in range " +
               RangeText(kInSampleControl, " to ");
    if (!kOutOfSampleControl.Contains(outOfSample))
        return "out-of-sample length " + std::to_string(outOfSample) + " not in range " +
               RangeText(kOutOfSampleControl, " to ");
    if (const std::string error = WeekRangeError(range.First, range.Last); !error.empty())
        return error;
    if (range.First + inSample > range.Last)
        return "weeks " + std::to_string(range.First) + " to " + std::to_string(range.Last) +
               " leave no week after " + std::to_string(inSample) + " in-sample weeks";
    return {};
}

std::vector<WalkForwardSpan> WalkForwardSpans(WeekRange range, int inSample, int outOfSample, bool anchored)
{
    std::vector<WalkForwardSpan> spans;
    if (inSample < 1 || outOfSample < 1)
        return spans;
    for (int start = range.First;; start += outOfSample) {
        const int outFirst = start + inSample;
        if (outFirst > range.Last)
            break;
        const WeekRange in{anchored ? range.First : start, outFirst - 1};
        const WeekRange out{outFirst, std::min(outFirst + outOfSample - 1, range.Last)};
        spans.push_back({in, out});
        if (out.Last == range.Last)
            break;
    }
    return spans;
}

BacktestParams WalkForwardWindow::OutOfSampleParams(const WalkForwardParams& params) const
{
    BacktestParams run;
    run.PairName = params.Sweep.PairName;
    run.RangeRestricted = true;
    run.FirstWeek = Span.OutOfSample.First;
    run.LastWeek = Span.OutOfSample.Last;
    run.SignalMinPoints = Signal;
    run.StopLossPoints = StopLoss;
    run.TakeProfitPoints = TakeProfit;
    run.HoldLimit = Hold ? HoldLimitOf(*Hold) : kUnlimitedHoldLimit;
    run.Costs = params.Sweep.Costs;
    run.Spread = params.Sweep.Spread;
    return run;
}

WindowChoice ChooseWindow(const SweepOutcome& cells, const std::optional<WindowChoice>& bestRow,
                          const std::optional<PlateauRadii>& plateau, int threads, PlateauScorer& scorer,
                          bool noStopLoss, int minEntries)
{
    if (plateau) {
        if (const std::optional<PlateauChoice> best = BestPlateau(cells, *plateau, threads, &scorer))
            return {NoChoice::None, best->Signal, best->StopLoss, best->TakeProfit,
                    best->Hold,     best->Metric, best->Score};
    } else if (bestRow) {
        return *bestRow;
    }
    WindowChoice none;
    const bool enoughEntries = std::any_of(cells.EntriesBySignal.begin(), cells.EntriesBySignal.end(),
                                           [&](std::int32_t entries) { return entries >= minEntries; });
    none.Reason = noStopLoss       ? NoChoice::StopLossWithinSpread
                  : !enoughEntries ? NoChoice::TooFewEntries
                  : !bestRow       ? NoChoice::NoMetricValue
                                   : NoChoice::NoPlateau;
    return none;
}

WeekRange ClipToWeeklyData(WeekRange range, const CandleSeries& weeks)
{
    range.Last = std::min(range.Last, FirstEmptyIndex(weeks, 1) - 1);
    return range;
}

std::array<double, 2> WeekRangeDates(const CandleSeries& weeks, WeekRange range)
{
    const int first = std::max(range.First, 1);
    const int last = std::min(range.Last, FirstEmptyIndex(weeks, 1) - 1);
    if (first > last)
        return {0, 0};
    return {weeks[first].Date, weeks[last].Date};
}

std::optional<long double> WalkForwardEfficiency(const std::vector<WalkForwardWindow>& windows,
                                                 EfficiencyGap* gap)
{
    EfficiencyGap ignored = EfficiencyGap::None;
    EfficiencyGap& why = gap ? *gap : ignored;
    std::int64_t outNet = 0, outWeeks = 0, inNet = 0, inWeeks = 0;
    for (const WalkForwardWindow& w : windows) {
        outNet += w.OutOfSampleNetTenths;
        outWeeks += w.OutOfSampleWeeks();
        inNet += w.InSampleNetTenths;
        inWeeks += w.InSampleWeeks();
    }
    why = outWeeks == 0 || inWeeks == 0 ? EfficiencyGap::NoWeeks
          : inNet <= 0                  ? EfficiencyGap::InSampleNotProfit
                                        : EfficiencyGap::None;
    // A loss in sample promises nothing that out of sample could keep: a
    // ratio of two losses would read as success.
    if (why != EfficiencyGap::None)
        return std::nullopt;
    const long double outRate = static_cast<long double>(outNet) / outWeeks;
    const long double inRate = static_cast<long double>(inNet) / inWeeks;
    return outRate / inRate;
}

namespace {

// The window's combination: the sweep's best row, or the best plateau.
void Choose(const WalkForwardParams& params, const SweepOutcome& swept, PlateauScorer& scorer,
            WalkForwardWindow& w)
{
    const SweepParams& sp = params.Sweep;
    std::optional<WindowChoice> best;
    if (!swept.Best.empty()) {
        const SweepRow& row = swept.Best.front();
        best = WindowChoice{NoChoice::None, row.Signal, row.StopLoss,
                            row.TakeProfit, row.Hold,   MetricValue(sp.Metric, row.Figures),
                            std::nullopt};
    }
    const bool noStopLoss = LeftOutCombinations(sp.Grid, sp.Costs) == sp.Grid.Combinations() ||
                            swept.LeftOut == sp.Grid.Combinations();
    TakeChoice(ChooseWindow(swept, best, params.Plateau, sp.Threads, scorer, noStopLoss, sp.MinEntries), w);
}

} // namespace

WalkForwardOutcome RunWalkForward(const WalkForwardParams& params, const Instrument& instrument,
                                  std::stop_token stop, const WalkForwardProgress& progress)
{
    WalkForwardOutcome out;
    out.Weeks = ClipToWeeklyData(params.Sweep.Weeks, instrument.Week);
    out.RangeClipped = out.Weeks.Last != params.Sweep.Weeks.Last;
    SweepParams sp = params.Sweep;
    sp.Weeks = out.Weeks;
    if (const std::string error = WalkForwardError(sp.Weeks, params.InSample, params.OutOfSample);
        !error.empty())
        throw Error(error);
    if (params.Plateau && sp.Grid.Combinations() > kPlateauCellLimit)
        throw Error("The plateau choice needs a grid of at most " + std::to_string(kPlateauCellLimit) +
                    " combinations; this one has " + std::to_string(sp.Grid.Combinations()));
    const std::vector<WalkForwardSpan> spans =
        WalkForwardSpans(sp.Weeks, params.InSample, params.OutOfSample, params.Anchored);

    // Every in-sample week lies between the range's first week and the last
    // window's last in-sample week.
    const WeekRange covered{sp.Weeks.First, spans.back().InSample.Last};
    const SweepTable sweepTable(instrument, sp.PairName, sp.Grid, covered, sp.Costs, sp.Spread);

    PlateauScorer scorer;
    const std::int64_t perWindow = sp.Grid.Combinations();
    const std::int64_t total = perWindow * static_cast<std::int64_t>(spans.size());
    for (std::size_t k = 0; k < spans.size(); ++k) {
        if (stop.stop_requested()) {
            out.Stopped = true;
            break;
        }
        SweepParams windowParams = sp;
        windowParams.Weeks = spans[k].InSample;
        windowParams.Forward.reset();
        windowParams.Top = 1;
        windowParams.KeepHoldCells = params.Plateau.has_value();
        const std::int64_t before = perWindow * static_cast<std::int64_t>(k);
        const SweepOutcome swept =
            RunSweep(windowParams, sweepTable, stop, [&](std::int64_t done, std::int64_t) {
                if (progress)
                    progress(before + done, total);
            });
        if (swept.Stopped) {
            out.Stopped = true;
            break;
        }

        WalkForwardWindow w;
        w.Span = spans[k];
        Choose(params, swept, scorer, w);
        w.FirstTrade = out.Trades.size();
        if (w.Chosen) {
            BacktestParams inRun = w.OutOfSampleParams(params);
            inRun.FirstWeek = w.Span.InSample.First;
            inRun.LastWeek = w.Span.InSample.Last;
            w.InSampleNetTenths = NetTenthsOf(RunSinglePairTrades(inRun, instrument, w.InSampleResult));
            const std::vector<ClosedTrade> traded =
                RunSinglePairTrades(w.OutOfSampleParams(params), instrument, w.OutOfSampleResult);
            w.OutOfSampleNetTenths = NetTenthsOf(traded);
            out.Trades.insert(out.Trades.end(), traded.begin(), traded.end());
        }
        w.TradeCount = out.Trades.size() - w.FirstTrade;
        out.Windows.push_back(std::move(w));
    }
    out.Efficiency = WalkForwardEfficiency(out.Windows, &out.EfficiencyMissing);
    return out;
}

} // namespace quillet
