#pragma once
// Running quillet-cli in-process, the way the tests call it.

#include "cli/Cli.h"

#include <sstream>
#include <string>
#include <vector>

namespace quillet::cli {

/// What one command left: its exit status and everything it printed.
struct CliRun {
    int status;
    std::string out;
    std::string err;
};

/// Runs `quillet-cli args...` in this process.
inline CliRun RunCommand(std::vector<std::string> args)
{
    args.insert(args.begin(), "quillet-cli");
    std::vector<const char*> argv;
    for (const auto& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

} // namespace quillet::cli
