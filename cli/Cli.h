#pragma once
// quillet-cli: the headless companion of the window over the same core.
// This header is what callers need to run it; the commands' own option
// parsing (CLI11, costly to compile) is in cli/Commands.h.

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

/// A directory argument as a path prefix: "" becomes "./", and a trailing
/// separator is added where missing.
std::string WithTrailingSlash(std::string dir);

/// Parses the arguments and runs the chosen command; returns the exit status.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace quillet::cli
