// The windows of a walk-forward analysis over several instruments.

#include "analysis/MultiWalkForward.h"

#include "model/Dates.h"
#include "model/Errors.h"
#include "rule/CostModel.h"

#include <algorithm>

namespace quillet {
namespace {

// The window's combination: the best row of the combined sweep, or the
// best plateau. A stop-loss within some instrument's spread leaves its
// column out.
void Choose(const MultiWalkForwardParams& params, const MultiSweepOutcome& swept, PlateauScorer& scorer,
            MultiWalkForwardWindow& w)
{
    const MultiSweepParams& sp = params.Sweep;
    std::optional<WindowChoice> best;
    if (!swept.Best.empty()) {
        const MultiSweepRow& row = swept.Best.front();
        best = WindowChoice{NoChoice::None, row.Signal, row.StopLoss,
                            row.TakeProfit, row.Hold,   PairsMetricValue(sp.Metric, row.Combined),
                            std::nullopt};
    }
    bool anyTraded = false;
    for (int sl = sp.Grid.StopLoss.First; sl <= sp.Grid.StopLoss.Last && !anyTraded; ++sl)
        anyTraded = std::all_of(sp.Pairs.begin(), sp.Pairs.end(), [sl](const PairSetup& pair) {
            return CostModel(pair.Costs, 1).StopLossClearsSpread(sl);
        });
    TakeChoice(ChooseWindow(swept.Combined, best, params.Plateau, sp.Threads, scorer, !anyTraded,
                            swept.Combined.MinEntries),
               w);
}

// The single runs of the window's choice on every instrument, in and out of sample.
void TradeWindow(const MultiWalkForwardParams& params, const std::vector<const Instrument*>& instruments,
                 MultiWalkForwardWindow& w, std::vector<std::vector<ClosedTrade>>& traded)
{
    traded.assign(instruments.size(), {});
    for (std::size_t k = 0; k < instruments.size(); ++k) {
        PairWindow pair;
        BacktestParams run = w.OutOfSampleParams(params, k);
        run.FirstWeek = w.Span.InSample.First;
        run.LastWeek = w.Span.InSample.Last;
        pair.InSampleNetTenths = NetTenthsOf(RunSinglePairTrades(run, *instruments[k], pair.InSampleResult));
        traded[k] =
            RunSinglePairTrades(w.OutOfSampleParams(params, k), *instruments[k], pair.OutOfSampleResult);
        pair.OutOfSampleNetTenths = NetTenthsOf(traded[k]);
        w.InSampleNetTenths += pair.InSampleNetTenths;
        w.OutOfSampleNetTenths += pair.OutOfSampleNetTenths;
        w.Pairs.push_back(pair);
    }
    w.OutOfSample = CombineTrades(traded);
}

void CheckParams(const MultiWalkForwardParams& params)
{
    const MultiSweepParams& sp = params.Sweep;
    CheckMultiSweep(sp);
    if (const std::string error = WalkForwardError(sp.Weeks, params.InSample, params.OutOfSample);
        !error.empty())
        throw Error(error);
    if (params.Plateau && sp.Grid.Combinations() > kPlateauCellLimit)
        throw Error("The plateau choice needs a grid of at most " + std::to_string(kPlateauCellLimit) +
                    " combinations; this one has " + std::to_string(sp.Grid.Combinations()));
}

} // namespace

BacktestParams MultiWalkForwardWindow::OutOfSampleParams(const MultiWalkForwardParams& params,
                                                         std::size_t pair) const
{
    BacktestParams run;
    run.PairName = params.Sweep.Pairs[pair].Name;
    run.RangeRestricted = true;
    run.FirstWeek = Span.OutOfSample.First;
    run.LastWeek = Span.OutOfSample.Last;
    run.SignalMinPoints = Signal;
    run.StopLossPoints = StopLoss;
    run.TakeProfitPoints = TakeProfit;
    run.HoldLimit = Hold ? HoldLimitOf(*Hold) : kUnlimitedHoldLimit;
    run.Costs = params.Sweep.Pairs[pair].Costs;
    return run;
}

TradeStats JoinedTradeStats(const MultiWalkForwardOutcome& out, std::size_t pairs)
{
    TradeStats stats = ComputeTradeStats(out.Trades);
    stats.All.Peak = out.Account.All.Peak;
    stats.All.MaxDrawdownTenths = out.Account.All.MaxDrawdownTenths;
    for (YearFigures& year : stats.ByYear) {
        std::vector<std::vector<ClosedTrade>> ofYear(pairs);
        for (std::size_t i = 0; i < out.Trades.size(); ++i) {
            CivilDate date{};
            const int y = DecodeDate(out.Trades[i].EntryDate, date) ? date.Year : 0;
            if (y == year.Year)
                ofYear[static_cast<std::size_t>(out.TradePair[i])].push_back(out.Trades[i]);
        }
        year.MaxDrawdownTenths = CombineTrades(ofYear).All.MaxDrawdownTenths;
    }
    return stats;
}

MultiWalkForwardOutcome RunMultiWalkForward(const MultiWalkForwardParams& params,
                                            const std::vector<const Instrument*>& instruments,
                                            std::stop_token stop, const WalkForwardProgress& progress)
{
    MultiWalkForwardOutcome out;
    // Windows over weeks no instrument has data for would trade nothing.
    out.Weeks = params.Sweep.Weeks;
    out.Weeks.Last = params.Sweep.Weeks.First - 1;
    for (const Instrument* inst : instruments)
        out.Weeks.Last = std::max(out.Weeks.Last, ClipToWeeklyData(params.Sweep.Weeks, inst->Week).Last);
    out.RangeClipped = out.Weeks.Last != params.Sweep.Weeks.Last;
    MultiWalkForwardParams clipped = params;
    clipped.Sweep.Weeks = out.Weeks;
    CheckParams(clipped);
    const MultiSweepParams& sp = clipped.Sweep;
    const std::vector<WalkForwardSpan> spans =
        WalkForwardSpans(sp.Weeks, params.InSample, params.OutOfSample, params.Anchored);
    // One table per instrument covers every window's in-sample weeks.
    MultiSweepParams tableParams = sp;
    tableParams.Weeks = {sp.Weeks.First, spans.back().InSample.Last};
    tableParams.Forward.reset();
    const std::vector<SweepTable> tables = BuildPairTables(tableParams, instruments);

    PlateauScorer scorer;
    std::vector<std::vector<ClosedTrade>> all(instruments.size()), traded;
    std::vector<WalkForwardWindow> totals;
    const std::int64_t perWindow = sp.Grid.Combinations();
    const std::int64_t total = perWindow * static_cast<std::int64_t>(spans.size());
    for (std::size_t k = 0; k < spans.size() && !stop.stop_requested(); ++k) {
        MultiSweepParams windowParams = sp;
        windowParams.Weeks = spans[k].InSample;
        windowParams.Forward.reset();
        windowParams.Top = 1;
        windowParams.KeepHoldCells = params.Plateau.has_value();
        const std::int64_t before = perWindow * static_cast<std::int64_t>(k);
        const MultiSweepOutcome swept =
            RunMultiSweep(windowParams, tables, stop, [&](std::int64_t done, std::int64_t) {
                if (progress)
                    progress(before + done, total);
            });
        if (swept.Stopped)
            break;
        MultiWalkForwardWindow w;
        w.Span = spans[k];
        Choose(params, swept, scorer, w);
        w.FirstTrade = out.Trades.size();
        if (w.Chosen) {
            TradeWindow(params, instruments, w, traded);
            std::vector<int> pairOf;
            const std::vector<ClosedTrade> joined = JoinByWeek(traded, &pairOf);
            out.Trades.insert(out.Trades.end(), joined.begin(), joined.end());
            out.TradePair.insert(out.TradePair.end(), pairOf.begin(), pairOf.end());
            for (std::size_t p = 0; p < traded.size(); ++p)
                all[p].insert(all[p].end(), traded[p].begin(), traded[p].end());
        }
        w.TradeCount = out.Trades.size() - w.FirstTrade;
        WalkForwardWindow sums;
        sums.Span = w.Span;
        sums.InSampleNetTenths = w.InSampleNetTenths;
        sums.OutOfSampleNetTenths = w.OutOfSampleNetTenths;
        totals.push_back(sums);
        out.Windows.push_back(std::move(w));
    }
    out.Stopped = out.Windows.size() < spans.size();
    out.Account = CombineTrades(all);
    out.Efficiency = WalkForwardEfficiency(totals, &out.EfficiencyMissing);
    return out;
}

} // namespace quillet
