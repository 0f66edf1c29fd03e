#pragma once
// quillet-cli: the headless companion of the window over the same core.

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>

namespace quillet::cli {

/// Where a command writes, and the exit status it leaves.
struct Context {
    std::ostream& out;
    std::ostream& err;
    int exitCode = 0;
};

/// Exit status of a refused argument (value out of range, missing file name).
inline constexpr int kUsageError = 2;
/// Exit status of a command that failed (file or conversion error).
inline constexpr int kFailure = 1;

// Each adds one subcommand to the app; the command reports through ctx.
void AddMakeBaseCommand(CLI::App& app, Context& ctx);
void AddInfoCommand(CLI::App& app, Context& ctx);
void AddDemoDataCommand(CLI::App& app, Context& ctx);
void AddBacktestCommand(CLI::App& app, Context& ctx);
void AddPortfolioCommand(CLI::App& app, Context& ctx);
void AddSweepCommand(CLI::App& app, Context& ctx);

/// A directory argument as a path prefix: "" becomes "./", and a trailing
/// separator is added where missing.
std::string WithTrailingSlash(std::string dir);

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

/// Parses the arguments and runs the chosen command; returns the exit status.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace quillet::cli
