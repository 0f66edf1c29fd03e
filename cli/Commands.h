#pragma once
// The subcommands of quillet-cli and their options.

#include "cli/Cli.h"
#include "model/RecordedSpread.h"
#include "model/TradeCosts.h"
#include "store/CostsFile.h"

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <optional>
#include <string>

namespace quillet::cli {

// Each adds one subcommand to the app; the command reports through ctx.
void AddMakeBaseCommand(CLI::App& app, Context& ctx);
void AddInfoCommand(CLI::App& app, Context& ctx);
void AddDemoDataCommand(CLI::App& app, Context& ctx);
void AddBacktestCommand(CLI::App& app, Context& ctx);
void AddPortfolioCommand(CLI::App& app, Context& ctx);
void AddSweepCommand(CLI::App& app, Context& ctx);
void AddWalkForwardCommand(CLI::App& app, Context& ctx);
void AddOverfitCommand(CLI::App& app, Context& ctx);
void AddCheckCommand(CLI::App& app, Context& ctx);

/// The folder a command works in: `given` when its option was given,
/// otherwise the program's folder (DataDir: the current folder, or the
/// user's data folder when the program is installed). With a trailing separator.
std::string FolderOrDefault(const CLI::Option* option, const std::string& given);

/// The help text's words for that default.
inline constexpr const char* kDefaultFolderHelp =
    "default: the current folder, or ~/.local/share/quillet-tester ($XDG_DATA_HOME/quillet-tester) when "
    "the program is installed";

/// Refuses an empty file name: "" would name no file at all.
CLI::Validator NonEmptyFileName();

/// --spread's word for the spread of each hour as the quotes recorded it.
inline constexpr const char* kRecordedSpreadOption = "recorded";

/// The options --spread, --commission, --swap-long and --swap-short of a
/// command, in points with one decimal (--spread may be "recorded"), and
/// --costs FILE, a costs file of the window's format with a line per
/// instrument.
struct CostOptions {
    std::string spread = "0", commission = "0", swapLong = "0", swapShort = "0";
    /// Whether any of them or the file was given (even as 0): the outputs
    /// then show the costs and the figures after them.
    bool given = false;
    /// Whether one of the four was given.
    bool fromOptions = false;
    std::optional<std::string> file;

    /// The four options' costs.
    TradeCosts Costs() const;
    /// The costs `pair` trades at: the four options', or its line of the
    /// file; a pair without a line trades at zero costs, which `err` is told.
    /// Throws a usage error when the file and the options are both given.
    TradeCosts CostsOf(const std::string& pair, std::ostream& err) const;
    /// The same without a word about a pair without a line.
    TradeCosts CostsOf(const std::string& pair) const;
    /// Whether the file has a line for `pair` (true without a file).
    bool Lists(const std::string& pair) const;
    /// The recorded spread of `file`, loaded into `slot`, when `costs` (the
    /// options' or the file's line) say the spread is recorded; an option
    /// error when it has none. Null otherwise.
    const RecordedSpread* RecordedSpreadOf(const TradeCosts& costs, const std::string& file, int slot) const;

  private:
    const CostsTable& CostsFileTable() const;
    mutable std::optional<CostsTable> table_;
};

/// Adds the cost options to `cmd`, each checked for its range.
void AddCostOptions(CLI::App* cmd, CostOptions& costs);

/// The line that says a pair has no line in the costs file.
std::string UnlistedCostsNote(const std::string& pair, const std::string& file);

} // namespace quillet::cli
