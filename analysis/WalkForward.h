#pragma once
// Walk-forward analysis: would choosing the sweep's best combination have
// worked on weeks the choice had not seen? The range of weeks is cut into
// windows; each window's combination is chosen on its in-sample weeks and
// then traded on the out-of-sample weeks that follow, and the out-of-sample
// trades of all windows, joined in order, are the walk-forward result.

#include "analysis/Plateau.h"
#include "engine/ClosedTrade.h"
#include "engine/SinglePair.h"
#include "engine/Sweep.h"
#include "model/Instrument.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace quillet {

// The window lengths in weeks the front ends offer, and their defaults.
inline constexpr ControlRange kInSampleControl{1, 535, 156};
inline constexpr ControlRange kOutOfSampleControl{1, 535, 52};

/// The weeks of one window.
struct WalkForwardSpan {
    WeekRange InSample;
    WeekRange OutOfSample;
};

/// The windows over `range`: window k trades weeks F + k*O + I onwards for
/// O weeks (the last one cut at range.Last) after choosing on the I weeks
/// before them (rolling) or on every week from F (anchored); the last
/// window is the first whose out-of-sample weeks reach range.Last. Empty
/// when the range holds no week after the first in-sample weeks.
std::vector<WalkForwardSpan> WalkForwardSpans(WeekRange range, int inSample, int outOfSample, bool anchored);

/// The parameters of a walk-forward analysis.
struct WalkForwardParams {
    /// Pair, grid, metric, entry minimum, costs and threads of the
    /// sweeps; Weeks is the whole range cut into windows. Forward and Top are
    /// not used.
    SweepParams Sweep;
    int InSample = kInSampleControl.Default;
    int OutOfSample = kOutOfSampleControl.Default;
    bool Anchored = false;
    /// Choose by the best plateau score instead of the best cell.
    std::optional<PlateauRadii> Plateau;
};

/// Why a window chose nothing and trades nothing.
enum class NoChoice {
    None,                 // it chose
    TooFewEntries,        // no combination reaches the entry minimum
    NoMetricValue,        // those that do have no value of the metric
    NoPlateau,            // no cell passes the plateau's half-box rule
    StopLossWithinSpread, // every stop-loss of the grid is within the spread
};

/// Why the walk-forward efficiency has no value.
enum class EfficiencyGap {
    None,
    NoWeeks,           // no window: a divisor is 0
    InSampleNotProfit, // the chosen in-sample nets sum to 0 or less: the ratio means nothing
};

/// One window's choice and what it gave.
struct WalkForwardWindow {
    WalkForwardSpan Span;
    /// False when no combination could be chosen in sample (NoChoiceReason
    /// says why): the window trades nothing.
    bool Chosen = false;
    NoChoice NoChoiceReason = NoChoice::None;
    int Signal = 0;
    int StopLoss = 0;
    int TakeProfit = 0;
    std::optional<int> Hold;            // holding-limit position, with a hold axis only
    long double InSampleMetric = 0;     // the metric of the choice on its in-sample weeks
    std::optional<double> PlateauScore; // with the plateau choice
    BacktestResult InSampleResult;      // the single run of the choice over the in-sample weeks
    std::int64_t InSampleNetTenths = 0; // its net points after costs
    BacktestResult OutOfSampleResult;   // the single run over the out-of-sample weeks
    std::int64_t OutOfSampleNetTenths = 0;
    /// Its out-of-sample trades within WalkForwardOutcome::Trades.
    std::size_t FirstTrade = 0;
    std::size_t TradeCount = 0;

    int InSampleWeeks() const { return Span.InSample.Last - Span.InSample.First + 1; }
    int OutOfSampleWeeks() const { return Span.OutOfSample.Last - Span.OutOfSample.First + 1; }
    /// The run's parameters of the choice over the out-of-sample weeks.
    BacktestParams OutOfSampleParams(const WalkForwardParams& params) const;
};

/// A window's choice: the combination and its in-sample metric (and plateau
/// score), or, with Reason set, why there is none.
struct WindowChoice {
    NoChoice Reason = NoChoice::None;
    int Signal = 0;
    int StopLoss = 0;
    int TakeProfit = 0;
    std::optional<int> Hold;
    long double Metric = 0;
    std::optional<double> PlateauScore;
};

/// The choice of a window from its sweep: with `plateau`, the best plateau of
/// `cells`, otherwise `bestRow` (the sweep's best row, Reason None, when it
/// has one). Without a choice, why: every stop-loss of the grid left out
/// (`noStopLoss`), no signal value with `minEntries` entries, none with a
/// value of the metric, or no cell passing the plateau's half-box rule.
WindowChoice ChooseWindow(const SweepOutcome& cells, const std::optional<WindowChoice>& bestRow,
                          const std::optional<PlateauRadii>& plateau, int threads, PlateauScorer& scorer,
                          bool noStopLoss, int minEntries);

/// Puts a choice into a window of either analysis.
template <class Window> void TakeChoice(const WindowChoice& c, Window& w)
{
    w.Chosen = c.Reason == NoChoice::None;
    w.NoChoiceReason = c.Reason;
    if (!w.Chosen)
        return;
    w.Signal = c.Signal;
    w.StopLoss = c.StopLoss;
    w.TakeProfit = c.TakeProfit;
    w.Hold = c.Hold;
    w.InSampleMetric = c.Metric;
    w.PlateauScore = c.PlateauScore;
}

/// What the analysis found.
struct WalkForwardOutcome {
    std::vector<WalkForwardWindow> Windows;
    /// The out-of-sample trades of every window, in order.
    std::vector<ClosedTrade> Trades;
    /// The range of weeks cut into windows: the one asked for, its end
    /// brought back to the instrument's last week when the data end sooner.
    WeekRange Weeks;
    bool RangeClipped = false;
    /// (out-of-sample net / out-of-sample weeks) / (chosen in-sample net /
    /// in-sample weeks), each summed over the windows; nothing where a
    /// divisor is 0 or the in-sample net is not positive (EfficiencyGap).
    std::optional<long double> Efficiency;
    EfficiencyGap EfficiencyMissing = EfficiencyGap::None;
    /// Stopped before the last window: the windows done so far are kept.
    bool Stopped = false;
};

/// The efficiency of the windows as defined above; `gap` says why there is none.
std::optional<long double> WalkForwardEfficiency(const std::vector<WalkForwardWindow>& windows,
                                                 EfficiencyGap* gap = nullptr);

/// `range` with its end brought back to the last week of the instrument's
/// weekly data (FirstEmptyIndex - 1) when it runs beyond it.
WeekRange ClipToWeeklyData(WeekRange range, const CandleSeries& weeks);

/// Called with the combinations swept so far and the total over all
/// windows, on the thread that called RunWalkForward.
using WalkForwardProgress = std::function<void(std::int64_t done, std::int64_t total)>;

/// Runs the analysis over `instrument`. One sweep table is built for all
/// in-sample weeks and shared by the windows' sweeps.
WalkForwardOutcome RunWalkForward(const WalkForwardParams& params, const Instrument& instrument,
                                  std::stop_token stop = {}, const WalkForwardProgress& progress = {});

/// The dates of the first and the last weekly candle with data within
/// `weeks` (week 0 and weeks past the data have none); 0 where there is none.
std::array<double, 2> WeekRangeDates(const CandleSeries& weeks, WeekRange range);

/// Why the lengths and range make no windows, or empty when they make some.
std::string WalkForwardError(WeekRange range, int inSample, int outOfSample);

} // namespace quillet
