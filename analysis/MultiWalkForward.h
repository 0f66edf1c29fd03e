#pragma once
// Walk-forward analysis over several instruments: each window chooses the
// combination on the combined in-sample metric (or its plateau) of the
// sweep over all the instruments, then trades every instrument out of
// sample at its costs. The joined out-of-sample account is the combined
// weekly account of those trades.

#include "analysis/TradeStats.h"
#include "analysis/WalkForward.h"
#include "engine/MultiSweep.h"

#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

namespace quillet {

struct MultiWalkForwardParams {
    /// Instruments, grid, metric, entry minimums and threads of the sweeps;
    /// Weeks is the whole range cut into windows. Forward and Top are not used.
    MultiSweepParams Sweep;
    int InSample = kInSampleControl.Default;
    int OutOfSample = kOutOfSampleControl.Default;
    bool Anchored = false;
    std::optional<PlateauRadii> Plateau;
};

/// One instrument in one window: the single runs of the window's choice.
struct PairWindow {
    BacktestResult InSampleResult;
    std::int64_t InSampleNetTenths = 0;
    BacktestResult OutOfSampleResult;
    std::int64_t OutOfSampleNetTenths = 0;
};

struct MultiWalkForwardWindow {
    WalkForwardSpan Span;
    /// False when no combination could be chosen in sample (NoChoiceReason
    /// says why).
    bool Chosen = false;
    NoChoice NoChoiceReason = NoChoice::None;
    int Signal = 0;
    int StopLoss = 0;
    int TakeProfit = 0;
    std::optional<int> Hold;
    long double InSampleMetric = 0; // the combined metric of the choice in sample
    std::optional<double> PlateauScore;
    std::vector<PairWindow> Pairs; // empty when nothing was chosen
    std::int64_t InSampleNetTenths = 0;
    std::int64_t OutOfSampleNetTenths = 0;
    /// The combined figures of the window's out-of-sample trades.
    CombinedFigures OutOfSample;
    /// Its trades within MultiWalkForwardOutcome::Trades.
    std::size_t FirstTrade = 0;
    std::size_t TradeCount = 0;

    int InSampleWeeks() const { return Span.InSample.Last - Span.InSample.First + 1; }
    int OutOfSampleWeeks() const { return Span.OutOfSample.Last - Span.OutOfSample.First + 1; }
    /// The single run of the choice over the out-of-sample weeks on one instrument.
    BacktestParams OutOfSampleParams(const MultiWalkForwardParams& params, std::size_t pair) const;
};

struct MultiWalkForwardOutcome {
    std::vector<MultiWalkForwardWindow> Windows;
    /// The out-of-sample trades of every window and instrument, by signal
    /// week (instruments in order within a week), and each one's instrument.
    std::vector<ClosedTrade> Trades;
    std::vector<int> TradePair;
    /// The combined weekly account of those trades.
    CombinedFigures Account;
    /// The range cut into windows: its end brought back to the last week
    /// any of the instruments has data for, when they all end sooner.
    WeekRange Weeks;
    bool RangeClipped = false;
    /// As for one instrument, on the instruments' total nets.
    std::optional<long double> Efficiency;
    EfficiencyGap EfficiencyMissing = EfficiencyGap::None;
    bool Stopped = false;
};

/// The figures of the joined out-of-sample trades as for one instrument,
/// the drawdowns (overall and of each year of entry) those of the combined
/// weekly account; the losing streak runs over the joined list's order.
TradeStats JoinedTradeStats(const MultiWalkForwardOutcome& out, std::size_t pairs);

/// Runs the analysis over the instruments (one per entry of params.Sweep.Pairs).
MultiWalkForwardOutcome RunMultiWalkForward(const MultiWalkForwardParams& params,
                                            const std::vector<const Instrument*>& instruments,
                                            std::stop_token stop = {},
                                            const WalkForwardProgress& progress = {});

} // namespace quillet
