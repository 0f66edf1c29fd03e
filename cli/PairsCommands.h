#pragma once
// sweep and walkforward over several instruments: the commands' options,
// which they share with the single-pair commands, the instruments' loading
// and the runs.

#include "analysis/WalkForward.h"
#include "cli/Commands.h"
#include "cli/MonteCarloOutput.h"
#include "cli/SweepOptions.h"
#include "engine/MultiSweep.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillet::cli {

/// What the commands over several instruments add to the single-pair ones.
struct PairsOptions {
    std::vector<std::string> files;
    std::optional<std::string> config; // --config DIR: the instruments its config lists
    int minTotalEntries = 0;
    bool minTotalGiven = false;

    /// Two or more files, or --config.
    bool Several() const { return files.size() > 1 || config.has_value(); }
};

/// FILE... (the .base files), --config DIR and --min-total-entries N.
void AddPairsOptions(CLI::App* cmd, PairsOptions& pairs);

/// Refuses what only several instruments take when there is one, and one
/// file beside --config.
void CheckPairsOptions(const PairsOptions& pairs);

/// The instruments of a command over several, loaded into slots 1, 2, ...
struct LoadedPairs {
    std::vector<PairSetup> Pairs;
    std::vector<const Instrument*> Instruments;
    /// Whether the costs file the costs come from has a line for each.
    std::vector<bool> Listed;
    std::vector<std::string> Names() const;
};

/// Loads the files, or the instruments DIR's config lists (the first 30),
/// with their costs: the cost options' for every one, or each one's line of
/// --costs FILE, or, with --config and neither, of DIR's costs file.
LoadedPairs LoadPairs(const PairsOptions& pairs, const CostOptions& costs, std::ostream& err);

struct SweepCommandOptions {
    PairsOptions pairs;
    GridOptions grid;
    std::vector<int> range;
    std::vector<int> forward;
    int top = kBestRowsOption.Default;
    std::optional<std::string> csv; // "-" for standard output
    bool json = false;
    CostOptions costs;
};

/// What the sweep over one instrument and over several take alike from the
/// options: the grid, the weeks, the forward check, the entry minimum, the
/// rows and the threads.
template <class Params> void FillSweepParams(const SweepCommandOptions& opts, Params& params)
{
    params.Grid = opts.grid.Grid();
    if (!opts.range.empty())
        params.Weeks = {opts.range[0], opts.range[1]};
    if (!opts.forward.empty())
        params.Forward = WeekRange{opts.forward[0], opts.forward[1]};
    params.MinEntries = opts.grid.minEntries;
    params.Top = opts.top;
    params.Threads = opts.grid.threads;
}

/// sweep over several instruments.
void RunPairsSweep(const SweepCommandOptions& opts, Context& ctx);

struct WalkForwardCommandOptions {
    PairsOptions pairs;
    GridOptions grid;
    CostOptions costs;
    int inSample = kInSampleControl.Default;
    int outOfSample = kOutOfSampleControl.Default;
    std::vector<int> range;
    bool anchored = false;
    std::optional<std::string> plateau; // "" for the default radii
    bool json = false;
    std::optional<std::string> report; // where the HTML report goes
    std::optional<std::string> trades;
    MonteCarloOptions monteCarlo;
};

/// What the walk-forward over one instrument and over several take alike
/// from the options: the windows, and their sweep's grid, weeks (--range, or
/// every week), entry minimum and threads. Refuses weeks too few for the
/// windows.
template <class Params> void FillWalkForwardParams(const WalkForwardCommandOptions& opts, Params& params)
{
    params.InSample = opts.inSample;
    params.OutOfSample = opts.outOfSample;
    params.Anchored = opts.anchored;
    auto& sp = params.Sweep;
    sp.Grid = opts.grid.Grid();
    sp.Weeks = opts.range.empty() ? WeekRange{kFirstWeekControl.Min, kLastWeekControl.Max}
                                  : WeekRange{opts.range[0], opts.range[1]};
    if (const std::string error = WalkForwardError(sp.Weeks, params.InSample, params.OutOfSample);
        !error.empty())
        throw CLI::ValidationError("--in-sample", error);
    sp.MinEntries = opts.grid.minEntries;
    sp.Threads = opts.grid.threads;
}

/// walkforward over several instruments; `radii` is the parsed --plateau.
void RunPairsWalkForward(const WalkForwardCommandOptions& opts, const std::optional<PlateauRadii>& radii,
                         Context& ctx);

} // namespace quillet::cli
