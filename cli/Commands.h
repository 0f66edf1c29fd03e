#pragma once
// The subcommands of quillet-cli and their options.

#include "cli/Cli.h"
#include "model/TradeCosts.h"

#include <CLI/CLI.hpp>

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

/// The options --spread, --commission, --swap-long and --swap-short of a
/// command, in points with one decimal.
struct CostOptions {
    std::string spread = "0", commission = "0", swapLong = "0", swapShort = "0";
    /// Whether any of them was given (even as 0): the outputs then show the
    /// costs and the figures after them.
    bool given = false;

    TradeCosts Costs() const;
};

/// Adds the four cost options to `cmd`, each checked for its range.
void AddCostOptions(CLI::App* cmd, CostOptions& costs);

} // namespace quillet::cli
