#pragma once
// What the commands that sweep a grid share: the grid's options (signal,
// stop-loss, take-profit and holding-limit ranges, metric, entry minimum,
// threads), a stop on Ctrl-C and a progress bar.

#include "cli/Cli.h"
#include "engine/MultiSweep.h"
#include "engine/Sweep.h"
#include "report/Catalogue.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::cli {

/// A control's whole range as an A:B option.
std::string WholeRange(const ControlRange& control);

/// "A:B", or "A" for A:A.
std::optional<AxisRange> ParseAxis(const std::string& text);

/// Refuses FIRST LAST options that are no week range of the run.
void CheckWeeks(const std::vector<int>& weeks, const char* option);

/// The options of a sweep's grid and ranking.
struct GridOptions {
    std::string signal = WholeRange(kSignalControl);
    std::string stopLoss = WholeRange(kStopLossControl);
    std::string takeProfit = WholeRange(kTakeProfitControl);
    std::string hold = "off";
    /// A metric's name: one of a single pair's or of several instruments'.
    std::string metric = "net";
    int minEntries = kMinEntriesControl.Default;
    int threads = kThreadsOption.Default;

    SweepGrid Grid() const;
    /// The metric; a usage error for a name that ranks only several instruments.
    SweepMetric SingleMetric() const;
    /// The metric over several instruments; a usage error for a name that
    /// ranks only one.
    PairsMetric PairsMetricOf() const;
};

/// --signal --sl --tp --hold, then --metric and --min-entries (with what a
/// combination below the minimum misses, for the help).
void AddGridOptions(CLI::App* cmd, GridOptions& opts, const std::string& minEntriesHelp);
/// --threads.
void AddThreadsOption(CLI::App* cmd, GridOptions& opts);

// --- Ctrl-C, SIGTERM and SIGHUP ---

/// After a sweep: when it was stopped, says how far it came (`done` of
/// `total` combinations) and what became of its CSV (a file not written, or
/// rows on standard output cut short), sets the signal's status and returns
/// true.
bool SaySweepStopped(bool stopped, std::int64_t done, std::int64_t total, bool csvToFile, bool csvToOut,
                     Context& ctx);

/// True once a stop signal arrived while an InterruptGuard lived.
bool Interrupted();
/// Exit status of a stopped command, as shells report the signal (130 for Ctrl-C).
int InterruptedStatus();

/// Catches the stop signals while the command runs, and restores what was there.
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

  private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

// --- Progress on a terminal ---

bool StandardErrorIsATerminal(const std::ostream& err);

/// The text right-aligned in `width` characters (UTF-8), as printf's %*s
/// aligns ASCII texts: the columns of the commands' tables.
std::string PadLeft(std::string_view text, int width);

/// A line of a best-rows table: the row's cells (its columns, then the
/// forward check's where it has one) and the cells that stand between them.
struct BestTableLine {
    std::vector<std::string> Cells;
    std::vector<std::string> Between;
    bool Forward = false;
};

/// The sweeps' table of best rows: the headings (the forward check's only
/// when `forward`), then a line a row, each column right-aligned in its
/// width, one space apart, and the forward check's after a bar; the
/// `between` columns take the width of their heading, at least 9. Without a
/// row it says so.
void PrintBestTable(std::ostream& os, std::span<const BestRowColumn> columns,
                    std::span<const BestRowColumn> forwardColumns, const std::vector<std::string>& between,
                    bool forward, const std::vector<BestTableLine>& rows);

class ProgressBar {
  public:
    ProgressBar(std::ostream& err, bool shown, std::string what)
        : err_(err), shown_(shown), what_(std::move(what))
    {
    }
    void Show(std::int64_t done, std::int64_t total);
    void Finish();

  private:
    std::ostream& err_;
    bool shown_;
    std::string what_;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace quillet::cli
