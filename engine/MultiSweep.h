#pragma once
// One sweep over several instruments: every combination of the grid traded
// on each instrument at its own costs, exactly as the single-pair sweep of
// that instrument trades it, and judged by the combined figures
// (CombinedAccount.h). What holds on every pair ranks above what one pair
// carries.

#include "engine/CombinedAccount.h"
#include "engine/Sweep.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// What a sweep over several instruments ranks its combinations by.
enum class PairsMetric { Net, WorstPair, ProfitablePairs, RecoveryFactor, ProfitFactor, Sqn, MaxDrawdown };

/// A metric's name on the command line and in the JSON, whether its lowest
/// value is best, and the single-pair metric it is drawn like (the colours
/// of the heatmap, the plateau's ranking).
struct PairsMetricName {
    PairsMetric Metric;
    std::string_view Option;
    SweepMetric Like;
    bool LowestIsBest = false;
};

/// In the order of PairsMetric, which is the order of the window's box.
inline constexpr std::array<PairsMetricName, 7> kPairsMetricNames = {{
    {PairsMetric::Net, "net", SweepMetric::Net},
    {PairsMetric::WorstPair, "worst-pair", SweepMetric::Net},
    {PairsMetric::ProfitablePairs, "profitable-pairs", SweepMetric::Entries},
    {PairsMetric::RecoveryFactor, "recovery-factor", SweepMetric::RecoveryFactor},
    {PairsMetric::ProfitFactor, "profit-factor", SweepMetric::ProfitFactor},
    {PairsMetric::Sqn, "sqn", SweepMetric::Sqn},
    {PairsMetric::MaxDrawdown, "max-drawdown", SweepMetric::MaxDrawdown, true},
}};

inline const PairsMetricName& NameOf(PairsMetric metric)
{
    return kPairsMetricNames[static_cast<std::size_t>(metric)];
}

/// The most instruments one sweep takes: the table's slots.
inline constexpr int kMaxSweptPairs = 30;

/// An instrument of the sweep: its name (which decides the point size) and
/// the costs it trades at.
struct PairSetup {
    std::string Name;
    TradeCosts Costs;
};

/// The parameters of a sweep over several instruments.
struct MultiSweepParams {
    std::vector<PairSetup> Pairs;
    SweepGrid Grid;
    WeekRange Weeks;
    /// A second range on which the best rows are also run.
    std::optional<WeekRange> Forward;
    PairsMetric Metric = PairsMetric::Net;
    /// A signal value with fewer entries on any instrument never makes the
    /// best rows ...
    int MinEntries = kMinEntriesControl.Default;
    /// ... nor one with fewer entries on all of them together.
    int MinTotalEntries = 0;
    int Top = kBestRowsOption.Default;
    int Threads = 0; // 0: one per core
    /// With a hold axis, also keep the metric of every holding limit, as
    /// the plateau choice needs.
    bool KeepHoldCells = false;
};

/// One instrument's figures of a combination: those of its single sweep.
struct PairFigures {
    BacktestResult Result;
    SweepFigures Figures;
};

/// One of the best combinations.
struct MultiSweepRow {
    int Signal = 0;
    int StopLoss = 0;
    int TakeProfit = 0;
    std::optional<int> Hold; // position of the holding-limit bar, with a hold axis
    std::vector<PairFigures> Pairs;
    CombinedFigures Combined;
    /// The same on the forward weeks, when asked for.
    std::vector<PairFigures> ForwardPairs;
    std::optional<CombinedFigures> ForwardCombined;
};

/// What the sweep found.
struct MultiSweepOutcome {
    /// The combined metric in the layout of a single sweep's outcome, for
    /// the heatmap and the plateau choice: Metric is the single metric it is
    /// drawn like, EntriesBySignal the total entries, and MinEntries the
    /// total at and above which a signal value is eligible (entries only
    /// fall as the signal minimum rises, so the instruments' and the total's
    /// minimums make one such threshold). Best stays empty.
    SweepOutcome Combined;
    PairsMetric Metric = PairsMetric::Net;
    /// Each instrument's entries of each signal value.
    std::vector<std::vector<std::int32_t>> PairEntriesBySignal;
    std::vector<MultiSweepRow> Best;
    std::int64_t Combinations = 0;
    bool Stopped = false;
};

/// The combined figures of one column of the grid (every signal value for
/// one stop-loss, take-profit and holding limit), by group of signal values
/// that trade the same weeks on every instrument, as a stream sees them.
struct CombinedColumn {
    int StopLoss = 0;
    int TakeProfit = 0;
    std::optional<int> Hold;
    /// False when the stop-loss lies within an instrument's spread: no
    /// combination of the column is traded.
    bool Traded = false;
    int Pairs = 0;
    int Groups = 0;
    const std::int32_t* FirstLane = nullptr; // Groups + 1 entries
    const std::int64_t* Entries = nullptr;   // total, per group
    const std::int64_t* PairNets = nullptr;  // [pair * Groups + group], tenths
    const NetFolder* Sums = nullptr;         // per group, as CombinedFigures::All
};

/// Every combination handed on as the sweep folds it, as SweepStream does.
struct MultiSweepStream {
    std::function<void(const CombinedColumn& column, std::string& bytes)> Format;
    std::function<void(std::string_view bytes)> Write;
};

/// A table for each instrument, at its costs, over the sweep's weeks and
/// forward weeks; built in parallel.
std::vector<SweepTable> BuildPairTables(const MultiSweepParams& params,
                                        const std::vector<const Instrument*>& instruments);

/// Sweeps the grid over the instruments (one per entry of params.Pairs).
MultiSweepOutcome RunMultiSweep(const MultiSweepParams& params,
                                const std::vector<const Instrument*>& instruments, std::stop_token stop = {},
                                const SweepProgress& progress = {}, const MultiSweepStream* stream = nullptr);

/// The same over tables already built as BuildPairTables builds them.
MultiSweepOutcome RunMultiSweep(const MultiSweepParams& params, const std::vector<SweepTable>& tables,
                                std::stop_token stop = {}, const SweepProgress& progress = {},
                                const MultiSweepStream* stream = nullptr);

/// One combination over `weeks` on every table: each instrument's figures
/// as its single sweep gives them, and the combined figures.
void FoldCombination(const std::vector<SweepTable>& tables, int signal, int stopLoss, int takeProfit,
                     std::optional<int> hold, WeekRange weeks, std::vector<PairFigures>& pairs,
                     CombinedFigures& combined);

/// The value of a metric in combined figures; NaN where it has none.
long double PairsMetricValue(PairsMetric metric, const CombinedFigures& figures);

/// The weeks the tables must cover, and a check of the parameters.
WeekRange SweptWeeks(const MultiSweepParams& params);
void CheckMultiSweep(const MultiSweepParams& params);

} // namespace quillet
