#pragma once
// Running quillet-cli in-process, the way the tests call it.

#include "cli/Cli.h"

#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

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

#ifdef QUILLET_CLI_PATH
/// Starts the built quillet-cli (or a copy of it at `program`) with `args`
/// in a process of its own, its standard output dropped and its standard
/// error written to `errFile`. Returns the process's id, or -1 when it could
/// not be started.
inline pid_t SpawnCli(const std::vector<std::string>& args, const std::string& errFile = "/dev/null",
                      const std::string& program = QUILLET_CLI_PATH)
{
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}
#endif

} // namespace quillet::cli
