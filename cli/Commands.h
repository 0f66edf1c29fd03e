#pragma once
// The subcommands of quillet-cli and their options.

#include "cli/Cli.h"

#include <CLI/CLI.hpp>

namespace quillet::cli {

// Each adds one subcommand to the app; the command reports through ctx.
void AddMakeBaseCommand(CLI::App& app, Context& ctx);
void AddInfoCommand(CLI::App& app, Context& ctx);
void AddDemoDataCommand(CLI::App& app, Context& ctx);
void AddBacktestCommand(CLI::App& app, Context& ctx);
void AddPortfolioCommand(CLI::App& app, Context& ctx);
void AddSweepCommand(CLI::App& app, Context& ctx);

/// Refuses an empty file name: "" would name no file at all.
CLI::Validator NonEmptyFileName();

} // namespace quillet::cli
