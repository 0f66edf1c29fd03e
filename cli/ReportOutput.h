#pragma once
// A file a command writes besides its output: a report or a trade list.

#include "cli/Cli.h"

#include <string>

namespace quillet::cli {

/// Writes `text` to `path` through a complete temporary copy, or to
/// standard output for "-". A stop signal that has arrived (see
/// InterruptGuard) keeps the old file as it was and removes the temporary
/// one. On failure or stop tells why on ctx.err, sets the exit status and
/// returns false.
bool WriteFileOrSay(const std::string& path, const std::string& text, Context& ctx);

/// True, after saying so on ctx.err and setting the exit status, when a stop
/// signal has arrived: the command should end without writing more.
bool StoppedBySignal(Context& ctx, const std::string& what = {});

} // namespace quillet::cli
