#pragma once
// The optimisation sweep: the single-pair rule over every combination of a
// grid, folded in parallel from one SweepTable, with the metric of every
// cell, the best rows and, when asked, every combination handed on in the
// grid's order as it is folded.

#include "engine/BestList.h"
#include "engine/SweepMetric.h"
#include "engine/SweepTable.h"
#include "model/Instrument.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace quillet {

/// The parameters of a sweep.
struct SweepParams {
    std::string PairName; // decides the point multiplier
    SweepGrid Grid;
    WeekRange Weeks;
    /// A second range on which the best rows are also run.
    std::optional<WeekRange> Forward;
    SweepMetric Metric = SweepMetric::Net;
    /// Signal values with fewer entries never make the best rows.
    int MinEntries = kMinEntriesControl.Default;
    int Top = kBestRowsOption.Default;
    /// 0: one thread per core.
    int Threads = 0;
    TradeCosts Costs;
    /// The instrument's spread of every hour, for costs with SpreadRecorded.
    const RecordedSpread* Spread = nullptr;
    /// Also keep the metric of every combination, every holding limit's
    /// (SweepOutcome::HoldCells), as the plateau choice needs.
    bool KeepHoldCells = false;
};

/// One of the best combinations, with its full results.
struct SweepRow {
    int Signal = 0;
    int StopLoss = 0;
    int TakeProfit = 0;
    /// Position of the holding-limit bar; none when the sweep had no holding limit.
    std::optional<int> Hold;
    BacktestResult Result;
    SweepFigures Figures;
    std::optional<BacktestResult> Forward;
    std::optional<SweepFigures> ForwardFigures;
    /// The sweep traded at costs: the net after them is the one to show.
    bool WithCosts = false;
};

/// What a sweep found.
struct SweepOutcome {
    SweepGrid Grid;
    SweepMetric Metric = SweepMetric::Net;
    int MinEntries = 0;
    /// The metric of every (stop-loss, take-profit, signal) cell, the best over
    /// the holding limits when they are an axis; NaN where it has no value.
    std::vector<float> Cells;
    /// The holding-limit position of each cell's value (with a hold axis only).
    std::vector<std::uint8_t> CellHold;
    /// With SweepParams::KeepHoldCells: the metric of every combination in
    /// double precision, one block laid out as Cells per holding limit in
    /// order (one block without a hold axis); NaN where it has no value.
    std::vector<double> HoldCells;
    /// Entries of each signal value (they depend on nothing else).
    std::vector<std::int32_t> EntriesBySignal;
    /// The best rows, best first.
    std::vector<SweepRow> Best;
    /// The combinations swept, and those left out because their stop-loss
    /// is not larger than the spread (they trade nothing).
    std::int64_t Combinations = 0;
    std::int64_t LeftOut = 0;
    /// The sweep was stopped before the end: cells not reached are NaN.
    bool Stopped = false;

    std::size_t CellIndex(int signal, int stopLoss, int takeProfit) const
    {
        return (static_cast<std::size_t>(stopLoss - Grid.StopLoss.First) * Grid.TakeProfit.Count() +
                static_cast<std::size_t>(takeProfit - Grid.TakeProfit.First)) *
                   Grid.Signal.Count() +
               static_cast<std::size_t>(signal - Grid.Signal.First);
    }
    float Cell(int signal, int stopLoss, int takeProfit) const
    {
        return Cells[CellIndex(signal, stopLoss, takeProfit)];
    }
};

/// Called with the combinations done so far and the total, always on the
/// thread that called RunSweep.
using SweepProgress = std::function<void(std::int64_t done, std::int64_t total)>;

/// One column of the grid as the sweep folded it: every signal value for
/// one stop-loss, take-profit and holding limit.
struct SweptColumn {
    int StopLoss = 0;
    int TakeProfit = 0;
    std::optional<int> Hold; // the holding-limit position, with a hold axis
    /// Its totals, by group of signal values; null for a stop-loss within
    /// the spread, which trades nothing.
    const SweepTable::Column* Folded = nullptr;
};

/// Every combination handed on as the sweep folds it. Format turns a column
/// into bytes, appended to `bytes`, on the worker that folded it; Write takes
/// the bytes on the thread that called RunSweep, in the order of stop-loss,
/// take-profit and then holding limit.
struct SweepStream {
    std::function<void(const SweptColumn& column, std::string& bytes)> Format;
    std::function<void(std::string_view bytes)> Write;
};

/// The combinations of the grid whose stop-loss is not larger than the
/// spread of `costs`: the sweep leaves them out.
std::int64_t LeftOutCombinations(const SweepGrid& grid, const TradeCosts& costs);

/// The weeks a sweep's table must cover: its range and the forward range.
WeekRange SweptWeeks(const SweepParams& params);

/// Sweeps the grid over `instrument`. Stops early, with Stopped set, when
/// `stop` is requested; with a stream, what it wrote is then incomplete.
SweepOutcome RunSweep(const SweepParams& params, const Instrument& instrument, std::stop_token stop = {},
                      const SweepProgress& progress = {}, const SweepStream* stream = nullptr);

/// The same over a table already built for params.Grid and SweptWeeks(params),
/// which the caller may keep to fold single combinations afterwards.
SweepOutcome RunSweep(const SweepParams& params, const SweepTable& sweep, std::stop_token stop = {},
                      const SweepProgress& progress = {}, const SweepStream* stream = nullptr);

} // namespace quillet
